#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>

namespace TestSupport {

QByteArray readBytes(const QString &path);
void writeBytes(const QString &path, const QByteArray &bytes);

struct ChildResult
{
    int exitCode = -1;
    bool crashed = false;
    QByteArray output;
};

// Runs a function registered with VANTOR_REGISTER_CHILD in a new process of this
// test program, with the given environment, and waits for it.
ChildResult runChild(const QString &name, const QStringList &arguments = {},
                     const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());

// Runs work in a forked copy of this process and waits for it. Returns its
// status as a shell gives it: what work returned, or 128 + the signal that
// ended the child.
int runInChild(const std::function<int()> &work);

// Whether the saving tests run on the path a system without an atomic
// exchange of two files takes (VANTOR_PLAIN_RENAME set).
inline bool plainRename()
{
    return qEnvironmentVariableIsSet("VANTOR_PLAIN_RENAME");
}

// For child processes run as root: hands the path (and its contents) to the
// unprivileged user "nobody", makes the folders above it reachable, and later
// switches the process to that user, so that permission bits apply again.
void giveToUnprivilegedUser(const QString &path);
bool dropPrivileges();

// A throw-away home folder that the program's file lookup sees as the player's:
// HOME points at it while the object lives, and its documents folder holds
// "My Games/Vantor/" with whichever of the two INI files the test gives.
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
    QByteArray savedHome;
    QByteArray savedXdgConfig;
    QByteArray savedWinePrefix;
};

} // namespace TestSupport
