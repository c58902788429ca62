// The charge, energy and time counting on its own.
#include "tools/meter/counting.h"

#include <QtTest>

class CountingTest : public QObject {
    Q_OBJECT
private slots:
    // Every run stands for a tenth of a second: I A adds I ÷ 36 mAh and
    // P W adds P ÷ 36 mWh.
    void runsAddTheShownReading_data()
    {
        QTest::addColumn<double>("startMah");
        QTest::addColumn<double>("amps");
        QTest::addColumn<double>("watts");
        QTest::addColumn<int>("runs");
        QTest::addColumn<double>("chargeMah");
        QTest::addColumn<double>("energyMwh");
        QTest::newRow("1 A for 3.6 s") << 0.0 << 1.0 << 5.0 << 36 << 1.0 << 5.0;
        QTest::newRow("10 W, one run") << 0.0 << 2.0 << 10.0 << 1 << 0.0555556 << 0.277778;
        QTest::newRow("nothing flows") << 12.5 << 0.0 << 0.0 << 10 << 12.5 << 0.0;
        QTest::newRow("1.2 A, 6 W for an hour") << 0.0 << 1.2 << 6.0 << 36000 << 1200.0 << 6000.0;
        QTest::newRow("held at the limit") << 99999998.99 << 360.0 << 0.0 << 2 << 99999999.0 << 0.0;
    }
    void runsAddTheShownReading()
    {
        QFETCH(double, startMah);
        QFETCH(double, amps);
        QFETCH(double, watts);
        QFETCH(int, runs);
        QFETCH(double, chargeMah);
        QFETCH(double, energyMwh);
        CountingState state;
        state.chargeMah = startMah;
        for (int i = 0; i < runs; ++i)
            counting::addTick(state, amps, watts);
        QVERIFY2(qAbs(state.chargeMah - chargeMah) < 1e-6,
                 qPrintable(QString::number(state.chargeMah, 'f', 9)));
        QVERIFY2(qAbs(state.energyMwh - energyMwh) < 1e-6,
                 qPrintable(QString::number(state.energyMwh, 'f', 9)));
        QCOMPARE(state.countTicks, quint32(runs)); // the time runs on at the limit
    }

    void energyIsHeldAtTheLimitToo()
    {
        CountingState state;
        state.energyMwh = 99999990.0;
        counting::addTick(state, 0.0, 3600.0); // adds 100 mWh
        QCOMPARE(state.energyMwh, 99999999.0);
    }

    void resetZeroesEverything()
    {
        CountingState state;
        state.chargeMah = 3.5;
        state.energyMwh = 17.0;
        state.countTicks = 1234;
        counting::reset(state);
        QCOMPARE(state.chargeMah, 0.0);
        QCOMPARE(state.energyMwh, 0.0);
        QCOMPARE(state.countTicks, quint32(0));
    }

    void timeText_data()
    {
        QTest::addColumn<quint32>("ticks");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0u << "00:00:00";
        QTest::newRow("36 runs") << 36u << "00:00:03";
        QTest::newRow("599") << 599u << "00:00:59";
        QTest::newRow("600") << 600u << "00:01:00";
        QTest::newRow("35999") << 35999u << "00:59:59";
        QTest::newRow("one hour") << 36000u << "01:00:00";
        QTest::newRow("ten hours") << 360000u << "10:00:00";
        QTest::newRow("a hundred hours") << 3600000u << "100:00:00";
        QTest::newRow("largest count") << 4294967295u << "119304:38:49";
    }
    void timeText()
    {
        QFETCH(quint32, ticks);
        QFETCH(QString, text);
        QCOMPARE(counting::timeText(ticks), text);
    }
};

QTEST_APPLESS_MAIN(CountingTest)
#include "tst_counting.moc"
