// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "commandline.h"
#include "consoletext.h"
#include "formfont.h"
#include "inistore.h"
#include "mainwindow.h"
#include "startup.h"

#include <QApplication>
#include <QTextStream>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace {

void nameTheProgram()
{
    QCoreApplication::setApplicationName(QStringLiteral("vantor-configurator"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTOR_VERSION));
}

#ifdef Q_OS_WIN
// A GUI program has no console of its own: answers typed for in a command prompt
// go to the prompt's console. Output already redirected to a file or pipe stays there.
void writeToTheCallersConsole()
{
    const auto unconnected = [](DWORD handle) {
        const HANDLE stream = ::GetStdHandle(handle);
        return stream == nullptr || stream == INVALID_HANDLE_VALUE;
    };
    if (!unconnected(STD_OUTPUT_HANDLE) && !unconnected(STD_ERROR_HANDLE))
        return;
    if (!::AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (unconnected(STD_OUTPUT_HANDLE))
        std::freopen("CONOUT$", "w", stdout);
    if (unconnected(STD_ERROR_HANDLE))
        std::freopen("CONOUT$", "w", stderr);
}
#endif

} // namespace

int main(int argc, char *argv[])
{
    // The command line is read before the GUI starts, so that --help and the
    // other answers work without a display.
    CommandLine commandLine;
    QString folder;
    {
#ifdef Q_OS_WIN
        writeToTheCallersConsole();
#endif
        QCoreApplication core(argc, argv);
        nameTheProgram();
        QString outText, errText;
        QTextStream out(&outText), err(&errText);
        commandLine = parseCommandLine(QCoreApplication::arguments(), out, err);
        folder = startFolder(commandLine.folder);
        // Without a display nothing can be shown (the toolkit would abort): start errors are printed.
        if (!commandLine.exitCode && !displayAvailable()) {
            const IniStore store(folder);
            err << QCoreApplication::applicationName() << ": "
                << (store.isOpen() ? QCoreApplication::translate("Startup", "No display to show the window on.")
                                   : startErrorText(*store.openFailure(), searchedFolders(commandLine.folder)))
                << Qt::endl;
            commandLine.exitCode = 2;
        }
        out.flush();
        err.flush();
        writeText(stdout, outText);
        writeText(stderr, errText);
    }
    if (commandLine.exitCode)
        return *commandLine.exitCode;

    chooseTextRendering();
    QApplication app(argc, argv);
    nameTheProgram();
    // The window's class (X11) and app id (Wayland) are the desktop entry's id, so
    // that a dock ties the window to its launcher.
    const QString desktopId = QStringLiteral("io.github.vantor_configurator");
    QGuiApplication::setDesktopFileName(desktopId);
    QCoreApplication::setApplicationName(desktopId);
    installQtTranslations();
    std::unique_ptr<IniStore> store = openIniStore(folder, commandLine.folder);
    if (!store)
        return 2;
    MainWindow window(std::move(store));
    window.show();
    return app.exec();
}
