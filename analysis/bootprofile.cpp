#include "analysis/bootprofile.h"

#include <QDateTime>

#include <algorithm>
#include <cmath>
#include <limits>

namespace bootprofile {

namespace {

// Floor division for times that may be negative (a mask reaching before the
// start).
qint64 floorDiv(qint64 a, qint64 b)
{
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

qint64 toUs(double ms)
{
    return qint64(std::llround(ms * 1000.0));
}

} // namespace

// ---------------------------------------------------------------------------
// Capture

double Capture::peakAmps() const
{
    double peak = 0;
    for (const CaptureSample &s : samples)
        peak = std::max(peak, s.amps);
    return peak;
}

Capturer::Capturer(bool fromFile) : mFromFile(fromFile) {}

void Capturer::setLengthUs(qint64 us)
{
    mLengthUs = std::clamp<qint64>(us, 1, kMaxLengthUs);
}

Capturer::Step Capturer::add(qint64 atUs, double amps, double volts, bool trigger)
{
    // A press: the trigger now, and not in the sample before (the first
    // sample with the trigger counts as a press).
    const bool press = trigger && !(mHavePrevious && mPreviousTrigger);
    const bool wasBelow = mHavePrevious ? mPreviousAmps < mThreshold : mFromFile;
    const bool rise = amps >= mThreshold && wasBelow;
    mHavePrevious = true;
    mPreviousTrigger = trigger;
    mPreviousAmps = amps;

    if (press) {
        const bool wasRunning = mRunning;
        if (wasRunning)
            end(mCurrent.lengthUs());
        begin(atUs, amps, volts, true);
        return wasRunning ? Step::Restarted : Step::Started;
    }
    if (!mRunning) {
        if (!rise)
            return Step::Idle;
        begin(atUs, amps, volts, false);
        return Step::Started;
    }
    // Times never go back within a capture.
    const qint64 t = std::max(atUs - mCurrent.startedUs, mCurrent.lengthUs());
    if (t >= mLengthUs) {
        end(t);
        return Step::Ended;
    }
    mCurrent.samples.push_back({t, amps, volts});
    return Step::Added;
}

void Capturer::stop()
{
    if (mRunning)
        end(mCurrent.lengthUs());
}

void Capturer::gap()
{
    stop();
    mHavePrevious = false;
}

void Capturer::begin(qint64 atUs, double amps, double volts, bool atTrigger)
{
    mCurrent = Capture();
    mCurrent.atTrigger = atTrigger;
    mCurrent.startedUs = atUs;
    if (!mFromFile)
        mCurrent.startedUtcMs = QDateTime::currentMSecsSinceEpoch();
    // Room for its length at the boot line's 2 ms, up to two minutes' worth:
    // a capture read from a file may be allowed an hour, and each start in
    // it would otherwise set aside tens of megabytes it never fills.
    mCurrent.samples.reserve(size_t(std::min<qint64>(mLengthUs / 2000 + 1, 1 << 16)));
    mCurrent.samples.push_back({0, amps, volts});
    mRunning = true;
}

void Capturer::end(qint64 endedAtUs)
{
    mRunning = false;
    mCurrent.endedAtUs = endedAtUs;
    // A capture of a single sample says nothing about a boot.
    if (mCurrent.samples.size() < 2)
        return;
    mKept.push_back(std::move(mCurrent));
    mCurrent = Capture();
    while (int(mKept.size()) > kKept)
        mKept.pop_front();
}

// ---------------------------------------------------------------------------
// Reference

Tolerance Reference::toleranceOf(int phase) const
{
    Tolerance t = tolerance;
    if (phase < 0 || phase >= phases.size())
        return t;
    const PhaseTolerance &own = phases[phase].tolerance;
    t.absMilliamps = own.absMilliamps.value_or(t.absMilliamps);
    t.relPercent = own.relPercent.value_or(t.relPercent);
    t.timeMs = own.timeMs.value_or(t.timeMs);
    return t;
}

int Reference::phaseAt(qint64 atUs) const
{
    for (int k = 0; k < phases.size(); ++k) {
        if (atUs >= phases[k].fromUs && atUs < phases[k].toUs)
            return k;
    }
    return -1;
}

std::optional<Reference> buildReference(const std::vector<const Capture *> &captures,
                                        const Tolerance &tolerance, qint64 binUs)
{
    if (captures.empty() || binUs <= 0)
        return std::nullopt;
    qint64 length = std::numeric_limits<qint64>::max();
    for (const Capture *capture : captures)
        length = std::min(length, capture->lengthUs());
    const qint64 bins = length / binUs;
    if (bins < 1)
        return std::nullopt;

    const double inf = std::numeric_limits<double>::infinity();
    const size_t count = size_t(bins);
    std::vector<double> low(count, inf);
    std::vector<double> high(count, -inf);
    std::vector<double> ownLow(count);
    std::vector<double> ownHigh(count);
    for (const Capture *capture : captures) {
        const std::vector<CaptureSample> &s = capture->samples;
        std::fill(ownLow.begin(), ownLow.end(), inf);
        std::fill(ownHigh.begin(), ownHigh.end(), -inf);
        for (const CaptureSample &sample : s) {
            const qint64 bin = sample.atUs / binUs;
            if (bin >= bins)
                break;
            ownLow[size_t(bin)] = std::min(ownLow[size_t(bin)], sample.amps);
            ownHigh[size_t(bin)] = std::max(ownHigh[size_t(bin)], sample.amps);
        }
        // A bin the capture has no sample in (a slow or interrupted
        // capture): its current interpolated at the bin's middle.
        size_t next = 0;
        for (qint64 bin = 0; bin < bins; ++bin) {
            if (ownLow[size_t(bin)] <= ownHigh[size_t(bin)])
                continue;
            const qint64 middle = bin * binUs + binUs / 2;
            while (next < s.size() && s[next].atUs <= middle)
                ++next;
            double value;
            if (next == 0)
                value = s.front().amps;
            else if (next == s.size())
                value = s.back().amps;
            else {
                const CaptureSample &a = s[next - 1];
                const CaptureSample &b = s[next];
                const double span = double(b.atUs - a.atUs);
                value =
                    span > 0 ? a.amps + (b.amps - a.amps) * double(middle - a.atUs) / span : b.amps;
            }
            ownLow[size_t(bin)] = ownHigh[size_t(bin)] = value;
        }
        for (qint64 bin = 0; bin < bins; ++bin) {
            low[size_t(bin)] = std::min(low[size_t(bin)], ownLow[size_t(bin)]);
            high[size_t(bin)] = std::max(high[size_t(bin)], ownHigh[size_t(bin)]);
        }
    }

    Reference reference;
    reference.created = QDateTime::currentDateTimeUtc().toString(Qt::ISODate);
    reference.captures = int(captures.size());
    reference.tolerance = tolerance;
    reference.binUs = binUs;
    reference.low = QVector<double>(low.begin(), low.end());
    reference.high = QVector<double>(high.begin(), high.end());
    return reference;
}

// ---------------------------------------------------------------------------
// Band

Band::Band(const Reference &reference) : mBinUs(std::max<qint64>(reference.binUs, 1))
{
    const int bins = reference.bins();
    mLow.resize(size_t(bins));
    mHigh.resize(size_t(bins));
    for (int bin = 0; bin < bins; ++bin) {
        const Tolerance t = reference.toleranceOf(reference.phaseAt(qint64(bin) * mBinUs));
        const double lo = reference.low[bin];
        const double hi = reference.high[bin];
        const double centre = (lo + hi) / 2;
        const double margin =
            std::max(t.absMilliamps / 1000.0, t.relPercent / 100.0 * std::abs(centre));
        mLow[size_t(bin)] = lo - margin;
        mHigh[size_t(bin)] = hi + margin;
    }
    for (int k = 0; k < reference.phases.size(); ++k) {
        mPhases.push_back({reference.phases[k].fromUs, reference.phases[k].toUs});
        mTimeUs.push_back(std::max<qint64>(0, toUs(reference.toleranceOf(k).timeMs)));
    }
    mTimeUs.push_back(std::max<qint64>(0, toUs(reference.tolerance.timeMs)));
}

int Band::phaseAt(qint64 atUs) const
{
    for (size_t k = 0; k < mPhases.size(); ++k) {
        if (atUs >= mPhases[k].fromUs && atUs < mPhases[k].toUs)
            return int(k);
    }
    return -1;
}

Mask Band::maskAt(qint64 atUs) const
{
    if (mLow.empty())
        return {};
    const int phase = phaseAt(atUs);
    const qint64 time = mTimeUs[phase < 0 ? mTimeUs.size() - 1 : size_t(phase)];
    const qint64 last = qint64(mLow.size()) - 1;
    const qint64 first = std::clamp<qint64>(floorDiv(atUs - time, mBinUs), 0, last);
    const qint64 end = std::clamp<qint64>(floorDiv(atUs + time, mBinUs), 0, last);
    Mask mask{mLow[size_t(first)], mHigh[size_t(first)]};
    for (qint64 bin = first + 1; bin <= end; ++bin) {
        mask.low = std::min(mask.low, mLow[size_t(bin)]);
        mask.high = std::max(mask.high, mHigh[size_t(bin)]);
    }
    return mask;
}

// ---------------------------------------------------------------------------
// Check

Check::Check(const Reference &reference) : mReference(reference), mBand(reference)
{
    restart();
}

void Check::restart()
{
    mState = State::Waiting;
    mFirstMiss.reset();
    mSummary = Summary();
    mPreviousUs = -1;
    mCharge.reset();

    // The reference's charge: its centre line from the start to its end.
    counting::Integrator charge;
    double peak = 0;
    for (int bin = 0; bin < mReference.bins(); ++bin) {
        const double centre = (mReference.low[bin] + mReference.high[bin]) / 2;
        charge.add(qint64(bin) * mReference.binUs, centre, 0);
        peak = std::max(peak, mReference.high[bin]);
    }
    if (mReference.bins() > 0) {
        const int last = mReference.bins() - 1;
        charge.add(mReference.lengthUs(), (mReference.low[last] + mReference.high[last]) / 2, 0);
    }
    mSummary.referenceChargeMah = charge.chargeMah;
    mSummary.referencePeakAmps = peak;
}

bool Check::add(qint64 atUs, double amps)
{
    if (mState == State::Passed || mState == State::Incomplete)
        return true; // finished: a new capture restarts the check
    if (atUs >= mBand.lengthUs() || !std::isfinite(amps))
        return true;
    if (mState == State::Waiting)
        mState = State::Running;
    atUs = std::max(atUs, mPreviousUs);

    const Mask mask = mBand.maskAt(atUs);
    // The band's edges belong to it: a current on an edge worked out in
    // milliamperes passes, whatever the last bit of its sum in amperes.
    constexpr double kEdge = 1e-9;
    const double deviation = amps < mask.low - kEdge    ? mask.low - amps
                             : amps > mask.high + kEdge ? amps - mask.high
                                                        : 0.0;
    const bool inside = deviation == 0.0;
    ++mSummary.samples;
    if (!inside) {
        ++mSummary.outsideSamples;
        if (mPreviousUs >= 0)
            mSummary.outsideUs += atUs - mPreviousUs;
        if (deviation > mSummary.worstDeviationAmps) {
            mSummary.worstDeviationAmps = deviation;
            mSummary.worstAtUs = atUs;
        }
        if (!mFirstMiss)
            mFirstMiss = Miss{atUs, amps, mask, mBand.phaseAt(atUs)};
        mState = State::Failed;
    }
    mSummary.peakAmps = std::max(mSummary.peakAmps, amps);
    mSummary.coveredUs = atUs;
    mCharge.add(atUs, amps, 0);
    mPreviousUs = atUs;
    return inside;
}

void Check::finish(qint64 atUs)
{
    mSummary.coveredUs = std::min(std::max(atUs, mSummary.coveredUs), mBand.lengthUs());
    if (mState == State::Failed || mState == State::Passed || mState == State::Incomplete)
        return;
    mState = atUs >= mBand.lengthUs() && mSummary.samples > 0 ? State::Passed : State::Incomplete;
}

Summary Check::summary() const
{
    Summary s = mSummary;
    s.chargeMah = mCharge.chargeMah;
    return s;
}

void checkCapture(Check &check, const Capture &capture)
{
    for (const CaptureSample &sample : capture.samples) {
        if (sample.atUs >= check.band().lengthUs()) {
            check.finish(sample.atUs);
            return;
        }
        check.add(sample.atUs, sample.amps);
    }
    check.finish(std::max(capture.endedAtUs, capture.lengthUs()));
}

// ---------------------------------------------------------------------------
// Texts

namespace {
QString seconds(qint64 us)
{
    return QString::number(double(us) / 1e6, 'f', 2);
}
QString amps(double a)
{
    return QString::number(a, 'f', 3);
}
} // namespace

Words englishWords()
{
    Words w;
    w.waiting = QStringLiteral("Waiting for a boot: press Trig, or the current rises above %1 mA");
    w.running = QStringLiteral("Checking… %1 of %2 s");
    w.passed = QStringLiteral("PASS");
    w.failed = QStringLiteral("FAIL at %1 s: %2 A, expected %3 ± %4 A");
    w.failedInPhase = QStringLiteral("FAIL at %1 s: %2 A, expected %3 ± %4 A (%5)");
    w.incomplete = QStringLiteral("INCOMPLETE: the capture ended at %1 s of the reference's %2 s");
    w.worstDeviation = QStringLiteral("Worst deviation: %1 A outside the band at %2 s");
    w.noDeviation = QStringLiteral("Worst deviation: none, inside the band throughout");
    w.timeOutside = QStringLiteral("Time outside the band: %1 s");
    w.charge = QStringLiteral("Charge: %1 mAh, reference %2 mAh");
    w.peak = QStringLiteral("Peak current: %1 A, reference %2 A");
    return w;
}

QString verdictText(const Check &check, const Words &words, double thresholdAmps)
{
    const Summary s = check.summary();
    switch (check.state()) {
    case State::Waiting:
        return words.waiting.arg(QString::number(thresholdAmps * 1000.0, 'g', 4));
    case State::Running:
        return words.running.arg(QString::number(double(s.coveredUs) / 1e6, 'f', 1),
                                 QString::number(double(check.band().lengthUs()) / 1e6, 'f', 1));
    case State::Passed:
        return words.passed;
    case State::Incomplete:
        return words.incomplete.arg(seconds(s.coveredUs), seconds(check.band().lengthUs()));
    case State::Failed:
        break;
    }
    const Miss &miss = *check.firstMiss();
    const QStringList values = {seconds(miss.atUs), amps(miss.amps), amps(miss.expected.centre()),
                                amps(miss.expected.halfWidth())};
    const QVector<Phase> &phases = check.reference().phases;
    if (miss.phase >= 0 && miss.phase < phases.size())
        return words.failedInPhase.arg(values[0], values[1], values[2], values[3],
                                       phases[miss.phase].name);
    return words.failed.arg(values[0], values[1], values[2], values[3]);
}

QStringList summaryLines(const Check &check, const Words &words)
{
    const Summary s = check.summary();
    QStringList lines;
    lines << (s.worstDeviationAmps > 0
                  ? words.worstDeviation.arg(amps(s.worstDeviationAmps), seconds(s.worstAtUs))
                  : words.noDeviation);
    lines << words.timeOutside.arg(seconds(s.outsideUs));
    lines << words.charge.arg(QString::number(s.chargeMah, 'f', 3),
                              QString::number(s.referenceChargeMah, 'f', 3));
    lines << words.peak.arg(amps(s.peakAmps), amps(s.referencePeakAmps));
    return lines;
}

} // namespace bootprofile
