#include "catalogue.h"
#include "windowfixture.h"

#include <QtTest>
#include <QtWidgets>

#include <algorithm>

namespace {

const QByteArray validSize = "iSize W=1280\niSize H=720\n";

// The section of a key of the table (keys are unique across sections); null for other keys.
QByteArray sectionOf(const QByteArray &key)
{
    const std::vector<Setting> &table = settingsCatalogue();
    const auto found = std::find_if(table.cbegin(), table.cend(), [&](const Setting &s) { return key == s.key; });
    return found == table.cend() ? QByteArray() : QByteArray(found->section, qstrlen(found->section));
}

// A key's value as a reader sees it: its first line in its section ([General] for the top level).
QByteArray storedValue(const QByteArray &file, const QByteArray &key)
{
    const QByteArray section = sectionOf(key).isEmpty() ? QByteArray("general") : sectionOf(key).toLower();
    QByteArray current;
    for (const QByteArray &raw : file.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('['))
            current = line.mid(1, line.indexOf(']') - 1).trimmed().toLower();
        else if (current == section && line.left(line.indexOf('=')).trimmed() == key)
            return line.mid(line.indexOf('=') + 1).split(';').first().trimmed();
    }
    return "<absent>";
}

// For expected "key=value, ...": the same with the values stored in the file.
QString storedValues(const QByteArray &file, const QString &expected)
{
    QStringList actual;
    for (const QString &entry : expected.split(QStringLiteral(", "), Qt::SkipEmptyParts))
        actual << entry.section(u'=', 0, 0) + u'=' + storedValue(file, entry.section(u'=', 0, 0).toLatin1());
    return actual.join(QStringLiteral(", "));
}

// A main file holding "key=value, ..." in the keys' sections, and a valid screen size unless given one.
QByteArray mainWith(const QString &entries)
{
    QMap<QByteArray, QByteArray> sections{{"Display", entries.contains("iSize") ? "" : validSize}};
    for (const QString &entry : entries.split(QStringLiteral(", "), Qt::SkipEmptyParts))
        sections[sectionOf(entry.section(u'=', 0, 0).toLatin1())] += entry.toLatin1() + '\n';
    QByteArray file;
    for (auto it = sections.cbegin(); it != sections.cend(); ++it)
        file += '[' + (it.key().isEmpty() ? QByteArray("General") : it.key()) + "]\n" + it.value();
    return file;
}

// What a control edits or shows: a check box "true" or "false", a combo box its current text.
QByteArray stateProperty(const QWidget *control)
{
    const QMetaProperty user = control->metaObject()->userProperty();
    return user.isValid() ? user.name() : "text";
}

QString statesOf(const WindowFixture &fixture, const QString &expected)
{
    QStringList actual;
    for (const QString &pair : expected.split(QStringLiteral(", "), Qt::SkipEmptyParts)) {
        const QWidget *control = fixture.get<QWidget>(qPrintable(pair.section(u'=', 0, 0)));
        actual << pair.section(u'=', 0, 0) + u'=' + control->property(stateProperty(control)).toString();
    }
    return actual.join(QStringLiteral(", "));
}

void setStates(WindowFixture &fixture, const QString &states)
{
    for (const QString &pair : states.split(QStringLiteral(", "), Qt::SkipEmptyParts)) {
        QWidget *control = fixture.get<QWidget>(qPrintable(pair.section(u'=', 0, 0)));
        QVERIFY(control->setProperty(stateProperty(control), pair.section(u'=', 1)));
    }
}

// Everything the settings show: the table's controls and those that loading derives from them.
QString snapshot(const WindowFixture &fixture)
{
    QStringList names = {"cmbAspect", "cmbScreenRes", "ckbSyncMScaling", "spnGamma", "spnFOV",
                         "sldDecalDrawDistance", "lblTexFilterInd", "lblMSAAIndi"};
    for (const Setting &setting : settingsCatalogue())
        names << setting.control << (setting.loadControl ? setting.loadControl : setting.control);
    return statesOf(fixture, names.join(QStringLiteral(", ")));
}

QStringList pressApply(WindowFixture &fixture)
{
    MessageBoxWatcher watcher;
    fixture.get<QPushButton>("btnApply")->click();
    return watcher.seen;
}

// After an Apply, applying again and restarting and applying show the same and write the same.
void verifyStable(WindowFixture &fixture)
{
    const QString shown = snapshot(fixture);
    const QByteArray files = fixture.home.prefs() + fixture.home.main();
    for (bool restart : {false, true}) {
        if (restart)
            fixture.restart();
        QCOMPARE(snapshot(fixture), shown);
        QCOMPARE(pressApply(fixture), QStringList());
        QCOMPARE(fixture.home.prefs() + fixture.home.main(), files);
    }
}

