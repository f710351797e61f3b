#include "store/inistore.h"
#include "testregistry.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using TestSupport::readBytes;
using TestSupport::writeBytes;

namespace {

// A pair of INI files in a fresh folder, opened as a store.
struct Pair
{
    Pair(const QByteArray &prefs, const QByteArray &main)
    {
        writeBytes(prefsPath(), prefs);
        writeBytes(mainPath(), main);
    }
    QString folder() const { return dir.path() + u'/'; }
    QString prefsPath() const { return folder() + QStringLiteral("VantorPrefs.ini"); }
    QString mainPath() const { return folder() + QStringLiteral("Vantor.ini"); }
    QByteArray prefs() const { return readBytes(prefsPath()); }
    QByteArray main() const { return readBytes(mainPath()); }

    QTemporaryDir dir;
};

QString failureText(const QList<SaveFailure> &failures)
{
    QStringList lines;
    for (const SaveFailure &failure : failures)
        lines.append(failure.path + QStringLiteral(": ") + failure.reason);
    return lines.join(u'\n');
}

// Opens the store as the player would (unprivileged), writes one key and saves;
// prints what failed, and exits with the number of failures.
int saveAsPlayer(const QStringList &arguments)
{
    if (!TestSupport::dropPrivileges())
        return 100;
    IniStore store(arguments.value(0));
    if (!store.isOpen())
        return 101;
    store.beginSection(QStringLiteral("Display"));
    store.writeValue(QStringLiteral("iSize W"), QStringLiteral("1920"));
    store.endSection();
    const QList<SaveFailure> failures = store.save();
    std::fputs(qPrintable(failureText(failures)), stdout);
    return int(failures.size());
}

} // namespace

VANTOR_REGISTER_CHILD(saveAsPlayer, saveAsPlayer)

class TestIniStore : public QObject
{
    Q_OBJECT

private slots:
    void refusesToOpenWhatItCannotRead();
    void readsMainFirstAndWritesWhereTheKeyIs_data();
    void readsMainFirstAndWritesWhereTheKeyIs();
    void typedWritersSpellValuesForTheGame();
    void sectionsAndTopLevelAddressBothFiles();
    void saveKeepsUntouchedLinesAndDropsEmptyOnes();
    void deviceNameEndsInExactlyOnePairOfQuotes();
    void lineBreaksInValuesAreRefused();
    void readOnlyFileIsReportedAndStaysReadOnly();
    void unwritableFolderIsReported();
    void symlinkStaysALink();
    void changesMadeOnDiskMeanwhileAreKept();
    void deletedFileIsWrittenAnew();
    void folderInTheFilesPlaceIsReported();
};

void TestIniStore::refusesToOpenWhatItCannotRead()
{
    Pair pair("[Display]\n", "[Display]\n");
    QVERIFY(IniStore(pair.folder()).isOpen());

    QFile::remove(pair.mainPath());
    QCOMPARE(IniStore(pair.folder()).unreadablePath(), pair.mainPath());

    QFile::remove(pair.prefsPath());
    IniStore neither(pair.folder());
    QVERIFY(!neither.isOpen());
    QCOMPARE(neither.unreadablePath(), pair.prefsPath()); // the preferences file is checked first

    // A folder with the file's name is as unreadable as a missing file.
    QVERIFY(QDir().mkpath(pair.prefsPath()));
    writeBytes(pair.mainPath(), "[Display]\n");
    QCOMPARE(IniStore(pair.folder()).unreadablePath(), pair.prefsPath());
}

