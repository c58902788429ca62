// Internal to the chart code: what a maxima scan hands back to the GUI
// thread, and helpers shared by the recording step and the range handling.
#ifndef QUORVALINE_CHARTS_RANGEHANDLER_P_H
#define QUORVALINE_CHARTS_RANGEHANDLER_P_H

#include <QFutureWatcher>

#include "livechart.h"

namespace QuorvalineCharts {

// The result of one maxima scan, returned through its QFuture.
struct MaximaScanResult {
    bool changed = false; // false: the page was hidden when the scan started
    int graphCount = 0;
    double scanWindow = 0;
    double scanMax[3] = {0, 0, 0};
};

// Graphs of a chart by its profile: 1 or 3, never outside 0 … 3.
inline int graphCountOf(const ChartProfile &profile)
{
    return profile.graphCount < 0 ? 0 : (profile.graphCount > 3 ? 3 : profile.graphCount);
}

void applyValueAxesAndReplot(QCustomPlot *plot, LiveChartState &state, const ChartProfile &profile);

} // namespace QuorvalineCharts

#endif // QUORVALINE_CHARTS_RANGEHANDLER_P_H
