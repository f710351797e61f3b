// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "testsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QtGlobal>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstdio>

#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uid_t nobodyId = 65534;

// Root may write where the player may not.
bool runningAsRoot()
{
    return geteuid() == 0;
}

} // namespace
#endif

namespace TestSupport {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return file.readAll();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

#ifdef Q_OS_UNIX
ChildResult runInChild(const std::function<int()> &work)
{
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child < 0)
        qFatal("cannot fork");
    if (child == 0) {
        const int code = work();
        std::fflush(nullptr);
        _exit(code);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return {WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status)};
}

void giveToUnprivilegedUser(const QString &path)
{
    if (!runningAsRoot())
        return;
    const auto chownOne = [](const QString &entry) {
        if (lchown(QFile::encodeName(entry).constData(), nobodyId, nobodyId) != 0)
            qFatal("cannot hand %s to nobody", qPrintable(entry));
    };
    chownOne(path);
    QDirIterator entries(path, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                         QDirIterator::Subdirectories);
    while (entries.hasNext())
        chownOne(entries.next());
    for (QDir above(QFileInfo(path).absolutePath()); !above.isRoot(); above.cdUp()) {
        QFile folder(above.path());
        folder.setPermissions(folder.permissions() | QFile::ExeOther | QFile::ExeGroup);
    }
}

bool dropPrivileges()
{
    if (!runningAsRoot())
        return true;
    return setgid(nobodyId) == 0 && setuid(nobodyId) == 0;
}

ScratchHome::ScratchHome()
    : savedHome(qgetenv("HOME"))
    , savedXdgConfig(qgetenv("XDG_CONFIG_HOME"))
    , savedWinePrefix(qgetenv("WINEPREFIX"))
{
    qputenv("HOME", dir.path().toLocal8Bit());
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("WINEPREFIX");
    QDir().mkpath(iniFolder());
}

ScratchHome::~ScratchHome()
{
    qputenv("HOME", savedHome);
    if (savedXdgConfig.isEmpty())
        qunsetenv("XDG_CONFIG_HOME");
    else
        qputenv("XDG_CONFIG_HOME", savedXdgConfig);
    if (savedWinePrefix.isEmpty())
        qunsetenv("WINEPREFIX");
    else
        qputenv("WINEPREFIX", savedWinePrefix);
}
#else
ScratchHome::ScratchHome()
{
    QDir().mkpath(iniFolder());
}

ScratchHome::~ScratchHome() = default;

std::wstring nativePath(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

bool runningUnderWine()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}
#endif

QString ScratchHome::iniFolder() const
{
    return dir.path() + QStringLiteral("/Documents/My Games/Vantor/");
}

} // namespace TestSupport
