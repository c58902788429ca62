// Saving a tool's chart to a chart data file and loading one into it, and
// exporting it as a CSV file or an image: one body for the meter, the power
// supply and the boot line, which differ only by their chart, graphs, file
// format and remembered file name.
#include "widget.h"

#include "charts/chartexport.h"
#include "charts/livechart.h"
#include "charts/measurecursors.h"
#include "files/chartcsv.h"
#include "files/chartfile.h"
#include "tools/bootline/onekeyline.h"
#include "tools/meter/vc_meter.h"
#include "tools/power/adjpower.h"
#include "ui_widget.h"

#include <QDateTime>
#include <QFileInfo>
#include <QMessageBox>
#include <QSaveFile>

#include <algorithm>
#include <iterator>
#include <limits>
#include <utility>

namespace {

struct ChartFileTarget {
    QCustomPlot *chart;
    LiveChartState &state;
    QString &openedName; // the name last returned by the open dialog
    const chartfile::Format &format;
    const ChartProfile &profile;
};

// The values of a graph as the writer reads them, in key order, in place.
chartfile::ValueSeries valuesOf(const QCPGraph *graph)
{
    if (!graph || graph->data()->isEmpty())
        return {};
    const QCPGraphDataContainer &data = *graph->data();
    return {&data.constBegin()->value, data.size(), qint64(sizeof(QCPGraphData))};
}

// Gathers the values a reader hands over into one vector of points per
// graph, keys continuing after the points already there, and gives each
// graph its vector in one piece at the end. With the counts known in advance
// the vectors are made exactly as large as they end up, so loading takes no
// more memory than the loaded points themselves and a few blocks.
class GraphAppender : public chartfile::SeriesSink {
public:
    explicit GraphAppender(const LiveChartState &state) : m_state(state) {}

    void reserve(int series, qint64 count) override
    {
        if (count > 0) // a series the file does not add to stays untouched
            start(series, count);
    }

    void append(int series, const double *values, int count) override
    {
        QVector<QCPGraphData> *points = start(series, 0);
        if (!points)
            return;
        const int first = points->size();
        count = qMin(count, kMaxPoints - first);
        if (count <= 0)
            return;
        points->resize(first + count);
        QCPGraphData *point = points->data() + first;
        for (int i = 0; i < count; ++i) {
            point[i].key = first + i;
            point[i].value = values[i];
        }
        m_added = true;
    }

    // Hands each graph its points; the graph's previous data is let go.
    void finish()
    {
        for (int k = 0; k < 3; ++k) {
            if (!m_started[k] || !m_state.graphs[k])
                continue;
            m_state.graphs[k]->data()->set(m_points[k], m_sorted[k]);
            m_points[k] = QVector<QCPGraphData>();
        }
    }
    bool added() const { return m_added; }

private:
    static constexpr int kMaxPoints = std::numeric_limits<int>::max() / int(sizeof(QCPGraphData));

    // The points of a graph, starting with those it already holds, with room
    // for `coming` more.
    QVector<QCPGraphData> *start(int series, qint64 coming)
    {
        QCPGraph *graph = m_state.graphs[series];
        if (!graph)
            return nullptr;
        QVector<QCPGraphData> &points = m_points[series];
        if (!m_started[series]) {
            m_started[series] = true;
            const QCPGraphDataContainer &held = *graph->data();
            points.reserve(int(qMin<qint64>(held.size() + coming, kMaxPoints)));
            std::copy(held.constBegin(), held.constEnd(), std::back_inserter(points));
            // Keys are sample numbers 0, 1, 2, ...: the new ones come after.
            m_sorted[series] = held.isEmpty() || (held.constEnd() - 1)->key < held.size();
        }
        return &points;
    }

    const LiveChartState &m_state;
    QVector<QCPGraphData> m_points[3];
    bool m_started[3] = {false, false, false};
    bool m_sorted[3] = {true, true, true};
    bool m_added = false;
};

ChartFileTarget chartFileTarget(Widget::Tool tool, Ui_Widget &ui, Vc_Meter &meter, AdjPower &power,
                                OneKeyLine &line)
{
    switch (tool) {
    case Widget::Tool::PowerSupply:
        return {ui.adjPowChart, power, power.chartFileName, chartfile::powerSupplyFormat(),
                powerChartProfile()};
    case Widget::Tool::BootLine:
        return {ui.oneKeyLineChart, line, line.chartFileName, chartfile::bootLineFormat(),
                bootLineChartProfile()};
    case Widget::Tool::Meter:
        break;
    }
    return {ui.Chart_Widget, meter, meter.chartFileName, chartfile::meterFormat(),
            meterChartProfile()};
}

} // namespace

