// SPDX-FileCopyrightText: 2026 The Vantor Configurator developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Start to window shown: the program's window on the example INI pair against
// the same form without the program (Ui::MainForm set up in a plain QMainWindow).
//
// Every sample of the main figures is a new process of this program, because
// the first window of a process pays for the platform plugin, the style and
// the font database, and a player's start always pays that. An in-process
// figure with warm-up is printed beside it for our own steps alone.

#include "formfont.h"
#include "inifolder.h"
#include "inistore.h"
#include "mainwindow.h"
#include "benchcommon.h"
#include "mainform.h"

#include <QApplication>
#include <QEvent>
#include <QMainWindow>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QWindow>

#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

using namespace Bench;

namespace {

constexpr double goal = 1.15; // MainWindow against the bare form

// The form alone: what the designer file builds, with none of our steps; or with
// the one step of ours that reaches every widget, the form font.
class BareFormWindow : public QMainWindow
{
public:
    explicit BareFormWindow(bool inFormFont = false)
    {
        if (inFormFont)
            useFormFont(this);
        form.setupUi(this);
    }

private:
    Ui::MainForm form;
};

struct Configuration
{
    QString name;
    QString description;
    std::function<std::unique_ptr<QWidget>()> build;
};

const QList<Configuration> &configurations()
{
    static const QList<Configuration> list = {
        {QStringLiteral("window"), QStringLiteral("MainWindow on the example pair"),
         [] { return std::make_unique<MainWindow>(std::make_unique<IniStore>(iniFolder())); }},
        {QStringLiteral("form"), QStringLiteral("bare: MainForm in a plain QMainWindow"),
         [] { return std::make_unique<BareFormWindow>(); }},
        // For finding where our time goes: the form font alone, set as the window sets it.
        {QStringLiteral("form-font"), QStringLiteral("diagnosis: MainForm in the form font"),
         [] { return std::make_unique<BareFormWindow>(true); }},
    };
    return list;
}

const Configuration &configuration(const QString &name)
{
    for (const Configuration &candidate : configurations()) {
        if (candidate.name == name)
            return candidate;
    }
    qFatal("unknown configuration %s", qPrintable(name));
}

class PaintWatch : public QObject
{
public:
    bool painted = false;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

// Shows the window and returns once it is exposed and its first frame painted.
void showAndWait(QWidget *window)
{
    PaintWatch watch;
    window->installEventFilter(&watch);
    window->show();
    QElapsedTimer deadline;
    deadline.start();
    while (!(window->windowHandle() && window->windowHandle()->isExposed() && watch.painted)) {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        if (deadline.elapsed() > 20000)
            qFatal("the window was not shown within 20 s");
    }
    window->removeEventFilter(&watch);
}

int widgetCount(const QWidget *window)
{
    return int(window->findChildren<QWidget *>().size()) + 1;
}

// Child: one start, from an empty process to the first frame.
int freshChild(const QElapsedTimer &sinceMain, int &argc, char **argv, const QString &name)
{
    QApplication app(argc, argv);
    const qint64 appNs = sinceMain.nsecsElapsed();
    const qint64 appHwm = peakRssKiB();

    QElapsedTimer timer;
    timer.start();
    const qint64 cpuStart = processCpuNs();
    std::unique_ptr<QWidget> window = configuration(name).build();
    const qint64 constructNs = timer.nsecsElapsed();
    showAndWait(window.get());
    const qint64 shownNs = timer.nsecsElapsed();
    const qint64 cpuShown = processCpuNs();

    std::printf("RESULT app=%lld construct=%lld shown=%lld cpushown=%lld cpuprocess=%lld apphwm=%lld "
                "hwm=%lld widgets=%d\n",
                appNs, constructNs, shownNs, cpuShown - cpuStart, cpuShown, appHwm, peakRssKiB(),
                widgetCount(window.get()));
    std::fflush(stdout);
    return 0;
}

// Child: many windows in one process, after warm-up windows.
int warmChild(int &argc, char **argv, const QString &name, int warmUps, int samples)
{
    QApplication app(argc, argv);
    for (int round = 0; round < warmUps + samples; ++round) {
        QElapsedTimer timer;
        timer.start();
        const qint64 cpuStart = processCpuNs();
        std::unique_ptr<QWidget> window = configuration(name).build();
        const qint64 constructNs = timer.nsecsElapsed();
        showAndWait(window.get());
        const qint64 shownNs = timer.nsecsElapsed();
        const qint64 cpuNs = processCpuNs() - cpuStart;
        window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        if (round >= warmUps)
            std::printf("SAMPLE construct=%lld shown=%lld cpushown=%lld\n", constructNs, shownNs, cpuNs);
    }
    std::fflush(stdout);
    return 0;
}

struct Sample
{
    double launchMs = 0;     // fresh: from starting the process to reading its result
    double appMs = 0;        // fresh: main() entry to QApplication ready
    double constructMs = 0;  // window constructed
    double shownMs = 0;      // construction start to first frame painted
    double cpuShownMs = 0;   // CPU time of the same stretch
    double cpuProcessMs = 0; // fresh: CPU time of the whole process until the first frame
    double appHwmKiB = 0;
    double hwmKiB = 0;
    int widgets = 0;
};

// Samples by configuration name.
using Samples = QMap<QString, QList<Sample>>;

// Where the children run: HOME a scratch folder holding the example pair, and the
// program's folder, where the preview pictures are, as when a player starts it.
struct ChildPlace
{
    QProcessEnvironment environment;
    QString workingDirectory = QStringLiteral(VANTOR_PROGRAM_DIR);
};

ChildPlace childPlace(const QTemporaryDir &home)
{
    const QString folder = iniFolderBelow(home.path());
    for (const char *file : {"VantorPrefs.ini", "Vantor.ini"}) {
        writeFile(folder + QLatin1String(file),
                  readFile(QStringLiteral(VANTOR_SOURCE_DIR "/examples/") + QLatin1String(file)));
    }
    return {environmentWithHome(home.path())};
}

Sample runFresh(const QString &name, const ChildPlace &place)
{
    QProcess process;
    process.setProcessEnvironment(place.environment);
    process.setWorkingDirectory(place.workingDirectory);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--fresh"), name});
    QByteArray output;
    qint64 launchNs = -1;
    while (launchNs < 0) {
        if (!process.waitForReadyRead(60000))
            qFatal("startup child %s gave no result", qPrintable(name));
        output += process.readAllStandardOutput();
        if (output.contains("RESULT ") && output.endsWith('\n'))
            launchNs = timer.nsecsElapsed();
    }
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        qFatal("startup child %s failed", qPrintable(name));
    const QByteArray line = taggedLines(output, "RESULT").value(0);
    Sample sample;
    sample.launchMs = toMs(launchNs);
    sample.appMs = field(line, "app") / 1e6;
    sample.constructMs = field(line, "construct") / 1e6;
    sample.shownMs = field(line, "shown") / 1e6;
    sample.cpuShownMs = field(line, "cpushown") / 1e6;
    sample.cpuProcessMs = field(line, "cpuprocess") / 1e6;
    sample.appHwmKiB = field(line, "apphwm");
    sample.hwmKiB = field(line, "hwm");
    sample.widgets = int(field(line, "widgets"));
    return sample;
}

Samples measureFresh(int samples, const ChildPlace &place)
{
    // One process of each first, not counted: it warms the disk cache for all.
    for (const Configuration &configuration : configurations())
        runFresh(configuration.name, place);
    Samples fresh;
    for (int sample = 0; sample < samples; ++sample) {
        for (const Configuration &configuration : configurations())
            fresh[configuration.name].append(runFresh(configuration.name, place));
    }
    return fresh;
}

// Each configuration in processes of its own, in rounds taking turns, so that a change
// in the machine's load falls on all of them alike.
Samples measureWarm(int samples, const ChildPlace &place)
{
    constexpr int rounds = 4;
    const QString perRound = QString::number((samples + rounds - 1) / rounds);
    Samples warm;
    for (int round = 0; round < rounds; ++round) {
        for (const Configuration &configuration : configurations()) {
            const QByteArray output = runSelf({QStringLiteral("--warm"), configuration.name, QStringLiteral("3"),
                                               perRound},
                                              place.environment, place.workingDirectory);
            for (const QByteArray &line : taggedLines(output, "SAMPLE")) {
                Sample sample;
                sample.constructMs = field(line, "construct") / 1e6;
                sample.shownMs = field(line, "shown") / 1e6;
                sample.cpuShownMs = field(line, "cpushown") / 1e6;
                warm[configuration.name].append(sample);
            }
        }
    }
    return warm;
}

QList<double> column(const Samples &samples, const QString &name, double Sample::*member)
{
    QList<double> values;
    for (const Sample &sample : samples.value(name))
        values.append(sample.*member);
    return values;
}

double medianOf(const Samples &samples, const QString &name, double Sample::*member)
{
    return median(column(samples, name, member));
}

QString percent(double fraction)
{
    return QString::number(fraction * 100, 'f', 0) + u'%';
}

// The cells every table has: median, best and spread of construct->shown.
QStringList shownCells(const Samples &samples, const QString &name)
{
    const QList<double> shown = column(samples, name, &Sample::shownMs);
    return {ms(median(shown)), ms(best(shown)), percent(spread(shown))};
}

void printFresh(const Samples &fresh, int samples)
{
    std::printf("\nFresh processes (medians of %d):\n", samples);
    Table table({QStringLiteral("configuration"), QStringLiteral("widgets"), QStringLiteral("launch->shown"),
                 QStringLiteral("construct"), QStringLiteral("construct->shown"), QStringLiteral("(best)"),
                 QStringLiteral("spread"), QStringLiteral("CPU construct->shown"),
                 QStringLiteral("CPU process->shown"), QStringLiteral("peak RSS at shown")});
    for (const Configuration &configuration : configurations()) {
        const QString &name = configuration.name;
        table.addRow(QStringList{configuration.description, QString::number(fresh[name].front().widgets),
                                 ms(medianOf(fresh, name, &Sample::launchMs)),
                                 ms(medianOf(fresh, name, &Sample::constructMs))}
                     + shownCells(fresh, name)
                     + QStringList{ms(medianOf(fresh, name, &Sample::cpuShownMs)),
                                   ms(medianOf(fresh, name, &Sample::cpuProcessMs)),
                                   mib(qint64(medianOf(fresh, name, &Sample::hwmKiB)))});
    }
    table.print();
    const QString form = QStringLiteral("form");
    std::printf("  QApplication ready after %s (median) at a peak RSS of %s in every configuration.\n"
                "  widgets: every QWidget in the window's tree, including those that tab widgets, spin\n"
                "  boxes and combo box popups make for themselves (the form places 152).\n"
                "  spread: (slowest - fastest) / median.\n",
                qPrintable(ms(medianOf(fresh, form, &Sample::appMs))),
                qPrintable(mib(qint64(medianOf(fresh, form, &Sample::appHwmKiB)))));
}

void printWarm(const Samples &warm)
{
    std::printf("\nIn processes of their own, 4 per configuration taking turns, each after 3 warm-up windows\n"
                "(medians of %d):\n",
                int(warm.first().size()));
    Table table({QStringLiteral("configuration"), QStringLiteral("construct"), QStringLiteral("construct->shown"),
                 QStringLiteral("(best)"), QStringLiteral("spread"), QStringLiteral("CPU construct->shown")});
    for (const Configuration &configuration : configurations()) {
        const QString &name = configuration.name;
        table.addRow(QStringList{configuration.description, ms(medianOf(warm, name, &Sample::constructMs))}
                     + shownCells(warm, name) + QStringList{ms(medianOf(warm, name, &Sample::cpuShownMs))});
    }
    table.print();
}

void printRatios(const Samples &fresh, const Samples &warm)
{
    struct Row
    {
        QString name;
        const Samples &samples;
        double Sample::*member;
        bool primary;
    };
    const QString form = QStringLiteral("form");
    const QList<Row> rows = {
        {QStringLiteral("construct->shown, fresh process"), fresh, &Sample::shownMs, true},
        {QStringLiteral("launch->shown, fresh process"), fresh, &Sample::launchMs, true},
        {QStringLiteral("CPU construct->shown, fresh process"), fresh, &Sample::cpuShownMs, true},
        {QStringLiteral("CPU process->shown, fresh process"), fresh, &Sample::cpuProcessMs, true},
        {QStringLiteral("construct->shown, warm, in-process"), warm, &Sample::shownMs, false},
        {QStringLiteral("CPU construct->shown, warm, in-process"), warm, &Sample::cpuShownMs, false},
    };

    std::printf("\nRatios, MainWindow / bare form (medians). The goal is judged on fresh processes: a start\n"
                "is what a player waits for, and the first-window costs that only a fresh process pays make\n"
                "most of it (compare the fresh and warm tables). The warm rows are secondary: they show\n"
                "our own steps with those costs taken out.\n");
    Table table({QStringLiteral("measure"), QStringLiteral("MainWindow"), QStringLiteral("bare form"),
                 QStringLiteral("ratio"), QStringLiteral("ratio of bests"), QStringLiteral("goal"),
                 QStringLiteral("verdict")});
    const QString window = QStringLiteral("window");
    const QString goalText = QStringLiteral("<= %1x").arg(goal, 0, 'f', 2);
    for (const Row &row : rows) {
        const double ours = medianOf(row.samples, window, row.member);
        const double base = medianOf(row.samples, form, row.member);
        const double value = ours / base;
        const double bestValue = best(column(row.samples, window, row.member))
                                 / best(column(row.samples, form, row.member));
        const QString verdictText = verdict(value <= goal, row.primary);
        table.addRow({row.name, ms(ours), ms(base), ratio(value), ratio(bestValue), goalText, verdictText});
        printSummary(QStringLiteral("startup"), row.name + QStringLiteral(" vs bare form"), ms(ours),
                     ratio(value), goalText, verdictText);
    }
    table.print();
}

// Differences of construct->shown medians between two configurations.
void printWhereTimeGoes(const Samples &fresh, const Samples &warm)
{
    std::printf("\nWhere MainWindow's extra time goes (construct->shown medians; warm CPU is the steadiest):\n");
    Table table({QStringLiteral("step"), QStringLiteral("fresh wall"), QStringLiteral("warm wall"),
                 QStringLiteral("warm CPU")});
    const auto row = [&](const char *step, const char *more, const char *less) {
        const auto difference = [&](const Samples &samples, double Sample::*member) {
            return ms(medianOf(samples, QLatin1String(more), member)
                      - medianOf(samples, QLatin1String(less), member));
        };
        table.addRow({QLatin1String(step), difference(fresh, &Sample::shownMs),
                      difference(warm, &Sample::shownMs), difference(warm, &Sample::cpuShownMs)});
    };
    row("all of MainWindow over the bare form", "window", "form");
    row("the form font", "form-font", "form");
    row("the rest: slots connected by name, store, load pass, resolution box", "window", "form-font");
    table.print();
}

int parent(int freshSamples, int warmSamples)
{
    std::printf("== Start to window shown (offscreen) ==\n");
    printMachine();
    QTemporaryDir home;
    if (!home.isValid())
        qFatal("no scratch folder");
    const ChildPlace place = childPlace(home);

    std::printf("\nMethod: %d fresh processes per configuration (this program re-executed for each\n"
                "sample, configurations taking turns), HOME = a scratch folder holding the example pair.\n"
                "Every start pays the first-window costs (platform plugin, style, font database) as a\n"
                "player's start does. \"construct->shown\" is timed inside the child from the first line\n"
                "of window construction until the window is exposed and its first frame painted;\n"
                "\"launch->shown\" is timed by this parent from starting the process until the child\n"
                "reports that frame. CPU columns are the child's CPU time (all threads) for the same\n"
                "stretch, which competing programs on the machine hardly change. Medians.\n",
                freshSamples);
    std::fflush(stdout);

    const Samples fresh = measureFresh(freshSamples, place);
    printFresh(fresh, freshSamples);
    const Samples warm = measureWarm(warmSamples, place);
    printWarm(warm);
    printRatios(fresh, warm);
    printWhereTimeGoes(fresh, warm);

    const QString window = QStringLiteral("window");
    const QString form = QStringLiteral("form");
    printSummary(QStringLiteral("startup"), QStringLiteral("peak RSS at shown, fresh process"),
                 mib(qint64(medianOf(fresh, window, &Sample::hwmKiB))),
                 ratio(medianOf(fresh, window, &Sample::hwmKiB) / medianOf(fresh, form, &Sample::hwmKiB)),
                 QStringLiteral("(vs bare form; no goal)"), QStringLiteral("-"));
    printSummaries();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QElapsedTimer sinceMain;
    sinceMain.start();
    if (argc >= 3 && std::strcmp(argv[1], "--fresh") == 0)
        return freshChild(sinceMain, argc, argv, QString::fromLocal8Bit(argv[2]));
    if (argc >= 5 && std::strcmp(argv[1], "--warm") == 0)
        return warmChild(argc, argv, QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]));

    int freshSamples = 30;
    int warmSamples = 40;
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--samples") == 0)
            freshSamples = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--warm-samples") == 0)
            warmSamples = std::max(1, std::atoi(argv[i + 1]));
    }
    QCoreApplication app(argc, argv);
    return parent(freshSamples, warmSamples);
}
