#pragma once

#include "charts/livechart.h"
#include "device/devicelink.h"
#include "tools/meter/counting.h"
#include "tools/power/program.h"

#include <QString>
#include <QList>
#include <QWidget>

class GaugePanel;
class QTimer;

// One memory slot M1-M6 of the supply: voltage in units of 10 mV, current in
// units of 1 mA. Both always hold whole numbers within 0 … 65535.
struct PowerPreset {
    float presetVoltage = 0;
    float presetCurrent = 0;
};

// State of the adjustable bench power supply. Never shown; the main window
// works on its fields.
class AdjPower : public QWidget, public DeviceLink, public LiveChartState, public CountingState {
    Q_OBJECT
public:
    explicit AdjPower(QWidget *parent = nullptr);
    ~AdjPower() override;

    quint8 rateCode = 20;
    // The device's presets and switches have been taken over since the
    // latest connection or return to the page: requests apply the program's
    // settings (command 7) instead of only reading (command 6).
    bool presetsLoaded = false;
    double maxVoltage = 30.0;
    double maxCurrent = 5.0;

    quint8 outReport[65] = {};
    quint8 inReport[128] = {};

    QTimer *pollTimer = nullptr;
    GaugePanel *voltageGauge = nullptr;
    GaugePanel *currentGauge = nullptr;

    // Latest accepted reading, V and A.
    double voltage = 0;
    double current = 0;
    // What the labels and the counting show: V, A and W.
    double shownVoltage = 0;
    double shownCurrent = 0;
    double shownPower = 0;
    // Set-points sent with command 7: always the selected preset's values.
    quint16 voltageSetpoint = 0; // 10 mV
    quint16 currentSetpoint = 0; // 1 mA
    // M1-M6, empty until the first take-over after the first connection.
    QList<PowerPreset> presets;
    // Regulation/protection state: 0 CV, 1 CC, 2 OCP tripped, 3 OVP tripped,
    // 4 other. Taken from the device only while the output is on; "other"
    // until then, so no light claims a state before the output has run.
    int mode = 4;
    // Output switch: the supply counts charge and energy while it is on.
    quint8 outputOn = 0;
    quint8 ocpOn = 0;
    quint8 ovpOn = 0;
    // Selected slot: 1-6 for M1-M6, 0 for none.
    quint8 presetIndex = 0;
    // The chart's value tags have shown a sample (until then they are spread
    // out so that the three zero tags of the empty chart stay readable).
    bool tagsShowData = false;

    // The selected preset, or null when none is selected or the presets are
    // not known yet.
    PowerPreset *selectedPreset();

    QString chartFileName;

    // Program mode: the steps taken from the table when the run started (the
    // table may change while it runs), and where the run stands.
    QList<program::ProgramStep> steps;
    program::Run programRun;
};
