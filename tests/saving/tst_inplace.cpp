// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A file written in place (it has a second name) is never left half new. What a killed save
// leaves beside the files goes with a later save; another program's lease at start is waited for.

#include "diskfile.h"
#include "inistore.h"
#include "testsupport.h"

#include <QtTest>

#include <algorithm>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <unistd.h>
#include <utime.h>

using namespace TestSupport;
using namespace std::chrono_literals;

namespace {

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
const QStringList savedEntries = {"Vantor.ini", "Vantor.ini.bak", "VantorPrefs.ini"};

} // namespace

class TestInPlace : public QObject
{
    Q_OBJECT
    std::unique_ptr<ScratchHome> home;

    QList<SaveFailure> saveShadowMode(qint64 faultAt = -1, int error = 0)
    {
        IniStore store(home->iniFolder());
        store.writeInt(QStringLiteral("Display"), QStringLiteral("iShadowMode"), 10);
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
        if (error == 0) {
            QCOMPARE(runInChild([&] { return saveShadowMode(at, error).size(); }), 128 + SIGKILL);
            QVERIFY(QFileInfo::exists(home->mainPath() + ".journal"));
            QVERIFY(IniStore(home->iniFolder()).isOpen());
            // Up to the first byte that differs, the file is still wholly old and stays so.
            const qsizetype differs = std::mismatch(before.begin(), before.end(), after.begin()).first - before.begin();
            QCOMPARE(home->main(), at > differs ? after : before);
        } else {
            const QList<SaveFailure> failures = saveShadowMode(at, error);
            QCOMPARE(failures.size(), 1);
            QCOMPARE(failures[0].kind, SaveFailure::Kind::WriteFailed);
            QCOMPARE(failures[0].systemText, DiskFiles::errorText(error));
            QCOMPARE(home->main(), before);
        }
        QCOMPARE(readBytes(home->home() + "/linked.ini"), home->main());
        QCOMPARE(entriesOf(home->iniFolder()), savedEntries);
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
        QCOMPARE(entriesOf(home->iniFolder()), kept + savedEntries);
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

QTEST_GUILESS_MAIN(TestInPlace)
#include "tst_inplace.moc"
