// The cost of one meter poll with recording, measured through the real window
// on the simulated bus: the meter at 100 Sa/s (five samples per report), the
// chart recording with a visible window of 10000 samples, once with 10 000
// samples stored and once with 3 000 000. Both windows live side by side and
// are measured in alternating blocks so that machine noise hits both alike.
// Also measures the memory each stored sample takes.
//
// Run with QT_QPA_PLATFORM=offscreen (./dev bench). Always exits 0: it is a
// measurement that prints its verdict, not a test.
#include "tests/support/paintcounter.h"
#include "bench/benchsupport.h"
#include "charts/livechart.h"
#include "tests/support/scans.h"
#include "tests/support/testbench.h"

#include <QApplication>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QThreadPool>
#include <QVector>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <malloc.h>
#include <numeric>
#include <utility>
#include <vector>

using benchsupport::median;

namespace {

constexpr int kRateIndex100 = 6;       // sampling-rate combo: 100 Sa/s, rate code 100
constexpr int kSamplesPerPoll = 5;     // samples in one report at rate code 100
constexpr int kVisibleSamples = 10000; // the widest view while recording
constexpr int kFewStored = 10000;
constexpr int kManyStored = 3000000;
constexpr int kWarmUpPolls = 30;
constexpr int kRounds = 30;
constexpr int kPollsPerBlock = 10; // kRounds * kPollsPerBlock polls per case
constexpr int kAppendedForMemory = 1000000;
constexpr double kTargetRatio = 1.5;

struct MemorySnapshot {
    long long resident;
    long long heap;

    static MemorySnapshot take()
    {
        malloc_trim(0); // return freed temporaries, so that only kept data counts
        return {benchsupport::residentBytes(), benchsupport::heapInUseBytes()};
    }
};

// One window with its own meter chart, measured as one case.
struct PollCase {
    PollCase(const char *caseName, int stored, testbench::Window caseWindow)
        : name(caseName), prefilled(stored), window(std::move(caseWindow))
    {
    }

    const char *name;
    int prefilled;
    testbench::Window window;
    std::vector<double> pollMicros;   // the poll slot itself, on the GUI thread
    std::vector<double> eventsMicros; // the event delivery after it (scan result, paint)
    testbench::PaintCounter paintCounter;
    int paintsDuringPolls = 0;
    int pollsStartingScan = 0;

    QCustomPlot *chart() const { return window.ui().Chart_Widget; }
    QCPGraph *graph(int k) const { return window->vcMeter->graphs[k].data(); }
    int stored() const { return graph(0)->dataCount(); }

