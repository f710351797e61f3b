// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

#include "savefailure.h"

#include <QtCore>

#include <functional>
#include <optional>
#include <string>

namespace TestSupport {

QByteArray readBytes(const QString &path);
void writeBytes(const QString &path, const QByteArray &bytes);
// Everything in the folder, hidden and system entries too, by name: what a save left beside shows here.
QStringList entriesOf(const QString &folder);
// A save's failures as "path kind n: system text", for comparisons that show them.
QStringList described(const QList<SaveFailure> &failures);

// Whether the saving tests run on the path a system without an atomic exchange of two files takes.
inline bool plainRename() { return qEnvironmentVariableIsSet("VANTOR_PLAIN_RENAME"); }

#ifdef Q_OS_UNIX
// Runs work in a forked copy of this process (for what may end a process or must not touch the test's own limits)
// and gives its status as a shell does: what work returned, or 128 + the ending signal.
int runInChild(const std::function<int()> &work);
// The same as the unprivileged user "nobody", so that permission bits apply even when the tests run as root; path,
// with what it holds, is handed to that user first.
int runAsNobody(const QString &path, const std::function<int()> &work);
#else
// The path as the Windows API takes it.
std::wstring nativePath(const QString &path);
bool runningUnderWine();
#endif

// A throw-away home folder whose documents folder holds "My Games/Vantor/". On Unix the program's file lookup sees it
// as the player's (HOME points at it while the object lives); on Windows a test hands iniFolder() to the program.
class ScratchHome
{
public:
    explicit ScratchHome(const QString &documents = QStringLiteral("Documents"));
    ScratchHome(const QByteArray &prefs, const QByteArray &main, const QString &documents = QStringLiteral("Documents"))
        : ScratchHome(documents)
    {
        writePrefs(prefs);
        writeMain(main);
    }
    ~ScratchHome();
    ScratchHome(const ScratchHome &) = delete;
    ScratchHome &operator=(const ScratchHome &) = delete;

    QString home() const { return dir.path(); }
    QString iniFolder() const { return dir.path() + u'/' + documents + QStringLiteral("/My Games/Vantor/"); }
    QString prefsPath() const { return iniFolder() + QStringLiteral("VantorPrefs.ini"); }
    QString mainPath() const { return iniFolder() + QStringLiteral("Vantor.ini"); }

    void writePrefs(const QByteArray &bytes) { writeBytes(prefsPath(), bytes); }
    void writeMain(const QByteArray &bytes) { writeBytes(mainPath(), bytes); }
    QByteArray prefs() const { return readBytes(prefsPath()); }
    QByteArray main() const { return readBytes(mainPath()); }

private:
    QTemporaryDir dir;
    QString documents;
    QList<std::pair<const char *, std::optional<QByteArray>>> savedEnvironment;
};

} // namespace TestSupport
