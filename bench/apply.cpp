// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

// "Apply" on the example INI pair against the least any save of the same result
// costs: two QSaveFile commits of the final bytes of both files.
//
// Before every sample both files are put back to the examples (not timed), so
// each Apply really has to write both files, as the first Apply after a start does.

#include "mainwindow.h"
#include "benchcommon.h"
#include "formsettings.h"
#include "catalogue.h"
#include "inistore.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QSaveFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>

using namespace Bench;

namespace {

// Every key as the controls show it, changed or not: settings never loaded count every control as changed.
void applyAll(const QWidget *window, IniStore &store)
{
    FormSettings(window).apply(store);
}

void commit(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        qFatal("cannot write %s", qPrintable(path));
}

// The example pair in a scratch home, as it is before and after one Apply.
struct ExamplePair
{
    QString folder;
    QString prefsPath;
    QString mainPath;
    QByteArray originalPrefs;
    QByteArray originalMain;
    QByteArray finalPrefs;
    QByteArray finalMain;

    void restore() const
    {
        writeFile(prefsPath, originalPrefs);
        writeFile(mainPath, originalMain);
    }

    void check(const char *what, const QByteArray &prefs, const QByteArray &main) const
    {
        if (readFile(prefsPath) != prefs || readFile(mainPath) != main)
            qFatal("%s wrote other bytes than the first time", what);
    }
};

// The examples, put below home.
ExamplePair examplePair(const QString &home)
{
    ExamplePair pair;
    pair.folder = iniFolderBelow(home);
    pair.prefsPath = pair.folder + QStringLiteral("VantorPrefs.ini");
    pair.mainPath = pair.folder + QStringLiteral("Vantor.ini");
    pair.originalPrefs = readFile(QStringLiteral(VANTOR_SOURCE_DIR "/examples/VantorPrefs.ini"));
    pair.originalMain = readFile(QStringLiteral(VANTOR_SOURCE_DIR "/examples/Vantor.ini"));
    pair.restore();
    return pair;
}

// The player's one change before the window's own button: V-Sync turned over.
void changeOneSetting(QWidget *window)
{
    window->findChild<QCheckBox *>(QStringLiteral("ckbVSync"))->toggle();
}

// What one Apply of window makes of the examples (the bytes the floor writes).
void recordFirstApply(ExamplePair &pair, QWidget *window)
{
    IniStore store(pair.folder);
    applyAll(window, store);
    if (!store.save().isEmpty())
        qFatal("the first Apply failed");
    pair.finalPrefs = readFile(pair.prefsPath);
    pair.finalMain = readFile(pair.mainPath);
    std::printf("Apply turns VantorPrefs.ini %lld -> %lld bytes (%s), Vantor.ini %lld -> %lld bytes (%s).\n",
                qint64(pair.originalPrefs.size()), qint64(pair.finalPrefs.size()),
                pair.finalPrefs == pair.originalPrefs ? "unchanged" : "changed", qint64(pair.originalMain.size()),
                qint64(pair.finalMain.size()), pair.finalMain == pair.originalMain ? "unchanged" : "changed");
}

// Milliseconds of each configuration, one list entry per round.
struct Times
{
    QList<double> floor, applyAndSave, applyOnly, saveOnly, lookups, writes, clickChanged, clickUnchanged;
};

void timeRound(const ExamplePair &pair, QWidget *window, QPushButton *applyButton, Times &times)
{
    pair.restore();
    times.floor.append(toMs(timeNs([&] {
        commit(pair.prefsPath, pair.finalPrefs);
        commit(pair.mainPath, pair.finalMain);
    })));

    pair.restore();
    {
        IniStore store(pair.folder);
        times.applyOnly.append(toMs(timeNs([&] { applyAll(window, store); })));
        times.saveOnly.append(toMs(timeNs([&] {
            if (!store.save().isEmpty())
                qFatal("Apply failed");
        })));
        times.applyAndSave.append(times.applyOnly.back() + times.saveOnly.back());
    }
    pair.check("writing every key + save", pair.finalPrefs, pair.finalMain);

    // Two parts of applyAll on their own: finding the controls by name, and
    // a store write of each key (with a fixed text).
    times.lookups.append(toMs(timeNs([&] {
        for (const Setting &setting : settingsCatalogue()) {
            if (!window->findChild<QWidget *>(QLatin1String(setting.control)))
                qFatal("no control %s", setting.control);
        }
    })));
    {
        IniStore store(pair.folder);
        times.writes.append(toMs(timeNs([&] {
            for (const Setting &setting : settingsCatalogue())
                store.writeValue(QLatin1String(setting.section), QLatin1String(setting.key), QStringLiteral("1"));
        })));
    }

    // The window's own button with the player's one change, after something else rewrote
    // both files since its last save: the store reads them again and writes the one file.
    pair.restore();
    changeOneSetting(window);
    times.clickChanged.append(toMs(timeNs([&] { applyButton->click(); })));
    if (readFile(pair.prefsPath) == pair.originalPrefs)
        qFatal("btnApply wrote nothing");
    // And again with nothing changed anywhere: there is nothing to write.
    times.clickUnchanged.append(toMs(timeNs([&] { applyButton->click(); })));
    // V-Sync back, so that every round starts from the window as it opened.
    changeOneSetting(window);
    applyButton->click();
}

void printTimes(const Times &times, const QString &label, bool primary)
{
    const double floorMedian = median(times.floor);
    std::printf("\n");
    Table table({QStringLiteral("configuration"), QStringLiteral("median"), QStringLiteral("best"),
                 QStringLiteral("ratio to floor"), QStringLiteral("goal"), QStringLiteral("verdict")});
    const auto row = [&](const char *name, const QList<double> &values, bool judged) {
        const double value = median(values) / floorMedian;
        const QString goalText = judged ? QStringLiteral("<= 2.00x") : QString();
        const QString verdictText = judged ? verdict(value <= 2.0, primary) : QString();
        table.addRow({QLatin1String(name), ms(median(values)), ms(best(values)), ratio(value), goalText,
                      verdictText});
        if (judged)
            printSummary(QStringLiteral("apply"), QLatin1String(name) + QStringLiteral(" (") + label + u')',
                         ms(median(values)), ratio(value), goalText, verdictText);
    };
    row("floor: 2 QSaveFile commits of the final bytes", times.floor, false);
    row("writing every key + IniStore::save", times.applyAndSave, true);
    row("  of which writing every key", times.applyOnly, false);
    row("  of which IniStore::save", times.saveOnly, false);
    row("  alone: a findChild lookup per setting", times.lookups, false);
    row("  alone: an IniStore::writeValue per setting", times.writes, false);
    row("btnApply click, files rewritten meanwhile", times.clickChanged, true);
    row("btnApply click, nothing to write", times.clickUnchanged, false);
    table.print();
    std::printf("  our work on top of the floor: %s per Apply\n",
                qPrintable(ms(median(times.applyAndSave) - floorMedian)));
}

// One pass with the scratch home below base; label names the storage in the summary.
void run(const QString &base, const QString &label, int samples)
{
    std::printf("\n-- Scratch files on %s (%s) --\n", qPrintable(label), qPrintable(base));
    QTemporaryDir home(base + QStringLiteral("/vantor-bench-XXXXXX"));
    if (!home.isValid())
        qFatal("no scratch folder");
    qputenv("HOME", QFile::encodeName(home.path()));
    qunsetenv("XDG_CONFIG_HOME");
    qunsetenv("WINEPREFIX");
    ExamplePair pair = examplePair(home.path());

    MainWindow window(std::make_unique<IniStore>(pair.folder));
    auto *applyButton = window.findChild<QPushButton *>(QStringLiteral("btnApply"));
    if (!applyButton)
        qFatal("the form has no btnApply");
    recordFirstApply(pair, &window);

    Times warmUp;
    for (int round = 0; round < 5; ++round)
        timeRound(pair, &window, applyButton, warmUp);
    Times times;
    for (int round = 0; round < samples; ++round)
        timeRound(pair, &window, applyButton, times);
    printTimes(times, label, label == QLatin1String("disk"));
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
    onDiskAndTmpfs([&](const QString &folder, const QString &label) { run(folder, label, samples); });
    printSummaries();
    return 0;
}
