#include "commandline.h"
#include "inifolder.h"
#include "inistore.h"
#include "mainwindow.h"
#include "startup.h"

#include <QApplication>
#include <QTextStream>

#include <cstdio>

namespace {

void nameTheProgram()
{
    QCoreApplication::setApplicationName(QStringLiteral("vantor-configurator"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VANTOR_VERSION));
}

} // namespace

int main(int argc, char *argv[])
{
    // The command line is read before the GUI starts, so that --help and the
    // other answers work without a display.
    CommandLine commandLine;
    {
        QCoreApplication core(argc, argv);
        nameTheProgram();
        QTextStream out(stdout);
        QTextStream err(stderr);
        commandLine = parseCommandLine(QCoreApplication::arguments(), out, err);
    }
    if (commandLine.exitCode)
        return *commandLine.exitCode;

    QApplication app(argc, argv);
    nameTheProgram();
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.vantor_configurator"));
    std::unique_ptr<IniStore> store = openIniStore(commandLine.folder.isEmpty() ? iniFolder() : commandLine.folder);
    if (!store)
        return 2;
    MainWindow window(std::move(store));
    window.show();
    return app.exec();
}
