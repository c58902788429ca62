#include "rangehandler.h"

#include "axistag.h"
#include "rangehandler_p.h"

#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>

using QuorvalineCharts::graphCountOf;
using QuorvalineCharts::MaximaScanResult;

namespace {

// What the range change hands to the scan's pool task: the maxima of the
// window, taken on the GUI thread, and a reference that keeps the tool's
// page-shown flag alive while the task waits or runs, even if the tool state
// is destroyed meanwhile.
struct ScanHandOver {
    std::shared_ptr<const std::atomic<bool>> pageShownOwner;
    MaximaScanResult maxima;
};

// The scan's task, on a thread of the global pool. It owns its hand-over and
// touches nothing else but the page-shown flag, which it is given by address:
// it must load the flag before it may read the hand-over (see
// startMaximaScan).
MaximaScanResult finishMaximaScan(const std::atomic<bool> *pageShown, ScanHandOver *handOver)
{
    const std::unique_ptr<ScanHandOver> owned(handOver);
    // The page was hidden before the scan started: end without change.
    if (!pageShown->load(std::memory_order_acquire))
        return MaximaScanResult();
    MaximaScanResult result = owned->maxima;
    result.changed = true;
    return result;
}

// The largest of `start` and the values of a graph's samples at positions
// first … last, as far as the graph has them.
double maximumOf(const QCPGraph *graph, int first, int last, double start)
{
    if (!graph)
        return start;
    // One reference to the container for the whole walk.
    const QSharedPointer<QCPGraphDataContainer> data = graph->data();
    first = std::max(first, 0);
    last = std::min(last, data->size() - 1);
    if (first > last)
        return start;
    // Four running maxima over interleaved samples, so that each comparison
    // need not wait for the one before; a value is taken only if it is
    // greater, as in one running maximum.
    double m0 = start, m1 = start, m2 = start, m3 = start;
    auto it = data->constBegin() + first;
    const auto end = data->constBegin() + last + 1;
    for (; end - it >= 4; it += 4) {
        m0 = std::max(m0, it[0].value);
        m1 = std::max(m1, it[1].value);
        m2 = std::max(m2, it[2].value);
        m3 = std::max(m3, it[3].value);
    }
    for (; it != end; ++it)
        m0 = std::max(m0, it->value);
    return std::max(std::max(m0, m1), std::max(m2, m3));
}

// Result of a finished scan, taken on the GUI thread. A scan that found the
// page hidden when it started, or a result that arrives after the page was
// hidden, changes nothing.
void takeScanResult(LiveChartState &state)
{
    state.scanInFlight = false;
    const MaximaScanResult result = state.scanWatcher->result();
    if (!result.changed || !state.isPageShown())
        return;
    state.scanWindow = result.scanWindow;
    for (int k = 0; k < result.graphCount; ++k) {
        state.scanMax[k] = result.scanMax[k];
        state.axisMax[k] = result.scanMax[k];
    }
    state.maximaReady = true;
}

// Starts a maxima scan. The walk over the window, which reads the graphs,
// runs here on the GUI thread, the only thread that touches them: taking each
// graph's maximum on the way costs less than copying the window for a pool
// thread to walk (figures in charts/README.md). The maxima then go through a
// task on the global pool, which checks the page when it starts, and come back
// when the event loop delivers the watcher's finished signal.
void startMaximaScan(LiveChartState &state, const ChartProfile &profile)
{
    const QCPGraph *graph0 = state.graphs[0];
    if (!graph0)
        return;
    const int count = graphCountOf(profile);

    std::unique_ptr<ScanHandOver> handOver(new ScanHandOver);
    handOver->pageShownOwner = state.pageShown;
    MaximaScanResult &maxima = handOver->maxima;
    maxima.graphCount = count;

    // The scan examines every sample while there are fewer than 100, otherwise
    // as many as the view is wide, but never more than there are.
    const int n = graph0->dataCount();
    const int window = n <= 99 ? n : std::min(state.spanSamples, n);
    maxima.scanWindow = window;

    // Each graph's maximum starts at its value at the right edge of the view.
    for (int k = 0; k < count; ++k)
        maxima.scanMax[k] = state.tagValue[k];

    if (state.chartRunning) {
        // Recording: the newest `window` samples of each graph.
        for (int k = 0; k < count; ++k) {
            const QCPGraph *graph = state.graphs[k];
            const int available = graph ? graph->dataCount() : 0;
            maxima.scanMax[k] =
                maximumOf(graph, available - window, available - 1, maxima.scanMax[k]);
        }
    } else {
        // Stopped: from the right edge of the view back over at most `window`
        // samples, down to the profile's lowest index.
        const int lowest = profile.scanLowestIndex;
        const int edge = state.tagIndex;
        if (window > 0 && edge >= lowest && n >= edge) {
            const int first = edge - std::min(window, edge - lowest + 1) + 1;
            for (int k = 0; k < count; ++k)
                maxima.scanMax[k] = maximumOf(state.graphs[k], first, edge, maxima.scanMax[k]);
        }
    }

    if (!state.scanWatcher) {
        state.scanWatcher.reset(new QFutureWatcher<MaximaScanResult>);
        QObject::connect(state.scanWatcher.get(), &QFutureWatcherBase::finished,
                         state.scanWatcher.get(), [&state] { takeScanResult(state); });
    }
    // The flag is true here (the page is shown and the scan allowed). Storing
    // it once more, with release order, after the hand-over is complete
    // publishes the hand-over to the task, which loads the flag first.
    state.setPageShown(true);
    state.scanInFlight = true;
    state.scanWatcher->setFuture(QtConcurrent::run(QThreadPool::globalInstance(), finishMaximaScan,
                                                   state.pageShown.get(), handOver.release()));
}

} // namespace

void handleRangeChange(QCustomPlot *plot, LiveChartState &state, const ChartProfile &profile,
                       bool pageShown, bool scanAllowed)
{
    state.setPageShown(pageShown && scanAllowed);

    // Only while the tool's page is shown.
    if (!pageShown || !plot)
        return;
    QCPGraph *graph0 = state.graphs[0];
    if (!graph0)
        return;
    const int count = graphCountOf(profile);
    const int count0 = graph0->dataCount();

    // The sample at the right edge of the view (truncated toward zero),
    // clamped to the newest sample, then to 0.
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

    // No data: the tags stay as they are and no scan starts.
    if (count0 == 0)
        return;

    // The tags show the values at the right edge: all moves, then all texts.
    for (int k = 0; k < count; ++k) {
        const QCPGraph *graph = state.graphs[k];
        state.tagValue[k] =
            (graph && index < graph->dataCount()) ? graph->dataMainValue(index) : 0.0;
    }
    for (int k = 0; k < count; ++k) {
        if (state.tags[k])
            state.tags[k]->moveToValue(state.tagValue[k]);
    }
    for (int k = 0; k < count; ++k) {
        if (state.tags[k])
            state.tags[k]->setText(QString::number(state.tagValue[k], 'f', profile.tagDecimals[k]) +
                                   QLatin1String(profile.tagUnit[k]));
    }

    // A finished scan's maxima are taken (and, when not recording, applied to
    // the value axes at once; while recording the recording step applies
    // them). Otherwise a new scan starts, unless one of this tool is still in
    // flight.
    if (state.maximaReady) {
        if (!state.chartRunning)
            QuorvalineCharts::applyValueAxesAndReplot(plot, state, profile);
        state.maximaReady = false;
        return;
    }
    if (scanAllowed && !state.scanInFlight)
        startMaximaScan(state, profile);
}
