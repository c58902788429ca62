#include "livechart.h"
#include "backdroppicture.h"

#include "axistag.h"
#include "measurecursors.h"
#include "rangehandler_p.h"
#include "redrawpacer.h"

#include <cmath>
#include <limits>

// ---------------------------------------------------------------------------
// Profiles of the three tool charts

namespace {
// Graph colours: voltage light blue, current green, power red.
QColor voltageColor()
{
    return QColor(119, 228, 255);
}
QColor currentColor()
{
    return QColor(0, 255, 0);
}
QColor powerColor()
{
    return QColor(255, 0, 0);
}
// On paper: dark blue, green and orange, whose greys (about 41, 101 and 142
// of 255) are far enough apart to tell the traces apart in greyscale print.
QColor voltagePrintColor()
{
    return QColor(0, 40, 150);
}
QColor currentPrintColor()
{
    return QColor(0, 160, 60);
}
QColor powerPrintColor()
{
    return QColor(240, 120, 0);
}
} // namespace

const ChartProfile &meterChartProfile()
{
    static const ChartProfile profile = [] {
        ChartProfile p;
        p.graphCount = 3;
        p.rightAxisPadding = 50;
        p.rightAxisStyled = {true, true, true};
        p.graphColor = {voltageColor(), currentColor(), powerColor()};
        p.printGraphColor = {voltagePrintColor(), currentPrintColor(), powerPrintColor()};
        p.tagDecimals = {4, 4, 4};
        p.tagUnit = {"V", "A", "W"};
        p.minRecordingSpan = 100;
        p.maxRecordingSpan = 10000;
        p.scanLowestIndex = 1;
        p.enoughDataBeforeStep = true;
        p.nominalPeriodUs = 50000; // 20 Sa/s
        p.readoutDecimals = {4, 4, 4};
        return p;
    }();
    return profile;
}

const ChartProfile &powerChartProfile()
{
    static const ChartProfile profile = [] {
        ChartProfile p;
        p.graphCount = 3;
        p.rightAxisPadding = 30;
        p.rightAxisStyled = {true, true, true};
        p.graphColor = {voltageColor(), currentColor(), powerColor()};
        p.printGraphColor = {voltagePrintColor(), currentPrintColor(), powerPrintColor()};
        p.tagDecimals = {2, 3, 2};
        p.tagUnit = {"V", "A", "W"};
        p.minRecordingSpan = 100;
        p.maxRecordingSpan = 10000;
        p.scanLowestIndex = 0;
        p.enoughDataBeforeStep = false;
        p.nominalPeriodUs = 48000;
        p.readoutDecimals = {2, 3, 2};
        return p;
    }();
    return profile;
}

const ChartProfile &bootLineChartProfile()
{
    // One graph, the current, on right axis 0; right axes 1 and 2 exist but
    // keep QCustomPlot's default look, and no padding is set.
    static const ChartProfile profile = [] {
        ChartProfile p;
        p.graphCount = 1;
        p.rightAxisPadding = -1;
        p.rightAxisStyled = {true, false, false};
        p.graphColor = {currentColor(), QColor(), QColor()};
        p.printGraphColor = {currentPrintColor(), QColor(), QColor()};
        p.tagDecimals = {2, 0, 0};
        p.tagUnit = {"A", "", ""};
        p.minRecordingSpan = 400;
        p.maxRecordingSpan = 10000;
        p.scanLowestIndex = 0;
        p.enoughDataBeforeStep = false;
        p.nominalPeriodUs = 2000;
        p.readoutDecimals = {3, 0, 0};
        return p;
    }();
    return profile;
}

// ---------------------------------------------------------------------------
// State

LiveChartState::LiveChartState()
    : tags{nullptr, nullptr, nullptr}, chartRunning(false), enoughData(false), spanSamples(0),
      tagIndex(0), tagValue{0, 0, 0}, scanWindow(0), scanMax{0, 0, 0}, axisMax{0, 0, 0},
      maximaReady(false), scanInFlight(false), pageShown(std::make_shared<std::atomic<bool>>(false))
{
}

