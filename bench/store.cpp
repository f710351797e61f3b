// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Read + a write per setting + save on large generated INI pairs: IniStore against
// QSettings (IniFormat) doing the same read, the same setValue calls and
// sync(). Peak memory of each configuration comes from a process of its own.

#include "benchcommon.h"
#include "catalogue.h"
#include "inistore.h"

#include <QCoreApplication>
#include <QMap>
#include <QSettings>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>

using namespace Bench;

namespace {

const QList<int> lineCounts = {1000, 10000, 100000};
const QStringList configurations = {QStringLiteral("IniStore"), QStringLiteral("QSettings")};

constexpr int keysPerSection = 16;
constexpr int generalKeys = 8;

struct Write
{
    QString section; // empty: the top level ([General])
    QString key;
    QString value;
};

QString keyName(int index)
{
    static const char prefixes[] = {'i', 'f', 'b', 's'};
    return QLatin1Char(prefixes[index % 4]) + QStringLiteral("Setting%1").arg(index, 2, 10, QLatin1Char('0'));
}

QString sectionName(const char *prefix, int index)
{
    return QLatin1String(prefix) + QStringLiteral("Section%1").arg(index, 5, 10, QLatin1Char('0'));
}

QByteArray valueText(int section, int key)
{
    switch (key % 4) {
    case 0:
        return QByteArray::number((section * 31 + key * 7) % 5000);
    case 1:
        return QByteArray::number((section % 97) * 12.5 + key, 'f', 4);
    case 2:
        return QByteArray::number((section + key) % 2);
    default:
        if (key % 8 == 3)
            return "Vantor - Misc.bsa, Vantor - Textures.bsa";
        return "Text of setting " + QByteArray::number(section) + '-' + QByteArray::number(key);
    }
}

// An INI file of exactly `lines` lines: a comment, [General] with a few keys,
// then sections of a header, a comment line, 16 keys (some with a comment
// after the value) and an empty line.
QByteArray generateFile(const char *prefix, int lines, int *sectionCount)
{
    QByteArray text;
    int written = 0;
    const auto add = [&](const QByteArray &line) {
        if (written < lines) {
            text += line + '\n';
            ++written;
        }
    };
    add("; " + QByteArray(prefix) + " settings, generated for benchmarking");
    add("[General]");
    for (int key = 0; key < generalKeys; ++key)
        add(keyName(key).toLatin1() + '=' + valueText(0, key));
    add("");
    int sections = 0;
    while (written < lines) {
        add('[' + sectionName(prefix, sections).toLatin1() + ']');
        add("; Settings of group " + QByteArray::number(sections));
        for (int key = 0; key < keysPerSection; ++key) {
            QByteArray line = keyName(key).toLatin1() + '=' + valueText(sections, key);
            if (key % 5 == 4)
                line += " ; default " + valueText(0, key);
            add(line);
        }
        add("");
        ++sections;
    }
    *sectionCount = sections;
    return text;
}

struct Generated
{
    QByteArray prefs;
    QByteArray main;
    QList<Write> writes;
};

// Sections generateFile makes for a file of that many lines.
int sectionCountFor(int lines)
{
    const int head = 3 + generalKeys;
    const int perSection = keysPerSection + 3;
    return lines <= head ? 0 : (lines - head + perSection - 1) / perSection;
}

// Of the writes, one per setting the window edits, 3 hit keys of [General], and of the rest (spread over both
// files and their whole length) four in seven hit existing keys, two in seven add
// keys to existing sections and one in seven adds a key in a new section.
QList<Write> writesFor(int lines)
{
    const int prefsSections = sectionCountFor(lines / 2);
    const int mainSections = sectionCountFor(lines - lines / 2);
    QList<Write> writes;
    for (int i = 0; i < int(settingsCatalogue().size()); ++i) {
        const QString value = QStringLiteral("%1").arg(1000 + i * 3);
        if (i < 3) {
            writes.append({QString(), keyName(i * 2), value});
            continue;
        }
        const bool inMain = i % 2 == 1;
        const int sections = inMain ? mainSections : prefsSections;
        // The last section may be cut short, so it is left out.
        const int section = sections > 1 ? (i * 37) % (sections - 1) : 0;
        const QString name = sectionName(inMain ? "Main" : "Prefs", section);
        const int kind = i % 7;
        if (kind < 4)
            writes.append({name, keyName((i * 5) % keysPerSection), value});
        else if (kind < 6)
            writes.append({name, QStringLiteral("iAddedKey%1").arg(i), value});
        else
            writes.append({QStringLiteral("AddedSection%1").arg(i), QStringLiteral("iAddedKey%1").arg(i), value});
    }
    return writes;
}

// Half the lines in each file.
Generated generate(int lines)
{
    Generated generated;
    int prefsSections = 0;
    int mainSections = 0;
    generated.prefs = generateFile("Prefs", lines / 2, &prefsSections);
    generated.main = generateFile("Main", lines - lines / 2, &mainSections);
    if (prefsSections != sectionCountFor(lines / 2) || mainSections != sectionCountFor(lines - lines / 2))
        qFatal("section count mismatch");
    generated.writes = writesFor(lines);
    return generated;
}

QString prefsPathIn(const QString &folder) { return folder + QStringLiteral("VantorPrefs.ini"); }
QString mainPathIn(const QString &folder) { return folder + QStringLiteral("Vantor.ini"); }

QString settingsKey(const Write &write)
{
    return write.section.isEmpty() ? write.key : write.section + u'/' + write.key;
}

struct Phases
{
    qint64 readNs = 0;
    qint64 writeNs = 0;
    qint64 saveNs = 0;
    qint64 totalNs = 0; // also counts the objects' destruction
};

Phases runIniStore(const QString &folder, const QList<Write> &writes)
{
    Phases phases;
    QElapsedTimer total;
    total.start();
    {
        QElapsedTimer timer;
        timer.start();
        IniStore store(folder);
        if (!store.isOpen())
            qFatal("IniStore cannot read %s", qPrintable(store.openFailure()->path));
        phases.readNs = timer.nsecsElapsed();
        timer.restart();
        for (const Write &write : writes)
            store.writeValue(write.section, write.key, write.value);
        phases.writeNs = timer.nsecsElapsed();
        timer.restart();
        if (!store.save().isEmpty())
            qFatal("IniStore could not save");
        phases.saveNs = timer.nsecsElapsed();
    }
    phases.totalNs = total.nsecsElapsed();
    return phases;
}

// The same rule as the store: the main file if it holds the key, else the
// preferences file if it does, else the main file.
QSettings &fileFor(const QString &key, QSettings &main, QSettings &prefs)
{
    return main.contains(key) ? main : prefs.contains(key) ? prefs : main;
}

Phases runQSettings(const QString &folder, const QList<Write> &writes)
{
    Phases phases;
    QElapsedTimer total;
    total.start();
    {
        QElapsedTimer timer;
        timer.start();
        QSettings prefs(prefsPathIn(folder), QSettings::IniFormat);
        QSettings main(mainPathIn(folder), QSettings::IniFormat);
        // Make sure both files have been read (QSettings reads when it is made).
        if (prefs.status() != QSettings::NoError || main.status() != QSettings::NoError)
            qFatal("QSettings cannot read %s", qPrintable(folder));
        phases.readNs = timer.nsecsElapsed();
        timer.restart();
        for (const Write &write : writes)
            fileFor(settingsKey(write), main, prefs).setValue(settingsKey(write), write.value);
        phases.writeNs = timer.nsecsElapsed();
        timer.restart();
        prefs.sync();
        main.sync();
        if (prefs.status() != QSettings::NoError || main.status() != QSettings::NoError)
            qFatal("QSettings could not save");
        phases.saveNs = timer.nsecsElapsed();
    }
    phases.totalNs = total.nsecsElapsed();
    return phases;
}

Phases runConfiguration(const QString &configuration, const QString &folder, const QList<Write> &writes)
{
    return configuration == QLatin1String("IniStore") ? runIniStore(folder, writes)
                                                      : runQSettings(folder, writes);
}

// Both configurations must have stored every value where the next read finds it.
void verify(const QString &configuration, const QString &folder, const QList<Write> &writes)
{
    if (configuration == QLatin1String("IniStore")) {
        IniStore store(folder);
        for (const Write &write : writes) {
            if (store.readValue(write.section, write.key) != write.value)
                qFatal("IniStore lost %s", qPrintable(settingsKey(write)));
        }
    } else {
        QSettings prefs(prefsPathIn(folder), QSettings::IniFormat);
        QSettings main(mainPathIn(folder), QSettings::IniFormat);
        for (const Write &write : writes) {
            const QString key = settingsKey(write);
            if (fileFor(key, main, prefs).value(key).toString() != write.value)
                qFatal("QSettings lost %s", qPrintable(key));
        }
    }
}

QString workFolder(const QString &base, int lines, const QString &configuration)
{
    return QStringLiteral("%1/%2-%3/").arg(base).arg(lines).arg(configuration);
}

void restore(const QString &folder, const Generated &generated)
{
    writeFile(prefsPathIn(folder), generated.prefs);
    writeFile(mainPathIn(folder), generated.main);
    QFile::remove(mainPathIn(folder) + QStringLiteral(".lock"));
    QFile::remove(prefsPathIn(folder) + QStringLiteral(".lock"));
}

int samplesFor(int lines, int scale)
{
    const int base = lines <= 1000 ? 60 : lines <= 10000 ? 25 : 9;
    return std::max(3, base * scale / 100);
}

// Child: times both configurations on one size, alternating, after warm-up.
int timeChild(int lines, const QString &base, int samples)
{
    const Generated generated = generate(lines);
    for (const QString &configuration : configurations) {
        const QString folder = workFolder(base, lines, configuration);
        restore(folder, generated);
        runConfiguration(configuration, folder, generated.writes);
        verify(configuration, folder, generated.writes);
    }
    for (int round = -2; round < samples; ++round) {
        for (const QString &configuration : configurations) {
            const QString folder = workFolder(base, lines, configuration);
            restore(folder, generated);
            const Phases phases = runConfiguration(configuration, folder, generated.writes);
            if (round >= 0) {
                std::printf("SAMPLE %s read=%lld write=%lld save=%lld total=%lld\n",
                            qPrintable(configuration), phases.readNs, phases.writeNs, phases.saveNs,
                            phases.totalNs);
            }
        }
    }
    std::fflush(stdout);
    return 0;
}

// Child: one run of one configuration on files the parent laid out, and the
// process's peak memory before and after it.
int rssChild(const QString &configuration, int lines, const QString &base)
{
    const QList<Write> writes = writesFor(lines);
    const QString folder = workFolder(base, lines, configuration);
    const qint64 peakBefore = peakRssKiB();
    const qint64 before = currentRssKiB();
    runConfiguration(configuration, folder, writes);
    std::printf("RSS before=%lld peakbefore=%lld peak=%lld\n", before, peakBefore, peakRssKiB());
    std::fflush(stdout);
    return 0;
}

// What one pass measured, by configuration and line count.
struct PassResults
{
    QMap<QString, QMap<int, QList<double>>> totals; // milliseconds of each run
    QMap<QString, QMap<int, Phases>> phaseMedians;
    QMap<QString, QMap<int, qint64>> peaks, own; // KiB
    QMap<int, QList<qint64>> fileSizes;          // bytes of the preferences and the main file

