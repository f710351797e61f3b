// "Apply" on the example INI pair against the least any save of the same result
// costs: two QSaveFile commits of the final bytes of both files.
//
// Before every sample both files are put back to the examples (not timed), so
// each Apply really has to write both files, as the first Apply after a start does.

#include "mainwindow.h"
#include "benchcommon.h"
#include "applysettings.h"
#include "catalogue.h"
#include "inistore.h"

#include <QApplication>
#include <QPushButton>
#include <QDir>
#include <QSaveFile>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>

using namespace Bench;

namespace {

void commit(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        qFatal("cannot write %s", qPrintable(path));
}

// One pass with the scratch home below base; label names the storage in the summary.
void run(const QString &base, const QString &label, bool primary, int samples)
{
    std::printf("\n-- Scratch files on %s (%s) --\n", qPrintable(label), qPrintable(base));
    QTemporaryDir home(base + QStringLiteral("/vantor-bench-XXXXXX"));
    if (!home.isValid())
        qFatal("no scratch folder");
    qputenv("HOME", QFile::encodeName(home.path()));
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("WINEPREFIX");
    const QString folder = iniFolderBelow(home.path());
    const QString prefsPath = folder + QStringLiteral("VantorPrefs.ini");
    const QString mainPath = folder + QStringLiteral("Vantor.ini");
    const QByteArray originalPrefs = readFile(QStringLiteral(VANTOR_SOURCE_DIR "/examples/VantorPrefs.ini"));
    const QByteArray originalMain = readFile(QStringLiteral(VANTOR_SOURCE_DIR "/examples/Vantor.ini"));
    const auto restore = [&] {
        writeFile(prefsPath, originalPrefs);
        writeFile(mainPath, originalMain);
    };
    restore();

    MainWindow window(std::make_unique<IniStore>(folder));
    auto *applyButton = window.findChild<QPushButton *>(QStringLiteral("btnApply"));
    if (!applyButton)
        qFatal("the form has no btnApply");

    // What one Apply makes of the examples: the bytes the floor writes.
    {
        IniStore store(folder);
        applyFormToStore(&window, store);
        if (!store.save().isEmpty())
            qFatal("the first Apply failed");
    }
    const QByteArray finalPrefs = readFile(prefsPath);
    const QByteArray finalMain = readFile(mainPath);
    std::printf("Apply turns VantorPrefs.ini %lld -> %lld bytes (%s), Vantor.ini %lld -> %lld bytes (%s).\n",
                qint64(originalPrefs.size()), qint64(finalPrefs.size()),
                finalPrefs == originalPrefs ? "unchanged" : "changed", qint64(originalMain.size()),
                qint64(finalMain.size()), finalMain == originalMain ? "unchanged" : "changed");
    const auto check = [&](const char *what) {
        if (readFile(prefsPath) != finalPrefs || readFile(mainPath) != finalMain)
            qFatal("%s wrote other bytes than the first Apply", what);
    };

    QList<double> floor, applyAndSave, applyOnly, saveOnly, clickChanged, clickUnchanged, lookups, writes;
    for (int round = -5; round < samples; ++round) { // five rounds of warm-up
        restore();
        const double floorMs = toMs(timeNs([&] {
            commit(prefsPath, finalPrefs);
            commit(mainPath, finalMain);
        }));

        restore();
        double applyMs = 0;
        double saveMs = 0;
        {
            IniStore store(folder);
            applyMs = toMs(timeNs([&] { applyFormToStore(&window, store); }));
            saveMs = toMs(timeNs([&] {
                if (!store.save().isEmpty())
                    qFatal("Apply failed");
            }));
        }
        check("applyFormToStore + save");

        // Two parts of applyFormToStore on their own: finding the controls by
        // name, and 71 store writes of the same keys (with a fixed text).
        const double lookupMs = toMs(timeNs([&] {
            for (const Setting &setting : settingsCatalogue()) {
                if (!window.findChild<QWidget *>(QLatin1String(setting.control)))
                    qFatal("no control %s", setting.control);
            }
        }));
        double writeMs = 0;
        {
            IniStore store(folder);
            writeMs = toMs(timeNs([&] {
                for (const Setting &setting : settingsCatalogue())
                    store.writeValue(QLatin1String(setting.section), QLatin1String(setting.key), QStringLiteral("1"));
            }));
        }

        // The window's own button, after something else rewrote both files since
        // its last save: the store reads them again and replays its edits.
        restore();
        const double changedMs = toMs(timeNs([&] { applyButton->click(); }));
        check("btnApply");
        // And again with nothing changed anywhere: there is nothing to write.
        const double unchangedMs = toMs(timeNs([&] { applyButton->click(); }));

        if (round < 0)
            continue;
        floor.append(floorMs);
        applyOnly.append(applyMs);
        saveOnly.append(saveMs);
        applyAndSave.append(applyMs + saveMs);
        clickChanged.append(changedMs);
        clickUnchanged.append(unchangedMs);
        lookups.append(lookupMs);
        writes.append(writeMs);
    }

    const double floorMedian = median(floor);
    std::printf("\n");
    Table table({QStringLiteral("configuration"), QStringLiteral("median"), QStringLiteral("best"),
                 QStringLiteral("ratio to floor"), QStringLiteral("goal"), QStringLiteral("verdict")});
    const auto row = [&](const QString &name, const QList<double> &values, bool judged) {
        const double value = median(values) / floorMedian;
        const QString goalText = judged ? QStringLiteral("<= 2.00x") : QString();
        const QString verdictText = judged ? verdict(value <= 2.0, primary) : QString();
        table.addRow({name, ms(median(values)), ms(best(values)), ratio(value), goalText, verdictText});
        if (judged)
            printSummary(QStringLiteral("apply"), name + QStringLiteral(" (") + label + u')', ms(median(values)),
                         ratio(value), goalText, verdictText);
    };
    row(QStringLiteral("floor: 2 QSaveFile commits of the final bytes"), floor, false);
    row(QStringLiteral("applyFormToStore + IniStore::save"), applyAndSave, true);
    row(QStringLiteral("  of which applyFormToStore (71 writes)"), applyOnly, false);
    row(QStringLiteral("  of which IniStore::save"), saveOnly, false);
    row(QStringLiteral("  alone: 71 findChild lookups of the controls"), lookups, false);
    row(QStringLiteral("  alone: 71 IniStore::writeValue, same keys"), writes, false);
    row(QStringLiteral("btnApply click, files rewritten meanwhile"), clickChanged, true);
    row(QStringLiteral("btnApply click, nothing to write"), clickUnchanged, false);
    table.print();
    std::printf("  our work on top of the floor: %s per Apply\n",
                qPrintable(ms(median(applyAndSave) - floorMedian)));
}

} // namespace

