// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "testsupport.h"

#include <QtCore>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#else
#include <cerrno>
#include <cstdio>

#include <sys/wait.h>
#include <unistd.h>
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

QStringList entriesOf(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QStringList described(const QList<SaveFailure> &failures)
{
    QStringList lines;
    for (const SaveFailure &failure : failures)
        lines << QStringLiteral("%1 kind %2: %3").arg(failure.path).arg(int(failure.kind)).arg(failure.systemText);
    return lines;
}

ScratchHome::ScratchHome(const QString &documents)
    : documents(documents)
{
#ifdef Q_OS_UNIX
    for (const char *name : {"HOME", "XDG_CONFIG_HOME", "WINEPREFIX"}) {
        savedEnvironment.append({name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt});
        qunsetenv(name);
    }
    qputenv("HOME", QFile::encodeName(dir.path()));
#endif
    QDir().mkpath(iniFolder());
}

ScratchHome::~ScratchHome()
{
    for (const auto &[name, value] : std::as_const(savedEnvironment))
        value ? qputenv(name, *value) : qunsetenv(name);
}

#ifdef Q_OS_UNIX
int runInChild(const std::function<int()> &work)
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
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

int runAsNobody(const QString &path, const std::function<int()> &work)
{
    constexpr uid_t nobody = 65534;
    if (geteuid() != 0)
        return runInChild(work);
    QDirIterator entries(path, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                         QDirIterator::Subdirectories);
    for (QString entry = path; !entry.isEmpty(); entry = entries.hasNext() ? entries.next() : QString()) {
        if (lchown(QFile::encodeName(entry).constData(), nobody, nobody) != 0)
            qFatal("cannot hand %s to nobody", qPrintable(entry));
    }
    for (QDir above(QFileInfo(path).absolutePath()); !above.isRoot(); above.cdUp()) {
        QFile folder(above.path());
        folder.setPermissions(folder.permissions() | QFile::ExeOther | QFile::ExeGroup);
    }
    return runInChild([&] { return setgid(nobody) == 0 && setuid(nobody) == 0 ? work() : 100; });
}
#else
std::wstring nativePath(const QString &path)
{
    return QDir::toNativeSeparators(path).toStdWString();
}

bool runningUnderWine()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}
#endif

} // namespace TestSupport
