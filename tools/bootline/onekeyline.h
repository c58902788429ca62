#pragma once

#include "charts/livechart.h"
#include "engine/bootlineengine.h"

#include <QString>
#include <QWidget>

class QTimer;
class ReadingLabels;

// The window's side of the boot line: the engine that polls it (link, report
// buffers, trigger), the readings its labels show and its chart. Never shown;
// the main window works on its fields.
class OneKeyLine : public QWidget, public BootLineEngine, public LiveChartState {
    Q_OBJECT
public:
    explicit OneKeyLine(QWidget *parent = nullptr);
    ~OneKeyLine() override;

    QTimer *pollTimer = nullptr;
    // The poll found nothing to do (page hidden, nothing recording) and
    // stopped its timer; showing the page or starting a recording starts it
    // again (Widget::resumeBootLinePoll).
    bool pollPaused = false;

    double voltage = 0;
    double current = 0;
    double shownVoltage = 0;
    double shownCurrent = 0;
    double shownPower = 0;
    double peakCurrent = 0;
    quint16 countTime = 0;
    // Shows the readings in the page's labels at the display's rate (the
    // poll runs every 2 ms); made by the page set-up.
    ReadingLabels *readingLabels = nullptr;

    QString chartFileName;
};
