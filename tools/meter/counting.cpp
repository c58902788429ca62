#include "counting.h"

#include <cstdio>

namespace counting {

void addTick(CountingState &state, double amps, double watts)
{
    state.chargeMah = qMin(state.chargeMah + amps / 36, kLimit);
    state.energyMwh = qMin(state.energyMwh + watts / 36, kLimit);
    ++state.countTicks;
}

void reset(CountingState &state)
{
    state.chargeMah = 0;
    state.energyMwh = 0;
    state.countTicks = 0;
}

void Integrator::add(qint64 atUs, double amps, double watts)
{
    if (mPreviousUs >= 0 && atUs > mPreviousUs) {
        const qint64 spanUs = atUs - mPreviousUs;
        chargeMah += trapezoidMilli(mPreviousAmps, amps, spanUs);
        energyMwh += trapezoidMilli(mPreviousWatts, watts, spanUs);
        seconds += double(spanUs) / 1e6;
    }
    if (atUs >= mPreviousUs) {
        mPreviousUs = atUs;
        mPreviousAmps = amps;
        mPreviousWatts = watts;
    }
}

QString timeText(quint32 ticks)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", ticks / 36000, ticks % 36000 / 600,
                  ticks % 600 / 10);
    return QString::fromLatin1(text);
}

} // namespace counting
