#include "catalogue.h"
#include "controlbinding.h"
#include "windowfixture.h"

#include <QtTest>

#include <algorithm>

namespace {

const QStringList noMessage;

// A list of "key=value, ..." (keys may hold spaces) as its entries.
QStringList entries(const QString &list) { return list.split(QStringLiteral(", "), Qt::SkipEmptyParts); }
QString keyOf(const QString &entry) { return entry.section(u'=', 0, 0); }

// The line of a key, wherever it is in the file: the key and "=", its value text, and what follows it.
QRegularExpression lineOf(const QString &key)
{
    return QRegularExpression("(?m)^(" + QRegularExpression::escape(key) + "=)([^;\r\n]*?)(\\s*(;.*)?\r?)$");
}

QByteArray storedValue(const QByteArray &file, const QString &key)
{
    const QRegularExpressionMatch line = lineOf(key).match(QString::fromLatin1(file));
    return line.hasMatch() ? line.captured(2).toLatin1() : QByteArray("<absent>");
}

// For expected "key=value, ...": the same with the values stored in the file.
QString storedValues(const QByteArray &file, const QString &expected)
{
    QStringList actual;
    for (const QString &entry : entries(expected))
        actual << keyOf(entry) + u'=' + storedValue(file, keyOf(entry));
    return actual.join(QStringLiteral(", "));
}

// A main file holding "key=value, ..." in the keys' sections, with a valid screen size unless the
// list has one or is told otherwise.
QByteArray mainWith(const QString &list, bool withSize = true)
{
    const bool addSize = withSize && !list.contains("iSize");
    QMap<QByteArray, QByteArray> sections{{"Display", addSize ? "iSize W=1280\niSize H=720\n" : ""}};
    const std::vector<Setting> &table = settingsCatalogue();
    for (const QString &entry : entries(list)) {
        const auto row = std::find_if(table.cbegin(), table.cend(),
                                      [&](const Setting &s) { return keyOf(entry) == s.key; });
        sections[row == table.cend() ? "" : row->section] += entry.toLatin1() + '\n';
    }
    QByteArray file;
    for (auto it = sections.cbegin(); it != sections.cend(); ++it)
        file += '[' + (it.key().isEmpty() ? QByteArray("General") : it.key()) + "]\n" + it.value();
    return file;
}

// A window started again on what an Apply wrote shows what it did, and its Apply writes nothing new.
void verifyStable(WindowFixture &fixture, const QString &controls)
{
    const QString shown = fixture.shown(controls);
    const QByteArray files = fixture.home.prefs() + fixture.home.main();
    fixture.restart();
    QCOMPARE(fixture.shown(controls), shown);
    QCOMPARE(fixture.apply(), noMessage);
    QCOMPARE(fixture.home.prefs() + fixture.home.main(), files);
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    // Every test fails on a warning, so the window binds every row of the table.
    void init() { QTest::failOnWarning(QRegularExpression("^(?!This plugin does not support propagateSizeHints)")); }

    void controlsOfAnotherKindAreRefused()
    {
        WindowFixture fixture(QByteArray(), mainWith(""));
        for (const auto &[name, kind] : {std::pair{"sldAA", ControlValue::Checked}, {"btnApply", ControlValue::Checked},
                 {"ckbFXAA", ControlValue::Integer}, {"spnFOV", ControlValue::Real}, {"tabMain", ControlValue::Index},
                 {"lblMSAAIndi", ControlValue::Text}, {"noSuchControl", ControlValue::Text}}) {
            QTest::ignoreMessage(QtWarningMsg, QRegularExpression(name));
            const ControlBinding binding(fixture.window.get(), name, kind);
            QVERIFY2(!binding.isBound() && !binding.value().isValid(), name);
        }
    }

    // Each row: "key=stored value | control=new state | key=written, ..." on the example pair; a flag stored
    // as 2 is on, and turned off.
    void changingOneControlWritesOnlyItsKeys_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("written");
        QStringList rows;
        for (const auto &[key, box] : {std::pair{"bFull Screen", "ckbScreenFuScr"}, {"iPresentInterval", "ckbVSync"},
                 {"bTransparencyMultisampling", "ckbTransAA"}, {"bFXAAEnabled", "ckbFXAA"},
                 {"bDrawShadows", "ckbDrawShadows"}, {"bDrawLandShadows", "ckbLandShadows"},
                 {"bTreesReceiveShadows", "ckbTreeShadows"}, {"bShadowsOnGrass", "ckbGrassShadows"},
                 {"bActorSelfShadowing", "ckbPlrSelfShad"}, {"bUseSunbeams", "ckbSunBeams"},
                 {"bAllow30Shaders", "ckbSh30"}, {"bDo30VFog", "ckbFog30"}, {"bSimpleLighting", "ckbSimpleLight"},
                 {"bDynamicWindowReflections", "ckbDynWinRefl"}, {"bDoDepthOfField", "ckbDOF"},
                 {"bDoHighDynamicRange", "ckbHDR"}, {"bDecals", "ckbDrawDecals"},
                 {"bSkinnedDecals", "ckbDrawDecalsModels"}, {"bUseWaterReflections", "grpReflect"},
                 {"bForceHighDetailReflections", "ckbForceHD"}, {"bUseWaterReflectionBlur", "ckbReflectBlur"},
                 {"bReflectExplosions", "ckbReflect_Explosions"}, {"bReflectLODLand", "ckbReflect_Land"},
                 {"bReflectLODObjects", "ckbReflect_Objects"}, {"bReflectSky", "ckbReflect_Sky"},
                 {"bReflectLODTrees", "ckbReflect_Trees"}, {"bUseWaterRefractions", "ckbRefract"},
                 {"bUseWaterDisplacements", "ckbDisplace"}, {"bUseWaterDepth", "ckbDepth"},
                 {"bUseWaterShader", "ckbWaterShader"}, {"bUseWaterLOD", "ckbWaterLOD"},
                 {"bUseWaterHiRes", "ckbWaterShaderHR"}, {"bAutoWaterSilhouetteReflections", "ckbSilRefl"},
                 {"bMouseAcceleration", "ckbMouseAccel"}, {"bInvertYValues", "ckbMouseInvertY"}})
            rows << QString("%1=2 | %2=false | %1=0").arg(key, box);
        // The keys one control writes together, each stored differently in its own row.
        const QString shadowSizes =
            "iShadowMapResolution=%1, iShadowMapResolutionPrimary=%1, iShadowMapResolutionSecondary=%2";
        for (const auto &[stored, size] : {std::pair{"iShadowMapResolution=512", 4096},
                 {"iShadowMapResolutionPrimary=3072", 512}, {"iShadowMapResolutionSecondary=1536", 8192}})
            rows << QString("%1 | cmbShadowRes=%2x%2 | ").arg(stored).arg(size) + shadowSizes.arg(size).arg(size / 2);
        for (const char *stored : {"fDefaultFOV=70.5", "fDefaultWorldFOV=76", "fDefault1stPersonFOV=80"})
            rows << QString(stored) + " | sldFOV=90 | fDefaultFOV=90, fDefaultWorldFOV=90, fDefault1stPersonFOV=90";
        rows << QStringList{
            "fGamma=0.8125 | spnGamma=1.2345 | fGamma=1.2345",
            "iSize H=1050 | txtScreenResH=1200 | iSize H=1200",
            "iSize W=1680 | txtScreenResW=2560 | iSize W=2560",
            "iMultiSample=2 | sldAA=3 | iMultiSample=8",
            "iMaxAnisotropy=2 | sldTexFilter=4 | iMaxAnisotropy=16",
            "iTexMipMapSkip=1 | cmbTexQual=High | iTexMipMapSkip=0",
            "fDecalLOD1=1250.5 | spnDecalDrawDistance=2000.5 | fDecalLOD1=2000.5, fDecalLOD2=3000.75",
            "fDecalLOD2=1875.25 | spnDecalDrawDistance=2000.5 | fDecalLOD1=2000.5, fDecalLOD2=3000.75",
            "iShadowFilter=2 | cmbShadowFilter=Ultra | iShadowFilter=4",
            "iBlurDeferredShadowMask=5 | sldShadowBlur=2 | iBlurDeferredShadowMask=2",
            "iShadowMode=1 | cmbShadowMode=2 | iShadowMode=2", // in both files: the main file's
            "fShadowDistance=2500.25 | spnShadowDistExt=1234.5678 | fShadowDistance=1234.5678",
            "fInteriorShadowDistance=3000.5 | spnShadowDistInt=4000 | fInteriorShadowDistance=4000",
            "fShadowBiasScale=0.1525 | spnShadowBias=0.3 | fShadowBiasScale=0.3",
            "iShadowSplitCount=3 | spnShadowSplitC=4 | iShadowSplitCount=4",
            "iShadowMaskQuarter=5 | spnShadowMaskQuarter=7 | iShadowMaskQuarter=7",
            "fShadowLODStartFade=200.5 | spnShadowDistFade=300 | fShadowLODStartFade=300",
            "fSpecularLODStartFade=2000.5 | spnSpecFadeDist=2500 | fSpecularLODStartFade=2500",
            "fLightLODStartFade=1000.5 | spnLightFadeDist=1500 | fLightLODStartFade=1500",
            "iRadialBlurLevel=3 | cmbRadBlurLev=Ultra | iRadialBlurLevel=4",
            "uMaxDecals=101 | sldMaxDecals=200 | uMaxDecals=200",
            "uMaxSkinDecals=35 | sldMaxDecalsModels=40 | uMaxSkinDecals=40",
            "uMaxSkinDecalsPerActor=20 | sldMaxDecalsModelsPA=10 | uMaxSkinDecalsPerActor=10",
            "iMaxDesired=750 | sldMaxParticles=5000 | iMaxDesired=5000",
            "iWaterBlurAmount=4 | sldReflectBlur=6 | iWaterBlurAmount=6",
            "iWaterReflectHeight=1024 | cmbWaterRes=2048x2048 | iWaterReflectHeight=2048, iWaterReflectWidth=2048",
            "iWaterReflectWidth=768 | cmbWaterRes=256x256 | iWaterReflectHeight=256, iWaterReflectWidth=256",
            "fMouseHeadingSensitivity=0.0125 | spnMouseSens=0.5 | fMouseHeadingSensitivity=0.5",
            "fMouseHeadingXScale=0.0311 | spnMouseSCalX=0.1234 | fMouseHeadingXScale=0.1234",
            "fMouseHeadingYScale=0.0422 | spnMouseSCalY=0.25 | fMouseHeadingYScale=0.25"
        };
        QStringList keys, tableKeys; // one row for each key of the table
        for (const QString &row : rows) {
            const QStringList columns = row.split(QStringLiteral(" | "));
            keys << keyOf(columns[0]);
            QTest::newRow(qPrintable(keys.last())) << columns[0] << columns[1] << columns[2];
        }
        for (const Setting &setting : settingsCatalogue())
            tableKeys << setting.key;
        keys.sort();
        tableKeys.sort();
        QCOMPARE(keys, tableKeys);
    }

