#include "form/previewpictures.h"
#include "testregistry.h"
#include "windowfixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray prefs = "[Display]\r\niSize W=800\r\niSize H=600\r\nsD3DDevice=\"\"\r\n";
const QByteArray main = "[Display]\r\n";

QStringList messagesDuring(const std::function<void()> &action)
{
    static QStringList *messages = nullptr;
    QStringList collected;
    messages = &collected;
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &text) { messages->append(text); });
    action();
    qInstallMessageHandler(previous);
    messages = nullptr;
    return collected;
}

void writePicture(const QString &path, int width, int height)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    QVERIFY(picture.save(path, "JPG"));
}

} // namespace

class TestFormBehaviour : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void everySlotFindsItsControl();
    void sliderPositionsStayWhereThePlayerPutsThem_data();
    void sliderPositionsStayWhereThePlayerPutsThem();
    void spinBoxValuesSettleOnTheSliderResolution_data();
    void spinBoxValuesSettleOnTheSliderResolution();
    void singleStepsWalkThroughTheSlider();
    void mouseScalingsMoveTogetherWhileSynced();
    void integerPairFollowsBothWays();
    void changesSettleAfterFewExchanges();

    void aspectRatioOffersItsResolutions_data();
    void aspectRatioOffersItsResolutions();
    void choosingAResolutionFillsTheFields();
    void customResolutionSwitchesTheInputs();

    void previewPaneWidensTheWindow();
    void levelCaptionsFollowTheSliders();
    void picturesShowOnlyWhileThePaneIsShown();
    void picturesAreFoundBesideTheProgram();

private:
    std::unique_ptr<WindowFixture> fixture;
};

void TestFormBehaviour::init()
{
    fixture = std::make_unique<WindowFixture>(prefs, main);
}

void TestFormBehaviour::cleanup()
{
    fixture.reset();
}

void TestFormBehaviour::everySlotFindsItsControl()
{
    fixture.reset();
    const QStringList messages = messagesDuring([this] { fixture = std::make_unique<WindowFixture>(prefs, main); });
    for (const QString &message : messages)
        QVERIFY2(!message.contains(QLatin1String("connectSlotsByName")), qPrintable(message));

    const QMetaObject *meta = fixture->window->metaObject();
    int slotCount = 0;
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i)
        slotCount += meta->method(i).methodType() == QMetaMethod::Slot;
    QCOMPARE(slotCount, 32);
}

void TestFormBehaviour::sliderPositionsStayWhereThePlayerPutsThem_data()
{
    QTest::addColumn<QString>("slider");
    QTest::addColumn<QString>("spinBox");
    QTest::addColumn<int>("scale");
    QTest::addColumn<int>("step"); // every step-th position is tried
    QTest::newRow("gamma") << "sldGamma" << "spnGamma" << 1000 << 1;
    QTest::newRow("shadow bias") << "sldShadowBias" << "spnShadowBias" << 10000 << 1;
    QTest::newRow("mouse sensitivity") << "sldMouseSens" << "spnMouseSens" << 1000 << 1;
    QTest::newRow("light fade distance") << "sldLightFadeDist" << "spnLightFadeDist" << 1000 << 997;
    QTest::newRow("decal draw distance") << "sldDecalDrawDistance" << "spnDecalDrawDistance" << 1000 << 1009;
}

void TestFormBehaviour::sliderPositionsStayWhereThePlayerPutsThem()
{
    QFETCH(QString, slider);
    QFETCH(QString, spinBox);
    QFETCH(int, scale);
    QFETCH(int, step);
    auto *sld = fixture->get<QSlider>(qPrintable(slider));
    auto *spn = fixture->get<QDoubleSpinBox>(qPrintable(spinBox));
    // Positions 1001, 1003, ... and 3, 6, 12, ... used to fall back one step.
    for (int position = sld->maximum(); position >= sld->minimum(); position -= step) {
        sld->setValue(position);
        QCOMPARE(sld->value(), position);
        QCOMPARE(spn->value(), position / double(scale));
    }
}

