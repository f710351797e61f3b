// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "fileaccesserror.h"
#include "inistore.h"
#include "startup.h"
#include "windowfixture.h"

#include <QtTest>

// What the program does between its command line and the window: answer the command line, open the game's two
// files, or say which one it could not read.
class TestStartup : public QObject
{
    Q_OBJECT

private slots:
    void unreadableFileGivesOneMessageAndNoStore_data()
    {
        QTest::addColumn<QString>("prefs"); // "file", "missing", "folder", "cut utf-16", "blank" or "" (0 bytes)
        QTest::addColumn<QString>("main");
        QTest::addColumn<QString>("reported");
        const QString empty = "The file is empty, as the game leaves it when it stops while saving. Start the game once "
                              "so that it writes the file again.";
        QTest::newRow("preferences file missing") << "missing" << "file" << "VantorPrefs.ini";
        QTest::newRow("main file missing") << "file" << "missing" << "Vantor.ini";
        QTest::newRow("both missing: only the preferences file") << "missing" << "missing" << "VantorPrefs.ini";
        QTest::newRow("folder named like the main file") << "file" << "folder" << "Vantor.ini! | Something other than a";
        QTest::newRow("main file is UTF-16 cut inside a unit") << "file" << "cut utf-16"
                                                               << "Vantor.ini! | It does not read as lines of text";
        QTest::newRow("preferences file blank") << "blank" << "file" << "VantorPrefs.ini! | " + empty;
        QTest::newRow("main file of 0 bytes") << "file" << "" << "Vantor.ini! | " + empty;
    }

    void unreadableFileGivesOneMessageAndNoStore()
    {
        QFETCH(QString, prefs);
        QFETCH(QString, main);
        QFETCH(QString, reported);
        TestSupport::ScratchHome home;
        const auto place = [](const QString &how, const QString &path) {
            if (how == QLatin1String("folder"))
                QDir().mkpath(path);
            else if (how == QLatin1String("cut utf-16"))
                TestSupport::writeBytes(path, QByteArray("\xFF\xFE[\0D", 5));
            else if (how == QLatin1String("blank") || how.isEmpty())
                TestSupport::writeBytes(path, how.isEmpty() ? "" : " \r\n\t\n");
            else if (how != QLatin1String("missing"))
                TestSupport::writeBytes(path, "[Display]\r\n");
        };
        place(prefs, home.prefsPath());
        place(main, home.mainPath());

        MessageBoxWatcher watcher;
        QVERIFY(!openIniStore(home.iniFolder()));
        const QString expected = QStringLiteral("File access error! | Couldn't open ")
            + QDir::toNativeSeparators(home.iniFolder() + reported) + (reported.contains('|') ? "" : "!");
        QCOMPARE(watcher.seen.size(), 1);
        QVERIFY2(watcher.seen[0].startsWith(expected) && watcher.seen[0].contains("The game creates") == (prefs == "missing"
                 || main == "missing"), qPrintable(watcher.seen[0]));
    }

    // The first-run box lists the folders searched; a folder chosen without the files asks again, one with
    // them opens and is remembered, and the next start tries it first; a folder given still wins.
    void firstRunTakesAChosenFolder()
    {
        TestSupport::ScratchHome home;
        QTemporaryDir chosen;
        TestSupport::writeBytes(chosen.path() + "/VantorPrefs.ini", "[Display]\r\n");
        TestSupport::writeBytes(chosen.path() + "/Vantor.ini", "[Display]\r\n");
        int asked = 0;
        setFolderChooser([&](const QString &) { return ++asked == 1 ? home.home() : chosen.path(); });
        MessageBoxWatcher watcher(QMessageBox::NoButton, QString("Choose Folder…"));
        QVERIFY(openIniStore(home.iniFolder(), home.iniFolder()));
        QCOMPARE(watcher.seen.size(), 2);
        QVERIFY2(watcher.seen[0].contains("| Folders searched:\n  " + QDir::toNativeSeparators(home.iniFolder())),
                 qPrintable(watcher.seen[0]));
        QCOMPARE(startFolder(QString()), chosen.path() + '/');
        QCOMPARE(startFolder("/given/"), QString("/given/"));
        rememberFolder(QString());
    }

#ifdef Q_OS_UNIX
    // As root every file is readable, so the check runs as an unprivileged user.
    void fileWithoutReadPermissionIsUnreadable()
    {
        TestSupport::ScratchHome home("[Display]\r\n", "[Display]\r\n");
        QVERIFY(QFile::setPermissions(home.prefsPath(), QFile::WriteOwner));
        QCOMPARE(TestSupport::runAsNobody(home.home(), [&] {
            const IniStore store(home.iniFolder());
            const std::optional<SaveFailure> failure = store.openFailure(); // the reason: no access
            return failure && failure->path == home.prefsPath() && failure->systemText == "Permission denied" ? 0 : 1;
        }), 0);
    }
#endif