// The non-empty lines of a file that hold neither a key of the table nor the device name.
QByteArrayList foreignLines(const QByteArray &file)
{
    QByteArrayList kept = file.split('\n');
    kept.removeIf([](const QByteArray &line) {
        const QByteArray key = line.left(line.indexOf('=')).trimmed();
        return line.trimmed().isEmpty() || key == "sD3DDevice" || !sectionOf(key).isNull();
    });
    return kept;
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void tableMatchesTheForm()
    {
        const std::vector<Setting> &table = settingsCatalogue();
        QCOMPARE(int(table.size()), 71);
        QStringList sections, keys, notLoaded;
        for (const Setting &setting : table) {
            sections << setting.section;
            keys << QString::fromLatin1(setting.key).toLower();
            if (!setting.loadControl)
                notLoaded << setting.key;
        }
        QCOMPARE(keys.removeDuplicates(), 0);
        sections.erase(std::unique(sections.begin(), sections.end()), sections.end()); // each visited in one run
        QCOMPARE(sections, QStringList({"Display", "Imagespace", "BlurShaderHDR", "", "Decals", "Particles", "Water",
                                        "Controls"}));
        QCOMPARE(notLoaded, QStringList({"fDecalLOD2", "iShadowMapResolutionPrimary", "iShadowMapResolutionSecondary",
                                         "fDefaultFOV", "fDefault1stPersonFOV", "iWaterReflectWidth"}));

        WindowFixture fixture(QByteArray(), mainWith(""));
        const auto fits = [&](Rule rule, const char *name) -> bool {
            const QWidget *control = fixture.window->findChild<QWidget *>(QLatin1String(name));
            const auto *slider = qobject_cast<const QAbstractSlider *>(control);
            const auto *box = qobject_cast<const QComboBox *>(control);
            const int type = control ? control->metaObject()->userProperty().typeId() : QMetaType::UnknownType;
            switch (rule) {
            case Rule::Flag: return type == QMetaType::Bool && control->property("checkable").toBool();
            case Rule::Integer: case Rule::NonZeroInteger: return type == QMetaType::Int;
            case Rule::Real: case Rule::NonZeroReal: case Rule::OneAndAHalf: case Rule::Gamma:
                return qobject_cast<const QDoubleSpinBox *>(control);
            case Rule::Text: return qobject_cast<const QLineEdit *>(control);
            case Rule::IndexPlusOne: return box && box->count() > 0;
            case Rule::ThreeMinusIndex: return box && box->count() == 4;
            case Rule::SizeTable: case Rule::HalfSizeTable: return box && box->count() == 6;
            case Rule::Multisample: return slider && slider->minimum() == 0 && slider->maximum() == 3;
            case Rule::Anisotropy: return slider && slider->minimum() == 0 && slider->maximum() == 4;
            }
            return false;
        };
        for (const Setting &setting : table) {
            QVERIFY2(fits(setting.rule, setting.control), setting.key);
            QVERIFY2(!setting.loadControl || fits(setting.rule, setting.loadControl), setting.key);
        }
    }

    void storedValuesLoadAndAreWrittenBack_data()
    {
        QTest::addColumn<QString>("stored");  // "key=value, ..." in the main file
        QTest::addColumn<QString>("shows");   // "control=state, ..." once loaded
        QTest::addColumn<QString>("written"); // "key=value, ..." in the main file after Apply
        QTest::addColumn<QString>("edit");    // "control=state, ..." set before Apply
        const auto row = [](const char *name, QString stored, QString shows, QString written, QString edit = {}) {
            QTest::newRow(name) << stored << shows << written << edit;
        };
        // Any non-zero integer is on, anything else off.
        row("flags", "bUseWaterReflections=2, bFXAAEnabled=true, bTransparencyMultisampling=1.0, bDrawShadows=NULL",
            "grpReflect=true, ckbFXAA=false, ckbTransAA=false, ckbDrawShadows=false",
            "bUseWaterReflections=1, bFXAAEnabled=0, bTransparencyMultisampling=0, bDrawShadows=0");
        row("value tables", "iMultiSample=4.0, iMaxAnisotropy=16, iShadowMapResolution=4096, iWaterReflectHeight=512",
            "sldAA=2, lblMSAAIndi=4x, sldTexFilter=4, lblTexFilterInd=16x, cmbShadowRes=4096x4096, cmbWaterRes=512x512",
            "iMultiSample=4, iMaxAnisotropy=16, iShadowMapResolution=4096, iShadowMapResolutionPrimary=4096, "
            "iShadowMapResolutionSecondary=2048, iWaterReflectHeight=512, iWaterReflectWidth=512");
        row("outside the value tables", "iMultiSample=6, iMaxAnisotropy=3, iShadowMapResolution=3000",
            "sldAA=0, sldTexFilter=0, cmbShadowRes=256x256",
            "iMultiSample=1, iMaxAnisotropy=0, iShadowMapResolution=256, iShadowMapResolutionSecondary=128");
        row("offsets", "iTexMipMapSkip=0, iShadowMode=2", "cmbTexQual=High, cmbShadowMode=2",
            "iTexMipMapSkip=0, iShadowMode=2");
        // A combo box left without a current item writes nothing.
        row("no current item", "iTexMipMapSkip=5", "cmbTexQual=, cmbShadowFilter=, cmbShadowMode=, cmbRadBlurLev=",
            "iTexMipMapSkip=5, iShadowFilter=<absent>, iShadowMode=<absent>, iRadialBlurLevel=<absent>");
        row("clamped", "fShadowDistance=20000, fInteriorShadowDistance=nan, uMaxDecals=300",
            "spnShadowDistExt=10000, spnShadowDistInt=0, sldMaxDecals=255",
            "fShadowDistance=10000, fInteriorShadowDistance=0, uMaxDecals=255");
        // Only a non-zero integer replaces the starting 85.
        row("fov 0", "fDefaultWorldFOV=0", "sldFOV=85", "fDefaultWorldFOV=85");
        row("fov 200", "fDefaultWorldFOV=200", "sldFOV=140, spnFOV=140",
            "fDefaultFOV=140, fDefaultWorldFOV=140, fDefault1stPersonFOV=140");
        // Gamma goes through the slider and must not drift a step down.
        row("gamma 0.9", "fGamma=0.9", "sldGamma=900, spnGamma=0.9", "fGamma=0.9");
        row("gamma 1.005", "fGamma=1.005", "sldGamma=1005", "fGamma=1.005");
        row("gamma 1.0000", "fGamma=1.0000", "spnGamma=1", "fGamma=1");
        row("typed values", "", "grpReflect=false", "fDecalLOD1=2000.5, fDecalLOD2=3000.75, iWaterBlurAmount=4",
            "spnDecalDrawDistance=2000.5, sldReflectBlur=4");
        // Equal mouse scales load synced; a stored 0 keeps the starting 0.02.
        row("mouse scales differ", "fMouseHeadingXScale=0.02, fMouseHeadingYScale=0.03",
            "ckbSyncMScaling=false, spnMouseSCalX=0.02, sldMouseSCalY=30", "fMouseHeadingYScale=0.03");
        row("mouse scale 0", "fMouseHeadingXScale=0, fMouseHeadingYScale=0.0200", "ckbSyncMScaling=true, "
            "sldMouseSCalX=20", "fMouseHeadingXScale=0.02, fMouseHeadingYScale=0.02");
        // A listed size selects its aspect and entry; another is kept as stored.
        row("listed size", "iSize W=1280, iSize H=720", "cmbAspect=16:9, cmbScreenRes=1280x720", "iSize W=1280");
        row("size in no list, as text", "iSize W=01280, iSize H=720",
            "cmbAspect=4:3/5:4, cmbScreenRes=, txtScreenResW=01280, txtScreenResH=720", "iSize W=01280, iSize H=720");
        row("size chosen", "", "", "iSize W=1600, iSize H=900", "cmbScreenRes=1600x900");
        row("custom size", "iSize W=1000, iSize H=700", "", "iSize W=1100, iSize H=800",
            "ckbUseCustom=true, txtScreenResW=1100, txtScreenResH=800");
        // A size that is not whole numbers greater than 0 is refused, and nothing is saved.
        row("height absent", "iSize W=1280", "txtScreenResH=NULL", "refused");
        row("zero height", "", "", "refused", "ckbUseCustom=true, txtScreenResH=0");
        row("plus sign", "", "", "refused", "ckbUseCustom=true, txtScreenResW=+1280");
    }

    void storedValuesLoadAndAreWrittenBack()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shows);
        QFETCH(QString, written);
        QFETCH(QString, edit);
        const QByteArray prefsFile = "[Display]\nsD3DDevice=Radeon\n", mainFile = mainWith(stored);
        WindowFixture fixture(prefsFile, mainFile);
        QCOMPARE(statesOf(fixture, shows), shows);
        setStates(fixture, edit);
        const QStringList refusal = {"Invalid resolution! | The screen width and height must be whole numbers greater "
                                     "than 0. Choose a resolution from the list or enter a custom one. | "};
        QCOMPARE(pressApply(fixture), written == QLatin1String("refused") ? refusal : QStringList());
        if (written == QLatin1String("refused")) {
            QCOMPARE(fixture.home.prefs() + fixture.home.main(), prefsFile + mainFile);
            return;
        }
        QCOMPARE(storedValues(fixture.home.main(), written), written);
        QCOMPARE(fixture.home.prefs(), QByteArray("[Display]\nsD3DDevice=\"Radeon\"\n"));
        verifyStable(fixture);
    }

    void keysStayInTheFileThatHoldsThem()
    {
        const QByteArray prefsFile = "[General]\nfDefaultWorldFOV=75.5\n[Display]\nsD3DDevice=\"\"\niShadowFilter=3\n"
                                     "bFXAAEnabled=1\nbDrawShadows=1\nbDrawLandShadows=NULL\n";
        const QByteArray mainFile = "[Display]\niShadowFilter=2\n" + validSize + "bFXAAEnabled=NULL\n"
                                    "bDrawLandShadows=NULL\n[Water]\nbUseWaterShader=1\n[Controls]\nbInvertYValues=1\n";
        WindowFixture fixture(prefsFile, mainFile);
        // The main file wins; NULL counts as absent.
        const QString loaded = "cmbShadowFilter=Medium, ckbFXAA=true, ckbLandShadows=false";
        QCOMPARE(statesOf(fixture, loaded), loaded);
        setStates(fixture, "cmbShadowFilter=Ultra, ckbFXAA=false, ckbDrawShadows=false");
        QCOMPARE(pressApply(fixture), QStringList());
        const QByteArray prefsAfter = "[General]\nfDefaultWorldFOV=85\n[Display]\nsD3DDevice=\"\"\niShadowFilter=3\n"
                                      "bFXAAEnabled=0\nbDrawShadows=0\nbDrawLandShadows=NULL\n";
        QCOMPARE(fixture.home.prefs(), prefsAfter);
        const QByteArray mainAfter = fixture.home.main();
        const QString inMain = "iShadowFilter=4, bFXAAEnabled=NULL, bDrawLandShadows=0";
        QCOMPARE(storedValues(mainAfter, inMain), inMain);

        // Keys in neither file go into the main file: after their section's keys, or into sections appended in order.
        QCOMPARE(QString(mainAfter).remove(QRegularExpression("(?m)^[^[].*\n")),
                 "[Display]\n[Water]\n[Controls]\n[Imagespace]\n[BlurShaderHDR]\n[General]\n[Decals]\n[Particles]\n");
        QVERIFY(mainAfter.contains("[Water]\nbUseWaterShader=1\nbUseWaterReflections=0\n"));
        QVERIFY(mainAfter.contains("SilhouetteReflections=0\n[Controls]\nbInvertYValues=1\nbMouseAcceleration=0\n"));
        verifyStable(fixture);
    }

    void realisticPairKeepsEveryForeignLine()
    {
        // Apply adds a section for the particle count the preferences lack, and quotes the device name.
        const QByteArray mainFile = TestSupport::readBytes(VANTOR_SOURCE_DIR "/examples/Vantor.ini");
        QByteArray prefsFile = TestSupport::readBytes(VANTOR_SOURCE_DIR "/examples/VantorPrefs.ini");
        prefsFile.replace("iMaxDesired=750\r\n", "").replace("\"Radeon RX 6600 XT\"", "Radeon RX 6600 XT");
        QVERIFY(mainFile.contains("sLocalSavePath=Saves\\\r\n") && mainFile.contains("Misc.bsa, Vantor - Shaders.bsa"));
        WindowFixture fixture(prefsFile, mainFile);
        setStates(fixture, "sldAA=3");
        QCOMPARE(pressApply(fixture), QStringList());
        const QByteArray prefsAfter = fixture.home.prefs();
        QCOMPARE(prefsAfter.count('\n'), prefsAfter.count("\r\n"));
        QVERIFY(!prefsAfter.contains("\r\n\r\n") && prefsAfter.contains("\r\nsD3DDevice=\"Radeon RX 6600 XT\"\r\n"));
        QCOMPARE(foreignLines(prefsAfter), foreignLines(prefsFile));
        QCOMPARE(storedValue(prefsAfter, "iMultiSample"), QByteArray("8"));
        // The main file holds no value that changed, so only its empty lines went.
        QCOMPARE(fixture.home.main(),
                 QByteArray(mainFile).replace("\r\n\r\n", "\r\n") + "[Particles]\r\niMaxDesired=1\r\n");
        verifyStable(fixture);
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
