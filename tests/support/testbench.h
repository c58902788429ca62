// Shared fixture of the end-to-end tests and the benchmarks: the real main
// window on the simulated bus, with its timers stopped so that a test drives
// discovery and polls itself, and a closer for the message boxes the window
// opens.
#pragma once

#include "app/customtitlebar.h"
#include "app/startup.h"
#include "app/widget.h"
#include "sim/simulator.h"
#include "tools/bootline/onekeyline.h"
#include "tools/meter/vc_meter.h"
#include "tools/power/adjpower.h"
#include "ui_widget.h"

#include <QList>
#include <QObject>
#include <QStringList>
#include <QPushButton>
#include <QString>
#include <QTimer>

#include <memory>

namespace testbench {

// Closes every modal message box as soon as it opens and remembers it.
class ModalCloser : public QObject {
public:
    struct Box {
        QString title;
        QString text;
        bool parentIsWindow;
    };

    // Looks for an open box every `intervalMs` milliseconds.
    explicit ModalCloser(int intervalMs = 5);
    QList<Box> boxes;

    // The texts of the boxes closed so far, in order.
    QStringList texts() const;
    // The same, where each box should be the window's own "提示" box: one
    // that is not adds a line "unexpected box: <title>" before its text.
    QStringList hintTexts() const;

private:
    void closeOpenBox();
    QTimer m_timer;
};

// Whether `object` has a slot of that name without arguments.
bool hasSlot(const QObject *object, const char *slot);

struct Window {
    std::unique_ptr<Widget> widget;

    Widget *operator->() const { return widget.get(); }
    Ui_Widget &ui() const { return *widget->ui; }

    // Runs a slot of the window by name, as its timer would. The running test
    // fails when the window has no such slot, so that a renamed slot cannot
    // turn a test into one that checks nothing.
    void invoke(const char *slot) const;
    void pollMeter() const { invoke("vcMeterTimerSlot"); }
    void pollBootLine() const { invoke("oneKeyLineChartProcess"); }
};

// A fresh bus and a fresh window whose timers are stopped.
Window makeWindow();

// Every timer the window starts, so that a test can stop or start them.
QList<QTimer *> windowTimers(const Widget &widget);

int attachMeter(std::shared_ptr<sim::MeterModel> model = std::make_shared<sim::MeterModel>());

} // namespace testbench
