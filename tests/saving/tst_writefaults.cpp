// What stands in the way of a save, for a small and a large file: the file
// on disk stays whole, no temporary file stays behind, the reason is the
// system's, and a later save keeps every line.

#include "diskfile.h"
#include "inistore.h"
#include "testsupport.h"

#include <QDir>
#include <QTest>

#include <csignal>
#include <cstdio>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace TestSupport;

namespace {

enum class Fault {
    SizeLimitZero,
    SizeLimitOneKiB,
    SizeLimitOneByteShort,
    SizeLimitFatal, // the process ends in the write that crosses the limit
    FullDisk,
    ReadOnlyFolder,
    ReplacedByFolder,
    ReplacedByDanglingLink,
};

const QByteArray prefsFile = "[Display]\nsD3DDevice=\"Radeon\"\niPresentInterval=1\n";

QByteArray mainFile(bool large)
{
    QByteArray notes;
    for (int line = 0; line < (large ? 1600 : 40); ++line)
        notes += "; note " + QByteArray::number(line) + " the player keeps in the file\r\n";
    return "; Vantor.ini\r\n[General]\r\nsLocalSavePath=Saves\\\r\n" + notes
        + "[Display]\r\niShadowMode=3 ; 1 = hard, 3 = soft\r\nbDeferredShadows=1\r\n[Water]\r\nbUseWaterShader=1\r\n";
}

QByteArray changed(const QByteArray &main)
{
    return QByteArray(main).replace("iShadowMode=3", "iShadowMode=1");
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

// The pair in a folder of its own; for a full disk, on a small file system
// mounted for the test, with room for the pair and nothing more.
class Scene
{
public:
    explicit Scene(const QByteArray &main, bool ownFileSystem)
    {
        root = dir.path() + QStringLiteral("/disk");
        QDir().mkpath(root);
        if (ownFileSystem) {
            const QByteArray options = "size=" + QByteArray::number(3 * main.size() / 1024 + 64) + "k";
            mounted = ::mount("tmpfs", QFile::encodeName(root).constData(), "tmpfs", 0, options.constData()) == 0;
        }
        folder = root + QStringLiteral("/ini/");
        writeBytes(folder + QStringLiteral("VantorPrefs.ini"), prefsFile);
        writeBytes(mainPath(), main);
    }
    ~Scene()
    {
        if (mounted)
            ::umount2(QFile::encodeName(root).constData(), MNT_DETACH);
    }

    QString mainPath() const { return folder + QStringLiteral("Vantor.ini"); }

    // Fills the file system up to its last byte.
    void fill()
    {
        const int fd = ::open(QFile::encodeName(root + QStringLiteral("/filler")).constData(),
                              O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        const QByteArray block(4096, 'x');
        for (qsizetype size = block.size(); size > 0; size /= 2) {
            while (::write(fd, block.constData(), size_t(size)) == size) {
            }
        }
        ::close(fd);
    }
    void empty() { QFile::remove(root + QStringLiteral("/filler")); }

    QTemporaryDir dir;
    QString root;
    QString folder;
    bool mounted = false;
};

QString describe(const QList<SaveFailure> &failures)
{
    QStringList lines;
    for (const SaveFailure &failure : failures)
        lines.append(QStringLiteral("%1 kind %2: %3").arg(failure.path).arg(int(failure.kind)).arg(failure.systemText));
    return lines.join(u'\n');
}

} // namespace

class TestWriteFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { DiskFiles::setExchangeAllowed(!plainRename()); }
    void faultLeavesTheFileWhole_data();
    void faultLeavesTheFileWhole();
};

void TestWriteFaults::faultLeavesTheFileWhole_data()
{
    QTest::addColumn<int>("fault");
    QTest::addColumn<bool>("large");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("reason");
    const int writeFailed = int(SaveFailure::Kind::WriteFailed);
    for (bool large : {false, true}) {
        const char *size = large ? "large" : "small";
        QTest::addRow("%s: size limit 0", size) << int(Fault::SizeLimitZero) << large << writeFailed << "File too large";
        QTest::addRow("%s: size limit 1 KiB", size) << int(Fault::SizeLimitOneKiB) << large << writeFailed << "File too large";
        QTest::addRow("%s: size limit one byte short", size)
            << int(Fault::SizeLimitOneByteShort) << large << writeFailed << "File too large";
        QTest::addRow("%s: size limit that ends the process", size) << int(Fault::SizeLimitFatal) << large << -1 << "";
        QTest::addRow("%s: full disk", size) << int(Fault::FullDisk) << large << writeFailed << "No space left on device";
        QTest::addRow("%s: read-only folder", size)
            << int(Fault::ReadOnlyFolder) << large << int(SaveFailure::Kind::FolderNotWritable) << "Permission denied";
        QTest::addRow("%s: replaced by a folder", size)
            << int(Fault::ReplacedByFolder) << large << int(SaveFailure::Kind::NotAFile) << "";
        QTest::addRow("%s: replaced by a dangling link", size)
            << int(Fault::ReplacedByDanglingLink) << large << int(SaveFailure::Kind::DanglingLink) << "";
    }
}

void TestWriteFaults::faultLeavesTheFileWhole()
{
    QFETCH(int, fault);
    QFETCH(bool, large);
    QFETCH(int, kind);
    QFETCH(QString, reason);
    const QByteArray original = mainFile(large);
    Scene scene(original, Fault(fault) == Fault::FullDisk);
    if (Fault(fault) == Fault::FullDisk && !scene.mounted)
        QSKIP("cannot mount a small file system here");
    const QString mainPath = scene.mainPath();
    const QStringList before = entries(scene.folder);
    IniStore store(scene.folder);
    QVERIFY(store.writeInt(QStringLiteral("Display"), QStringLiteral("iShadowMode"), 1));

    // Whether the save in this process or in a child reported just the expected failure.
    const auto reported = [&](const QList<SaveFailure> &failures) {
        const bool expected = failures.size() == 1 && failures[0].path == mainPath && int(failures[0].kind) == kind
            && failures[0].systemText == reason;
        if (!expected)
            std::fprintf(stderr, "reported: %s\n", qPrintable(describe(failures)));
        return expected;
    };
    const QString elsewhere = scene.dir.path() + QStringLiteral("/elsewhere/Vantor.ini");
    switch (Fault(fault)) {
    case Fault::SizeLimitZero:
    case Fault::SizeLimitOneKiB:
    case Fault::SizeLimitOneByteShort:
    case Fault::SizeLimitFatal: {
        const rlim_t limit = Fault(fault) == Fault::SizeLimitZero ? 0
            : Fault(fault) == Fault::SizeLimitOneKiB              ? 1024
                                                                  : rlim_t(original.size() - 1);
        const bool fatal = Fault(fault) == Fault::SizeLimitFatal;
        const int status = runInChild([&] {
            const rlimit size{limit, limit};
            const rlimit noCore{0, 0};
            if (setrlimit(RLIMIT_FSIZE, &size) != 0 || setrlimit(RLIMIT_CORE, &noCore) != 0)
                return 2;
            std::signal(SIGXFSZ, fatal ? SIG_DFL : SIG_IGN);
            return reported(store.save()) ? 0 : 1;
        }).status;
        QCOMPARE(status, fatal ? 128 + SIGXFSZ : 0);
        break;
    }
    case Fault::FullDisk:
        scene.fill();
        QVERIFY(reported(store.save()));
        scene.empty();
        break;
    case Fault::ReadOnlyFolder:
        giveToUnprivilegedUser(scene.dir.path());
        QVERIFY(QFile::setPermissions(scene.folder, QFile::Permissions(0x5555)));
        QCOMPARE(runInChild([&] { return dropPrivileges() && reported(store.save()) ? 0 : 1; }).status, 0);
        QVERIFY(QFile::setPermissions(scene.folder, QFile::Permissions(0x7755)));
        break;
    case Fault::ReplacedByFolder:
        QVERIFY(QFile::remove(mainPath) && QDir().mkpath(mainPath));
        QVERIFY(reported(store.save()));
        QVERIFY(QFileInfo(mainPath).isDir() && QDir(mainPath).isEmpty());
        QVERIFY(QDir().rmdir(mainPath));
        writeBytes(mainPath, original);
        break;
    case Fault::ReplacedByDanglingLink:
        QVERIFY(QFile::remove(mainPath) && QFile::link(elsewhere, mainPath));
        QVERIFY(reported(store.save()));
        QVERIFY(!QFileInfo::exists(elsewhere) && !QFileInfo::exists(QFileInfo(elsewhere).path()));
        QCOMPARE(QFileInfo(mainPath).symLinkTarget(), elsewhere);
        QVERIFY(QFile::remove(mainPath));
        writeBytes(mainPath, original);
        break;
    }

    QCOMPARE(readBytes(mainPath), original);
    QCOMPARE(readBytes(scene.folder + QStringLiteral("VantorPrefs.ini")), prefsFile);
    if (Fault(fault) == Fault::SizeLimitFatal) {
        // Killed halfway, the process leaves its temporary file; it never takes a name ending in ".ini".
        for (const QString &entry : entries(scene.folder))
            QVERIFY2(before.contains(entry) || !entry.endsWith(QLatin1String(".ini")), qPrintable(entry));
    } else {
        QCOMPARE(entries(scene.folder), before);
    }

    // Once the way is clear the same store saves, with every line of the file.
    const QList<SaveFailure> failures = store.save();
    QVERIFY2(failures.isEmpty(), qPrintable(describe(failures)));
    QCOMPARE(readBytes(mainPath), changed(original));
    QCOMPARE(readBytes(mainPath + QStringLiteral(".bak")), original);
}

QTEST_GUILESS_MAIN(TestWriteFaults)
#include "tst_writefaults.moc"
