// The power supply's work without a window: its link, the settings its
// requests carry (memory slots, set-points, switches), the poll step, the
// take-over of the supply's stored settings, the protection trip, and the
// hand-over of each accepted status to whoever listens (the chart, a
// recording, a stop condition, the terminal). The window's power supply state
// and the command line both drive it. Qt Core and the device layer only.
#pragma once

#include "device/devicelink.h"
#include "engine/instrument.h"
#include "tools/meter/counting.h"
#include "tools/power/powerreport.h"

#include <QList>

// One memory slot M1-M6 of the supply: voltage in units of 10 mV, current in
// units of 1 mA. Both always hold whole numbers within 0 … 65535.
struct PowerPreset {
    float presetVoltage = 0;
    float presetCurrent = 0;
};

namespace power {

// One accepted answer of the supply, decoded and timed.
struct Answer {
    Status status;
    engine::Sample sample;
    // The answer to a request that switched the output off for
    // switchOutputOff(), reporting the output off: the off is confirmed.
    bool confirmsOutputOff = false;
};

} // namespace power

// The power supply as the program drives it. The window's AdjPower is one;
// the command line makes its own.
class PowerEngine : public DeviceLink, public CountingState {
public:
    PowerEngine();
    virtual ~PowerEngine();
    PowerEngine(const PowerEngine &) = delete;
    PowerEngine &operator=(const PowerEngine &) = delete;

    quint8 rateCode = 20;
    // The device's presets and switches have been taken over since the
    // latest connection (for the window: or return to the page): requests
    // apply the program's settings (command 7) instead of only reading
    // (command 6).
    bool presetsLoaded = false;
    // The set-points' upper ends, V and A (the window's dials follow them).
    double maxVoltage = 30.0;
    double maxCurrent = 5.0;

    quint8 outReport[65] = {};
    quint8 inReport[128] = {};

    // Latest accepted reading, V and A.
    double voltage = 0;
    double current = 0;
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

    // The selected preset, or null when none is selected or the presets are
    // not known yet.
    PowerPreset *selectedPreset();

    // One exchange: command 7 with the settings once they are taken over,
    // command 6 before. The answer decoded and handed to the listeners, or
    // null when there is no supply, no answer, or an answer without a status.
    const power::Answer *poll();
    // The supply went away: the listeners hear of the gap.
    void markGap();

    // Takes the supply's stored settings over from its answer: the presets
    // (each limited to the given ends, in set-point units, as a dial would
    // set it), the switches (as 0 or 1; the output stays off while an off of
    // switchOutputOff() is on its way), the selected slot (none for a slot
    // beyond M6) and its set-points. Marks the presets loaded.
    void takeOver(const power::Status &status, int voltageLimit, int currentLimit);
    // What an answer changes beyond the reading: the mode while the output is
    // on, and a protection trip, which switches the output off so that the
    // next request re-arms it. True while the protection holds the output
    // off (the output switch must show off).
    bool followStatus(const power::Status &status);
    // The set-points follow the selected preset (0 V and 0 A with none).
    void followSelectedPreset();
    // Stores set-point units into the selected preset and the next request;
    // false when no preset is selected.
    bool storeVoltage(quint16 units);
    bool storeCurrent(quint16 units);

    // Switches the output off on the program's own account (a stop
    // condition): the very next request carries output off, and so does
    // every request after it until an answer to one of them reports the
    // output off (that answer confirmsOutputOff). Before the supply's
    // settings are taken over (the window's page hidden, the command line's
    // recording) these requests apply the settings the supply reported last,
    // output off, instead of only reading; after a gap or a reconnection, one
    // read comes first to learn them.
    void switchOutputOff();
    // An off of switchOutputOff() is on its way: not confirmed yet.
    bool outputOffPending() const { return mOffPending; }
    // The user switches the output on: the pending off is given up.
    void cancelOutputOff() { mOffPending = false; }

    engine::Listeners<power::Answer> listeners;

private:
    power::Answer mAnswer;
    // mAnswer holds a status, and the handle and path it came through.
    bool mHaveStatus = false;
    hid_device *mStatusDevice = nullptr;
    QByteArray mStatusPath;
    bool mOffPending = false;
};
