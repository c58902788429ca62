// The meter's work without a window: its link, the poll step (one request,
// one answer), the decoding of each answer once into timed samples, and the
// hand-over of those samples to whoever listens (the chart, a recording, a
// stop condition, the terminal). The window's meter state and the command
// line both drive it. Qt Core and the device layer only.
#pragma once

#include "device/devicelink.h"
#include "engine/instrument.h"
#include "tools/meter/counting.h"
#include "tools/meter/meterreport.h"

#include <limits>

namespace meter {

// One accepted answer of the meter, decoded.
struct Answer {
    quint8 type = 0;                   // the answer code in byte 0
    const RateSetting *rate = nullptr; // the rate the request asked for
    // The samples it carries, oldest first, each timed: none unless it is a
    // sample report sent for a rate the meter has. All five sample fields are
    // decoded whatever the answer (the readings shown while the chart rests
    // take the first field as it stands); those beyond `count` carry the
    // time of receipt.
    int count = 0;
    engine::Sample samples[kMaxSamplesPerReport];
    LineVoltages lines;
    qint64 receivedUs = 0;
};

// The floor of spreadSamples before any sample: nothing to keep clear of.
constexpr qint64 kNoSampleYet = std::numeric_limits<qint64>::min();

// The times of the `count` samples of one report received at `receivedUs`:
// `rate` samples per second apart, the last one at receipt, the others
// before it. A sample is never placed at or before `floorUs` (the time of
// the sample before): when reports come faster than their samples at `rate`
// would take, the samples are spread evenly over the time between `floorUs`
// and the receipt instead; a receipt not after `floorUs` puts them all at
// `floorUs`. A rate of 0 or less counts as 1. Writes `count` times.
void spreadSamples(qint64 receivedUs, qint64 floorUs, int count, int rate, qint64 *times);

// Decodes a 64-byte answer to a request for `rateCode`, received at
// `receivedUs`, its samples placed after `floorUs` (see spreadSamples).
Answer decodeAnswer(const quint8 *report, quint8 rateCode, qint64 receivedUs, qint64 floorUs);

// At the slow rates (one sample per report: 1, 2 and 10 Sa/s) only one
// report in 20, 10 or 2 counts. Whether this sample report counts, on a
// consumer's own count of reports, which it advances. Each consumer that
// follows the rate (the chart, a recording) keeps its own count, since each
// starts and pauses on its own.
bool takeAtRate(quint16 &count, const RateSetting &rate);

} // namespace meter

// The meter as the program drives it. The window's Vc_Meter is one; the
// command line makes its own.
class MeterEngine : public DeviceLink, public CountingState {
public:
    MeterEngine();
    virtual ~MeterEngine();
    MeterEngine(const MeterEngine &) = delete;
    MeterEngine &operator=(const MeterEngine &) = delete;

    // The rate code the requests carry (20 Sa/s until chosen).
    quint8 rateCode = 20;
    int pollIntervalMs = 47;

    quint8 outReport[65] = {};
    quint8 inReport[64] = {};

    // One exchange with the meter: the answer decoded and handed to the
    // listeners, or null when there is no meter or no answer came.
    const meter::Answer *poll();
    // The meter went away: the listeners hear of the gap.
    void markGap();

    engine::Listeners<meter::Answer> listeners;

private:
    meter::Answer mAnswer;
    // The time of the newest sample handed over; none yet.
    qint64 mLastSampleUs = meter::kNoSampleYet;
};
