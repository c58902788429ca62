// The power supply's take-over of the presets and switches, through the real
// window on the simulated supply. Each input is a series of status answers
// (64 bytes each; a first byte below 0xF0 becomes the status code 8 or 9, so
// that most answers are taken). The page is left and shown again first, so
// the first status answer is taken over. After every poll the request that
// went out must carry what the controls showed when it was sent: the output,
// OVP and OCP switches, the selected slot and, with a slot selected, the
// set-points on the dials (0 V and 0 A without one); and the edits, dials and
// the selected slot's button must agree with each other.
#include "app/startup.h"
#include "app/widget.h"
#include "fuzzcheck.h"
#include "sim/simulator.h"
#include "tools/power/adjpower.h"
#include "tools/power/powerreport.h"
#include "tools/power/setpoint.h"
#include "ui_widget.h"

#include <QApplication>
#include <QTimer>

#include <cstring>
#include <memory>
#include <vector>

namespace {

struct Shown {
    bool output, ovp, ocp;
    int slot; // 1-6, 0 for none
    int voltageDial, currentDial;
};

struct Bench {
    std::unique_ptr<QApplication> app;
    std::unique_ptr<Widget> window;
    int id = -1;

    Ui_Widget &ui() const { return *window->ui; }
    QList<QPushButton *> presets() const
    {
        return {ui().adjM1PushButton, ui().adjM2PushButton, ui().adjM3PushButton,
                ui().adjM4PushButton, ui().adjM5PushButton, ui().adjM6PushButton};
    }
    Shown shown() const
    {
        int slot = 0;
        const QList<QPushButton *> buttons = presets();
        for (int k = 0; k < buttons.size(); ++k) {
            if (buttons[k]->isChecked()) {
                FUZZ_CHECK(slot == 0, "two preset buttons checked");
                slot = k + 1;
            }
        }
        return {ui().adjON_OFFButton->isChecked(), ui().adjOVPButton->isChecked(),
                ui().adjOCPButton->isChecked(),    slot,
                ui().adjVoltageDial->value(),      ui().adjCurrentDial->value()};
    }
    void poll() const { QMetaObject::invokeMethod(window.get(), "adjPowerChartProcess"); }
};

// Made once and kept to the end of the process: Qt's own statics may be gone
// by the time static destructors run, so the application is not destroyed.
Bench &bench()
{
    static Bench *b = new Bench;
    return *b;
}

void quiet(QtMsgType, const QMessageLogContext &, const QString &) {}

// The request of the latest poll, when it applied the settings (command 7),
// against what the controls showed before it.
void checkRequest(const Bench &b, const Shown &before)
{
    const std::vector<std::uint8_t> request = sim::bus().lastWrite(b.id);
    FUZZ_CHECK(request.size() == 65);
    if (request[1] != power::kApplyCommand)
        return;
    const int voltage = request[6] << 8 | request[7];
    const int current = request[8] << 8 | request[9];
    FUZZ_CHECK(request[10] == before.output && request[11] == before.ovp &&
                   request[12] == before.ocp,
               "switches sent %d %d %d, shown %d %d %d", request[10], request[11], request[12],
               before.output, before.ovp, before.ocp);
    FUZZ_CHECK(request[5] == before.slot, "slot %d sent, %d shown", request[5], before.slot);
    const int shownVoltage = before.slot ? before.voltageDial : 0;
    const int shownCurrent = before.slot ? before.currentDial : 0;
    FUZZ_CHECK(voltage == shownVoltage && current == shownCurrent,
               "set-points %d/%d sent, %d/%d shown (slot %d)", voltage, current, shownVoltage,
               shownCurrent, before.slot);
}

// The edits show their dials, and the selected slot's button its preset.
void checkControls(const Bench &b)
{
    const Shown now = b.shown();
    FUZZ_CHECK(b.ui().adjVoltageLineEdit->text() ==
                   setpoint::textFromUnits(now.voltageDial, setpoint::kVoltage),
               "voltage edit %s, dial %d", qPrintable(b.ui().adjVoltageLineEdit->text()),
               now.voltageDial);
    FUZZ_CHECK(b.ui().adjCurrentLineEdit->text() ==
                   setpoint::textFromUnits(now.currentDial, setpoint::kCurrent),
               "current edit %s, dial %d", qPrintable(b.ui().adjCurrentLineEdit->text()),
               now.currentDial);
    if (now.slot) {
        const QString text = power::presetButtonText(now.slot, now.voltageDial, now.currentDial);
        FUZZ_CHECK(b.presets()[now.slot - 1]->text() == text, "button %s, dials %s",
                   qPrintable(b.presets()[now.slot - 1]->text()), qPrintable(text));
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quiet);
    Bench &b = bench();
    b.app = std::make_unique<QApplication>(*argc, *argv);
    startup::initResources();
    b.window = std::make_unique<Widget>();
    for (QTimer *timer : b.window->findChildren<QTimer *>())
        timer->stop();
    b.id = sim::bus().attach(std::make_shared<sim::PowerSupplyModel>());
    b.window->discoverDevices();
    b.ui().adjPowToolButton->click();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Bench &b = bench();
    // Leaving the page and coming back reads the device's settings again.
    b.ui().vCToolButton->click();
    b.poll();
    b.ui().adjPowToolButton->click();

    for (size_t at = 0; at < size; at += 64) {
        sim::InputReport answer{};
        std::memcpy(answer.data(), data + at, qMin<size_t>(64, size - at));
        if (answer[0] < 0xF0)
            answer[0] = 8 + (answer[0] & 1);
        const Shown before = b.shown();
        sim::bus().scriptAnswer(b.id, answer);
        b.poll();
        checkRequest(b, before);
        checkControls(b);
    }
    // One more poll on the supply's own answer sends what the last one left.
    const Shown before = b.shown();
    b.poll();
    checkRequest(b, before);
    checkControls(b);
    return 0;
}
