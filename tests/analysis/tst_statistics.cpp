// The statistics of spans of timed samples, on synthetic traces whose
// integrals are known, and the index a chart keeps beside its graphs.
#include "analysis/seriesindex.h"
#include "analysis/statistics.h"

#include <QtTest>

#include <cmath>
#include <vector>

using statistics::Accumulator;
using statistics::Roles;
using statistics::SeriesIndex;

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

Roles threeTraces()
{
    Roles roles;
    roles.traces = 3;
    roles.voltage = 0;
    roles.current = 1;
    roles.power = 2;
    return roles;
}

// A chart's three graphs in plain vectors and the index beside them.
struct Trace {
    std::vector<double> values[3];
    SeriesIndex index;
    explicit Trace(const Roles &roles = threeTraces()) : index(roles) {}

    void add(qint64 atUs, double volts, double amps, bool withPower = true)
    {
        const double row[3] = {volts, amps, withPower ? volts * amps : kNaN};
        for (int k = 0; k < 3; ++k)
            values[k].push_back(row[k]);
        index.appendAt(atUs, row);
    }
    void gapPoint(qint64 atUs)
    {
        for (auto &v : values)
            v.push_back(kNaN);
        index.appendGapPoint(atUs);
    }
    Accumulator measure(qint64 a, qint64 b) const
    {
        chartfile::ValueSeries views[3];
        for (int k = 0; k < 3; ++k)
            views[k] = chartfile::ValueSeries(values[k].data(), qint64(values[k].size()));
        return index.measure(a, b, views);
    }
};

bool near(double value, double expected, double relative)
{
    return std::fabs(value - expected) <= relative * std::fabs(expected) + 1e-12;
}

} // namespace

class StatisticsTest : public QObject {
    Q_OBJECT
private slots:
    void knownIntegrals_data();
    void knownIntegrals();
    void energyFromVoltageTimesCurrentWithoutPower();
    void missingValuesAreLeftOut();
    void measuredTimesStartAtTheFirstSample();
    void timesBeyondFourDaysTakeANewBase();
    void nominalTimesAreMarked();
    void samplesOfAnotherSourceFollowAfterAGap();
    void snappingSkipsGapPoints();
    void firstPointAtOrAfterATime();
    void clearStartsAfresh();
};