void TestFormBehaviour::spinBoxValuesSettleOnTheSliderResolution_data()
{
    QTest::addColumn<QString>("slider");
    QTest::addColumn<QString>("spinBox");
    QTest::addColumn<int>("startPosition");
    QTest::addColumn<double>("typed");
    QTest::addColumn<int>("endPosition");
    QTest::addColumn<double>("endValue");
    QTest::newRow("fourth decimal dropped when the slider moves")
        << "sldGamma" << "spnGamma" << 1000 << 1.2345 << 1234 << 1.234;
    QTest::newRow("fourth decimal kept while the slider stays")
        << "sldGamma" << "spnGamma" << 1000 << 1.0005 << 1000 << 1.0005;
    QTest::newRow("1.001 kept with the slider at 1000") << "sldGamma" << "spnGamma" << 1000 << 1.001 << 1001 << 1.001;
    QTest::newRow("1.001 kept from 900") << "sldGamma" << "spnGamma" << 900 << 1.001 << 1001 << 1.001;
    QTest::newRow("decal distance 0 clamps the slider to 1")
        << "sldDecalDrawDistance" << "spnDecalDrawDistance" << 5000 << 0.0 << 1 << 0.001;
    QTest::newRow("decal distance 0 with the slider at 1 stays 0")
        << "sldDecalDrawDistance" << "spnDecalDrawDistance" << 1 << 0.0 << 1 << 0.0;
    QTest::newRow("exterior shadow distance")
        << "sldShadowDistExt" << "spnShadowDistExt" << 0 << 1234.5678 << 1234567 << 1234.567;
    QTest::newRow("shadow bias, four decimals all shown")
        << "sldShadowBias" << "spnShadowBias" << 0 << 0.0003 << 3 << 0.0003;
}

void TestFormBehaviour::spinBoxValuesSettleOnTheSliderResolution()
{
    QFETCH(QString, slider);
    QFETCH(QString, spinBox);
    QFETCH(int, startPosition);
    QFETCH(double, typed);
    QFETCH(int, endPosition);
    QFETCH(double, endValue);
    auto *sld = fixture->get<QSlider>(qPrintable(slider));
    auto *spn = fixture->get<QDoubleSpinBox>(qPrintable(spinBox));
    sld->setValue(startPosition);
    QCOMPARE(sld->value(), startPosition);
    spn->setValue(typed);
    QCOMPARE(sld->value(), endPosition);
    QCOMPARE(spn->value(), endValue);
}

void TestFormBehaviour::singleStepsWalkThroughTheSlider()
{
    const auto walk = [this](const char *slider, const char *spinBox, double start, int steps) {
        auto *spn = fixture->get<QDoubleSpinBox>(spinBox);
        auto *sld = fixture->get<QSlider>(slider);
        spn->setValue(start);
        QList<std::pair<double, int>> seen;
        for (int i = 0; i < qAbs(steps); ++i) {
            spn->stepBy(steps > 0 ? 1 : -1);
            seen.append({spn->value(), sld->value()});
        }
        return seen;
    };
    using Walk = QList<std::pair<double, int>>;
    QCOMPARE(walk("sldGamma", "spnGamma", 1.0, 3), (Walk{{1.05, 1050}, {1.1, 1100}, {1.15, 1150}}));
    QCOMPARE(walk("sldMouseSens", "spnMouseSens", 0.0, 4),
             (Walk{{0.0005, 0}, {0.001, 1}, {0.0015, 1}, {0.002, 2}}));
    QCOMPARE(walk("sldMouseSens", "spnMouseSens", 0.002, -2), (Walk{{0.001, 1}, {0.0, 0}}));
    QCOMPARE(walk("sldShadowBias", "spnShadowBias", 0.0, 3), (Walk{{0.005, 50}, {0.01, 100}, {0.015, 150}}));
}

