#pragma once

#include "charts/livechart.h"
#include "device/devicelink.h"
#include "tools/meter/counting.h"

#include <QString>
#include <QWidget>

// State of the USB voltage/current meter: its link, report buffers, readings,
// counters and chart. Never shown; the main window works on its fields.
class Vc_Meter : public QWidget, public DeviceLink, public LiveChartState, public CountingState {
    Q_OBJECT
public:
    explicit Vc_Meter(QWidget *parent = nullptr);
    ~Vc_Meter() override;

    quint8 rateCode = 20;
    int pollIntervalMs = 47;
    bool counting = false;
    quint16 decimation = 0;

    quint8 outReport[65] = {};
    quint8 inReport[64] = {};

    double voltage = 0;
    double current = 0;
    double shownVoltage = 0;
    double shownCurrent = 0;
    double shownPower = 0;
    double shownLoad = 0;
    double dPlus = 0;
    double dMinus = 0;
    double cc1 = 0;
    double cc2 = 0;

    QString chartFileName;
};