    double medianTotal(const QString &configuration, int lines) const
    {
        return median(totals[configuration][lines]);
    }
    double ownPeakRatio(int lines) const
    {
        return double(own[QStringLiteral("IniStore")][lines])
               / double(std::max<qint64>(1, own[QStringLiteral("QSettings")][lines]));
    }
};

// Times both configurations on one size in a child, and the peak memory of each in
// a fresh process of its own.
void measureSize(int lines, const QString &base, int scale, PassResults &results)
{
    const Generated generated = generate(lines);
    results.fileSizes[lines] = {generated.prefs.size(), generated.main.size()};
    const QByteArray output = runSelf({QStringLiteral("--time"), QString::number(lines), base,
                                       QString::number(samplesFor(lines, scale))});
    QMap<QString, QList<double>> read, write, save;
    for (const QByteArray &line : taggedLines(output, "SAMPLE")) {
        const QString configuration = QString::fromLatin1(line.left(line.indexOf(' ')));
        results.totals[configuration][lines].append(field(line, "total") / 1e6);
        read[configuration].append(field(line, "read"));
        write[configuration].append(field(line, "write"));
        save[configuration].append(field(line, "save"));
    }
    for (const QString &configuration : configurations) {
        Phases &phases = results.phaseMedians[configuration][lines];
        phases.readNs = qint64(median(read[configuration]));
        phases.writeNs = qint64(median(write[configuration]));
        phases.saveNs = qint64(median(save[configuration]));

        restore(workFolder(base, lines, configuration), generated);
        const QByteArray line = taggedLines(runSelf({QStringLiteral("--rss"), configuration,
                                                     QString::number(lines), base}),
                                            "RSS")
                                    .value(0);
        results.peaks[configuration][lines] = qint64(field(line, "peak"));
        results.own[configuration][lines] = qint64(field(line, "peak") - field(line, "before"));
    }
}

void printTimes(const PassResults &results)
{
    std::printf("\nTimes (median of the runs; read / writes / save are medians of each phase):\n");
    Table times({QStringLiteral("lines"), QStringLiteral("bytes (prefs + main)"), QStringLiteral("configuration"),
                 QStringLiteral("runs"), QStringLiteral("median"), QStringLiteral("best"),
                 QStringLiteral("read"), QStringLiteral("writes"), QStringLiteral("save"),
                 QStringLiteral("peak RSS"), QStringLiteral("own peak")});
    for (const int lines : lineCounts) {
        for (const QString &configuration : configurations) {
            const QList<double> values = results.totals.value(configuration).value(lines);
            const Phases phases = results.phaseMedians.value(configuration).value(lines);
            times.addRow({QString::number(lines),
                          QStringLiteral("%1 + %2").arg(results.fileSizes[lines][0]).arg(results.fileSizes[lines][1]),
                          configuration, QString::number(values.size()), ms(median(values)), ms(best(values)),
                          ms(toMs(phases.readNs)), ms(toMs(phases.writeNs)), ms(toMs(phases.saveNs)),
                          mib(results.peaks[configuration][lines]), mib(results.own[configuration][lines])});
        }
    }
    times.print();
}

void printAgainstQSettings(const PassResults &results, const QString &label)
{
    std::printf("\nIniStore against QSettings:\n");
    Table against({QStringLiteral("lines"), QStringLiteral("IniStore"), QStringLiteral("QSettings"),
                   QStringLiteral("ratio IniStore/QSettings"), QStringLiteral("goal"), QStringLiteral("verdict"),
                   QStringLiteral("own peak RSS ratio")});
    for (const int lines : lineCounts) {
        const double ours = results.medianTotal(QStringLiteral("IniStore"), lines);
        const double value = ours / results.medianTotal(QStringLiteral("QSettings"), lines);
        const QString verdictText = verdict(value < 1.0);
        against.addRow({QString::number(lines), ms(ours),
                        ms(results.medianTotal(QStringLiteral("QSettings"), lines)), ratio(value),
                        QStringLiteral("< 1.00x"), verdictText, ratio(results.ownPeakRatio(lines))});
        printSummary(QStringLiteral("store"),
                     QStringLiteral("%1 lines: IniStore vs QSettings (%2)").arg(lines).arg(label), ms(ours),
                     ratio(value), QStringLiteral("< 1.00x"), verdictText);
    }
    against.print();
}

void printGrowth(const PassResults &results, const QString &label)
{
    std::printf("\nGrowth (time at 10x the lines / time before):\n");
    Table growth({QStringLiteral("configuration"), QStringLiteral("step"), QStringLiteral("growth"),
                  QStringLiteral("goal"), QStringLiteral("verdict")});
    for (const QString &configuration : configurations) {
        for (qsizetype step = 1; step < lineCounts.size(); ++step) {
            const int from = lineCounts[step - 1];
            const int to = lineCounts[step];
            const double value = results.medianTotal(configuration, to) / results.medianTotal(configuration, from);
            const bool judged = configuration == QLatin1String("IniStore");
            const QString goalText = judged ? QStringLiteral("<= ~10x (11x)") : QStringLiteral("(for reference)");
            const QString verdictText = judged ? verdict(value <= 11.0) : QStringLiteral("-");
            const QString stepText = QStringLiteral("%1 -> %2 lines").arg(from).arg(to);
            growth.addRow({configuration, stepText, ratio(value), goalText, verdictText});
            if (judged)
                printSummary(QStringLiteral("store"), QStringLiteral("IniStore growth %1 (%2)").arg(stepText, label),
                             ms(results.medianTotal(configuration, to)), ratio(value), goalText, verdictText);
        }
    }
    growth.print();
}

// One pass with the files below folder; label names the storage in the summary.
void runPass(const QString &folder, const QString &label, int scale)
{
    std::printf("\n-- Files on %s (%s) --\n", qPrintable(label), qPrintable(folder));
    std::fflush(stdout);
    QTemporaryDir base(folder + QStringLiteral("/vantor-bench-XXXXXX"));
    if (!base.isValid())
        qFatal("no scratch folder in %s", qPrintable(folder));

    PassResults results;
    for (const int lines : lineCounts)
        measureSize(lines, base.path(), scale, results);
    printTimes(results);
    printAgainstQSettings(results, label);
    printGrowth(results, label);
    for (const int lines : lineCounts) {
        printSummary(QStringLiteral("store"),
                     QStringLiteral("peak RSS, %1 lines, IniStore, own (%2)").arg(lines).arg(label),
                     mib(results.own[QStringLiteral("IniStore")][lines]), ratio(results.ownPeakRatio(lines)),
                     QStringLiteral("(vs QSettings' own; no goal)"), QStringLiteral("-"));
    }
}

int parent(int scale)
{
    std::printf("== Read + a write per setting + save: IniStore vs QSettings (IniFormat) ==\n");
    printMachine();
    std::printf("\nMethod: each size is an INI pair of that many lines in all (half in each file;\n"
                "sections of 16 keys, comments, empty lines). One run = read both files, a write per setting\n"
                "spread over both files (41 to existing keys, 3 of them in [General]; 20 new keys in\n"
                "existing sections; 10 new keys in new sections), then save (IniStore::save /\n"
                "QSettings::sync on both files); the objects' destruction is counted too. Files are\n"
                "put back before every run (not timed). Timing: one process per size, configurations\n"
                "taking turns, 2 warm-up rounds. Peak RSS: a fresh process per configuration and size\n"
                "doing one run (VmHWM); \"own peak\" = that peak minus the resident size (VmRSS) just\n"
                "before the run. Run once on the disk of the temporary folder (each save pays fsync)\n"
                "and once on tmpfs (no fsync cost: the work itself).\n");
    std::fflush(stdout);

    onDiskAndTmpfs([&](const QString &folder, const QString &label) { runPass(folder, label, scale); });
    printSummaries();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() >= 5 && arguments[1] == QLatin1String("--time"))
        return timeChild(arguments[2].toInt(), arguments[3], arguments[4].toInt());
    if (arguments.size() >= 5 && arguments[1] == QLatin1String("--rss"))
        return rssChild(arguments[2], arguments[3].toInt(), arguments[4]);

    // --scale P runs P percent of the usual number of runs (at least 3 each).
    int scale = 100;
    const qsizetype at = arguments.indexOf(QStringLiteral("--scale"));
    if (at >= 0 && at + 1 < arguments.size())
        scale = std::max(1, arguments[at + 1].toInt());
    return parent(scale);
}
