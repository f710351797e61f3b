// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "inifolder.h"

#include "gamefiles.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <optional>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#include <knownfolders.h>
#include <shlobj.h>
#else
#include <QDateTime>
#include <QFile>
#include <QRegularExpression>

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const QString gameFolder = u'/' + GameFiles::folderBelowDocuments();
const QString prefsFile = GameFiles::fileNames().at(GameFiles::Preferences);

bool holdsPrefs(const QString &folder)
{
    return QFileInfo::exists(folder + prefsFile);
}

#ifndef Q_OS_WIN
// A library list is a few kilobytes.
constexpr qint64 maxListSize = 1024 * 1024;

// The contents of a regular file of at most maxSize bytes. Anything else at the
// path (a FIFO or a device would block the start or never end) counts as absent.
std::optional<QByteArray> readSmallFile(const QString &path, qint64 maxSize)
{
    QFile file;
    // Opened without waiting for a FIFO's writer, then checked on the open file.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || status.st_size > maxSize
        || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
    QByteArray bytes = file.read(maxSize + 1); // the file may have grown since
    if (bytes.size() > maxSize || file.error() != QFileDevice::NoError)
        return std::nullopt;
    return bytes;
}

// The library paths a Steam installation lists besides itself.
QStringList listedLibraries(const QString &steamRoot)
{
    static const QRegularExpression pathLine(QStringLiteral(R"re(^\s*"(?:path|\d+)"\s+"(/[^"]*)"\s*$)re"));
    QStringList libraries;
    for (const QString &name : {QStringLiteral("/steamapps/libraryfolders.vdf"),
                                QStringLiteral("/config/libraryfolders.vdf")}) {
        const std::optional<QByteArray> list = readSmallFile(steamRoot + name, maxListSize);
        if (!list)
            continue;
        for (const QByteArray &line : list->split('\n')) {
            const QRegularExpressionMatch match = pathLine.match(QString::fromUtf8(line));
            if (match.hasMatch())
                libraries.append(match.captured(1).replace(QStringLiteral("\\\\"), QStringLiteral("\\")));
        }
    }
    return libraries;
}

QStringList steamLibraries(const QString &home)
{
    const QStringList roots = {
        home + QStringLiteral("/.local/share/Steam"),
        home + QStringLiteral("/.steam/steam"),
        home + QStringLiteral("/.var/app/com.valvesoftware.Steam/.local/share/Steam"),
    };
    QStringList libraries;
    QStringList seen; // the same library is often reachable through a symlink
    const auto add = [&](const QString &library) {
        const QString canonical = QFileInfo(library).canonicalFilePath();
        if (canonical.isEmpty() || seen.contains(canonical))
            return;
        seen.append(canonical);
        libraries.append(library);
    };
    for (const QString &root : roots) {
        add(root);
        for (const QString &listed : listedLibraries(root))
            add(listed);
    }
    return libraries;
}

QStringList steamCandidates(const QString &home)
{
    QStringList candidates;
    for (const QString &library : steamLibraries(home)) {
        const QDir compatData(library + QStringLiteral("/steamapps/compatdata"));
        for (const QString &game : compatData.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
            candidates.append(compatData.filePath(game)
                              + QStringLiteral("/pfx/drive_c/users/steamuser/Documents") + gameFolder);
        }
    }
    return candidates;
}

QStringList wineCandidates(const IniFolderSearch &search)
{
    QStringList prefixes;
    if (!search.winePrefix.isEmpty())
        prefixes.append(search.winePrefix);
    prefixes.append(search.home + QStringLiteral("/.wine"));
    QStringList candidates;
    for (const QString &prefix : prefixes) {
        const QString user = prefix + QStringLiteral("/drive_c/users/") + search.userName;
        candidates.append(user + QStringLiteral("/Documents") + gameFolder);
        candidates.append(user + QStringLiteral("/My Documents") + gameFolder);
    }
    return candidates;
}
#endif

} // namespace

IniFolderSearch IniFolderSearch::fromEnvironment()
{
    IniFolderSearch search;
    search.documents = documentsFolder();
#ifndef Q_OS_WIN
    search.home = QDir::homePath();
    search.winePrefix = qEnvironmentVariable("WINEPREFIX");
    // Wine names the prefix's user folder after the account.
    search.userName = qEnvironmentVariable("USER");
    if (search.userName.isEmpty())
        search.userName = qEnvironmentVariable("LOGNAME");
    if (search.userName.isEmpty()) {
        if (const passwd *account = getpwuid(getuid()))
            search.userName = QString::fromLocal8Bit(account->pw_name);
    }
#endif
    return search;
}

QStringList iniFolderCandidates(const IniFolderSearch &search)
{
    QStringList candidates = {search.documents + gameFolder};
#ifndef Q_OS_WIN
    candidates += steamCandidates(search.home);
    candidates += wineCandidates(search);
#endif
    return candidates;
}

QString findIniFolder(const IniFolderSearch &search)
{
    const QString documents = search.documents + gameFolder;
    if (holdsPrefs(documents))
        return documents;
#ifndef Q_OS_WIN
    // Several Steam prefixes may hold the files (a reinstall under a new id):
    // the one the game wrote last is the one in use.
    QString newest;
    QDateTime newestTime;
    for (const QString &candidate : steamCandidates(search.home)) {
        const QFileInfo prefs(candidate + prefsFile);
        if (prefs.exists() && (newest.isEmpty() || prefs.lastModified() > newestTime)) {
            newest = candidate;
            newestTime = prefs.lastModified();
        }
    }
    if (!newest.isEmpty())
        return newest;
    for (const QString &candidate : wineCandidates(search)) {
        if (holdsPrefs(candidate))
            return candidate;
    }
#endif
    return documents;
}

QString iniFolder()
{
    return findIniFolder(IniFolderSearch::fromEnvironment());
}

QString documentsFolder()
{
#ifdef Q_OS_WIN
    // The shell allocates the path, so a redirected folder longer than MAX_PATH
    // comes back whole. Without the check a failed lookup would leave an empty
    // path, and the files would be looked for below the current drive's root.
    PWSTR path = nullptr;
    const HRESULT result = SHGetKnownFolderPath(FOLDERID_Documents, KF_FLAG_DEFAULT, nullptr, &path);
    const QString shellFolder = SUCCEEDED(result) && path ? QString::fromWCharArray(path) : QString();
    CoTaskMemFree(path);
    if (!shellFolder.isEmpty())
        return QDir::fromNativeSeparators(shellFolder);
#endif
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() + QStringLiteral("/Documents") : documents;
}
