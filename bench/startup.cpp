// Start to window shown: the program's window on the example INI pair against
// the same form without the program (Ui::MainForm set up in a plain
// QMainWindow) and against a window of 152 generic widgets of the same classes.
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
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMap>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QWindow>

#include <cstdio>
#include <cstring>
#include <memory>

using namespace Bench;

namespace {

// The last three are for finding where our time goes: the form with the window's
// font set after setupUi (as the window's constructor does it), before it, and
// as the application's font.
const QStringList configurations = {QStringLiteral("window"), QStringLiteral("form"),
                                    QStringLiteral("generic"), QStringLiteral("form-font-after"),
                                    QStringLiteral("form-font-first"), QStringLiteral("form-app-font")};

QString describe(const QString &configuration)
{
    if (configuration == QLatin1String("window"))
        return QStringLiteral("MainWindow on the example pair");
    if (configuration == QLatin1String("form"))
        return QStringLiteral("bare: MainForm in a plain QMainWindow");
    if (configuration == QLatin1String("generic"))
        return QStringLiteral("bare: 152 generic widgets");
    if (configuration == QLatin1String("form-font-after"))
        return QStringLiteral("diagnosis: MainForm, then setFont(formFont())");
    if (configuration == QLatin1String("form-font-first"))
        return QStringLiteral("diagnosis: setFont(formFont()), then MainForm");
    return QStringLiteral("diagnosis: QApplication::setFont(formFont()), then MainForm");
}

// The form alone: what the designer file builds, with none of our steps.
class BareFormWindow : public QMainWindow
{
public:
    enum class Font { Default, AfterForm, BeforeForm, Application };

