// The boot profile check: a phone's boot current, captured from the moment
// it is powered up, compared with a reference made from good phones. A
// capture is aligned at the trigger press (or at the first rise through a
// start threshold); a reference holds the envelope of one or more captures
// in bins of time, with its tolerances and optional named phases; the band
// is that envelope widened by the tolerances; a check takes a capture's
// samples one at a time and gives the verdict with the first place the
// current left the band, and a summary. Widget-free: the window and the
// command line use it alike. Qt Core only.
#pragma once

#include "tools/meter/counting.h"

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

#include <deque>
#include <optional>
#include <vector>

namespace bootprofile {

// ---------------------------------------------------------------------------
// Capture

// One sample of a capture: its time since the capture's start.
struct CaptureSample {
    qint64 atUs = 0;
    double amps = 0;
    double volts = 0;
};

// A boot capture: the samples from the start on, in time order.
struct Capture {
    std::vector<CaptureSample> samples;
    // The start was the trigger press (else a rise through the threshold).
    bool atTrigger = false;
    // When it started, on the engines' clock (live) or 0 (from a file).
    qint64 startedUs = 0;
    // The wall-clock time of the start, milliseconds since the epoch (0
    // when unknown).
    qint64 startedUtcMs = 0;
    // How far it got when it ended, after its start: the time of the sample
    // that reached its length (not part of it), else of its last sample.
    qint64 endedAtUs = 0;

    // Time of the last sample; 0 when empty.
    qint64 lengthUs() const { return samples.empty() ? 0 : samples.back().atUs; }
    double peakAmps() const;
};

// Finds the captures in a stream of boot line samples. A capture starts at a
// trigger press (a sample whose request carried the trigger after one that
// did not) or, while none runs, at the first sample at or above the start
// threshold after one below it; it ends after its length (the first sample at
// or past it is not part of it), at a new press, at stop() or at a gap. The
// last kKept captures that ended are kept.
class Capturer {
public:
    static constexpr double kDefaultThresholdAmps = 0.005;
    static constexpr qint64 kDefaultLengthUs = 10000000;
    // The longest capture: an hour.
    static constexpr qint64 kMaxLengthUs = 3600LL * 1000000;
    static constexpr int kKept = 20;

    // What one sample did.
    enum class Step {
        Idle,      // no capture runs, none started
        Started,   // a capture started with this sample (its first)
        Added,     // the sample went into the running capture
        Ended,     // the running capture reached its length; the sample is not part of it
        Restarted, // a press ended the running capture and started a new one with this sample
    };

    // `fromFile`: the samples are a file's, so that the current before the
    // first one counts as below the threshold (a file starting above it
    // starts a capture with its first sample). Live, the first sample
    // cannot start one by the threshold: the phone may have been on before.
    explicit Capturer(bool fromFile = false);

    void setThresholdAmps(double amps) { mThreshold = amps; }
    double thresholdAmps() const { return mThreshold; }
    // Length of the captures from now on (the running one included).
    void setLengthUs(qint64 us);
    qint64 lengthUs() const { return mLengthUs; }

    Step add(qint64 atUs, double amps, double volts, bool trigger);
    // The user ends the running capture (it is kept).
    void stop();
    // The instrument went away: the running capture ends, and no rise
    // through the threshold is seen across the gap.
    void gap();

    bool running() const { return mRunning; }
    const Capture &current() const { return mCurrent; }
    // Captures that ended, oldest first.
    const std::deque<Capture> &kept() const { return mKept; }
    // The capture that ended last (null when none has).
    const Capture *last() const { return mKept.empty() ? nullptr : &mKept.back(); }

private:
    void end(qint64 endedAtUs);
    void begin(qint64 atUs, double amps, double volts, bool atTrigger);

    bool mFromFile;
    double mThreshold = kDefaultThresholdAmps;
    qint64 mLengthUs = kDefaultLengthUs;
    bool mRunning = false;
    bool mHavePrevious = false;
    bool mPreviousTrigger = false;
    double mPreviousAmps = 0;
    Capture mCurrent;
    std::deque<Capture> mKept;
};

// ---------------------------------------------------------------------------
// Reference

// Tolerances: the band is the wider of the absolute and the relative margin
// around the expected current; a sample passes when the band holds it
// anywhere within ± the time tolerance (an oscilloscope mask's horizontal
// tolerance).
struct Tolerance {
    double absMilliamps = 30;
    double relPercent = 10;
    double timeMs = 40;
};

// A phase's own tolerances: those it does not give are the reference's.
struct PhaseTolerance {
    std::optional<double> absMilliamps;
    std::optional<double> relPercent;
    std::optional<double> timeMs;
};

// A named span of the boot (e.g. "boot loader", "kernel"): the verdict names
// it, and it may have tolerances of its own.
struct Phase {
    QString name;
    qint64 fromUs = 0; // from this time after the start
    qint64 toUs = 0;   // to this time, not included
    PhaseTolerance tolerance;
    // Fields of a file this program does not know, written back as they were.
    QJsonObject unknownFields;
    QJsonObject unknownToleranceFields;
};

struct Reference {
    QString name;
    QString model;
    QString note;
    QString created;  // ISO 8601 UTC, as written
    int captures = 0; // how many captures the envelope was made from
    Tolerance tolerance;
    QVector<Phase> phases;
    // The envelope: per bin of binUs, the lowest and highest current of the
    // captures, in amperes.
    qint64 binUs = 10000;
    QVector<double> low;
    QVector<double> high;
    // Fields of a file this program does not know, written back as they were.
    QJsonObject unknownFields;
    QJsonObject unknownToleranceFields;

