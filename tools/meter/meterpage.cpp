// The meter page of the main window: set-up, polling, readings, recording
// and the meter's share of the charge/energy/time counting.
#include "app/widget.h"

#include "app/opaquebackdrop.h"
#include "app/readinglabel.h"
#include "charts/livechart.h"
#include "charts/rangehandler.h"
#include "tools/meter/counting.h"
#include "tools/meter/vc_meter.h"
#include "ui_widget.h"

#include "quorvaline_version.h"

#include <QLabel>
#include <QMessageBox>
#include <QStyledItemDelegate>
#include <QTimer>

namespace {

QString labelStyle(const char *colour)
{
    return QStringLiteral("background-color:rgb(0,0,0);color:%1;border-width: 2px;"
                          "border-style: solid;border-color: rgb(100, 100, 100);")
        .arg(QLatin1String(colour));
}

} // namespace

void Widget::setupMeterPage()
{
    vcMeter = std::make_unique<Vc_Meter>();

    const QList<QLabel *> readings = {
        ui->vcMeter_uLabel,  ui->vcMeter_iLabel,   ui->vcMeter_pLabel,   ui->vcMeter_dpLabel,
        ui->vcMeter_dmLabel, ui->vcMeter_cc1Label, ui->vcMeter_cc2Label, ui->vcMeter_rLabel};
    for (QLabel *label : readings)
        label->setText(QStringLiteral("---"));

    auto *delegate = new QStyledItemDelegate(this);
    ui->vcMeter_fpsComboBox->setItemDelegate(delegate);
    ui->vcMeterPCountComboBox->setItemDelegate(delegate);

    ui->vcMeter_uLabel->setStyleSheet(labelStyle("rgb(119, 228, 255)"));
    ui->vcMeter_iLabel->setStyleSheet(labelStyle("rgb(0, 255, 0)"));
    ui->vcMeter_pLabel->setStyleSheet(labelStyle("rgb(255, 90, 90)"));
    for (QLabel *label :
         {ui->vcMeter_dpLabel, ui->vcMeter_dmLabel, ui->vcMeter_cc1Label, ui->vcMeter_cc2Label,
          ui->vcMeter_rLabel, ui->vcMeter_timeLabel, ui->vcMeter_pcountLabel})
        label->setStyleSheet(labelStyle("rgb(179, 216, 125)"));
    // The chart's black backdrop and the reading labels cover their areas: a
    // redraw or a new reading repaints them alone.
    opaquebackdrop::markPlain(ui->widget);
    opaquebackdrop::mark({ui->vcMeter_uLabel, ui->vcMeter_iLabel, ui->vcMeter_pLabel,
                          ui->vcMeter_dpLabel, ui->vcMeter_dmLabel, ui->vcMeter_cc1Label,
                          ui->vcMeter_cc2Label, ui->vcMeter_rLabel, ui->vcMeter_timeLabel,
                          ui->vcMeter_pcountLabel});

    if (!vcMeter->chartRunning)
        ui->vcMeter_chartStart->setText(tr("开始"));
    if (!vcMeter->counting)
        ui->vcMeter_countStart->setText(tr("开始"));

    applyMeterRate(ui->vcMeter_fpsComboBox->currentIndex());

    ui->vcMeter_pageStackedWidget->setCurrentIndex(0);
    connect(ui->vcMeter_helpBackBtn, &QPushButton::clicked, this,
            [this] { ui->vcMeter_pageStackedWidget->setCurrentIndex(0); });
    // The help page names the program's version under its back button.
    auto *version =
        new QLabel(tr("版本 %1").arg(QLatin1String(QUORVALINE_VERSION)), ui->vcMeterToolHelp);
    version->setObjectName(QStringLiteral("vcMeter_versionLabel"));
    version->setStyleSheet(QStringLiteral("color: rgb(192, 192, 192);"));
    version->setGeometry(20, 70, 300, 24);

    setupLiveChart(ui->Chart_Widget, *vcMeter, meterChartProfile());
    connect(ui->Chart_Widget->xAxis, SIGNAL(rangeChanged(QCPRange)), this,
            SLOT(vcMeterRangeChangeEvent()));
}

void Widget::applyMeterRate(int index)
{
    if (const meter::RateSetting *rate = meter::rateForIndex(index)) {
        vcMeter->rateCode = rate->rateCode;
        // A chart data file's samples take the rate chosen.
        vcMeter->nominalPeriodUs = 1000000 / rate->rateCode;
    }
}

void Widget::on_vcMeter_fpsComboBox_currentIndexChanged(int index)
{
    applyMeterRate(index);
    if (const meter::RateSetting *rate = meter::rateForIndex(index))
        vcMeter->pollIntervalMs = rate->pollIntervalMs;
    meterPollTimer->setInterval(vcMeter->pollIntervalMs);
}