    // A long path is shortened in the middle: the file name always shows.
    void longPathsKeepTheFileName()
    {
        const QString path = "/home/player/" + QString("a deep folder/").repeated(8) + "VantorPrefs.ini";
        const QString text = SaveFailureText::openError(SaveFailure{path, SaveFailure::Kind::Missing, {}});
        QVERIFY2(text.size() < 100 && text.contains(QChar(0x2026))
                 && text.endsWith(QDir::toNativeSeparators("/a deep folder/VantorPrefs.ini!")), qPrintable(text));
    }

    // The real program, started without a display: whatever it answers, it must not need one.
    void answersWithoutAWindow_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out"); // a text the output holds; "<folder>" stands for the INI folder
        QTest::addColumn<QString>("err");
        const auto row = [](const char *name, const QStringList &arguments, int exitCode, const QString &out,
                            const QString &err) { QTest::newRow(name) << arguments << exitCode << out << err; };
#ifdef Q_OS_WIN
        row("help lists the options and the search order", {"--help"}, 0, "below your documents folder", "");
#else
        row("help lists the options and the search order", {"--help"}, 0, "Steam Proton prefix", "");
        row("locate, an absolute folder", {"--locate", "--folder=/data/Vantor/"}, 1, "/data/Vantor/\n", "Searched:");
        row("no display, files not found: the first-run text, exit code 2", {}, 2, "",
            "Couldn't open <folder>VantorPrefs.ini!\nThe game creates");
#endif
        row("help, short", {"-h"}, 0, "--folder <dir>", "");
        row("/? is help", {"/?"}, 0, "--folder <dir>", "");
        row("version and licence", {"--version"}, 0, "vantor-configurator 1.0.0\nCopyright 2026 The Vantor "
            "Configurator developers.\nLicense GPL-3.0-or-later", "");
        row("unknown option", {"--bogus"}, 2, "", "vantor-configurator: Unknown option 'bogus'.\n");
        row("stray argument", {"Vantor.ini"}, 2, "", "vantor-configurator: Unexpected argument 'Vantor.ini'.\n");
        row("folder with a quote, as \\\" leaves it", {"--folder", "C:\\Vantor\" --locate"}, 2, "", "a double quote");
        row("folder without its value", {"--folder"}, 2, "", "vantor-configurator: Missing value after '--folder'.\n");
        row("locate, files found", {"--locate"}, 0, "<folder>\n", "");
        row("locate, a relative folder, and a toolkit option",
            {"--locate", "--folder", "games/../saves", "-platform", "offscreen"}, 1, "<cwd>/saves/\n", "Searched:");
        // Redirected, as here, the answer is UTF-8 (a console gets wide characters).
        const QString nonAscii = "J\u00fcrgen \u65e5";
        row("locate, a folder of non-ASCII letters", {"--locate", "--folder=" + nonAscii}, 1, nonAscii, nonAscii);
        row("locate, files not found: every folder searched", {"--locate"}, 1, "<folder>\n", "Searched:\n  <folder>\n");
    }

    void answersWithoutAWindow()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        TestSupport::ScratchHome home; // HOME, for the program too
        if (QTest::currentDataTag() == QLatin1String("locate, files found")) {
            home.writePrefs("[Display]\n");
            home.writeMain("[Display]\n");
        }
#ifdef Q_OS_WIN
        // The documents folder comes from the shell, not from HOME: the folder is handed over.
        if (arguments == QStringList(QStringLiteral("--locate")))
            arguments << QStringLiteral("--folder") << home.iniFolder();
#endif
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(VANTOR_PROGRAM), arguments);
        QVERIFY(program.waitForFinished(30000) && program.exitStatus() == QProcess::NormalExit);
        QCOMPARE(program.exitCode(), exitCode);
        const auto text = [](const QByteArray &bytes) { // Windows' C runtime ends each line with CR LF
            return QString::fromUtf8(bytes).replace(QLatin1String("\r\n"), QLatin1String("\n"));
        };
        const QString folder = QDir::toNativeSeparators(home.iniFolder()), said = text(program.readAllStandardOutput()),
                      complained = text(program.readAllStandardError());
        out = QDir::toNativeSeparators(out.replace(QLatin1String("<cwd>"), QDir::currentPath()));
        QVERIFY2(said.contains(out.replace(QLatin1String("<folder>"), folder)), qPrintable(said));
        err.replace(QLatin1String("<folder>"), folder);
        QVERIFY2(err.isEmpty() ? complained.isEmpty() : complained.contains(err), qPrintable(complained));
        if (exitCode == 2 && !arguments.isEmpty())
            QCOMPARE(complained.count(u'\n'), 1);
    }

    // Qt's own words follow the system's language (last: the translator stays).
    void qtWordsFollowTheSystemLanguage()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        if (!installQtTranslations())
            QSKIP("Qt's translations are not installed here (qt6-translations-l10n)");
        QMessageBox box;
        box.setStandardButtons(QMessageBox::Discard);
        QCOMPARE(box.button(QMessageBox::Discard)->text(), QString("Verwerfen"));
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
