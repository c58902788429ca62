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

QString timeText(quint32 ticks)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", ticks / 36000, ticks % 36000 / 600,
                  ticks % 600 / 10);
    return QString::fromLatin1(text);
}

} // namespace counting
