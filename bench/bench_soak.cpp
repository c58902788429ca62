// A 24-hour meter recording, fed as fast as the program takes it: 8 640 000
// samples per graph (24 h at 100 Sa/s), through the real window's poll on the
// simulated bus (five samples per report, the chart recording with a
// 10 000-sample view, the event loop run after every poll so that the scans'
// results and the redraws at the display's rate come as in the program).
//
// Reported:
//   - memory per stored sample (one point in each of the three graphs and
//     its time in the chart's series index): the growth of the resident
//     memory over the feed, and the heap in use with the room reserved ahead;
//   - the cost of one recording poll (processor time of the GUI thread, the
//     scan window walk included; median of 3000 polls) at the end against
//     one just after the start, in a second window whose recording has just
//     begun, measured in alternating blocks;
//   - a user drag on the paused chart at the end: mouse events on the chart,
//     from the move to the redraw that shows the moved view (the range
//     handling and its scan included);
//   - saving the whole recording as a chart data file and opening it in a
//     second window through the window's buttons, every value compared.
//
// Run with QT_QPA_PLATFORM=offscreen (./dev bench). Always exits 0: it is a
// measurement that prints its verdict, not a test.
#include "bench/benchsupport.h"
#include "charts/livechart.h"
#include "tests/support/scans.h"
#include "tests/support/testbench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QThreadPool>

#include <cmath>
#include <cstdio>
#include <numeric>
#include <vector>

using benchsupport::median;
using benchsupport::reportFigure;
using benchsupport::threadCpuSeconds;

namespace {

constexpr long long kSamples = 8640000; // 24 h x 3600 s x 100 Sa/s, per graph
constexpr int kSamplesPerPoll = 5;
constexpr int kRate100Index = 6; // sampling-rate combo: 100 Sa/s
constexpr int kView = 10000;
constexpr int kMeasuredPolls = 3000;
constexpr int kPollsPerBlock = 100;
constexpr int kDragSteps = 40;
constexpr double kTargetBytesPerSample = 56; // three graphs and each sample's time
constexpr double kTargetPollRatio = 1.5;
constexpr double kTargetDragMs = 50;

// The raw reading of sample n: a phone charging, its current swinging slowly,
// the voltage sagging with it (integers as the meter reports them).
void setReport(sim::MeterModel &meter, long long first)
{
    for (int i = 0; i < kSamplesPerPoll; ++i) {
        const double t = double(first + i);
        const int currentRaw = 3900 + int(1500 * std::sin(t * 0.00021)) + int((first + i) % 7);
        const int voltageRaw = 4080 - currentRaw / 100 + int((first + i) % 3);
        meter.setRawSample(i, std::uint16_t(voltageRaw), std::uint16_t(currentRaw));
    }
}

// One recording poll as the timer runs it, then the events it leaves. A
// measured poll waits for its scan's pool task before the events, so that
// every measured poll finds the last scan's result waiting and starts a new
// scan, walking its window: the same work in each, at the start and at the
// end.
double pollOnce(const testbench::Window &w, bool measured)
{
    const double start = threadCpuSeconds();
    w.pollMeter();
    const double cost = threadCpuSeconds() - start;
    if (measured)
        QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::processEvents();
    return cost;
}

void sendMouse(QWidget *target, QEvent::Type type, const QPoint &pos, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, pos, target->mapToGlobal(pos), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    testbench::ModalCloser closeBoxes(250); // a stray message box must not stop the run
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("day.cts"));

    // The recording of a day, and a second window whose recording has just
    // begun: their polls are compared side by side at the end. Both windows
    // first (a new window starts from a fresh bus), then the one meter.
    testbench::Window w = testbench::makeWindow();
    testbench::Window fresh = testbench::makeWindow();
    sim::bus().setWriteLogLimit(100); // the simulator's own log stays small
    auto meter = std::make_shared<sim::MeterModel>();
    sim::bus().attach(meter);
    for (testbench::Window *win : {&w, &fresh}) {
        (*win)->resize(1162, 713);
        (*win)->show();
        (*win)->discoverDevices(); // opens the meter and starts recording
        win->ui().vcMeter_fpsComboBox->setCurrentIndex(kRate100Index);
        win->ui().Chart_Widget->xAxis->setRange(-kView, 0);
    }
    QCustomPlot *chart = w.ui().Chart_Widget;
    QCoreApplication::processEvents();
    const Vc_Meter &m = *w->vcMeter;
    for (const testbench::Window *win : {&w, &fresh}) {
        const Vc_Meter &v = *(*win)->vcMeter;
        if (!v.chartRunning || v.rateCode != 100 || !v.hidDevice) {
            std::printf("set-up failed: recording %d, rate code %d, device %s\n",
                        int(v.chartRunning), int(v.rateCode), v.hidDevice ? "open" : "closed");
            return 0;
        }
    }

