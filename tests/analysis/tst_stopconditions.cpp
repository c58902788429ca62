// The stop conditions without an instrument: the command line's texts of the
// conditions and their errors, and each condition on a trace of timed
// samples at its boundaries (exactly the value, a flicker back that starts
// the held time again, a gap), with how far each is and the time that passes
// without samples.
#include "analysis/stopconditions.h"

#include <QtTest>

using stopcond::Condition;
using stopcond::Kind;

Q_DECLARE_METATYPE(stopcond::Kind)

namespace {

constexpr qint64 kSecond = 1000000;

// A trace: "t,V,A" samples (seconds, volts, amperes) and "gap" marks,
// separated by spaces, fed in order. Returns the index (among the samples)
// of the sample at which the set fired, or -1.
int feed(stopcond::StopConditions &set, const QString &trace)
{
    int index = 0;
    int firedAt = -1;
    for (const QString &token : trace.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        if (token == QLatin1String("gap")) {
            set.addGap(0);
            continue;
        }
        const QStringList v = token.split(QLatin1Char(','));
        engine::Sample sample;
        sample.atUs = qint64(std::llround(v[0].toDouble() * kSecond));
        sample.volts = v[1].toDouble();
        sample.amps = v[2].toDouble();
        sample.watts = sample.volts * sample.amps;
        const bool before = set.hasFired();
        set.addSample(sample);
        if (!before && set.hasFired())
            firedAt = index;
        ++index;
    }
    return firedAt;
}

// `count` samples one second apart from `from` s at V volts and A amperes.
QString steady(int from, int count, double volts, double amps)
{
    QStringList samples;
    for (int t = from; t < from + count; ++t)
        samples << QStringLiteral("%1,%2,%3").arg(t).arg(volts).arg(amps);
    return samples.join(QLatin1Char(' '));
}

stopcond::Setup setOf(const QStringList &texts)
{
    stopcond::Setup setup;
    for (const QString &text : texts) {
        Condition condition;
        QString error;
        if (!stopcond::parseCondition(text, &condition, &error))
            qFatal("%s", qPrintable(error));
        setup.conditions << condition;
    }
    return setup;
}

} // namespace

