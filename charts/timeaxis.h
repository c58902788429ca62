// The elapsed-time bottom axis of a tool's chart ("时间轴" / "Time axis" on
// its context menu). The keys stay sample numbers; the ticks are put at
// round times (1, 2 or 5 steps of seconds, 10, 15 or 30 s, minutes, hours)
// found through the chart's series index, and labelled with the time since
// the chart's first sample.
#pragma once

#include <qcustomplot.h>

namespace statistics {
class SeriesIndex;
}

class ElapsedTimeTicker : public QCPAxisTicker {
public:
    explicit ElapsedTimeTicker(const statistics::SeriesIndex &series);

    // The time, in microseconds, at a key between two samples (linear).
    qint64 timeAtKey(double key) const;

protected:
    QVector<double> createTickVector(double tickStep, const QCPRange &range) override;
    QString getTickLabel(double tick, const QLocale &locale, QChar formatChar,
                         int precision) override;

private:
    const statistics::SeriesIndex &mSeries;
    qint64 mStepUs = 1000000;
};