    void changingOneControlWritesOnlyItsKeys()
    {
        QFETCH(QString, stored);
        QFETCH(QString, edit);
        QFETCH(QString, written);
        // The example pair, with one key moved into the main file and one held by both.
        QByteArray prefs = TestSupport::readBytes(VANTOR_SOURCE_DIR "/examples/VantorPrefs.ini");
        QByteArray main = TestSupport::readBytes(VANTOR_SOURCE_DIR "/examples/Vantor.ini");
        prefs.replace("bMouseAcceleration=0\r\n", "");
        main.replace("[Controls]\r\n", "[Controls]\r\nbMouseAcceleration=0\r\n");
        const auto store = [&](const QString &list) {
            for (const QString &entry : entries(list)) {
                QByteArray &file = storedValue(main, keyOf(entry)) != "<absent>" ? main : prefs;
                QVERIFY2(storedValue(file, keyOf(entry)) != "<absent>", qPrintable(entry));
                const QString value = "\\1" + entry.section(u'=', 1) + "\\3";
                file = QString::fromLatin1(file).replace(lineOf(keyOf(entry)), value).toLatin1();
            }
        };
        store(stored);
        WindowFixture fixture(prefs, main);
        fixture.set(edit);
        QCOMPARE(fixture.apply(), noMessage);

        store(written);
        const QRegularExpression emptyLine("(?m)^\\s*\\n");
        QCOMPARE(fixture.home.prefs(), QString::fromLatin1(prefs).remove(emptyLine).toLatin1());
        QCOMPARE(fixture.home.main(), QString::fromLatin1(main).remove(emptyLine).toLatin1());
    }

