// The power supply page of the main window: set-up, the 48 ms status request
// that carries the set-points and switches, the readings, gauges, lights and
// chart, and the set-point, switch and preset controls.
#include "app/widget.h"

#include "app/gaugepanel.h"
#include "app/opaquebackdrop.h"
#include "app/readinglabel.h"
#include "charts/axistag.h"
#include "charts/livechart.h"
#include "charts/rangehandler.h"
#include "tools/meter/counting.h"
#include "tools/power/adjpower.h"
#include "tools/power/powerreport.h"
#include "tools/power/setpoint.h"
#include "ui_widget.h"

#include <QButtonGroup>
#include <QMessageBox>
#include <QTimer>

namespace {

// Gauge ranges: the normal scale, and the wider one for a reading beyond it.
constexpr double kVoltageGaugeUpper = 30;
constexpr double kVoltageGaugeExtended = 40;
constexpr double kCurrentGaugeUpper = 5;
constexpr double kCurrentGaugeExtended = 8;

QList<QPushButton *> presetButtons(const Ui_Widget *ui)
{
    return {ui->adjM1PushButton, ui->adjM2PushButton, ui->adjM3PushButton,
            ui->adjM4PushButton, ui->adjM5PushButton, ui->adjM6PushButton};
}

QList<QPushButton *> stateLights(const Ui_Widget *ui)
{
    return {ui->cvLight, ui->ccLight, ui->ovpLight, ui->ocpLight};
}

GaugePanel *makeGauge(double upper, int major, int precision, const QColor &color,
                      const QString &caption, const QString &unit)
{
    auto *gauge = new GaugePanel;
    gauge->setRange(0, upper);
    gauge->setScaleMajor(major);
    gauge->setScaleMinor(10);
    gauge->setPrecision(precision);
    gauge->setTextColor(color);
    QColor ring = color;
    ring.setAlpha(100);
    gauge->setRingColor(ring);
    gauge->setText(caption);
    gauge->setUnit(unit);
    gauge->setStartAngle(90);
    gauge->setEndAngle(90);
    return gauge;
}

// Sets the gauge's scale for the reading and shows it; a reading beyond the
// wider scale leaves the gauge as it is.
void showOnGauge(GaugePanel *gauge, double value, double normal, double extended)
{
    const double upper = power::gaugeUpper(value, normal, extended);
    if (upper <= 0)
        return;
    gauge->setRange(0, upper);
    gauge->setValue(value);
}

} // namespace

void Widget::setupPowerPage()
{
    adjPower = std::make_unique<AdjPower>();
    adjPower->pollTimer = new QTimer(this);
    connect(adjPower->pollTimer, &QTimer::timeout, this, &Widget::adjPowerChartProcess);

    auto *viewGroup = new QButtonGroup(this);
    viewGroup->addButton(ui->adjChartRadioButton);
    viewGroup->addButton(ui->adjMeterRadioButton);
    ui->adjChartRadioButton->setChecked(true);
    ui->adjPowView->setCurrentIndex(kPowerChartView);
    ui->adjNormalRadioButton->setChecked(true);
    ui->adjModeStackedWidget->setCurrentIndex(0);

    adjPower->voltageGauge =
        makeGauge(kVoltageGaugeUpper, 10, 2, QColor(0, 255, 0), tr("电压"), QStringLiteral("V"));
    ui->adjPowVVerticalLayout->addWidget(adjPower->voltageGauge);
    adjPower->currentGauge =
        makeGauge(kCurrentGaugeUpper, 5, 3, QColor(255, 0, 0), tr("电流"), QStringLiteral("A"));
    ui->adjPowAVerticalLayout->addWidget(adjPower->currentGauge);

    // The chart's black backdrop and the reading labels cover their areas: a
    // redraw or a new reading repaints them alone.
    opaquebackdrop::markPlain(ui->adjPowChartBackground);
    opaquebackdrop::mark({ui->adjPowuLabel, ui->adjPowiLabel, ui->adjPowpLabel, ui->adjPowAh,
                          ui->adjPowWh, ui->adjPowCountTime});

    setupLiveChart(ui->adjPowChart, *adjPower, powerChartProfile());
    connect(ui->adjPowChart->xAxis, SIGNAL(rangeChanged(QCPRange)), this,
            SLOT(adjPowerRangeChangeEvent()));
    // Every layout of the empty chart puts its tags back on their axes.
    connect(ui->adjPowChart, &QCustomPlot::afterLayout, this, &Widget::spreadEmptyPowerTags);

    setupProgramPage();

    connect(ui->adjChartRadioButton, &QRadioButton::clicked, this, [this] {
        if (ui->adjChartRadioButton->isChecked())
            showPowerChartView();
    });
    connect(ui->adjMeterRadioButton, &QRadioButton::clicked, this, [this] {
        if (ui->adjMeterRadioButton->isChecked())
            showPowerGaugeView();
    });
    connect(ui->adjPowChartStart, &QPushButton::clicked, this, &Widget::togglePowerRecording);

    connect(ui->adjVoltageLineEdit, &QLineEdit::editingFinished, this, &Widget::formatVoltageEdit);
    connect(ui->adjVoltageDial, &QDial::valueChanged, this, [this](int value) {
        ui->adjVoltageLineEdit->setText(setpoint::textFromUnits(value, setpoint::kVoltage));
    });
    connect(ui->adjCurrentLineEdit, &QLineEdit::editingFinished, this, &Widget::formatCurrentEdit);
    connect(ui->adjCurrentDial, &QDial::valueChanged, this, [this](int value) {
        ui->adjCurrentLineEdit->setText(setpoint::textFromUnits(value, setpoint::kCurrent));
    });
    connect(ui->adjVoltageLineEdit, &QLineEdit::textChanged, this,
            [this](const QString &text) { storePresetSetpoint(text, true); });
    connect(ui->adjCurrentLineEdit, &QLineEdit::textChanged, this,
            [this](const QString &text) { storePresetSetpoint(text, false); });

    const QList<QPushButton *> presets = presetButtons(ui);
    for (int slot = 1; slot <= presets.size(); ++slot)
        connect(presets[slot - 1], &QPushButton::clicked, this,
                [this, slot] { selectPreset(slot); });

    // The switches only change what the next request carries. Switching the
    // output on gives up an off of a stop condition that is on its way.
    connect(ui->adjON_OFFButton, &QPushButton::clicked, this, [this] {
        const bool on = ui->adjON_OFFButton->isChecked();
        if (on)
            adjPower->cancelOutputOff();
        adjPower->outputOn = on;
    });
    connect(ui->adjOCPButton, &QPushButton::clicked, this,
            [this] { adjPower->ocpOn = ui->adjOCPButton->isChecked(); });
    connect(ui->adjOVPButton, &QPushButton::clicked, this,
            [this] { adjPower->ovpOn = ui->adjOVPButton->isChecked(); });

    // Clearing the counts also resumes a counting a stop condition held.
    connect(ui->adjPowClearCountData, &QPushButton::clicked, this, [this] {
        counting::reset(*adjPower);
        powerCountingHeld = false;
    });
}

