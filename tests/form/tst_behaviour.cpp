// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "catalogue.h"
#include "previewpictures.h"
#include "resolutions.h"
#include "windowfixture.h"

#include <QtTest>

class TestFormBehaviour : public QObject
{
    Q_OBJECT
    std::unique_ptr<WindowFixture> fixture;
    QTemporaryDir folder; // the working folder while the tests run
    const QString previousFolder = QDir::currentPath();

    static void writePicture(const QString &path, QSize size)
    {
        QImage picture(size, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        QVERIFY(QDir().mkpath(QFileInfo(path).path()) && picture.save(path, "JPG"));
    }

private slots:
    void initTestCase()
    {
        QDir::setCurrent(folder.path());
        writePicture("previews/af_16.jpg", {800, 450});
        writePicture("previews/msaa_0.jpg", {200, 150});
        writePicture("previews/tex_m.jpg", {1600, 900});
    }
    void cleanupTestCase() { QDir::setCurrent(previousFolder); }
    void init()
    {
        // Every slot of the window finds its control.
        QTest::failOnWarning(QRegularExpression("connectSlotsByName|no control"));
        fixture = std::make_unique<WindowFixture>("[Display]\r\nsD3DDevice=\"\"\r\n", "[Display]\r\n");
    }
    void cleanup() { fixture.reset(); }

    // Every entry of a resolution list is within 1% of a ratio its aspect item names ("4:3/5:4").
    void resolutionsMatchTheirAspectRatio()
    {
        const QComboBox *aspect = fixture->get<QComboBox>("cmbAspect");
        QCOMPARE(aspect->count(), aspectRatioCount);
        const QRegularExpression by("[x:]");
        const auto ratio = [&by](const QString &of) {
            return of.section(by, 0, 0).toDouble() / of.section(by, 1).toDouble();
        };
        for (int index = 0; index < aspect->count(); ++index) {
            const QStringList named = aspect->itemText(index).split('/'), entries = resolutionList(index);
            QVERIFY(!entries.isEmpty());
            for (const QString &entry : entries) {
                const auto near = [&](const QString &wanted) { return qAbs(ratio(entry) / ratio(wanted) - 1) <= 0.01; };
                QVERIFY2(std::any_of(named.cbegin(), named.cend(), near), qPrintable(entry + " in " + named.join('/')));
            }
        }
    }

    // Every position of every real-valued pair's slider (every 997th of the long ones); 1001, 1003, ... and 3, 6,
    // 12, ... used to fall back one step.
    void sliderPositionsStayWhereThePlayerPutsThem()
    {
        for (const Setting &setting : settingsCatalogue()) {
            if (!setting.shown.slider || setting.shown.scale == 1)
                continue;
            auto *sld = fixture->get<QSlider>(setting.shown.slider);
            auto *spn = fixture->get<QDoubleSpinBox>(setting.control);
            const int step = sld->maximum() - sld->minimum() > 20000 ? 997 : 1;
            for (int position = sld->maximum(); position >= sld->minimum(); position -= step) {
                sld->setValue(position);
                QVERIFY2(sld->value() == position && spn->value() == position / double(setting.shown.scale),
                         qPrintable(QString("%1 at %2: %3").arg(setting.shown.slider).arg(position).arg(spn->value())));
            }
        }
    }

    // The integer pairs the form couples itself (a slider "sldX" beside a spin box "spnX"): each side's change
    // sets the other, both within the range.
    void integerPairsMoveTogether()
    {
        int pairs = 0;
        for (auto *box : fixture->window->findChildren<QSpinBox *>()) {
            auto *sld = fixture->window->findChild<QSlider *>(box->objectName().replace("spn", "sld"));
            if (!sld || !++pairs)
                continue;
            const int lo = sld->minimum(), hi = sld->maximum(), mid = (lo + hi) / 2 + 1;
            sld->setValue(mid);
            box->stepDown();
            box->setValue(hi + 45);
            const int atTop = sld->value();
            sld->setValue(lo - 10);
            QVERIFY2(atTop == hi && box->value() == lo, qPrintable(box->objectName()));
        }
        QCOMPARE(pairs, 9);
    }

    // Steps as "name=value" or "name+n"; expected as "name=value", "name.property=value".
    void controlsFollowThePlayer_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const QString &steps, const char *expected) {
            QTest::newRow(name) << steps << QString(expected);
        };
        // The spin box keeps the value; its slider shows it truncated.
        row("gamma 1.001 from 900", "sldGamma=900 spnGamma=1.001", "sldGamma=1001 spnGamma=1.001");
        row("decal distance 0 from 5", "sldDecalDrawDistance=5000 spnDecalDrawDistance=0",
            "sldDecalDrawDistance=1 spnDecalDrawDistance=0");
        row("shadow bias", "sldShadowBias=0 spnShadowBias=0.0003", "sldShadowBias=3 spnShadowBias=0.0003");
        row("gamma steps", "spnGamma=1 spnGamma+3", "spnGamma=1.15 sldGamma=1150");
        row("mouse steps up", "spnMouseSens=0 spnMouseSens+3", "spnMouseSens=0.0015 sldMouseSens=1");
        row("mouse steps down", "spnMouseSens=0.002 spnMouseSens-1", "spnMouseSens=0.0015 sldMouseSens=1");
        row("mouse steps down to 0", "spnMouseSens=0.002 spnMouseSens-4", "spnMouseSens=0 sldMouseSens=0");
        // The two mouse scalings move together while "Sync" is checked.
        row("scalings by slider", "sldMouseSCalX=150", "sldMouseSCalY=150 spnMouseSCalX=0.15 spnMouseSCalY=0.15");
        row("scalings by box", "spnMouseSCalY=0.1234", "sldMouseSCalX=123 spnMouseSCalX=0.1234 spnMouseSCalY=0.1234");
        row("checking Sync aligns nothing", "ckbSyncMScaling=false spnMouseSCalY=0.3 spnMouseSCalX=0.1 "
            "ckbSyncMScaling=true", "spnMouseSCalX=0.1 spnMouseSCalY=0.3");
        row("unsynced", "ckbSyncMScaling=false spnMouseSCalX=0.1234",
            "spnMouseSCalX=0.1234 sldMouseSCalX=123 spnMouseSCalY=0.02 sldMouseSCalY=20");
        // The blur pair follows its check box, and the opposite of the group's check.
        const QString blurOn = "grpReflect=true grpReflect=false ckbReflectBlur=false ckbReflectBlur=true ";
        row("blur on", blurOn, "sldReflectBlur.enabled=true spnReflectBlur.enabled=true");
        row("blur off", blurOn + "ckbReflectBlur=false", "sldReflectBlur.enabled=false spnReflectBlur.enabled=false");
        row("blur in a checked group", blurOn + "grpReflect=true",
            "sldReflectBlur.enabled=false spnReflectBlur.enabled=false");
        // A new aspect ratio overwrites the fields with its first entry, also while custom entry is on.
        row("new aspect ratio", "ckbUseCustom=true txtScreenResW=2560 txtScreenResH=1440 cmbAspect=16:9",
            "cmbScreenRes=1152x648 txtScreenResW=1152 txtScreenResH=648");
        row("choosing a resolution", "cmbScreenRes=1280x1024", "txtScreenResW=1280 txtScreenResH=1024");
        row("no resolution chosen", "cmbScreenRes=1280x1024 cmbScreenRes.currentIndex=-1", "txtScreenResW=1280");
        row("custom resolution on", "ckbUseCustom=true",
            "cmbScreenRes.enabled=false txtScreenResW.enabled=true txtScreenResH.enabled=true");
        row("custom resolution off", "ckbUseCustom=true txtScreenResW=1000 ckbUseCustom=false",
            "cmbScreenRes.enabled=true txtScreenResW.enabled=false txtScreenResW=1000 cmbAspect.enabled=true");
        // Level captions, and the preview pane with its pictures scaled to 400 pixels wide.
        row("16x 8x", "sldTexFilter=4 sldAA=3", "lblTexFilterInd=16x lblMSAAIndi=8x viwPreview.pixmap=0x0");
        row("2x 0x", "sldTexFilter=1 sldAA=1 sldAA=0", "lblTexFilterInd=2x lblMSAAIndi=0x");
        row("off", "sldTexFilter=1 sldTexFilter=0", "lblTexFilterInd=off");
        row("pane hidden: no wider by hand", "ckbShowPreview=true ckbShowPreview=false",
            "MainWindow.width=560 MainWindow.maximumWidth=560");
        row("pane shown on the level changed last", "sldTexFilter=4 sldAA=1 sldAA=0 ckbShowPreview=true",
            "MainWindow.width=984 MainWindow.height=306 viwPreview.pixmap=400x300");
        row("800x450 picture", "ckbShowPreview=true sldTexFilter=4", "viwPreview.pixmap=400x225");
        row("missing picture", "ckbShowPreview=true sldTexFilter=4 sldTexFilter=3", "viwPreview.pixmap=0x0");
        row("200x150 picture", "ckbShowPreview=true sldAA=1 sldAA=0", "viwPreview.pixmap=400x300");
        row("1600x900 picture stays while hidden", "ckbShowPreview=true cmbTexQual=Medium ckbShowPreview=false sldAA=1",
            "viwPreview.pixmap=400x225");
    }

    void controlsFollowThePlayer()
    {
        QFETCH(QString, steps);
        QFETCH(QString, expected);
        fixture->set(steps);
        QCOMPARE(fixture->shown(expected), expected);
    }

    // Typed key by key into the box, under a German or an English locale, with a comma or a point: the box keeps
    // the text (with a point), the slider shows it, Apply stores it. With "Sync" checked, both scalings take it.
    void typedValuesStayAsTyped()
    {
        struct Restore { QLocale saved; ~Restore() { QLocale::setDefault(saved); } } restore;
        for (const auto &[locale, box, typed, expected, stored] : std::initializer_list<std::array<QString, 5>>{
                 {"de_DE", "spnGamma", "0,75", "spnGamma=0.75 sldGamma=750", "fGamma=0.75\r\n"},
                 {"en_US", "spnGamma", "0,75", "spnGamma=0.75 sldGamma=750", "fGamma=0.75\r\n"},
                 {"de_DE", "spnGamma", "1.2345", "sldGamma=1234", "fGamma=1.2345"},
                 {"C", "spnShadowDistExt", "1234.5678", "sldShadowDistExt=1234567", "fShadowDistance=1234.5678"},
                 {"C", "spnMouseSens", "0.0125", "sldMouseSens=12", "fMouseHeadingSensitivity=0.0125"},
                 {"C", "spnMouseSCalX", "0.1234", "sldMouseSCalX=123 spnMouseSCalY=0.1234 sldMouseSCalY=123",
                  "fMouseHeadingXScale=0.1234\r\nfMouseHeadingYScale=0.1234"}}) {
            QLocale::setDefault(QLocale(locale));
            fixture->home.writeMain("[Display]\r\n"); // as each row starts
            fixture->restart();
            QVERIFY(fixture->window->windowFlags() & Qt::MSWindowsFixedSizeDialogHint);
            auto *edit = fixture->get(box)->findChild<QLineEdit *>();
            edit->selectAll();
            QTest::keyClicks(edit, typed);
            QTest::keyClick(edit, Qt::Key_Return);
            const QString shown = box + '=' + QString(typed).replace(',', '.') + ' ' + expected;
            QCOMPARE(fixture->shown(box + ' ' + expected), shown);
            fixture->apply();
            QVERIFY2(fixture->home.main().contains(stored.toLatin1()), qPrintable(locale + ' ' + typed));
        }
    }

    void picturesAreFoundBesideTheProgram()
    {
        const QString program = QCoreApplication::applicationDirPath(), name = "tex_l.jpg";
        const QStringList places{QDir::cleanPath(program + "/../share/vantor-configurator/previews") + '/',
                                 program + "/previews/", "previews/"};
        const auto removeAll = [&] { for (const QString &place : places) QFile::remove(place + name); };
        removeAll();
        QCOMPARE(previewPicturePath(name), "previews/" + name); // nowhere: the working folder's, as the pane says
        QLabel pane;
        showPreviewPicture(&pane, name);
        QVERIFY2(pane.text().contains(QDir::toNativeSeparators(QFileInfo("previews/" + name).absoluteFilePath())),
                 qPrintable(pane.text()));
        for (const QString &place : places) { // each place in turn comes before the ones found so far
            writePicture(place + name, {80, 45});
            QCOMPARE(previewPicturePath(name), place + name);
        }
        removeAll();
    }
};

QTEST_MAIN(TestFormBehaviour)
#include "tst_behaviour.moc"
