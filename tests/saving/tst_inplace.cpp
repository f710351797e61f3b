// A file written in place (it has a second name) is never left half new: a
// write killed at any byte is finished by the next start, and one that fails
// puts the old content back before it says so. What a killed save leaves
// beside the files goes with a later save; a lease another program holds on a
// file at start is waited for.

#include "diskfile.h"
#include "inistore.h"
#include "testsupport.h"

#include <QDir>
#include <QTest>

#include <csignal>
#include <thread>

#include <fcntl.h>
#include <unistd.h>
#include <utime.h>

using namespace TestSupport;

namespace {

// About 1.4 MB, so that a write in place takes many pieces.
QByteArray largeMain(int shadowMode)
{
    QByteArray notes;
    for (int line = 0; line < 40000; ++line)
        notes += "; note " + QByteArray::number(line) + " the player keeps\r\n";
    return "[Display]\r\niShadowMode=" + QByteArray::number(shadowMode) + "\r\n" + notes;
}

const QByteArray before = largeMain(3), after = largeMain(1);
const QStringList savedEntries = {"Vantor.ini", "Vantor.ini.bak", "VantorPrefs.ini"};

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden);
}

} // namespace

class TestInPlace : public QObject
{
    Q_OBJECT
    std::unique_ptr<ScratchHome> home;

    QList<SaveFailure> saveShadowMode(qint64 faultAt = -1, int error = 0)
    {
        IniStore store(home->iniFolder());
        store.writeInt(QStringLiteral("Display"), QStringLiteral("iShadowMode"), 1);
        DiskFiles::injectInPlaceFault(faultAt, error);
        return store.save();
    }

private slots:
    void init()
    {
        home = std::make_unique<ScratchHome>();
        home->writePrefs("[Display]\nsD3DDevice=\"GPU\"\n");
        home->writeMain(before);
        const QString other = home->home() + "/linked.ini";
        QVERIFY(::link(QFile::encodeName(home->mainPath()).constData(), QFile::encodeName(other).constData()) == 0);
    }
    void cleanup() { home.reset(); }

    void killedWriteIsFinishedByTheNextStart_data()
    {
        QTest::addColumn<qint64>("killedAt");
        for (qint64 at : {qint64(0), qint64(20), qint64(26), qint64(4096), qint64(700000), qint64(after.size()) - 1})
            QTest::addRow("%lld", at) << at;
    }

    void killedWriteIsFinishedByTheNextStart()
    {
        QFETCH(qint64, killedAt);
        QCOMPARE(runInChild([&] { return saveShadowMode(killedAt).size(); }).status, 128 + SIGKILL);
        QVERIFY(QFileInfo::exists(home->mainPath() + ".journal"));
        QVERIFY(IniStore(home->iniFolder()).isOpen());
        // Up to the first byte that differs, the file is still wholly old and stays so.
        qsizetype differs = 0;
        while (before[differs] == after[differs])
            ++differs;
        QCOMPARE(home->main(), killedAt > differs ? after : before);
        QCOMPARE(readBytes(home->home() + "/linked.ini"), home->main());
        QCOMPARE(entries(home->iniFolder()), savedEntries);
    }

    void failedWriteLeavesTheOldContent_data()
    {
        QTest::addColumn<qint64>("failsAt");
        QTest::addColumn<int>("error");
        QTest::newRow("disk full at the start") << qint64(0) << ENOSPC;
        QTest::newRow("disk full midway") << qint64(500000) << ENOSPC;
        QTest::newRow("i/o error at the last byte") << qint64(after.size() - 1) << EIO;
    }

    void failedWriteLeavesTheOldContent()
    {
        QFETCH(qint64, failsAt);
        QFETCH(int, error);
        const QList<SaveFailure> failures = saveShadowMode(failsAt, error);
        QCOMPARE(failures.size(), 1);
        QCOMPARE(failures[0].kind, SaveFailure::Kind::WriteFailed);
        QCOMPARE(failures[0].systemText, DiskFiles::errorText(error));
        QCOMPARE(home->main(), before);
        QCOMPARE(entries(home->iniFolder()), savedEntries);
        QVERIFY(saveShadowMode().isEmpty());
        QCOMPARE(home->main(), after);
    }

    void leftoversGoWhenOldAndClosed()
    {
        const QStringList old = {".Vantor.ini.k3j2a1", ".Vantor.ini.bak.zz9", ".Vantor.ini.journal.new.q1",
                                 ".VantorPrefs.ini.abc", ".Vantor.ini.held1", "Vantor.ini.2", ".Vantor.ini.my notes"};
        for (const QString &name : old + QStringList{".Vantor.ini.young1"}) {
            writeBytes(home->iniFolder() + name, "x");
            const utimbuf tenMinutesAgo{::time(nullptr) - 600, ::time(nullptr) - 600};
            QVERIFY(name.contains("young") || ::utime(QFile::encodeName(home->iniFolder() + name), &tenMinutesAgo) == 0);
        }
        QFile held(home->iniFolder() + ".Vantor.ini.held1");
        QVERIFY(held.open(QIODevice::ReadOnly));
        QVERIFY(saveShadowMode().isEmpty());
        QCOMPARE(entries(home->iniFolder()), QStringList({".Vantor.ini.held1", ".Vantor.ini.my notes", ".Vantor.ini.young1",
                                                          "Vantor.ini", "Vantor.ini.2", "Vantor.ini.bak", "VantorPrefs.ini"}));
    }

    void leaseAtStartIsWaitedFor()
    {
        std::signal(SIGIO, SIG_IGN); // the note that the lease is to be broken
        const int fd = ::open(QFile::encodeName(home->prefsPath()).constData(), O_RDONLY | O_CLOEXEC);
        if (::fcntl(fd, F_SETLEASE, F_WRLCK) != 0)
            QSKIP("no leases here");
        std::thread holder([fd] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            ::fcntl(fd, F_SETLEASE, F_UNLCK);
        });
        const IniStore store(home->iniFolder());
        holder.join();
        ::close(fd);
        QVERIFY(store.isOpen());
    }
};

QTEST_GUILESS_MAIN(TestInPlace)
#include "tst_inplace.moc"
