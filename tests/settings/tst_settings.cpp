#include "settings/catalogue.h"
#include "testregistry.h"
#include "windowfixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

using TestSupport::readBytes;

namespace {

const QByteArray quietPrefs = "[Display]\nsD3DDevice=\"\"\n";
const QByteArray validSize = "iSize W=1280\niSize H=720\n";

QByteArray header(const QByteArray &section)
{
    return '[' + (section.isEmpty() ? QByteArray("General") : section) + "]\n";
}

// The value of a key as a reader of the file sees it: the first line of the key
// in its section (keys above the first header and in [General] are the top level),
// without an inline comment and the blanks around it; "<absent>" when there is none.
QByteArray storedValue(const QByteArray &file, const QByteArray &section, const QByteArray &key)
{
    QByteArray current;
    for (const QByteArray &raw : file.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            current = line.mid(1, line.indexOf(']') - 1).trimmed().toLower();
            if (current == "general")
                current.clear();
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0 || line.startsWith(';') || current != section.toLower()
            || line.left(equals).trimmed().toLower() != key.toLower())
            continue;
        QByteArray value = line.mid(equals + 1);
        if (const qsizetype comment = value.indexOf(';'); comment >= 0)
            value.truncate(comment);
        return value.trimmed();
    }
    return QByteArrayLiteral("<absent>");
}

bool holds(const QByteArray &file, const QByteArray &section, const QByteArray &key)
{
    return storedValue(file, section, key) != "<absent>";
}

QString stateOf(const QWidget *control)
{
    const auto onOff = [](bool on) { return on ? QStringLiteral("on") : QStringLiteral("off"); };
    if (const auto *group = qobject_cast<const QGroupBox *>(control))
        return onOff(group->isChecked());
    if (const auto *button = qobject_cast<const QAbstractButton *>(control))
        return onOff(button->isChecked());
    if (const auto *slider = qobject_cast<const QAbstractSlider *>(control))
        return QString::number(slider->value());
    if (const auto *spinBox = qobject_cast<const QSpinBox *>(control))
        return QString::number(spinBox->value());
    if (const auto *spinBox = qobject_cast<const QDoubleSpinBox *>(control))
        return QString::number(spinBox->value(), 'g', 15);
    if (const auto *box = qobject_cast<const QComboBox *>(control))
        return QString::number(box->currentIndex());
    if (const auto *edit = qobject_cast<const QLineEdit *>(control))
        return edit->text();
    if (const auto *label = qobject_cast<const QLabel *>(control))
        return label->text();
    return QStringLiteral("?");
}

// Puts a control into a state as the player would: check boxes "on"/"off",
// combo boxes by item text, everything else by its number or text.
void setState(QWidget *control, const QString &state)
{
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        button->setChecked(state == QLatin1String("on"));
    else if (auto *group = qobject_cast<QGroupBox *>(control))
        group->setChecked(state == QLatin1String("on"));
    else if (auto *slider = qobject_cast<QAbstractSlider *>(control))
        slider->setValue(state.toInt());
    else if (auto *spinBox = qobject_cast<QSpinBox *>(control))
        spinBox->setValue(state.toInt());
    else if (auto *spinBox = qobject_cast<QDoubleSpinBox *>(control))
        spinBox->setValue(state.toDouble());
    else if (auto *box = qobject_cast<QComboBox *>(control))
        box->setCurrentIndex(box->findText(state));
    else if (auto *edit = qobject_cast<QLineEdit *>(control))
        edit->setText(state);
    else
        QFAIL("control of an unexpected class");
}

// Everything the settings show: every control of the table and the controls
// that load derives from them.
QStringList snapshot(const WindowFixture &fixture)
{
    QStringList names = {"cmbAspect", "cmbScreenRes", "ckbSyncMScaling", "ckbUseCustom",
                         "spnGamma", "spnFOV", "sldDecalDrawDistance", "lblTexFilterInd", "lblMSAAIndi"};
    for (const Setting &setting : settingsCatalogue()) {
        names.append(QLatin1String(setting.control));
        if (setting.loadControl)
            names.append(QLatin1String(setting.loadControl));
    }
    names.removeDuplicates();
    QStringList states;
    for (const QString &name : std::as_const(names))
        states.append(name + u'=' + stateOf(fixture.get<QWidget>(qPrintable(name))));
    return states;
}

void typeCustomSize(WindowFixture &fixture, const QString &width, const QString &height)
{
    fixture.get<QCheckBox>("ckbUseCustom")->setChecked(true);
    fixture.get<QLineEdit>("txtScreenResW")->setText(width);
    fixture.get<QLineEdit>("txtScreenResH")->setText(height);
}

// Presses Apply and returns what the message boxes it opened said.
QStringList pressApply(WindowFixture &fixture)
{
    MessageBoxWatcher watcher;
    fixture.get<QPushButton>("btnApply")->click();
    return watcher.seen;
}