void TestFormBehaviour::mouseScalingsMoveTogetherWhileSynced()
{
    auto *sync = fixture->get<QCheckBox>("ckbSyncMScaling");
    auto *sldX = fixture->get<QSlider>("sldMouseSCalX");
    auto *sldY = fixture->get<QSlider>("sldMouseSCalY");
    auto *spnX = fixture->get<QDoubleSpinBox>("spnMouseSCalX");
    auto *spnY = fixture->get<QDoubleSpinBox>("spnMouseSCalY");
    // Nothing stored: both start at 0.02 and, being equal, in step.
    QCOMPARE(sldX->value(), 20);
    QCOMPARE(spnY->value(), 0.02);
    QVERIFY(sync->isChecked());

    sldX->setValue(150);
    QCOMPARE(QList<double>({double(sldX->value()), double(sldY->value()), spnX->value(), spnY->value()}),
             QList<double>({150, 150, 0.15, 0.15}));
    spnX->setValue(0.1234);
    QCOMPARE(QList<double>({double(sldX->value()), double(sldY->value()), spnX->value(), spnY->value()}),
             QList<double>({123, 123, 0.1234, 0.1234}));

    sync->setChecked(false);
    spnY->setValue(0.3);
    spnX->setValue(0.1);
    sync->setChecked(true); // checking aligns nothing by itself
    QCOMPARE(spnX->value(), 0.1);
    QCOMPARE(spnY->value(), 0.3);

    sync->setChecked(false);
    sldX->setValue(20);
    sldY->setValue(20);
    spnX->setValue(0.1234);
    QCOMPARE(spnX->value(), 0.123);
    QCOMPARE(sldX->value(), 123);
    QCOMPARE(spnY->value(), 0.02);
    QCOMPARE(sldY->value(), 20);
}

void TestFormBehaviour::integerPairFollowsBothWays()
{
    auto *sld = fixture->get<QSlider>("sldShadowMaskQuarter");
    auto *spn = fixture->get<QSpinBox>("spnShadowMaskQuarter");
    sld->setValue(7);
    QCOMPARE(spn->value(), 7);
    spn->setValue(3);
    QCOMPARE(sld->value(), 3);
    spn->setValue(42);
    QCOMPARE(sld->value(), 10);
}

void TestFormBehaviour::changesSettleAfterFewExchanges()
{
    auto *sld = fixture->get<QSlider>("sldGamma");
    auto *spn = fixture->get<QDoubleSpinBox>("spnGamma");
    sld->setValue(1000);
    QSignalSpy sliderChanges(sld, &QSlider::valueChanged);
    QSignalSpy spinChanges(spn, &QDoubleSpinBox::valueChanged);
    spn->setValue(1.2345);
    QCOMPARE(sliderChanges.count(), 1);
    QCOMPARE(spinChanges.count(), 2);
    sliderChanges.clear();
    spinChanges.clear();
    sld->setValue(1999);
    QCOMPARE(sliderChanges.count(), 1);
    QCOMPARE(spinChanges.count(), 1);
}

void TestFormBehaviour::aspectRatioOffersItsResolutions_data()
{
    QTest::addColumn<int>("aspect");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("width");
    QTest::addColumn<QString>("height");
    QTest::addColumn<QString>("last");
    QTest::newRow("16:9") << 1 << 8 << "1152" << "648" << "1920x1080";
    QTest::newRow("16:10") << 2 << 7 << "1024" << "640" << "1920x1200";
    QTest::newRow("4:3/5:4") << 0 << 7 << "800" << "600" << "1600x1200";
}