void TestIniStore::readsMainFirstAndWritesWhereTheKeyIs_data()
{
    QTest::addColumn<QByteArray>("mainLine");  // empty: the key is not in the file
    QTest::addColumn<QByteArray>("prefsLine");
    QTest::addColumn<QString>("read");
    QTest::addColumn<bool>("writesMain");
    QTest::newRow("in both: main wins") << QByteArray("iShadowMode=1") << QByteArray("iShadowMode=2") << "1" << true;
    QTest::newRow("preferences only") << QByteArray() << QByteArray("iShadowMode=2") << "2" << false;
    QTest::newRow("neither") << QByteArray() << QByteArray() << "NULL" << true;
    QTest::newRow("NULL in main counts as absent") << QByteArray("iShadowMode=NULL") << QByteArray("iShadowMode=2") << "2" << false;
    QTest::newRow("NULL in both") << QByteArray("iShadowMode=NULL") << QByteArray("iShadowMode=NULL") << "NULL" << true;
    QTest::newRow("null in lower case is a value") << QByteArray("iShadowMode=null") << QByteArray("iShadowMode=2") << "null" << true;
    QTest::newRow("other letter case in the file") << QByteArray() << QByteArray("ISHADOWMODE=3") << "3" << false;
}

void TestIniStore::readsMainFirstAndWritesWhereTheKeyIs()
{
    QFETCH(QByteArray, mainLine);
    QFETCH(QByteArray, prefsLine);
    QFETCH(QString, read);
    QFETCH(bool, writesMain);
    const QByteArray mainBefore = "[Display]\n" + (mainLine.isEmpty() ? "" : mainLine + '\n') + "[Water]\nx=1\n";
    const QByteArray prefsBefore = "[Display]\n" + (prefsLine.isEmpty() ? "" : prefsLine + '\n') + "sD3DDevice=\"\"\n";
    Pair pair(prefsBefore, mainBefore);
    IniStore store(pair.folder());
    store.beginSection(QStringLiteral("Display"));
    QCOMPARE(store.readValue(QStringLiteral("iShadowMode")), read);
    QVERIFY(store.writeInt(QStringLiteral("iShadowMode"), 4));
    QCOMPARE(store.readValue(QStringLiteral("iShadowMode")), QStringLiteral("4"));
    store.endSection();
    QVERIFY2(store.save().isEmpty(), "save failed");

    const QByteArray written = writesMain ? pair.main() : pair.prefs();
    const QByteArray untouched = writesMain ? pair.prefs() : pair.main();
    QCOMPARE(untouched, writesMain ? prefsBefore : mainBefore);
    QCOMPARE(written.count("=4\n"), 1);
    if (mainLine.isEmpty() && prefsLine.isEmpty())
        QCOMPARE(written, QByteArray("[Display]\niShadowMode=4\n[Water]\nx=1\n"));
}

void TestIniStore::typedWritersSpellValuesForTheGame()
{
    Pair pair("[Display]\n", "[Display]\n");
    IniStore store(pair.folder());
    store.beginSection(QStringLiteral("Display"));
    const QList<std::pair<QString, bool>> writes = {
        {QStringLiteral("1"), store.writeBool(QStringLiteral("bTrue"), true)},
        {QStringLiteral("0"), store.writeBool(QStringLiteral("bFalse"), false)},
        {QStringLiteral("-3"), store.writeInt(QStringLiteral("iNeg"), -3)},
        {QStringLiteral("0.3"), store.writeDouble(QStringLiteral("fSum"), 0.1 + 0.2)},
        {QStringLiteral("1"), store.writeDouble(QStringLiteral("fOne"), 1.0)},
        {QStringLiteral("3000.75"), store.writeDouble(QStringLiteral("fLod"), 2000.5 * 1.5)},
        {QStringLiteral("1e-05"), store.writeDouble(QStringLiteral("fTiny"), 0.00001)},
    };
    const QStringList keys = {"bTrue", "bFalse", "iNeg", "fSum", "fOne", "fLod", "fTiny"};
    for (int i = 0; i < writes.size(); ++i) {
        QVERIFY(writes[i].second);
        QCOMPARE(store.readValue(keys[i]), writes[i].first);
    }
}

