// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <string>

namespace TestSupport {

QByteArray readBytes(const QString &path);
void writeBytes(const QString &path, const QByteArray &bytes);

// Whether the saving tests run on the path a system without an atomic
// exchange of two files takes (VANTOR_PLAIN_RENAME set).
inline bool plainRename()
{
    return qEnvironmentVariableIsSet("VANTOR_PLAIN_RENAME");
}

#ifdef Q_OS_UNIX
struct ChildResult
{
    int status = -1; // as a shell gives it: what the work returned, or 128 + the ending signal
};

// Runs work in a forked copy of this process (for what may end a process or
// must not touch the test's own limits and user) and waits for it.
ChildResult runInChild(const std::function<int()> &work);

// For child processes run as root: hands the path (and its contents) to the
// unprivileged user "nobody", makes the folders above it reachable, and later
// switches the process to that user, so that permission bits apply again.
void giveToUnprivilegedUser(const QString &path);
bool dropPrivileges();
#else
// The path as the Windows API takes it.
std::wstring nativePath(const QString &path);
bool runningUnderWine();
#endif

// A throw-away home folder whose documents folder holds "My Games/Vantor/" with
// whichever of the two INI files the test gives. On Unix the program's file lookup
// sees it as the player's: HOME points at it while the object lives. On Windows the
// documents folder comes from the shell, so a test hands iniFolder() to the program.
class ScratchHome
{
public:
    ScratchHome();
    ~ScratchHome();
    ScratchHome(const ScratchHome &) = delete;
    ScratchHome &operator=(const ScratchHome &) = delete;

    QString home() const { return dir.path(); }
    QString iniFolder() const;              // ends with '/'
    QString prefsPath() const { return iniFolder() + QStringLiteral("VantorPrefs.ini"); }
    QString mainPath() const { return iniFolder() + QStringLiteral("Vantor.ini"); }

    void writePrefs(const QByteArray &bytes) { writeBytes(prefsPath(), bytes); }
    void writeMain(const QByteArray &bytes) { writeBytes(mainPath(), bytes); }
    QByteArray prefs() const { return readBytes(prefsPath()); }
    QByteArray main() const { return readBytes(mainPath()); }

private:
    QTemporaryDir dir;
#ifdef Q_OS_UNIX
    QByteArray savedHome;
    QByteArray savedXdgConfig;
    QByteArray savedWinePrefix;
#endif
};

} // namespace TestSupport
