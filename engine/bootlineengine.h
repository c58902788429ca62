// The boot line's work without a window: its link, the trigger its requests
// carry, the poll step, and the hand-over of each accepted reading to whoever
// listens (the chart, a recording, a boot check, the terminal). The window's
// boot line state and the command line both drive it. Qt Core and the device
// layer only.
#pragma once

#include "device/devicelink.h"
#include "engine/instrument.h"
#include "tools/bootline/bootlinereport.h"

namespace bootline {

// One accepted answer of the boot line, decoded and timed, with the trigger
// its request carried.
struct Answer {
    Reading reading;
    quint8 trigger = 0;
    engine::Sample sample;
};

} // namespace bootline

// The boot line as the program drives it. The window's OneKeyLine is one; the
// command line makes its own.
class BootLineEngine : public DeviceLink {
public:
    BootLineEngine();
    virtual ~BootLineEngine();
    BootLineEngine(const BootLineEngine &) = delete;
    BootLineEngine &operator=(const BootLineEngine &) = delete;

    // The poll interval: the boot line is read 500 times a second.
    static constexpr int kPollIntervalMs = 2;

    quint8 outReport[65] = {};
    quint8 inReport[128] = {};
    // 1 while the power-on action is held, else 0; every request carries it.
    quint8 trigger = 0;

    // One exchange: the answer decoded and handed to the listeners, or null
    // when there is no boot line, no answer, or an answer that is refused.
    const bootline::Answer *poll();
    // The boot line went away: the listeners hear of the gap.
    void markGap();

    engine::Listeners<bootline::Answer> listeners;

private:
    bootline::Answer mAnswer;
};