void Widget::toggleMeterRecording()
{
    vcMeter->chartRunning = !vcMeter->chartRunning;
    vcMeter->series.markGap(); // nothing was charted while paused
    ui->vcMeter_chartStart->setText(vcMeter->chartRunning ? tr("暂停") : tr("开始"));
}

void Widget::vcMeterTimerSlot()
{
    // A meter recording to disk, or with stop conditions armed, is polled on
    // every page.
    const bool shown = toolPageShown(MeterPage);
    if (!shown && !recordsToDisk(Tool::Meter) && !stopConditionsNeedPolls(Tool::Meter)) {
        vcMeter->series.markGap(); // the chart takes nothing meanwhile
        return;
    }
    Vc_Meter &m = *vcMeter;
    const ChartProfile &profile = meterChartProfile();
    updateSpan(ui->Chart_Widget, m, profile);
    m.voltage = 0;
    m.current = 0;

    if (!m.hidDevice || !m.present) {
        if (m.chartRunning) {
            m.shownVoltage = m.shownCurrent = m.shownPower = 0;
            m.dPlus = m.dMinus = m.cc1 = m.cc2 = 0;
            m.shownLoad = 0;
            m.chartRunning = false;
            ui->vcMeter_chartStart->setText(tr("开始"));
            QMessageBox::information(this, tr("提示"), tr("设备未连接!!"), QMessageBox::Ok);
        }
        return;
    }

    // One exchange, decoded once by the engine; a recording of the meter
    // has had its samples by the time the chart takes them.
    const meter::Answer *answer = m.poll();
    if (!answer)
        return;

    auto takeSample = [&m, answer](int n) {
        m.voltage = answer->samples[n].volts;
        m.current = answer->samples[n].amps;
    };
    auto appendTaken = [&m, answer](int n) {
        const double values[3] = {m.voltage, m.current, m.voltage * m.current};
        appendSample(m, answer->samples[n].atUs, values);
    };

    if (!m.chartRunning) {
        takeSample(0);
    } else {
        // At the slow rates one report in so many is charted; the reading
        // shown is the newest sample either way.
        if (answer->count > 0) {
            takeSample(0);
            if (meter::takeAtRate(m.decimation, *answer->rate)) {
                for (int n = 0; n < answer->count; ++n) {
                    takeSample(n);
                    appendTaken(n);
                }
            }
        }
        if (shown) // a hidden chart is drawn when its page is shown again
            recordingStep(ui->Chart_Widget, m, profile);
    }

    const meter::LineVoltages &lines = answer->lines;
    m.dPlus = lines.dPlus;
    m.dMinus = lines.dMinus;
    m.cc1 = lines.cc1;
    m.cc2 = lines.cc2;
    m.shownVoltage = m.voltage;
    m.shownCurrent = m.current;
    m.shownPower = m.voltage * m.current;
    m.shownLoad = meter::loadOhms(m.voltage, m.current);
    // A stop condition met by this answer: after the chart has its sample.
    handleStopFiring(Tool::Meter);
}

void Widget::vcMeterRangeChangeEvent()
{
    handleRangeChange(ui->Chart_Widget, *vcMeter, meterChartProfile(), toolPageShown(MeterPage));
}

void Widget::refreshMeterLabels()
{
    const Vc_Meter &m = *vcMeter;
    const bool shown = toolPageShown(MeterPage);
    if (shown) {
        const struct {
            QLabel *label;
            double value;
            int decimals;
        } readings[] = {
            {ui->vcMeter_uLabel, m.shownVoltage, 4}, {ui->vcMeter_iLabel, m.shownCurrent, 4},
            {ui->vcMeter_pLabel, m.shownPower, 4},   {ui->vcMeter_dpLabel, m.dPlus, 4},
            {ui->vcMeter_dmLabel, m.dMinus, 4},      {ui->vcMeter_cc1Label, m.cc1, 4},
            {ui->vcMeter_cc2Label, m.cc2, 4},        {ui->vcMeter_rLabel, m.shownLoad, 2},
        };
        for (const auto &reading : readings) {
            readinglabel::show(reading.label,
                               m.hidDevice ? meter::readingText(reading.value, reading.decimals)
                                           : QStringLiteral("---"));
        }
    }
    readinglabel::show(ui->vcMeter_timeLabel, counting::timeText(m.countTicks));
    if (shown) {
        const double count =
            ui->vcMeterPCountComboBox->currentIndex() == 0 ? m.chargeMah : m.energyMwh;
        readinglabel::show(ui->vcMeter_pcountLabel, QString::number(count, 'f', 2));
    }
}

void Widget::toggleMeterCounting()
{
    vcMeter->counting = !vcMeter->counting;
    ui->vcMeter_countStart->setText(vcMeter->counting ? tr("停止") : tr("开始"));
}

void Widget::resetMeterCounts()
{
    counting::reset(*vcMeter);
}

void Widget::countMeter()
{
    Vc_Meter &m = *vcMeter;
    if (m.counting && m.hidDevice && toolPageShown(MeterPage))
        counting::addTick(m, m.shownCurrent, m.shownPower);
}
