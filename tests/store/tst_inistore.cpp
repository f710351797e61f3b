#include "inistore.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace TestSupport;

namespace {

// A pair of INI files in a fresh folder.
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

} // namespace

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
    void deviceNameEndsInExactlyOnePairOfQuotes_data();
    void deviceNameEndsInExactlyOnePairOfQuotes();
    void lineBreaksInValuesAreRefused();
};

void TestIniStore::refusesToOpenWhatItCannotRead()
{
    Pair pair("[Display]\n", "[Display]\n");
    QVERIFY(IniStore(pair.folder()).isOpen());
    QFile::remove(pair.mainPath());
    QCOMPARE(IniStore(pair.folder()).unreadablePath(), pair.mainPath());
    QFile::remove(pair.prefsPath());
    QCOMPARE(IniStore(pair.folder()).unreadablePath(), pair.prefsPath()); // the preferences file is checked first
    // A folder with the file's name is as unreadable as a missing file.
    QVERIFY(QDir().mkpath(pair.prefsPath()));
    writeBytes(pair.mainPath(), "[Display]\n");
    QCOMPARE(IniStore(pair.folder()).unreadablePath(), pair.prefsPath());
}

void TestIniStore::readsMainFirstAndWritesWhereTheKeyIs_data()
{
    QTest::addColumn<QString>("mainLine"); // empty: the key is not in the file
    QTest::addColumn<QString>("prefsLine");
    QTest::addColumn<QString>("read");
    QTest::addColumn<bool>("writesMain");
    QTest::newRow("in both: main wins") << "iShadowMode=1\n" << "iShadowMode=2\n" << "1" << true;
    QTest::newRow("preferences only") << "" << "iShadowMode=2\n" << "2" << false;
    QTest::newRow("neither") << "" << "" << "NULL" << true;
    QTest::newRow("NULL in main counts as absent") << "iShadowMode=NULL\n" << "iShadowMode=2\n" << "2" << false;
    QTest::newRow("NULL in both") << "iShadowMode=NULL\n" << "iShadowMode=NULL\n" << "NULL" << true;
    QTest::newRow("null in lower case is a value") << "iShadowMode=null\n" << "iShadowMode=2\n" << "null" << true;
    QTest::newRow("other letter case in the file") << "" << "ISHADOWMODE=3\n" << "3" << false;
}

void TestIniStore::readsMainFirstAndWritesWhereTheKeyIs()
{
    QFETCH(QString, mainLine);
    QFETCH(QString, prefsLine);
    QFETCH(bool, writesMain);
    const QByteArray mainBefore = "[Display]\n" + mainLine.toUtf8() + "[Water]\nx=1\n";
    const QByteArray prefsBefore = "[Display]\n" + prefsLine.toUtf8() + "sD3DDevice=\"\"\n";
    Pair pair(prefsBefore, mainBefore);
    IniStore store(pair.folder());
    const QString display = QStringLiteral("Display");
    QTEST(store.readValue(display, QStringLiteral("iShadowMode")), "read");
    QVERIFY(store.writeInt(display, QStringLiteral("iShadowMode"), 4));
    QCOMPARE(store.readValue(display, QStringLiteral("iShadowMode")), QStringLiteral("4"));
    QVERIFY(store.save().isEmpty());
    QCOMPARE(writesMain ? pair.prefs() : pair.main(), writesMain ? prefsBefore : mainBefore);
    const QByteArray written = writesMain ? pair.main() : pair.prefs();
    QCOMPARE(written.count("=4\n"), 1);
    if (mainLine.isEmpty() && prefsLine.isEmpty()) // a new key goes into the main file's section
        QCOMPARE(written, QByteArray("[Display]\niShadowMode=4\n[Water]\nx=1\n"));
}

void TestIniStore::typedWritersSpellValuesForTheGame()
{
    Pair pair("[Display]\n", "[Display]\n");
    IniStore store(pair.folder());
    const QString top;
    QVERIFY(store.writeBool(top, QStringLiteral("bTrue"), true) && store.writeBool(top, QStringLiteral("bFalse"), false));
    QVERIFY(store.writeInt(top, QStringLiteral("iNeg"), -3) && store.writeDouble(top, QStringLiteral("fSum"), 0.1 + 0.2));
    QVERIFY(store.writeDouble(top, QStringLiteral("fOne"), 1.0) && store.writeDouble(top, QStringLiteral("fTiny"), 0.00001));
    QStringList values;
    for (const char *key : {"bTrue", "bFalse", "iNeg", "fSum", "fOne", "fTiny"})
        values.append(store.readValue(top, QString::fromLatin1(key)));
    QCOMPARE(values, QStringList({"1", "0", "-3", "0.3", "1", "1e-05"}));
}

