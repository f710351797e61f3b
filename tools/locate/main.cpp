#include "store/inifolder.h"
#include "store/inistore.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

// Prints the INI folder the program would use; exits with 0 when both files in
// it can be read, else 1 after listing every folder that was searched.
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const IniFolderSearch search = IniFolderSearch::fromEnvironment();
    const QString folder = findIniFolder(search);
    std::puts(qPrintable(QDir::toNativeSeparators(folder)));
    if (IniStore(folder).isOpen())
        return 0;
    std::fputs("Searched:\n", stderr);
    for (const QString &candidate : iniFolderCandidates(search))
        std::fprintf(stderr, "  %s\n", qPrintable(QDir::toNativeSeparators(candidate)));
    return 1;
}