// ---------------------------------------------------------------------------
// The status request

void Widget::adjPowerChartProcess()
{
    AdjPower &p = *adjPower;
    const bool shown = toolPageShown(PowerPage);
    if (!shown) {
        // Coming back to the page reads the device's settings again. A supply
        // recording to disk, or with stop conditions armed, goes on being
        // polled meanwhile, with read-only requests (its settings are taken
        // over only on its page), except that an output-off of a stop
        // condition goes out until the supply confirms it (the engine then
        // applies the settings the supply reported, output off).
        forgetPowerSelection();
        if (!recordsToDisk(Tool::PowerSupply) && !stopConditionsNeedPolls(Tool::PowerSupply)) {
            p.series.markGap(); // the chart takes nothing meanwhile
            return;
        }
    }
    const ChartProfile &profile = powerChartProfile();
    updateSpan(ui->adjPowChart, p, profile);

    if (!p.hidDevice || !p.present) {
        // Nothing is measured: the gauges must not go on showing the last
        // reading of a supply that has gone.
        p.voltageGauge->setValue(0);
        p.currentGauge->setValue(0);
        if (p.chartRunning) {
            // Once per start attempt: recording stops before the box opens,
            // so the polls that run while it is open say nothing more.
            forgetPowerSelection();
            p.chartRunning = false;
            ui->adjPowChartStart->setText(tr("开始"));
            QMessageBox::information(this, tr("提示"), tr("设备未连接!!"), QMessageBox::Ok);
        }
        return;
    }

    // One exchange; a recording of the supply has had its status by the time
    // the page takes it.
    const power::Answer *answer = p.poll();
    if (!answer)
        return;
    const power::Status &status = answer->status;
    const double watts = answer->sample.watts;

    const bool chartView = ui->adjPowView->currentIndex() == kPowerChartView;
    if (!chartView)
        p.series.markGap(); // the gauges show the readings, the chart takes none
    if (chartView && p.chartRunning) {
        appendSample(p, answer->sample.atUs, {p.voltage, p.current, watts});
        if (shown) // a hidden chart is drawn when its page is shown again
            recordingStep(ui->adjPowChart, p, profile);
    }
    if (!chartView) {
        showOnGauge(p.voltageGauge, p.voltage, kVoltageGaugeUpper, kVoltageGaugeExtended);
        showOnGauge(p.currentGauge, p.current, kCurrentGaugeUpper, kCurrentGaugeExtended);
    }

    p.shownVoltage = p.voltage;
    p.shownCurrent = p.current;
    p.shownPower = watts;

    if (!p.presetsLoaded && shown)
        takeOverPowerSettings(status);

    if (p.followStatus(status))
        ui->adjON_OFFButton->setChecked(false); // the protection holds the output off
    if (answer->confirmsOutputOff) {
        // A stop condition's off: shown once the supply reports it.
        ui->adjON_OFFButton->setChecked(false);
        m_outputOffConfirmed = true;
        showStopBanner(Tool::PowerSupply);
    }

    applySelectedPreset();
    // A stop condition met by this answer: after the chart has its sample.
    handleStopFiring(Tool::PowerSupply);
}