void TestIniStore::sectionsAndTopLevelAddressBothFiles()
{
    Pair pair("fDefaultFOV=70\n[Controls]\nbInvertY=1\n", "[General]\nsLanguage=EN\n[Display]\niSize W=800\n");
    IniStore store(pair.folder());
    QCOMPARE(store.readValue(QString(), QStringLiteral("fDefaultFOV")), QStringLiteral("70"));
    QCOMPARE(store.readValue(QString(), QStringLiteral("iSize W")), QStringLiteral("NULL"));
    store.writeInt(QString(), QStringLiteral("fDefaultWorldFOV"), 90);
    QCOMPARE(store.readValue(QStringLiteral("Controls"), QStringLiteral("bInvertY")), QStringLiteral("1"));
    QCOMPARE(store.readValue(QStringLiteral("Controls"), QStringLiteral("fDefaultFOV")), QStringLiteral("NULL"));
    QCOMPARE(store.readValue(QStringLiteral("display"), QStringLiteral("ISIZE W")), QStringLiteral("800"));
    QVERIFY(store.save().isEmpty());
    QCOMPARE(pair.main(), QByteArray("[General]\nsLanguage=EN\nfDefaultWorldFOV=90\n[Display]\niSize W=800\n"));
}

void TestIniStore::saveKeepsUntouchedLinesAndDropsEmptyOnes()
{
    Pair pair("\xEF\xBB\xBF; Vantor preferences\r\n[Display]\r\nsD3DDevice=\"Radeon RX 580\"\r\n"
              "  bFull Screen = 0 ; windowed\r\n\r\n[Launcher]\r\nsSavePath=C:\\Users\\Ana\\Saves\\\r\n\r\n\r\n",
              "[General]\r\nsArchiveList=Vantor - Textures.bsa, Vantor - Meshes.bsa\r\nsPath=%20odd%20\\text\\\r\n"
              "\r\n[Display]\r\niSize W=1024\r\n \t\r\nfGamma=1.0000");
    IniStore store(pair.folder());
    store.writeBool(QStringLiteral("Display"), QStringLiteral("bFull Screen"), true);
    store.writeDouble(QStringLiteral("Display"), QStringLiteral("fGamma"), 1.15);
    QVERIFY(store.save().isEmpty());
    const QByteArray prefs = "\xEF\xBB\xBF; Vantor preferences\r\n[Display]\r\nsD3DDevice=\"Radeon RX 580\"\r\n"
                             "  bFull Screen = 1 ; windowed\r\n[Launcher]\r\nsSavePath=C:\\Users\\Ana\\Saves\\\r\n";
    const QByteArray main = "[General]\r\nsArchiveList=Vantor - Textures.bsa, Vantor - Meshes.bsa\r\n"
                            "sPath=%20odd%20\\text\\\r\n[Display]\r\niSize W=1024\r\n \t\r\nfGamma=1.15\r\n";
    QCOMPARE(pair.prefs(), prefs);
    QCOMPARE(pair.main(), main);
}

void TestIniStore::deviceNameEndsInExactlyOnePairOfQuotes_data()
{
    QTest::addColumn<QByteArray>("prefs");
    QTest::addColumn<QByteArray>("main");
    QTest::addColumn<QByteArray>("savedPrefs");
    QTest::newRow("bare name quoted") << QByteArray("[Display]\nsD3DDevice=GTX 970\n") << QByteArray("[Display]\n")
                                      << QByteArray("[Display]\nsD3DDevice=\"GTX 970\"\n");
    QTest::newRow("stray quote dropped") << QByteArray("[Display]\nsD3DDevice=\"Radeon RX ; mine\n")
                                         << QByteArray("[Display]\n")
                                         << QByteArray("[Display]\nsD3DDevice=\"Radeon RX ; mine\"\n");
    QTest::newRow("missing: added empty, the main file's untouched")
        << QByteArray("[Water]\nx=1\n") << QByteArray("[Display]\nsD3DDevice=Main Card\n")
        << QByteArray("[Water]\nx=1\n[Display]\nsD3DDevice=\"\"\n");
}

// Every save quotes the name, so the pair of quotes must not grow from save to save.
void TestIniStore::deviceNameEndsInExactlyOnePairOfQuotes()
{
    QFETCH(QByteArray, prefs);
    QFETCH(QByteArray, main);
    Pair pair(prefs, main);
    IniStore store(pair.folder());
    QVERIFY(store.save().isEmpty() && store.save().isEmpty());
    QVERIFY(IniStore(pair.folder()).save().isEmpty());
    QTEST(pair.prefs(), "savedPrefs");
    QCOMPARE(pair.main(), main);
}

void TestIniStore::lineBreaksInValuesAreRefused()
{
    Pair pair("[Display]\nsD3DDevice=\"\"\n", "[Display]\niSize W=800\n");
    IniStore store(pair.folder());
    const QString display = QStringLiteral("Display");
    QVERIFY(!store.writeValue(display, QStringLiteral("iSize W"), QStringLiteral("1\n[Evil]\nbHack=1")));
    QVERIFY(!store.writeValue(display, QStringLiteral("iSize W"), QStringLiteral("1\r2")));
    QCOMPARE(store.readValue(display, QStringLiteral("iSize W")), QStringLiteral("800"));
    QVERIFY(store.save().isEmpty());
    QCOMPARE(pair.main(), QByteArray("[Display]\niSize W=800\n"));
}

QTEST_MAIN(TestIniStore)
#include "tst_inistore.moc"
