// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A saved file stays the player's: owner, group, mode, ACL and extended attributes, its symbolic and hard links. One
// written in place (it has a second name) is never left half new. The first save of a session keeps the file as it
// was beside it; what a killed save left beside goes with a later save; another program's lease at start is waited for.

#include "diskfile.h"
#include "inistore.h"
#include "testsupport.h"

#include <QtTest>

#include <csignal>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#include <utime.h>

using namespace TestSupport;
using namespace std::chrono_literals;

namespace {

const QByteArray mainFile = "; mine\r\n[Display]\r\niShadowMode=3\r\n";
const QByteArray savedMain = "; mine\r\n[Display]\r\niShadowMode=1\r\n";
const QStringList savedPair = {"Vantor.ini", "Vantor.ini.bak", "VantorPrefs.ini"};

// About 1.4 MB, so that a write in place takes many pieces.
QByteArray largeMain(int shadowMode)
{
    QByteArray notes;
    for (int line = 0; line < 40000; ++line)
        notes += "; note " + QByteArray::number(line) + " the player keeps\r\n";
    return "[Display]\r\niShadowMode=" + QByteArray::number(shadowMode) + "\r\n" + notes;
}

// The new value is one digit longer: a write cut short leaves new bytes before old ones shifted by one.
const QByteArray before = largeMain(3), after = largeMain(10);

// Every extended attribute, name and value.
QMap<QByteArray, QByteArray> attributesOf(const QString &path)
{
    const QByteArray local = QFile::encodeName(path);
    QByteArray names(4096, '\0');
    names.resize(qMax<ssize_t>(0, ::listxattr(local.constData(), names.data(), size_t(names.size()))));
    QMap<QByteArray, QByteArray> attributes;
    for (const QByteArray &name : names.split('\0')) {
        QByteArray value(4096, '\0');
        value.resize(qMax<ssize_t>(0, ::getxattr(local.constData(), name.constData(), value.data(), size_t(value.size()))));
        if (!name.isEmpty())
            attributes.insert(name, value);
    }
    return attributes;
}

} // namespace

class TestSavedFile : public QObject
{
    Q_OBJECT
    std::unique_ptr<ScratchHome> home;

    QList<SaveFailure> saveShadowMode(int mode = 1, qint64 faultAt = -1, int error = 0)
    {
        IniStore store(home->iniFolder());
        store.writeInt(QStringLiteral("Display"), QStringLiteral("iShadowMode"), mode);
        DiskFiles::injectInPlaceFault(faultAt, error);
        return store.save();
    }

private slots:
    void initTestCase() { DiskFiles::setExchangeAllowed(!plainRename()); }
    void init()
    {
        home = std::make_unique<ScratchHome>("[Display]\nsD3DDevice=\"GPU\"\n", mainFile);
    }
    void cleanup() { home.reset(); }

