// What a chart keeps beside its graphs so that any span of it can be
// measured at once: the time of each sample, the gaps, which times are only
// nominal, and the statistics of each block of 4096 samples, gathered as the
// samples come. A span is then measured from the summaries of the whole
// blocks it covers and the samples of at most two partial ones, however long
// it is. The values themselves stay in the chart (the graphs); a measurement
// reads them through views. Qt Core only.
//
// Times are kept compactly: 32-bit counts of 100 us from the chart's first
// sample (a new base every 4.9 days), 4 bytes a sample.
#pragma once

#include "analysis/statistics.h"
#include "files/chartfile.h"

#include <memory>
#include <utility>
#include <vector>

namespace statistics {

class SeriesIndex {
public:
    static constexpr qint64 kTimeUnitUs = 100;
    static constexpr qint64 kBlockSamples = 4096;

    explicit SeriesIndex(const Roles &roles = Roles());
    ~SeriesIndex();
    SeriesIndex(const SeriesIndex &) = delete;
    SeriesIndex &operator=(const SeriesIndex &) = delete;
    SeriesIndex(SeriesIndex &&) = default;
    SeriesIndex &operator=(SeriesIndex &&) = default;

    // Which trace is what; empties the index.
    void setRoles(const Roles &roles);
    const Roles &roles() const { return mRoles; }

    // Sample i here is point i of each of the chart's graphs; every append
    // adds one, with a value per trace.
    // A sample measured at `atUs` on the engines' clock (engine::nowUs()).
    // The first one sets the chart's time origin; after samples from
    // elsewhere (a file) the measured ones follow them after a gap.
    void appendMeasured(qint64 atUs, const double *values);
    // A sample without a time of its own (a chart data file): `periodUs`
    // after the one before, marked as nominal.
    void appendNominal(qint64 periodUs, const double *values);
    // A sample of a recording, at its time since the recording's start
    // (times never go back: an earlier one is taken as the one before).
    void appendAt(qint64 timeUs, const double *values);
    // A point that is no sample: where a recording marks a gap (the graphs
    // hold NaN there, a break in the curve).
    void appendGapPoint(qint64 timeUs);
    // The instrument went away: the next sample is not counted together with
    // the one before.
    void markGap();
    // Nothing kept; the next sample starts the time again.
    void clear();

    qint64 count() const { return mCount; }
    // The time of point i since the chart's time origin, in microseconds.
    qint64 timeUs(qint64 i) const;
    bool isNominal(qint64 i) const;
    // Whether any point of [a, b] has a nominal time.
    bool nominalWithin(qint64 a, qint64 b) const;
    bool isGapPoint(qint64 i) const;
    // The sample (not a gap point) nearest to i within the points, looking
    // first in `direction` (-1 back, +1 forward, 0 either, nearest first);
    // -1 when there is none.
    qint64 sampleNear(qint64 i, int direction = 0) const;
    // The first point whose time is `timeUs` or later (count() when none).
    qint64 firstAtOrAfter(qint64 timeUs) const;

    // The statistics of points a to b (both included, clamped to the points
    // there are), values read from `values[k]` for trace k (a point beyond a
    // view's end has no value for that trace).
    Accumulator measure(qint64 a, qint64 b, const chartfile::ValueSeries values[]) const;

    // Memory the index holds, in bytes.
    qint64 bytes() const;

private:
    enum class Source { None, Measured, Nominal, Recording };
    void push(qint64 timeUs, Source source, bool gapPoint, const double *values);
    void scan(Accumulator &acc, qint64 from, qint64 to,
              const chartfile::ValueSeries values[]) const;

    Roles mRoles;
    qint64 mCount = 0;
    // Times: kChunk counts of 100 us per chunk, each from its epoch's base.
    static constexpr int kChunkShift = 16;
    static constexpr qint64 kChunk = qint64(1) << kChunkShift;
    std::vector<std::unique_ptr<quint32[]>> mChunks;
    struct Epoch {
        qint64 first;     // first point of the epoch
        qint64 baseUnits; // its time, in 100 us
    };
    std::vector<Epoch> mEpochs;
    qint64 mLastUnits = 0;
    // Measured samples: the engines' time of the chart's time origin.
    qint64 mOriginUs = 0;
    Source mSource = Source::None;
    bool mBreakPending = false;
    // Breaks before these points, and the gap points, in order.
    std::vector<qint64> mBreaks;
    std::vector<qint64> mGapPoints;
    // Ranges [first, end) of points with nominal times, in order.
    std::vector<std::pair<qint64, qint64>> mNominal;
    std::vector<Accumulator> mBlocks;
};

} // namespace statistics
