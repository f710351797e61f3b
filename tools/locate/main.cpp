#include "store/inifolder.h"
#include "store/inistore.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

// Prints the INI folder; exits with 0 when both files in it can be read, else 1.
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString folder = iniFolder();
    std::puts(qPrintable(QDir::toNativeSeparators(folder)));
    return IniStore(folder).isOpen() ? 0 : 1;
}
