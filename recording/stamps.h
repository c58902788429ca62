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