// A scan still in flight owns what it was handed, including a reference to
// the page-shown flag; its result dies with the watcher.
LiveChartState::~LiveChartState() = default;

// ---------------------------------------------------------------------------
// Helpers

using QuorvalineCharts::graphCountOf;

namespace {

// Truncation toward zero into an int without undefined behaviour for the
// huge sizes QCustomPlot allows (up to 1e250).
int truncToInt(double v)
{
    if (!(v == v))
        return 0;
    if (v >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    if (v <= double(std::numeric_limits<int>::min()))
        return std::numeric_limits<int>::min();
    return int(v);
}

QCPAxis *rightAxis(QCustomPlot *plot, int k)
{
    QCPAxisRect *rect = plot->axisRect(0);
    if (!rect || k >= rect->axisCount(QCPAxis::atRight))
        return nullptr;
    return rect->axis(QCPAxis::atRight, k);
}

void applyValueAxes(QCustomPlot *plot, LiveChartState &state, const ChartProfile &profile)
{
    const int count = graphCountOf(profile);
    for (int k = 0; k < count; ++k) {
        QCPAxis *axis = state.graphs[k] ? state.graphs[k]->valueAxis() : rightAxis(plot, k);
        if (axis)
            axis->setRange(0, state.axisMax[k] + 1);
    }
}

} // namespace

namespace QuorvalineCharts {
void applyValueAxesAndReplot(QCustomPlot *plot, LiveChartState &state, const ChartProfile &profile)
{
    applyValueAxes(plot, state, profile);
    plot->replot(QCustomPlot::rpRefreshHint);
}
} // namespace QuorvalineCharts

// ---------------------------------------------------------------------------
// Chart set-up (the range-change connection is the caller's)

namespace {
constexpr int kOuterTagRoom = 28;
}

void setupLiveChart(QCustomPlot *plot, LiveChartState &state, const ChartProfile &profile)
{
    const int count = graphCountOf(profile);

    // Top axis and right axis 0 shown.
    plot->xAxis2->setVisible(true);
    plot->yAxis2->setVisible(true);

    // Two more right axes, for the current and the power.
    QCPAxisRect *rect = plot->axisRect(0);
    rect->addAxis(QCPAxis::atRight);
    rect->addAxis(QCPAxis::atRight);
    QCPAxis *right[3] = {rect->axis(QCPAxis::atRight, 0), rect->axis(QCPAxis::atRight, 1),
                         rect->axis(QCPAxis::atRight, 2)};

    // Padding of the right axes (meter 50, power supply 30, boot line none).
    if (profile.rightAxisPadding >= 0) {
        for (QCPAxis *axis : right)
            axis->setPadding(profile.rightAxisPadding);
    }

    // The bottom axis's rangeChanged signal is connected to the tool's
    // range-change slot by the caller.

    // Graph k on the bottom axis and right axis k. The legend stays hidden, so
    // the graphs are not put in it: its entries would still be measured at
    // every redraw.
    plot->setAutoAddPlottableToLegend(false);
    for (int k = 0; k < 3; ++k)
        state.graphs[k] = k < count ? plot->addGraph(plot->xAxis, right[k]) : nullptr;
    // Three graphs: voltage, current, power; one: the current.
    statistics::Roles roles;
    roles.traces = count;
    if (count == 3) {
        roles.voltage = 0;
        roles.current = 1;
        roles.power = 2;
    } else {
        roles.current = 0;
    }
    state.series.setRoles(roles);
    state.nominalPeriodUs = profile.nominalPeriodUs;

    // Transparent background: no brush at all. A fully transparent brush, such
    // as a gradient whose only colour has alpha 0, shows the same picture but
    // is still filled pixel by pixel over the whole chart at every redraw,
    // which costs more than all the rest of the chart's paint.
    plot->setBackground(QBrush(Qt::NoBrush));

    // Dashed dark grey grid.
    const QPen gridPen(QBrush(QColor(50, 50, 50), Qt::SolidPattern), 1.0, Qt::DashLine,
                       Qt::SquareCap, Qt::BevelJoin);
    plot->xAxis->grid()->setPen(gridPen);
    plot->yAxis->grid()->setPen(gridPen);
    plot->xAxis->grid()->setZeroLinePen(QPen(Qt::lightGray));
    plot->yAxis->grid()->setZeroLinePen(gridPen);

    // Light grey axis pens: tick and sub-tick pens, then base pens.
    QPen axisPen;
    axisPen.setColor(QColor(192, 192, 192));
    axisPen.setWidth(1);
    const bool styled1 = profile.rightAxisStyled[1];
    const bool styled2 = profile.rightAxisStyled[2];
    {
        QCPAxis *tickAxes[6] = {right[0],
                                plot->yAxis,
                                plot->xAxis2,
                                plot->xAxis,
                                styled1 ? right[1] : nullptr,
                                styled2 ? right[2] : nullptr};
        for (QCPAxis *axis : tickAxes) {
            if (!axis)
                continue;
            axis->setTickPen(axisPen);
            axis->setSubTickPen(axisPen);
        }
        QCPAxis *baseAxes[6] = {right[0],
                                plot->xAxis,
                                plot->xAxis2,
                                plot->yAxis,
                                styled1 ? right[1] : nullptr,
                                styled2 ? right[2] : nullptr};
        for (QCPAxis *axis : baseAxes) {
            if (axis)
                axis->setBasePen(axisPen);
        }
    }

    // Light grey tick labels.
    const QColor labelColor(192, 192, 192);
    plot->xAxis->setTickLabelColor(labelColor);
    right[0]->setTickLabelColor(labelColor);
    if (styled1)
        right[1]->setTickLabelColor(labelColor);
    if (styled2)
        right[2]->setTickLabelColor(labelColor);

    // No tick labels on the top and left axes (the left one carries the grid).
    plot->xAxis2->setTickLabels(false);
    plot->yAxis->setTickLabels(false);

    // The user drags and zooms the view and may select graphs, axes and the
    // legend.
    plot->setInteractions(QCP::iRangeDrag | QCP::iRangeZoom | QCP::iSelectPlottables |
                          QCP::iSelectAxes | QCP::iSelectLegend);

    // Graph pens.
    for (int k = 0; k < count; ++k)
        state.graphs[k]->setPen(QPen(profile.graphColor[k]));

    // One tag per graph, on the graph's value axis, in the graph's colour,
    // showing zero until the first range change.
    for (int k = 0; k < 3; ++k) {
        if (k >= count) {
            state.tags[k] = nullptr;
            continue;
        }
        AxisTag *tag = new AxisTag(state.graphs[k]->valueAxis());
        tag->setPen(state.graphs[k]->pen());
        tag->setText(QString::number(0.0, 'f', profile.tagDecimals[k]) +
                     QLatin1String(profile.tagUnit[k]));
        state.tags[k] = tag;
    }

    // The background is transparent; the chart's picture is cleared to the
    // black of the backdrop behind it, so the chart covers its area itself and
    // the backdrop is not painted again under it at every redraw.
    drawOnBackdrop(plot, Qt::black);
    // The tag of the outermost value axis is drawn right of it, outside the
    // axis rect: keep room for its text inside the widget.
    plot->plotLayout()->setMinimumMargins(QMargins(0, 0, kOuterTagRoom, 0));
    // The tags' layer is drawn with the others into one picture: every redraw
    // draws every layer anyway, and a picture of its own would cost a clear
    // and a blend of the whole chart area per redraw.
    if (QCPLayer *overlay = plot->layer(QStringLiteral("overlay")))
        overlay->setMode(QCPLayer::lmLogical);
    state.redraw = new RedrawPacer(plot);
    plot->replot();
}

// ---------------------------------------------------------------------------
// Visible width

void updateSpan(QCustomPlot *plot, LiveChartState &state, const ChartProfile &profile)
{
    const double size = plot->xAxis->range().size();
    if (state.chartRunning) {
        if (size < profile.minRecordingSpan)
            state.spanSamples = profile.minRecordingSpan;
        else if (size > profile.maxRecordingSpan)
            state.spanSamples = profile.maxRecordingSpan;
        else
            state.spanSamples = truncToInt(size);
    } else {
        state.spanSamples = truncToInt(size);
    }
}

// ---------------------------------------------------------------------------
// Sample append

namespace {
// The one append loop: each of the first `count` graphs gets its value with
// key = that graph's data count before the append.
void appendValues(LiveChartState &state, const double *values, int count)
{
    for (int k = 0; k < count && k < 3 && state.graphs[k]; ++k)
        state.graphs[k]->addData(state.graphs[k]->dataCount(), values[k]);
}
} // namespace

void appendSample(LiveChartState &state, qint64 atUs, const double values[])
{
    appendValues(state, values, 3);
    state.series.appendMeasured(atUs, values);
}

void appendSample(LiveChartState &state, qint64 atUs, std::initializer_list<double> values)
{
    appendValues(state, values.begin(), int(values.size()));
    state.series.appendMeasured(atUs, values.begin());
}

void appendSample(LiveChartState &state, const double values[])
{
    appendValues(state, values, 3);
    state.series.appendNominal(state.nominalPeriodUs, values);
}

void appendSample(LiveChartState &state, std::initializer_list<double> values)
{
    appendValues(state, values.begin(), int(values.size()));
    state.series.appendNominal(state.nominalPeriodUs, values.begin());
}

void seriesViews(const LiveChartState &state, chartfile::ValueSeries views[3])
{
    for (int k = 0; k < 3; ++k) {
        const QCPGraph *graph = state.graphs[k];
        if (!graph || graph->data()->isEmpty()) {
            views[k] = chartfile::ValueSeries();
            continue;
        }
        const QCPGraphDataContainer &data = *graph->data();
        views[k] = chartfile::ValueSeries(&data.constBegin()->value, data.size(),
                                          qint64(sizeof(QCPGraphData)));
    }
}

void indexLoadedPoints(LiveChartState &state)
{
    chartfile::ValueSeries views[3];
    seriesViews(state, views);
    qint64 count = 0;
    for (const chartfile::ValueSeries &view : views)
        count = qMax(count, view.count);
    const int traces = state.series.roles().traces;
    double row[3];
    for (qint64 i = state.series.count(); i < count; ++i) {
        for (int k = 0; k < traces; ++k)
            row[k] = i < views[k].count ? views[k][i] : std::numeric_limits<double>::quiet_NaN();
        state.series.appendNominal(state.nominalPeriodUs, row);
    }
}

// ---------------------------------------------------------------------------
// Recording step

void recordingStep(QCustomPlot *plot, LiveChartState &state, const ChartProfile &profile)
{
    // The meter tests for enough data before it moves the view.
    if (profile.enoughDataBeforeStep && !state.enoughData && plot->xAxis->range().upper > 10)
        state.enoughData = true;

    // Cover all keys.
    plot->xAxis->rescale(false);

    // End at the new upper bound with the chosen width; top axis alike.
    const double upper = plot->xAxis->range().upper;
    plot->xAxis->setRange(upper, state.spanSamples, Qt::AlignRight);
    plot->xAxis2->setRange(upper, state.spanSamples, Qt::AlignRight);

    // Value axes 0 ... axisMax + 1.
    applyValueAxes(plot, state, profile);

    // One redraw request, carried out at the display's rate.
    if (state.redraw)
        state.redraw->request();
    else
        plot->replot(QCustomPlot::rpRefreshHint);

    // The power supply and the boot line test for enough data afterwards.
    if (!profile.enoughDataBeforeStep && !state.enoughData && plot->xAxis->range().upper > 10)
        state.enoughData = true;
}

void flushRedraw(LiveChartState &state)
{
    if (state.redraw)
        state.redraw->flush();
}

// ---------------------------------------------------------------------------
// Chart clear

void clearChart(QCustomPlot *plot, LiveChartState &state, const ChartProfile &profile)
{
    const int count = graphCountOf(profile);
    for (int k = 0; k < count; ++k) {
        if (state.graphs[k])
            state.graphs[k]->data()->clear();
    }
    state.series.clear();
    delete state.cursors; // they measured what is gone
    plot->replot(QCustomPlot::rpRefreshHint);
    state.enoughData = false;
}
