// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "testsupport.h"

#include <QtTest>

namespace {

struct Answer
{
    int exitCode = -1;
    QString out;
    QString err;
};

// The real program, started without a display: whatever it answers, it must not need one.
Answer runProgram(const QStringList &arguments, const QString &home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_CONFIG_HOME", "WINEPREFIX"})
        environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("HOME"), home);
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(VANTOR_PROGRAM), arguments);
    if (!program.waitForFinished(30000)) {
        program.kill();
        program.waitForFinished();
        return {};
    }
    // Windows' C runtime ends each line it prints with CR LF.
    const auto text = [](const QByteArray &bytes) {
        return QString::fromUtf8(bytes).replace(QLatin1String("\r\n"), QLatin1String("\n"));
    };
    return {program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -1,
            text(program.readAllStandardOutput()), text(program.readAllStandardError())};
}

} // namespace

class TestCommandLine : public QObject
{
    Q_OBJECT

private slots:
    void answersWithoutAWindow_data();
    void answersWithoutAWindow();
};

void TestCommandLine::answersWithoutAWindow_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<bool>("filesThere");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out"); // a text the output holds; "<folder>" stands for the INI folder
    QTest::addColumn<QString>("err");
    QTest::newRow("help lists the options and the search order")
        << QStringList{"--help"} << false << 0 << "--folder <dir>" << "";
#ifdef Q_OS_WIN
    QTest::newRow("help, short") << QStringList{"-h"} << false << 0 << "below your documents folder" << "";
#else
    QTest::newRow("help, short") << QStringList{"-h"} << false << 0 << "Steam Proton prefix" << "";
#endif
    QTest::newRow("version and licence") << QStringList{"--version"} << false << 0
                                         << "vantor-configurator 1.0.0\nCopyright 2026 The Vantor Configurator "
                                            "developers.\nLicense GPL-3.0-or-later" << "";
    QTest::newRow("unknown option") << QStringList{"--bogus"} << false << 2 << ""
                                    << "vantor-configurator: Unknown option 'bogus'.\n";
    QTest::newRow("stray argument") << QStringList{"Vantor.ini"} << false << 2 << ""
                                    << "vantor-configurator: Unexpected argument 'Vantor.ini'.\n";
    QTest::newRow("/? is help") << QStringList{"/?"} << false << 0 << "--folder <dir>" << "";
    QTest::newRow("folder with a quote, as \\\" leaves it") << QStringList{"--folder", "C:\\Vantor\" --locate"} << false
                                                          << 2 << "" << "holds a double quote";
    QTest::newRow("folder without its value") << QStringList{"--folder"} << false << 2 << ""
                                              << "vantor-configurator: Missing value after '--folder'.\n";
    QTest::newRow("locate, files found") << QStringList{"--locate"} << true << 0 << "<folder>\n" << "";
    QTest::newRow("locate, a relative folder, and a toolkit option")
        << QStringList{"--locate", "--folder", "games/../saves", "-platform", "offscreen"} << false << 1
        << "<cwd>/saves/\n" << "Searched:";
#ifndef Q_OS_WIN
    QTest::newRow("locate, an absolute folder") << QStringList{"--locate", "--folder=/data/Vantor/"} << false << 1
                                                << "/data/Vantor/\n" << "Searched:";
#endif
    // Redirected, as here, the answer is UTF-8 (a console gets wide characters).
    QTest::newRow("locate, a folder of non-ASCII letters") << QStringList{"--locate", "--folder=J\u00fcrgen \u65e5"}
                                                           << false << 1 << "J\u00fcrgen \u65e5" << "J\u00fcrgen \u65e5";
    QTest::newRow("locate, files not found: every folder searched")
        << QStringList{"--locate"} << false << 1 << "<folder>\n" << "Searched:\n  <folder>\n";
#ifndef Q_OS_WIN
    QTest::newRow("no display, files not found: the first-run text, exit code 2")
        << QStringList() << false << 2 << "" << "Couldn't open <folder>VantorPrefs.ini!\nThe game creates";
#endif
}

void TestCommandLine::answersWithoutAWindow()
{
    QFETCH(QStringList, arguments);
    QFETCH(bool, filesThere);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    TestSupport::ScratchHome home;
    if (filesThere) {
        home.writePrefs("[Display]\n");
        home.writeMain("[Display]\n");
    }
#ifdef Q_OS_WIN
    // The documents folder comes from the shell, not from HOME: the folder is handed over.
    if (arguments == QStringList(QStringLiteral("--locate")))
        arguments << QStringLiteral("--folder") << home.iniFolder();
#endif
    const QString folder = QDir::toNativeSeparators(home.iniFolder());
    const Answer answer = runProgram(arguments, home.home());
    QCOMPARE(answer.exitCode, exitCode);
    out.replace(QLatin1String("<cwd>"), QDir::currentPath());
    QVERIFY2(answer.out.contains(QDir::toNativeSeparators(out).replace(QLatin1String("<folder>"), folder)),
             qPrintable(answer.out));
    if (err.isEmpty())
        QCOMPARE(answer.err, QString());
    else
        QVERIFY2(answer.err.contains(err.replace(QLatin1String("<folder>"), folder)), qPrintable(answer.err));
    if (exitCode == 2 && !arguments.isEmpty())
        QCOMPARE(answer.err.count(u'\n'), 1);
}

QTEST_MAIN(TestCommandLine)
#include "tst_commandline.moc"
