// Chart range handling — the one range-change handling of the
// three tool charts: tags follow the right edge of the view, the value-axis
// maxima come from a background scan on Qt's global thread pool.
#ifndef QUORVALINE_CHARTS_RANGEHANDLER_H
#define QUORVALINE_CHARTS_RANGEHANDLER_H

#include "livechart.h"

// Body of a tool's range-change slot (vcMeterRangeChangeEvent,
// adjPowerRangeChangeEvent, oneKeyLineChartRangeChangeEvent), in full.
// GUI thread only.
//   pageShown   — toolsStackedWidget shows the tool's page (slot step 1).
//   scanAllowed — the tool's further condition for the scan (power supply:
//                 adjPowView shows page 0; others: true).
// The state's page-shown flag is set to pageShown && scanAllowed.
//
// The maxima scan started here works on a copy of exactly the samples its
// walk visits, taken on the GUI thread; it runs on
// QThreadPool::globalInstance() through QtConcurrent::run, checks the
// page-shown flag when it starts, and hands its result whole back to the GUI
// thread, where it sets scanMax, axisMax, scanWindow and maximaReady (unless
// the page is hidden by then). At most one scan per tool is in flight; a
// range change while it runs starts none.
void handleRangeChange(QCustomPlot *plot, LiveChartState &state, const ChartProfile &profile,
                       bool pageShown, bool scanAllowed = true);

#endif // QUORVALINE_CHARTS_RANGEHANDLER_H
