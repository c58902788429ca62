#include "stamps.h"

#include <QDateTime>

#include <cstring>
#include <limits>

namespace recording {

namespace {

qint64 floorDiv(qint64 value, qint64 divisor)
{
    const qint64 quotient = value / divisor;
    return (value % divisor != 0 && value < 0) ? quotient - 1 : quotient;
}

// Appends `value` with at least `digits` digits, zero-padded; value >= 0.
void appendPadded(QByteArray &out, qint64 value, int digits)
{
    char text[24];
    int length = 0;
    do {
        text[length++] = char('0' + value % 10);
        value /= 10;
    } while (value > 0);
    while (length < digits)
        text[length++] = '0';
    while (length > 0)
        out.append(text[--length]);
}

} // namespace

StampText::StampText(qint64 startUtcMs)
    : mStartUtcMs(startUtcMs), mCachedSecond(std::numeric_limits<qint64>::min())
{
}

void StampText::append(QByteArray &out, qint64 sinceStartUs)
{
    const qint64 sinceStartMs = floorDiv(sinceStartUs, 1000);
    const qint64 utcMs = mStartUtcMs + sinceStartMs;
    const qint64 second = floorDiv(utcMs, 1000);
    if (second != mCachedSecond) {
        // "2024-05-01T12:34:56Z" without its zone letter.
        const QByteArray text =
            QDateTime::fromMSecsSinceEpoch(second * 1000, Qt::UTC).toString(Qt::ISODate).toLatin1();
        mSecondLength = qMin(int(sizeof mSecondText), text.size() - 1);
        std::memcpy(mSecondText, text.constData(), size_t(mSecondLength));
        mCachedSecond = second;
    }
    out.append(mSecondText, mSecondLength);
    out.append('.');
    appendPadded(out, utcMs - second * 1000, 3);
    out.append("Z,", 2);
    if (sinceStartMs < 0) {
        out.append('-');
        appendPadded(out, -sinceStartMs / 1000, 1);
        out.append('.');
        appendPadded(out, -sinceStartMs % 1000, 3);
        return;
    }
    appendPadded(out, sinceStartMs / 1000, 1);
    out.append('.');
    appendPadded(out, sinceStartMs % 1000, 3);
}

} // namespace recording
