// Stop conditions: what ends a charge by itself. A set of conditions on one
// instrument's timed samples (current below a value for a time, charge or
// energy reached, time elapsed, voltage below or above a value), counted from
// when the set is armed; the first sample that meets any of them fires the
// set once, and the actions chosen for it (stop the chart, the counting, the
// recording, switch the supply's output off) are carried out by whoever
// drives the instrument: the window or the command line. Charge and energy
// are counted by counting::Integrator, as the recording counts them. The
// texts of the conditions are the command line's ("current<50mA for 60s");
// the window words them itself. Qt Core and the engines only.
#pragma once

#include "engine/instrument.h"
#include "tools/meter/counting.h"

#include <QList>
#include <QString>

#include <functional>

class MeterEngine;
class PowerEngine;

namespace stopcond {

enum class Kind {
    CurrentBelow,  // the current below a value (A), held for a time
    VoltageBelow,  // the voltage below a value (V), held for a time
    VoltageAbove,  // the voltage above a value (V), held for a time
    ChargeAtLeast, // the charge counted since arming at or above a value (mAh)
    EnergyAtLeast, // the energy counted since arming at or above a value (mWh)
    TimeAtLeast,   // the time since arming at or above a value (s)
};

// One condition. A current or voltage condition is met once the samples have
// stayed past the value for `holdUs` (0: by the first sample past it); a
// sample exactly at the value is not past it. Charge, energy and time are met
// exactly at the value.
struct Condition {
    Kind kind = Kind::CurrentBelow;
    double value = 0;  // A, V, mAh, mWh or s, as the kind says
    qint64 holdUs = 0; // current and voltage only

    bool operator==(const Condition &other) const
    {
        return kind == other.kind && value == other.value && holdUs == other.holdUs;
    }
    // Whether the kind watches a sample's value for a time.
    bool holds() const
    {
        return kind == Kind::CurrentBelow || kind == Kind::VoltageBelow ||
               kind == Kind::VoltageAbove;
    }
};

// The condition in the command line's words, which it parses back to the
// same: "current<50mA for 60s", "voltage<3.0V", "voltage>4.2V",
// "charge>=2000mAh", "energy>=500mWh", "time>=2h". No comma, quote or
// backslash: the text goes into a recording's event column as it is.
QString conditionText(const Condition &condition);

// Parses the command line's text of a condition: a quantity (current,
// voltage, charge, energy, time), its relation (current <; voltage < or >;
// the others >=), a value with its unit (mA or A; mV or V; mAh or Ah; mWh or
// Wh; a time: 90s, 10m, 2h) and, for current and voltage, "for" a time.
// Spaces and case do not matter. False, with the reason in English, for
// anything else.
bool parseCondition(const QString &text, Condition *condition, QString *error);

// "90s", "10m", "2h", "1.5s", "250ms" or a plain number of seconds, into
// microseconds; false for anything else or a negative time.
bool parseDuration(const QString &text, qint64 *us);

// A number with as many decimals as it needs (at most six), at least
// `minDecimals`: 50, 0.5, 3.0 (with one).
QString numberText(double value, int minDecimals = 0);

// A time in the texts: whole hours ("2h") or minutes ("15m") from ten
// minutes up, seconds below ("60s", "1.5s").
QString durationText(qint64 us);

// What is done when a set fires.
struct Actions {
    bool stopChart = false;
    bool stopCounting = false;
    bool stopRecording = false;
    bool outputOff = false; // the power supply only
};

// How a fired set makes itself known in the window.
struct Alerts {
    bool tone = true;
    bool notification = true;
};

// A set of conditions as the user chooses it: any of them fires the set.
struct Setup {
    QList<Condition> conditions;
    Actions actions;
    Alerts alerts;
};

// How far one condition is.
struct Progress {
    // Current and voltage: the latest sample's value (none before the first
    // sample); charge and energy: counted since arming; time: seconds since
    // arming.
    double value = 0;
    bool hasValue = false;
    // Current and voltage: how long the samples have stayed past the value
    // (0 while they are not), in seconds.
    double heldSeconds = 0;
    bool met = false;
};

// One armed set on one instrument's samples.
class StopConditions {
public:
    StopConditions() = default;
    ~StopConditions();
    StopConditions(const StopConditions &) = delete;
    StopConditions &operator=(const StopConditions &) = delete;

    // Arms the set, counting from `atUs` on the engines' clock: samples
    // measured before are not looked at. Forgets a set armed before, and
    // whether it fired.
    void arm(const Setup &setup, qint64 atUs);
    // Forgets the set; nothing fires.
    void disarm();

    // Armed and not fired yet.
    bool isArmed() const { return mArmed && !mFired; }
    bool hasFired() const { return mFired; }
    const Setup &setup() const { return mSetup; }
    qint64 armedUs() const { return mArmedUs; }

    // The next sample, in the order measured. May fire the set.
    void addSample(const engine::Sample &sample);
    // The instrument went away: nothing is counted across the gap, and a
    // current or voltage held past its value starts its time again with the
    // next sample past it.
    void addGap(qint64 atUs);
    // The time as it passes without samples (an instrument that is away):
    // the time conditions may fire. May fire the set.
    void tick(qint64 nowUs);

    // How far condition `index` is, `nowUs` for the time since arming.
    Progress progress(int index, qint64 nowUs) const;
    // The charge and energy counted since arming.
    const counting::Integrator &counted() const { return mCount; }

    // When the set fired (on the engines' clock) and which conditions were
    // met then, in the set's order.
    qint64 firedUs() const { return mFiredUs; }
    const QList<int> &metConditions() const { return mMet; }
    // The conditions met, in the command line's words, joined by "; ".
    QString firedText() const;

    // Called once when the set fires, from within addSample or tick.
    std::function<void()> fired;

    // Listens to an instrument's engine from now on: each sample it accepts
    // (the meter's at its rate, one report in so many at the slow rates, as
    // the chart and a recording take them) and each gap. On the power
    // supply, a set whose actions switch the output off switches the
    // engine's output off as it fires, so that the very next request
    // carries it. One engine at a time; the engine must outlive this.
    void follow(MeterEngine &engine);
    void follow(PowerEngine &engine);

private:
    void fire(qint64 atUs);
    bool timeMet(qint64 nowUs, const Condition &condition) const;

    Setup mSetup;
    bool mArmed = false;
    bool mFired = false;
    qint64 mArmedUs = 0;
    qint64 mFiredUs = 0;
    QList<int> mMet;
    counting::Integrator mCount;
    // Per condition: since when the samples have stayed past the value (-1:
    // they are not), and the latest sample's value.
    QList<qint64> mHeldSinceUs;
    double mLatestVolts = 0;
    double mLatestAmps = 0;
    qint64 mLatestUs = -1;
    // The meter's count of reports at the slow rates.
    quint16 mSkipped = 0;
    // The supply's output switched off as the set fires (follow()), and the
    // engine's listener removed with this.
    std::function<void()> mSwitchOutputOff;
    std::function<void()> mUnfollow;
};

} // namespace stopcond