    int bins() const { return low.size(); }
    qint64 lengthUs() const { return qint64(low.size()) * binUs; }
    // The tolerances in force in phase `phase` (-1: none, the reference's).
    Tolerance toleranceOf(int phase) const;
    // The phase a time falls in (the first listed that holds it), or -1.
    int phaseAt(qint64 atUs) const;
};

// The bin width references are built with.
constexpr qint64 kDefaultBinUs = 10000;

// A reference from one or more captures aligned at their starts: per bin,
// the lowest and highest current of all of them (a capture with no sample in
// a bin gives its current interpolated at the bin's middle). It is as long
// as the shortest capture, in whole bins. Nothing when no capture covers a
// bin.
std::optional<Reference> buildReference(const std::vector<const Capture *> &captures,
                                        const Tolerance &tolerance, qint64 binUs = kDefaultBinUs);

// ---------------------------------------------------------------------------
// Band and check

// What the band allows at a time: from low to high.
struct Mask {
    double low = 0;
    double high = 0;
    double centre() const { return (low + high) / 2; }
    double halfWidth() const { return (high - low) / 2; }
};

// The band of a reference: per bin its centre (the middle of the envelope)
// and half-width (half the envelope plus the wider of the absolute and the
// relative margin of the bin's phase), and the mask a sample is held
// against: the band's lowest and highest within ± the time tolerance.
class Band {
public:
    explicit Band(const Reference &reference);

    int bins() const { return int(mLow.size()); }
    qint64 binUs() const { return mBinUs; }
    qint64 lengthUs() const { return mBinUs * bins(); }
    double centre(int bin) const { return (mLow[bin] + mHigh[bin]) / 2; }
    double low(int bin) const { return mLow[bin]; }
    double high(int bin) const { return mHigh[bin]; }
    // The mask at a time after the start: the band's extremes over the bins
    // that meet [t - time tolerance, t + time tolerance], the tolerance of
    // the phase t falls in. Costs the number of those bins.
    Mask maskAt(qint64 atUs) const;
    int phaseAt(qint64 atUs) const;

private:
    qint64 mBinUs;
    std::vector<double> mLow;
    std::vector<double> mHigh;
    // Per phase, and last for no phase: the time tolerance in microseconds.
    std::vector<qint64> mTimeUs;
    struct Span {
        qint64 fromUs;
        qint64 toUs;
    };
    std::vector<Span> mPhases;
};

// The first sample that left the band.
struct Miss {
    qint64 atUs = 0;
    double amps = 0;
    Mask expected;
    int phase = -1;
};

struct Summary {
    // The farthest a sample lay outside its mask, and when (0: none did).
    double worstDeviationAmps = 0;
    qint64 worstAtUs = 0;
    // Time spent outside: each sample outside counts the time since the
    // sample before it.
    qint64 outsideUs = 0;
    int samples = 0;
    int outsideSamples = 0;
    // The capture's charge and peak, against the reference's (the charge
    // of its centre line, the highest current of its envelope).
    double chargeMah = 0;
    double referenceChargeMah = 0;
    double peakAmps = 0;
    double referencePeakAmps = 0;
    // How far the capture got.
    qint64 coveredUs = 0;
};

enum class State {
    Waiting,    // no sample yet
    Running,    // inside the band so far, the reference's length not yet covered
    Passed,     // covered the reference's length inside the band
    Failed,     // a sample left the band (firstMiss)
    Incomplete, // ended before covering the reference's length, inside so far
};

// The check of one capture against a reference, a sample at a time: each
// costs the bins within its time tolerance, never a pass over the capture.
class Check {
public:
    explicit Check(const Reference &reference);

    const Reference &reference() const { return mReference; }
    const Band &band() const { return mBand; }

    // Back to waiting, for a new capture.
    void restart();
    // A sample `atUs` after the capture's start, in time order. A sample at
    // or past the reference's length is not checked (the capture is then
    // complete: finish). Returns whether it lies inside its mask.
    bool add(qint64 atUs, double amps);
    // The capture ended `atUs` after its start: passed when that covers the
    // reference's length and no sample left the band.
    void finish(qint64 atUs);

    State state() const { return mState; }
    const std::optional<Miss> &firstMiss() const { return mFirstMiss; }
    Summary summary() const;

private:
    Reference mReference;
    Band mBand;
    State mState = State::Waiting;
    std::optional<Miss> mFirstMiss;
    Summary mSummary;
    qint64 mPreviousUs = -1;
    counting::Integrator mCharge;
};

// Checks a whole capture: its samples, then its end (endedAtUs).
void checkCapture(Check &check, const Capture &capture);

// ---------------------------------------------------------------------------
// Texts

// The sentences of the verdict and the summary: the window gives its
// translated ones, the command line English. Numbers go in as %1, %2, …
struct Words {
    QString waiting; // %1 threshold (mA)
    QString running; // %1 covered (s), %2 length (s)
    QString passed;
    QString failed;         // %1 time (s), %2 measured (A), %3 expected (A), %4 ± (A)
    QString failedInPhase;  // as failed, %5 the phase
    QString incomplete;     // %1 covered (s), %2 length (s)
    QString worstDeviation; // %1 (A), %2 time (s)
    QString noDeviation;
    QString timeOutside; // %1 (s)
    QString charge;      // %1 mAh, %2 reference mAh
    QString peak;        // %1 A, %2 reference A
};

// The English sentences ("FAIL at 2.31 s: 0.052 A, expected 0.340 ± 0.050 A
// (kernel)").
Words englishWords();

// The verdict line of a check; `thresholdAmps` for the waiting text.
QString verdictText(const Check &check, const Words &words, double thresholdAmps);
// The summary lines: worst deviation, time outside, charge, peak.
QStringList summaryLines(const Check &check, const Words &words);

} // namespace bootprofile