class StopConditionsTest : public QObject {
    Q_OBJECT
private slots:
    // The command line's texts, and the text each condition is written back
    // as (in a recording's last line), which reads back to the same.
    void parsesTheCommandLinesTexts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Kind>("kind");
        QTest::addColumn<double>("value");
        QTest::addColumn<qint64>("holdUs");
        QTest::addColumn<QString>("written");
        QTest::newRow("current for a time") << "current<50mA for 60s" << Kind::CurrentBelow << 0.05
                                            << 60 * kSecond << "current<50mA for 60s";
        QTest::newRow("spaces and case") << "  Current < 50 mA  FOR 60 s " << Kind::CurrentBelow
                                         << 0.05 << 60 * kSecond << "current<50mA for 60s";
        QTest::newRow("amperes, no time")
            << "current<0.05A" << Kind::CurrentBelow << 0.05 << qint64(0) << "current<50mA";
        QTest::newRow("a fraction of a milliampere, of a second")
            << "current<0.5mA for 1.5s" << Kind::CurrentBelow << 0.0005 << 1500000ll
            << "current<0.5mA for 1.5s";
        QTest::newRow("held an hour") << "current<100mA for 1h" << Kind::CurrentBelow << 0.1
                                      << 3600 * kSecond << "current<100mA for 1h";
        QTest::newRow("held ten minutes") << "current<100mA for 600s" << Kind::CurrentBelow << 0.1
                                          << 600 * kSecond << "current<100mA for 10m";
        QTest::newRow("charge") << "charge>=2000mAh" << Kind::ChargeAtLeast << 2000.0 << qint64(0)
                                << "charge>=2000mAh";
        QTest::newRow("charge in Ah")
            << "charge>=2.5Ah" << Kind::ChargeAtLeast << 2500.0 << qint64(0) << "charge>=2500mAh";
        QTest::newRow("energy") << "energy>=500mWh" << Kind::EnergyAtLeast << 500.0 << qint64(0)
                                << "energy>=500mWh";
        QTest::newRow("energy in Wh")
            << "energy>=1.5Wh" << Kind::EnergyAtLeast << 1500.0 << qint64(0) << "energy>=1500mWh";
        QTest::newRow("time in hours")
            << "time>=2h" << Kind::TimeAtLeast << 7200.0 << qint64(0) << "time>=2h";
        QTest::newRow("time in minutes")
            << "time>=15m" << Kind::TimeAtLeast << 900.0 << qint64(0) << "time>=15m";
        QTest::newRow("time in seconds")
            << "time>=90s" << Kind::TimeAtLeast << 90.0 << qint64(0) << "time>=90s";
        QTest::newRow("time, plain seconds")
            << "time >= 45" << Kind::TimeAtLeast << 45.0 << qint64(0) << "time>=45s";
        QTest::newRow("voltage below")
            << "voltage<3.0V" << Kind::VoltageBelow << 3.0 << qint64(0) << "voltage<3.0V";
        QTest::newRow("voltage above")
            << "voltage>4.2V" << Kind::VoltageAbove << 4.2 << qint64(0) << "voltage>4.2V";
        QTest::newRow("voltage in mV, held") << "voltage<3300mV for 2s" << Kind::VoltageBelow << 3.3
                                             << 2 * kSecond << "voltage<3.3V for 2s";
        QTest::newRow("two decimals of a volt")
            << "voltage>4.35V" << Kind::VoltageAbove << 4.35 << qint64(0) << "voltage>4.35V";
    }
    void parsesTheCommandLinesTexts()
    {
        QFETCH(QString, text);
        QFETCH(Kind, kind);
        QFETCH(double, value);
        QFETCH(qint64, holdUs);
        QFETCH(QString, written);
        Condition c;
        QString error;
        QVERIFY2(stopcond::parseCondition(text, &c, &error), qPrintable(error));
        QCOMPARE(c.kind, kind);
        QCOMPARE(c.value, value);
        QCOMPARE(c.holdUs, holdUs);
        QCOMPARE(stopcond::conditionText(c), written);
        Condition back;
        QVERIFY(stopcond::parseCondition(written, &back, &error));
        QVERIFY(back == c);
    }

    // What cannot be read says why, naming the text given.
    void refusesWithAReason_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reason");
        QTest::newRow("nothing") << ""
                                 << "say what to watch";
        QTest::newRow("unknown quantity") << "temperature<50C"
                                          << "say what to watch";
        QTest::newRow("current above") << "current>50mA"
                                       << "current takes <";
        QTest::newRow("current at or below") << "current<=50mA"
                                             << "current takes <";
        QTest::newRow("charge above") << "charge>2000mAh"
                                      << "charge takes >=";
        QTest::newRow("energy below") << "energy<5mWh"
                                      << "energy takes >=";
        QTest::newRow("time equal") << "time=2h"
                                    << "time takes >=";
        QTest::newRow("voltage at or above") << "voltage>=4.2V"
                                             << "voltage takes < or >";
        QTest::newRow("no unit") << "current<50"
                                 << "needs the unit mA or A";
        QTest::newRow("wrong unit") << "current<50mV"
                                    << "needs the unit mA or A";
        QTest::newRow("charge unit") << "charge>=2000mWh"
                                     << "needs the unit mAh or Ah";
        QTest::newRow("not a number") << "voltage<abcV"
                                      << "is not a number with its unit";
        QTest::newRow("negative") << "voltage<-3V"
                                  << "is not a number with its unit";
        QTest::newRow("for on a charge") << "charge>=2000mAh for 10s"
                                         << "only current and voltage take 'for'";
        QTest::newRow("for what") << "current<50mA for ever"
                                  << "'for ever' is not a time";
        QTest::newRow("a time that is none") << "time>=2 weeks"
                                             << "is not a time";
        QTest::newRow("zero current") << "current<0mA"
                                      << "must be above 0";
        QTest::newRow("zero time") << "time>=0s"
                                   << "must be above 0";
    }
    void refusesWithAReason()
    {
        QFETCH(QString, text);
        QFETCH(QString, reason);
        Condition c;
        c.value = 123;
        QString error;
        QVERIFY(!stopcond::parseCondition(text, &c, &error));
        QVERIFY2(error.startsWith(QStringLiteral("'%1': ").arg(text)), qPrintable(error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QCOMPARE(c.value, 123.0); // untouched
    }

    // Each condition on a trace, armed at 0 s: the sample at which the set
    // fires (-1: it does not), and what it names.
    void firesAtItsBoundary_data()
    {
        QTest::addColumn<QStringList>("conditions");
        QTest::addColumn<QString>("trace");
        QTest::addColumn<int>("firesAt");
        QTest::addColumn<QString>("named");

        QTest::newRow("current: exactly the value is not below")
            << QStringList{"current<100mA"} << "0,5,0.2 1,5,0.1 2,5,0.1 3,5,0.0999" << 3
            << "current<100mA";
        QTest::newRow("current held: fires exactly at the time")
            << QStringList{"current<100mA for 10s"} << steady(0, 12, 4.2, 0.05) << 10
            << "current<100mA for 10s";
        QTest::newRow("current held: not a moment short of it")
            << QStringList{"current<100mA for 10s"}
            << steady(0, 10, 4.2, 0.05) + " 9.999999,4.2,0.05" << -1 << "";
        // At 7 s the current is back at the value: the 10 s start again at 8 s.
        QTest::newRow("current held: a flicker back restarts the time")
            << QStringList{"current<100mA for 10s"}
            << steady(0, 7, 4.2, 0.05) + " 7,4.2,0.1 " + steady(8, 12, 4.2, 0.05) << 18
            << "current<100mA for 10s";
        // Away after 5 s, back at 6 s: the 10 s count from 6 s.
        QTest::newRow("current held: a gap restarts the time")
            << QStringList{"current<100mA for 10s"}
            << steady(0, 6, 4.2, 0.05) + " gap " + steady(6, 11, 4.2, 0.05) << 16
            << "current<100mA for 10s";
        QTest::newRow("voltage below: exactly the value is not below")
            << QStringList{"voltage<3.0V"} << "0,3.1,0 1,3.0,0 2,2.99,0" << 2 << "voltage<3.0V";
        QTest::newRow("voltage above: exactly the value is not above")
            << QStringList{"voltage>4.2V"} << "0,4.1,0 1,4.2,0 2,4.21,0" << 2 << "voltage>4.2V";
        QTest::newRow("voltage held below")
            << QStringList{"voltage<3.0V for 2s"}
            << "0,2.9,0 1,2.9,0 1.5,3.2,0 2,2.9,0 3,2.9,0 4,2.9,0" << 5 << "voltage<3.0V for 2s";
        // 3.6 A for a second is 1 mAh: 2 mAh exactly at 2 s.
        QTest::newRow("charge: exactly the value")
            << QStringList{"charge>=2mAh"} << steady(0, 4, 5, 3.6) << 2 << "charge>=2mAh";
        // Nothing is counted from 1 s to 10 s: 2 mAh only at 11 s.
        QTest::newRow("charge: nothing across a gap")
            << QStringList{"charge>=2mAh"} << steady(0, 2, 5, 3.6) + " gap " + steady(10, 3, 5, 3.6)
            << 3 << "charge>=2mAh";
        // 2 V at 3.6 A is 7.2 W, 2 mWh a second: 4 mWh at 2 s.
        QTest::newRow("energy: exactly the value")
            << QStringList{"energy>=4mWh"} << steady(0, 4, 2, 3.6) << 2 << "energy>=4mWh";
        QTest::newRow("time: exactly the value")
            << QStringList{"time>=5s"} << steady(0, 7, 5, 1) << 5 << "time>=5s";
        QTest::newRow("time: a gap does not stop it")
            << QStringList{"time>=5s"} << "0,5,1 gap 6,5,1" << 1 << "time>=5s";
        QTest::newRow("any of several: the first met")
            << QStringList{"charge>=100mAh", "current<100mA for 2s"}
            << "0,5,1 1,5,0.05 2,5,0.05 3,5,0.05" << 3 << "current<100mA for 2s";
        QTest::newRow("two met by one sample: both named")
            << QStringList{"current<100mA", "voltage<3.0V"} << "0,3.5,0.5 1,2.9,0.05" << 1
            << "current<100mA; voltage<3.0V";
    }
    void firesAtItsBoundary()
    {
        QFETCH(QStringList, conditions);
        QFETCH(QString, trace);
        QFETCH(int, firesAt);
        QFETCH(QString, named);
        stopcond::StopConditions set;
        int calls = 0;
        set.fired = [&calls] { ++calls; };
        set.arm(setOf(conditions), 0);
        QCOMPARE(feed(set, trace), firesAt);
        QCOMPARE(calls, firesAt >= 0 ? 1 : 0); // once, and never again
        QCOMPARE(set.hasFired(), firesAt >= 0);
        QCOMPARE(set.isArmed(), firesAt < 0);
        QCOMPARE(set.firedText(), named);
    }

    // Samples measured before the set was armed do not count.
    void countsFromWhenArmed()
    {
        stopcond::StopConditions set;
        set.arm(setOf({"current<100mA", "charge>=1mAh"}), 10 * kSecond);
        QCOMPARE(feed(set, "9,5,0.05 10,5,3.6"), -1);
        QCOMPARE(set.counted().chargeMah, 0.0);
        QCOMPARE(feed(set, "11,5,3.6"), 0); // 1 mAh from 10 s to 11 s
        QCOMPARE(set.firedUs(), 11 * kSecond);
        QCOMPARE(set.firedText(), QStringLiteral("charge>=1mAh"));
    }

    // After it fired the set looks at nothing more; arming again starts afresh.
    void firesOnceThenRestsUntilArmedAgain()
    {
        stopcond::StopConditions set;
        int calls = 0;
        set.fired = [&calls] { ++calls; };
        set.arm(setOf({"voltage>4.2V"}), 0);
        QCOMPARE(feed(set, "1,4.3,0 2,4.4,0"), 0);
        QCOMPARE(set.firedUs(), 1 * kSecond);
        set.tick(100 * kSecond);
        QCOMPARE(calls, 1);

        set.arm(setOf({"voltage>4.2V"}), 5 * kSecond);
        QVERIFY(set.isArmed());
        QVERIFY(!set.hasFired());
        QCOMPARE(feed(set, "6,4.0,0 7,4.5,0"), 1);
        QCOMPARE(calls, 2);

        set.disarm();
        QVERIFY(!set.isArmed());
        QCOMPARE(feed(set, "8,4.5,0"), -1);
        QCOMPARE(calls, 2);
    }

    // The time passes without samples (an instrument that is away): tick()
    // fires the time condition, at the time given, and nothing else.
    void theTimeFiresWithoutSamples()
    {
        stopcond::StopConditions set;
        set.arm(setOf({"time>=5s", "current<100mA"}), 2 * kSecond);
        set.tick(6999999);
        QVERIFY(set.isArmed());
        set.tick(7 * kSecond);
        QVERIFY(set.hasFired());
        QCOMPARE(set.firedUs(), 7 * kSecond);
        QCOMPARE(set.metConditions(), QList<int>{0});
        QCOMPARE(set.firedText(), QStringLiteral("time>=5s"));
    }

    // How far each condition is: the held time up to the latest sample, the
    // counted charge, the time since arming (standing still once fired).
    void saysHowFarEachIs()
    {
        stopcond::StopConditions set;
        set.arm(setOf({"current<50mA for 60s", "charge>=2000mAh", "time>=2h", "voltage<3.0V"}), 0);
        stopcond::Progress p = set.progress(0, 0);
        QVERIFY(!p.hasValue);
        QCOMPARE(p.heldSeconds, 0.0);
        // 1 A for 3.6 s (1 mAh), then 40 mA from 4 s to 16 s.
        feed(set, "0,4.1,1 3.6,4.1,1 4,4.1,0.04 16,4.1,0.04");
        p = set.progress(0, 20 * kSecond);
        QVERIFY(p.hasValue);
        QCOMPARE(p.value, 0.04);
        QCOMPARE(p.heldSeconds, 12.0);
        QVERIFY(!p.met);
        p = set.progress(1, 20 * kSecond);
        // 1 mAh, then 0.4 s from 1 A to 40 mA (0.52 A: 0.0577… mAh), then
        // 12 s at 40 mA (0.1333… mAh).
        QVERIFY2(qAbs(p.value - (1 + 0.52 * 0.4 / 3.6 + 0.04 * 12 / 3.6)) < 1e-12,
                 qPrintable(QString::number(p.value, 'g', 17)));
        QCOMPARE(set.progress(2, 20 * kSecond).value, 20.0);
        QCOMPARE(set.progress(3, 20 * kSecond).value, 4.1);

        feed(set, "17,2.9,0.04"); // below 3.0 V: fired at 17 s
        QVERIFY(set.progress(3, 30 * kSecond).met);
        QVERIFY(!set.progress(0, 30 * kSecond).met);
        QCOMPARE(set.progress(2, 30 * kSecond).value, 17.0);
    }

    void writesTimesAndNumbers_data()
    {
        QTest::addColumn<qint64>("us");
        QTest::addColumn<QString>("text");
        QTest::newRow("seconds") << 60 * kSecond << "60s";
        QTest::newRow("a fraction") << 250000ll << "0.25s";
        QTest::newRow("below ten minutes") << 540 * kSecond << "540s";
        QTest::newRow("ten minutes") << 600 * kSecond << "10m";
        QTest::newRow("minutes, not whole hours") << 5400 * kSecond << "90m";
        QTest::newRow("hours") << 7200 * kSecond << "2h";
        QTest::newRow("not whole minutes") << 630 * kSecond << "630s";
    }
    void writesTimesAndNumbers()
    {
        QFETCH(qint64, us);
        QFETCH(QString, text);
        QCOMPARE(stopcond::durationText(us), text);
        qint64 back = -1;
        QVERIFY(stopcond::parseDuration(text, &back));
        QCOMPARE(back, us);
    }
};

QTEST_APPLESS_MAIN(StopConditionsTest)
#include "tst_stopconditions.moc"
