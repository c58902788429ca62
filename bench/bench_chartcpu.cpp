// The program's share of one processor core while a page charts from a
// simulated instrument that answers at once, with every timer of the window
// running as in the program: the boot line at its 2 ms poll (with a 400-sample
// and with a 10 000-sample view, the latter also with the measuring cursors
// shown), the meter at 100 Sa/s, the power supply in its chart view and in
// its gauge view; and the boot line again with a boot check under way (its
// band and verdict on the chart, a simulated healthy phone checked against a
// 20 s reference), beside the same view without. Each case runs 10 s with a
// redraw per
// poll (as the charts were drawn before) and 10 s with the redraws at the
// display's rate, one after the other in one run, each in a fresh window of
// a process of its own.
//
// The share is the processor time of the whole process (getrusage: every
// thread, user and system) over the wall-clock time: on a machine shared with
// other work it counts only what this process did. The simulated instrument
// runs inside the process, so its share is counted too.
//
// Run with QT_QPA_PLATFORM=offscreen (./dev bench), or on an X server; an
// argument runs only the cases whose name holds it, a second one ("before"
// or "after") only that way. Always
// exits 0: it is a measurement that prints its verdict, not a test.
#include "tests/support/paintcounter.h"
#include "analysis/referencefile.h"
#include "bench/benchsupport.h"
#include "charts/bootband.h"
#include "charts/livechart.h"
#include "charts/redrawpacer.h"
#include "demo/demobench.h"
#include "tests/support/scans.h"
#include "tests/support/testbench.h"
#include "tools/bootline/bootcheckpanel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QVector>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

using benchsupport::processCpuSeconds;
using benchsupport::reportFigure;

