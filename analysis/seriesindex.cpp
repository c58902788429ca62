#include "analysis/seriesindex.h"

#include <algorithm>
#include <limits>

namespace statistics {

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr qint64 kMaxOffsetUnits = std::numeric_limits<quint32>::max();
} // namespace

SeriesIndex::SeriesIndex(const Roles &roles) : mRoles(roles) {}

SeriesIndex::~SeriesIndex() = default;

void SeriesIndex::setRoles(const Roles &roles)
{
    mRoles = roles;
    clear();
}

void SeriesIndex::clear()
{
    mCount = 0;
    mChunks.clear();
    mEpochs.clear();
    mLastUnits = 0;
    mOriginUs = 0;
    mSource = Source::None;
    mBreakPending = false;
    mBreaks.clear();
    mGapPoints.clear();
    mNominal.clear();
    mBlocks.clear();
}

void SeriesIndex::push(qint64 timeUs, Source source, bool gapPoint, const double *values)
{
    // Samples of another kind than those before (a file after live samples,
    // live samples after a file) are not counted together with them.
    if (mCount > 0 && source != mSource)
        mBreakPending = true;
    mSource = source;

    qint64 units = timeUs <= 0 ? 0 : (timeUs + kTimeUnitUs / 2) / kTimeUnitUs;
    if (mCount > 0 && units < mLastUnits)
        units = mLastUnits; // times never go back
    if (mEpochs.empty() || units - mEpochs.back().baseUnits > kMaxOffsetUnits)
        mEpochs.push_back({mCount, units});
    const size_t chunk = size_t(mCount >> kChunkShift);
    if (chunk >= mChunks.size())
        mChunks.emplace_back(new quint32[size_t(kChunk)]);
    mChunks[chunk][size_t(mCount & (kChunk - 1))] = quint32(units - mEpochs.back().baseUnits);
    mLastUnits = units;

    if (source == Source::Nominal) {
        if (!mNominal.empty() && mNominal.back().second == mCount)
            ++mNominal.back().second;
        else
            mNominal.emplace_back(mCount, mCount + 1);
    }

    if (mBlocks.size() <= size_t(mCount / kBlockSamples))
        mBlocks.emplace_back(mRoles);
    Accumulator &block = mBlocks.back();
    if (mBreakPending) {
        mBreaks.push_back(mCount);
        block.breakHere();
    }
    if (gapPoint) {
        mGapPoints.push_back(mCount);
        block.breakHere();
        mBreakPending = true;
    } else {
        mBreakPending = false;
        block.add(units * kTimeUnitUs, values);
    }
    ++mCount;
}

void SeriesIndex::appendMeasured(qint64 atUs, const double *values)
{
    if (mSource != Source::Measured) {
        // The first measured sample: time 0, or one time unit after the
        // samples already there (a gap lies between them).
        mOriginUs = mCount == 0 ? atUs : atUs - (mLastUnits + 1) * kTimeUnitUs;
    }
    push(atUs - mOriginUs, Source::Measured, false, values);
}

void SeriesIndex::appendNominal(qint64 periodUs, const double *values)
{
    push(mCount == 0 ? 0 : mLastUnits * kTimeUnitUs + periodUs, Source::Nominal, false, values);
}

void SeriesIndex::appendAt(qint64 timeUs, const double *values)
{
    push(timeUs, Source::Recording, false, values);
}

void SeriesIndex::appendGapPoint(qint64 timeUs)
{
    push(timeUs, Source::Recording, true, nullptr);
}

void SeriesIndex::markGap()
{
    if (mCount > 0)
        mBreakPending = true;
}

qint64 SeriesIndex::timeUs(qint64 i) const
{
    if (i < 0 || i >= mCount)
        return 0;
    auto epoch = mEpochs.begin();
    if (mEpochs.size() > 1) {
        epoch = std::upper_bound(mEpochs.begin(), mEpochs.end(), i,
                                 [](qint64 index, const Epoch &e) { return index < e.first; }) -
                1;
    }
    const quint32 offset = mChunks[size_t(i >> kChunkShift)][size_t(i & (kChunk - 1))];
    return (epoch->baseUnits + qint64(offset)) * kTimeUnitUs;
}