// Shapes, each worked out by hand:
// - "hour": 1.000 A at 5 V for one hour at 100 Sa/s (360 001 samples, 0 to
//   3600 s): 1000 mAh, 5000 mWh; a span of 1000 s inside it 277.7778 mAh.
// - "ramp": 0 to 2 A in 0.02 A steps at 10 Sa/s (101 samples over 10 s), 5 V:
//   the mean current is 1 A over 10 s, 10 A s = 2.777778 mAh, 13.888889 mWh.
// - "square": 1 1 0 0 1 1 0 0 1 A at 1 Sa/s, 5 V: the trapezoids 1, .5, 0,
//   .5, 1, .5, 0, .5 A s = 4 A s = 1.111111 mAh; mean 5/9 A.
// - "gap line": 2 A at 0, 1, 2 s, a recording's gap line at 5 s, 2 A at 10
//   and 11 s: 3 s counted, 6 A s = 1.666667 mAh, 11 s from first to last.
// - "unplug": the same with the gap told by the engine (no point).
// - "spike": 1 A at 100 Sa/s, 10 000 samples, 7 A at sample 5000 (in the
//   second block of 4096), measured from 100 to 9000: 89 s at 1 A plus two
//   trapezoids of (7 - 1) / 2 x 0.01 s, 89.06 A s = 24.738889 mAh; mean
//   (8901 + 6) / 8901 A.
// - "unplug at a block start": 1 A at 100 Sa/s, 10 000 samples, a gap before
//   sample 4096: 99.99 s less the 0.01 s across the gap, 99.98 A s =
//   27.772222 mAh.
void StatisticsTest::knownIntegrals_data()
{
    QTest::addColumn<QString>("shape");
    QTest::addColumn<qint64>("a");
    QTest::addColumn<qint64>("b");
    QTest::addColumn<qint64>("samples");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<double>("chargeMah");
    QTest::addColumn<double>("energyMwh");
    QTest::addColumn<double>("minAmps");
    QTest::addColumn<double>("maxAmps");
    QTest::addColumn<double>("meanAmps");
    QTest::addColumn<qint64>("gaps");
    QTest::newRow("1.000 A for an hour")
        << "hour" << qint64(0) << qint64(360000) << qint64(360001) << 3600.0 << 1000.0 << 5000.0
        << 1.0 << 1.0 << 1.0 << qint64(0);
    QTest::newRow("1000 s inside the hour")
        << "hour" << qint64(100000) << qint64(200000) << qint64(100001) << 1000.0 << 277.777778
        << 1388.888889 << 1.0 << 1.0 << 1.0 << qint64(0);
    QTest::newRow("cursors the other way round")
        << "hour" << qint64(200000) << qint64(100000) << qint64(100001) << 1000.0 << 277.777778
        << 1388.888889 << 1.0 << 1.0 << 1.0 << qint64(0);
    QTest::newRow("ramp") << "ramp" << qint64(0) << qint64(100) << qint64(101) << 10.0 << 2.777778
                          << 13.888889 << 0.0 << 2.0 << 1.0 << qint64(0);
    QTest::newRow("square wave") << "square" << qint64(0) << qint64(8) << qint64(9) << 8.0
                                 << 1.111111 << 5.555556 << 0.0 << 1.0 << 5.0 / 9 << qint64(0);
    QTest::newRow("a recording's gap line")
        << "gap line" << qint64(0) << qint64(5) << qint64(5) << 11.0 << 1.666667 << 8.333333 << 2.0
        << 2.0 << 2.0 << qint64(1);
    QTest::newRow("an unplug") << "unplug" << qint64(0) << qint64(4) << qint64(5) << 11.0
                               << 1.666667 << 8.333333 << 2.0 << 2.0 << 2.0 << qint64(1);
    QTest::newRow("one sample") << "square" << qint64(3) << qint64(3) << qint64(1) << 0.0 << 0.0
                                << 0.0 << 0.0 << 0.0 << 0.0 << qint64(0);
    QTest::newRow("a spike in a whole block")
        << "spike" << qint64(100) << qint64(9000) << qint64(8901) << 89.0 << 24.738889 << 123.694444
        << 1.0 << 7.0 << (8901.0 + 6) / 8901 << qint64(0);
    QTest::newRow("an unplug at a block start")
        << "block gap" << qint64(0) << qint64(9999) << qint64(10000) << 99.99 << 27.772222
        << 138.861111 << 1.0 << 1.0 << 1.0 << qint64(1);
}

void StatisticsTest::knownIntegrals()
{
    QFETCH(QString, shape);
    QFETCH(qint64, a);
    QFETCH(qint64, b);
    QFETCH(qint64, samples);
    QFETCH(double, seconds);
    QFETCH(double, chargeMah);
    QFETCH(double, energyMwh);
    QFETCH(double, minAmps);
    QFETCH(double, maxAmps);
    QFETCH(double, meanAmps);
    QFETCH(qint64, gaps);

    Trace t;
    if (shape == "hour") {
        for (qint64 i = 0; i <= 360000; ++i)
            t.add(i * 10000, 5.0, 1.0);
    } else if (shape == "ramp") {
        for (int i = 0; i <= 100; ++i)
            t.add(i * 100000, 5.0, 0.02 * i);
    } else if (shape == "square") {
        const double amps[] = {1, 1, 0, 0, 1, 1, 0, 0, 1};
        for (int i = 0; i < 9; ++i)
            t.add(i * 1000000LL, 5.0, amps[i]);
    } else if (shape == "gap line" || shape == "unplug") {
        for (int s : {0, 1, 2})
            t.add(s * 1000000LL, 5.0, 2.0);
        if (shape == "gap line")
            t.gapPoint(5000000);
        else
            t.index.markGap();
        for (int s : {10, 11})
            t.add(s * 1000000LL, 5.0, 2.0);
    } else if (shape == "spike" || shape == "block gap") {
        for (int i = 0; i < 10000; ++i) {
            if (shape == "block gap" && i == 4096)
                t.index.markGap();
            t.add(i * 10000LL, 5.0, shape == "spike" && i == 5000 ? 7.0 : 1.0);
        }
    }

    const Accumulator m = t.measure(a, b);
    QCOMPARE(m.samples(), samples);
    QVERIFY2(near(m.durationUs() / 1e6, seconds, 1e-9),
             qPrintable(QString::number(m.durationUs())));
    QVERIFY2(near(m.chargeMah(), chargeMah, 1e-6),
             qPrintable(QString::number(m.chargeMah(), 'f', 9)));
    QVERIFY2(near(m.energyMwh(), energyMwh, 1e-6),
             qPrintable(QString::number(m.energyMwh(), 'f', 9)));
    QVERIFY2(near(m.chargeCoulombs(), chargeMah * 3.6, 1e-6), "coulombs");
    QVERIFY2(near(m.energyJoules(), energyMwh * 3.6, 1e-6), "joules");
    QCOMPARE(m.trace(1).min, minAmps);
    QCOMPARE(m.trace(1).max, maxAmps);
    QVERIFY2(near(m.trace(1).mean(), meanAmps, 1e-12),
             qPrintable(QString::number(m.trace(1).mean(), 'f', 12)));
    QCOMPARE(m.trace(1).peakToPeak(), maxAmps - minAmps);
    QCOMPARE(m.gaps(), gaps);
    // The values at the ends are those of the span's first and last samples.
    const qint64 first = qMin(a, b);
    const qint64 last = qMax(a, b);
    QCOMPARE(m.trace(1).first, t.values[1][size_t(first)]);
    QCOMPARE(m.trace(1).last, t.values[1][size_t(last)]);
    QCOMPARE(m.trace(0).mean(), 5.0);
}

