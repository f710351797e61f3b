// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "benchcommon.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStorageInfo>
#include <QThread>
#include <QtGlobal>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include <sys/resource.h>
#include <sys/vfs.h>

namespace Bench {

double median(QList<double> samples)
{
    if (samples.isEmpty())
        return 0;
    std::sort(samples.begin(), samples.end());
    const qsizetype middle = samples.size() / 2;
    return samples.size() % 2 ? samples[middle] : (samples[middle - 1] + samples[middle]) / 2;
}

double best(const QList<double> &samples)
{
    return samples.isEmpty() ? 0 : *std::min_element(samples.begin(), samples.end());
}

double spread(const QList<double> &samples)
{
    if (samples.size() < 2)
        return 0;
    const auto [low, high] = std::minmax_element(samples.begin(), samples.end());
    const double middle = median(samples);
    return middle > 0 ? (*high - *low) / middle : 0;
}

qint64 timeNs(const std::function<void()> &f)
{
    QElapsedTimer timer;
    timer.start();
    f();
    return timer.nsecsElapsed();
}

qint64 processCpuNs()
{
    timespec now = {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

namespace {

qint64 statusKiB(const char *name)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly)) {
        const QByteArray prefix = QByteArray(name) + ':';
        for (const QByteArray &line : status.readAll().split('\n')) {
            if (line.startsWith(prefix))
                return line.mid(prefix.size()).trimmed().split(' ').value(0).toLongLong();
        }
    }
    return -1;
}

const char *fileSystemName(const QString &path)
{
    struct statfs info = {};
    if (statfs(QFile::encodeName(path).constData(), &info) != 0)
        return "unknown";
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0xEF53UL:
        return "ext2/3/4";
    case 0x01021994UL:
        return "tmpfs";
    case 0x794C7630UL:
        return "overlayfs";
    case 0x9123683EUL:
        return "btrfs";
    case 0x58465342UL:
        return "xfs";
    default:
        return "other";
    }
}

} // namespace

qint64 peakRssKiB()
{
    const qint64 peak = statusKiB("VmHWM");
    if (peak >= 0)
        return peak;
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss; // KiB on Linux
}

qint64 currentRssKiB()
{
    return statusKiB("VmRSS");
}

QByteArray runSelf(const QStringList &arguments, const QProcessEnvironment &environment,
                   const QString &workingDirectory)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    if (!workingDirectory.isEmpty())
        process.setWorkingDirectory(workingDirectory);
    process.start(QCoreApplication::applicationFilePath(), arguments);
    if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        qFatal("benchmark child %s failed (exit code %d)", qPrintable(arguments.join(u' ')),
               process.exitCode());
    }
    return process.readAllStandardOutput();
}

QList<QByteArray> taggedLines(const QByteArray &output, const QByteArray &tag)
{
    QList<QByteArray> found;
    const QByteArray prefix = tag + ' ';
    for (const QByteArray &line : output.split('\n')) {
        if (line.startsWith(prefix))
            found.append(line.mid(prefix.size()).trimmed());
    }
    return found;
}

double field(const QByteArray &line, const QByteArray &key)
{
    const QByteArray prefix = key + '=';
    for (const QByteArray &word : line.split(' ')) {
        if (word.startsWith(prefix)) {
            bool ok = false;
            const double value = word.mid(prefix.size()).toDouble(&ok);
            if (ok)
                return value;
        }
    }
    qFatal("no figure %s in \"%s\"", key.constData(), line.constData());
    return 0;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return file.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QProcessEnvironment environmentWithHome(const QString &home)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.remove(QStringLiteral("XDG_CONFIG_HOME"));
    environment.remove(QStringLiteral("WINEPREFIX"));
    if (!environment.contains(QStringLiteral("XDG_RUNTIME_DIR"))) {
        // Qt wants one, private to the user; without it every child warns.
        const QString runtime = home + QStringLiteral("/runtime");
        QDir().mkpath(runtime);
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    }
    if (!environment.contains(QStringLiteral("QT_QPA_PLATFORM")))
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return environment;
}

QString iniFolderBelow(const QString &home)
{
    return home + QStringLiteral("/Documents/My Games/Vantor/");
}