    const QByteArray loadBefore = benchsupport::loadAverage();
    const long long residentBefore = benchsupport::residentBytes();
    const long long heapBefore = benchsupport::heapInUseBytes();

    // The feed.
    const long long polls = kSamples / kSamplesPerPoll;
    QElapsedTimer feed;
    feed.start();
    const double feedCpuStart = benchsupport::processCpuSeconds();
    for (long long p = 0; p < polls; ++p) {
        setReport(*meter, p * kSamplesPerPoll);
        pollOnce(w, false);
    }
    const double feedSeconds = feed.nsecsElapsed() / 1e9;
    const double feedCpu = benchsupport::processCpuSeconds() - feedCpuStart;
    testbench::settleScans();
    w->flushRedraws();

    // The fresh window takes a full view, then the polls of both windows are
    // measured in alternating blocks, so that the machine's changes weigh on
    // both alike.
    for (int p = 0; p * kSamplesPerPoll <= kView; ++p)
        pollOnce(fresh, false);
    std::vector<double> startCosts, endCosts;
    for (int block = 0; block < kMeasuredPolls / kPollsPerBlock; ++block) {
        const bool freshFirst = block % 2 == 0;
        for (int turn = 0; turn < 2; ++turn) {
            const bool isFresh = (turn == 0) == freshFirst;
            for (int i = 0; i < kPollsPerBlock; ++i)
                (isFresh ? startCosts : endCosts).push_back(pollOnce(isFresh ? fresh : w, true));
        }
    }
    testbench::settleScans();
    w->flushRedraws();

    // The measured polls appended to the day's recording too.
    const long long stored = m.graphs[0]->dataCount();
    const long long expected = kSamples + kSamplesPerPoll * kMeasuredPolls;
    const bool allStored = stored == expected && m.graphs[1]->dataCount() == expected &&
                           m.graphs[2]->dataCount() == expected;
    const double residentPerSample =
        double(benchsupport::residentBytes() - residentBefore) / double(stored);
    const double heapPerSample =
        double(benchsupport::heapInUseBytes() - heapBefore) / double(stored);
    const auto mean = [](const std::vector<double> &v) {
        return v.empty() ? 0.0 : std::accumulate(v.begin(), v.end(), 0.0) / double(v.size());
    };
    const double pollStart = median(startCosts) * 1e6;
    const double pollEnd = median(endCosts) * 1e6;
    const double pollStartMean = mean(startCosts) * 1e6;
    const double pollEndMean = mean(endCosts) * 1e6;

    // A drag on the paused chart: press in the plot area, above the graphs,
    // then move left a few pixels at a time, back in time.
    w.ui().vcMeter_chartStart->click(); // pause
    QCoreApplication::processEvents();
    const QRect area = chart->axisRect()->rect();
    QPoint at(area.center().x(), area.top() + 12);
    int redraws = 0;
    QObject::connect(chart, &QCustomPlot::afterReplot, [&redraws] { ++redraws; });
    sendMouse(chart, QEvent::MouseButtonPress, at, Qt::LeftButton);
    std::vector<double> dragWallMs, dragCpuMs;
    bool dragMoved = true;
    for (int step = 0; step < kDragSteps; ++step) {
        const QCPRange before = chart->xAxis->range();
        const int redrawsBefore = redraws;
        at += QPoint(6, 0); // the content follows the pointer: the view goes back
        QElapsedTimer wall;
        wall.start();
        const double cpu = threadCpuSeconds();
        sendMouse(chart, QEvent::MouseMove, at, Qt::LeftButton);
        while (redraws == redrawsBefore && wall.elapsed() < 5000)
            QCoreApplication::processEvents();
        dragWallMs.push_back(wall.nsecsElapsed() / 1e6);
        dragCpuMs.push_back((threadCpuSeconds() - cpu) * 1e3);
        dragMoved =
            dragMoved && redraws > redrawsBefore && chart->xAxis->range().upper < before.upper;
        testbench::settleScans(); // the scan's result, applied at the next step
    }
    sendMouse(chart, QEvent::MouseButtonRelease, at, Qt::NoButton);
    const double dragWall = median(dragWallMs);
    const double dragCpu = median(dragCpuMs);