    void ownerModeAclAndAttributesStay()
    {
        if (::geteuid() != 0)
            QSKIP("giving a file to another user needs root");
        const QByteArray path = QFile::encodeName(home->mainPath());
        // An access ACL in the kernel's form: version 2; owner rw, user 1234 r, group r, mask r, others none.
        const QByteArray acl("\2\0\0\0" "\1\0\6\0\xff\xff\xff\xff" "\2\0\4\0\xd2\4\0\0" "\4\0\4\0\xff\xff\xff\xff"
                             "\x10\0\4\0\xff\xff\xff\xff" "\x20\0\0\0\xff\xff\xff\xff", 44);
        QVERIFY(::chown(path.constData(), 65534, 65534) == 0 && ::chmod(path.constData(), 0640) == 0);
        if (::setxattr(path.constData(), "system.posix_acl_access", acl.constData(), size_t(acl.size()), 0) != 0
            || ::setxattr(path.constData(), "user.vantor.origin", "game", 4, 0) != 0)
            QSKIP("this file system keeps no ACLs or user attributes");
        const QMap<QByteArray, QByteArray> attributes = attributesOf(home->mainPath());
        QCOMPARE(attributes.value("system.posix_acl_access"), acl);

        QVERIFY(saveShadowMode().isEmpty());
        QCOMPARE(home->main(), savedMain);
        for (const QString &file : {home->mainPath(), home->mainPath() + ".bak"}) {
            const QFileInfo info(file);
            QVERIFY(info.ownerId() == 65534 && info.groupId() == 65534);
            QCOMPARE(info.permissions() & 0x7077, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
            QCOMPARE(attributesOf(file), attributes);
        }
    }

    // A new file takes on its folder's default ACL; the saved file and its backup keep the old file's: here none.
    void folderDefaultAclStaysOff()
    {
        // Version 2; owner rwx, user 1234 rw, group r-x, mask rwx, others r-x.
        const QByteArray acl("\2\0\0\0" "\1\0\7\0\xff\xff\xff\xff" "\2\0\6\0\xd2\4\0\0" "\4\0\5\0\xff\xff\xff\xff"
                             "\x10\0\7\0\xff\xff\xff\xff" "\x20\0\5\0\xff\xff\xff\xff", 44);
        if (::setxattr(QFile::encodeName(home->iniFolder()).constData(), "system.posix_acl_default", acl.constData(), 44, 0))
            QSKIP("this file system keeps no ACLs");
        const QFile::Permissions mode = QFileInfo(home->mainPath()).permissions();
        QVERIFY(saveShadowMode().isEmpty());
        for (const QString &file : {home->mainPath(), home->mainPath() + ".bak"})
            QVERIFY2(attributesOf(file).isEmpty() && QFileInfo(file).permissions() == mode, qPrintable(file));
    }

    void symbolicLinkKeepsItsTarget()
    {
        const QString target = home->home() + "/elsewhere/Vantor.ini";
        writeBytes(target, mainFile);
        QVERIFY(QFile::remove(home->mainPath()) && QFile::link(target, home->mainPath()));
        QVERIFY(saveShadowMode().isEmpty());
        QCOMPARE(QFileInfo(home->mainPath()).symLinkTarget(), target);
        QCOMPARE(readBytes(target), savedMain);
        QCOMPARE(readBytes(target + ".bak"), mainFile); // beside the file the link points to
    }

    void backupHoldsTheFileAsTheSessionFoundIt()
    {
        const QString backup = home->mainPath() + ".bak";
        writeBytes(backup, "an older session's backup");
        QVERIFY(QFile::setPermissions(home->mainPath(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
        IniStore store(home->iniFolder());
        QVERIFY(store.save().isEmpty()); // nothing changes: nothing is written, the old backup stays
        QCOMPARE(readBytes(backup), QByteArray("an older session's backup"));
        for (int mode : {1, 2}) {
            store.writeInt(QStringLiteral("Display"), QStringLiteral("iShadowMode"), mode);
            QVERIFY(store.save().isEmpty());
            QCOMPARE(readBytes(backup), mainFile); // the first save's, never the second's
        }
        QCOMPARE(entriesOf(home->iniFolder()), savedPair);
        QVERIFY(saveShadowMode(3).isEmpty()); // a new session backs up what it finds
        QCOMPARE(readBytes(backup), QByteArray(mainFile).replace("iShadowMode=3", "iShadowMode=2"));
        QCOMPARE(QFileInfo(home->mainPath()).permissions() & 0x7077,
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther);
    }

    void failedBackupWritesNothing()
    {
        writeBytes(home->mainPath() + ".bak/in the way", "x"); // a folder that cannot be replaced
        const QList<SaveFailure> failures = saveShadowMode();
        QCOMPARE(failures.size(), 1);
        QCOMPARE(failures[0].kind, SaveFailure::Kind::BackupFailed);
        QVERIFY(!failures[0].systemText.isEmpty());
        QCOMPARE(home->main(), mainFile);
        QCOMPARE(entriesOf(home->iniFolder()), savedPair);
    }
    // Killed at any byte (error 0), the next start finds the file wholly old or new; failing with an error, the
    // save puts the old content back and says why, and the change waits for the next save.
    void cutShortWriteLeavesOneWholeContent_data()
    {
        QTest::addColumn<qint64>("at");
        QTest::addColumn<int>("error");
        for (qint64 at : {qint64(0), qint64(20), qint64(26), qint64(4096), qint64(700000), qint64(after.size()) - 1}) {
            QTest::addRow("killed at %lld", at) << at << 0;
            QTest::addRow("%s at %lld", at % 2 ? "i/o error" : "disk full", at) << at << (at % 2 ? EIO : ENOSPC);
        }
    }

    void cutShortWriteLeavesOneWholeContent()
    {
        QFETCH(qint64, at);
        QFETCH(int, error);
        home->writeMain(before);
        const QString other = home->home() + "/linked.ini";
        QVERIFY(::link(QFile::encodeName(home->mainPath()).constData(), QFile::encodeName(other).constData()) == 0);
        if (error == 0) {
            QCOMPARE(runInChild([&] { return saveShadowMode(10, at, error).size(); }), 128 + SIGKILL);
            QVERIFY(QFileInfo::exists(home->mainPath() + ".journal"));
            QVERIFY(IniStore(home->iniFolder()).isOpen());
            // Up to the first byte that differs, the file is still wholly old and stays so.
            const qsizetype differs = std::mismatch(before.begin(), before.end(), after.begin()).first - before.begin();
            QCOMPARE(home->main(), at > differs ? after : before);
        } else {
            const QList<SaveFailure> failures = saveShadowMode(10, at, error);
            QCOMPARE(failures.size(), 1);
            QCOMPARE(failures[0].kind, SaveFailure::Kind::WriteFailed);
            QCOMPARE(failures[0].systemText, DiskFiles::errorText(error));
            QCOMPARE(home->main(), before);
        }
        QCOMPARE(readBytes(other), home->main());
        QCOMPARE(entriesOf(home->iniFolder()), savedPair);
    }

    void leftoversGoWhenOldAndClosed()
    {
        const QStringList ours = {".Vantor.ini.k3j2a1", ".Vantor.ini.bak.zz9", ".Vantor.ini.journal.new.q1",
                                  ".VantorPrefs.ini.abc"};
        const QStringList kept = {".Vantor.ini.2_", ".Vantor.ini.held1", ".Vantor.ini.my notes", ".Vantor.ini.young1"};
        for (const QString &name : ours + kept) {
            writeBytes(home->iniFolder() + name, "x");
            const utimbuf tenMinutesAgo{::time(nullptr) - 600, ::time(nullptr) - 600};
            QVERIFY(name.contains("young") || ::utime(QFile::encodeName(home->iniFolder() + name), &tenMinutesAgo) == 0);
        }
        QFile held(home->iniFolder() + kept[1]);
        QVERIFY(held.open(QIODevice::ReadOnly));
        QVERIFY(saveShadowMode().isEmpty());
        QCOMPARE(entriesOf(home->iniFolder()), kept + savedPair);
    }

    void leaseAtStartIsWaitedFor()
    {
        std::signal(SIGIO, SIG_IGN); // the note that the lease is to be broken
        const int fd = ::open(QFile::encodeName(home->prefsPath()).constData(), O_RDONLY | O_CLOEXEC);
        if (::fcntl(fd, F_SETLEASE, F_WRLCK) != 0)
            QSKIP("no leases here");
        std::thread holder([fd] { std::this_thread::sleep_for(100ms); ::fcntl(fd, F_SETLEASE, F_UNLCK); });
        const bool opened = IniStore(home->iniFolder()).isOpen();
        holder.join();
        ::close(fd);
        QVERIFY(opened);
    }
};

QTEST_GUILESS_MAIN(TestSavedFile)
#include "tst_savedfile.moc"
