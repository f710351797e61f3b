// The game changes the files between the store's load and its save: the save
// lays the player's writes onto the files as they are then, and decides there
// which file each key goes to.

#include "diskfile.h"
#include "inistore.h"
#include "testsupport.h"

#include <QTest>

#include <chrono>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

using namespace TestSupport;

namespace {

const QByteArray deleted = "(deleted)";
const QByteArray prefsFile = "[Display]\nsD3DDevice=\"GPU\"\nbFull Screen=1\n[Water]\nbUseWaterShader=1\nbUseWaterLOD=1\n";
const QByteArray mainFile = "[General]\nsLanguage=EN\n[Display]\niShadowMode=3\n";

struct Pair
{
    QString folder() const { return dir.path() + u'/'; }
    QString path(const QString &name) const { return folder() + name; }

    // Writes, or deletes for `deleted`.
    void put(const QString &name, const QByteArray &bytes) const
    {
        if (bytes == deleted)
            QFile::remove(path(name));
        else
            writeBytes(path(name), bytes);
    }
    QByteArray get(const QString &name) const
    {
        return QFileInfo::exists(path(name)) ? readBytes(path(name)) : deleted;
    }

    QTemporaryDir dir;
};

} // namespace

class TestMergeTable : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { DiskFiles::setExchangeAllowed(!plainRename()); }
    void writesLandOnTheFilesAsTheyAreAtSave_data();
    void writesLandOnTheFilesAsTheyAreAtSave();
    void fileBeingWrittenIsWaitedFor_data();
    void fileBeingWrittenIsWaitedFor();
};

void TestMergeTable::writesLandOnTheFilesAsTheyAreAtSave_data()
{
    QTest::addColumn<QByteArray>("prefsMeanwhile");
    QTest::addColumn<QByteArray>("mainMeanwhile");
    QTest::addColumn<QStringList>("writes"); // section, key, text
    QTest::addColumn<QByteArray>("prefsSaved");
    QTest::addColumn<QByteArray>("mainSaved");
    QTest::addColumn<QStringList>("refused"); // files left as they were, by name

    const QStringList fullScreenOff = {"Display", "bFull Screen", "0"};
    const QStringList hardShadows = {"Display", "iShadowMode", "1"};
    const QByteArray prefsWithoutFullScreen = QByteArray(prefsFile).replace("bFull Screen=1\n", "");
    QTest::newRow("key moved to the main file")
        << prefsWithoutFullScreen << mainFile + "bFull Screen=1\n" << fullScreenOff << prefsWithoutFullScreen
        << mainFile + "bFull Screen=0\n" << QStringList();
    QTest::newRow("key created in the preferences file")
        << QByteArray(prefsFile).replace("bFull Screen=1\n", "bFull Screen=1\nbFXAAEnabled=0\n") << mainFile
        << QStringList{"Display", "bFXAAEnabled", "1"}
        << QByteArray(prefsFile).replace("bFull Screen=1\n", "bFull Screen=1\nbFXAAEnabled=1\n") << mainFile
        << QStringList();
    QTest::newRow("key created in the main file")
        << prefsFile << mainFile + "bFull Screen=1\n" << fullScreenOff << prefsFile << mainFile + "bFull Screen=0\n"
        << QStringList();
    QTest::newRow("section deleted")
        << QByteArray("[Display]\nsD3DDevice=\"GPU\"\nbFull Screen=1\n") << mainFile
        << QStringList{"Water", "bUseWaterLOD", "0"} << QByteArray("[Display]\nsD3DDevice=\"GPU\"\nbFull Screen=1\n")
        << mainFile + "[Water]\nbUseWaterLOD=0\n" << QStringList();
    QTest::newRow("file deleted: made again with the player's key only")
        << prefsFile << deleted << hardShadows + fullScreenOff << QByteArray(prefsFile).replace("Screen=1", "Screen=0")
        << QByteArray("[Display]\niShadowMode=1\n") << QStringList();
    QTest::newRow("file deleted: nothing of the player's goes there")
        << prefsFile << deleted << fullScreenOff << QByteArray(prefsFile).replace("Screen=1", "Screen=0") << deleted
        << QStringList();
    QTest::newRow("file half-written")
        << prefsFile << QByteArray("[General]\nsLanguage=EN\n[Display]\niShad") << hardShadows << prefsFile
        << QByteArray("[General]\nsLanguage=EN\n[Display]\niShad") << QStringList{"Vantor.ini"};
    QTest::newRow("duplicate added")
        << prefsFile << mainFile + "[Display]\niShadowMode=2\n" << hardShadows << prefsFile
        << QByteArray("[General]\nsLanguage=EN\n[Display]\niShadowMode=1\n[Display]\niShadowMode=2\n") << QStringList();
    QTest::newRow("other lines changed")
        << prefsFile << QByteArray("; the game's\r\n[General]\r\nsLanguage=DE\r\n[Display]\r\niShadowMode=3\r\n")
        << hardShadows << prefsFile << QByteArray("; the game's\r\n[General]\r\nsLanguage=DE\r\n[Display]\r\niShadowMode=1\r\n")
        << QStringList();
}