#define APPLY_WITHOUT_MESSAGES(fixture)                                  \
    do {                                                                 \
        const QStringList seen = pressApply(fixture);                    \
        QVERIFY2(seen.isEmpty(), qPrintable(seen.join(u'\n')));          \
    } while (false)

QByteArray withCrLf(QByteArray bytes)
{
    return bytes.replace("\r\n", "\n").replace("\n", "\r\n");
}

bool isCatalogueKey(const QByteArray &section, const QByteArray &key)
{
    for (const Setting &setting : settingsCatalogue()) {
        if (section.compare(setting.section, Qt::CaseInsensitive) == 0
            && key.compare(setting.key, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

// The non-empty lines of a file that no catalogue key and no device name live on.
QList<QByteArray> foreignLines(const QByteArray &file)
{
    QList<QByteArray> kept;
    QByteArray section;
    for (const QByteArray &line : file.split('\n')) {
        const QByteArray text = line.trimmed();
        if (text.isEmpty())
            continue;
        if (text.startsWith('[')) {
            section = text.mid(1, text.indexOf(']') - 1).toLower();
            if (section == "general")
                section.clear();
        } else if (const qsizetype equals = text.indexOf('='); equals > 0 && !text.startsWith(';')) {
            const QByteArray key = text.left(equals).trimmed();
            if (isCatalogueKey(section, key) || key == "sD3DDevice")
                continue;
        }
        kept.append(line);
    }
    return kept;
}

} // namespace

class TestSettings : public QObject
{
    Q_OBJECT

private slots:
    void tableHasEveryKeyOnceInSectionOrder();
    void tableControlsFitTheirRules();
    void writtenOnlyKeysAreNotLoaded();

    void storedValueLoadsAndIsWrittenBack_data();
    void storedValueLoadsAndIsWrittenBack();
    void editedControlWritesItsKeys_data();
    void editedControlWritesItsKeys();
    void mouseScalesSyncWhenEqual_data();
    void mouseScalesSyncWhenEqual();

    void storedScreenSizeSelectsAspectAndEntry_data();
    void storedScreenSizeSelectsAspectAndEntry();
    void screenSizeIsWrittenAsTheFieldsShow_data();
    void screenSizeIsWrittenAsTheFieldsShow();
    void invalidScreenSizeWritesNothing_data();
    void invalidScreenSizeWritesNothing();

    void keysStayInTheFileThatHoldsThem();
    void applyIsStableAndReloadsTheSameState_data();
    void applyIsStableAndReloadsTheSameState();
    void realisticPairKeepsEveryForeignLine();
    void failedSaveIsShownAndTheOtherFileIsSaved();
};

void TestSettings::tableHasEveryKeyOnceInSectionOrder()
{
    const std::vector<Setting> &table = settingsCatalogue();
    QCOMPARE(int(table.size()), 71);

    QStringList visited;
    QSet<QString> keys;
    for (const Setting &setting : table) {
        if (visited.isEmpty() || visited.last() != QLatin1String(setting.section))
            visited.append(QLatin1String(setting.section));
        const QString id = QLatin1String(setting.section) + u'/' + QString::fromLatin1(setting.key).toLower();
        QVERIFY2(!keys.contains(id), qPrintable(id));
        keys.insert(id);
    }
    // Each section is visited in one run, so none is entered twice.
    QCOMPARE(visited, QStringList({"Display", "Imagespace", "BlurShaderHDR", "", "Decals", "Particles", "Water",
                                   "Controls"}));
}

void TestSettings::tableControlsFitTheirRules()
{
    WindowFixture fixture(quietPrefs, "[Display]\n" + validSize);
    const auto fits = [&](Rule rule, const char *name, bool loading) -> bool {
        QWidget *control = fixture.window->findChild<QWidget *>(QLatin1String(name));
        const auto *slider = qobject_cast<QAbstractSlider *>(control);
        const auto *box = qobject_cast<QComboBox *>(control);
        const auto *group = qobject_cast<QGroupBox *>(control);
        switch (rule) {
        case Rule::Flag:
            return qobject_cast<QCheckBox *>(control) || (group && group->isCheckable());
        case Rule::Integer:
        case Rule::NonZeroInteger:
            return slider || qobject_cast<QSpinBox *>(control);
        case Rule::Gamma:
            return loading ? qobject_cast<QSlider *>(control) != nullptr
                           : qobject_cast<QDoubleSpinBox *>(control) != nullptr;
        case Rule::Real:
        case Rule::NonZeroReal:
        case Rule::OneAndAHalf:
            return qobject_cast<QDoubleSpinBox *>(control);
        case Rule::Text:
            return qobject_cast<QLineEdit *>(control);
        case Rule::IndexPlusOne:
            return box && box->count() > 0;
        case Rule::ThreeMinusIndex:
            return box && box->count() == 4;
        case Rule::SizeTable:
        case Rule::HalfSizeTable:
            return box && box->count() == 6;
        case Rule::Multisample:
            return slider && slider->minimum() == 0 && slider->maximum() == 3;
        case Rule::Anisotropy:
            return slider && slider->minimum() == 0 && slider->maximum() == 4;
        }
        return false;
    };
    for (const Setting &setting : settingsCatalogue()) {
        QVERIFY2(fits(setting.rule, setting.control, false), setting.key);
        if (setting.loadControl)
            QVERIFY2(fits(setting.rule, setting.loadControl, true), setting.key);
    }
}

void TestSettings::writtenOnlyKeysAreNotLoaded()
{
    QStringList notLoaded;
    for (const Setting &setting : settingsCatalogue()) {
        if (!setting.loadControl)
            notLoaded.append(QLatin1String(setting.key));
    }
    QCOMPARE(notLoaded, QStringList({"fDecalLOD2", "iShadowMapResolutionPrimary", "iShadowMapResolutionSecondary",
                                     "fDefaultFOV", "fDefault1stPersonFOV", "iWaterReflectWidth"}));

    // Values in those keys that a load would show differently change nothing.
    WindowFixture without(quietPrefs, "[Display]\n" + validSize);
    const QStringList plain = snapshot(without);
    WindowFixture with(quietPrefs, "fDefaultFOV=100\nfDefault1stPersonFOV=110\n[Display]\n" + validSize
                                       + "fDecalLOD2=4321\niShadowMapResolutionPrimary=4096\n"
                                         "iShadowMapResolutionSecondary=512\n[Water]\niWaterReflectWidth=2048\n");
    QCOMPARE(snapshot(with), plain);
}

void TestSettings::storedValueLoadsAndIsWrittenBack_data()
{
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("stored");  // null: in neither file
    QTest::addColumn<QByteArray>("control");
    QTest::addColumn<QString>("shows");
    QTest::addColumn<QByteArray>("written"); // null: in neither file afterwards

    const auto row = [](const char *name, const char *section, const char *key, const char *stored,
                        const char *control, const char *shows, const char *written) {
        QTest::newRow(name) << QByteArray(section) << QByteArray(key) << QByteArray(stored) << QByteArray(control)
                            << QString::fromLatin1(shows) << QByteArray(written);
    };
    // Flags: any non-zero integer is on; what is not an integer is off.
    row("flag 2", "Display", "bFXAAEnabled", "2", "ckbFXAA", "on", "1");
    row("flag -1", "Display", "iPresentInterval", "-1", "ckbVSync", "on", "1");
    row("flag true", "Display", "bFXAAEnabled", "true", "ckbFXAA", "off", "0");
    row("flag 1.0", "Display", "bFXAAEnabled", "1.0", "ckbFXAA", "off", "0");
    row("flag NULL", "Display", "bFXAAEnabled", "NULL", "ckbFXAA", "off", "0");
    row("flag absent is created", "Decals", "bDecals", nullptr, "ckbDrawDecals", "off", "0");
    row("group box flag 2", "Water", "bUseWaterReflections", "2", "grpReflect", "on", "1");
    // Value tables; a value outside its table leaves the control where it was.
    row("multisample 4", "Display", "iMultiSample", "4", "sldAA", "2", "4");
    row("multisample 4.0", "Display", "iMultiSample", "4.0", "sldAA", "2", "4");
    row("multisample 6", "Display", "iMultiSample", "6", "sldAA", "0", "1");
    row("anisotropy 16", "Display", "iMaxAnisotropy", "16", "sldTexFilter", "4", "16");
    row("anisotropy 16 caption", "Display", "iMaxAnisotropy", "16", "lblTexFilterInd", "16x", "16");
    row("anisotropy 3", "Display", "iMaxAnisotropy", "3", "sldTexFilter", "0", "0");
    row("shadow map 4096", "Display", "iShadowMapResolution", "4096", "cmbShadowRes", "4", "4096");
    row("shadow map 3000", "Display", "iShadowMapResolution", "3000", "cmbShadowRes", "0", "256");
    row("water reflection 512", "Water", "iWaterReflectHeight", "512", "cmbWaterRes", "1", "512");
    // Offsets; a combo box left without a current item writes nothing.
    row("mipmap skip 0 is High", "Display", "iTexMipMapSkip", "0", "cmbTexQual", "3", "0");
    row("mipmap skip 3 is Very Low", "Display", "iTexMipMapSkip", "3", "cmbTexQual", "0", "3");
    row("mipmap skip 5 is kept", "Display", "iTexMipMapSkip", "5", "cmbTexQual", "-1", "5");
    row("mipmap skip -1 is kept", "Display", "iTexMipMapSkip", "-1", "cmbTexQual", "-1", "-1");
    row("shadow filter absent", "Display", "iShadowFilter", nullptr, "cmbShadowFilter", "-1", nullptr);
    row("shadow filter 0 is kept", "Display", "iShadowFilter", "0", "cmbShadowFilter", "-1", "0");
    row("shadow mode absent", "Display", "iShadowMode", nullptr, "cmbShadowMode", "-1", nullptr);
    row("shadow mode 2", "Display", "iShadowMode", "2", "cmbShadowMode", "1", "2");
    row("shadow mode 4 is kept", "Display", "iShadowMode", "4", "cmbShadowMode", "-1", "4");
    row("radial blur absent", "Imagespace", "iRadialBlurLevel", nullptr, "cmbRadBlurLev", "-1", nullptr);
    // The controls' ranges bound what is loaded.
    row("shadow distance 20000", "Display", "fShadowDistance", "20000", "spnShadowDistExt", "10000", "10000");
    row("shadow distance text", "Display", "fShadowDistance", "far", "spnShadowDistExt", "0", "0");
    row("shadow distance nan", "Display", "fShadowDistance", "nan", "spnShadowDistExt", "0", "0");
    row("max decals 300", "Decals", "uMaxDecals", "300", "sldMaxDecals", "255", "255");
    row("max decals absent", "Decals", "uMaxDecals", nullptr, "sldMaxDecals", "1", "1");
    // Field of view: only a non-zero integer replaces the starting 85.
    row("fov 0", "", "fDefaultWorldFOV", "0", "sldFOV", "85", "85");
    row("fov absent", "", "fDefaultWorldFOV", nullptr, "sldFOV", "85", "85");
    row("fov 200", "", "fDefaultWorldFOV", "200", "sldFOV", "140", "140");
    row("fov 75.5", "", "fDefaultWorldFOV", "75.5", "sldFOV", "85", "85");
    row("fov 90", "", "fDefaultWorldFOV", "90", "spnFOV", "90", "90");
    // Gamma goes through the slider and must not drift a step down.
    row("gamma 0.9 slider", "Display", "fGamma", "0.9", "sldGamma", "900", "0.9");
    row("gamma 0.9 spin box", "Display", "fGamma", "0.9", "spnGamma", "0.9", "0.9");
    row("gamma 1.15", "Display", "fGamma", "1.15", "sldGamma", "1150", "1.15");
    row("gamma 1.0000", "Display", "fGamma", "1.0000", "spnGamma", "1", "1");
    // Decal distance and mouse scale.
    row("decal distance", "Display", "fDecalLOD1", "1000.0000", "sldDecalDrawDistance", "1000000", "1000");
    row("mouse scale 0 keeps 0.02", "Controls", "fMouseHeadingXScale", "0", "sldMouseSCalX", "20", "0.02");
    row("mouse scale 0.5", "Controls", "fMouseHeadingXScale", "0.5", "spnMouseSCalX", "0.5", "0.5");
}

void TestSettings::storedValueLoadsAndIsWrittenBack()
{
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, stored);
    QFETCH(QByteArray, control);
    QFETCH(QString, shows);
    QFETCH(QByteArray, written);

    const QByteArray line = stored.isNull() ? QByteArray() : key + '=' + stored + '\n';
    const QByteArray mainFile = section == "Display" ? "[Display]\n" + line + validSize
                                                     : header(section) + line + "[Display]\n" + validSize;
    WindowFixture fixture(quietPrefs, mainFile);
    QCOMPARE(stateOf(fixture.get<QWidget>(control)), shows);

    APPLY_WITHOUT_MESSAGES(fixture);
    QVERIFY(!holds(fixture.home.prefs(), section, key));
    QCOMPARE(storedValue(fixture.home.main(), section, key), written.isNull() ? QByteArray("<absent>") : written);
}

void TestSettings::editedControlWritesItsKeys_data()
{
    QTest::addColumn<QByteArray>("control");
    QTest::addColumn<QString>("state");
    QTest::addColumn<QStringList>("written"); // "section/key=value"

    const auto row = [](const char *control, const char *state, const char *written) {
        QTest::addRow("%s %s", control, state)
            << QByteArray(control) << QString::fromLatin1(state) << QString::fromLatin1(written).split(u' ');
    };
    row("sldAA", "3", "Display/iMultiSample=8");
    row("sldAA", "0", "Display/iMultiSample=1");
    row("cmbShadowRes", "4096x4096", "Display/iShadowMapResolution=4096 Display/iShadowMapResolutionPrimary=4096 "
                                     "Display/iShadowMapResolutionSecondary=2048");
    row("cmbShadowRes", "256x256", "Display/iShadowMapResolution=256 Display/iShadowMapResolutionPrimary=256 "
                                   "Display/iShadowMapResolutionSecondary=128");
    row("cmbWaterRes", "512x512", "Water/iWaterReflectHeight=512 Water/iWaterReflectWidth=512");
    row("cmbTexQual", "High", "Display/iTexMipMapSkip=0");
    row("cmbTexQual", "Low", "Display/iTexMipMapSkip=2");
    row("cmbShadowFilter", "Ultra", "Display/iShadowFilter=4");
    row("cmbRadBlurLev", "Low", "Imagespace/iRadialBlurLevel=1");
    row("spnGamma", "0.75", "Display/fGamma=0.75");
    row("spnGamma", "1.0", "Display/fGamma=1");
    row("spnDecalDrawDistance", "2000.5", "Display/fDecalLOD1=2000.5 Display/fDecalLOD2=3000.75");
    row("sldFOV", "90", "/fDefaultFOV=90 /fDefaultWorldFOV=90 /fDefault1stPersonFOV=90");
    row("grpReflect", "on", "Water/bUseWaterReflections=1");
    row("sldReflectBlur", "4", "Water/iWaterBlurAmount=4"); // written although disabled
}

void TestSettings::editedControlWritesItsKeys()
{
    QFETCH(QByteArray, control);
    QFETCH(QString, state);
    QFETCH(QStringList, written);

    WindowFixture fixture(quietPrefs, "[Display]\n" + validSize);
    setState(fixture.get<QWidget>(control), state);
    APPLY_WITHOUT_MESSAGES(fixture);
    const QByteArray mainFile = fixture.home.main();
    for (const QString &expected : std::as_const(written)) {
        const QByteArray section = expected.section(u'/', 0, 0).toLatin1();
        const QByteArray key = expected.section(u'/', 1).section(u'=', 0, 0).toLatin1();
        QCOMPARE(storedValue(mainFile, section, key), expected.section(u'=', 1).toLatin1());
    }
}

void TestSettings::mouseScalesSyncWhenEqual_data()
{
    QTest::addColumn<QByteArray>("scales"); // lines of [Controls]
    QTest::addColumn<bool>("synced");
    QTest::addColumn<QString>("x");
    QTest::addColumn<QString>("y");
    QTest::newRow("equal") << QByteArray("fMouseHeadingXScale=0.02\nfMouseHeadingYScale=0.0200\n") << true << "0.02"
                           << "0.02";
    QTest::newRow("different") << QByteArray("fMouseHeadingXScale=0.02\nfMouseHeadingYScale=0.03\n") << false
                               << "0.02" << "0.03";
    QTest::newRow("0 keeps the start value") << QByteArray("fMouseHeadingXScale=0\nfMouseHeadingYScale=0.02\n")
                                             << true << "0.02" << "0.02";
    QTest::newRow("both absent") << QByteArray() << true << "0.02" << "0.02";
    QTest::newRow("only x differs") << QByteArray("fMouseHeadingXScale=0.5\n") << false << "0.5" << "0.02";
}

void TestSettings::mouseScalesSyncWhenEqual()
{
    QFETCH(QByteArray, scales);
    QFETCH(bool, synced);
    QFETCH(QString, x);
    QFETCH(QString, y);
    WindowFixture fixture(quietPrefs, "[Display]\n" + validSize + "[Controls]\n" + scales);
    QCOMPARE(fixture.get<QCheckBox>("ckbSyncMScaling")->isChecked(), synced);
    QCOMPARE(stateOf(fixture.get<QWidget>("spnMouseSCalX")), x);
    QCOMPARE(stateOf(fixture.get<QWidget>("spnMouseSCalY")), y);
    // Loading one scale must not have dragged the other along.
    QCOMPARE(fixture.get<QSlider>("sldMouseSCalY")->value(), qRound(y.toDouble() * 1000));
}

void TestSettings::storedScreenSizeSelectsAspectAndEntry_data()
{
    QTest::addColumn<QByteArray>("sizeLines");
    QTest::addColumn<int>("aspect");
    QTest::addColumn<QString>("entry"); // empty: no current item
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("height");
    QTest::newRow("16:9") << QByteArray(validSize) << 1 << "1280x720" << "1280" << "720";
    QTest::newRow("4:3 while already 4:3") << QByteArray("iSize W=1024\niSize H=768\n") << 0 << "1024x768" << "1024"
                                           << "768";
    QTest::newRow("16:10") << QByteArray("iSize W=1920\niSize H=1200\n") << 2 << "1920x1200" << "1920" << "1200";
    QTest::newRow("in no list") << QByteArray("iSize W=1000\niSize H=700\n") << 0 << "" << "1000" << "700";
    QTest::newRow("wider than every list") << QByteArray("iSize W=2560\niSize H=1440\n") << 0 << "" << "2560"
                                           << "1440";
    QTest::newRow("width and height swapped") << QByteArray("iSize W=720\niSize H=1280\n") << 0 << "" << "720"
                                              << "1280";
    QTest::newRow("leading zero") << QByteArray("iSize W=01280\niSize H=720\n") << 0 << "" << "01280" << "720";
    QTest::newRow("quoted leading space") << QByteArray("iSize W=\" 1280\"\niSize H=720\n") << 0 << "" << " 1280"
                                          << "720";
    QTest::newRow("absent") << QByteArray() << 0 << "" << "NULL" << "NULL";
}

void TestSettings::storedScreenSizeSelectsAspectAndEntry()
{
    QFETCH(QByteArray, sizeLines);
    QFETCH(int, aspect);
    QFETCH(QString, entry);
    QFETCH(QString, width);
    QFETCH(QString, height);
    WindowFixture fixture(quietPrefs, "[Display]\n" + sizeLines);
    QCOMPARE(fixture.get<QComboBox>("cmbAspect")->currentIndex(), aspect);
    auto *resolution = fixture.get<QComboBox>("cmbScreenRes");
    QCOMPARE(resolution->currentIndex() < 0 ? QString() : resolution->currentText(), entry);
    QCOMPARE(fixture.get<QLineEdit>("txtScreenResW")->text(), width);
    QCOMPARE(fixture.get<QLineEdit>("txtScreenResH")->text(), height);

    // A size in no list is still a size: Apply writes it back as it was.
    if (width != QLatin1String("NULL") && !width.startsWith(u' ')) {
        APPLY_WITHOUT_MESSAGES(fixture);
        QCOMPARE(storedValue(fixture.home.main(), "Display", "iSize W"), width.toLatin1());
        QCOMPARE(storedValue(fixture.home.main(), "Display", "iSize H"), height.toLatin1());
    }
}

void TestSettings::screenSizeIsWrittenAsTheFieldsShow_data()
{
    QTest::addColumn<QByteArray>("sizeLines");
    QTest::addColumn<QString>("aspect"); // empty: untouched
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QStringList>("typed"); // width and height, typed with "custom" checked
    QTest::addColumn<QByteArray>("width");
    QTest::addColumn<QByteArray>("height");
    QTest::newRow("chosen from the list") << QByteArray(validSize) << "16:9" << "1600x900" << QStringList()
                                          << QByteArray("1600") << QByteArray("900");
    QTest::newRow("other aspect chosen") << QByteArray(validSize) << "16:10" << "" << QStringList()
                                         << QByteArray("1024") << QByteArray("640");
    QTest::newRow("custom") << QByteArray(validSize) << "" << "" << QStringList{"1000", "700"} << QByteArray("1000")
                            << QByteArray("700");
}

void TestSettings::screenSizeIsWrittenAsTheFieldsShow()
{
    QFETCH(QByteArray, sizeLines);
    QFETCH(QString, aspect);
    QFETCH(QString, entry);
    QFETCH(QStringList, typed);
    QFETCH(QByteArray, width);
    QFETCH(QByteArray, height);
    WindowFixture fixture(quietPrefs, "[Display]\n" + sizeLines);
    if (!aspect.isEmpty())
        setState(fixture.get<QComboBox>("cmbAspect"), aspect);
    if (!entry.isEmpty())
        setState(fixture.get<QComboBox>("cmbScreenRes"), entry);
    if (!typed.isEmpty())
        typeCustomSize(fixture, typed.at(0), typed.at(1));
    APPLY_WITHOUT_MESSAGES(fixture);
    QCOMPARE(storedValue(fixture.home.main(), "Display", "iSize W"), QByteArray(width));
    QCOMPARE(storedValue(fixture.home.main(), "Display", "iSize H"), QByteArray(height));
}

void TestSettings::invalidScreenSizeWritesNothing_data()
{
    QTest::addColumn<bool>("sizeStored");
    QTest::addColumn<QStringList>("typed"); // width and height; empty: as loaded
    QTest::newRow("absent keys show NULL") << false << QStringList();
    QTest::newRow("empty width") << true << QStringList{"", "720"};
    QTest::newRow("zero height") << true << QStringList{"1280", "0"};
    QTest::newRow("negative width") << true << QStringList{"-5", "720"};
    QTest::newRow("letters") << true << QStringList{"12a", "720"};
    QTest::newRow("decimal height") << true << QStringList{"1280", "1.5"};
    QTest::newRow("plus sign") << true << QStringList{"+1280", "720"};
}

void TestSettings::invalidScreenSizeWritesNothing()
{
    QFETCH(bool, sizeStored);
    QFETCH(QStringList, typed);
    // Both files would change on any save: a flag to normalise, an empty line
    // to drop, a device name to quote.
    const QByteArray prefsFile = "[Display]\nsD3DDevice=Radeon\n\nbFXAAEnabled=2\n";
    const QByteArray mainFile = "[Display]\n" + (sizeStored ? validSize : QByteArray()) + "\nbFull Screen=2\n";
    WindowFixture fixture(prefsFile, mainFile);
    if (!sizeStored)
        QCOMPARE(fixture.get<QLineEdit>("txtScreenResW")->text(), QStringLiteral("NULL"));
    if (!typed.isEmpty())
        typeCustomSize(fixture, typed.at(0), typed.at(1));
    QCOMPARE(pressApply(fixture),
             QStringList{"Invalid resolution! | The screen width and height must be whole numbers greater than 0. "
                         "Choose a resolution from the list or enter a custom one. | "});
    QCOMPARE(fixture.home.prefs(), prefsFile);
    QCOMPARE(fixture.home.main(), mainFile);
}

void TestSettings::keysStayInTheFileThatHoldsThem()
{
    const QByteArray prefsFile = "[General]\nfDefaultWorldFOV=75.5\n[Display]\nsD3DDevice=\"\"\niShadowFilter=3\n"
                                 "bFXAAEnabled=1\nbDrawShadows=1\nbDrawLandShadows=NULL\n";
    const QByteArray mainFile = "[Display]\niShadowFilter=2\n" + validSize + "bFXAAEnabled=NULL\n"
                                "bDrawLandShadows=NULL\n[Water]\nbUseWaterShader=1\n[Controls]\nbInvertYValues=1\n";
    WindowFixture fixture(prefsFile, mainFile);
    QCOMPARE(fixture.get<QComboBox>("cmbShadowFilter")->currentIndex(), 1); // the main file wins
    QVERIFY(fixture.get<QCheckBox>("ckbFXAA")->isChecked());                // NULL in the main file is absent
    QVERIFY(!fixture.get<QCheckBox>("ckbLandShadows")->isChecked());
    QCOMPARE(fixture.get<QSlider>("sldFOV")->value(), 85);

    setState(fixture.get<QWidget>("cmbShadowFilter"), QStringLiteral("Ultra"));
    setState(fixture.get<QWidget>("ckbFXAA"), QStringLiteral("off"));
    setState(fixture.get<QWidget>("ckbDrawShadows"), QStringLiteral("off"));
    APPLY_WITHOUT_MESSAGES(fixture);
    const QByteArray prefsAfter = fixture.home.prefs();
    const QByteArray mainAfter = fixture.home.main();

    QCOMPARE(prefsAfter, QByteArray("[General]\nfDefaultWorldFOV=85\n[Display]\nsD3DDevice=\"\"\niShadowFilter=3\n"
                                    "bFXAAEnabled=0\nbDrawShadows=0\nbDrawLandShadows=NULL\n"));
    QCOMPARE(storedValue(mainAfter, "Display", "iShadowFilter"), QByteArray("4"));
    QCOMPARE(storedValue(mainAfter, "Display", "bFXAAEnabled"), QByteArray("NULL"));
    QCOMPARE(storedValue(mainAfter, "Display", "bDrawLandShadows"), QByteArray("0"));

    // A key in neither file is created in the main file, in its own section:
    // after the keys a section already has, or in a section appended in table order.
    for (const Setting &setting : settingsCatalogue()) {
        const QByteArray section(setting.section);
        const QByteArray key(setting.key);
        if (key == "iShadowMode" || key == "iRadialBlurLevel") // no current item: nothing written
            QVERIFY2(!holds(mainAfter, section, key) && !holds(prefsAfter, section, key), setting.key);
        else if (!holds(mainFile, section, key))
            QVERIFY2(holds(mainAfter, section, key) != holds(prefsFile, section, key), setting.key);
    }
    QList<QByteArray> headers;
    for (const QByteArray &line : mainAfter.split('\n')) {
        if (line.startsWith('['))
            headers.append(line);
    }
    QCOMPARE(headers, QList<QByteArray>({"[Display]", "[Water]", "[Controls]", "[Imagespace]", "[BlurShaderHDR]",
                                         "[General]", "[Decals]", "[Particles]"}));
    QVERIFY(mainAfter.contains("[General]\nfDefaultFOV=85\nfDefault1stPersonFOV=85\n[Decals]\n"));
    QVERIFY(mainAfter.contains("[Water]\nbUseWaterShader=1\nbUseWaterReflections=0\n"));
    QVERIFY(mainAfter.contains("bAutoWaterSilhouetteReflections=0\n[Controls]\nbInvertYValues=1\nbMouseAcceleration=0\n"));
}

void TestSettings::applyIsStableAndReloadsTheSameState_data()
{
    QTest::addColumn<QByteArray>("prefsFile");
    QTest::addColumn<QByteArray>("mainFile");
    QTest::newRow("examples") << readBytes(QStringLiteral(VANTOR_SOURCE_DIR "/examples/VantorPrefs.ini"))
                              << readBytes(QStringLiteral(VANTOR_SOURCE_DIR "/examples/Vantor.ini"));
    QTest::newRow("odd values") << QByteArray("[Display]\r\nsD3DDevice=Some GPU\r\nfGamma=0.9\r\niMultiSample=6\r\n"
                                              "iTexMipMapSkip=7\r\nbFXAAEnabled=2\r\n\r\n[Controls]\r\n"
                                              "fMouseHeadingXScale=0.02\r\nfMouseHeadingYScale=0.0305\r\n")
                                << QByteArray("[Display]\r\niSize W=2560\r\niSize H=1440\r\nfDecalLOD1=1234.5678\r\n"
                                              "fShadowDistance=20000\r\n[Decals]\r\nuMaxDecals=300\r\n");
    QTest::newRow("nearly empty") << QByteArray("[Display]\n") << "[Display]\n" + validSize;
}

void TestSettings::applyIsStableAndReloadsTheSameState()
{
    QFETCH(QByteArray, prefsFile);
    QFETCH(QByteArray, mainFile);
    WindowFixture fixture(prefsFile, mainFile);
    const QStringList loaded = snapshot(fixture);

    APPLY_WITHOUT_MESSAGES(fixture);
    const QByteArray prefsOnce = fixture.home.prefs();
    const QByteArray mainOnce = fixture.home.main();
    APPLY_WITHOUT_MESSAGES(fixture);
    QCOMPARE(fixture.home.prefs(), prefsOnce);
    QCOMPARE(fixture.home.main(), mainOnce);

    fixture.restart();
    QCOMPARE(snapshot(fixture), loaded);
    APPLY_WITHOUT_MESSAGES(fixture);
    QCOMPARE(fixture.home.prefs(), prefsOnce);
    QCOMPARE(fixture.home.main(), mainOnce);
}

void TestSettings::realisticPairKeepsEveryForeignLine()
{
    // Without its particle count, the preferences file makes Apply add a section to the main file.
    const QByteArray prefsFile = withCrLf(readBytes(QStringLiteral(VANTOR_SOURCE_DIR "/examples/VantorPrefs.ini")))
                                     .replace("iMaxDesired=750\r\n", "");
    const QByteArray mainFile = withCrLf(readBytes(QStringLiteral(VANTOR_SOURCE_DIR "/examples/Vantor.ini")));
    QVERIFY(mainFile.contains("sLocalSavePath=Saves\\\r\n"));
    QVERIFY(mainFile.contains("Vantor - Misc.bsa, Vantor - Shaders.bsa"));

    WindowFixture fixture(prefsFile, mainFile);
    setState(fixture.get<QWidget>("sldAA"), QStringLiteral("3")); // something to write
    APPLY_WITHOUT_MESSAGES(fixture);
    const QByteArray prefsAfter = fixture.home.prefs();
    const QByteArray mainAfter = fixture.home.main();

    for (const QByteArray &file : {prefsAfter, mainAfter}) {
        QCOMPARE(file.count('\n'), file.count("\r\n"));
        QVERIFY(!file.contains("\r\n\r\n"));
        QVERIFY(file.endsWith("\r\n"));
    }
    QCOMPARE(foreignLines(prefsAfter), foreignLines(prefsFile));
    QCOMPARE(foreignLines(mainAfter), foreignLines(mainFile) << "[Particles]\r");
    QVERIFY(prefsAfter.contains("\r\nsD3DDevice=\"Radeon RX 6600 XT\"\r\n"));
    QCOMPARE(storedValue(prefsAfter, "Display", "iMultiSample"), QByteArray("8"));
    // The main file holds no value that changed, so only its empty lines went.
    QCOMPARE(mainAfter, QByteArray(mainFile).replace("\r\n\r\n", "\r\n") + "[Particles]\r\niMaxDesired=1\r\n");
}

void TestSettings::failedSaveIsShownAndTheOtherFileIsSaved()
{
    const QByteArray prefsFile = "[Display]\nsD3DDevice=Radeon\niPresentInterval=2\n";
    const QByteArray mainFile = "[Display]\n" + validSize + "bFull Screen=2\n";
    WindowFixture fixture(prefsFile, mainFile);
    const QString mainPath = fixture.home.mainPath();
    QVERIFY(QFile::setPermissions(mainPath, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

    const QStringList seen = pressApply(fixture);
    QFile::setPermissions(mainPath, QFile::ReadOwner | QFile::WriteOwner);
    QCOMPARE(seen.size(), 1);
    const QStringList parts = seen.first().split(QStringLiteral(" | "));
    QCOMPARE(parts.size(), 3);
    QCOMPARE(parts.at(0), QStringLiteral("File access error!"));
    QVERIFY2(parts.at(1).contains(QStringLiteral("Couldn't save ") + QDir::toNativeSeparators(mainPath) + u'!'),
             qPrintable(parts.at(1)));
    QVERIFY2(!parts.at(1).contains(QStringLiteral("VantorPrefs.ini")), qPrintable(parts.at(1)));
    QVERIFY2(parts.at(2).contains(QStringLiteral("read-only")), qPrintable(parts.at(2)));

    QCOMPARE(fixture.home.main(), mainFile);
    QCOMPARE(fixture.home.prefs(), QByteArray("[Display]\nsD3DDevice=\"Radeon\"\niPresentInterval=1\n"));
}

VANTOR_REGISTER_TEST(TestSettings)
#include "tst_settings.moc"