void TestIniStore::sectionsAndTopLevelAddressBothFiles()
{
    Pair pair("fDefaultFOV=70\n[Controls]\nbInvertYValues=1\n", "[General]\nsLanguage=ENGLISH\n[Display]\niSize W=800\n");
    IniStore store(pair.folder());
    QCOMPARE(store.readValue(QStringLiteral("fDefaultFOV")), QStringLiteral("70"));
    QCOMPARE(store.readValue(QStringLiteral("iSize W")), QStringLiteral("NULL"));
    store.writeInt(QStringLiteral("fDefaultWorldFOV"), 90);
    store.beginSection(QStringLiteral("Controls"));
    QCOMPARE(store.readValue(QStringLiteral("bInvertYValues")), QStringLiteral("1"));
    QCOMPARE(store.readValue(QStringLiteral("fDefaultFOV")), QStringLiteral("NULL"));
    store.endSection();
    store.beginSection(QStringLiteral("display"));
    QCOMPARE(store.readValue(QStringLiteral("ISIZE W")), QStringLiteral("800"));
    store.endSection();
    QVERIFY(store.save().isEmpty());
    QCOMPARE(pair.main(), QByteArray("[General]\nsLanguage=ENGLISH\nfDefaultWorldFOV=90\n[Display]\niSize W=800\n"));
}

void TestIniStore::saveKeepsUntouchedLinesAndDropsEmptyOnes()
{
    const QByteArray prefs =
        "\xEF\xBB\xBF; Vantor preferences\r\n"
        "[Display]\r\n"
        "sD3DDevice=\"Radeon RX 580\"\r\n"
        "  bFull Screen = 0 ; windowed\r\n"
        "\r\n"
        "[Launcher]\r\n"
        "sSavePath=C:\\Users\\Ana\\Saves\\\r\n"
        "\r\n"
        "\r\n";
    const QByteArray main =
        "[General]\r\n"
        "sArchiveList=Vantor - Textures.bsa, Vantor - Meshes.bsa\r\n"
        "sPath=%20odd%20\\text\\\r\n"
        "\r\n"
        "[Display]\r\n"
        "iSize W=1024\r\n"
        "fGamma=1.0000";
    Pair pair(prefs, main);
    IniStore store(pair.folder());
    store.beginSection(QStringLiteral("Display"));
    store.writeBool(QStringLiteral("bFull Screen"), true);
    store.writeDouble(QStringLiteral("fGamma"), 1.15);
    store.endSection();
    QVERIFY(store.save().isEmpty());

    QCOMPARE(pair.prefs(), QByteArray("\xEF\xBB\xBF; Vantor preferences\r\n"
                                      "[Display]\r\n"
                                      "sD3DDevice=\"Radeon RX 580\"\r\n"
                                      "  bFull Screen = 1 ; windowed\r\n"
                                      "[Launcher]\r\n"
                                      "sSavePath=C:\\Users\\Ana\\Saves\\\r\n"));
    QCOMPARE(pair.main(), QByteArray("[General]\r\n"
                                     "sArchiveList=Vantor - Textures.bsa, Vantor - Meshes.bsa\r\n"
                                     "sPath=%20odd%20\\text\\\r\n"
                                     "[Display]\r\n"
                                     "iSize W=1024\r\n"
                                     "fGamma=1.15\r\n"));

    // Nothing changed since: a second save leaves both files as they are.
    const QByteArray prefsAfter = pair.prefs();
    const QByteArray mainAfter = pair.main();
    QVERIFY(store.save().isEmpty());
    QCOMPARE(pair.prefs(), prefsAfter);
    QCOMPARE(pair.main(), mainAfter);
}