void Widget::forgetPowerSelection()
{
    AdjPower &p = *adjPower;
    p.presetsLoaded = false;
    p.presetIndex = 0;
    p.voltageGauge->setValue(0);
    p.currentGauge->setValue(0);
    for (QPushButton *light : stateLights(ui))
        light->setChecked(false);
}

void Widget::takeOverPowerSettings(const power::Status &status)
{
    AdjPower &p = *adjPower;
    p.takeOver(status, ui->adjVoltageDial->maximum(), ui->adjCurrentDial->maximum());
    const QList<QPushButton *> buttons = presetButtons(ui);
    for (int k = 0; k < power::kPresetCount; ++k)
        buttons[k]->setText(
            power::presetButtonText(k + 1, p.presets[k].presetVoltage, p.presets[k].presetCurrent));
    // The output as the supply reports it: an off on its way shows once the
    // supply has it.
    ui->adjON_OFFButton->setChecked(status.outputOn != 0);
    ui->adjOVPButton->setChecked(p.ovpOn);
    ui->adjOCPButton->setChecked(p.ocpOn);
    // The check marks show the device's selection; with none selected no
    // slot may stay marked from before, while 0 V and 0 A are being sent.
    for (int k = 0; k < buttons.size(); ++k)
        buttons[k]->setChecked(k + 1 == p.presetIndex);
    showSetpointsOnDials();
}

void Widget::applySelectedPreset()
{
    AdjPower &p = *adjPower;
    p.followSelectedPreset();

    power::Lights lights;
    if (!power::lightsForMode(p.mode, &lights))
        return;
    ui->cvLight->setChecked(lights.cv);
    ui->ccLight->setChecked(lights.cc);
    ui->ovpLight->setChecked(lights.ovp);
    ui->ocpLight->setChecked(lights.ocp);
}

// ---------------------------------------------------------------------------
// Set-points and presets

void Widget::showSetpointsOnDials()
{
    showUnitsOnDials(adjPower->voltageSetpoint, adjPower->currentSetpoint);
}

void Widget::showUnitsOnDials(int voltageUnits, int currentUnits)
{
    // The dials rewrite their edits, and the edits store into the selected
    // preset: the same units come back, since the conversion is exact.
    ui->adjVoltageDial->setValue(voltageUnits);
    ui->adjCurrentDial->setValue(currentUnits);
    // A dial already at that value does not signal; its edit may still hold
    // a half-typed text, which must not stay on screen as if it were sent.
    ui->adjVoltageLineEdit->setText(
        setpoint::textFromUnits(ui->adjVoltageDial->value(), setpoint::kVoltage));
    ui->adjCurrentLineEdit->setText(
        setpoint::textFromUnits(ui->adjCurrentDial->value(), setpoint::kCurrent));
}

void Widget::formatVoltageEdit()
{
    const quint16 units = setpoint::unitsFromText(ui->adjVoltageLineEdit->text(),
                                                  adjPower->maxVoltage, setpoint::kVoltage);
    ui->adjVoltageLineEdit->setText(setpoint::textFromUnits(units, setpoint::kVoltage));
    ui->adjVoltageDial->setValue(units);
}

void Widget::formatCurrentEdit()
{
    const quint16 units = setpoint::unitsFromText(ui->adjCurrentLineEdit->text(),
                                                  adjPower->maxCurrent, setpoint::kCurrent);
    ui->adjCurrentLineEdit->setText(setpoint::textFromUnits(units, setpoint::kCurrent));
    ui->adjCurrentDial->setValue(units);
}

void Widget::storePresetSetpoint(const QString &text, bool voltage)
{
    AdjPower &p = *adjPower;
    PowerPreset *preset = p.selectedPreset();
    if (!preset)
        return;
    // The next request carries it, whether or not an answer came since: while
    // the supply's answers fail, it must not go on getting a set-point the
    // controls no longer show.
    if (voltage)
        p.storeVoltage(setpoint::unitsFromText(text, p.maxVoltage, setpoint::kVoltage));
    else
        p.storeCurrent(setpoint::unitsFromText(text, p.maxCurrent, setpoint::kCurrent));
    presetButtons(ui)[p.presetIndex - 1]->setText(
        power::presetButtonText(p.presetIndex, preset->presetVoltage, preset->presetCurrent));
}