void StatisticsTest::energyFromVoltageTimesCurrentWithoutPower()
{
    // A boot line recording has voltage and current, no power: 5 V x 1 A
    // for an hour is 5000 mWh. Without a voltage either, there is no energy.
    Roles roles;
    roles.traces = 2;
    roles.voltage = 0;
    roles.current = 1;
    Accumulator acc(roles);
    for (qint64 s = 0; s <= 3600; ++s) {
        const double row[2] = {5.0, 1.0};
        acc.add(s * 1000000, row);
    }
    QVERIFY(near(acc.energyMwh(), 5000.0, 1e-12));
    QVERIFY(near(acc.chargeMah(), 1000.0, 1e-12));

    Roles currentOnly;
    currentOnly.traces = 1;
    currentOnly.current = 0;
    Accumulator line(currentOnly);
    for (qint64 s = 0; s <= 10; ++s) {
        const double row[1] = {0.36};
        line.add(s * 1000000, row);
    }
    QVERIFY(near(line.chargeMah(), 1.0, 1e-12)); // 0.36 A for 10 s
    QVERIFY(std::isnan(line.energyMwh()));
}

void StatisticsTest::missingValuesAreLeftOut()
{
    // An empty cell (a power supply's set-point while no slot is selected)
    // is no value: out of the minimum, maximum and mean; the points beyond a
    // shorter graph have none either.
    Roles roles;
    roles.traces = 2;
    roles.current = 0;
    Accumulator acc(roles);
    const double rows[3][2] = {{1.0, kNaN}, {3.0, 12.0}, {2.0, 4.0}};
    for (int i = 0; i < 3; ++i)
        acc.add(i * 1000000LL, rows[i]);
    QCOMPARE(acc.trace(1).count, qint64(2));
    QCOMPARE(acc.trace(1).min, 4.0);
    QCOMPARE(acc.trace(1).max, 12.0);
    QCOMPARE(acc.trace(1).mean(), 8.0);
    QVERIFY(std::isnan(acc.trace(1).first));
    QCOMPARE(acc.trace(0).mean(), 2.0);

    Trace t;
    for (int i = 0; i < 4; ++i)
        t.add(i * 1000000LL, 5.0, 1.0);
    t.values[2].resize(2); // a shorter power graph
    const Accumulator m = t.measure(0, 3);
    QCOMPARE(m.trace(2).count, qint64(2));
    QCOMPARE(m.trace(1).count, qint64(4));
    // Energy only between the two samples with a power: 5 W for 1 s.
    QVERIFY(near(m.energyMwh(), 5.0 / 3.6, 1e-12));
}

void StatisticsTest::measuredTimesStartAtTheFirstSample()
{
    Roles roles;
    roles.traces = 1;
    roles.current = 0;
    SeriesIndex index(roles);
    const double one[1] = {1.0};
    // Times on the engines' clock, kept to 100 us from the first sample.
    for (qint64 at : {5000000LL, 5010049LL, 5020051LL, 5020000LL})
        index.appendMeasured(at, one);
    QCOMPARE(index.count(), qint64(4));
    QCOMPARE(index.timeUs(0), qint64(0));
    QCOMPARE(index.timeUs(1), qint64(10000));
    QCOMPARE(index.timeUs(2), qint64(20100));
    QCOMPARE(index.timeUs(3), qint64(20100)); // never back
    QVERIFY(!index.isNominal(1));
}

