// Time stamps of a recording. Every row carries two times: the UTC time to
// the millisecond in ISO 8601 ("2024-05-01T12:34:56.789Z") and the seconds
// since the recording started ("3723.456"). Both come from one count of
// microseconds since the start on the monotonic clock; the UTC time is the
// start's UTC time plus that count. So the two columns always agree, and
// neither goes back when the system clock is set during a long recording.
// Qt Core only.
#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace recording {

// The times of the `count` samples of one meter report received at
// `receivedUs`: `rate` samples per second apart, the last one at receipt, the
// others before it. A sample is never placed at or before `floorUs` (the
// time of the line written last): when reports come faster than their
// samples at `rate` would take, the samples are spread evenly over the time
// between `floorUs` and the receipt instead; a receipt not after `floorUs`
// puts them all at `floorUs`. A rate of 0 or less counts as 1.
// Writes `count` times to `times`.
void spreadSamples(qint64 receivedUs, qint64 floorUs, int count, int rate, qint64 *times);

// Writes the two time columns of a row, "<ISO 8601 UTC>,<seconds>", for a
// time given in microseconds since the start. The date and time up to the
// second are worked out only when the second changes.
class StampText {
public:
    explicit StampText(qint64 startUtcMs = 0);

    void append(QByteArray &out, qint64 sinceStartUs);

private:
    qint64 mStartUtcMs;
    qint64 mCachedSecond;
    char mSecondText[24] = {}; // "YYYY-MM-DDTHH:MM:SS"
    int mSecondLength = 0;
};

} // namespace recording