void printMachine()
{
    QByteArray cpu = "unknown";
    QFile cpuInfo(QStringLiteral("/proc/cpuinfo"));
    if (cpuInfo.open(QIODevice::ReadOnly)) {
        for (const QByteArray &line : cpuInfo.readAll().split('\n')) {
            if (line.startsWith("model name")) {
                cpu = line.mid(line.indexOf(':') + 1).trimmed();
                break;
            }
        }
    }
    QByteArray load = "unknown";
    QFile loadAverage(QStringLiteral("/proc/loadavg"));
    if (loadAverage.open(QIODevice::ReadOnly))
        load = loadAverage.readAll().trimmed();
    const QString temp = QDir::tempPath();
    std::printf("Machine: %d CPUs, %s; load average %s\n", QThread::idealThreadCount(),
                cpu.constData(), load.constData());
    std::printf("Qt %s; scratch files in %s (%s)\n", qVersion(), qPrintable(temp),
                fileSystemName(temp));
    std::fflush(stdout);
}

void onDiskAndTmpfs(const std::function<void(const QString &folder, const QString &label)> &pass)
{
    pass(QDir::tempPath(), QStringLiteral("disk"));
    const QStorageInfo shm(QStringLiteral("/dev/shm"));
    if (shm.isValid() && shm.fileSystemType() == "tmpfs")
        pass(shm.rootPath(), QStringLiteral("tmpfs"));
    else
        std::printf("\n(no tmpfs at /dev/shm: the tmpfs pass is left out)\n");
}

QString ms(double milliseconds)
{
    const int decimals = milliseconds < 1 ? 4 : milliseconds < 100 ? 3 : 1;
    return QString::number(milliseconds, 'f', decimals) + QStringLiteral(" ms");
}

QString mib(qint64 kib)
{
    return QString::number(double(kib) / 1024.0, 'f', 1) + QStringLiteral(" MiB");
}

QString ratio(double value)
{
    return QString::number(value, 'f', 2) + u'x';
}

Table::Table(const QStringList &header)
{
    rows.append(header);
}

void Table::addRow(const QStringList &cells)
{
    rows.append(cells);
}

void Table::print() const
{
    QList<qsizetype> widths;
    for (const QStringList &row : rows) {
        for (qsizetype column = 0; column < row.size(); ++column) {
            if (widths.size() <= column)
                widths.append(0);
            widths[column] = std::max(widths[column], row[column].size());
        }
    }
    const auto line = [&](const QStringList &row) {
        QString text;
        for (qsizetype column = 0; column < widths.size(); ++column) {
            const QString cell = row.value(column);
            text += column == 0 ? QString() : QStringLiteral(" | ");
            // Figures read best aligned right, words aligned left.
            const bool number = !cell.isEmpty() && (cell.front().isDigit() || cell.front() == u'-');
            text += number ? cell.rightJustified(widths[column]) : cell.leftJustified(widths[column]);
        }
        std::printf("  %s\n", qPrintable(text));
    };
    line(rows.front());
    QString rule;
    for (qsizetype column = 0; column < widths.size(); ++column)
        rule += (column == 0 ? QString() : QStringLiteral("-+-")) + QString(widths[column], u'-');
    std::printf("  %s\n", qPrintable(rule));
    for (qsizetype row = 1; row < rows.size(); ++row)
        line(rows[row]);
    std::fflush(stdout);
}

namespace {
QStringList &summaryRows()
{
    static QStringList rows;
    return rows;
}
} // namespace

void printSummary(const QString &benchmark, const QString &configuration, const QString &figure,
                  const QString &ratioText, const QString &goal, const QString &verdictText)
{
    summaryRows().append(QStringList{QStringLiteral("SUMMARY"), benchmark, configuration, figure, ratioText,
                                     goal, verdictText}
                             .join(u'|'));
}

void printSummaries()
{
    std::printf("\n");
    for (const QString &row : std::as_const(summaryRows()))
        std::printf("%s\n", qPrintable(row));
    summaryRows().clear();
    std::fflush(stdout);
}

} // namespace Bench