void StatisticsTest::timesBeyondFourDaysTakeANewBase()
{
    Roles roles;
    roles.traces = 1;
    roles.current = 0;
    SeriesIndex index(roles);
    const double one[1] = {1.0};
    const qint64 day = 86400LL * 1000000;
    const qint64 times[] = {0, 4 * day, 6 * day, 6 * day + 100, 11 * day};
    for (qint64 t : times)
        index.appendAt(t, one);
    for (int i = 0; i < 5; ++i)
        QCOMPARE(index.timeUs(i), times[i]);
    std::vector<double> values(5, 0.36);
    const chartfile::ValueSeries view(values.data(), 5);
    // 0.36 A for 11 days: 0.1 mAh a second.
    QVERIFY(near(index.measure(0, 4, &view).chargeMah(), 0.1 * 11 * 86400, 1e-12));
}

void StatisticsTest::nominalTimesAreMarked()
{
    Roles roles;
    roles.traces = 1;
    roles.current = 0;
    SeriesIndex index(roles);
    const double one[1] = {1.0};
    for (int i = 0; i < 3; ++i)
        index.appendMeasured(1000000 + i * 48000LL, one);
    for (int i = 0; i < 3; ++i)
        index.appendNominal(2000, one);
    QVERIFY(!index.isNominal(2));
    QVERIFY(index.isNominal(3));
    QVERIFY(index.isNominal(5));
    QVERIFY(!index.nominalWithin(0, 2));
    QVERIFY(index.nominalWithin(2, 3));
    QVERIFY(index.nominalWithin(5, 0));
    // The file's samples follow the measured ones 2 ms apart.
    QCOMPARE(index.timeUs(3), qint64(96000 + 2000));
    QCOMPARE(index.timeUs(5), qint64(96000 + 6000));
}

void StatisticsTest::samplesOfAnotherSourceFollowAfterAGap()
{
    // Live samples after a loaded file are not counted together with it.
    Roles roles;
    roles.traces = 1;
    roles.current = 0;
    SeriesIndex index(roles);
    std::vector<double> values(6, 3.6);
    const chartfile::ValueSeries view(values.data(), 6);
    for (int i = 0; i < 3; ++i)
        index.appendNominal(1000000, values.data());
    for (int i = 0; i < 3; ++i)
        index.appendMeasured(777000000 + i * 1000000LL, values.data());
    const Accumulator m = index.measure(0, 5, &view);
    QCOMPARE(m.gaps(), qint64(1));
    QVERIFY(near(m.countedSeconds(), 4.0, 1e-12));
    QVERIFY(near(m.chargeMah(), 4.0, 1e-12)); // 3.6 A for 4 s
    QVERIFY(index.timeUs(3) > index.timeUs(2));
}

void StatisticsTest::snappingSkipsGapPoints()
{
    Trace t;
    t.add(0, 5, 1);
    t.add(1000000, 5, 1);
    t.gapPoint(2000000);
    t.add(9000000, 5, 1);
    QVERIFY(t.index.isGapPoint(2));
    QCOMPARE(t.index.sampleNear(2, +1), qint64(3));
    QCOMPARE(t.index.sampleNear(2, -1), qint64(1));
    QCOMPARE(t.index.sampleNear(2, 0), qint64(3));
    QCOMPARE(t.index.sampleNear(-5, 0), qint64(0));
    QCOMPARE(t.index.sampleNear(99, +1), qint64(3));
    QCOMPARE(SeriesIndex().sampleNear(0), qint64(-1));
}

void StatisticsTest::firstPointAtOrAfterATime()
{
    Trace t;
    for (int i = 0; i < 10; ++i)
        t.add(i * 500000LL, 5, 1);
    QCOMPARE(t.index.firstAtOrAfter(0), qint64(0));
    QCOMPARE(t.index.firstAtOrAfter(1200000), qint64(3));
    QCOMPARE(t.index.firstAtOrAfter(1500000), qint64(3));
    QCOMPARE(t.index.firstAtOrAfter(99000000), qint64(10));
}

void StatisticsTest::clearStartsAfresh()
{
    Trace t;
    for (int i = 0; i < 5000; ++i)
        t.add(i * 10000LL, 5, 1);
    t.index.clear();
    QCOMPARE(t.index.count(), qint64(0));
    QVERIFY(t.measure(0, 10).isEmpty());
    const double row[3] = {5, 2, 10};
    t.index.appendMeasured(123456789, row);
    QCOMPARE(t.index.timeUs(0), qint64(0));
}

QTEST_APPLESS_MAIN(StatisticsTest)
#include "tst_statistics.moc"
