// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "testsupport.h"

#include <QtTest>

// The real program, started without a display: whatever it answers, it must not need one.
class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
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
};

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
