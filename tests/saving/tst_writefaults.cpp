// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What stands in the way of a save, for a small and a large file: the file
// on disk stays whole, no temporary file stays behind, the reason is the
// system's, and a later save keeps every line.

#include "diskfile.h"
#include "inistore.h"
#include "testsupport.h"

#include <QtTest>

#include <csignal>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace TestSupport;

namespace {

const QByteArray prefsFile = "[Display]\nsD3DDevice=\"Radeon\"\niPresentInterval=1\n";

QByteArray mainFile(bool large)
{
    QByteArray notes;
    for (int line = 0; line < (large ? 1600 : 40); ++line)
        notes += "; note " + QByteArray::number(line) + " the player keeps in the file\r\n";
    return "; Vantor.ini\r\n[General]\r\nsLocalSavePath=Saves\\\r\n" + notes
        + "[Display]\r\niShadowMode=3 ; 1 = hard, 3 = soft\r\nbDeferredShadows=1\r\n[Water]\r\nbUseWaterShader=1\r\n";
}

} // namespace

class TestWriteFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { DiskFiles::setExchangeAllowed(!plainRename()); }

    void faultLeavesTheFileWhole_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<bool>("large");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("reason");
        using K = SaveFailure::Kind;
        for (bool large : {false, true}) {
            const auto row = [large](const char *fault, int kind, const char *reason) {
                QTest::addRow("%s: %s", large ? "large" : "small", fault)
                    << QString(fault) << large << kind << QString(reason);
            };
            row("size limit 0", int(K::WriteFailed), "File too large");
            row("size limit one byte short", int(K::WriteFailed), "File too large");
            row("full disk", int(K::WriteFailed), "No space left on device");
            row("read-only folder", int(K::FolderNotWritable), "Permission denied");
            row("replaced by a folder", int(K::NotAFile), "");
            row("replaced by a dangling link", int(K::DanglingLink), "");
        }
    }

    void faultLeavesTheFileWhole()
    {
        QFETCH(QString, fault);
        QFETCH(bool, large);
        QFETCH(int, kind);
        QFETCH(QString, reason);
        const QByteArray original = mainFile(large);
        // For a full disk, a small file system mounted for the test, with room for the pair and nothing more.
        QTemporaryDir dir;
        const QString root = dir.path() + "/disk";
        const QByteArray mountPoint = QFile::encodeName(root);
        const QByteArray size = "size=" + QByteArray::number(3 * original.size() / 1024 + 64) + "k";
        QDir().mkpath(root);
        if (fault == "full disk" && ::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, size.constData()) != 0)
            QSKIP("cannot mount a small file system here");
        const auto unmount = qScopeGuard([&] { ::umount2(mountPoint.constData(), MNT_DETACH); });
        const QString folder = root + "/ini/", mainPath = folder + "Vantor.ini";
        writeBytes(folder + "VantorPrefs.ini", prefsFile);
        writeBytes(mainPath, original);
        const QStringList before = entriesOf(folder);
        IniStore store(folder);
        QVERIFY(store.writeInt(QStringLiteral("Display"), QStringLiteral("iShadowMode"), 1));

        // Whether the save in this process or in a child reported just the expected failure.
        const auto reported = [&](const QList<SaveFailure> &failures) {
            const bool expected = failures.size() == 1 && failures[0].path == mainPath && int(failures[0].kind) == kind
                && failures[0].systemText == reason;
            if (!expected)
                qWarning() << described(failures);
            return expected;
        };
        const QString elsewhere = dir.path() + "/elsewhere/Vantor.ini";
        if (fault.startsWith("size limit")) {
            const rlim_t limit = fault.endsWith('0') ? 0 : rlim_t(original.size() - 1);
            QCOMPARE(runInChild([&] {
                const rlimit size{limit, limit}, noCore{0, 0};
                if (setrlimit(RLIMIT_FSIZE, &size) != 0 || setrlimit(RLIMIT_CORE, &noCore) != 0)
                    return 2;
                std::signal(SIGXFSZ, SIG_DFL); // the store keeps it from ending the process
                return reported(store.save()) ? 0 : 1;
            }), 0);
        } else if (fault == "full disk") {
            QFile filler(root + "/filler"); // up to the last byte
            QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
            while (filler.write(QByteArray(4096, 'x')) > 0 || filler.write("x", 1) == 1) {
            }
            filler.close();
            QVERIFY(reported(store.save()));
            QVERIFY(filler.remove());
        } else if (fault == "read-only folder") {
            QVERIFY(QFile::setPermissions(folder, QFile::Permissions(0x5555)));
            QCOMPARE(runAsNobody(dir.path(), [&] { return reported(store.save()) ? 0 : 1; }), 0);
            QVERIFY(QFile::setPermissions(folder, QFile::Permissions(0x7755)));
        } else {
            const bool toFolder = fault == "replaced by a folder";
            QVERIFY(QFile::remove(mainPath) && (toFolder ? QDir().mkpath(mainPath) : QFile::link(elsewhere, mainPath)));
            QVERIFY(reported(store.save()));
            if (toFolder) {
                QVERIFY(QDir(mainPath).isEmpty() && QDir().rmdir(mainPath));
            } else {
                QVERIFY(!QFileInfo::exists(QFileInfo(elsewhere).path()));
                QCOMPARE(QFileInfo(mainPath).symLinkTarget(), elsewhere);
                QVERIFY(QFile::remove(mainPath));
            }
            writeBytes(mainPath, original);
        }

        QCOMPARE(readBytes(mainPath), original);
        QCOMPARE(readBytes(folder + "VantorPrefs.ini"), prefsFile);
        QCOMPARE(entriesOf(folder), before);

        // Once the way is clear the same store saves, with every line of the file.
        QCOMPARE(described(store.save()), QStringList());
        QCOMPARE(readBytes(mainPath), QByteArray(original).replace("iShadowMode=3", "iShadowMode=1"));
        QCOMPARE(readBytes(mainPath + ".bak"), original);
    }
};

QTEST_GUILESS_MAIN(TestWriteFaults)
#include "tst_writefaults.moc"
