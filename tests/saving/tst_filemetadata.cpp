// A saved file stays the player's: owner, group, mode, ACL and extended
// attributes, every hard link and symbolic link; and the first save of a
// session keeps the file as it was beside it.

#include "diskfile.h"
#include "inistore.h"
#include "testsupport.h"

#include <QDir>
#include <QTest>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

using namespace TestSupport;

namespace {

const QByteArray prefsFile = "[Display]\nsD3DDevice=\"GPU\"\n";
const QByteArray mainFile = "; mine\r\n[Display]\r\niShadowMode=3\r\n";
const QByteArray savedMain = "; mine\r\n[Display]\r\niShadowMode=1\r\n";

struct Pair
{
    Pair()
    {
        writeBytes(folder() + QStringLiteral("VantorPrefs.ini"), prefsFile);
        writeBytes(mainPath(), mainFile);
    }
    QString folder() const { return dir.path() + QStringLiteral("/ini/"); }
    QString mainPath() const { return folder() + QStringLiteral("Vantor.ini"); }

    QTemporaryDir dir;
};

QList<SaveFailure> saveHardShadows(const QString &folder, int mode = 1)
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
        if (name.isEmpty())
            continue;
        QByteArray value(4096, '\0');
        value.resize(qMax<ssize_t>(0, ::getxattr(local.constData(), name.constData(), value.data(), size_t(value.size()))));
        attributes.insert(name, value);
    }
    return attributes;
}

// An access ACL with an entry for user 1234, in the kernel's form of the attribute.
QByteArray aclWithUserEntry()
{
    QByteArray acl;
    const auto add = [&acl](quint16 tag, quint16 permissions, quint32 id) {
        acl.append(reinterpret_cast<const char *>(&tag), 2);
        acl.append(reinterpret_cast<const char *>(&permissions), 2);
        acl.append(reinterpret_cast<const char *>(&id), 4);
    };
    const quint32 version = 2;
    acl.append(reinterpret_cast<const char *>(&version), 4);
    add(0x01, 6, ~0u);  // owner
    add(0x02, 4, 1234); // user 1234
    add(0x04, 4, ~0u);  // group
    add(0x10, 4, ~0u);  // mask
    add(0x20, 0, ~0u);  // others
    return acl;
}

} // namespace

class TestFileMetadata : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { DiskFiles::setExchangeAllowed(!plainRename()); }
    void ownerModeAclAndAttributesStay();
    void everyHardLinkSeesTheChange();
    void symbolicLinkKeepsItsTarget();
    void backupHoldsTheFileAsTheSessionFoundIt();
    void failedBackupWritesNothing();
};

void TestFileMetadata::ownerModeAclAndAttributesStay()
{
    if (::geteuid() != 0)
        QSKIP("giving a file to another user needs root");
    Pair pair;
    const QByteArray path = QFile::encodeName(pair.mainPath());
    const QByteArray acl = aclWithUserEntry();
    QVERIFY(::chown(path.constData(), 65534, 65534) == 0 && ::chmod(path.constData(), 0640) == 0);
    if (::setxattr(path.constData(), "system.posix_acl_access", acl.constData(), size_t(acl.size()), 0) != 0
        || ::setxattr(path.constData(), "user.vantor.origin", "game", 4, 0) != 0)
        QSKIP("this file system keeps no ACLs or user attributes");
    const QMap<QByteArray, QByteArray> attributes = attributesOf(pair.mainPath());
    QCOMPARE(attributes.value("system.posix_acl_access"), acl);

    QVERIFY(saveHardShadows(pair.folder()).isEmpty());
    QCOMPARE(readBytes(pair.mainPath()), savedMain);
    for (const QString &file : {pair.mainPath(), pair.mainPath() + QStringLiteral(".bak")}) {
        const struct stat info = statusOf(file);
        QCOMPARE(info.st_uid, uid_t(65534));
        QCOMPARE(info.st_gid, gid_t(65534));
        QCOMPARE(info.st_mode & 07777, mode_t(0640));
        QCOMPARE(attributesOf(file), attributes);
    }
}

void TestFileMetadata::everyHardLinkSeesTheChange()
{
    Pair pair;
    const QString otherName = pair.dir.path() + QStringLiteral("/Vantor-linked.ini");
    QVERIFY(::link(QFile::encodeName(pair.mainPath()).constData(), QFile::encodeName(otherName).constData()) == 0);
    QVERIFY(saveHardShadows(pair.folder()).isEmpty());
    QCOMPARE(readBytes(pair.mainPath()), savedMain);
    QCOMPARE(readBytes(otherName), savedMain);
    QCOMPARE(statusOf(otherName).st_ino, statusOf(pair.mainPath()).st_ino);
    QCOMPARE(readBytes(pair.mainPath() + QStringLiteral(".bak")), mainFile);
}

void TestFileMetadata::symbolicLinkKeepsItsTarget()
{
    Pair pair;
    const QString target = pair.dir.path() + QStringLiteral("/elsewhere/Vantor.ini");
    writeBytes(target, mainFile);
    QVERIFY(QFile::remove(pair.mainPath()) && QFile::link(target, pair.mainPath()));
    QVERIFY(saveHardShadows(pair.folder()).isEmpty());
    QCOMPARE(QFileInfo(pair.mainPath()).symLinkTarget(), target);
    QCOMPARE(readBytes(target), savedMain);
    // The backup goes beside the file the link points to.
    QCOMPARE(readBytes(target + QStringLiteral(".bak")), mainFile);
}

void TestFileMetadata::backupHoldsTheFileAsTheSessionFoundIt()
{
    Pair pair;
    const QString backup = pair.mainPath() + QStringLiteral(".bak");
    writeBytes(backup, "an older session's backup");
    IniStore store(pair.folder());
    QVERIFY(store.save().isEmpty()); // nothing changes: nothing is written, the old backup stays
    QCOMPARE(readBytes(backup), QByteArray("an older session's backup"));
    for (int mode : {1, 2}) {
        store.writeInt(QStringLiteral("Display"), QStringLiteral("iShadowMode"), mode);
        QVERIFY(store.save().isEmpty());
        QCOMPARE(readBytes(backup), mainFile); // the first save's, never the second's
    }
    QCOMPARE(QDir(pair.folder()).entryList(QDir::Files | QDir::Hidden),
             QStringList({"Vantor.ini", "Vantor.ini.bak", "VantorPrefs.ini"}));

    // A new session backs up what it finds.
    QVERIFY(saveHardShadows(pair.folder(), 3).isEmpty());
    QCOMPARE(readBytes(backup), QByteArray(mainFile).replace("iShadowMode=3", "iShadowMode=2"));
}

void TestFileMetadata::failedBackupWritesNothing()
{
    Pair pair;
    const QString backup = pair.mainPath() + QStringLiteral(".bak");
    writeBytes(backup + QStringLiteral("/in the way"), "x"); // a folder that cannot be replaced
    const QList<SaveFailure> failures = saveHardShadows(pair.folder());
    QCOMPARE(failures.size(), 1);
    QCOMPARE(failures[0].kind, SaveFailure::Kind::BackupFailed);
    QVERIFY(!failures[0].systemText.isEmpty());
    QCOMPARE(readBytes(pair.mainPath()), mainFile);
    QCOMPARE(QDir(pair.folder()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList({"Vantor.ini", "Vantor.ini.bak", "VantorPrefs.ini"}));
}

QTEST_GUILESS_MAIN(TestFileMetadata)
#include "tst_filemetadata.moc"
