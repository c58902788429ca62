// Live chart configuration — the one chart set-up, visible-width
// rule, recording step, sample append and chart clear shared by the meter,
// the power supply and the boot line charts. The three charts differ only by
// their ChartProfile.
#ifndef QUORVALINE_CHARTS_LIVECHART_H
#define QUORVALINE_CHARTS_LIVECHART_H

#include <QColor>
#include <QPointer>
#include <QString>

#include <qcustomplot.h>

#include "analysis/seriesindex.h"

#include <array>
#include <atomic>
#include <initializer_list>
#include <memory>

class AxisTag;
class MeasureCursors;
class RedrawPacer;
template <typename T> class QFutureWatcher;

namespace QuorvalineCharts {
struct MaximaScanResult;
} // namespace QuorvalineCharts

// What tells the three tool charts apart, as data. Each profile sets every
// field by name (livechart.cpp).
struct ChartProfile {
    // Graphs on right axes 0, 1, 2: 3 (meter, power supply) or 1 (boot line).
    int graphCount = 0;
    // QCPAxis::setPadding on the three right axes; below 0: not set.
    int rightAxisPadding = -1;
    // Which right axes get the grey pens and tick labels.
    std::array<bool, 3> rightAxisStyled{};
    // Graph pen colour, also the pen of the graph's tag.
    std::array<QColor, 3> graphColor{};
    // The same traces in a printed picture (the light theme of chart export):
    // colours that read on white and stay apart in greyscale.
    std::array<QColor, 3> printGraphColor{};
    // Tag text: QString::number(value, 'f', decimals) followed by the unit.
    std::array<int, 3> tagDecimals{};
    std::array<const char *, 3> tagUnit{{"", "", ""}};
    // Visible width while recording: at least min, at most max samples.
    int minRecordingSpan = 0;
    int maxRecordingSpan = 10000;
    // Lowest sample index a scan examines while not recording.
    int scanLowestIndex = 0;
    // The meter tests for enough data before the recording step moves the
    // view, the others after it.
    bool enoughDataBeforeStep = false;
    // The period of a sample without a time of its own (a chart data file's),
    // in microseconds: the meter's at its default rate (the page follows the
    // rate chosen), the power supply's poll, the boot line's poll.
    qint64 nominalPeriodUs = 0;
    // Decimals of each trace's values in the measuring cursors' readout.
    std::array<int, 3> readoutDecimals{};
};

const ChartProfile &meterChartProfile();
const ChartProfile &powerChartProfile();
const ChartProfile &bootLineChartProfile();

// What a tool object keeps for its chart. The tool state objects inherit it
// publicly (class Vc_Meter : public QWidget, public LiveChartState). All
// fields are zero/false/null after construction. GUI thread only, except the
// page-shown flag, which the maxima scan reads on its pool thread.
struct LiveChartState {
    LiveChartState();
    ~LiveChartState();
    LiveChartState(const LiveChartState &) = delete;
    LiveChartState &operator=(const LiveChartState &) = delete;

    // Chart and recording
    QPointer<QCPGraph> graphs[3];
    // Each point's time, the gaps, and the statistics of its blocks, kept as
    // the points are appended (analysis/seriesindex.h): point i of every
    // graph is point i here.
    statistics::SeriesIndex series;
    // The period of a point without a time of its own, in microseconds
    // (the profile's; the meter's follows its rate).
    qint64 nominalPeriodUs = 0;
    // The measuring cursors while they are shown (charts/measurecursors.h).
    QPointer<MeasureCursors> cursors;
    // Coalesces the chart's redraw requests (a child of the chart, made by
    // setupLiveChart).
    QPointer<RedrawPacer> redraw;
    AxisTag *tags[3];
    bool chartRunning;
    bool enoughData;
    int spanSamples;

    // Range handling: tags and value-axis maxima
    int tagIndex;
    double tagValue[3];
    double scanWindow;
    double scanMax[3];
    double axisMax[3];
    bool maximaReady;

    // Scan bookkeeping: true from the start of a maxima scan until its result
    // has been taken on the GUI thread; at most one scan of a tool runs at a time.
    bool scanInFlight;

    // The scan's condition ("the tool's page is shown"; for the power supply
    // also "adjPowView shows its chart page"). The caller keeps it current:
    // call setPageShown() whenever the page (or view) changes; the range
    // handler also refreshes it at every range change. A scan checks it when
    // it starts on its pool thread, and a result taken while the flag is false
    // is dropped.
    void setPageShown(bool shown) { pageShown->store(shown, std::memory_order_release); }
    bool isPageShown() const { return pageShown->load(std::memory_order_acquire); }
    // Shared with the scan in flight, which may outlive the state.
    const std::shared_ptr<std::atomic<bool>> pageShown;

    // Internal to the range handler: watches the scan in flight on the GUI
    // thread and takes its result when it has finished. Created with the
    // first scan.
    std::unique_ptr<QFutureWatcher<QuorvalineCharts::MaximaScanResult>> scanWatcher;
};

// Chart set-up, except the range-change connection (the caller connects the
// bottom axis's rangeChanged(QCPRange) to its range-change slot). Creates the
// graphs and the tags and stores them in `state`.
void setupLiveChart(QCustomPlot *plot, LiveChartState &state, const ChartProfile &profile);

// Visible width rule, run at the start of every poll: spanSamples from the
// bottom axis range size; clamped to the profile's limits while recording,
// truncated without limits otherwise.
void updateSpan(QCustomPlot *plot, LiveChartState &state, const ChartProfile &profile);

// Appends one sample measured at `atUs` on the engines' clock
// (engine::Sample::atUs): on each graph in order, addData(key = that graph's
// data count before the append, value = values[k]), and its time and values
// to the chart's series index. `values` holds one value per graph of the
// chart (3 or 1).
void appendSample(LiveChartState &state, qint64 atUs, const double values[]);
void appendSample(LiveChartState &state, qint64 atUs, std::initializer_list<double> values);
// The same for a sample without a time of its own: it takes the chart's
// nominal period after the one before.
void appendSample(LiveChartState &state, const double values[]);
void appendSample(LiveChartState &state, std::initializer_list<double> values);

// The points the graphs were given from a chart data file, beyond those the
// series index knows, join it with the nominal period.
void indexLoadedPoints(LiveChartState &state);

// The graphs' values as views for the series index (one per trace).
void seriesViews(const LiveChartState &state, chartfile::ValueSeries views[3]);

// Recording step (run after the samples of a report are appended,
// only while chartRunning): rescale, scroll, value axes 0..axisMax+1, a
// redraw request, and the enough-data test before (meter) or after (others)
// the step. The ranges and tags are set at once; the redraw comes at the
// display's rate (RedrawPacer), together with those of the other polls since
// the last one.
void recordingStep(QCustomPlot *plot, LiveChartState &state, const ChartProfile &profile);

// Carries out the chart's pending redraw at once, if there is one: for
// whoever must see the chart as it stands after the last recording step (a
// picture of the page, a test).
void flushRedraw(LiveChartState &state);

// Chart clear: empties the graphs and the series index, removes the
// measuring cursors, replots, enoughData = false. Axis ranges, tags, axisMax
// and the recording state stay.
void clearChart(QCustomPlot *plot, LiveChartState &state, const ChartProfile &profile);

#endif // QUORVALINE_CHARTS_LIVECHART_H