void TestMergeTable::writesLandOnTheFilesAsTheyAreAtSave()
{
    QFETCH(QByteArray, prefsMeanwhile);
    QFETCH(QByteArray, mainMeanwhile);
    QFETCH(QStringList, writes);
    QFETCH(QStringList, refused);
    const QString prefs = QStringLiteral("VantorPrefs.ini");
    const QString main = QStringLiteral("Vantor.ini");
    Pair pair;
    pair.put(prefs, prefsFile);
    pair.put(main, mainFile);
    IniStore store(pair.folder());
    for (qsizetype i = 0; i + 2 < writes.size(); i += 3)
        QVERIFY(store.writeValue(writes[i], writes[i + 1], writes[i + 2]));
    pair.put(prefs, prefsMeanwhile);
    pair.put(main, mainMeanwhile);

    QStringList failed;
    for (const SaveFailure &failure : store.save())
        failed.append(QFileInfo(failure.path).fileName());
    QCOMPARE(failed, refused);
    QTEST(pair.get(prefs), "prefsSaved");
    QTEST(pair.get(main), "mainSaved");
}

// A save that finds the file in the middle of another program's write waits
// for the write to end, then saves on top of it; a write that does not end in
// time leaves the file to that program.
void TestMergeTable::fileBeingWrittenIsWaitedFor_data()
{
    QTest::addColumn<bool>("endsInTime");
    QTest::newRow("write ends after 60 ms") << true;
    QTest::newRow("write still going") << false;
}

void TestMergeTable::fileBeingWrittenIsWaitedFor()
{
    QFETCH(bool, endsInTime);
    Pair pair;
    const QString main = QStringLiteral("Vantor.ini");
    pair.put(QStringLiteral("VantorPrefs.ini"), prefsFile);
    pair.put(main, mainFile);
    IniStore store(pair.folder());
    QVERIFY(store.writeInt(QStringLiteral("Display"), QStringLiteral("iShadowMode"), 1));

    const QByteArray game = "[General]\nsLanguage=FR\n[Display]\niShadowMode=3\nbDeferredShadows=1\n";
    const QByteArray half = game.left(30);
    const int fd = ::open(QFile::encodeName(pair.path(main)).constData(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    QVERIFY(fd >= 0 && ::write(fd, half.constData(), size_t(half.size())) == half.size());
    const auto finish = [&] {
        const bool written = ::write(fd, game.constData() + half.size(), size_t(game.size() - half.size()))
            == game.size() - half.size();
        return ::close(fd) == 0 && written;
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
    const QByteArray saved = QByteArray(game).replace("iShadowMode=3", "iShadowMode=1");
    if (endsInTime) {
        QVERIFY(finished && failures.isEmpty());
        QCOMPARE(pair.get(main), saved);
    } else {
        QCOMPARE(failures.size(), 1);
        QCOMPARE(failures[0].kind, SaveFailure::Kind::KeepsChanging);
        QCOMPARE(pair.get(main), half);
        QVERIFY(finish());
        QVERIFY(store.save().isEmpty());
        QCOMPARE(pair.get(main), saved);
    }
}

QTEST_GUILESS_MAIN(TestMergeTable)
#include "tst_mergetable.moc"
