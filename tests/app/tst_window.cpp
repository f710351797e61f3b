#include "windowfixture.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QIcon>
#include <QLineEdit>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

// What the window's construction adds to the form before anything is loaded.
class TestWindow : public QObject
{
    Q_OBJECT

private slots:
    void constructionPreparesTheForm();
    void iconHoldsItsFourSizes();
};

void TestWindow::constructionPreparesTheForm()
{
    // Files without any of the keys: the window shows its own starting values.
    WindowFixture fixture("[Display]\r\n", "[Display]\r\n");
    QVERIFY(fixture.window->windowFlags() & Qt::MSWindowsFixedSizeDialogHint);
    QCOMPARE(fixture.window->windowTitle(), QStringLiteral("Vantor Configurator"));

    const QList<std::pair<const char *, double>> steps = {
        {"spnGamma", 0.05}, {"spnMouseSCalX", 0.005}, {"spnMouseSCalY", 0.005},
        {"spnMouseSens", 0.0005}, {"spnShadowBias", 0.005}, {"spnShadowDistExt", 1.0},
    };
    for (const auto &[name, step] : steps)
        QCOMPARE(fixture.get<QDoubleSpinBox>(name)->singleStep(), step);

    QCOMPARE(fixture.get<QSlider>("sldFOV")->value(), 85);
    QCOMPARE(fixture.get<QSpinBox>("spnFOV")->value(), 85);
    QCOMPARE(fixture.get<QSlider>("sldMouseSCalX")->value(), 20);
    QCOMPARE(fixture.get<QDoubleSpinBox>("spnMouseSCalY")->value(), 0.02);

    // The resolution box holds the first aspect ratio's list; the fields show
    // what the files hold (nothing: the absent-key text).
    QCOMPARE(fixture.get<QComboBox>("cmbScreenRes")->count(), 7);
    QCOMPARE(fixture.get<QComboBox>("cmbScreenRes")->currentIndex(), -1);
    QCOMPARE(fixture.get<QLineEdit>("txtScreenResW")->text(), QStringLiteral("NULL"));

    // The smaller dialog font keeps every caption inside its fixed rectangle.
    QVERIFY(fixture.window->font().pointSizeF() <= 8.0);
}

void TestWindow::iconHoldsItsFourSizes()
{
    const QIcon icon(QStringLiteral(":/app/icon"));
    QList<QSize> sizes = icon.availableSizes();
    std::sort(sizes.begin(), sizes.end(), [](QSize a, QSize b) { return a.width() < b.width(); });
    QCOMPARE(sizes, (QList<QSize>{{16, 16}, {32, 32}, {64, 64}, {128, 128}}));
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
