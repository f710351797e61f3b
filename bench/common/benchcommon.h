// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#pragma once

// Helpers shared by the benchmark programs: timing statistics, peak memory of
// the running process, re-running this program as a child, and tables.
//
// Benchmarks only print figures. They never fail on a time.

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>

namespace Bench {

// Statistics over samples (any unit).
double median(QList<double> samples);
double best(const QList<double> &samples);
double spread(const QList<double> &samples); // (max - min) / median, 0 for fewer than 2

// Nanoseconds taken by f.
qint64 timeNs(const std::function<void()> &f);

inline double toMs(qint64 ns) { return double(ns) / 1e6; }

// CPU time this process has used so far (all threads, user + system). Unlike
// wall time it hardly moves when other programs compete for the processors,
// but it leaves out waiting, such as for fsync.
qint64 processCpuNs();

// Memory of this process in KiB from /proc/self/status (VmHWM: peak resident
// set, VmRSS: resident now); getrusage's ru_maxrss where /proc is missing.
qint64 peakRssKiB();
qint64 currentRssKiB();

// Runs this program again with the arguments and environment, waits, and gives
// its standard output. A child that fails or crashes ends the benchmark.
QByteArray runSelf(const QStringList &arguments,
                   const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment(),
                   const QString &workingDirectory = QString());

// The lines of output that start with "tag " (tag and blank removed).
QList<QByteArray> taggedLines(const QByteArray &output, const QByteArray &tag);

// "key=value" words of one line as numbers.
double field(const QByteArray &line, const QByteArray &key);

// File helpers; a failure ends the benchmark.
QByteArray readFile(const QString &path);
void writeFile(const QString &path, const QByteArray &bytes);

// The environment for a child that must find the INI files below home.
QProcessEnvironment environmentWithHome(const QString &home);

// Where the INI files are for a home folder: "<home>/Documents/My Games/Vantor/".
QString iniFolderBelow(const QString &home);

// A few lines on the machine and the conditions of the run.
void printMachine();

// Runs pass(folder, label) in the temporary folder ("disk", where each save pays its
// fsync) and, where /dev/shm is a tmpfs, there ("tmpfs": the work alone).
void onDiskAndTmpfs(const std::function<void(const QString &folder, const QString &label)> &pass);

// Figures as text.
QString ms(double milliseconds);
QString mib(qint64 kib);
QString ratio(double value);

// A plain text table with a header row; columns are sized to their content.
class Table
{
public:
    explicit Table(const QStringList &header);
    void addRow(const QStringList &cells);
    void print() const;

private:
    QList<QStringList> rows;
};

// One row of the summary that scripts/bench.sh collects from every benchmark,
// kept until printSummaries() prints them all as
// "SUMMARY|benchmark|configuration|figure|ratio|goal|verdict".
void printSummary(const QString &benchmark, const QString &configuration, const QString &figure,
                  const QString &ratioText, const QString &goal, const QString &verdict);
void printSummaries();

// "NOT MET" marks a goal missed by a figure the goal is judged on; a secondary
// figure (another way of looking at the same goal) says "not met (secondary)".
inline QString verdict(bool met, bool primary = true)
{
    if (met)
        return primary ? QStringLiteral("met") : QStringLiteral("met (secondary)");
    return primary ? QStringLiteral("NOT MET") : QStringLiteral("not met (secondary)");
}

} // namespace Bench
