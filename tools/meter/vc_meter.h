#pragma once

#include "charts/livechart.h"
#include "engine/meterengine.h"

#include <QString>
#include <QWidget>

// The window's side of the USB voltage/current meter: the engine that polls
// it (link, report buffers, rate, counters), the readings its labels show and
// its chart. Never shown; the main window works on its fields.
class Vc_Meter : public QWidget, public MeterEngine, public LiveChartState {
    Q_OBJECT
public:
    explicit Vc_Meter(QWidget *parent = nullptr);
    ~Vc_Meter() override;

    bool counting = false;
    // The chart's count of reports at the slow rates (meter::takeAtRate): it
    // rests while the chart is paused.
    quint16 decimation = 0;

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
