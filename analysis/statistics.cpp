#include "analysis/statistics.h"

#include "tools/meter/counting.h"

#include <cmath>

namespace statistics {

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
}

double Accumulator::ampsOf(const double *values) const
{
    return mRoles.current >= 0 ? values[mRoles.current] : kNaN;
}

double Accumulator::wattsOf(const double *values) const
{
    if (mRoles.power >= 0)
        return values[mRoles.power];
    if (mRoles.voltage >= 0 && mRoles.current >= 0)
        return values[mRoles.voltage] * values[mRoles.current];
    return kNaN;
}

double Accumulator::firstAmps() const
{
    return mRoles.current >= 0 ? mTraces[size_t(mRoles.current)].first : kNaN;
}

double Accumulator::lastAmps() const
{
    return mRoles.current >= 0 ? mTraces[size_t(mRoles.current)].last : kNaN;
}

double Accumulator::firstWatts() const
{
    if (mRoles.power >= 0)
        return mTraces[size_t(mRoles.power)].first;
    if (mRoles.voltage >= 0 && mRoles.current >= 0)
        return mTraces[size_t(mRoles.voltage)].first * mTraces[size_t(mRoles.current)].first;
    return kNaN;
}

double Accumulator::lastWatts() const
{
    if (mRoles.power >= 0)
        return mTraces[size_t(mRoles.power)].last;
    if (mRoles.voltage >= 0 && mRoles.current >= 0)
        return mTraces[size_t(mRoles.voltage)].last * mTraces[size_t(mRoles.current)].last;
    return kNaN;
}

void Accumulator::count(qint64 fromUs, double fromAmps, double fromWatts, qint64 toUs,
                        double toAmps, double toWatts)
{
    if (toUs <= fromUs)
        return; // a time that did not move forward counts nothing
    const qint64 spanUs = toUs - fromUs;
    // NaN + anything is NaN: a missing value on either side counts nothing.
    const double charge = counting::trapezoidMilli(fromAmps, toAmps, spanUs);
    if (charge == charge)
        mChargeMah += charge;
    const double energy = counting::trapezoidMilli(fromWatts, toWatts, spanUs);
    if (energy == energy)
        mEnergyMwh += energy;
    mCountedSeconds += double(spanUs) / 1e6;
}

void Accumulator::add(qint64 atUs, const double *values)
{
    if (mSamples == 0) {
        mFirstUs = atUs;
        for (int k = 0; k < mRoles.traces; ++k)
            mTraces[size_t(k)].first = values[k];
    } else if (mBreakAfter) {
        ++mGaps;
    } else {
        count(mLastUs, lastAmps(), lastWatts(), atUs, ampsOf(values), wattsOf(values));
    }
    mBreakAfter = false;
    mLastUs = atUs;
    for (int k = 0; k < mRoles.traces; ++k) {
        TraceSummary &t = mTraces[size_t(k)];
        const double v = values[k];
        t.last = v;
        if (v != v)
            continue;
        ++t.count;
        t.sum += v;
        if (v < t.min)
            t.min = v;
        if (v > t.max)
            t.max = v;
    }
    ++mSamples;
}

void Accumulator::breakHere()
{
    if (mSamples == 0)
        mBreakBefore = true;
    else
        mBreakAfter = true;
}

void Accumulator::merge(const Accumulator &next)
{
    if (next.mSamples == 0) {
        if (next.mBreakBefore || next.mBreakAfter)
            breakHere();
        return;
    }
    if (mSamples == 0) {
        const bool broken = mBreakBefore || mBreakAfter;
        const Roles roles = mRoles;
        *this = next;
        mRoles = roles;
        mBreakBefore = mBreakBefore || broken;
        return;
    }
    if (mBreakAfter || next.mBreakBefore)
        ++mGaps;
    else
        count(mLastUs, lastAmps(), lastWatts(), next.mFirstUs, next.firstAmps(), next.firstWatts());
    mSamples += next.mSamples;
    mLastUs = next.mLastUs;
    mGaps += next.mGaps;
    mChargeMah += next.mChargeMah;
    mEnergyMwh += next.mEnergyMwh;
    mCountedSeconds += next.mCountedSeconds;
    mBreakAfter = next.mBreakAfter;
    for (int k = 0; k < mRoles.traces; ++k) {
        TraceSummary &t = mTraces[size_t(k)];
        const TraceSummary &n = next.mTraces[size_t(k)];
        t.count += n.count;
        t.sum += n.sum;
        if (n.min < t.min)
            t.min = n.min;
        if (n.max > t.max)
            t.max = n.max;
        t.last = n.last;
    }
}

double Accumulator::chargeMah() const
{
    return mRoles.hasCharge() ? mChargeMah : kNaN;
}

double Accumulator::energyMwh() const
{
    return mRoles.hasEnergy() ? mEnergyMwh : kNaN;
}

} // namespace statistics
