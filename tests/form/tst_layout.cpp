#include "testregistry.h"
#include "ui_mainform.h"

#include <QFile>
#include <QMainWindow>
#include <QMenuBar>
#include <QSet>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTextDocument>
#include <QToolBar>
#include <memory>
#include <type_traits>

namespace {

// The form built into a plain window, as the program's own window does first thing.
struct Form
{
    QMainWindow window;
    Ui::MainForm ui;
    Form() { ui.setupUi(&window); }
    template<typename T = QWidget>
    T *get(const QString &name) const { return window.findChild<T *>(name); }
};

struct WidgetRow
{
    QString name;
    QWidget *field;
    QByteArray declaredClass; // type of the MainForm field
    QByteArray expectedClass;
    QString parent;           // for a tab page: its tab widget
};

// Every field of the record in creation order, with class and parent.
#define W(n, c, p) WidgetRow{QStringLiteral(#n), ui.n, \
    std::remove_pointer_t<decltype(ui.n)>::staticMetaObject.className(), #c, QStringLiteral(#p)}

QList<WidgetRow> widgetRows(const Ui::MainForm &ui)
{
    return {
        W(centralWidget, QWidget, MainWindow), W(tabMain, QTabWidget, centralWidget),
        W(tabMain_GFX, QWidget, tabMain), W(tabGFX, QTabWidget, tabMain_GFX), W(tabGFX_Screen, QWidget, tabGFX),
        W(grpScreenRes, QGroupBox, tabGFX_Screen), W(cmbScreenRes, QComboBox, grpScreenRes),
        W(lblScreenRes, QLabel, grpScreenRes), W(lblScreenResCust, QLabel, grpScreenRes),
        W(txtScreenResW, QLineEdit, grpScreenRes), W(txtScreenResH, QLineEdit, grpScreenRes),
        W(lblScreenResCross, QLabel, grpScreenRes), W(ckbUseCustom, QCheckBox, grpScreenRes),
        W(ckbScreenFuScr, QCheckBox, grpScreenRes), W(ckbVSync, QCheckBox, grpScreenRes),
        W(lblGamma, QLabel, grpScreenRes), W(sldGamma, QSlider, grpScreenRes),
        W(spnGamma, QDoubleSpinBox, grpScreenRes), W(cmbAspect, QComboBox, grpScreenRes),
        W(lblAspect, QLabel, grpScreenRes), W(lblFOV, QLabel, grpScreenRes), W(sldFOV, QSlider, grpScreenRes),
        W(spnFOV, QSpinBox, grpScreenRes), W(grpAA, QGroupBox, tabGFX_Screen), W(sldAA, QSlider, grpAA),
        W(lblMSAA, QLabel, grpAA), W(lblMSAAIndi, QLabel, grpAA), W(ckbFXAA, QCheckBox, grpAA),
        W(ckbTransAA, QCheckBox, grpAA), W(grpPP, QGroupBox, tabGFX_Screen), W(ckbDOF, QCheckBox, grpPP),
        W(lblRadBlur, QLabel, grpPP), W(cmbRadBlurLev, QComboBox, grpPP), W(ckbHDR, QCheckBox, grpPP),
        W(ckbSh30, QCheckBox, grpPP), W(ckbFog30, QCheckBox, grpPP), W(tabGFX_Tex, QWidget, tabGFX),
        W(grpTexGnrl, QGroupBox, tabGFX_Tex), W(lblTexFilter, QLabel, grpTexGnrl),
        W(sldTexFilter, QSlider, grpTexGnrl), W(lblTexFilterInd, QLabel, grpTexGnrl),
        W(lblTexQual, QLabel, grpTexGnrl), W(cmbTexQual, QComboBox, grpTexGnrl), W(grpDecals, QGroupBox, tabGFX_Tex),
        W(ckbDrawDecals, QCheckBox, grpDecals), W(ckbDrawDecalsModels, QCheckBox, grpDecals),
        W(sldMaxDecals, QSlider, grpDecals), W(lblMaxDecals, QLabel, grpDecals),
        W(spnMaxDecals, QSpinBox, grpDecals), W(sldMaxDecalsModels, QSlider, grpDecals),
        W(spnMaxDecalsModels, QSpinBox, grpDecals), W(lblMaxDecalsModels, QLabel, grpDecals),
        W(lblMaxDecalsModelsPA, QLabel, grpDecals), W(spnMaxDecalsModelsPA, QSpinBox, grpDecals),
        W(sldMaxDecalsModelsPA, QSlider, grpDecals), W(sldDecalDrawDistance, QSlider, grpDecals),
        W(lblDecalDrawDistance, QLabel, grpDecals), W(spnDecalDrawDistance, QDoubleSpinBox, grpDecals),
        W(grpParticles, QGroupBox, tabGFX_Tex), W(lblMaxParticles, QLabel, grpParticles),
        W(spnMaxParticles, QSpinBox, grpParticles), W(sldMaxParticles, QSlider, grpParticles),
        W(tabGFX_Models, QWidget, tabGFX), W(tabGFX_Lighting, QWidget, tabGFX),
        W(tabLighting, QTabWidget, tabGFX_Lighting), W(tabLighting_Shadows, QWidget, tabLighting),
        W(ckbLandShadows, QCheckBox, tabLighting_Shadows), W(spnShadowBlur, QSpinBox, tabLighting_Shadows),
        W(lblShadowSplitC, QLabel, tabLighting_Shadows), W(sldShadowMaskQuarter, QSlider, tabLighting_Shadows),
        W(lblShadowFilter, QLabel, tabLighting_Shadows), W(spnShadowSplitC, QSpinBox, tabLighting_Shadows),
        W(ckbDrawShadows, QCheckBox, tabLighting_Shadows), W(lblShadowMaskQuarter, QLabel, tabLighting_Shadows),
        W(ckbTreeShadows, QCheckBox, tabLighting_Shadows), W(sldShadowDistExt, QSlider, tabLighting_Shadows),
        W(lblShadowMode, QLabel, tabLighting_Shadows), W(ckbGrassShadows, QCheckBox, tabLighting_Shadows),
        W(spnShadowMaskQuarter, QSpinBox, tabLighting_Shadows), W(sldShadowSplitC, QSlider, tabLighting_Shadows),
        W(lblShadowResPX, QLabel, tabLighting_Shadows), W(spnShadowDistInt, QDoubleSpinBox, tabLighting_Shadows),
        W(sldShadowBlur, QSlider, tabLighting_Shadows), W(cmbShadowMode, QComboBox, tabLighting_Shadows),
        W(lblShadowDistInt, QLabel, tabLighting_Shadows), W(cmbShadowRes, QComboBox, tabLighting_Shadows),
        W(spnShadowBias, QDoubleSpinBox, tabLighting_Shadows), W(lblShadowBlur, QLabel, tabLighting_Shadows),
        W(sldShadowBias, QSlider, tabLighting_Shadows), W(lblShadowDistExt, QLabel, tabLighting_Shadows),
        W(spnShadowDistExt, QDoubleSpinBox, tabLighting_Shadows), W(lblShadowBias, QLabel, tabLighting_Shadows),
        W(sldShadowDistInt, QSlider, tabLighting_Shadows), W(cmbShadowFilter, QComboBox, tabLighting_Shadows),
        W(lblShadowRes, QLabel, tabLighting_Shadows), W(ckbPlrSelfShad, QCheckBox, tabLighting_Shadows),
        W(lblShadowDistFade, QLabel, tabLighting_Shadows), W(sldShadowDistFade, QSlider, tabLighting_Shadows),
        W(spnShadowDistFade, QDoubleSpinBox, tabLighting_Shadows), W(tabLighting_Light, QWidget, tabLighting),
        W(ckbSimpleLight, QCheckBox, tabLighting_Light), W(ckbDynWinRefl, QCheckBox, tabLighting_Light),
        W(sldLightFadeDist, QSlider, tabLighting_Light), W(spnLightFadeDist, QDoubleSpinBox, tabLighting_Light),
        W(lblLightFade, QLabel, tabLighting_Light), W(spnSpecFadeDist, QDoubleSpinBox, tabLighting_Light),
        W(sldSpecFadeDist, QSlider, tabLighting_Light), W(lblSpecFade, QLabel, tabLighting_Light),
        W(ckbSunBeams, QCheckBox, tabLighting_Light), W(tabGFX_Water, QWidget, tabGFX),
        W(ckbRefract, QCheckBox, tabGFX_Water), W(grpReflect, QGroupBox, tabGFX_Water),
        W(ckbReflect_Objects, QCheckBox, grpReflect), W(ckbReflect_Trees, QCheckBox, grpReflect),
        W(ckbReflect_Land, QCheckBox, grpReflect), W(ckbReflect_Sky, QCheckBox, grpReflect),
        W(lblReflectRes, QLabel, grpReflect), W(cmbWaterRes, QComboBox, grpReflect),
        W(lblReflectResPX, QLabel, grpReflect), W(ckbReflect_Explosions, QCheckBox, grpReflect),
        W(ckbReflectBlur, QCheckBox, grpReflect), W(lblReflBlurAmount, QLabel, grpReflect),
        W(sldReflectBlur, QSlider, grpReflect), W(spnReflectBlur, QSpinBox, grpReflect),
        W(ckbForceHD, QCheckBox, grpReflect), W(ckbSilRefl, QCheckBox, grpReflect),
        W(ckbDisplace, QCheckBox, tabGFX_Water), W(ckbDepth, QCheckBox, tabGFX_Water),
        W(ckbWaterShader, QCheckBox, tabGFX_Water), W(ckbWaterLOD, QCheckBox, tabGFX_Water),
        W(ckbWaterShaderHR, QCheckBox, tabGFX_Water), W(tabMain_SND, QWidget, tabMain),
        W(tabMain_CTRL, QWidget, tabMain), W(tabControls, QTabWidget, tabMain_CTRL),
        W(tabControls_Mouse, QWidget, tabControls), W(ckbMouseAccel, QCheckBox, tabControls_Mouse),
        W(ckbMouseInvertY, QCheckBox, tabControls_Mouse), W(lblMouseSens, QLabel, tabControls_Mouse),
        W(sldMouseSens, QSlider, tabControls_Mouse), W(spnMouseSens, QDoubleSpinBox, tabControls_Mouse),
        W(sldMouseSCalX, QSlider, tabControls_Mouse), W(lblMouseSCalX, QLabel, tabControls_Mouse),
        W(spnMouseSCalX, QDoubleSpinBox, tabControls_Mouse), W(spnMouseSCalY, QDoubleSpinBox, tabControls_Mouse),
        W(lblMouseSCalY, QLabel, tabControls_Mouse), W(sldMouseSCalY, QSlider, tabControls_Mouse),
        W(ckbSyncMScaling, QCheckBox, tabControls_Mouse), W(tabControls_KB, QWidget, tabControls),
        W(grpPreview, QGroupBox, centralWidget), W(viwPreview, QLabel, grpPreview),
        W(ckbShowPreview, QCheckBox, centralWidget), W(btnApply, QPushButton, centralWidget)
    };
}
#undef W

// Caption of each widget: a group box's title, every other widget's text.
const QList<QPair<QString, QString>> &captionTable()
{
    static const QList<QPair<QString, QString>> table{
        {"grpScreenRes", "Screen"}, {"lblScreenRes", "Resolution:"}, {"lblScreenResCust", "Custom resolution:"},
        {"txtScreenResW", "800"}, {"txtScreenResH", "600"}, {"lblScreenResCross", "X"},
        {"ckbUseCustom", "use custom resolution"}, {"ckbScreenFuScr", "Fullscreen"}, {"ckbVSync", "V-Sync"},
        {"lblGamma", "Gamma:"}, {"lblAspect", "Aspect Ratio:"}, {"lblFOV", "Field-of-View:"},
        {"grpAA", "Anti-Aliasing"}, {"lblMSAA", "MSAA:"}, {"lblMSAAIndi", "0x"}, {"ckbFXAA", "FXAA"},
        {"ckbTransAA", "transparency MSAA"}, {"grpPP", "Post-Processing"}, {"ckbDOF", "Depth-of-Field"},
        {"lblRadBlur", "Radial blur level:"}, {"ckbHDR", "High-Dynamic Range"}, {"ckbSh30", "Use 3.0 Shaders"},
        {"ckbFog30", "Use 3.0 Fog"}, {"grpTexGnrl", "General"}, {"lblTexFilter", "Anisotropic Filtering:"},
        {"lblTexFilterInd", "off"}, {"lblTexQual", "Texture Quality:"}, {"grpDecals", "Decals"},
        {"ckbDrawDecals", "Draw Decals"}, {"ckbDrawDecalsModels", "Draw Decals on Models"},
        {"lblMaxDecals", "Max. Decals:"}, {"lblMaxDecalsModels", "Max. Decals on Models:"},
        {"lblMaxDecalsModelsPA", "Max. Decals per Actor:"}, {"lblDecalDrawDistance", "Draw Distance:"},
        {"grpParticles", "Particles"}, {"lblMaxParticles", "Max. Particles:"}, {"ckbLandShadows", "Land Shadows"},
        {"lblShadowSplitC", "Shadow Split Count:"}, {"lblShadowFilter", "Shadow Filter:"},
        {"ckbDrawShadows", "enable Shadows"}, {"lblShadowMaskQuarter", "Shadow Mask Quarter:"},
        {"ckbTreeShadows", "Tree Shadows"}, {"lblShadowMode", "Shadow Mode:"}, {"ckbGrassShadows", "Grass Shadows"},
        {"lblShadowResPX", "px"}, {"lblShadowDistInt", "Shadow Distance Interior:"},
        {"lblShadowBlur", "Shadow Blur:"}, {"lblShadowDistExt", "Shadow Distance Exterior:"},
        {"lblShadowBias", "Shadow Bias:"}, {"lblShadowRes", "Shadow Resolution:"},
        {"ckbPlrSelfShad", "Player Self-Shadowing"}, {"lblShadowDistFade", "Shadow Fade Distance:"},
        {"ckbSimpleLight", "Simple Lighting"}, {"ckbDynWinRefl", "Dynamic Window Reflection"},
        {"lblLightFade", "Light Fade Distance:"}, {"lblSpecFade", "Specular Fade Distance:"},
        {"ckbSunBeams", "Sun Beams"}, {"ckbRefract", "Draw Refractions"}, {"grpReflect", "Draw Reflection"},
        {"ckbReflect_Objects", "Reflect Objects"}, {"ckbReflect_Trees", "Reflect Trees"},
        {"ckbReflect_Land", "Reflect Land"}, {"ckbReflect_Sky", "Reflect Sky"},
        {"lblReflectRes", "Reflection Resolution:"}, {"lblReflectResPX", "px"},
        {"ckbReflect_Explosions", "Reflect Explosions"}, {"ckbReflectBlur", "Blur Reflection"},
        {"lblReflBlurAmount", "Blur Amount:"}, {"ckbForceHD", "Force High Detail"},
        {"ckbSilRefl", "Silhouette Reflections"}, {"ckbDisplace", "Use Displacements"}, {"ckbDepth", "Use Depth"},
        {"ckbWaterShader", "enable Water Shader"}, {"ckbWaterLOD", "Water LOD"}, {"ckbWaterShaderHR", "High Res"},
        {"ckbMouseAccel", "enable Mouse Acceleration"}, {"ckbMouseInvertY", "Invert Y Axis"},
        {"lblMouseSens", "Mouse Sensity:"}, {"lblMouseSCalX", "Mouse Sensity X Scaling:"},
        {"lblMouseSCalY", "Mouse Sensity Y Scaling:"}, {"ckbSyncMScaling", "Sync"}, {"grpPreview", "Preview"},
        {"viwPreview", ""}, {"ckbShowPreview", "show preview"}, {"btnApply", "Apply"}
    };
    return table;
}

const QStringList tooltipWidgets{
    "lblShadowDistInt", "sldShadowDistInt", "spnShadowDistInt", "lblShadowDistExt", "sldShadowDistExt",
    "spnShadowDistExt", "lblShadowDistFade", "sldShadowDistFade", "spnShadowDistFade", "lblShadowBias",
    "sldShadowBias", "spnShadowBias", "lblLightFade", "sldLightFadeDist", "spnLightFadeDist",
    "lblSpecFade", "sldSpecFadeDist", "spnSpecFadeDist"};

// True for the toolkit's own parts of composite widgets (tab bars, scroll buttons, spin box editors).
bool isInternal(const QWidget *w)
{
    for (const QWidget *p = w; p; p = p->parentWidget()) {
        const QString name = p->objectName();
        if (p != w && name == "qt_tabwidget_stackedwidget") // holds the pages of a tab widget
            continue;
        if (name.isEmpty() || name.startsWith("qt_"))
            return true;
    }
    return false;
}

// Restores the default locale however the test function leaves.
struct DefaultLocaleGuard
{
    QLocale saved;
    ~DefaultLocaleGuard() { QLocale::setDefault(saved); }
};

} // namespace

class FormLayoutTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<Form> form; // shared by the tests that only look

private slots:
    void initTestCase() { form = std::make_unique<Form>(); }
    void cleanupTestCase() { form.reset(); }

    void widgetTree_data()
    {
        QTest::addColumn<QWidget *>("field");
        QTest::addColumn<QByteArray>("declaredClass");
        QTest::addColumn<QByteArray>("expectedClass");
        QTest::addColumn<QString>("parent");
        for (const WidgetRow &row : widgetRows(form->ui))
            QTest::newRow(qPrintable(row.name)) << row.field << row.declaredClass << row.expectedClass << row.parent;
    }

    void widgetTree()
    {
        QFETCH(QWidget *, field);
        QFETCH(QByteArray, declaredClass);
        QFETCH(QByteArray, expectedClass);
        QFETCH(QString, parent);
        QVERIFY(field);
        // The automatic slot connection and every later pass find widgets by this name.
        QCOMPARE(field->objectName(), QString::fromLatin1(QTest::currentDataTag()));
        QCOMPARE(declaredClass, expectedClass);
        QCOMPARE(QByteArray(field->metaObject()->className()), expectedClass);
        QCOMPARE(form->window.findChildren<QWidget *>(field->objectName()).size(), 1);
        if (parent == "MainWindow") {
            QCOMPARE(field->parentWidget(), &form->window);
            QCOMPARE(form->window.centralWidget(), field);
        } else if (auto *tabs = qobject_cast<QTabWidget *>(form->get(parent))) {
            QVERIFY(tabs->indexOf(field) >= 0); // a page, adopted by its tab widget
        } else {
            QVERIFY(field->parentWidget());
            QCOMPARE(field->parentWidget()->objectName(), parent);
        }
    }

    void recordAndCreationOrder()
    {
        const QList<WidgetRow> rows = widgetRows(form->ui);
        QCOMPARE(rows.size(), 152);
        QCOMPARE(sizeof(Ui::MainForm), 152 * sizeof(QWidget *)); // no field more, none less

        // The form holds exactly the widgets of the record, no stray extra one.
        QStringList named;
        for (const QWidget *w : form->window.findChildren<QWidget *>())
            if (!isInternal(w))
                named << w->objectName();
        QStringList expected;
        for (const WidgetRow &row : rows)
            expected << row.name;
        named.sort();
        expected.sort();
        QCOMPARE(named, expected);

        // Keyboard focus walks the widgets in creation order.
        QStringList chain;
        for (QWidget *w = form->window.nextInFocusChain(); w != &form->window; w = w->nextInFocusChain())
            if (!isInternal(w))
                chain << w->objectName();
        QStringList creation;
        for (const WidgetRow &row : rows)
            creation << row.name;
        QCOMPARE(chain, creation);
    }

    void windowProperties()
    {
        QMainWindow &window = form->window;
        QCOMPARE(window.objectName(), QString("MainWindow"));
        QCOMPARE(window.windowTitle(), QString("Vantor Configurator"));
        QCOMPARE(window.size(), QSize(560, 306));
        QCOMPARE(window.minimumSize(), QSize(560, 306));
        QCOMPARE(window.maximumSize(), QSize(984, 306));
        QCOMPARE(window.sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
        QCOMPARE(window.sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
        QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(window.iconSize(), QSize(32, 32));
        QVERIFY(window.findChildren<QMenuBar *>().isEmpty());
        QVERIFY(window.findChildren<QStatusBar *>().isEmpty());
        QVERIFY(window.findChildren<QToolBar *>().isEmpty());

        // Only the width can change, and only between the two limits.
        Form other;
        other.window.resize(2000, 900);
        QCOMPARE(other.window.size(), QSize(984, 306));
        other.window.resize(100, 100);
        QCOMPARE(other.window.size(), QSize(560, 306));
        other.window.resize(700, 306);
        QCOMPARE(other.window.size(), QSize(700, 306));
        QCOMPARE(other.ui.grpPreview->geometry().left(), 560); // beyond the narrow window's edge
    }

    void windowIcon()
    {
        if (!QFile::exists(":/app/icon"))
            QSKIP("the icon resource is not linked into this build");
        const QIcon icon = form->window.windowIcon();
        QVERIFY(!icon.isNull());
        QCOMPARE(icon.availableSizes(), QIcon(":/app/icon").availableSizes());
    }

    void comboItems_data()
    {
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<int>("current");
        const QStringList levels{"Low", "Medium", "High", "Ultra"};
        const QStringList sizes{"256x256", "512x512", "1024x1024", "2048x2048", "4096x4096", "8192x8192"};
        QTest::newRow("cmbScreenRes") << QStringList() << -1;
        QTest::newRow("cmbAspect") << QStringList{"4:3/5:4", "16:9", "16:10"} << 0;
        QTest::newRow("cmbRadBlurLev") << levels << 0;
        QTest::newRow("cmbTexQual") << QStringList{"Very Low", "Low", "Medium", "High"} << 0;
        QTest::newRow("cmbShadowMode") << QStringList{"1", "2", "3"} << 2;
        QTest::newRow("cmbShadowRes") << sizes << 0;
        QTest::newRow("cmbShadowFilter") << levels << 0;
        QTest::newRow("cmbWaterRes") << sizes << 0;
    }

    void comboItems()
    {
        QFETCH(QStringList, items);
        QFETCH(int, current);
        auto *combo = form->get<QComboBox>(QTest::currentDataTag());
        QVERIFY(combo);
        QStringList actual;
        for (int i = 0; i < combo->count(); ++i)
            actual << combo->itemText(i);
        QCOMPARE(actual, items);
        QCOMPARE(combo->currentIndex(), current);
    }

    void tabPages_data()
    {
        QTest::addColumn<QStringList>("pages");
        QTest::addColumn<QStringList>("titles");
        QTest::newRow("tabMain") << QStringList{"tabMain_GFX", "tabMain_SND", "tabMain_CTRL"}
                                 << QStringList{"Graphics", "Sound", "Controls"};
        QTest::newRow("tabGFX") << QStringList{"tabGFX_Screen", "tabGFX_Tex", "tabGFX_Models", "tabGFX_Lighting", "tabGFX_Water"}
                                << QStringList{"Screen", "Textures", "Models", "Lighting", "Water"};
        QTest::newRow("tabLighting") << QStringList{"tabLighting_Shadows", "tabLighting_Light"}
                                     << QStringList{"Shadows", "Light"};
        QTest::newRow("tabControls") << QStringList{"tabControls_Mouse", "tabControls_KB"}
                                     << QStringList{"Mouse", "Keyboard"};
    }

    void tabPages()
    {
        QFETCH(QStringList, pages);
        QFETCH(QStringList, titles);
        auto *tabs = form->get<QTabWidget>(QTest::currentDataTag());
        QVERIFY(tabs);
        QStringList actualPages, actualTitles;
        for (int i = 0; i < tabs->count(); ++i) {
            actualPages << tabs->widget(i)->objectName();
            actualTitles << tabs->tabText(i);
        }
        QCOMPARE(actualPages, pages);
        QCOMPARE(actualTitles, titles);
        QCOMPARE(tabs->currentIndex(), 0);
    }

    void startingState()
    {
        const Ui::MainForm &ui = form->ui;
        // Explicitly disabled: these four only. (The other children of the unchecked grpReflect
        // are greyed by the group box itself and come back when it is checked.)
        const QStringList disabled{"sldReflectBlur", "spnReflectBlur", "txtScreenResW", "txtScreenResH"};
        for (const WidgetRow &row : widgetRows(ui)) {
            const bool explicitlyDisabled = row.field->testAttribute(Qt::WA_ForceDisabled);
            QVERIFY2(explicitlyDisabled == disabled.contains(row.name), qPrintable(row.name));
            const bool enabled = !explicitlyDisabled && row.parent != "grpReflect";
            QVERIFY2(row.field->isEnabled() == enabled, qPrintable(row.name));
        }
        QVERIFY(ui.grpReflect->isCheckable());
        QVERIFY(!ui.grpReflect->isChecked());
        QVERIFY(!ui.txtScreenResW->isReadOnly());
        QVERIFY(!ui.txtScreenResH->isReadOnly());
        QVERIFY(ui.viwPreview->autoFillBackground());
        QCOMPARE(ui.sldAA->tickPosition(), QSlider::TicksBelow);
        QCOMPARE(ui.sldTexFilter->tickPosition(), QSlider::TicksBelow);
        const QList<QSlider *> sliders = form->window.findChildren<QSlider *>();
        QCOMPARE(sliders.size(), 22);
        for (const QSlider *slider : sliders)
            QVERIFY2(slider->orientation() == Qt::Horizontal, qPrintable(slider->objectName()));

        // Ranges that the load and apply passes scale between.
        const struct { const char *name; double min, max; } ranges[] = {
            {"sldGamma", 0, 2000}, {"spnGamma", 0, 2}, {"sldFOV", 20, 140}, {"spnFOV", 20, 140},
            {"sldAA", 0, 3}, {"sldTexFilter", 0, 4}, {"sldMaxDecals", 1, 255}, {"spnMaxDecalsModelsPA", 1, 255},
            {"sldDecalDrawDistance", 1, 10000000}, {"spnDecalDrawDistance", 0, 10000},
            {"spnMaxParticles", 1, 10000}, {"sldShadowDistInt", 0, 10000000}, {"spnShadowDistExt", 0, 10000},
            {"sldShadowBias", 0, 10000}, {"spnShadowBias", 0, 1}, {"sldShadowMaskQuarter", 0, 10},
            {"sldLightFadeDist", 0, 10000000}, {"sldMouseSCalY", 0, 1000}, {"spnMouseSCalX", 0, 1}};
        for (const auto &r : ranges) {
            QWidget *w = form->get(r.name);
            QVERIFY2(w, r.name);
            QCOMPARE(w->property("minimum").toDouble(), r.min);
            QCOMPARE(w->property("maximum").toDouble(), r.max);
        }
    }

    void linkedPairs_data()
    {
        QTest::addColumn<QString>("slider");
        QTest::addColumn<QString>("spin");
        QTest::addColumn<bool>("linked");
        const char *pairs[] = {"FOV", "MaxDecals", "MaxDecalsModels", "MaxDecalsModelsPA", "ShadowBlur",
                               "MaxParticles", "ReflectBlur", "ShadowSplitC"};
        for (const char *p : pairs)
            QTest::newRow(p) << QString("sld%1").arg(p) << QString("spn%1").arg(p) << true;
        // These pairs are coupled by the window's own slots, never directly by the form.
        const char *unlinked[] = {"ShadowMaskQuarter", "Gamma", "ShadowBias", "ShadowDistInt", "MouseSens"};
        for (const char *p : unlinked)
            QTest::newRow(qPrintable(QString("%1 (unlinked)").arg(p))) << QString("sld%1").arg(p)
                                                                     << QString("spn%1").arg(p) << false;
    }

    void linkedPairs()
    {
        QFETCH(QString, slider);
        QFETCH(QString, spin);
        QFETCH(bool, linked);
        Form f;
        auto *sld = f.get<QSlider>(slider);
        auto *spn = f.get<QAbstractSpinBox>(spin);
        QVERIFY(sld && spn);
        const int lo = sld->minimum(), hi = sld->maximum(), mid = (lo + hi) / 2 + 1;
        if (!linked) {
            const QString text = spn->text();
            sld->setValue(mid);
            QCOMPARE(spn->text(), text);
            spn->stepUp();
            QCOMPARE(sld->value(), mid);
            return;
        }
        auto *box = qobject_cast<QSpinBox *>(spn);
        QVERIFY(box);
        QCOMPARE(box->minimum(), lo);
        QCOMPARE(box->maximum(), hi);
        QSignalSpy sldSpy(sld, &QSlider::valueChanged), spnSpy(box, &QSpinBox::valueChanged);
        sld->setValue(mid);
        QCOMPARE(box->value(), mid);
        box->setValue(hi - 1);
        QCOMPARE(sld->value(), hi - 1);
        QCOMPARE(sldSpy.size(), 2); // each change settles after one exchange
        QCOMPARE(spnSpy.size(), 2);
        box->setValue(hi + 45); // out of range: both stay at the limit
        QCOMPARE(box->value(), hi);
        QCOMPARE(sld->value(), hi);
        sld->setValue(lo - 10);
        QCOMPARE(sld->value(), lo);
        QCOMPARE(box->value(), lo);
    }

    void reflectBlurEnabling()
    {
        Form f;
        const auto pairEnabled = [&f](bool enabled) {
            return f.ui.sldReflectBlur->isEnabled() == enabled && f.ui.spnReflectBlur->isEnabled() == enabled;
        };
        QVERIFY(pairEnabled(false));
        f.ui.ckbReflectBlur->setChecked(true);
        QVERIFY(pairEnabled(true));
        f.ui.ckbReflectBlur->setChecked(false);
        QVERIFY(pairEnabled(false));
        f.ui.ckbReflectBlur->setChecked(true);
        f.ui.grpReflect->setChecked(true);
        QVERIFY(pairEnabled(false));
        f.ui.grpReflect->setChecked(false);
        QVERIFY(pairEnabled(true));
    }

    void decimalPointUnderCommaLocale()
    {
        DefaultLocaleGuard guard;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        Form f;
        const QLocale us(QLocale::English, QLocale::UnitedStates);
        QCOMPARE(f.ui.sldGamma->locale(), us);
        const QList<QDoubleSpinBox *> boxes = f.window.findChildren<QDoubleSpinBox *>();
        QCOMPARE(boxes.size(), 11);
        for (QDoubleSpinBox *box : boxes) {
            const QByteArray name = box->objectName().toLatin1();
            QVERIFY2(box->locale() == us, name);
            QVERIFY2(box->decimals() == 4, name);
            box->setValue(0.25);
            QVERIFY2(box->text() == "0.2500", qPrintable(box->objectName() + ": " + box->text()));
            QVERIFY2(box->valueFromText("0.7500") == 0.75, name);
        }
    }

    void tooltips()
    {
        for (const QWidget *w : form->window.findChildren<QWidget *>()) {
            const QString name = w->objectName();
            QVERIFY2(w->statusTip().isEmpty() && w->whatsThis().isEmpty(), qPrintable(name));
            if (!tooltipWidgets.contains(name)) {
                QVERIFY2(w->toolTip().isEmpty(), qPrintable(name));
                continue;
            }
            // The six-line rich-text document; what shows is its two paragraphs.
            QVERIFY2(Qt::mightBeRichText(w->toolTip()) && w->toolTip().count('\n') == 5, qPrintable(name));
            QTextDocument doc;
            doc.setHtml(w->toolTip());
            QCOMPARE(doc.toPlainText(),
                     QString("changes the draw distance of shadows. \nsmaller values produce less visible pixels."));
        }
        QCOMPARE(tooltipWidgets.size(), 18);
        QCOMPARE(form->ui.spnSpecFadeDist->toolTip(), form->ui.lblShadowDistInt->toolTip());
    }

    void captions_data()
    {
        QTest::addColumn<QString>("text");
        for (const auto &[name, text] : captionTable())
            QTest::newRow(qPrintable(name)) << text;
    }

    void captions()
    {
        QFETCH(QString, text);
        QWidget *w = form->get(QTest::currentDataTag());
        QVERIFY(w);
        const char *property = w->inherits("QGroupBox") ? "title" : "text";
        QCOMPARE(w->property(property).toString(), text);
    }

    void everyTextWidgetCaptioned()
    {
        // Each label, check box, group box, line edit and button of the form has its caption listed.
        QSet<QString> listed;
        for (const auto &entry : captionTable())
            listed << entry.first;
        for (const QWidget *w : form->window.findChildren<QWidget *>()) {
            if (isInternal(w) || !(w->inherits("QLabel") || w->inherits("QAbstractButton")
                                   || w->inherits("QGroupBox") || w->inherits("QLineEdit")))
                continue;
            QVERIFY2(listed.contains(w->objectName()), qPrintable(w->objectName()));
        }
        QCOMPARE(listed.size(), 85);
    }
};

VANTOR_REGISTER_TEST(FormLayoutTest)

#include "tst_layout.moc"