    explicit BareFormWindow(Font font = Font::Default)
    {
        if (font == Font::BeforeForm)
            setFont(formFont());
        if (font == Font::Application)
            QApplication::setFont(formFont());
        form.setupUi(this);
        if (font == Font::AfterForm)
            setFont(formFont());
    }

private:
    Ui::MainForm form;
};

// 152 widgets of the form's classes and counts, placed the way the form places
// them (fixed geometry on tab pages, some inside group boxes).
class GenericWindow : public QMainWindow
{
public:
    GenericWindow()
    {
        auto *central = new QWidget(this);
        setCentralWidget(central);
        resize(560, 306);

        QList<QWidget *> parents;
        for (int tab = 0; tab < 4; ++tab) {
            auto *tabs = new QTabWidget(central);
            tabs->setGeometry(tab == 0 ? QRect(0, 0, 560, 280) : QRect(10, 30, 540, 240));
            for (int page = 0; page < 3; ++page) {
                auto *widget = new QWidget;
                tabs->addTab(widget, QStringLiteral("Page %1").arg(page + 1));
                parents.append(widget);
            }
        }
        for (int group = 0; group < 8; ++group) {
            auto *box = new QGroupBox(QStringLiteral("Group %1").arg(group + 1), parents[group]);
            box->setGeometry(250, 10, 260, 200);
            parents.append(box);
        }

        int next = 0;
        QMap<QWidget *, int> rows;
        const auto place = [&](QWidget *widget) {
            QWidget *parent = parents[next++ % parents.size()];
            widget->setParent(parent);
            const int row = rows[parent]++;
            widget->setGeometry(10 + (row / 8) * 120, 20 + (row % 8) * 24, 110, 20);
        };
        for (int i = 0; i < 37; ++i)
            place(new QLabel(QStringLiteral("Label %1").arg(i)));
        for (int i = 0; i < 37; ++i)
            place(new QCheckBox(QStringLiteral("Option %1").arg(i)));
        for (int i = 0; i < 22; ++i)
            place(new QSlider(Qt::Horizontal));
        for (int i = 0; i < 11; ++i)
            place(new QDoubleSpinBox);
        for (int i = 0; i < 9; ++i)
            place(new QSpinBox);
        for (int i = 0; i < 8; ++i) {
            auto *box = new QComboBox;
            box->addItems({QStringLiteral("Low"), QStringLiteral("Medium"), QStringLiteral("High"),
                           QStringLiteral("Ultra")});
            place(box);
        }
        for (int i = 0; i < 2; ++i)
            place(new QLineEdit(QStringLiteral("1920")));
        place(new QPushButton(QStringLiteral("Apply")));
    }
};

std::unique_ptr<QWidget> build(const QString &configuration)
{
    if (configuration == QLatin1String("window"))
        return std::make_unique<MainWindow>(std::make_unique<IniStore>(iniFolder()));
    if (configuration == QLatin1String("form"))
        return std::make_unique<BareFormWindow>();
    if (configuration == QLatin1String("generic"))
        return std::make_unique<GenericWindow>();
    if (configuration == QLatin1String("form-font-after"))
        return std::make_unique<BareFormWindow>(BareFormWindow::Font::AfterForm);
    if (configuration == QLatin1String("form-font-first"))
        return std::make_unique<BareFormWindow>(BareFormWindow::Font::BeforeForm);
    if (configuration == QLatin1String("form-app-font"))
        return std::make_unique<BareFormWindow>(BareFormWindow::Font::Application);
    qFatal("unknown configuration %s", qPrintable(configuration));
    return nullptr;
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
int freshChild(const QElapsedTimer &sinceMain, int &argc, char **argv, const QString &configuration)
{
    QApplication app(argc, argv);
    const qint64 appNs = sinceMain.nsecsElapsed();
    const qint64 appHwm = peakRssKiB();

    QElapsedTimer timer;
    timer.start();
    const qint64 cpuStart = processCpuNs();
    std::unique_ptr<QWidget> window = build(configuration);
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

// Child: the classes of every widget in a shown window, to compare the trees.
int widgetsChild(int &argc, char **argv, const QString &configuration)
{
    QApplication app(argc, argv);
    std::unique_ptr<QWidget> window = build(configuration);
    showAndWait(window.get());
    QMap<QString, int> classes;
    for (const QWidget *widget : window->findChildren<QWidget *>())
        ++classes[QString::fromLatin1(widget->metaObject()->className())];
    std::printf("%s: %d widgets\n", qPrintable(describe(configuration)), widgetCount(window.get()));
    for (auto it = classes.cbegin(); it != classes.cend(); ++it)
        std::printf("  %4d %s\n", it.value(), qPrintable(it.key()));
    return 0;
}

// Child: many windows in one process, after warm-up windows.
int warmChild(int &argc, char **argv, const QString &configuration, int warmUps, int samples)
{
    QApplication app(argc, argv);
    for (int round = 0; round < warmUps + samples; ++round) {
        QElapsedTimer timer;
        timer.start();
        const qint64 cpuStart = processCpuNs();
        std::unique_ptr<QWidget> window = build(configuration);
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

Sample runFresh(const QString &configuration, const QProcessEnvironment &environment,
                const QString &workingDirectory)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(workingDirectory);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    process.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--fresh"), configuration});
    QByteArray output;
    qint64 launchNs = -1;
    while (launchNs < 0) {
        if (!process.waitForReadyRead(60000))
            qFatal("startup child %s gave no result", qPrintable(configuration));
        output += process.readAllStandardOutput();
        if (output.contains("RESULT ") && output.endsWith('\n'))
            launchNs = timer.nsecsElapsed();
    }
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        qFatal("startup child %s failed", qPrintable(configuration));
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

using Samples = QMap<QString, QList<Sample>>;

QList<double> column(const Samples &samples, const QString &configuration, double Sample::*member)
{
    QList<double> values;
    for (const Sample &sample : samples.value(configuration))
        values.append(sample.*member);
    return values;
}

double medianOf(const Samples &samples, const QString &configuration, double Sample::*member)
{
    return median(column(samples, configuration, member));
}

QString percent(double fraction)
{
    return QString::number(fraction * 100, 'f', 0) + u'%';
}

int parent(int freshSamples, int warmSamples)
{
    std::printf("== Start to window shown (offscreen) ==\n");
    printMachine();

    QTemporaryDir home;
    if (!home.isValid())
        qFatal("no scratch folder");
    const QString folder = iniFolderBelow(home.path());
    writeFile(folder + QStringLiteral("VantorPrefs.ini"),
              readFile(QStringLiteral(VANTOR_SOURCE_DIR "/examples/VantorPrefs.ini")));
    writeFile(folder + QStringLiteral("Vantor.ini"),
              readFile(QStringLiteral(VANTOR_SOURCE_DIR "/examples/Vantor.ini")));
    const QProcessEnvironment environment = environmentWithHome(home.path());
    // The program's folder, where the preview pictures are, as when a player starts it.
    const QString workingDirectory = QStringLiteral(VANTOR_PROGRAM_DIR);

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

    // One process of each first, not counted: it warms the disk cache for all.
    for (const QString &configuration : configurations)
        runFresh(configuration, environment, workingDirectory);

    Samples fresh;
    for (int sample = 0; sample < freshSamples; ++sample) {
        for (const QString &configuration : configurations)
            fresh[configuration].append(runFresh(configuration, environment, workingDirectory));
    }

    std::printf("\nFresh processes (medians of %d):\n", freshSamples);
    Table table({QStringLiteral("configuration"), QStringLiteral("widgets"), QStringLiteral("launch->shown"),
                 QStringLiteral("construct"), QStringLiteral("construct->shown"), QStringLiteral("(best)"),
                 QStringLiteral("spread"), QStringLiteral("CPU construct->shown"),
                 QStringLiteral("CPU process->shown"), QStringLiteral("peak RSS at shown")});
    for (const QString &configuration : configurations) {
        const QList<double> shown = column(fresh, configuration, &Sample::shownMs);
        table.addRow({describe(configuration), QString::number(fresh[configuration].front().widgets),
                      ms(medianOf(fresh, configuration, &Sample::launchMs)),
                      ms(medianOf(fresh, configuration, &Sample::constructMs)), ms(median(shown)),
                      ms(best(shown)), percent(spread(shown)),
                      ms(medianOf(fresh, configuration, &Sample::cpuShownMs)),
                      ms(medianOf(fresh, configuration, &Sample::cpuProcessMs)),
                      mib(qint64(medianOf(fresh, configuration, &Sample::hwmKiB)))});
    }
    table.print();
    std::printf("  QApplication ready after %s (median) at a peak RSS of %s in every configuration.\n"
                "  widgets: every QWidget in the window's tree, including those that tab widgets, spin\n"
                "  boxes and combo box popups make for themselves (the form places 152).\n"
                "  spread: (slowest - fastest) / median.\n",
                qPrintable(ms(medianOf(fresh, QStringLiteral("form"), &Sample::appMs))),
                qPrintable(mib(qint64(medianOf(fresh, QStringLiteral("form"), &Sample::appHwmKiB)))));

    // In-process, warm: our construction steps without the first-window costs.
    std::printf("\nIn one process per configuration, after 3 warm-up windows (medians of %d):\n", warmSamples);
    Samples warm;
    for (const QString &configuration : configurations) {
        const QByteArray output = runSelf({QStringLiteral("--warm"), configuration, QStringLiteral("3"),
                                           QString::number(warmSamples)},
                                          environment, workingDirectory);
        for (const QByteArray &line : taggedLines(output, "SAMPLE")) {
            Sample sample;
            sample.constructMs = field(line, "construct") / 1e6;
            sample.shownMs = field(line, "shown") / 1e6;
            sample.cpuShownMs = field(line, "cpushown") / 1e6;
            warm[configuration].append(sample);
        }
    }
    Table warmTable({QStringLiteral("configuration"), QStringLiteral("construct"),
                     QStringLiteral("construct->shown"), QStringLiteral("(best)"), QStringLiteral("spread"),
                     QStringLiteral("CPU construct->shown")});
    for (const QString &configuration : configurations) {
        const QList<double> shown = column(warm, configuration, &Sample::shownMs);
        warmTable.addRow({describe(configuration), ms(medianOf(warm, configuration, &Sample::constructMs)),
                          ms(median(shown)), ms(best(shown)), percent(spread(shown)),
                          ms(medianOf(warm, configuration, &Sample::cpuShownMs))});
    }
    warmTable.print();

    struct Row
    {
        QString name;
        const Samples &samples;
        double Sample::*member;
        QString baseline;
        bool judged;
        bool primary;
    };
    const QString window = QStringLiteral("window");
    const QString form = QStringLiteral("form");
    const QString generic = QStringLiteral("generic");
    const QList<Row> rows = {
        {QStringLiteral("construct->shown, fresh process"), fresh, &Sample::shownMs, form, true, true},
        {QStringLiteral("launch->shown, fresh process"), fresh, &Sample::launchMs, form, true, true},
        {QStringLiteral("CPU construct->shown, fresh process"), fresh, &Sample::cpuShownMs, form, true, true},
        {QStringLiteral("CPU process->shown, fresh process"), fresh, &Sample::cpuProcessMs, form, true, true},
        {QStringLiteral("construct->shown, warm, in-process"), warm, &Sample::shownMs, form, true, false},
        {QStringLiteral("CPU construct->shown, warm, in-process"), warm, &Sample::cpuShownMs, form, true, false},
        {QStringLiteral("construct->shown, fresh process"), fresh, &Sample::shownMs, generic, false, false},
        {QStringLiteral("launch->shown, fresh process"), fresh, &Sample::launchMs, generic, false, false},
        {QStringLiteral("CPU construct->shown, warm, in-process"), warm, &Sample::cpuShownMs, generic, false,
         false},
    };

    std::printf("\nRatios, MainWindow / baseline (medians). The goal is judged on fresh processes: a start\n"
                "is what a player waits for, and the first-window costs that only a fresh process pays make\n"
                "most of it (compare the fresh and warm tables). The warm rows are secondary: they show\n"
                "our own steps with those costs taken out.\n");
    Table ratios({QStringLiteral("measure"), QStringLiteral("baseline"), QStringLiteral("MainWindow"),
                  QStringLiteral("baseline time"), QStringLiteral("ratio"), QStringLiteral("ratio of bests"),
                  QStringLiteral("goal"), QStringLiteral("verdict")});
    for (const Row &row : rows) {
        const double ours = medianOf(row.samples, window, row.member);
        const double base = medianOf(row.samples, row.baseline, row.member);
        const double value = ours / base;
        const double bestValue = best(column(row.samples, window, row.member))
                                 / best(column(row.samples, row.baseline, row.member));
        const QString baselineName = row.baseline == form ? QStringLiteral("MainForm in QMainWindow")
                                                          : QStringLiteral("152 generic widgets");
        const QString goalText = row.judged ? QStringLiteral("<= 1.30x") : QStringLiteral("(for reference)");
        const QString verdictText = row.judged ? verdict(value <= 1.3, row.primary) : QStringLiteral("-");
        ratios.addRow({row.name, baselineName, ms(ours), ms(base), ratio(value), ratio(bestValue), goalText,
                       verdictText});
        if (row.judged)
            printSummary(QStringLiteral("startup"), row.name + QStringLiteral(" vs bare form"), ms(ours),
                         ratio(value), goalText, verdictText);
    }
    ratios.print();

    // Where the difference goes: the form with the window's font step alone.
    std::printf("\nWhere MainWindow's extra time goes (construct->shown medians; warm CPU is the steadiest):\n");
    Table steps({QStringLiteral("step"), QStringLiteral("fresh wall"), QStringLiteral("warm wall"),
                 QStringLiteral("warm CPU")});
    const auto difference = [&](const QString &more, const QString &less) {
        return QStringList{ms(medianOf(fresh, more, &Sample::shownMs) - medianOf(fresh, less, &Sample::shownMs)),
                           ms(medianOf(warm, more, &Sample::shownMs) - medianOf(warm, less, &Sample::shownMs)),
                           ms(medianOf(warm, more, &Sample::cpuShownMs) - medianOf(warm, less, &Sample::cpuShownMs))};
    };
    steps.addRow(QStringList{QStringLiteral("all of MainWindow over the bare form")} + difference(window, form));
    steps.addRow(QStringList{QStringLiteral("setFont(formFont()) after setupUi")}
                 + difference(QStringLiteral("form-font-after"), form));
    steps.addRow(QStringList{QStringLiteral("the rest: store, load pass, resolution box, ...")}
                 + difference(window, QStringLiteral("form-font-after")));
    steps.addRow(QStringList{QStringLiteral("font set before setupUi instead (vs bare form)")}
                 + difference(QStringLiteral("form-font-first"), form));
    steps.addRow(QStringList{QStringLiteral("font as the application font instead (vs bare form)")}
                 + difference(QStringLiteral("form-app-font"), form));
    steps.print();

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
    if (argc >= 3 && std::strcmp(argv[1], "--widgets") == 0)
        return widgetsChild(argc, argv, QString::fromLocal8Bit(argv[2]));
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
