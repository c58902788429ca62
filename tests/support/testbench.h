// Shared fixture of the end-to-end tests: the real main window on the
// simulated bus, with its timers stopped so that a test drives discovery and
// polls itself, and a closer for the message boxes the window opens.
#pragma once

#include "app/startup.h"
#include "app/customtitlebar.h"
#include "app/widget.h"
#include "sim/simulator.h"
#include "tools/bootline/onekeyline.h"
#include "tools/meter/vc_meter.h"
#include "tools/power/adjpower.h"
#include "ui_widget.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QPushButton>
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

    ModalCloser()
    {
        connect(&m_timer, &QTimer::timeout, this, &ModalCloser::closeOpenBox);
        m_timer.start(5);
    }
    QList<Box> boxes;

private:
    void closeOpenBox()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        boxes.append({box->windowTitle(), box->text(),
                      qobject_cast<Widget *>(box->parentWidget()) != nullptr});
        box->done(QMessageBox::Ok);
    }
    QTimer m_timer;
};

struct Window {
    std::unique_ptr<Widget> widget;

    Widget *operator->() const { return widget.get(); }
    Ui_Widget &ui() const { return *widget->ui; }

    // Runs a slot of the window by name, as its timer would.
    void invoke(const char *slot) const { QMetaObject::invokeMethod(widget.get(), slot); }
    void pollMeter() const { invoke("vcMeterTimerSlot"); }
    void pollBootLine() const { invoke("oneKeyLineChartProcess"); }
};

// A fresh bus and a fresh window whose timers are stopped.
inline Window makeWindow()
{
    sim::bus().reset();
    startup::initResources();
    Window w{std::make_unique<Widget>()};
    for (QTimer *timer : {w->meterPollTimer, w->displayTimer, w->accumulateTimer, w->programTimer,
                          w->discoveryTimer, w->adjPower->pollTimer, w->oneKeyLine->pollTimer})
        timer->stop();
    return w;
}

inline int attachMeter(std::shared_ptr<sim::MeterModel> model = std::make_shared<sim::MeterModel>())
{
    return sim::bus().attach(model);
}

} // namespace testbench
