#include "rangehandler.h"

#include "axistag.h"
#include "rangehandler_p.h"

#include <QMetaObject>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>

using QuorvalineCharts::graphCountOf;
using QuorvalineCharts::ScanJob;
using QuorvalineCharts::ScanReceiver;

namespace {

// Value of the sample at `position` of a graph (its data container is sorted
// by key, keys are the sample indexes).
double valueAt(const QCPGraph *graph, int position)
{
    return (graph->data()->constBegin() + position)->value;
}

// Maxima scan, on a thread of the global pool. It
// touches nothing but its own job and the page-shown flag. The job is passed
// by address: the state owns it until the GUI thread has taken the result.
void runMaximaScan(ScanJob *job)
{
    // Pairs with the GUI thread's release store after filling the inputs.
    const bool published = job->published.load(std::memory_order_acquire);
    Q_ASSERT(published);
    Q_UNUSED(published);

    // 1. Page not shown: end without change.
    if (!job->pageShown->load(std::memory_order_acquire)) {
        job->changed = false;
    } else {
        // 2. scanMax starts at the tag values; 3-6. walk the copied window.
        for (int k = 0; k < job->graphCount; ++k) {
            double maximum = job->tagValue[k];
            for (double value : qAsConst(job->window[k])) {
                if (value > maximum)
                    maximum = value;
            }
            job->scanMax[k] = maximum;
        }
        job->changed = true;
    }

    // 7. The result goes back whole: ask the GUI thread to take it, then
    //    publish it. The job is not touched after the release store.
    QMetaObject::invokeMethod(job->receiver, "deliverScanResult", Qt::QueuedConnection);
    job->done.store(true, std::memory_order_release);
}

// Copies, for every graph, the values at the positions the walk visits:
// positionOf(graph's data count, step) for step 0, 1, … steps - 1, skipping
// positions the graph does not have.
template <class PositionOf>
void copyWalk(ScanJob &job, const LiveChartState &state, int count, int steps,
              PositionOf positionOf)
{
    for (int k = 0; k < count; ++k) {
        const QCPGraph *graph = state.graphs[k];
        if (!graph)
            continue;
        const int available = graph->dataCount();
        job.window[k].reserve(steps);
        for (int c = 0; c < steps; ++c) {
            const int position = positionOf(available, c);
            if (position >= 0 && position < available)
                job.window[k].append(valueAt(graph, position));
        }
    }
}

// Copies, on the GUI thread, exactly the samples the walk of scan steps 3-6
// visits, and starts the scan.
void startMaximaScan(LiveChartState &state, const ChartProfile &profile)
{
    const int count = graphCountOf(profile);
    QCPGraph *graph0 = state.graphs[0];
    if (!graph0)
        return;

    if (!state.scanReceiver)
        state.scanReceiver = new ScanReceiver(&state);

    std::unique_ptr<ScanJob> job(new ScanJob);
    job->pageShown = &state.pageShown;
    job->receiver = state.scanReceiver;
    job->graphCount = count;

    // 3. n = data count of graph 0; scanWindow = n when n <= 99, otherwise
    //    spanSamples when spanSamples <= n, else n.
    const int n = graph0->dataCount();
    const int window = n <= 99 ? n : (state.spanSamples <= n ? state.spanSamples : n);
    job->scanWindow = window;

    for (int k = 0; k < count; ++k)
        job->tagValue[k] = state.tagValue[k];

    if (state.chartRunning) {
        // 5. From the newest sample back over at most scanWindow samples; stop
        //    when graph 0 has no more samples.
        const int steps = std::max(0, std::min(window, n));
        copyWalk(*job, state, count, steps,
                 [](int available, int c) { return available - (c + 1); });
    } else {
        // 6. From the right edge of the view (tagIndex) back toward the lowest
        //    index of the profile, over at most scanWindow samples.
        const int lowest = profile.scanLowestIndex;
        const int tagIndex = state.tagIndex;
        if (window > 0 && tagIndex >= lowest && n >= tagIndex) {
            const int steps = std::min(window, tagIndex - lowest + 1);
            copyWalk(*job, state, count, steps, [tagIndex](int, int c) { return tagIndex - c; });
        }
    }

    job->published.store(true, std::memory_order_release);
    ScanJob *handed = job.get();
    state.scanJob = std::move(job);
    state.scanInFlight = true;
    // The future is kept only so that the state's destructor can wait for it;
    // nobody else waits for the scan.
    state.scanFuture = QtConcurrent::run(QThreadPool::globalInstance(), runMaximaScan, handed);
}

} // namespace

void QuorvalineCharts::ScanReceiver::deliverScanResult()
{
    LiveChartState &state = *mState;
    ScanJob *job = state.scanJob.get();
    if (!job)
        return;
    // Pairs with the pool thread's last release store. The call can overtake
    // that store by a hair: then try again on the next event loop turn.
    if (!job->done.load(std::memory_order_acquire)) {
        QMetaObject::invokeMethod(this, "deliverScanResult", Qt::QueuedConnection);
        return;
    }
    const std::unique_ptr<ScanJob> finished = std::move(state.scanJob);
    state.scanInFlight = false;
    if (!finished->changed || !state.isPageShown())
        return; // page hidden when the scan started, or by now: no change
    state.scanWindow = finished->scanWindow;
    for (int k = 0; k < finished->graphCount; ++k) {
        state.scanMax[k] = finished->scanMax[k];
        state.axisMax[k] = finished->scanMax[k];
    }
    state.maximaReady = true;
}

void handleRangeChange(QCustomPlot *plot, LiveChartState &state, const ChartProfile &profile,
                       bool pageShown, bool scanAllowed)
{
    state.setPageShown(pageShown && scanAllowed);

    // 1. Only while the tool's page is shown.
    if (!pageShown || !plot)
        return;
    QCPGraph *graph0 = state.graphs[0];
    if (!graph0)
        return;
    const int count = graphCountOf(profile);
    const int count0 = graph0->dataCount();

    // 2. Right edge of the view, truncated toward zero; 3. clamped to the
    //    newest sample, then to 0.
    const QCPRange range = plot->xAxis->range();
    const double edge = std::trunc((range.upper - range.lower) + range.lower);
    int index;
    if (!(edge < double(count0)))
        index = count0 - 1;
    else if (edge < 0)
        index = 0;
    else
        index = int(edge);
    if (index < 0)
        index = 0;
    state.tagIndex = index;

    // 4. No data: tags stay, no scan.
    if (count0 == 0)
        return;

    // 5. Values at the right edge.
    for (int k = 0; k < count; ++k) {
        const QCPGraph *graph = state.graphs[k];
        state.tagValue[k] = (graph && index < graph->dataCount()) ? valueAt(graph, index) : 0.0;
    }

    // 6. Tags: all moves, then all texts.
    for (int k = 0; k < count; ++k) {
        if (state.tags[k])
            state.tags[k]->moveToValue(state.tagValue[k]);
    }
    for (int k = 0; k < count; ++k) {
        if (state.tags[k])
            state.tags[k]->setText(QString::number(state.tagValue[k], 'f', profile.tagDecimals[k]) +
                                   QLatin1String(profile.tagUnit[k]));
    }

    // 7. Take a ready result (and, when not recording, apply it), or start a
    //    scan unless one of this tool is still in flight.
    if (state.maximaReady) {
        if (!state.chartRunning)
            QuorvalineCharts::applyValueAxesAndReplot(plot, state, profile);
        state.maximaReady = false;
        return;
    }
    if (scanAllowed && !state.scanInFlight)
        startMaximaScan(state, profile);
}
