// Internal to the range handling: the maxima scan's job and the
// GUI-thread object its result is delivered to.
#ifndef QUORVALINE_CHARTS_RANGEHANDLER_P_H
#define QUORVALINE_CHARTS_RANGEHANDLER_P_H

#include <QObject>
#include <QVector>

#include <atomic>

#include "livechart.h"

struct LiveChartState;
class QCustomPlot;

namespace QuorvalineCharts {

class ScanReceiver;

// One maxima scan. The GUI thread fills the inputs and publishes the job
// (release store of `published`) before it hands the job's address to the
// pool; the pool thread acquires that before it reads anything. The pool
// thread writes the outputs, asks the receiver to take them and, as its very
// last access to the job, publishes them (release store of `done`); the GUI
// thread acquires `done` before it reads them or frees the job. The job is
// owned by the LiveChartState (scanJob) until its result has been taken.
struct ScanJob {
    // Inputs, written on the GUI thread before publication.
    const std::atomic<bool> *pageShown = nullptr; // the tool's page-shown flag
    ScanReceiver *receiver = nullptr;             // lives on the GUI thread
    int graphCount = 0;
    double tagValue[3] = {0, 0, 0};
    double scanWindow = 0;
    QVector<double> window[3]; // values the walk visits, newest/rightmost first
    std::atomic<bool> published{false};

    // Outputs, written on the pool thread before `done`.
    bool changed = false; // false: the page was hidden when the scan started
    double scanMax[3] = {0, 0, 0};
    std::atomic<bool> done{false};
};

// Lives on the GUI thread, owned by the LiveChartState. The pool thread
// calls deliverScanResult() through a queued, argument-free invocation, so
// the call itself carries no data; the result is read from the state's job.
// A call that arrives before the job is marked done re-queues itself.
class ScanReceiver : public QObject {
    Q_OBJECT
public:
    explicit ScanReceiver(LiveChartState *state) : mState(state) {}

public slots:
    void deliverScanResult();

private:
    LiveChartState *mState;
};

// Graphs of a chart by its profile: 1 or 3, never outside 0 … 3.
inline int graphCountOf(const ChartProfile &profile)
{
    return profile.graphCount < 0 ? 0 : (profile.graphCount > 3 ? 3 : profile.graphCount);
}

void applyValueAxesAndReplot(QCustomPlot *plot, LiveChartState &state, const ChartProfile &profile);

} // namespace QuorvalineCharts

#endif // QUORVALINE_CHARTS_RANGEHANDLER_P_H