void TestFormBehaviour::aspectRatioOffersItsResolutions()
{
    QFETCH(int, aspect);
    QFETCH(int, count);
    QFETCH(QString, width);
    QFETCH(QString, height);
    QFETCH(QString, last);
    auto *aspectBox = fixture->get<QComboBox>("cmbAspect");
    auto *resolutions = fixture->get<QComboBox>("cmbScreenRes");
    // Also while custom entry is on, a new aspect ratio overwrites the fields.
    fixture->get<QCheckBox>("ckbUseCustom")->setChecked(true);
    fixture->get<QLineEdit>("txtScreenResW")->setText(QStringLiteral("2560"));
    fixture->get<QLineEdit>("txtScreenResH")->setText(QStringLiteral("1440"));
    aspectBox->setCurrentIndex((aspect + 1) % 3);
    aspectBox->setCurrentIndex(aspect);
    QCOMPARE(resolutions->count(), count);
    QCOMPARE(resolutions->currentIndex(), 0);
    QCOMPARE(resolutions->itemText(count - 1), last);
    QCOMPARE(fixture->get<QLineEdit>("txtScreenResW")->text(), width);
    QCOMPARE(fixture->get<QLineEdit>("txtScreenResH")->text(), height);
    QVERIFY(!resolutions->isEnabled());
}

void TestFormBehaviour::choosingAResolutionFillsTheFields()
{
    auto *resolutions = fixture->get<QComboBox>("cmbScreenRes");
    QCOMPARE(resolutions->count(), 7); // filled for the first aspect ratio before loading
    resolutions->setCurrentIndex(resolutions->findText(QStringLiteral("1280x1024")));
    QCOMPARE(fixture->get<QLineEdit>("txtScreenResW")->text(), QStringLiteral("1280"));
    QCOMPARE(fixture->get<QLineEdit>("txtScreenResH")->text(), QStringLiteral("1024"));
    resolutions->clear(); // no current entry: the fields keep their text
    QCOMPARE(fixture->get<QLineEdit>("txtScreenResW")->text(), QStringLiteral("1280"));
}

void TestFormBehaviour::customResolutionSwitchesTheInputs()
{
    auto *custom = fixture->get<QCheckBox>("ckbUseCustom");
    auto *resolutions = fixture->get<QComboBox>("cmbScreenRes");
    auto *width = fixture->get<QLineEdit>("txtScreenResW");
    auto *height = fixture->get<QLineEdit>("txtScreenResH");
    QVERIFY(resolutions->isEnabled() && !width->isEnabled() && !height->isEnabled());
    custom->setChecked(true);
    QVERIFY(!resolutions->isEnabled() && width->isEnabled() && height->isEnabled());
    width->setText(QStringLiteral("1000"));
    custom->setChecked(false);
    QVERIFY(resolutions->isEnabled() && !width->isEnabled() && !height->isEnabled());
    QCOMPARE(width->text(), QStringLiteral("1000"));
    QVERIFY(fixture->get<QComboBox>("cmbAspect")->isEnabled());
}

void TestFormBehaviour::previewPaneWidensTheWindow()
{
    auto *show = fixture->get<QCheckBox>("ckbShowPreview");
    QCOMPARE(fixture->window->width(), 560);
    show->setChecked(true);
    QCOMPARE(fixture->window->width(), 984);
    QCOMPARE(fixture->window->height(), 306);
    QVERIFY(fixture->get<QLabel>("viwPreview")->pixmap().isNull());
    show->setChecked(false);
    QCOMPARE(fixture->window->width(), 560);
}

