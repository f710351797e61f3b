// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "catalogue.h"
#include "fileaccesserror.h"
#include "startup.h"
#include "windowfixture.h"

#include <QtTest>

namespace {

const QStringList noMessage;
const QByteArray smallPrefs = "[Display]\nsD3DDevice=Radeon\niPresentInterval=1\n\n[Water]\niWaterReflectHeight=3000\n";
const QByteArray smallMain = "[General]\nfDefaultWorldFOV=75\n\n[Display]\nfGamma=1.5000\nbFull Screen=0\niSize W=1280\niSize H=720\n";

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

    // Each row, on the example pair: "key=stored text, ... | control=shown state ... | control=new state ... |
    // key=written text, ...". An Apply before the change writes nothing; after it, exactly the keys written change.
    void everyRowLoadsKeepsAndWrites_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shows");
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QString>("written");
        QStringList rows;
        QStringList writers; // controls that write more than their own key
        for (const Setting &setting : settingsCatalogue())
            writers << (setting.derived ? setting.control : "");
        // Any non-zero integer is on; every number's range holds these values.
        const QHash<Rule, QString> plainRows = {{Rule::Flag, "%1=2 | %2=true | %2=false | %1=0"},
            {Rule::Integer, "%1=7 | %2=7 | %2=3 | %1=3"}, {Rule::Real, "%1=0.5 | %2=0.5 | %2=0.25 | %1=0.25"}};
        for (const Setting &setting : settingsCatalogue()) {
            if (plainRows.contains(setting.rule) && !writers.contains(setting.control))
                rows << plainRows[setting.rule].arg(setting.key, setting.control);
        }
        // The keys one control writes together, each stored differently in its own row.
        const QString shadowSizes =
            "iShadowMapResolution=%1, iShadowMapResolutionPrimary=%1, iShadowMapResolutionSecondary=%2";
        for (const auto &[stored, size] : {std::pair{"iShadowMapResolution=512", 4096},
                 {"iShadowMapResolutionPrimary=3072", 512}, {"iShadowMapResolutionSecondary=1536", 8192}})
            rows << QString("%1 | | cmbShadowRes=%2x%2 | ").arg(stored).arg(size) + shadowSizes.arg(size).arg(size / 2);
        for (const char *stored : {"fDefaultFOV=75.5", "fDefaultWorldFOV=76", "fDefault1stPersonFOV=80"})
            rows << QString(stored) + " | | sldFOV=90 | fDefaultFOV=90, fDefaultWorldFOV=90, fDefault1stPersonFOV=90";
        rows << QStringList{
            "bFXAAEnabled=true | ckbFXAA=false | ckbFXAA=true | bFXAAEnabled=1",
            "bTransparencyMultisampling=1.0 | ckbTransAA=false | ckbTransAA=true | bTransparencyMultisampling=1",
            "fGamma=1.0005 | spnGamma=1.0005 sldGamma=1000 | spnGamma=1.2345 | fGamma=1.2345",
            "fGamma=1.23456 | spnGamma=1.2346 sldGamma=1234 | spnGamma=1.1 spnGamma=1.23456 | fGamma=1.23456",
            "iSize H=1050 | txtScreenResH=1050 cmbScreenRes= | txtScreenResH=1200 | iSize H=1200",
            "iSize W=1280, iSize H=720 | cmbAspect=16:9 cmbScreenRes=1280x720 | txtScreenResW=2560 | iSize W=2560",
            "iSize W=01280, iSize H=720 | cmbAspect=4:3/5:4 cmbScreenRes= txtScreenResW=01280 | txtScreenResW=1280 | "
            "iSize W=1280",
            "iMultiSample=16 | | sldAA=3 | iMultiSample=8",
            "iMultiSample=4.0 | sldAA=2 lblMSAAIndi=4x | sldAA=1 | iMultiSample=2",
            "iMaxAnisotropy=6 | | sldTexFilter=4 | iMaxAnisotropy=16",
            "iMaxAnisotropy=16 | sldTexFilter=4 lblTexFilterInd=16x | sldTexFilter=2 | iMaxAnisotropy=4",
            "iTexMipMapSkip=5 | cmbTexQual= | cmbTexQual=High | iTexMipMapSkip=0",
            "iTexMipMapSkip=0 | cmbTexQual=High | cmbTexQual=Low | iTexMipMapSkip=2",
            "fDecalLOD1=1250.5 | | spnDecalDrawDistance=2000.5 | fDecalLOD1=2000.5, fDecalLOD2=3000.75",
            "fDecalLOD2=1875.25 | | spnDecalDrawDistance=2000.5 | fDecalLOD1=2000.5, fDecalLOD2=3000.75",
            "iShadowMapResolution=3072, iShadowMapResolutionPrimary=3072, iShadowMapResolutionSecondary=1536 | | "
            "cmbShadowRes=1024x1024 | " + shadowSizes.arg(1024).arg(512),
            "iShadowMapResolution=4096 | cmbShadowRes=4096x4096 | cmbShadowRes=256x256 | " + shadowSizes.arg(256).arg(128),
            "iShadowFilter=2 | cmbShadowFilter=Medium | cmbShadowFilter=Ultra | iShadowFilter=4",
            "iShadowFilter=0 | cmbShadowFilter= | cmbShadowFilter=Low | iShadowFilter=1",
            "iShadowMode=2 | cmbShadowMode=2 | cmbShadowMode=1 | iShadowMode=1", // in both files: the main file's
            "fShadowDistance=25000 | spnShadowDistExt=10000 sldShadowDistExt=10000000 | spnShadowDistExt=1234.5678 | "
            "fShadowDistance=1234.5678",
            "fInteriorShadowDistance=nan | spnShadowDistInt=0 | spnShadowDistInt=4000 | fInteriorShadowDistance=4000",
            "iRadialBlurLevel=3 | cmbRadBlurLev=High | cmbRadBlurLev=Ultra | iRadialBlurLevel=4",
            "fDefaultWorldFOV=200 | sldFOV=140 spnFOV=140 | sldFOV=80 | "
            "fDefaultFOV=80, fDefaultWorldFOV=80, fDefault1stPersonFOV=80",
            "uMaxDecals=300 | sldMaxDecals=255 | sldMaxDecals=200 | uMaxDecals=200",
            "iWaterReflectHeight=768, iWaterReflectWidth=768 | | cmbWaterRes=2048x2048 | "
            "iWaterReflectHeight=2048, iWaterReflectWidth=2048",
            "iWaterReflectHeight=512 | cmbWaterRes=512x512 | cmbWaterRes=256x256 | "
            "iWaterReflectHeight=256, iWaterReflectWidth=256",
            "iWaterReflectWidth=768 | | cmbWaterRes=256x256 | iWaterReflectHeight=256, iWaterReflectWidth=256",
            "fMouseHeadingSensitivity=0.0125 | spnMouseSens=0.0125 sldMouseSens=12 | spnMouseSens=0.5 | "
            "fMouseHeadingSensitivity=0.5",
            // Equal mouse scales load synced; a stored 0 keeps the starting 0.02.
            "fMouseHeadingXScale=0.0311 | ckbSyncMScaling=false sldMouseSCalY=20 | spnMouseSCalX=0.1234 | "
            "fMouseHeadingXScale=0.1234",
            "fMouseHeadingYScale=0.0422 | | spnMouseSCalY=0.25 | fMouseHeadingYScale=0.25",
            "fMouseHeadingXScale=0 | ckbSyncMScaling=true sldMouseSCalX=20 | spnMouseSCalY=0.25 | "
            "fMouseHeadingXScale=0.25, fMouseHeadingYScale=0.25",
        };
        QSet<QString> keys; // every key of the table has a row of its own
        for (const QString &row : rows) {
            QStringList columns = row.split(u'|');
            for (QString &column : columns)
                column = column.trimmed();
            keys << keyOf(columns[0]);
            QTest::newRow(qPrintable(columns[0] + "; " + columns[2]))
                << columns[0] << columns[1] << columns[2] << columns[3];
        }
        QStringList controls; // and each control is read from one key only
        for (const Setting &setting : settingsCatalogue()) {
            QVERIFY2(keys.contains(setting.key), setting.key);
            if (!setting.derived)
                controls << setting.control;
        }
        QCOMPARE(QSet<QString>(controls.cbegin(), controls.cend()).size(), controls.size());
    }

    void everyRowLoadsKeepsAndWrites()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shows);
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
                const auto setting = std::find_if(settingsCatalogue().cbegin(), settingsCatalogue().cend(),
                                                  [&](const Setting &row) { return keyOf(entry) == row.key; });
                if (storedValue(file, keyOf(entry)) == "<absent>") // a key the example pair lacks goes at the end
                    file += QByteArray("[") + setting->section + "]\r\n" + keyOf(entry).toLatin1() + "=\r\n";
                const QString value = "\\1" + entry.section(u'=', 1) + "\\3";
                file = QString::fromLatin1(file).replace(lineOf(keyOf(entry)), value).toLatin1();
            }
        };
        store(stored);
        WindowFixture fixture(prefs, main);
        QCOMPARE(fixture.shown(shows), shows);
        QCOMPARE(fixture.apply(), noMessage);
        QCOMPARE(fixture.home.prefs() + fixture.home.main(), prefs + main);

        // A file a save writes loses its empty lines; the other keeps every byte.
        const QByteArray prefsBefore = prefs, mainBefore = main;
        const auto saved = [](const QByteArray &file, const QByteArray &before) {
            return file == before ? file : QString::fromLatin1(file).remove(QRegularExpression("(?m)^\\s*\\n")).toLatin1();
        };
        fixture.set(edit);
        QCOMPARE(fixture.apply(), noMessage);
        store(written);
        QCOMPARE(fixture.home.prefs() + fixture.home.main(), saved(prefs, prefsBefore) + saved(main, mainBefore));
        verifyStable(fixture, edit);
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
            "iSize W=<absent>, iSize H=<absent>, bFull Screen=1, iShadowFilter=<absent>, bDrawShadows=<absent>");
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
        const QByteArray prefsFile = "[Display]\nsD3DDevice=Radeon\n";
        const QByteArray mainFile = ("[Display]\n" + stored.replace(", ", "\n") + (stored.isEmpty() ? "" : "\n")).toLatin1();
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

    // A key in neither file leaves its control as the form starts it.
    void absentKeysKeepTheStartingValues()
    {
        WindowFixture fixture(QByteArray(), "[Display]\niSize W=1280\n");
        const QString shows = "sldFOV=85 spnFOV=85 spnMouseSCalX=0.02 sldMouseSCalY=20 ckbSyncMScaling=true cmbTexQual=High "
                              "sldMaxDecals=1 cmbShadowRes=256x256 sldAA=0 cmbScreenRes= txtScreenResW=1280 txtScreenResH=NULL";
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
        fixture.set("cmbShadowFilter=Ultra ckbFXAA=false ckbDrawShadows=false ckbLandShadows=true");
        QCOMPARE(fixture.apply(), noMessage);
        QCOMPARE(fixture.home.prefs(), QByteArray(prefsFile).replace("bFXAAEnabled=1\nbDrawShadows=1",
                                                                     "bFXAAEnabled=0\nbDrawShadows=0"));
        QCOMPARE(fixture.home.main(), QByteArray(mainFile).replace("Filter=2", "Filter=4").replace("Shadows=NULL", "Shadows=1"));
        verifyStable(fixture, loaded);
    }

    // Apply writes the keys of the controls the player changed and nothing else; a file that gets none keeps every
    // byte and gets no backup. What a save could not write, the next Apply writes.
    void applyWritesOnlyWhatThePlayerChanged_data()
    {
        QTest::addColumn<QString>("steps"); // controls set, "apply" ("apply!": with a box), and what befalls the files
        QTest::addColumn<QByteArray>("prefsAfter");
        QTest::addColumn<QByteArray>("mainAfter");
        QTest::addColumn<QString>("backedUp"); // the files written
        const QByteArray vsyncOff = "[Display]\nsD3DDevice=\"Radeon\"\niPresentInterval=0\n[Water]\niWaterReflectHeight=3000\n";
        const auto row = [](const char *name, const char *steps, const QByteArray &prefs, const QByteArray &main,
                            const char *backedUp) { QTest::newRow(name) << steps << prefs << main << backedUp; };
        row("nothing changed", "apply", smallPrefs, smallMain, "");
        row("one change; a missing derived key stays missing", "ckbVSync=false apply", vsyncOff, smallMain, "prefs");
        row("a changed control writes all its keys", "cmbWaterRes=512x512 sldFOV=90 apply",
            QByteArray(smallPrefs).replace("3000", "512").replace("\n\n", "\n").replace("Radeon", "\"Radeon\""),
            "[General]\nfDefaultWorldFOV=90\nfDefaultFOV=90\nfDefault1stPersonFOV=90\n[Display]\nfGamma=1.5000\n"
            "bFull Screen=0\niSize W=1280\niSize H=720\n[Water]\niWaterReflectWidth=512\n", "prefs main");
        row("folder away, then back with the game's change", "ckbVSync=false away apply! apply! game back apply",
            vsyncOff, QByteArray(smallMain).replace("1.5000", "1.7500"), "prefs");
        row("changed back after an Apply", "spnGamma=1.1 apply spnGamma=1.5 apply", smallPrefs,
            QByteArray(smallMain).replace("1.5000", "1.5").replace("\n\n", "\n"), "main");
        row("main file not text, then back", "ckbScreenFuScr=true wide apply! apply! text apply", smallPrefs,
            QByteArray(smallMain).replace("Screen=0", "Screen=1").replace("\n\n", "\n"), "main");
    }

    void applyWritesOnlyWhatThePlayerChanged()
    {
        QFETCH(QString, steps);
        QFETCH(QString, backedUp);
        WindowFixture fixture(smallPrefs, smallMain);
        const QString folder = QDir::cleanPath(fixture.home.iniFolder()), away = folder + ".away";
        const QString text = QString::fromLatin1(smallMain); // as UTF-16 without a byte order mark
        const QByteArray wide(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
        for (const QString &step : steps.split(' ')) {
            if (step.startsWith("apply"))
                QCOMPARE(fixture.apply().size(), step.endsWith('!') ? 1 : 0);
            else if (step == "away" || step == "back")
                QVERIFY(step == "away" ? QDir().rename(folder, away) : QDir().rename(away, folder));
            else if (step == "game")
                TestSupport::writeBytes(away + "/Vantor.ini", QByteArray(smallMain).replace("1.5000", "1.7500"));
            else if (step == "wide" || step == "text")
                fixture.home.writeMain(step == "wide" ? wide : smallMain);
            else
                fixture.set(step);
        }
        QTEST(fixture.home.prefs(), "prefsAfter");
        QTEST(fixture.home.main(), "mainAfter");
        QCOMPARE(QFileInfo::exists(fixture.home.prefsPath() + ".bak"), backedUp.contains("prefs"));
        QCOMPARE(QFileInfo::exists(fixture.home.mainPath() + ".bak"), backedUp.contains("main"));
    }

    // Apply is enabled while something is unapplied: a change until it is applied or undone by hand, and what a
    // failed save could not write. Closing then asks: Cancel and Escape keep the window, Save applies, Discard closes.
    void applyButtonAndClosingFollowUnappliedChanges()
    {
        WindowFixture fixture(smallPrefs, smallMain);
        const auto *apply = fixture.get<QPushButton>("btnApply");
        const auto closes = [&fixture](QMessageBox::StandardButton answer, int questions) {
            MessageBoxWatcher watcher(answer);
            const bool closed = fixture.window->close();
            return watcher.seen.size() == questions ? closed : !closed;
        };
        QVERIFY(!apply->isEnabled() && apply->text() == "&Apply");
        fixture.set("ckbVSync=false");
        QVERIFY(apply->isEnabled());
        fixture.set("ckbVSync=true");
        QVERIFY(!apply->isEnabled());
        fixture.set("spnGamma=1.25");
        QVERIFY(apply->isEnabled() && !closes(QMessageBox::Cancel, 1) && !closes(QMessageBox::NoButton, 1));
        QVERIFY(QFile::setPermissions(fixture.home.mainPath(), QFile::ReadOwner));
        QVERIFY(!closes(QMessageBox::Save, 2)); // the question, then the failure
        QVERIFY(apply->isEnabled());
        QVERIFY(QFile::setPermissions(fixture.home.mainPath(), QFile::ReadOwner | QFile::WriteOwner));
        fixture.window->show();
        QVERIFY(QTest::qWaitForWindowActive(fixture.window.get()));
        QTest::keyClick(fixture.window.get(), Qt::Key_S, Qt::ControlModifier);
        QTRY_VERIFY(!apply->isEnabled());
        QCOMPARE(storedValue(fixture.home.main(), "fGamma"), "1.25");
        fixture.set("ckbVSync=false");
        QVERIFY(closes(QMessageBox::Discard, 1));
        QCOMPARE(fixture.home.prefs(), smallPrefs);
        fixture.restart();
        QVERIFY(closes(QMessageBox::Cancel, 0));
    }

    // The status line names the folder and how the last Apply went; Restore puts back the files as they were before
    // the first Apply; a second folder with the files is offered, and switching to it loads its values.
    void statusLineRestoreAndSwitch()
    {
        WindowFixture fixture(smallPrefs, smallMain);
        const QString other = fixture.home.home() + "/other/";
        TestSupport::writeBytes(other + "VantorPrefs.ini", QByteArray(smallPrefs).replace("Interval=1", "Interval=0"));
        TestSupport::writeBytes(other + "Vantor.ini", smallMain);
        rememberFolder(other);
        fixture.restart();
        const auto *status = fixture.get<QLabel>("lblStatus");
        const auto shows = [status](const QString &text) { return QTextDocumentFragment::fromHtml(status->text()).toPlainText()
                                                                .contains(text); };
        QVERIFY2(status->toolTip().contains(QDir::toNativeSeparators(fixture.home.iniFolder())) && shows("2 folders"),
                 qPrintable(status->text()));
        fixture.set("ckbVSync=false spnGamma=1.25");
        QCOMPARE(fixture.apply(), noMessage);
        QVERIFY2(shows("Saved ") && shows(": Vantor.ini, VantorPrefs.ini · Restore"), qPrintable(status->text()));
        const auto answering = [](QMessageBox::StandardButton answer, const std::function<void()> &action) {
            MessageBoxWatcher watcher(answer);
            action();
        };
        answering(QMessageBox::Yes, [&] { fixture.window->restoreFiles(); });
        QCOMPARE(fixture.home.prefs() + fixture.home.main(), smallPrefs + smallMain);
        QCOMPARE(fixture.shown("ckbVSync spnGamma"), "ckbVSync=true spnGamma=1.5");
        // A failed save gives the system's reason, keeps the file and its mode, and says so on the line.
        const QFile::Permissions readOnly = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
        QVERIFY(QFile::setPermissions(fixture.home.mainPath(), readOnly));
        fixture.set("spnGamma=1.25");
        QCOMPARE(fixture.apply(), QStringList("File access error! | Couldn't save " + SaveFailureText::shownPath(
                                                  fixture.home.mainPath()) + "! | The file is read-only."));
        QCOMPARE(fixture.home.main(), smallMain);
        QCOMPARE(QFileInfo(fixture.home.mainPath()).permissions() & 0x7077, readOnly);
        QVERIFY2(shows("Not saved: Vantor.ini"), qPrintable(status->text()));
        answering(QMessageBox::NoButton, [&] { fixture.window->switchToFolder(other); }); // Escape stays
        QCOMPARE(fixture.shown("ckbVSync"), "ckbVSync=true");
        answering(QMessageBox::Discard, [&] { fixture.window->switchToFolder(other); });
        QCOMPARE(fixture.shown("ckbVSync spnGamma"), "ckbVSync=false spnGamma=1.5");
        QVERIFY2(status->toolTip().contains(QDir::toNativeSeparators(other)), qPrintable(status->toolTip()));
        rememberFolder(QString());
    }
};

QTEST_MAIN(TestSettings)
#include "tst_settings.moc"
