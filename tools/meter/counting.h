#pragma once

#include <QString>
#include <QtGlobal>

// The charge, energy and time counting of the meter and the power supply,
// two ways. The window's counters: each run of the counting timer stands for
// a tenth of a second, however late it fires, and adds the single reading
// shown at that moment. And the count of timed samples (Integrator), which a
// recording, the measurements between two times and the stop conditions
// share, so that they never disagree.

// What a tool keeps for its counting. The meter and the power supply state
// objects inherit it publicly, so the fields keep these names on both.
struct CountingState {
    double chargeMah = 0;   // accumulated charge, mAh
    double energyMwh = 0;   // accumulated energy, mWh
    quint32 countTicks = 0; // counting time in tenths of a second
};

namespace counting {

// Totals stop growing here (mAh and mWh) and stay until reset; the time goes on.
constexpr double kLimit = 99999999;

// One counting run: I A for 0.1 s is I ÷ 36 mAh, P W for 0.1 s is P ÷ 36 mWh.
void addTick(CountingState &state, double amps, double watts);

// Charge, energy and time back to zero.
void reset(CountingState &state);

// "hh:mm:ss" of a count of tenths of a second; hours are not wrapped and may
// take more than two digits.
QString timeText(quint32 ticks);

// The one span of timed samples that counts: two values `spanUs` apart
// counted with their mean (a trapezoid), amperes giving mAh and watts mWh.
// The Integrator and the measurements between two times (analysis/) both
// count with it, so that their totals agree.
inline double trapezoidMilli(double first, double second, qint64 spanUs)
{
    return (first + second) / 2 * (double(spanUs) / 1e6) / 3.6;
}

// Charge and energy of timed samples: the span between two samples counts
// with the mean of its two ends (trapezoids), A·s and W·s over 3.6 giving mAh
// and mWh. Nothing is counted across a gap (break()), nor over a time that
// does not move forward.
class Integrator {
public:
    // The next sample; times in microseconds.
    void add(qint64 atUs, double amps, double watts);
    // A gap: the next sample starts afresh.
    void breakHere() { mPreviousUs = -1; }
    // Back to nothing counted.
    void reset() { *this = Integrator(); }

    double chargeMah = 0;
    double energyMwh = 0;
    // The time counted, in seconds: the spans between samples, gaps left out.
    double seconds = 0;

private:
    qint64 mPreviousUs = -1;
    double mPreviousAmps = 0;
    double mPreviousWatts = 0;
};

} // namespace counting
