#include "mainform.h"
#include "resolutions.h"

#include <QtWidgets>
#include <QTest>

class FormLayoutTest : public QObject
{
    Q_OBJECT

    // The form built into a plain window, as the program's own window does first thing.
    struct Form
    {
        QMainWindow window;
        Ui::MainForm ui;
        Form() { ui.setupUi(&window); }
        template<typename T = QWidget>
        T *get(const QString &name) const { return window.findChild<T *>(name); }
    };

private slots:
    void prefixesTellTheClass()
    {
        // The window's slots and the settings reach controls by these names.
        const QMap<QString, QByteArray> classOf{{"btn", "QPushButton"}, {"ckb", "QCheckBox"}, {"cmb", "QComboBox"},
            {"grp", "QGroupBox"}, {"lbl", "QLabel"}, {"sld", "QSlider"}, {"txt", "QLineEdit"}, {"viw", "QLabel"}};
        Form form;
        for (const QWidget *w : form.window.findChildren<QWidget *>()) {
            const QByteArray cls = w->metaObject()->className();
            QVERIFY2(classOf.value(w->objectName().left(3), cls) == cls, qPrintable(w->objectName()));
        }
    }

    // Every entry of a resolution list is within 1% of a ratio its aspect item names ("4:3/5:4").
    void resolutionsMatchTheirAspectRatio()
    {
        Form form;
        const QComboBox *aspect = form.get<QComboBox>("cmbAspect");
        QCOMPARE(aspect->count(), aspectRatioCount);
        for (int index = 0; index < aspect->count(); ++index) {
            QVERIFY(!resolutionList(index).isEmpty());
            for (const QString &entry : resolutionList(index)) {
                const double ratio = entry.section('x', 0, 0).toDouble() / entry.section('x', 1).toDouble();
                bool matches = false;
                for (const QString &named : aspect->itemText(index).split('/')) {
                    const double wanted = named.section(':', 0, 0).toDouble() / named.section(':', 1).toDouble();
                    matches = matches || std::abs(ratio / wanted - 1) <= 0.01;
                }
                QVERIFY2(matches, qPrintable(entry + " in " + aspect->itemText(index)));
            }
        }
    }

    void startingStateUnderCommaLocale()
    {
        struct Restore { QLocale saved; ~Restore() { QLocale::setDefault(saved); } } restore;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        Form f;
        for (const QDoubleSpinBox *box : f.window.findChildren<QDoubleSpinBox *>()) // still with a decimal point
            QVERIFY2(box->textFromValue(0.25) == "0.2500" && box->valueFromText("0.7500") == 0.75,
                     qPrintable(box->objectName()));
        // The blur pair follows its check box, and the opposite of the group's check.
        for (const auto &[blur, group, enabled] : {std::tuple{true, false, 2}, {false, false, 0}, {true, true, 0},
                                                   {true, false, 2}}) {
            f.ui.ckbReflectBlur->setChecked(blur);
            f.ui.grpReflect->setChecked(group);
            QCOMPARE(f.ui.sldReflectBlur->isEnabled() + f.ui.spnReflectBlur->isEnabled(), enabled);
        }
    }

    // The integer pairs the form couples itself, each side's change setting the other.
    void linkedPairs_data()
    {
        QTest::addColumn<QString>("pair");
        for (const char *p : {"FOV", "MaxDecals", "MaxDecalsModels", "MaxDecalsModelsPA", "ShadowBlur",
                              "MaxParticles", "ReflectBlur", "ShadowSplitC"})
            QTest::newRow(p) << QString(p);
    }

    void linkedPairs()
    {
        QFETCH(QString, pair);
        Form f;
        auto *sld = f.get<QSlider>("sld" + pair);
        auto *box = f.get<QSpinBox>("spn" + pair);
        QVERIFY(sld && box);
        const int lo = sld->minimum(), hi = sld->maximum(), mid = (lo + hi) / 2 + 1;
        sld->setValue(mid);
        QCOMPARE(box->value(), mid);
        box->stepDown();
        QCOMPARE(sld->value(), mid - 1);
        box->setValue(hi + 45); // out of range: both stay at the limit
        QVERIFY(box->value() == hi && sld->value() == hi);
        sld->setValue(lo - 10);
        QVERIFY(box->value() == lo && sld->value() == lo);
    }
};

QTEST_MAIN(FormLayoutTest)

#include "tst_layout.moc"
