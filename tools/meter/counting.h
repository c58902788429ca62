#pragma once

#include <QString>
#include <QtGlobal>

// The charge, energy and time counting of the meter and the power supply.
// Each run of the counting timer stands for a tenth of a second, however late
// it fires, and adds the single reading shown at that moment.

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

} // namespace counting
