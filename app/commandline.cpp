// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "commandline.h"

#include "inifolder.h"
#include "inistore.h"
#include "startup.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>
#include <QTextStream>

namespace {

// Options QApplication takes for itself; they pass through to it untouched.
struct ToolkitOption
{
    const char *name;
    bool takesValue;
};

constexpr ToolkitOption toolkitOptions[] = {
    {"platform", true}, {"platformpluginpath", true}, {"platformtheme", true}, {"plugin", true},
    {"display", true}, {"geometry", true}, {"qwindowgeometry", true}, {"qwindowicon", true},
    {"qwindowtitle", true}, {"title", true}, {"style", true}, {"stylesheet", true},
    {"session", true}, {"reverse", false}, {"widgetcount", false}, {"nograb", false},
    {"dograb", false},
};

QString searchOrder()
{
#ifdef Q_OS_WIN
    return QCoreApplication::translate("CommandLine",
        "Without --folder, the files are looked for in \"My Games\\Vantor\" below your documents folder.");
#else
    return QCoreApplication::translate("CommandLine",
        "Without --folder, the files are looked for in \"My Games/Vantor\" below, in this order:\n"
        "  1. the desktop's documents folder (XDG_DOCUMENTS_DIR, else ~/Documents);\n"
        "  2. the Documents folder of every Steam Proton prefix of every Steam library\n"
        "     (the one written last when several hold the files);\n"
        "  3. the Documents folder of $WINEPREFIX, then of ~/.wine.\n"
        "The first folder that holds \"VantorPrefs.ini\" is used.");
#endif
}

// Prints the folder the program would use; 0 when both files in it can be read,
// else 1 after every folder that was searched.
int locate(const QString &givenFolder, QTextStream &out, QTextStream &err)
{
    const IniFolderSearch search = IniFolderSearch::fromEnvironment();
    const QString folder = givenFolder.isEmpty() ? findIniFolder(search) : givenFolder;
    out << QDir::toNativeSeparators(folder) << Qt::endl;
    if (IniStore(folder).isOpen())
        return 0;
    err << QCoreApplication::translate("CommandLine", "The files are not there. Searched:") << Qt::endl;
    const QStringList searched = givenFolder.isEmpty() ? iniFolderCandidates(search) : QStringList{givenFolder};
    for (const QString &candidate : searched)
        err << "  " << QDir::toNativeSeparators(candidate) << Qt::endl;
    return 1;
}

} // namespace

CommandLine parseCommandLine(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QCoreApplication::translate("CommandLine", "Edits the settings in the game's VantorPrefs.ini and Vantor.ini.")
        + QStringLiteral("\n\n") + searchOrder());
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption folder(QStringLiteral("folder"),
        QCoreApplication::translate("CommandLine", "Edit the two files in <dir> instead of looking for them."),
        QStringLiteral("dir"));
    const QCommandLineOption locateOption(QStringLiteral("locate"),
        QCoreApplication::translate("CommandLine", "Print the folder that would be used and exit; exit code 1 "
                                                   "and every folder searched when the files are not there."));
    parser.addOption(folder);
    parser.addOption(locateOption);
    for (const ToolkitOption &option : toolkitOptions) {
        QCommandLineOption passed(QString::fromLatin1(option.name));
        if (option.takesValue)
            passed.setValueName(QStringLiteral("value"));
        passed.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(passed);
    }

    CommandLine result;
    // "/?" asks for help, as Windows programs take it.
    QStringList given = arguments;
    given.replaceInStrings(QRegularExpression(QStringLiteral("^/\\?$")), QStringLiteral("--help"));
    if (!parser.parse(given)) {
        err << QCoreApplication::applicationName() << ": " << parser.errorText() << Qt::endl;
        result.exitCode = 2;
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        err << QCoreApplication::applicationName() << ": "
            << QCoreApplication::translate("CommandLine", "Unexpected argument '%1'.")
                   .arg(parser.positionalArguments().constFirst())
            << Qt::endl;
        result.exitCode = 2;
        return result;
    }
    if (parser.isSet(help) || parser.isSet(QStringLiteral("help-all"))) {
        out << parser.helpText();
        result.exitCode = 0;
        return result;
    }
    if (parser.isSet(version)) {
        out << QCoreApplication::applicationName() << ' ' << QCoreApplication::applicationVersion() << Qt::endl
            << QCoreApplication::translate("CommandLine",
                   "Copyright 2026 The Vantor Configurator developers.\n"
                   "License GPL-3.0-or-later: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
                   "This is free software: you are free to change and redistribute it.\n"
                   "There is NO WARRANTY, to the extent permitted by law.")
            << Qt::endl;
        result.exitCode = 0;
        return result;
    }
    if (parser.isSet(folder) && parser.value(folder).contains(u'"')) {
        // The command prompt takes \" as a quote inside the value: "C:\...\Vantor\" --locate is one argument.
        err << QCoreApplication::applicationName() << ": "
            << QCoreApplication::translate("CommandLine", "The folder '%1' holds a double quote: a backslash before a "
                                                          "closing quote makes the quote part of the name. Leave off "
                                                          "the last backslash.").arg(parser.value(folder))
            << Qt::endl;
        result.exitCode = 2;
        return result;
    }
    if (parser.isSet(folder))
        result.folder = folderPath(parser.value(folder));
    if (parser.isSet(locateOption))
        result.exitCode = locate(result.folder, out, err);
    return result;
}