void TestFormBehaviour::levelCaptionsFollowTheSliders()
{
    auto *filtering = fixture->get<QSlider>("sldTexFilter");
    auto *filteringCaption = fixture->get<QLabel>("lblTexFilterInd");
    const QStringList filteringCaptions = {"off", "2x", "4x", "8x", "16x"};
    for (int position : {4, 3, 2, 1, 0, 3}) {
        filtering->setValue(position);
        QCOMPARE(filteringCaption->text(), filteringCaptions[position]);
    }
    auto *antiAliasing = fixture->get<QSlider>("sldAA");
    auto *antiAliasingCaption = fixture->get<QLabel>("lblMSAAIndi");
    const QStringList antiAliasingCaptions = {"0x", "2x", "4x", "8x"};
    for (int position : {3, 2, 1, 0, 2}) {
        antiAliasing->setValue(position);
        QCOMPARE(antiAliasingCaption->text(), antiAliasingCaptions[position]);
    }
    QVERIFY(fixture->get<QLabel>("viwPreview")->pixmap().isNull()); // the pane is hidden
}

void TestFormBehaviour::picturesShowOnlyWhileThePaneIsShown()
{
    QTemporaryDir workingDir;
    writePicture(workingDir.filePath(QStringLiteral("previews/af_16.jpg")), 800, 450);
    writePicture(workingDir.filePath(QStringLiteral("previews/msaa_0.jpg")), 200, 150);
    writePicture(workingDir.filePath(QStringLiteral("previews/tex_m.jpg")), 1600, 900);
    const QString previousDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(workingDir.path()));

    auto *label = fixture->get<QLabel>("viwPreview");
    auto *filtering = fixture->get<QSlider>("sldTexFilter");
    auto *antiAliasing = fixture->get<QSlider>("sldAA");
    filtering->setValue(4);
    QVERIFY(label->pixmap().isNull());

    fixture->get<QCheckBox>("ckbShowPreview")->setChecked(true);
    QVERIFY(label->pixmap().isNull()); // shown from the next change on
    filtering->setValue(3);
    QVERIFY(label->pixmap().isNull()); // af_8.jpg is missing: the label is blanked
    filtering->setValue(4);
    QCOMPARE(label->pixmap().size(), QSize(400, 225));

    antiAliasing->setValue(1);
    antiAliasing->setValue(0);
    QCOMPARE(label->pixmap().size(), QSize(400, 300)); // a 4:3 picture is taller than the label
    fixture->get<QComboBox>("cmbTexQual")->setCurrentIndex(2);
    QCOMPARE(label->pixmap().size(), QSize(400, 225));
    QCOMPARE(fixture->get<QLabel>("lblMSAAIndi")->text(), QStringLiteral("0x"));

    fixture->get<QCheckBox>("ckbShowPreview")->setChecked(false);
    antiAliasing->setValue(1); // hidden: the picture stays as it was
    QCOMPARE(label->pixmap().size(), QSize(400, 225));
    QVERIFY(QDir::setCurrent(previousDir));
}

void TestFormBehaviour::picturesAreFoundBesideTheProgram()
{
    QTemporaryDir workingDir;
    const QString previousDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(workingDir.path()));
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QString installed =
        QDir::cleanPath(programFolder + QStringLiteral("/../share/vantor-configurator/previews/tex_l.jpg"));
    const QString beside = programFolder + QStringLiteral("/previews/tex_l.jpg");
    QFile::remove(installed);
    QFile::remove(beside);

    writePicture(installed, 80, 45);
    QCOMPARE(previewPicturePath(QStringLiteral("tex_l.jpg")), installed);
    writePicture(beside, 80, 45);
    QCOMPARE(previewPicturePath(QStringLiteral("tex_l.jpg")), beside);
    writePicture(workingDir.filePath(QStringLiteral("previews/tex_l.jpg")), 80, 45);
    QCOMPARE(previewPicturePath(QStringLiteral("tex_l.jpg")), QStringLiteral("previews/tex_l.jpg"));
    QCOMPARE(previewPicturePath(QStringLiteral("nowhere.jpg")), QStringLiteral("previews/nowhere.jpg"));

    QFile::remove(installed);
    QFile::remove(beside);
    QVERIFY(QDir::setCurrent(previousDir));
}

VANTOR_REGISTER_TEST(TestFormBehaviour)
#include "tst_behaviour.moc"