void Widget::selectPreset(int slot)
{
    AdjPower &p = *adjPower;
    const QList<QPushButton *> buttons = presetButtons(ui);
    if (!p.presetsLoaded || slot > p.presets.size()) {
        // The device's presets and selection are not known yet (the buttons
        // are enabled a poll before the first answer); its answer selects
        // the slot. Undo the click's check mark and change nothing.
        buttons[slot - 1]->setChecked(!buttons[slot - 1]->isChecked());
        return;
    }
    for (int k = 0; k < buttons.size(); ++k)
        buttons[k]->setChecked(k + 1 == slot);
    p.presetIndex = quint8(slot);
    applySelectedPreset();
    showSetpointsOnDials();
}

// ---------------------------------------------------------------------------
// Views, labels and the chart

void Widget::showPowerChartView()
{
    ui->adjPowView->setCurrentIndex(kPowerChartView);
    ui->adjPowChartStart->setEnabled(true);
    ui->adjPowChartStart->setText(tr("暂停"));
    adjPower->chartRunning = true;
    for (QPushButton *button :
         {ui->adjPowChartOpenButton, ui->adjPowChartSaveButton, ui->adjPowChartClearButton})
        button->setEnabled(true);
}

void Widget::showPowerGaugeView()
{
    ui->adjPowView->setCurrentIndex(kPowerGaugeView);
    ui->adjPowChartStart->setText(tr("开始"));
    adjPower->chartRunning = false;
    for (QPushButton *button : {ui->adjPowChartStart, ui->adjPowChartOpenButton,
                                ui->adjPowChartSaveButton, ui->adjPowChartClearButton})
        button->setEnabled(false);
}

void Widget::togglePowerRecording()
{
    adjPower->chartRunning = !adjPower->chartRunning;
    adjPower->series.markGap(); // nothing was charted while paused
    ui->adjPowChartStart->setText(adjPower->chartRunning ? tr("暂停") : tr("开始"));
}

void Widget::refreshPowerReadings()
{
    const AdjPower &p = *adjPower;
    if (p.hidDevice) {
        readinglabel::show(ui->adjPowuLabel, QString::number(p.shownVoltage, 'f', 2));
        readinglabel::show(ui->adjPowiLabel, QString::number(p.shownCurrent, 'f', 3));
        readinglabel::show(ui->adjPowpLabel, QString::number(p.shownPower, 'f', 2));
    } else {
        for (QLabel *label : {ui->adjPowuLabel, ui->adjPowiLabel, ui->adjPowpLabel})
            readinglabel::show(label, QStringLiteral("---"));
    }
}

void Widget::refreshPowerCountLabels()
{
    readinglabel::show(ui->adjPowAh, QString::number(adjPower->chargeMah, 'f', 0));
    readinglabel::show(ui->adjPowWh, QString::number(adjPower->energyMwh, 'f', 0));
    readinglabel::show(ui->adjPowCountTime, counting::timeText(adjPower->countTicks));
}

void Widget::countPower()
{
    // Counts while the output is on (and no stop condition holds the
    // counting); the supply's handle is not looked at.
    if (adjPower->outputOn && !powerCountingHeld && toolPageShown(PowerPage))
        counting::addTick(*adjPower, adjPower->shownCurrent, adjPower->shownPower);
}

void Widget::spreadEmptyPowerTags()
{
    // Until the chart has shown a sample, the three tags all read zero at the
    // foot of their axes, where the axes stand closer together than a tag is
    // wide. Put each one on its axis and its box alternately above and below
    // the arrow, so that none covers another.
    AdjPower &p = *adjPower;
    if (p.tagsShowData)
        return;
    const Qt::Alignment side[3] = {Qt::AlignBottom, Qt::AlignTop, Qt::AlignBottom};
    for (int k = 0; k < 3; ++k) {
        AxisTag *tag = p.tags[k];
        if (!tag)
            continue;
        tag->moveToValue(0);
        if (QCPItemText *label = tag->label())
            label->setPositionAlignment(Qt::AlignLeft | side[k]);
    }
}

void Widget::adjPowerRangeChangeEvent()
{
    AdjPower &p = *adjPower;
    handleRangeChange(ui->adjPowChart, p, powerChartProfile(), toolPageShown(PowerPage),
                      ui->adjPowView->currentIndex() == kPowerChartView);
    if (!p.tagsShowData && toolPageShown(PowerPage) && p.graphs[0] &&
        p.graphs[0]->dataCount() > 0) {
        // The tags now follow the samples: boxes centred on their arrows again.
        for (AxisTag *tag : p.tags) {
            if (tag && tag->label())
                tag->label()->setPositionAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        }
        p.tagsShowData = true;
    }
}
