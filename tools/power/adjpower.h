#pragma once

#include "charts/livechart.h"
#include "engine/powerengine.h"
#include "tools/power/program.h"

#include <QString>
#include <QList>
#include <QWidget>

class GaugePanel;
class QTimer;

// The window's side of the adjustable bench power supply: the engine that
// polls and drives it (link, settings, presets, switches, counters), its
// gauges, the readings its labels show, its chart and its program run. Never
// shown; the main window works on its fields.
class AdjPower : public QWidget, public PowerEngine, public LiveChartState {
    Q_OBJECT
public:
    explicit AdjPower(QWidget *parent = nullptr);
    ~AdjPower() override;

    QTimer *pollTimer = nullptr;
    GaugePanel *voltageGauge = nullptr;
    GaugePanel *currentGauge = nullptr;

    // What the labels and the counting show: V, A and W.
    double shownVoltage = 0;
    double shownCurrent = 0;
    double shownPower = 0;
    // The chart's value tags have shown a sample (until then they are spread
    // out so that the three zero tags of the empty chart stay readable).
    bool tagsShowData = false;

    QString chartFileName;

    // Program mode: the steps taken from the table when the run started (the
    // table may change while it runs), and where the run stands.
    QList<program::ProgramStep> steps;
    program::Run programRun;
};