    // Save through the button, open in a second window through its button.
    testbench::Window second = testbench::makeWindow();
    for (testbench::Window *win : {&w, &second}) {
        (*win)->fileDialogs.saveFileName = [&](QWidget *, const QString &, const QString &,
                                               const QString &) { return fileName; };
        (*win)->fileDialogs.openFileName = [&](QWidget *, const QString &, const QString &,
                                               const QString &) { return fileName; };
    }
    QElapsedTimer saveWall;
    saveWall.start();
    double cpu = threadCpuSeconds();
    w.ui().vcMeterChartSaveButton->click();
    const double saveSeconds = saveWall.nsecsElapsed() / 1e9;
    const double saveCpu = threadCpuSeconds() - cpu;
    QElapsedTimer openWall;
    openWall.start();
    cpu = threadCpuSeconds();
    second.ui().vcMeterChartOpenButton->click();
    const double openSeconds = openWall.nsecsElapsed() / 1e9;
    const double openCpu = threadCpuSeconds() - cpu;
    long long compared = 0, differing = 0;
    for (int k = 0; k < 3; ++k) {
        const QCPGraphDataContainer &recorded = *m.graphs[k]->data();
        const QCPGraphDataContainer &loaded = *second->vcMeter->graphs[k]->data();
        if (loaded.size() != recorded.size()) {
            differing += std::llabs(qint64(loaded.size()) - qint64(recorded.size()));
            continue;
        }
        auto a = recorded.constBegin();
        auto b = loaded.constBegin();
        for (; a != recorded.constEnd(); ++a, ++b, ++compared) {
            // The file holds four decimals: within half a unit of the last.
            if (b->key != a->key || std::fabs(b->value - a->value) > 0.00005 + 1e-12)
                ++differing;
        }
    }
    const double fileMB = QFileInfo(fileName).size() / 1e6;

    std::printf("24-hour meter recording at 100 Sa/s, fed as fast as the program takes it\n");
    std::printf("  %lld samples per graph in %lld polls, %.0f s (%.0f s processor time), %s; "
                "view %d samples\n",
                stored, polls, feedSeconds, feedCpu, allStored ? "all stored" : "NOT ALL STORED",
                kView);
    std::printf("  load average before / after: %s / %s\n", loadBefore.constData(),
                benchsupport::loadAverage().constData());
    std::printf("  memory per stored sample (three graphs): %.1f B resident, %.1f B heap with the "
                "room reserved ahead (points alone: %d B)\n",
                residentPerSample, heapPerSample, int(3 * sizeof(QCPGraphData)));
    std::printf("  recording poll with its scan window walk, median of %d in alternating blocks, "
                "processor time: %.1f us just after the start (%lld samples), %.1f us at the end "
                "(%.2f x); means %.1f us and %.1f us\n",
                kMeasuredPolls, pollStart, (long long)fresh->vcMeter->graphs[0]->dataCount(),
                pollEnd, pollEnd / pollStart, pollStartMean, pollEndMean);
    std::printf("  drag on the paused chart, %d steps, median until the view has moved: %.2f ms "
                "wall, %.2f ms processor (max %.2f ms wall); view moved each step: %s\n",
                kDragSteps, dragWall, dragCpu,
                *std::max_element(dragWallMs.begin(), dragWallMs.end()), dragMoved ? "yes" : "NO");
    std::printf("  chart data file %.0f MB: save %.2f s (%.2f s processor), open %.2f s (%.2f s "
                "processor); %lld values compared, %lld differ\n\n",
                fileMB, saveSeconds, saveCpu, openSeconds, openCpu, compared, differing);

    reportFigure(QStringLiteral("24 h soak: memory per stored sample, three graphs: %1 B resident "
                                "(%2 B heap with reserve)")
                     .arg(residentPerSample, 0, 'f', 1)
                     .arg(heapPerSample, 0, 'f', 1),
                 QStringLiteral("<= %1 B").arg(kTargetBytesPerSample),
                 allStored && residentPerSample <= kTargetBytesPerSample);
    reportFigure(QStringLiteral("24 h soak: recording poll at the end %1 us vs %2 us at the start "
                                "(%3 x)")
                     .arg(pollEnd, 0, 'f', 1)
                     .arg(pollStart, 0, 'f', 1)
                     .arg(pollEnd / pollStart, 0, 'f', 2),
                 QStringLiteral("<= %1 x").arg(kTargetPollRatio),
                 allStored && pollEnd <= kTargetPollRatio * pollStart);
    reportFigure(QStringLiteral("24 h soak: drag on the paused chart until the view has moved: "
                                "%1 ms (median of %2 steps)")
                     .arg(dragWall, 0, 'f', 2)
                     .arg(kDragSteps),
                 QStringLiteral("<= %1 ms").arg(kTargetDragMs),
                 dragMoved && dragWall <= kTargetDragMs);
    reportFigure(QStringLiteral("24 h soak: save %1 s + reopen %2 s of the %3 MB chart data file, "
                                "%4 values compared")
                     .arg(saveSeconds, 0, 'f', 2)
                     .arg(openSeconds, 0, 'f', 2)
                     .arg(fileMB, 0, 'f', 0)
                     .arg(compared),
                 QStringLiteral("every value equal to 4 decimals"),
                 compared == 3 * stored && differing == 0);
    return 0;
}
