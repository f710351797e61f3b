// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The game changes the files between the store's load and its save: the save lays the player's writes onto the
// files as they are then, and decides there which file each key goes to.

#include "diskfile.h"
#include "inistore.h"
#include "testsupport.h"

#include <QTest>

#include <chrono>
#include <thread>


using namespace TestSupport;

namespace {

const QByteArray deleted = "(deleted)";
const QByteArray prefsFile =
    "[Display]\nsD3DDevice=\"GPU\"\nbFull Screen=1\n[Water]\nbUseWaterShader=1\nbUseWaterLOD=1\n";
const QByteArray mainFile = "[General]\nsLanguage=EN\n[Display]\niShadowMode=3\n";

// Writes, or deletes for `deleted`; reads, or gives `deleted` for a missing file.
void put(const QString &path, const QByteArray &bytes) { bytes == deleted ? void(QFile::remove(path)) : writeBytes(path, bytes); }
QByteArray get(const QString &path) { return QFileInfo::exists(path) ? readBytes(path) : deleted; }

} // namespace

class TestMergeTable : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { DiskFiles::setExchangeAllowed(!plainRename()); }

    void writesLandOnTheFilesAsTheyAreAtSave_data()
    {
        QTest::addColumn<QByteArray>("prefsMeanwhile");
        QTest::addColumn<QByteArray>("mainMeanwhile");
        QTest::addColumn<QStringList>("writes"); // section, key, text, ...
        QTest::addColumn<QByteArray>("prefsSaved");
        QTest::addColumn<QByteArray>("mainSaved");
        const QStringList fullScreenOff = {"Display", "bFull Screen", "0"}, hardShadows = {"Display", "iShadowMode", "1"};
        const QByteArray prefsWithout = QByteArray(prefsFile).replace("bFull Screen=1\n", "");
        const QByteArray prefsOff = QByteArray(prefsFile).replace("Screen=1", "Screen=0");
        const auto row = [](const char *name, const QByteArray &prefs, const QByteArray &main, const QStringList &writes,
                            const QByteArray &prefsSaved, const QByteArray &mainSaved) {
            QTest::newRow(name) << prefs << main << writes << prefsSaved << mainSaved;
        };
        row("key moved to the main file", prefsWithout, mainFile + "bFull Screen=1\n", fullScreenOff, prefsWithout,
            mainFile + "bFull Screen=0\n");
        const auto prefsWithFxaa = [](const char *value) {
            return QByteArray(prefsFile).replace("Screen=1\n", "Screen=1\nbFXAAEnabled=" + QByteArray(value) + '\n');
        };
        row("key created in the preferences file", prefsWithFxaa("0"), mainFile, {"Display", "bFXAAEnabled", "1"},
            prefsWithFxaa("1"), mainFile);
        row("key created in the main file", prefsFile, mainFile + "bFull Screen=1\n", fullScreenOff, prefsFile,
            mainFile + "bFull Screen=0\n");
        const QByteArray prefsWithoutWater = prefsFile.left(prefsFile.indexOf("[Water]"));
        row("section deleted", prefsWithoutWater, mainFile, {"Water", "bUseWaterLOD", "0"}, prefsWithoutWater,
            mainFile + "[Water]\nbUseWaterLOD=0\n");
        row("file deleted: made again with the player's key only", prefsFile, deleted, hardShadows + fullScreenOff,
            prefsOff, "[Display]\niShadowMode=1\n");
        row("file deleted: nothing of the player's goes there", prefsFile, deleted, fullScreenOff, prefsOff, deleted);
        row("file cut inside a line by a writer that stopped: taken as it stands", prefsFile, mainFile.left(38), hardShadows, prefsFile,
            "[General]\nsLanguage=EN\n[Display]\niShadowMode=1\niShad\n");
        row("duplicate added", prefsFile, mainFile + "[Display]\niShadowMode=2\n", hardShadows, prefsFile,
            "[General]\nsLanguage=EN\n[Display]\niShadowMode=1\n[Display]\niShadowMode=2\n");
        const QByteArray game = "; the game's\r\n[General]\r\nsLanguage=DE\r\n[Display]\r\niShadowMode=3\r\n";
        row("other lines changed", prefsFile, game, hardShadows, prefsFile, QByteArray(game).replace("=3", "=1"));
        // A file a write goes to leaves the device name in one pair of quotes and loses its empty lines;
        // any other keeps every byte, and a name it lacks is never added.
        const QByteArray bare = "[Display]\nsD3DDevice=GTX 970\nbFull Screen=1\n\n[Water]\nbUseWaterLOD=1\n";
        row("device name bare", bare, mainFile, fullScreenOff,
            QByteArray(bare).replace("=GTX 970", "=\"GTX 970\"").replace("=1\n\n", "=0\n"), mainFile);
        row("device name with a stray quote", "[Display]\nsD3DDevice=\"Radeon RX ; mine\nbFull Screen=1\n", mainFile,
            fullScreenOff, "[Display]\nsD3DDevice=\"Radeon RX ; mine\"\nbFull Screen=0\n", mainFile);
        row("device name missing: not added", "[Water]\nbUseWaterLOD=1\n", "[Display]\nsD3DDevice=Main Card\n",
            {"Water", "bUseWaterLOD", "0"}, "[Water]\nbUseWaterLOD=0\n", "[Display]\nsD3DDevice=Main Card\n");
        row("no write to a file: not a byte of it changes", bare, mainFile + "\n", hardShadows, bare,
            QByteArray(mainFile).replace("=3", "=1"));
    }

    void writesLandOnTheFilesAsTheyAreAtSave()
    {
        QFETCH(QByteArray, prefsMeanwhile);
        QFETCH(QByteArray, mainMeanwhile);
        QFETCH(QStringList, writes);
        ScratchHome home(prefsFile, mainFile);
        IniStore store(home.iniFolder());
        for (qsizetype i = 0; i + 2 < writes.size(); i += 3)
            QVERIFY(store.writeValue(writes[i], writes[i + 1], writes[i + 2]));
        put(home.prefsPath(), prefsMeanwhile);
        put(home.mainPath(), mainMeanwhile);

        QCOMPARE(described(store.save()), QStringList());
        QTEST(get(home.prefsPath()), "prefsSaved");
        QTEST(get(home.mainPath()), "mainSaved");
        // What a save wrote, the next session's save leaves as it is.
        QVERIFY(IniStore(home.iniFolder()).save().isEmpty());
        QTEST(get(home.prefsPath()), "prefsSaved");
        QTEST(get(home.mainPath()), "mainSaved");
    }

    // A save that finds the file in the middle of another program's write waits for the write to end, then saves on
    // top of it; a write that does not end in time leaves the file to that program.
    void fileBeingWrittenIsWaitedFor()
    {
        for (const bool endsInTime : {true, false}) {
            ScratchHome home(prefsFile, mainFile);
            IniStore store(home.iniFolder());
            QVERIFY(store.writeInt(QStringLiteral("Display"), QStringLiteral("iShadowMode"), 1));
            const QByteArray game = "[General]\nsLanguage=FR\n[Display]\niShadowMode=3\nbDeferredShadows=1\n";
            QFile writing(home.mainPath());
            QVERIFY(writing.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)
                    && writing.write(game.left(30)) == 30);
            const auto finish = [&] {
                const bool written = writing.write(game.mid(30)) == game.size() - 30;
                writing.close();
                return written;
            };
            bool finished = false;
            std::thread writer([&] {
                if (endsInTime) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(60));
                    finished = finish();
                }
            });
            const QList<SaveFailure> failures = store.save();
            writer.join();
            if (!endsInTime) {
                QCOMPARE(failures.size(), 1);
                QCOMPARE(failures[0].kind, SaveFailure::Kind::HeldOpen); // open for writing, nothing written in the wait
                QCOMPARE(home.main(), game.left(30));
                QVERIFY(finish());
                QVERIFY(store.save().isEmpty());
            } else {
                QVERIFY(finished && failures.isEmpty());
            }
            QCOMPARE(home.main(), QByteArray(game).replace("iShadowMode=3", "iShadowMode=1"));
        }
    }
};

QTEST_GUILESS_MAIN(TestMergeTable)
#include "tst_mergetable.moc"