void TestIniStore::deviceNameEndsInExactlyOnePairOfQuotes()
{
    {
        Pair pair("[Display]\nsD3DDevice=GeForce GTX 970\n", "[Display]\n");
        IniStore store(pair.folder());
        QVERIFY(store.save().isEmpty());
        QCOMPARE(pair.prefs(), QByteArray("[Display]\nsD3DDevice=\"GeForce GTX 970\"\n"));
        store.beginSection(QStringLiteral("Display"));
        store.writeInt(QStringLiteral("iShadowMode"), 2);
        store.endSection();
        QVERIFY(store.save().isEmpty());
        QVERIFY(IniStore(pair.folder()).save().isEmpty());
        QCOMPARE(pair.prefs(), QByteArray("[Display]\nsD3DDevice=\"GeForce GTX 970\"\n"));
    }
    {
        // A stray quote is dropped rather than doubled at every save.
        Pair pair("[Display]\nsD3DDevice=\"Radeon RX ; mine\n", "[Display]\n");
        IniStore store(pair.folder());
        QVERIFY(store.save().isEmpty());
        QVERIFY(IniStore(pair.folder()).save().isEmpty());
        QCOMPARE(pair.prefs(), QByteArray("[Display]\nsD3DDevice=\"Radeon RX ; mine\"\n"));
    }
    {
        // Missing in the preferences file: added there with an empty name, even
        // when the main file has one (which stays untouched).
        Pair pair("[Water]\nx=1\n", "[Display]\nsD3DDevice=Main Card\n");
        IniStore store(pair.folder());
        QVERIFY(store.save().isEmpty());
        QCOMPARE(pair.prefs(), QByteArray("[Water]\nx=1\n[Display]\nsD3DDevice=\"\"\n"));
        QCOMPARE(pair.main(), QByteArray("[Display]\nsD3DDevice=Main Card\n"));
    }
}

void TestIniStore::lineBreaksInValuesAreRefused()
{
    Pair pair("[Display]\nsD3DDevice=\"\"\n", "[Display]\niSize W=800\n");
    IniStore store(pair.folder());
    store.beginSection(QStringLiteral("Display"));
    QVERIFY(!store.writeValue(QStringLiteral("iSize W"), QStringLiteral("1\n[Evil]\nbHack=1")));
    QVERIFY(!store.writeValue(QStringLiteral("iSize W"), QStringLiteral("1\r2")));
    QCOMPARE(store.readValue(QStringLiteral("iSize W")), QStringLiteral("800"));
    store.endSection();
    QVERIFY(store.save().isEmpty());
    QCOMPARE(pair.main(), QByteArray("[Display]\niSize W=800\n"));
}

void TestIniStore::readOnlyFileIsReportedAndStaysReadOnly()
{
    Pair pair("[Display]\nsD3DDevice=X\n", "[Display]\niSize W=800\n");
    const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    QVERIFY(QFile::setPermissions(pair.mainPath(), readOnly));
    IniStore store(pair.folder());
    store.beginSection(QStringLiteral("Display"));
    store.writeValue(QStringLiteral("iSize W"), QStringLiteral("1920"));
    store.endSection();

    const QList<SaveFailure> failures = store.save();
    QCOMPARE(failures.size(), 1);
    QCOMPARE(failures.first().path, pair.mainPath());
    QVERIFY2(failures.first().reason.contains(QStringLiteral("read-only")), qPrintable(failures.first().reason));
    QCOMPARE(pair.main(), QByteArray("[Display]\niSize W=800\n"));
    QCOMPARE(QFileInfo(pair.mainPath()).permissions() & 0x7077, readOnly);
    // The other file is still saved.
    QCOMPARE(pair.prefs(), QByteArray("[Display]\nsD3DDevice=\"X\"\n"));

    // Once the player lifts the protection, the kept edit is written.
    QVERIFY(QFile::setPermissions(pair.mainPath(), readOnly | QFile::WriteOwner));
    QVERIFY(store.save().isEmpty());
    QCOMPARE(pair.main(), QByteArray("[Display]\niSize W=1920\n"));
}

