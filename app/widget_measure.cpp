// Measuring on a tool's chart: the context menu's "测量" / "Measure" (two
// cursors and their readout, charts/measurecursors.h), "复制测量" / "Copy
// measurement", "时间轴" / "Time axis", and "打开记录…" / "Open recording…",
// which loads a recording of the same tool into the chart with its real
// times and gaps, so that it can be measured.
#include "widget.h"

#include "charts/livechart.h"
#include "charts/measurecursors.h"
#include "charts/timeaxis.h"
#include "files/recordingfile.h"
#include "tools/bootline/onekeyline.h"
#include "tools/meter/vc_meter.h"
#include "tools/power/adjpower.h"
#include "ui_widget.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>

#include <limits>

namespace {

const ChartProfile &profileOf(Widget::Tool tool)
{
    switch (tool) {
    case Widget::Tool::PowerSupply:
        return powerChartProfile();
    case Widget::Tool::BootLine:
        return bootLineChartProfile();
    case Widget::Tool::Meter:
        break;
    }
    return meterChartProfile();
}

// A recording's rows gathered into new points for the chart's graphs and a
// new series index, given to the chart only when the whole file has been
// read: a refused file leaves the chart as it was. With the rows counted
// first, each graph's points take exactly the room they need.
class ChartRows : public recordingfile::RowSink {
public:
    static constexpr qint64 kMaxPoints =
        std::numeric_limits<int>::max() / int(sizeof(QCPGraphData));

    ChartRows(int graphs, const statistics::Roles &roles) : mGraphs(graphs), series(roles) {}

    bool wantsCount() const override { return true; }
    void reserve(qint64 rows) override
    {
        for (int k = 0; k < mGraphs; ++k)
            points[k].reserve(int(qMin(rows, kMaxPoints)));
    }
    void sample(qint64 atUs, const double *values) override
    {
        if (!room())
            return;
        const double key = double(points[0].size());
        for (int k = 0; k < mGraphs; ++k)
            points[k].append(QCPGraphData(key, values[k]));
        series.appendAt(atUs, values);
    }
    void gap(qint64 atUs) override
    {
        if (!room())
            return;
        // A point without a value: a break in the curve.
        const double key = double(points[0].size());
        for (int k = 0; k < mGraphs; ++k)
            points[k].append(QCPGraphData(key, std::numeric_limits<double>::quiet_NaN()));
        series.appendGapPoint(atUs);
    }
    bool room()
    {
        tooMany = tooMany || points[0].size() >= kMaxPoints;
        return !tooMany;
    }

    int mGraphs;
    QVector<QCPGraphData> points[3];
    statistics::SeriesIndex series;
    bool tooMany = false;
};

} // namespace

void Widget::followGaps(Tool tool)
{
    // The instrument went away: the chart's samples before and after are
    // not counted together.
    auto gap = [this, tool](qint64) { chartStateOf(tool).series.markGap(); };
    switch (tool) {
    case Tool::Meter:
        vcMeter->listeners.add({nullptr, gap});
        break;
    case Tool::PowerSupply:
        adjPower->listeners.add({nullptr, gap});
        break;
    case Tool::BootLine:
        oneKeyLine->listeners.add({nullptr, gap});
        break;
    }
}

void Widget::addMeasureActions(QMenu *menu, Tool tool)
{
    const LiveChartState &state = chartStateOf(tool);
    menu->addSeparator();
    QAction *measure = menu->addAction(tr("测量"));
    measure->setCheckable(true);
    measure->setChecked(state.cursors);
    measure->setEnabled(state.cursors || state.series.count() > 0);
    connect(measure, &QAction::triggered, this, [this, tool] { toggleMeasure(tool); });
    QAction *copy = menu->addAction(tr("复制测量"));
    copy->setEnabled(state.cursors);
    connect(copy, &QAction::triggered, this, [this, tool] { copyMeasurement(tool); });
    QAction *timeAxis = menu->addAction(tr("时间轴"));
    timeAxis->setCheckable(true);
    timeAxis->setChecked(showsTimeAxis(tool));
    connect(timeAxis, &QAction::triggered, this, [this, tool] { toggleTimeAxis(tool); });
    connect(menu->addAction(tr("打开记录…")), &QAction::triggered, this, [this, tool] {
        const QString name =
            fileDialogs.openFileName(this, tr("打开记录…"), QString(), tr("CSV 文件 (*.csv)"));
        if (!name.isEmpty())
            openRecording(tool, name);
    });
}