int main(int argc, char **argv)
{
    int samples = 200;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--samples") == 0)
            samples = std::max(1, std::atoi(argv[i + 1]));
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtime.isValid()) {
        // Qt wants a private runtime folder; without one it warns.
        QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
    }
    QApplication app(argc, argv);

    std::printf("== Apply on the example pair ==\n");
    printMachine();
    std::printf("\nMethod: in one process, %d rounds after 5 of warm-up; each round puts the examples back\n"
                "(not timed), then times each configuration in turn; medians. The floor writes the bytes\n"
                "Apply produces with two QSaveFile commits (each includes its fsync). Run once with the\n"
                "files on the disk of the temporary folder, where fsync makes most of a save (the goal\n"
                "is judged there: the player's files are on a disk), and once on tmpfs, where fsync\n"
                "costs nothing and our own work shows (secondary).\n",
                samples);
    run(QDir::tempPath(), QStringLiteral("disk"), true, samples);
    QStorageInfo shm(QStringLiteral("/dev/shm"));
    if (shm.isValid() && shm.fileSystemType() == "tmpfs")
        run(shm.rootPath(), QStringLiteral("tmpfs"), false, samples);
    else
        std::printf("\n(no tmpfs at /dev/shm: the tmpfs pass is left out)\n");
    printSummaries();
    return 0;
}
