// The boot line page of the main window: set-up, the 2 ms poll carrying the
// trigger, the readings and the current chart.
#include "app/widget.h"

#include "charts/livechart.h"
#include "charts/rangehandler.h"
#include "device/hidtransaction.h"
#include "tools/bootline/onekeyline.h"
#include "ui_widget.h"

#include <QTimer>

namespace {
constexpr quint8 kReadCommand = 0x06;
constexpr quint8 kAnswerCode = 0x08;
} // namespace

void Widget::setupBootLinePage()
{
    oneKeyLine = new OneKeyLine;
    oneKeyLine->pollTimer = new QTimer;
    oneKeyLine->pollTimer->setTimerType(Qt::PreciseTimer);
    connect(oneKeyLine->pollTimer, &QTimer::timeout, this, &Widget::oneKeyLineChartProcess);

    setupLiveChart(ui->oneKeyLineChart, *oneKeyLine, bootLineChartProfile());
    connect(ui->oneKeyLineChart->xAxis, SIGNAL(rangeChanged(QCPRange)), this,
            SLOT(oneKeyLineChartRangeChangeEvent()));
}

void Widget::toggleBootLineChart()
{
    oneKeyLine->chartRunning = !oneKeyLine->chartRunning;
    ui->oneKeyLineChartSwitch->setText(oneKeyLine->chartRunning ? tr("暂停") : tr("开始"));
}

void Widget::oneKeyLineChartProcess()
{
    if (!toolPageShown(BootLinePage))
        return;
    OneKeyLine &line = *oneKeyLine;
    const ChartProfile &profile = bootLineChartProfile();
    updateSpan(ui->oneKeyLineChart, line, profile);
    line.voltage = 0;
    line.current = 0;

    if (!line.hidDevice || !line.present) {
        // The switch reads "开始" whenever charting is off: only a running
        // chart has anything to change, which keeps this 2 ms path cheap.
        if (line.chartRunning) {
            line.chartRunning = false;
            ui->oneKeyLineChartSwitch->setText(tr("开始"));
        }
        return;
    }

    hid::beginReport(line.outReport, kReadCommand);
    line.outReport[2] = line.trigger;
    if (hid::transact(line.hidDevice, line.outReport, line.inReport) <= 0 ||
        line.inReport[0] != kAnswerCode)
        return;

    line.voltage = hid::readU16(line.inReport + 4) / 1000.0;
    line.current = hid::readU16(line.inReport + 6) / 1000.0;
    line.peakCurrent = hid::readU16(line.inReport + 8) / 1000.0;
    line.countTime = hid::readU16(line.inReport + 10);

    if (line.chartRunning) {
        const double values[1] = {line.current};
        appendSample(line, values);
        recordingStep(ui->oneKeyLineChart, line, profile);
    }

    line.shownVoltage = line.voltage;
    line.shownCurrent = line.current;
    line.shownPower = line.voltage * line.current;
    ui->oneKeyLine_uLabel->setText(QString::number(line.shownVoltage, 'f', 3));
    ui->oneKeyLine_iLabel->setText(QString::number(line.shownCurrent, 'f', 3));
    ui->oneKeyLine_pLabel->setText(QString::number(line.shownVoltage * line.shownCurrent, 'f', 2));
    ui->oneKeyLine_maxiLabel->setText(QString::number(line.peakCurrent, 'f', 3));

    // The device counts up to 65535 tenths; the display runs 00:00 to 59:59.
    int tenths = line.countTime;
    if (tenths >= 36000)
        tenths -= 36000;
    std::snprintf(textBuffer, sizeof textBuffer, "%02d:%02d", tenths / 600,
                  line.countTime % 600 / 10);
    ui->oneKeyLineCountTime->setText(QString::fromLatin1(textBuffer));
}

void Widget::oneKeyLineChartRangeChangeEvent()
{
    handleRangeChange(ui->oneKeyLineChart, *oneKeyLine, bootLineChartProfile(),
                      toolPageShown(BootLinePage));
}
