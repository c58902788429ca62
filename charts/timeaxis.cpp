#include "timeaxis.h"

#include "analysis/seriesindex.h"

#include <cmath>

ElapsedTimeTicker::ElapsedTimeTicker(const statistics::SeriesIndex &series) : mSeries(series) {}

qint64 ElapsedTimeTicker::timeAtKey(double key) const
{
    const qint64 count = mSeries.count();
    if (count == 0)
        return 0;
    const double clamped = qBound(0.0, key, double(count - 1));
    const qint64 before = qint64(std::floor(clamped));
    const qint64 after = qMin(before + 1, count - 1);
    const double fraction = clamped - double(before);
    const qint64 t0 = mSeries.timeUs(before);
    return t0 + qint64(std::llround(fraction * double(mSeries.timeUs(after) - t0)));
}

QVector<double> ElapsedTimeTicker::createTickVector(double, const QCPRange &range)
{
    QVector<double> ticks;
    const qint64 count = mSeries.count();
    const qint64 low = qMax<qint64>(0, qint64(std::ceil(range.lower)));
    const qint64 high = qMin<qint64>(count - 1, qint64(std::floor(range.upper)));
    if (count < 2 || high <= low)
        return ticks;
    const qint64 t0 = timeAtKey(range.lower);
    const qint64 t1 = timeAtKey(range.upper);
    const double wanted = double(t1 - t0) / qMax(1, tickCount());
    // Round steps: 1, 2, 5 x 10^n us up to a second, then 1, 2, 5, 10, 15,
    // 30 s, 1, 2, 5, 10, 15, 30 min, 1, 2, 3, 6, 12, 24 h.
    static const qint64 kLong[] = {
        1000000,    2000000,      5000000,       10000000,      15000000,      30000000,
        60000000,   120000000,    300000000,     600000000,     900000000,     1800000000,
        3600000000, 7200000000LL, 10800000000LL, 21600000000LL, 43200000000LL, 86400000000LL};
    qint64 step = 0;
    if (wanted < 1e6) {
        for (qint64 base = 1; base < 1000000 && step == 0; base *= 10) {
            for (qint64 m : {1, 2, 5}) {
                if (double(base * m) >= wanted) {
                    step = base * m;
                    break;
                }
            }
        }
    }
    for (qint64 s : kLong) {
        if (step == 0 && double(s) >= wanted)
            step = s;
    }
    if (step == 0)
        step = qint64(std::ceil(wanted / 86400e6)) * 86400000000LL;
    mStepUs = step;
    for (qint64 t = (t0 + step - 1) / step * step; t <= t1; t += step) {
        const qint64 after = mSeries.firstAtOrAfter(t);
        if (after >= count)
            break;
        double key = double(after);
        const qint64 tAfter = mSeries.timeUs(after);
        if (after > 0 && tAfter > t) {
            const qint64 tBefore = mSeries.timeUs(after - 1);
            key = double(after - 1) + double(t - tBefore) / double(tAfter - tBefore);
        }
        if (key >= range.lower && key <= range.upper)
            ticks.append(key);
        if (ticks.size() > 100)
            break;
    }
    return ticks;
}

QString ElapsedTimeTicker::getTickLabel(double tick, const QLocale &, QChar, int)
{
    // Rounded to the step, so that a tick between two samples reads as the
    // round time it was put at.
    const qint64 t = (timeAtKey(tick) + mStepUs / 2) / mStepUs * mStepUs;
    if (mStepUs < 1000000) {
        const int decimals = mStepUs >= 100000 ? 1 : mStepUs >= 10000 ? 2 : 3;
        if (t < 60000000)
            return QString::number(double(t) / 1e6, 'f', decimals) + QStringLiteral(" s");
    }
    const qint64 seconds = t / 1000000;
    if (seconds < 60)
        return QStringLiteral("%1 s").arg(seconds);
    const QString minutesSeconds = QStringLiteral("%1:%2")
                                       .arg(seconds / 60 % 60, 2, 10, QLatin1Char('0'))
                                       .arg(seconds % 60, 2, 10, QLatin1Char('0'));
    if (seconds < 3600)
        return QString::number(seconds / 60) + minutesSeconds.mid(2);
    return QString::number(seconds / 3600) + QLatin1Char(':') + minutesSeconds;
}
