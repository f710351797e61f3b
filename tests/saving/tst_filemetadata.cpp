// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A saved file stays the player's: owner, group, mode, ACL and extended
// attributes, every hard link and symbolic link; and the first save of a
// session keeps the file as it was beside it.

#include "diskfile.h"
#include "inistore.h"
#include "testsupport.h"

#include <QtTest>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace TestSupport;

namespace {

const QByteArray mainFile = "; mine\r\n[Display]\r\niShadowMode=3\r\n";
const QByteArray savedMain = "; mine\r\n[Display]\r\niShadowMode=1\r\n";

QList<SaveFailure> saveShadowMode(const QString &folder, int mode = 1)
{
    IniStore store(folder);
    store.writeInt(QStringLiteral("Display"), QStringLiteral("iShadowMode"), mode);
    return store.save();
}

struct stat statusOf(const QString &path)
{
    struct stat info = {};
    ::lstat(QFile::encodeName(path).constData(), &info);
    return info;
}

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

class TestFileMetadata : public QObject
{
    Q_OBJECT
    std::unique_ptr<ScratchHome> home;

private slots:
    void initTestCase() { DiskFiles::setExchangeAllowed(!plainRename()); }
    void init()
    {
        home = std::make_unique<ScratchHome>();
        home->writePrefs("[Display]\nsD3DDevice=\"GPU\"\n");
        home->writeMain(mainFile);
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

        QVERIFY(saveShadowMode(home->iniFolder()).isEmpty());
        QCOMPARE(home->main(), savedMain);
        for (const QString &file : {home->mainPath(), home->mainPath() + ".bak"}) {
            const struct stat info = statusOf(file);
            QCOMPARE(info.st_uid, uid_t(65534));
            QCOMPARE(info.st_gid, gid_t(65534));
            QCOMPARE(info.st_mode & 07777, mode_t(0640));
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
        const mode_t mode = statusOf(home->mainPath()).st_mode;
        QVERIFY(saveShadowMode(home->iniFolder()).isEmpty());
        for (const QString &file : {home->mainPath(), home->mainPath() + ".bak"})
            QVERIFY2(attributesOf(file).isEmpty() && statusOf(file).st_mode == mode, qPrintable(file));
    }

    void symbolicLinkKeepsItsTarget()
    {
        const QString target = home->home() + "/elsewhere/Vantor.ini";
        writeBytes(target, mainFile);
        QVERIFY(QFile::remove(home->mainPath()) && QFile::link(target, home->mainPath()));
        QVERIFY(saveShadowMode(home->iniFolder()).isEmpty());
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
        QCOMPARE(entriesOf(home->iniFolder()), QStringList({"Vantor.ini", "Vantor.ini.bak", "VantorPrefs.ini"}));
        QVERIFY(saveShadowMode(home->iniFolder(), 3).isEmpty()); // a new session backs up what it finds
        QCOMPARE(readBytes(backup), QByteArray(mainFile).replace("iShadowMode=3", "iShadowMode=2"));
        QCOMPARE(statusOf(home->mainPath()).st_mode & 07777, mode_t(0604));
    }

    void failedBackupWritesNothing()
    {
        writeBytes(home->mainPath() + ".bak/in the way", "x"); // a folder that cannot be replaced
        const QList<SaveFailure> failures = saveShadowMode(home->iniFolder());
        QCOMPARE(failures.size(), 1);
        QCOMPARE(failures[0].kind, SaveFailure::Kind::BackupFailed);
        QVERIFY(!failures[0].systemText.isEmpty());
        QCOMPARE(home->main(), mainFile);
        QCOMPARE(entriesOf(home->iniFolder()), QStringList({"Vantor.ini", "Vantor.ini.bak", "VantorPrefs.ini"}));
    }
};

QTEST_GUILESS_MAIN(TestFileMetadata)
#include "tst_filemetadata.moc"