bool SeriesIndex::isNominal(qint64 i) const
{
    return nominalWithin(i, i);
}

bool SeriesIndex::nominalWithin(qint64 a, qint64 b) const
{
    if (a > b)
        std::swap(a, b);
    // The first range ending after a.
    auto range = std::upper_bound(
        mNominal.begin(), mNominal.end(), a,
        [](qint64 index, const std::pair<qint64, qint64> &r) { return index < r.second; });
    return range != mNominal.end() && range->first <= b;
}

bool SeriesIndex::isGapPoint(qint64 i) const
{
    return std::binary_search(mGapPoints.begin(), mGapPoints.end(), i);
}

qint64 SeriesIndex::sampleNear(qint64 i, int direction) const
{
    if (mCount == 0)
        return -1;
    i = qBound<qint64>(0, i, mCount - 1);
    for (qint64 d = 0; d < mCount; ++d) {
        const qint64 forward = i + d;
        const qint64 back = i - d;
        if (direction >= 0 && forward < mCount && !isGapPoint(forward))
            return forward;
        if (direction <= 0 && back >= 0 && !isGapPoint(back))
            return back;
        if ((direction > 0 && forward >= mCount) || (direction < 0 && back < 0))
            return sampleNear(i, 0); // nothing that way: the nearest the other way
    }
    return -1;
}

qint64 SeriesIndex::firstAtOrAfter(qint64 t) const
{
    qint64 low = 0;
    qint64 high = mCount;
    while (low < high) {
        const qint64 mid = low + (high - low) / 2;
        if (timeUs(mid) < t)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

void SeriesIndex::scan(Accumulator &acc, qint64 from, qint64 to,
                       const chartfile::ValueSeries values[]) const
{
    auto nextBreak = std::lower_bound(mBreaks.begin(), mBreaks.end(), from);
    auto nextGap = std::lower_bound(mGapPoints.begin(), mGapPoints.end(), from);
    double row[kMaxTraces];
    for (qint64 i = from; i < to; ++i) {
        if (nextBreak != mBreaks.end() && *nextBreak == i) {
            acc.breakHere();
            ++nextBreak;
        }
        if (nextGap != mGapPoints.end() && *nextGap == i) {
            acc.breakHere();
            ++nextGap;
            continue;
        }
        for (int k = 0; k < mRoles.traces; ++k)
            row[k] = i < values[k].count ? values[k][i] : kNaN;
        acc.add(timeUs(i), row);
    }
}

Accumulator SeriesIndex::measure(qint64 a, qint64 b, const chartfile::ValueSeries values[]) const
{
    Accumulator acc(mRoles);
    if (mCount == 0)
        return acc;
    if (a > b)
        std::swap(a, b);
    a = qBound<qint64>(0, a, mCount - 1);
    b = qBound<qint64>(0, b, mCount - 1);
    const qint64 blockA = a / kBlockSamples;
    const qint64 blockB = b / kBlockSamples;
    if (blockA == blockB) {
        scan(acc, a, b + 1, values);
        return acc;
    }
    scan(acc, a, (blockA + 1) * kBlockSamples, values);
    for (qint64 block = blockA + 1; block < blockB; ++block)
        acc.merge(mBlocks[size_t(block)]);
    scan(acc, blockB * kBlockSamples, b + 1, values);
    return acc;
}

qint64 SeriesIndex::bytes() const
{
    return qint64(mChunks.size()) * kChunk * qint64(sizeof(quint32)) +
           qint64(mBlocks.capacity() * sizeof(Accumulator)) +
           qint64((mBreaks.capacity() + mGapPoints.capacity()) * sizeof(qint64)) +
           qint64(mNominal.capacity() * sizeof(std::pair<qint64, qint64>)) +
           qint64(mEpochs.capacity() * sizeof(Epoch));
}

} // namespace statistics
