#pragma once

#include "charts/livechart.h"
#include "device/devicelink.h"
#include "tools/meter/counting.h"

#include <QString>
#include <QWidget>

class QTimer;

// State of the adjustable bench power supply. Never shown; the main window
// works on its fields.
class AdjPower : public QWidget, public DeviceLink, public LiveChartState, public CountingState {
    Q_OBJECT
public:
    explicit AdjPower(QWidget *parent = nullptr);
    ~AdjPower() override;

    quint8 rateCode = 20;
    // The device's presets and switches have been taken over since the
    // latest connection or return to the page.
    bool presetsLoaded = false;
    double maxVoltage = 30.0;
    double maxCurrent = 5.0;

    quint8 outReport[65] = {};
    quint8 inReport[128] = {};

    QTimer *pollTimer = nullptr;

    // Output switch: the supply counts charge and energy while it is on.
    quint8 outputOn = 0;
    double shownVoltage = 0;
    double shownCurrent = 0;
    double shownPower = 0;

    QString chartFileName;
};
