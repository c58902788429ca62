// Chart range handling: the one range-change handling of the three tool
// charts. The tags follow the right edge of the view; the value-axis maxima
// come from a background scan on Qt's global thread pool.
#ifndef QUORVALINE_CHARTS_RANGEHANDLER_H
#define QUORVALINE_CHARTS_RANGEHANDLER_H

#include "livechart.h"

// Body of a tool's range-change slot (vcMeterRangeChangeEvent,
// adjPowerRangeChangeEvent, oneKeyLineChartRangeChangeEvent), in full.
// GUI thread only.
//   pageShown   — toolsStackedWidget shows the tool's page; otherwise the
//                 slot does nothing.
//   scanAllowed — the tool's further condition for the scan (power supply:
//                 adjPowView shows its chart page; others: true).
// The state's page-shown flag is set to pageShown && scanAllowed.
//
// The tags move to the sample at the right edge of the view and show its
// values. Then either the maxima of the last finished scan are taken (and,
// when not recording, applied to the value axes at once), or a new scan
// starts: the maxima of the samples it examines are taken here, on the GUI
// thread that owns the graphs; a task on QThreadPool::globalInstance(),
// started with QtConcurrent::run, ends without change if the page-shown flag
// is false when it starts and otherwise returns them; a QFutureWatcher on the
// GUI thread takes the result (dropped if the page is hidden by then) and sets
// scanMax, axisMax, scanWindow and maximaReady. At most one scan per tool is
// in flight; a range change while it runs starts none.
void handleRangeChange(QCustomPlot *plot, LiveChartState &state, const ChartProfile &profile,
                       bool pageShown, bool scanAllowed = true);

#endif // QUORVALINE_CHARTS_RANGEHANDLER_H