MeasureCursors *Widget::measureCursors(Tool tool) const
{
    return chartStateOf(tool).cursors;
}

bool Widget::toggleMeasure(Tool tool)
{
    LiveChartState &state = chartStateOf(tool);
    if (state.cursors) {
        delete state.cursors;
        return false;
    }
    QCustomPlot *chart = chartOf(tool);
    qint64 a = 0;
    qint64 b = 0;
    if (!MeasureCursors::initialPlace(chart, state, chartMenuPosition.x(), &a, &b))
        return false;
    auto *cursors = new MeasureCursors(chart, state, profileOf(tool), a, b);
    state.cursors = cursors;
    // Esc: removed once the key has been handled.
    connect(cursors, &MeasureCursors::closeRequested, cursors, &QObject::deleteLater);
    chart->setFocus(Qt::OtherFocusReason);
    return true;
}

void Widget::copyMeasurement(Tool tool)
{
    if (const MeasureCursors *cursors = measureCursors(tool))
        QGuiApplication::clipboard()->setText(cursors->readout().clipboardText());
}

bool Widget::showsTimeAxis(Tool tool) const
{
    return dynamic_cast<ElapsedTimeTicker *>(chartOf(tool)->xAxis->ticker().data()) != nullptr;
}

void Widget::toggleTimeAxis(Tool tool)
{
    QCustomPlot *chart = chartOf(tool);
    if (showsTimeAxis(tool))
        chart->xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new QCPAxisTicker));
    else
        chart->xAxis->setTicker(
            QSharedPointer<QCPAxisTicker>(new ElapsedTimeTicker(chartStateOf(tool).series)));
    chart->replot(QCustomPlot::rpQueuedReplot);
}

bool Widget::openRecording(Tool tool, const QString &fileName)
{
    LiveChartState &state = chartStateOf(tool);
    const ChartProfile &profile = profileOf(tool);
    const bool three = profile.graphCount == 3;
    ChartRows rows(profile.graphCount, state.series.roles());
    const QList<QByteArray> columns = three ? QList<QByteArray>{"voltage_V", "current_A", "power_W"}
                                            : QList<QByteArray>{"current_A"};
    const recordingfile::Outcome outcome =
        recordingfile::read(fileName, instrumentOf(tool), columns, rows);
    const QString name = QDir::toNativeSeparators(fileName);
    QString refusal;
    switch (outcome.problem) {
    case recordingfile::Problem::None:
        if (rows.tooMany)
            refusal = tr("%1 的样本太多，图表容纳不下，未载入任何数据。").arg(name);
        break;
    case recordingfile::Problem::CannotOpen:
    case recordingfile::Problem::ReadFailed:
        refusal = tr("文件打开失败");
        break;
    case recordingfile::Problem::NotARecording:
        refusal = tr("%1 不是记录文件。").arg(name);
        break;
    case recordingfile::Problem::OtherInstrument: {
        const recording::Instrument other = *outcome.instrument;
        const QString toolName = other == recording::Instrument::Meter ? tr("电压电流表")
                                 : other == recording::Instrument::PowerSupply ? tr("可调电源")
                                                                               : tr("开机线");
        refusal = tr("%1 是%2的记录，请在%2的图表上打开。").arg(name, toolName);
        break;
    }
    case recordingfile::Problem::Damaged:
        refusal = tr("%1 已损坏（第 %2 行），未载入任何数据。").arg(name).arg(outcome.line);
        break;
    }
    if (!refusal.isEmpty()) {
        QMessageBox::information(this, tr("提示"), refusal, QMessageBox::Ok);
        return false;
    }

    // The recording takes the chart's place: the live chart pauses, so that
    // it does not scroll the recording away.
    if (state.chartRunning) {
        switch (tool) {
        case Tool::Meter:
            toggleMeterRecording();
            break;
        case Tool::PowerSupply:
            togglePowerRecording();
            break;
        case Tool::BootLine:
            toggleBootLineChart();
            break;
        }
    }
    delete state.cursors;
    for (int k = 0; k < profile.graphCount; ++k) {
        if (state.graphs[k])
            state.graphs[k]->data()->set(rows.points[k], true);
    }
    state.series = std::move(rows.series);
    state.enoughData = state.series.count() > 0;
    QCustomPlot *chart = chartOf(tool);
    const qint64 count = state.series.count();
    chart->xAxis->setRange(0, qMax<qint64>(count - 1, 1));
    chart->xAxis2->setRange(chart->xAxis->range());
    chart->replot(QCustomPlot::rpRefreshHint);
    return true;
}
