// The statistics of a span of timed samples: the times at its ends, the
// number of samples, each trace's value at either end, its minimum, maximum,
// mean and peak-to-peak, and the charge and energy counted over the span.
// The window's measuring cursors and `quorvaline-cli stats` both take their
// numbers from here, so that a chart and a script never disagree; the
// charge and energy are counted span by span with the same trapezoid as a
// recording's own columns (counting::trapezoidMilli), nothing across a gap.
// Qt Core only.
#pragma once

#include <QtGlobal>

#include <array>
#include <limits>

namespace statistics {

// The most traces one set of samples has (a meter recording has seven
// value columns).
constexpr int kMaxTraces = 8;

// Which traces carry what the charge and energy are counted from. The
// energy is counted from the power trace, or from voltage x current where
// there is none; a set without a current has no charge.
struct Roles {
    int traces = 0;
    int voltage = -1;
    int current = -1;
    int power = -1;

    bool hasCharge() const { return current >= 0; }
    bool hasEnergy() const { return power >= 0 || (voltage >= 0 && current >= 0); }
};

// One trace over a span. Samples without a value for this trace (NaN: an
// empty cell of a recording) are left out of its minimum, maximum and mean.
struct TraceSummary {
    qint64 count = 0; // samples with a value
    double min = std::numeric_limits<double>::infinity();
    double max = -std::numeric_limits<double>::infinity();
    double sum = 0;
    double first = std::numeric_limits<double>::quiet_NaN(); // at the span's first sample
    double last = std::numeric_limits<double>::quiet_NaN();  // at its last sample

    double mean() const
    {
        return count > 0 ? sum / double(count) : std::numeric_limits<double>::quiet_NaN();
    }
    double peakToPeak() const
    {
        return count > 0 ? max - min : std::numeric_limits<double>::quiet_NaN();
    }
};

// Gathers the statistics of samples handed over in time order, one at a
// time (add) or a whole span of them at once (merge): the summaries of
// consecutive spans merge into the summary of their union, so that a long
// span is measured from the summaries of its blocks.
//
// Between two consecutive samples the span counts (trapezoids) unless a gap
// lies between them (breakHere) or the time does not move forward; a sample
// without a current (or power) counts no charge (or energy) on either side.
class Accumulator {
public:
    Accumulator() = default;
    explicit Accumulator(const Roles &roles) : mRoles(roles) {}

    const Roles &roles() const { return mRoles; }

    // The next sample: its time in microseconds, a value per trace.
    void add(qint64 atUs, const double *values);
    // A gap: the next sample is not counted together with the one before.
    void breakHere();
    // The samples of `next`, which come after all of these.
    void merge(const Accumulator &next);

    qint64 samples() const { return mSamples; }
    bool isEmpty() const { return mSamples == 0; }
    qint64 firstUs() const { return mFirstUs; }
    qint64 lastUs() const { return mLastUs; }
    // From the first sample to the last, gaps included.
    qint64 durationUs() const { return mSamples > 0 ? mLastUs - mFirstUs : 0; }
    // The time counted: the spans between samples, gaps left out.
    double countedSeconds() const { return mCountedSeconds; }
    const TraceSummary &trace(int k) const { return mTraces[size_t(k)]; }

    // NaN when the set has no current (no power, nor voltage and current).
    double chargeMah() const;
    double energyMwh() const;
    double chargeCoulombs() const { return chargeMah() * 3.6; }
    double energyJoules() const { return energyMwh() * 3.6; }
    // Gaps within the span (breaks between two of its samples).
    qint64 gaps() const { return mGaps; }

private:
    double ampsOf(const double *values) const;
    double wattsOf(const double *values) const;
    double firstAmps() const;
    double firstWatts() const;
    double lastAmps() const;
    double lastWatts() const;
    void count(qint64 fromUs, double fromAmps, double fromWatts, qint64 toUs, double toAmps,
               double toWatts);

    Roles mRoles;
    qint64 mSamples = 0;
    qint64 mFirstUs = 0;
    qint64 mLastUs = 0;
    qint64 mGaps = 0;
    double mChargeMah = 0;
    double mEnergyMwh = 0;
    double mCountedSeconds = 0;
    // A gap before the first sample (when none has come yet) or after the
    // last one: the next sample, or the next span merged, starts afresh.
    bool mBreakBefore = false;
    bool mBreakAfter = false;
    std::array<TraceSummary, kMaxTraces> mTraces{};
};

} // namespace statistics
