// The boot line page of the main window: set-up, the 2 ms poll carrying the
// trigger, the readings and the current chart.
#include "app/widget.h"

#include "app/opaquebackdrop.h"
#include "app/readinglabel.h"
#include "charts/livechart.h"
#include "charts/rangehandler.h"
#include "tools/bootline/bootcheckpanel.h"
#include "tools/bootline/bootlinereport.h"
#include "tools/bootline/onekeyline.h"
#include "ui_widget.h"

#include <QTimer>

void Widget::setupBootLinePage()
{
    oneKeyLine = std::make_unique<OneKeyLine>();
    oneKeyLine->pollTimer = new QTimer(this);
    oneKeyLine->pollTimer->setTimerType(Qt::PreciseTimer);
    connect(oneKeyLine->pollTimer, &QTimer::timeout, this, &Widget::oneKeyLineChartProcess);

    // The chart's black backdrop and the reading labels cover their areas: a
    // redraw or a new reading repaints them alone.
    opaquebackdrop::markPlain(ui->widget_35);
    opaquebackdrop::mark({ui->oneKeyLine_uLabel, ui->oneKeyLine_iLabel, ui->oneKeyLine_pLabel,
                          ui->oneKeyLine_maxiLabel, ui->oneKeyLineCountTime});

    oneKeyLine->readingLabels = new ReadingLabels(oneKeyLine.get());

    setupLiveChart(ui->oneKeyLineChart, *oneKeyLine, bootLineChartProfile());
    connect(ui->oneKeyLineChart->xAxis, SIGNAL(rangeChanged(QCPRange)), this,
            SLOT(oneKeyLineChartRangeChangeEvent()));

    // The boot check: the captures, the reference, its band and verdict.
    bootCheck = std::make_unique<BootCheckPanel>(this, ui, oneKeyLine.get());
}

void Widget::resumeBootLinePoll()
{
    if (!oneKeyLine || !oneKeyLine->pollPaused)
        return;
    oneKeyLine->pollPaused = false;
    oneKeyLine->pollTimer->start(); // with its 2 ms
}

void Widget::toggleBootLineChart()
{
    oneKeyLine->chartRunning = !oneKeyLine->chartRunning;
    oneKeyLine->series.markGap(); // nothing was charted while paused
    ui->oneKeyLineChartSwitch->setText(oneKeyLine->chartRunning ? tr("暂停") : tr("开始"));
}

void Widget::oneKeyLineChartProcess()
{
    // A boot line recording to disk is polled on every page.
    const bool shown = toolPageShown(BootLinePage);
    if (!shown && !recordsToDisk(Tool::BootLine)) {
        // Nothing to do until the page is shown or a recording starts: the
        // timer rests meanwhile, as 500 wake-ups a second for nothing cost
        // about 2 % of a core on their own.
        if (oneKeyLine->pollTimer->isActive()) {
            oneKeyLine->pollTimer->stop();
            oneKeyLine->pollPaused = true;
            oneKeyLine->series.markGap(); // the chart takes nothing meanwhile
        }
        return;
    }
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

    // One exchange; a recording of the boot line has had its reading by the
    // time the page takes it.
    const bootline::Answer *answer = line.poll();
    if (!answer)
        return; // dropped silently: the next poll tries again
    const bootline::Reading *reading = &answer->reading;

    line.voltage = reading->volts;
    line.current = reading->amps;
    line.peakCurrent = reading->peakAmps;
    line.countTime = reading->tenths;

    if (line.chartRunning) {
        const double values[1] = {line.current};
        appendSample(line, answer->sample.atUs, values);
        if (shown) // a hidden chart is drawn when its page is shown again
            recordingStep(ui->oneKeyLineChart, line, profile);
    }

    line.shownVoltage = line.voltage;
    line.shownCurrent = line.current;
    line.shownPower = line.voltage * line.current;
    // The labels take the newest texts at the display's rate, each only when
    // its text changes.
    ReadingLabels &labels = *line.readingLabels;
    labels.show(ui->oneKeyLine_uLabel, QString::number(line.shownVoltage, 'f', 3));
    labels.show(ui->oneKeyLine_iLabel, QString::number(line.shownCurrent, 'f', 3));
    labels.show(ui->oneKeyLine_pLabel,
                QString::number(line.shownVoltage * line.shownCurrent, 'f', 2));
    labels.show(ui->oneKeyLine_maxiLabel, QString::number(line.peakCurrent, 'f', 3));

    labels.show(ui->oneKeyLineCountTime, bootline::elapsedText(line.countTime));
}

void Widget::oneKeyLineChartRangeChangeEvent()
{
    handleRangeChange(ui->oneKeyLineChart, *oneKeyLine, bootLineChartProfile(),
                      toolPageShown(BootLinePage));
}