    void pollOnce(bool record)
    {
        const int paintsBefore = paintCounter.paints;
        QElapsedTimer timer;
        timer.start();
        window.pollMeter();
        const qint64 pollNs = timer.nsecsElapsed();
        // Until its result is delivered below, a scan started by this poll is in flight.
        const bool startedScan = window->vcMeter->scanInFlight;
        const int paints = paintCounter.paints - paintsBefore;
        QThreadPool::globalInstance()->waitForDone(); // the pool thread's share, not timed
        timer.restart();
        QCoreApplication::processEvents();
        const qint64 eventsNs = timer.nsecsElapsed();
        if (record) {
            pollMicros.push_back(pollNs / 1000.0);
            eventsMicros.push_back(eventsNs / 1000.0);
            paintsDuringPolls += paints;
            pollsStartingScan += startedScan ? 1 : 0;
        }
    }
};

// Stores `count` samples in the three graphs at once (keys 0..count-1, sorted,
// values that vary so the lines are not flat), then shows the newest
// kVisibleSamples, as a long recording would.
void prefill(PollCase &pollCase, int count)
{
    {
        QVector<double> keys(count);
        QVector<double> values[3] = {QVector<double>(count), QVector<double>(count),
                                     QVector<double>(count)};
        for (int i = 0; i < count; ++i) {
            keys[i] = i;
            const double volts = 5.0 + 0.05 * std::sin(i * 0.01);
            const double amps = 1.0 + 0.5 * std::sin(i * 0.0007);
            values[0][i] = volts;
            values[1][i] = amps;
            values[2][i] = volts * amps;
        }
        for (int k = 0; k < 3; ++k)
            pollCase.graph(k)->addData(keys, values[k], true);
    }
    QCustomPlot *chart = pollCase.chart();
    chart->xAxis->setRange(count - kVisibleSamples, count);
    chart->xAxis2->setRange(count - kVisibleSamples, count);
    chart->replot(QCustomPlot::rpRefreshHint);
    testbench::settleScans();
}

double mean(const std::vector<double> &values)
{
    if (values.empty())
        return 0;
    return std::accumulate(values.begin(), values.end(), 0.0) / values.size();
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t at = std::min(values.size() - 1, size_t(fraction * (values.size() - 1) + 0.5));
    return values[at];
}

void printMemoryLine(const char *what, const MemorySnapshot &before, const MemorySnapshot &after,
                     long long samples)
{
    const double theoretical = 3 * sizeof(QCPGraphData);
    const double residentPerSample = double(after.resident - before.resident) / samples;
    const double heapPerSample = double(after.heap - before.heap) / samples;
    std::printf("  %-34s %10lld  %12.1f B %12.1f B   %5.2f x / %5.2f x\n", what, samples,
                residentPerSample, heapPerSample, residentPerSample / theoretical,
                heapPerSample / theoretical);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    testbench::ModalCloser closeBoxes; // a stray message box must not stop the run

    // Both windows first: creating a window starts from a fresh bus.
    PollCase few("10 000 stored", kFewStored, testbench::makeWindow());
    PollCase many("3 000 000 stored", kManyStored, testbench::makeWindow());
    auto meter = std::make_shared<sim::MeterModel>();
    meter->setReading(5.0, 1.0);
    sim::bus().attach(meter);

    for (PollCase *pollCase : {&few, &many}) {
        Widget &widget = *pollCase->window.widget;
        widget.discoverDevices(); // opens the meter and starts recording
        pollCase->window.ui().vcMeter_fpsComboBox->setCurrentIndex(kRateIndex100);
        widget.show();
        pollCase->chart()->installEventFilter(&pollCase->paintCounter);
    }
    QCoreApplication::processEvents(); // lay out and paint the shown windows

    prefill(few, few.prefilled);
    const MemorySnapshot beforeBulk = MemorySnapshot::take();
    prefill(many, many.prefilled);
    const MemorySnapshot afterBulk = MemorySnapshot::take();

    bool setupOk = testbench::hasSlot(few.window.widget.get(), "vcMeterTimerSlot");
    if (!setupOk)
        std::printf("set-up failed: the window has no slot vcMeterTimerSlot\n");
    for (PollCase *pollCase : {&few, &many}) {
        const Vc_Meter &m = *pollCase->window->vcMeter;
        if (!m.chartRunning || m.rateCode != 100 || !m.hidDevice) {
            std::printf("set-up failed for %s: recording %d, rate code %d, device %s\n",
                        pollCase->name, int(m.chartRunning), int(m.rateCode),
                        m.hidDevice ? "open" : "closed");
            setupOk = false;
        }
    }
    if (!setupOk)
        return 0;

    for (int i = 0; i < kWarmUpPolls; ++i) {
        few.pollOnce(false);
        many.pollOnce(false);
    }

    const int fewBefore = few.stored();
    const int manyBefore = many.stored();
    QElapsedTimer wall;
    wall.start();
    for (int round = 0; round < kRounds; ++round) {
        // A B, then B A: neither case always follows the other.
        PollCase *order[2] = {&few, &many};
        if (round % 2)
            std::swap(order[0], order[1]);
        for (PollCase *pollCase : order) {
            for (int i = 0; i < kPollsPerBlock; ++i)
                pollCase->pollOnce(true);
        }
    }
    const qint64 measuredMs = wall.elapsed();

    const int polls = kRounds * kPollsPerBlock;
    const bool immediate = few.chart()->plottingHints().testFlag(QCP::phImmediateRefresh);
    std::printf("Meter poll with recording, real window on the simulated bus\n");
    std::printf("  rate code %d (%d samples per report), visible window %d samples, "
                "%d polls per case after %d warm-up polls, alternating blocks of %d\n",
                int(few.window->vcMeter->rateCode), kSamplesPerPoll, kVisibleSamples, polls,
                kWarmUpPolls, kPollsPerBlock);
    std::printf("  chart %dx%d px, windows shown; replot(rpRefreshHint) repaints at once: %s\n",
                few.chart()->width(), few.chart()->height(), immediate ? "yes" : "no");
    std::printf("  measured in %lld ms\n\n", static_cast<long long>(measuredMs));

    std::printf("  %-18s %14s %12s %12s %12s %12s %16s\n", "case", "stored", "median us", "mean us",
                "p90 us", "max us", "events after us");
    for (const PollCase *pollCase : {&few, &many}) {
        std::printf("  %-18s %14d %12.1f %12.1f %12.1f %12.1f %16.1f\n", pollCase->name,
                    pollCase->stored(), median(pollCase->pollMicros), mean(pollCase->pollMicros),
                    percentile(pollCase->pollMicros, 0.9),
                    *std::max_element(pollCase->pollMicros.begin(), pollCase->pollMicros.end()),
                    median(pollCase->eventsMicros));
    }
    const double medianRatio = median(many.pollMicros) / median(few.pollMicros);
    const double meanRatio = mean(many.pollMicros) / mean(few.pollMicros);
    std::printf("  ratio 3 000 000 / 10 000: median %.2f, mean %.2f\n", medianRatio, meanRatio);

    const int appendedFew = few.stored() - fewBefore;
    const int appendedMany = many.stored() - manyBefore;
    std::printf("  samples appended per poll: %.2f / %.2f; visible width after: %.0f / %.0f\n",
                double(appendedFew) / polls, double(appendedMany) / polls,
                few.chart()->xAxis->range().size(), many.chart()->xAxis->range().size());
    std::printf("  chart paints during the polls: %d / %d; polls that started a scan: %d / %d "
                "(of %d each)\n",
                few.paintsDuringPolls, many.paintsDuringPolls, few.pollsStartingScan,
                many.pollsStartingScan, polls);
    std::printf("  (poll: the slot on the GUI thread, the scan window walk included; events after: "
                "the queued scan result and any paint, not part of the poll)\n\n");

    // The program's own append path, one sample at a time, on the small chart.
    const MemorySnapshot beforeAppend = MemorySnapshot::take();
    {
        Vc_Meter &m = *few.window->vcMeter;
        for (int i = 0; i < kAppendedForMemory; ++i) {
            const double values[3] = {5.0, 1.0, 5.0};
            appendSample(m, values);
        }
    }
    const MemorySnapshot afterAppend = MemorySnapshot::take();

    std::printf("Memory per stored sample (one key in each of the three graphs)\n");
    std::printf("  theoretical: 3 graphs x %d bytes (QCPGraphData key + value) = %d bytes\n",
                int(sizeof(QCPGraphData)), int(3 * sizeof(QCPGraphData)));
    std::printf("  %-34s %10s  %14s %14s   %s\n", "added by", "samples", "VmRSS/sample",
                "heap/sample", "vs theoretical (RSS / heap)");
    printMemoryLine("addData of sorted vectors", beforeBulk, afterBulk, kManyStored);
    printMemoryLine("appendSample, one at a time", beforeAppend, afterAppend, kAppendedForMemory);
    std::printf("  (heap: mallinfo2 in-use bytes, counts reserved vector capacity; VmRSS: "
                "touched pages only)\n\n");

    std::printf("target: poll with 3 000 000 stored <= %.1f x poll with 10 000 stored: %s "
                "(ratio %.2f)\n",
                kTargetRatio, medianRatio <= kTargetRatio ? "PASS" : "FAIL", medianRatio);
    benchsupport::reportFigure(
        QStringLiteral("meter poll with 3 000 000 stored: %1 x the poll with 10 000 stored")
            .arg(medianRatio, 0, 'f', 2),
        QStringLiteral("<= %1 x").arg(kTargetRatio), medianRatio <= kTargetRatio);
    return 0;
}