void TestIniStore::unwritableFolderIsReported()
{
    Pair pair("[Display]\nsD3DDevice=X\n", "[Display]\niSize W=800\n");
    TestSupport::giveToUnprivilegedUser(pair.dir.path());
    QVERIFY(QFile::setPermissions(pair.dir.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther
                                                       | QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup));
    const TestSupport::ChildResult result = TestSupport::runChild(QStringLiteral("saveAsPlayer"), {pair.folder()});
    QFile::setPermissions(pair.dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QVERIFY(!result.crashed);
    QCOMPARE(result.exitCode, 2);
    QVERIFY2(result.output.contains("folder does not allow new files"), result.output.constData());
    QCOMPARE(pair.prefs(), QByteArray("[Display]\nsD3DDevice=X\n"));
    QCOMPARE(pair.main(), QByteArray("[Display]\niSize W=800\n"));
}

void TestIniStore::symlinkStaysALink()
{
    Pair pair("[Display]\n", "[Display]\niSize W=800\n");
    const QString target = pair.dir.path() + QStringLiteral("/elsewhere/Vantor.ini");
    writeBytes(target, "[Display]\niSize W=800\n");
    QFile::remove(pair.mainPath());
    QVERIFY(QFile::link(target, pair.mainPath()));

    IniStore store(pair.folder());
    store.beginSection(QStringLiteral("Display"));
    store.writeValue(QStringLiteral("iSize W"), QStringLiteral("1600"));
    store.endSection();
    QVERIFY(store.save().isEmpty());
    QVERIFY(QFileInfo(pair.mainPath()).isSymLink());
    QCOMPARE(readBytes(target), QByteArray("[Display]\niSize W=1600\n"));
}

void TestIniStore::changesMadeOnDiskMeanwhileAreKept()
{
    Pair pair("[Display]\n", "[Display]\niSize W=800\niSize H=600\n");
    IniStore store(pair.folder());
    store.beginSection(QStringLiteral("Display"));
    store.writeValue(QStringLiteral("iSize W"), QStringLiteral("1920"));
    store.writeValue(QStringLiteral("bNew"), QStringLiteral("1"));
    store.endSection();

    // The game rewrites its file while the editor is open.
    writeBytes(pair.mainPath(), "[Display]\r\niSize H=1080\r\niSize W=640\r\n[Game]\r\nsLastSave=Quick 12\r\n");
    QVERIFY(store.save().isEmpty());
    QCOMPARE(pair.main(), QByteArray("[Display]\r\niSize H=1080\r\niSize W=1920\r\nbNew=1\r\n"
                                     "[Game]\r\nsLastSave=Quick 12\r\n"));
    store.beginSection(QStringLiteral("Game"));
    QCOMPARE(store.readValue(QStringLiteral("sLastSave")), QStringLiteral("Quick 12"));
}

void TestIniStore::deletedFileIsWrittenAnew()
{
    Pair pair("[Display]\n", "; mine\n[Display]\niSize W=800\n");
    IniStore store(pair.folder());
    QFile::remove(pair.mainPath());
    store.beginSection(QStringLiteral("Display"));
    store.writeValue(QStringLiteral("iSize W"), QStringLiteral("1024"));
    store.endSection();
    QVERIFY(store.save().isEmpty());
    QCOMPARE(pair.main(), QByteArray("; mine\n[Display]\niSize W=1024\n"));
}

void TestIniStore::folderInTheFilesPlaceIsReported()
{
    Pair pair("[Display]\nsD3DDevice=X\n", "[Display]\niSize W=800\n");
    IniStore store(pair.folder());
    QFile::remove(pair.mainPath());
    QVERIFY(QDir().mkpath(pair.mainPath()));
    const QList<SaveFailure> failures = store.save();
    QCOMPARE(failures.size(), 1);
    QCOMPARE(failures.first().path, pair.mainPath());
    QVERIFY(QFileInfo(pair.mainPath()).isDir());
    QCOMPARE(pair.prefs(), QByteArray("[Display]\nsD3DDevice=\"X\"\n"));
}

VANTOR_REGISTER_TEST(TestIniStore)
#include "tst_inistore.moc"