void Widget::saveChartFile(Tool tool)
{
    const ChartFileTarget target = chartFileTarget(tool, *ui, *vcMeter, *adjPower, *oneKeyLine);
    if (!target.state.enoughData) {
        QMessageBox::information(this, tr("提示"), tr("数据不足，无法保存"), QMessageBox::Ok);
        return;
    }
    const QString name = fileDialogs.saveFileName(this, QStringLiteral("保存图表"), QString(),
                                                  QStringLiteral("*.cts"));
    if (name.isEmpty())
        return; // cancelled

    // Written to a temporary file beside the target and renamed over it only
    // when complete: a failed save (disk full) leaves the previous file as it
    // was, and the user is told.
    QSaveFile file(name);
    bool saved = file.open(QIODevice::WriteOnly | QIODevice::Text);
    if (saved) {
        chartfile::ValueSeries series[3];
        for (int k = 0; k < chartfile::seriesCount(target.format.layout); ++k)
            series[k] = valuesOf(target.state.graphs[k]);
        saved = chartfile::write(file, target.format, series) && file.commit();
    }
    if (!saved)
        QMessageBox::information(this, tr("提示"), tr("文件打开失败"), QMessageBox::Ok);
}

void Widget::openChartFile(Tool tool)
{
    const ChartFileTarget target = chartFileTarget(tool, *ui, *vcMeter, *adjPower, *oneKeyLine);
    target.openedName = fileDialogs.openFileName(
        this, QStringLiteral("open"), QStringLiteral("../"), QStringLiteral("CTS(*.cts)"));
    GraphAppender appender(target.state);
    const bool read = chartfile::read(target.openedName, target.format.layout, appender);
    appender.finish();
    // A chart data file carries no times: its samples take the tool's period.
    indexLoadedPoints(target.state);
    // Axis ranges stay, nothing is cleared, recording is neither started nor
    // stopped. Points added before a read failure are shown all the same.
    if (read || appender.added())
        target.chart->replot(QCustomPlot::rpRefreshHint);
    if (!read)
        QMessageBox::information(this, tr("提示"), tr("文件打开失败"), QMessageBox::Ok);
}

QCustomPlot *Widget::chartOf(Tool tool) const
{
    return chartFileTarget(tool, *ui, *vcMeter, *adjPower, *oneKeyLine).chart;
}

LiveChartState &Widget::chartStateOf(Tool tool) const
{
    return chartFileTarget(tool, *ui, *vcMeter, *adjPower, *oneKeyLine).state;
}

void Widget::exportChartCsv(Tool tool)
{
    const ChartFileTarget target = chartFileTarget(tool, *ui, *vcMeter, *adjPower, *oneKeyLine);
    // With the measuring cursors shown, the span between them is offered
    // first.
    const MeasureCursors *cursors = target.state.cursors;
    const QString whole = tr("CSV 文件 (*.csv)");
    const QString span = tr("CSV 文件，光标之间 (*.csv)");
    QString selected = cursors ? span : whole;
    const QString name =
        cursors ? fileDialogs.saveFileNameAndFilter(this, tr("导出 CSV…"), QString(),
                                                    span + QStringLiteral(";;") + whole, &selected)
                : fileDialogs.saveFileName(this, tr("导出 CSV…"), QString(), whole);
    if (name.isEmpty())
        return; // cancelled

    const QList<QByteArray> threeSeries = {"voltage_V", "current_A", "power_W"};
    const QList<QByteArray> oneSeries = {"current_A"};
    const QList<QByteArray> &columns =
        target.format.layout == chartfile::Layout::OneSeries ? oneSeries : threeSeries;
    chartfile::ValueSeries series[3];
    for (int k = 0; k < columns.size(); ++k)
        series[k] = valuesOf(target.state.graphs[k]);
    qint64 first = 0;
    if (cursors && selected == span) {
        first = qMin(cursors->index(0), cursors->index(1));
        const qint64 last = qMax(cursors->index(0), cursors->index(1));
        for (int k = 0; k < columns.size(); ++k) {
            chartfile::ValueSeries &s = series[k];
            const qint64 count = qBound<qint64>(0, qMin(last + 1, s.count) - first, s.count);
            s = count > 0 ? chartfile::ValueSeries(
                                reinterpret_cast<const double *>(s.first + first * s.strideBytes),
                                count, s.strideBytes)
                          : chartfile::ValueSeries();
        }
    }

    // As the chart data file: a failed export leaves an earlier file as it was.
    QSaveFile file(name);
    const bool saved = file.open(QIODevice::WriteOnly) &&
                       chartcsv::write(file, columns, series, first) && file.commit();
    if (!saved)
        QMessageBox::information(this, tr("提示"), tr("无法导出到 %1").arg(name), QMessageBox::Ok);
}

QString Widget::pictureTitle(Tool tool, const QDateTime &exported, const QDateTime &firstSample,
                             const QDateTime &lastSample) const
{
    const QString names[] = {tr("电压电流表"), tr("可调电源"), tr("开机线")};
    const DeviceLink *links[] = {vcMeter.get(), adjPower.get(), oneKeyLine.get()};
    QString instrument = names[int(tool)];
    if (links[int(tool)]->hidDevice)
        instrument += QLatin1Char(' ') + modelOf(tool);
    // Times to the second, as a report quotes them; samples to the
    // millisecond, as the recordings hold them.
    const QString exportFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    const QString sampleFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz");
    QStringList parts{instrument};
    if (firstSample.isValid() && lastSample.isValid())
        parts << tr("样本 %1 至 %2")
                     .arg(firstSample.toString(sampleFormat), lastSample.toString(sampleFormat));
    parts << tr("导出于 %1").arg(exported.toString(exportFormat));
    return parts.join(QStringLiteral(" · "));
}