namespace {

constexpr int kWarmUpMs = 1000;
constexpr int kMeasureMs = 10000;
constexpr int kBootLinePrefill = 10000; // a full widest view before the run
constexpr int kMeterRate100Index = 6;   // sampling-rate combo: 100 Sa/s
constexpr double kBootLinePollsPerSecond = 500;
constexpr double kTargetPollRate = 0.95;

enum class Page { BootLine, Meter, PowerChart, PowerGauges };

struct Case {
    const char *name;
    Page page;
    int view; // samples the view is wide (boot line)
    double targetShare;
    bool cursors = false; // the measuring cursors shown on the chart
    // The boot line's boot check under way, its band and verdict drawn.
    bool band = false;
};

const Case kCases[] = {
    {"boot line, 2 ms poll, 400-sample view", Page::BootLine, 400, 0.15},
    {"boot line, 2 ms poll, 10 000-sample view", Page::BootLine, 10000, 0.15},
    {"boot line, 2 ms poll, 10 000-sample view, cursors shown", Page::BootLine, 10000, 0.15, true},
    {"boot line with band and verdict, 400-sample view", Page::BootLine, 400, 0.15, false, true},
    {"boot line with band and verdict, 10 000-sample view", Page::BootLine, 10000, 0.15, false,
     true},
    {"meter, 100 Sa/s", Page::Meter, 0, 0.05},
    {"power supply, chart view", Page::PowerChart, 0, 0.05},
    {"power supply, gauge view", Page::PowerGauges, 0, 0.05},
};

// The reference of the band cases: longer than a case's run, so that one
// capture lasts through it.
constexpr qint64 kBandReferenceUs = 20000000;

struct Measured {
    double cpuSeconds = 0;
    double wallSeconds = 0;
    int polls = 0;   // poll timer runs
    int samples = 0; // samples the chart took
    int redraws = 0; // chart replots
    int paints = 0;  // paint events of the chart
    double share() const { return wallSeconds > 0 ? cpuSeconds / wallSeconds : 0; }
};

void runEventsFor(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

QCustomPlot *chartOf(const testbench::Window &w, Page page)
{
    switch (page) {
    case Page::BootLine:
        return w.ui().oneKeyLineChart;
    case Page::Meter:
        return w.ui().Chart_Widget;
    case Page::PowerChart:
    case Page::PowerGauges:
        return w.ui().adjPowChart;
    }
    return nullptr;
}

QTimer *pollTimerOf(const testbench::Window &w, Page page)
{
    switch (page) {
    case Page::BootLine:
        return w->oneKeyLine->pollTimer;
    case Page::Meter:
        return w->meterPollTimer;
    case Page::PowerChart:
    case Page::PowerGauges:
        return w->adjPower->pollTimer;
    }
    return nullptr;
}

// A boot current as the chart shows one: a rise, a plateau with ripple.
void prefillBootLine(const testbench::Window &w)
{
    QVector<double> keys(kBootLinePrefill), values(kBootLinePrefill);
    for (int i = 0; i < kBootLinePrefill; ++i) {
        keys[i] = i;
        values[i] = 0.8 * (1 - std::exp(-i / 800.0)) + 0.05 * std::sin(i * 0.05);
    }
    w->oneKeyLine->graphs[0]->addData(keys, values, true);
}

// One case in one pacing: a fresh window on a fresh bus with the case's
// instrument, the page charting, every timer running; a warm-up, then the
// measured stretch.
Measured runCase(const Case &c, RedrawPacing pacing, QString *problem)
{
    setRedrawPacing(pacing);
    testbench::Window w = testbench::makeWindow();
    sim::bus().setWriteLogLimit(100); // the simulator's own log stays small
    QTemporaryDir references;
    switch (c.page) {
    case Page::BootLine:
        if (c.band) {
            // A healthy phone, checked against five healthy boots.
            auto phone = std::make_shared<sim::BootLineModel>();
            phone->setPhone(sim::BootLineModel::Phone::Healthy);
            sim::bus().attach(phone);
            bootprofile::overrideLibraryFolder(references.path());
            const std::optional<bootprofile::Reference> reference =
                demo::demoReference(kBandReferenceUs);
            if (!reference ||
                !bootprofile::writeFile(references.filePath("band.json"), *reference, nullptr))
                *problem = QStringLiteral("no reference");
        } else {
            sim::bus().attach(std::make_shared<sim::BootLineModel>());
        }
        break;
    case Page::Meter: {
        auto meter = std::make_shared<sim::MeterModel>();
        meter->startPhoneCharging();
        sim::bus().attach(meter);
        break;
    }
    case Page::PowerChart:
    case Page::PowerGauges: {
        auto supply = std::make_shared<sim::PowerSupplyModel>();
        supply->setLoad(20.0);
        supply->setSelectedPreset(4);
        supply->setOutput(true);
        sim::bus().attach(supply);
        break;
    }
    }

    w->show();
    runEventsFor(200); // laid out and painted
    w->discoverDevices();
    const int toolPage = c.page == Page::BootLine ? 2 : c.page == Page::Meter ? 0 : 1;
    w->toolButtons()[toolPage]->click();
    QCustomPlot *chart = chartOf(w, c.page);
    switch (c.page) {
    case Page::BootLine:
        prefillBootLine(w);
        chart->xAxis->setRange(kBootLinePrefill - c.view, kBootLinePrefill);
        if (c.band) {
            w->bootCheck->refreshChoices();
            if (!w->bootCheck->chooseReference(QStringLiteral("band.json")))
                *problem = QStringLiteral("the reference was not chosen");
        }
        w.ui().oneKeyLineChartSwitch->click(); // start charting
        emit w.ui().oneKeyLineOn->pressed();   // and hold the trigger: the phone boots
        // The measuring cursors a third and two thirds into the view, their
        // readout in the corner: they scroll out with their samples, to the
        // edge, while the readout stays.
        if (c.cursors && !w->toggleMeasure(Widget::Tool::BootLine))
            *problem = QStringLiteral("no cursors");
        break;
    case Page::Meter:
        w.ui().vcMeter_fpsComboBox->setCurrentIndex(kMeterRate100Index);
        break;
    case Page::PowerChart:
        w.ui().adjChartRadioButton->click();
        break;
    case Page::PowerGauges:
        w.ui().adjMeterRadioButton->click();
        break;
    }
    for (QTimer *timer : testbench::windowTimers(*w.widget)) {
        if (timer != w->programTimer)
            timer->start();
    }

    Measured m;
    int polls = 0;
    QObject::connect(pollTimerOf(w, c.page), &QTimer::timeout, [&polls] { ++polls; });
    int redraws = 0;
    QObject::connect(chart, &QCustomPlot::afterReplot, [&redraws] { ++redraws; });
    testbench::PaintCounter paints;
    chart->installEventFilter(&paints);

    runEventsFor(kWarmUpMs);

    const QCPGraph *graph = chart->graph(0);
    const int samplesBefore = graph->dataCount();
    const int pollsBefore = polls;
    const int redrawsBefore = redraws;
    const int paintsBefore = paints.paints;
    const double cpuBefore = processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    runEventsFor(kMeasureMs);
    m.wallSeconds = wall.nsecsElapsed() / 1e9;
    m.cpuSeconds = processCpuSeconds() - cpuBefore;
    m.polls = polls - pollsBefore;
    m.samples = graph->dataCount() - samplesBefore;
    m.redraws = redraws - redrawsBefore;
    m.paints = paints.paints - paintsBefore;

    for (QTimer *timer : testbench::windowTimers(*w.widget))
        timer->stop();
    chart->removeEventFilter(&paints);
    testbench::settleScans();

    const bool charting = c.page != Page::PowerGauges;
    if (charting && m.samples == 0)
        *problem = QStringLiteral("the chart took no sample");
    if (c.band && (!w->bootCheck->check() || !w->bootCheck->capturer().running() ||
                   w->bootCheck->check()->state() == bootprofile::State::Waiting ||
                   w->bootCheck->items().shade()->size() == 0))
        *problem = QStringLiteral("no check under way with its band");
    if (!charting && m.samples != 0)
        *problem = QStringLiteral("the gauge view charted");
    if (m.polls == 0)
        *problem = QStringLiteral("no poll ran");
    return m;
}

const char kChildFlag[] = "--one-case";

// In a child process: one case in one way, its figures on one line.
int runChild(int index, RedrawPacing pacing)
{
    // A stray message box must not stop the run; looked for rarely, so that
    // the closer's own timer adds next to nothing to the share measured.
    testbench::ModalCloser closeBoxes(250);
    QString problem;
    const Measured m = runCase(kCases[index], pacing, &problem);
    std::printf("MEASURED|%.6f|%.6f|%d|%d|%d|%d|%s\n", m.cpuSeconds, m.wallSeconds, m.polls,
                m.samples, m.redraws, m.paints, problem.toUtf8().constData());
    return 0;
}

// Each case and way runs in a process of its own, so that nothing one leaves
// behind (windows, threads, caches) weighs on the next.
Measured runInChild(int index, RedrawPacing pacing, QString *problem)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {QString::fromLatin1(kChildFlag), QString::number(index),
                 pacing == RedrawPacing::EveryRequest ? QStringLiteral("before")
                                                      : QStringLiteral("after")});
    Measured m;
    if (!child.waitForFinished(120000)) {
        child.kill(); // the child this run started, and no other
        child.waitForFinished(2000);
        *problem = QStringLiteral("the case did not finish");
        return m;
    }
    for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
        if (!line.startsWith("MEASURED|"))
            continue;
        const QList<QByteArray> f = line.split('|');
        if (f.size() < 8)
            break;
        m.cpuSeconds = f[1].toDouble();
        m.wallSeconds = f[2].toDouble();
        m.polls = f[3].toInt();
        m.samples = f[4].toInt();
        m.redraws = f[5].toInt();
        m.paints = f[6].toInt();
        *problem = QString::fromUtf8(f[7]);
        return m;
    }
    *problem = QStringLiteral("the case gave no figures");
    return m;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc > 3 && std::strcmp(argv[1], kChildFlag) == 0) {
        const int index = std::atoi(argv[2]);
        if (index < 0 || index >= int(sizeof kCases / sizeof kCases[0]))
            return 1;
        return runChild(index, std::strcmp(argv[3], "before") == 0 ? RedrawPacing::EveryRequest
                                                                   : RedrawPacing::DisplayRate);
    }

    std::printf("Processor share while a page charts from a simulated instrument that answers at "
                "once\n");
    std::printf("  platform %s; %d s measured per case after %d s of warm-up; load average "
                "before: %s\n",
                qPrintable(QGuiApplication::platformName()), kMeasureMs / 1000, kWarmUpMs / 1000,
                benchsupport::loadAverage().constData());
    std::printf("  share: processor time of the process (all threads, user + system) / wall time, "
                "of one core\n\n");
    std::printf("  %-42s %-14s %8s %9s %9s %9s %9s\n", "case", "redraws", "share", "polls/s",
                "samples/s", "redraws/s", "paints/s");

    // An argument picks the cases whose name holds it, a second one
    // ("before" or "after") one of the two ways (for profiling one).
    const QString only = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    const QString way = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    bool setupOk = true;
    // The share without the band, per view, for the band cases beside it.
    QMap<int, double> withoutBand;
    for (int index = 0; index < int(sizeof kCases / sizeof kCases[0]); ++index) {
        const Case &c = kCases[index];
        if (!QLatin1String(c.name).contains(only))
            continue;
        Measured before, after;
        QString problemBefore, problemAfter;
        if (way != QLatin1String("after"))
            before = runInChild(index, RedrawPacing::EveryRequest, &problemBefore);
        if (way != QLatin1String("before"))
            after = runInChild(index, RedrawPacing::DisplayRate, &problemAfter);
        const struct {
            const char *label;
            const Measured &m;
            const QString &problem;
        } rows[] = {{"one per poll (before)", before, problemBefore},
                    {"display rate (after)", after, problemAfter}};
        for (const auto &row : rows) {
            const double s = row.m.wallSeconds;
            std::printf("  %-42s %-22s %6.1f %% %9.1f %9.1f %9.1f %9.1f%s%s\n", c.name, row.label,
                        100 * row.m.share(), row.m.polls / s, row.m.samples / s, row.m.redraws / s,
                        row.m.paints / s,
                        row.problem.isEmpty() ? "" : "  SET-UP FAILED: ", qPrintable(row.problem));
            setupOk = setupOk && row.problem.isEmpty();
        }

        const bool ok = problemAfter.isEmpty();
        if (c.page == Page::BootLine && !c.band && !c.cursors && ok)
            withoutBand[c.view] = after.share();
        const QString beside =
            !c.band ? QStringLiteral("before: %1 %").arg(100 * before.share(), 0, 'f', 1)
            : withoutBand.contains(c.view)
                ? QStringLiteral("band off: %1 %").arg(100 * withoutBand[c.view], 0, 'f', 1)
                : QStringLiteral("band off: not run");
        reportFigure(QStringLiteral("CPU share, %1: %2 % (%3)")
                         .arg(QLatin1String(c.name))
                         .arg(100 * after.share(), 0, 'f', 1)
                         .arg(beside),
                     QStringLiteral("<= %1 % of one core").arg(100 * c.targetShare, 0, 'f', 0),
                     ok && after.share() <= c.targetShare);
        if (c.page == Page::BootLine && !c.band) {
            const double rate = after.samples / after.wallSeconds;
            const double rateBefore = before.samples / before.wallSeconds;
            reportFigure(QStringLiteral("boot line poll rate while charting, %1-sample view%4: "
                                        "%2 /s (before: %3 /s)")
                             .arg(c.view)
                             .arg(rate, 0, 'f', 1)
                             .arg(rateBefore, 0, 'f', 1)
                             .arg(c.cursors ? QStringLiteral(", cursors shown") : QString()),
                         QStringLiteral(">= %1 /s (95 % of 500)")
                             .arg(kTargetPollRate * kBootLinePollsPerSecond, 0, 'f', 0),
                         ok && rate >= kTargetPollRate * kBootLinePollsPerSecond);
        }
    }
    std::printf("\n  load average after: %s%s\n", benchsupport::loadAverage().constData(),
                setupOk ? "" : "; a case failed to set up, its figures mean nothing");
    return 0;
}