    // Each stored value survives an Apply of another change, and goes as soon as its own control changes.
    void untouchedValuesKeepTheirText_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("replaced");
        const auto row = [](const char *name, const char *stored, const char *edit, const char *replaced) {
            QTest::newRow(name) << stored << edit << replaced;
        };
        row("more decimals than the slider", "fMouseHeadingSensitivity=0.0125", "spnMouseSens=0.02",
            "fMouseHeadingSensitivity=0.02");
        row("size not listed", "iShadowMapResolution=3072, iShadowMapResolutionPrimary=3072, "
            "iShadowMapResolutionSecondary=1536", "cmbShadowRes=1024x1024", "iShadowMapResolution=1024, "
            "iShadowMapResolutionPrimary=1024, iShadowMapResolutionSecondary=512");
        row("reflection size not listed", "iWaterReflectHeight=768, iWaterReflectWidth=768", "cmbWaterRes=512x512",
            "iWaterReflectHeight=512, iWaterReflectWidth=512");
        row("samples not listed", "iMultiSample=16", "sldAA=1", "iMultiSample=2");
        row("anisotropy not listed", "iMaxAnisotropy=6", "sldTexFilter=2", "iMaxAnisotropy=4");
        row("beyond the range", "fShadowDistance=25000, iMaxDesired=20000", "spnShadowDistExt=9000 sldMaxParticles=500",
            "fShadowDistance=9000, iMaxDesired=500");
        row("not a flag's 1", "iPresentInterval=2", "ckbVSync=false", "iPresentInterval=0");
        row("fourth decimal", "fGamma=1.0005", "spnGamma=1.1", "fGamma=1.1");
        row("changed back", "fGamma=1.0005", "spnGamma=1.1 spnGamma=1.0005", "fGamma=1.0005");
        row("not an integer", "fDefaultWorldFOV=75, fDefaultFOV=75.5, fDefault1stPersonFOV=75", "sldFOV=80",
            "fDefaultWorldFOV=80, fDefaultFOV=80, fDefault1stPersonFOV=80");
        row("leading zero", "iSize W=01280, iSize H=720", "txtScreenResW=1280", "iSize W=1280, iSize H=720");
    }

    void untouchedValuesKeepTheirText()
    {
        QFETCH(QString, stored);
        QFETCH(QString, edit);
        QFETCH(QString, replaced);
        WindowFixture fixture("[Display]\nsD3DDevice=Radeon\n", mainWith(stored));
        fixture.set("ckbScreenFuScr=true");
        QCOMPARE(fixture.apply(), noMessage);
        QCOMPARE(storedValues(fixture.home.main(), stored + ", bFull Screen=1"), stored + ", bFull Screen=1");
        QCOMPARE(fixture.home.prefs(), QByteArray("[Display]\nsD3DDevice=\"Radeon\"\n"));
        fixture.set(edit);
        QCOMPARE(fixture.apply(), noMessage);
        QCOMPARE(storedValues(fixture.home.main(), replaced), replaced);
        verifyStable(fixture, edit);
    }

    void aValueChangedBackAfterAnApplyIsWritten()
    {
        WindowFixture fixture(QByteArray(), mainWith("fGamma=1.0005"));
        for (const char *gamma : {"1.1", "1.0005"}) {
            fixture.set(QStringLiteral("spnGamma=") + gamma);
            QCOMPARE(fixture.apply(), noMessage);
            QCOMPARE(storedValue(fixture.home.main(), "fGamma"), gamma);
        }
    }

    // A size field is written when the player changed it, and must then be a whole number greater than 0.
    void screenSizeFields_data()
    {
        QTest::addColumn<QString>("stored");  // "iSize W=..., iSize H=..." in the main file
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("written"); // in the main file after Apply; empty: refused
        const auto row = [](const char *name, const char *stored, const char *edit, const char *written) {
            QTest::newRow(name) << stored << edit << written;
        };
        row("missing, another change", "", "ckbScreenFuScr=true",
            "iSize W=<absent>, iSize H=<absent>, bFull Screen=1, iShadowFilter=<absent>, bDrawShadows=0");
        row("missing, one entered", "", "ckbUseCustom=true txtScreenResH=720", "iSize W=<absent>, iSize H=720");
        row("missing, entry chosen", "", "cmbScreenRes=1024x768", "iSize W=1024, iSize H=768");
        row("stored unusable, another change", "iSize W=12a, iSize H=0", "ckbScreenFuScr=true", "iSize W=12a, iSize H=0");
        row("changed to 12a", "iSize W=1280, iSize H=720", "ckbUseCustom=true txtScreenResW=12a", "");
        row("changed to 0", "iSize W=1280, iSize H=720", "ckbUseCustom=true txtScreenResH=0", "");
        row("changed to +1280", "iSize W=1366, iSize H=768", "ckbUseCustom=true txtScreenResW=+1280", "");
        row("missing, changed to empty", "", "ckbUseCustom=true txtScreenResW=", "");
    }

    void screenSizeFields()
    {
        QFETCH(QString, stored);
        QFETCH(QString, edit);
        QFETCH(QString, written);
        const QByteArray prefsFile = "[Display]\nsD3DDevice=Radeon\n", mainFile = mainWith(stored, false);
        WindowFixture fixture(prefsFile, mainFile);
        fixture.set(edit);
        const QStringList refusal = {"Invalid resolution! | The screen width and height must be whole numbers greater "
                                     "than 0. Choose a resolution from the list or enter a custom one. | "};
        QCOMPARE(fixture.apply(), written.isEmpty() ? refusal : noMessage);
        if (written.isEmpty())
            QCOMPARE(fixture.home.prefs() + fixture.home.main(), prefsFile + mainFile);
        else
            QCOMPARE(storedValues(fixture.home.main(), written), written);
    }

    void storedValuesLoad_data()
    {
        QTest::addColumn<QString>("stored"); // "key=value, ..." in the main file
        QTest::addColumn<QString>("shows");  // "control=state ..." once loaded
        const auto row = [](const char *name, const char *stored, const char *shows) {
            QTest::newRow(name) << stored << shows;
        };
        row("starting values", "", "sldFOV=85 spnFOV=85 spnMouseSCalX=0.02 sldMouseSCalY=20 ckbSyncMScaling=true "
            "cmbTexQual=High sldMaxDecals=1 cmbShadowRes=256x256 sldAA=0");
        // Any non-zero integer is on, anything else off.
        row("flags", "bUseWaterReflections=2, bFXAAEnabled=true, bTransparencyMultisampling=1.0, bDrawShadows=NULL",
            "grpReflect=true ckbFXAA=false ckbTransAA=false ckbDrawShadows=false");
        row("value tables", "iMultiSample=4.0, iMaxAnisotropy=16, iShadowMapResolution=4096, iWaterReflectHeight=512",
            "sldAA=2 lblMSAAIndi=4x sldTexFilter=4 lblTexFilterInd=16x cmbShadowRes=4096x4096 cmbWaterRes=512x512");
        row("offsets", "iTexMipMapSkip=0, iShadowMode=2", "cmbTexQual=High cmbShadowMode=2");
        row("no current item", "iTexMipMapSkip=5", "cmbTexQual= cmbShadowFilter= cmbShadowMode= cmbRadBlurLev=");
        row("clamped", "fShadowDistance=20000, fInteriorShadowDistance=nan, uMaxDecals=300",
            "spnShadowDistExt=10000 sldShadowDistExt=10000000 spnShadowDistInt=0 sldMaxDecals=255");
        row("fov 200", "fDefaultWorldFOV=200", "sldFOV=140 spnFOV=140");
        // The spin box keeps four decimals; its slider shows what it can.
        row("gamma 0.9", "fGamma=0.9", "spnGamma=0.9 sldGamma=900");
        row("gamma, five decimals", "fGamma=1.23456", "spnGamma=1.2346 sldGamma=1234");
        row("mouse sensitivity", "fMouseHeadingSensitivity=0.0125", "spnMouseSens=0.0125 sldMouseSens=12");
        // Equal mouse scales load synced; a stored 0 keeps the starting 0.02.
        row("mouse scales differ", "fMouseHeadingXScale=0.02, fMouseHeadingYScale=0.03",
            "ckbSyncMScaling=false spnMouseSCalX=0.02 sldMouseSCalY=30");
        row("mouse scale 0", "fMouseHeadingXScale=0, fMouseHeadingYScale=0.0200",
            "ckbSyncMScaling=true sldMouseSCalX=20");
        // A listed size selects its aspect and entry; another is kept as stored.
        row("listed size", "iSize W=1280, iSize H=720", "cmbAspect=16:9 cmbScreenRes=1280x720 txtScreenResW=1280");
        row("size in no list", "iSize W=01280, iSize H=720",
            "cmbAspect=4:3/5:4 cmbScreenRes= txtScreenResW=01280 txtScreenResH=720");
        row("size missing", "iSize W=1280", "cmbScreenRes= txtScreenResW=1280 txtScreenResH=NULL");
    }

    void storedValuesLoad()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shows);
        WindowFixture fixture(QByteArray(), mainWith(stored));
        QCOMPARE(fixture.shown(shows), shows);
    }

    void keysStayInTheFileThatHoldsThem()
    {
        const QByteArray prefsFile = "[General]\nfDefaultWorldFOV=75.5\n[Display]\nsD3DDevice=\"\"\niShadowFilter=3\n"
                                     "bFXAAEnabled=1\nbDrawShadows=1\nbDrawLandShadows=NULL\n";
        const QByteArray mainFile = "[Display]\niShadowFilter=2\niSize W=1280\niSize H=720\nbFXAAEnabled=NULL\n"
                                    "bDrawLandShadows=NULL\n[Water]\nbUseWaterShader=1\n[Controls]\nbInvertYValues=1\n";
        WindowFixture fixture(prefsFile, mainFile);
        // The main file wins; NULL counts as absent.
        const QString loaded = "cmbShadowFilter=Medium ckbFXAA=true ckbLandShadows=false";
        QCOMPARE(fixture.shown(loaded), loaded);
        fixture.set("cmbShadowFilter=Ultra ckbFXAA=false ckbDrawShadows=false");
        QCOMPARE(fixture.apply(), noMessage);
        QCOMPARE(fixture.home.prefs(), QByteArray(prefsFile).replace("bFXAAEnabled=1\nbDrawShadows=1",
                                                                     "bFXAAEnabled=0\nbDrawShadows=0"));
        const QByteArray mainAfter = fixture.home.main();
        const QString inMain = "iShadowFilter=4, bFXAAEnabled=NULL, bDrawLandShadows=0, fDefaultFOV=85";
        QCOMPARE(storedValues(mainAfter, inMain), inMain);

        // Keys in neither file go into the main file: after their section's keys, or into sections appended in order.
        QCOMPARE(QString(mainAfter).remove(QRegularExpression("(?m)^[^[].*\n")),
                 "[Display]\n[Water]\n[Controls]\n[Imagespace]\n[BlurShaderHDR]\n[General]\n[Decals]\n[Particles]\n");
        QVERIFY(mainAfter.contains("[Water]\nbUseWaterShader=1\nbUseWaterReflections=0\n"));
        QVERIFY(mainAfter.contains("SilhouetteReflections=0\n[Controls]\nbInvertYValues=1\nbMouseAcceleration=0\n"));
        verifyStable(fixture, loaded);
    }

    void applyWithoutChangesOnlyAddsMissingKeys()
    {
        // The preferences lack the particle count, and the device name lost its quotes.
        const QByteArray mainFile = TestSupport::readBytes(VANTOR_SOURCE_DIR "/examples/Vantor.ini");
        QByteArray prefsFile = TestSupport::readBytes(VANTOR_SOURCE_DIR "/examples/VantorPrefs.ini");
        prefsFile.replace("iMaxDesired=750\r\n", "").replace("\"Radeon RX 6600 XT\"", "Radeon RX 6600 XT");
        WindowFixture fixture(prefsFile, mainFile);
        QCOMPARE(fixture.apply(), noMessage);
        QCOMPARE(fixture.home.prefs(), prefsFile.replace("\r\n\r\n", "\r\n").replace("=Radeon RX 6600 XT",
                                                                                      "=\"Radeon RX 6600 XT\""));
        QCOMPARE(fixture.home.main(),
                 QByteArray(mainFile).replace("\r\n\r\n", "\r\n") + "[Particles]\r\niMaxDesired=1\r\n");
    }

    // A failed save is shown with its reason, and the next Apply saves once the way is clear.
    void readOnlyFileIsReportedUntilWritable()
    {
        WindowFixture fixture("[Display]\nsD3DDevice=\"Radeon\"\n", mainWith("bFull Screen=0"));
        const QString path = fixture.home.mainPath();
        const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
        QVERIFY(QFile::setPermissions(path, readOnly));
        fixture.set("ckbScreenFuScr=true");
        QCOMPARE(fixture.apply(), QStringList("File access error! | Couldn't save " + QDir::toNativeSeparators(path)
                                              + "! | The file is read-only."));
        QCOMPARE(fixture.home.main(), mainWith("bFull Screen=0"));
        QCOMPARE(QFileInfo(path).permissions() & 0x7077, readOnly);
        QVERIFY(QFile::setPermissions(path, readOnly | QFile::WriteOwner));
        QCOMPARE(fixture.apply(), noMessage);
        QCOMPARE(storedValue(fixture.home.main(), "bFull Screen"), "1");
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