chartexport::Captions Widget::pictureCaptions(Tool tool, const QDateTime &exported) const
{
    const ChartFileTarget target = chartFileTarget(tool, *ui, *vcMeter, *adjPower, *oneKeyLine);
    chartexport::Captions captions;
    captions.title = pictureTitle(tool, exported, QDateTime(), QDateTime());
    captions.bottomAxis = showsTimeAxis(tool) ? tr("经过时间") : tr("样本序号");
    // The measuring cursors' readout, when they are shown, under the title.
    if (const MeasureCursors *cursors = target.state.cursors)
        captions.notes = cursors->readout().pictureNotes();
    // Each graph's quantity by the unit of its tag.
    for (int k = 0; k < target.profile.graphCount && k < 3; ++k) {
        const QLatin1String unit(target.profile.tagUnit[k]);
        if (unit == QLatin1String("V"))
            captions.valueAxes[k] = tr("电压 (V)");
        else if (unit == QLatin1String("A"))
            captions.valueAxes[k] = tr("电流 (A)");
        else if (unit == QLatin1String("W"))
            captions.valueAxes[k] = tr("功率 (W)");
    }
    return captions;
}

void Widget::exportChartImage(Tool tool)
{
    using chartexport::Format;
    using chartexport::Size;
    using chartexport::Theme;
    // Each size in its usual theme first: the chart size as on screen, the
    // print size light.
    const struct {
        QString filter;
        chartexport::Options options;
    } choices[] = {
        {tr("PNG，图表大小，深色 (*.png)"), {Format::Png, Size::OnScreen, Theme::Dark}},
        {tr("PNG，图表大小，浅色 (*.png)"), {Format::Png, Size::OnScreen, Theme::Light}},
        {tr("PNG，打印尺寸，浅色 (*.png)"), {Format::Png, Size::Print, Theme::Light}},
        {tr("PNG，打印尺寸，深色 (*.png)"), {Format::Png, Size::Print, Theme::Dark}},
        {tr("PDF，图表大小，深色 (*.pdf)"), {Format::Pdf, Size::OnScreen, Theme::Dark}},
        {tr("PDF，图表大小，浅色 (*.pdf)"), {Format::Pdf, Size::OnScreen, Theme::Light}},
        {tr("PDF，打印尺寸，浅色 (*.pdf)"), {Format::Pdf, Size::Print, Theme::Light}},
        {tr("PDF，打印尺寸，深色 (*.pdf)"), {Format::Pdf, Size::Print, Theme::Dark}},
    };
    QStringList filters;
    for (const auto &choice : choices)
        filters << choice.filter;
    QString selected = choices[0].filter;
    // A modal dialog: the polls and redraws of every chart go on meanwhile.
    QString name = fileDialogs.saveFileNameAndFilter(this, tr("导出图片…"), QString(),
                                                     filters.join(QStringLiteral(";;")), &selected);
    if (name.isEmpty())
        return; // cancelled

    chartexport::Options options = choices[0].options;
    for (const auto &choice : choices) {
        if (choice.filter == selected)
            options = choice.options;
    }
    // A typed ending decides the format; without one the filter's is added.
    const QString suffix = QFileInfo(name).suffix().toLower();
    if (suffix == QLatin1String("pdf"))
        options.format = Format::Pdf;
    else if (suffix == QLatin1String("png"))
        options.format = Format::Png;
    else
        name += options.format == Format::Pdf ? QStringLiteral(".pdf") : QStringLiteral(".png");

    // Recorded here from the chart as it stands, then drawn and written on
    // the writer's thread while the polls and redraws go on.
    const ChartFileTarget target = chartFileTarget(tool, *ui, *vcMeter, *adjPower, *oneKeyLine);
    chartexport::RecordedPicture picture =
        chartexport::recordPicture(*target.chart, target.state, target.profile,
                                   pictureCaptions(tool, QDateTime::currentDateTime()), options);
    if (!pictureWriter) {
        pictureWriter = new chartexport::PictureWriter(this);
        connect(pictureWriter, &chartexport::PictureWriter::finished, this,
                [this](const QString &fileName, bool written) {
                    // Said once the file is complete (or could not be
                    // written): the export's dialog closed long before.
                    QMessageBox::information(this, tr("提示"),
                                             written ? tr("已导出到 %1").arg(fileName)
                                                     : tr("无法导出到 %1").arg(fileName),
                                             QMessageBox::Ok);
                });
    }
    pictureWriter->write(std::move(picture), name);
}

int Widget::chartImagesPending() const
{
    return pictureWriter ? pictureWriter->pending() : 0;
}
