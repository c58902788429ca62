// The boot profile check without a window: the band's arithmetic, the time
// tolerance at its edges, the envelope of several captures, the alignment of
// a capture at the trigger and at the threshold, the verdict with its first
// miss, phase and summary; and the simulated phones against the demo's
// reference: every fault fails in its phase, the healthy phone passes run
// after run.
#include "analysis/bootprofile.h"
#include "demo/demobench.h"
#include "sim/boot_line_model.h"

#include <QtTest>

#include <cmath>

using namespace bootprofile;

namespace {

constexpr qint64 kBin = 10000; // 10 ms

// A reference of constant bins (milliamperes) with its tolerance.
Reference referenceOf(const QVector<double> &lowMa, const QVector<double> &highMa,
                      Tolerance tolerance)
{
    Reference r;
    r.binUs = kBin;
    for (int k = 0; k < lowMa.size(); ++k) {
        r.low << lowMa[k] / 1000.0;
        r.high << highMa[k] / 1000.0;
    }
    r.tolerance = tolerance;
    return r;
}

Tolerance tol(double absMa, double relPct, double timeMs)
{
    Tolerance t;
    t.absMilliamps = absMa;
    t.relPercent = relPct;
    t.timeMs = timeMs;
    return t;
}

// A capture of the samples (µs, A).
Capture captureOf(const QVector<QPair<qint64, double>> &samples)
{
    Capture c;
    for (const auto &s : samples)
        c.samples.push_back({s.first, s.second, 4.0});
    c.endedAtUs = c.lengthUs();
    return c;
}

// A boot of a simulated phone as the boot line reads it: a sample every
// 2 ms, 1 ms after the phone's own time (the answer's delay), in whole
// milliamperes, from the press to 8.1 s.
Capture simulatedBoot(sim::BootLineModel::Phone phone, unsigned run)
{
    Capture c;
    c.atTrigger = true;
    for (qint64 t = 0; t <= 8100000; t += 2000) {
        const double amps = sim::BootLineModel::phoneCurrentAt(phone, run, double(t + 1000) / 1e6);
        c.samples.push_back({t, std::round(amps * 1000.0) / 1000.0, 4.0});
    }
    c.endedAtUs = c.lengthUs();
    return c;
}

} // namespace

class BootProfileTest : public QObject {
    Q_OBJECT
private slots:
    // The band around one bin of envelope: the wider of the absolute and
    // the relative margin, around the envelope's own width.
    void bandIsTheWiderMargin_data()
    {
        QTest::addColumn<double>("lowMa");
        QTest::addColumn<double>("highMa");
        QTest::addColumn<double>("absMa");
        QTest::addColumn<double>("relPct");
        QTest::addColumn<double>("bandLowMa");
        QTest::addColumn<double>("bandHighMa");
        // 10 % of 100 mA is 10 mA: the 30 mA win.
        QTest::newRow("absolute wider") << 100.0 << 100.0 << 30.0 << 10.0 << 70.0 << 130.0;
        // 10 % of 500 mA is 50 mA.
        QTest::newRow("relative wider") << 500.0 << 500.0 << 30.0 << 10.0 << 450.0 << 550.0;
        QTest::newRow("both the same") << 300.0 << 300.0 << 30.0 << 10.0 << 270.0 << 330.0;
        // Envelope 200-400 mA, centre 300: 5 % is 15 mA, the 30 mA win.
        QTest::newRow("envelope, absolute wider")
            << 200.0 << 400.0 << 30.0 << 5.0 << 170.0 << 430.0;
        // 20 % of the centre's 300 mA is 60 mA.
        QTest::newRow("envelope, relative wider")
            << 200.0 << 400.0 << 10.0 << 20.0 << 140.0 << 460.0;
        QTest::newRow("no margin") << 200.0 << 250.0 << 0.0 << 0.0 << 200.0 << 250.0;
        QTest::newRow("no current") << 0.0 << 0.0 << 30.0 << 10.0 << -30.0 << 30.0;
    }
    void bandIsTheWiderMargin()
    {
        QFETCH(double, lowMa);
        QFETCH(double, highMa);
        QFETCH(double, absMa);
        QFETCH(double, relPct);
        QFETCH(double, bandLowMa);
        QFETCH(double, bandHighMa);
        const Band band(referenceOf({lowMa}, {highMa}, tol(absMa, relPct, 0)));
        QCOMPARE(band.bins(), 1);
        const Mask mask = band.maskAt(5000);
        QVERIFY2(std::abs(mask.low * 1000 - bandLowMa) < 1e-9,
                 qPrintable(QString::number(mask.low)));
        QVERIFY2(std::abs(mask.high * 1000 - bandHighMa) < 1e-9,
                 qPrintable(QString::number(mask.high)));
    }

    // A step from 100 mA (bins 0-9, up to 100 ms) to 500 mA (bins 10-19),
    // ± 10 mA, ± 20 ms: a sample passes when the band holds it anywhere
    // within 20 ms of its time. Bins hold [start, end): the bin ending at
    // 100 ms does not reach 100 ms, the one starting there does.
    void timeToleranceAtItsEdges_data()
    {
        QTest::addColumn<qint64>("atUs");
        QTest::addColumn<double>("amps");
        QTest::addColumn<bool>("inside");
        QTest::newRow("before the step") << qint64(50000) << 0.100 << true;
        QTest::newRow("new level 20.001 ms early") << qint64(79999) << 0.500 << false;
        QTest::newRow("new level 20 ms early") << qint64(80000) << 0.500 << true;
        QTest::newRow("old level 19.999 ms late") << qint64(119999) << 0.100 << true;
        QTest::newRow("old level 20 ms late") << qint64(120000) << 0.100 << false;
        // Near the step the mask spans both levels (and what lies between).
        QTest::newRow("between the levels at the step") << qint64(100000) << 0.300 << true;
        QTest::newRow("between the levels after it") << qint64(150000) << 0.300 << false;
        QTest::newRow("below the band") << qint64(50000) << 0.089 << false;
        QTest::newRow("on the band's lower edge") << qint64(50000) << 0.090 << true;
        QTest::newRow("at the start, reaching before it") << qint64(0) << 0.100 << true;
        QTest::newRow("at the end") << qint64(199999) << 0.510 << true;
    }
    void timeToleranceAtItsEdges()
    {
        QFETCH(qint64, atUs);
        QFETCH(double, amps);
        QFETCH(bool, inside);
        QVector<double> levels;
        for (int k = 0; k < 20; ++k)
            levels << (k < 10 ? 100.0 : 500.0);
        Check check(referenceOf(levels, levels, tol(10, 0, 20)));
        QCOMPARE(check.add(atUs, amps), inside);
        QCOMPARE(check.state(), inside ? State::Running : State::Failed);
    }

    // Three captures, 10 ms bins. Bin 0: A 0.10 0.12, B 0.11 0.09 0.10, C
    // 0.08. Bin 1: A 0.30 0.28, B 0.31 0.33, C none (its line from 0.08 at
    // 0 ms to 0.38 at 30 ms gives 0.23 at the bin's middle, 15 ms). As long
    // as the shortest, A (25 ms): two whole bins.
    void envelopeOfSeveralCaptures()
    {
        const Capture a = captureOf(
            {{0, 0.10}, {5000, 0.12}, {10000, 0.30}, {15000, 0.28}, {20000, 0.50}, {25000, 0.52}});
        const Capture b = captureOf({{0, 0.11},
                                     {4000, 0.09},
                                     {8000, 0.10},
                                     {12000, 0.31},
                                     {16000, 0.33},
                                     {20000, 0.49},
                                     {24000, 0.48},
                                     {28000, 0.47}});
        const Capture c = captureOf({{0, 0.08}, {30000, 0.38}});
        const std::optional<Reference> r = buildReference({&a, &b, &c}, tol(30, 10, 40));
        QVERIFY(r);
        QCOMPARE(r->bins(), 2);
        QCOMPARE(r->lengthUs(), qint64(20000));
        QCOMPARE(r->captures, 3);
        QCOMPARE(r->low[0], 0.08);
        QCOMPARE(r->high[0], 0.12);
        QVERIFY(std::abs(r->low[1] - 0.23) < 1e-12);
        QCOMPARE(r->high[1], 0.33);
        QCOMPARE(r->tolerance.timeMs, 40.0);

        // One capture alone is its own envelope; none shorter than a bin.
        const std::optional<Reference> one = buildReference({&b}, tol(30, 10, 40));
        QVERIFY(one);
        QCOMPARE(one->low[1], 0.31);
        QCOMPARE(one->high[1], 0.33);
        const Capture tiny = captureOf({{0, 0.1}, {9999, 0.1}});
        QVERIFY(!buildReference({&tiny}, tol(30, 10, 40)));
        QVERIFY(!buildReference({}, tol(30, 10, 40)));
    }

    // ------------------------------------------------------------------
    // Alignment

    void startsAtTheTriggerPress()
    {
        Capturer capturer;
        QCOMPARE(capturer.add(1000000, 0.0, 4.0, false), Capturer::Step::Idle);
        QCOMPARE(capturer.add(1002000, 0.0, 4.0, false), Capturer::Step::Idle);
        // The press: the first sample whose request carried the trigger.
        QCOMPARE(capturer.add(1004000, 0.0, 4.0, true), Capturer::Step::Started);
        QCOMPARE(capturer.add(1006000, 0.05, 4.0, true), Capturer::Step::Added);
        QCOMPARE(capturer.add(1009000, 0.2, 3.9, false), Capturer::Step::Added);
        const Capture &c = capturer.current();
        QVERIFY(c.atTrigger);
        QCOMPARE(c.startedUs, qint64(1004000));
        QCOMPARE(int(c.samples.size()), 3);
        QCOMPARE(c.samples[0].atUs, qint64(0));
        QCOMPARE(c.samples[1].atUs, qint64(2000));
        QCOMPARE(c.samples[2].atUs, qint64(5000));
        QCOMPARE(c.samples[2].volts, 3.9);
        // Holding the trigger is no new press; letting go and pressing is.
        QCOMPARE(capturer.add(1011000, 0.2, 3.9, true), Capturer::Step::Restarted);
        QCOMPARE(int(capturer.kept().size()), 1);
        QCOMPARE(capturer.kept().back().endedAtUs, qint64(5000));
        QCOMPARE(capturer.current().startedUs, qint64(1011000));
        QCOMPARE(capturer.add(1013000, 0.2, 3.9, true), Capturer::Step::Added);
    }

    void startsAtTheThreshold_data()
    {
        QTest::addColumn<bool>("fromFile");
        QTest::addColumn<QVector<double>>("amps");
        QTest::addColumn<int>("startAt"); // -1: none
        // Live, a first sample above the threshold may be a phone already
        // on: only a rise starts a capture.
        QTest::newRow("live rise") << false << QVector<double>{0.0, 0.004, 0.006, 0.2} << 2;
        QTest::newRow("live, exactly the threshold") << false << QVector<double>{0.001, 0.005} << 1;
        QTest::newRow("live, on from the first sample")
            << false << QVector<double>{0.2, 0.2, 0.3} << -1;
        QTest::newRow("live, never above") << false << QVector<double>{0.0, 0.004, 0.0049} << -1;
        QTest::newRow("file, on from the first sample")
            << true << QVector<double>{0.2, 0.2, 0.3} << 0;
        QTest::newRow("file, rise later") << true << QVector<double>{0.0, 0.0, 0.01} << 2;
    }
    void startsAtTheThreshold()
    {
        QFETCH(bool, fromFile);
        QFETCH(QVector<double>, amps);
        QFETCH(int, startAt);
        Capturer capturer(fromFile);
        int started = -1;
        for (int i = 0; i < amps.size(); ++i) {
            if (capturer.add(qint64(i) * 2000, amps[i], 4.0, false) == Capturer::Step::Started)
                started = i;
        }
        QCOMPARE(started, startAt);
        if (startAt >= 0)
            QVERIFY(!capturer.current().atTrigger);
    }

    void endsAfterItsLengthAndKeepsTheLast()
    {
        Capturer capturer;
        capturer.setLengthUs(10000);
        QCOMPARE(capturer.add(0, 0.0, 4, false), Capturer::Step::Idle);
        QCOMPARE(capturer.add(2000, 0.1, 4, false), Capturer::Step::Started);
        QCOMPARE(capturer.add(6000, 0.1, 4, false), Capturer::Step::Added);
        QCOMPARE(capturer.add(11999, 0.1, 4, false), Capturer::Step::Added);
        // 10 ms after the start: not part of it.
        QCOMPARE(capturer.add(12000, 0.1, 4, false), Capturer::Step::Ended);
        QVERIFY(!capturer.running());
        QCOMPARE(int(capturer.last()->samples.size()), 3);
        QCOMPARE(capturer.last()->lengthUs(), qint64(9999));
        QCOMPARE(capturer.last()->endedAtUs, qint64(10000));
        // The phone stays on: no new capture until the current has been
        // below the threshold.
        QCOMPARE(capturer.add(14000, 0.1, 4, false), Capturer::Step::Idle);
        QCOMPARE(capturer.add(16000, 0.0, 4, false), Capturer::Step::Idle);
        QCOMPARE(capturer.add(18000, 0.1, 4, false), Capturer::Step::Started);
        // A gap ends it; no rise is seen across a gap.
        QCOMPARE(capturer.add(20000, 0.1, 4, false), Capturer::Step::Added);
        capturer.gap();
        QCOMPARE(int(capturer.kept().size()), 2);
        QCOMPARE(capturer.add(30000, 0.1, 4, false), Capturer::Step::Idle);
        // A capture of a single sample is not kept.
        QCOMPARE(capturer.add(32000, 0.1, 4, true), Capturer::Step::Started);
        capturer.stop();
        QCOMPARE(int(capturer.kept().size()), 2);
        // At most kKept captures, the oldest go.
        for (int k = 0; k < Capturer::kKept + 3; ++k) {
            const qint64 t = 100000 + qint64(k) * 10000;
            capturer.add(t, 0.0, 4, false);
            capturer.add(t + 2000, 0.1, 4, true);
            capturer.add(t + 4000, 0.1, 4, false);
            capturer.stop();
        }
        QCOMPARE(int(capturer.kept().size()), Capturer::kKept);
        QCOMPARE(capturer.kept().front().startedUs, qint64(100000 + 3 * 10000 + 2000));
    }

    // ------------------------------------------------------------------
    // Verdict

    // 1 s at 200 mA, ± 30 mA (phase A, to 0.5 s) and ± 50 mA (phase B),
    // no time tolerance. The capture, every 10 ms: 250 mA at 0.30 s
    // (20 mA outside A), 100 mA at 0.60 and 0.61 s (50 mA outside B).
    // Charge: 0.2 A over 0.99 s, plus the spike's triangle (0.05 A × 0.02 s
    // / 2 = 0.0005 A·s), less the dip (0.0005 + 0.001 + 0.0005 = 0.002 A·s):
    // 0.1965 A·s, 0.0546 mAh; the reference's 0.2 A·s, 0.0556 mAh.
    void verdictWithTheFirstMissAndTheSummary()
    {
        Reference r =
            referenceOf(QVector<double>(100, 200.0), QVector<double>(100, 200.0), tol(30, 0, 0));
        Phase a;
        a.name = QStringLiteral("A");
        a.fromUs = 0;
        a.toUs = 500000;
        Phase b;
        b.name = QStringLiteral("B");
        b.fromUs = 500000;
        b.toUs = 1000000;
        b.tolerance.absMilliamps = 50;
        r.phases << a << b;
        QVector<QPair<qint64, double>> samples;
        for (int k = 0; k <= 100; ++k) {
            const qint64 t = qint64(k) * 10000;
            samples << qMakePair(t, k == 30 ? 0.25 : (k == 60 || k == 61) ? 0.10 : 0.20);
        }
        Check check(r);
        QCOMPARE(check.state(), State::Waiting);
        checkCapture(check, captureOf(samples));
        QCOMPARE(check.state(), State::Failed);
        const Words words = englishWords();
        QCOMPARE(verdictText(check, words, 0.005),
                 QStringLiteral("FAIL at 0.30 s: 0.250 A, expected 0.200 ± 0.030 A (A)"));
        const Summary s = check.summary();
        QCOMPARE(s.samples, 100); // the sample at 1.0 s is past the reference
        QCOMPARE(s.outsideSamples, 3);
        QCOMPARE(s.outsideUs, qint64(30000));
        QVERIFY(std::abs(s.worstDeviationAmps - 0.05) < 1e-12);
        QCOMPARE(s.worstAtUs, qint64(600000));
        QVERIFY(std::abs(s.chargeMah - 0.1965 / 3.6) < 1e-9);
        QVERIFY(std::abs(s.referenceChargeMah - 0.2 / 3.6) < 1e-9);
        QCOMPARE(s.peakAmps, 0.25);
        QCOMPARE(s.referencePeakAmps, 0.2);
        QCOMPARE(summaryLines(check, words),
                 QStringList({QStringLiteral("Worst deviation: 0.050 A outside the band at 0.60 s"),
                              QStringLiteral("Time outside the band: 0.03 s"),
                              QStringLiteral("Charge: 0.055 mAh, reference 0.056 mAh"),
                              QStringLiteral("Peak current: 0.250 A, reference 0.200 A")}));

        // Phase B's own ± 50 mA: 160 mA passes there, not in A.
        Check own(r);
        QVERIFY(own.add(650000, 0.16));
        QVERIFY(!own.add(700000, 0.149));
        QCOMPARE(verdictText(own, words, 0.005),
                 QStringLiteral("FAIL at 0.70 s: 0.149 A, expected 0.200 ± 0.050 A (B)"));
        Check inA(r);
        QVERIFY(!inA.add(350000, 0.16));
    }

    void passWaitingRunningAndIncomplete()
    {
        const Reference r =
            referenceOf(QVector<double>(100, 200.0), QVector<double>(100, 200.0), tol(30, 0, 0));
        const Words words = englishWords();
        Check check(r);
        QCOMPARE(verdictText(check, words, 0.005),
                 QStringLiteral("Waiting for a boot: press Trig, or the current rises above 5 mA"));
        for (int k = 0; k < 50; ++k)
            QVERIFY(check.add(qint64(k) * 10000, 0.21));
        QCOMPARE(verdictText(check, words, 0.005), QStringLiteral("Checking… 0.5 of 1.0 s"));
        Check early = check;
        // Ended by the user at 0.49 s.
        early.finish(490000);
        QCOMPARE(early.state(), State::Incomplete);
        QCOMPARE(
            verdictText(early, words, 0.005),
            QStringLiteral("INCOMPLETE: the capture ended at 0.49 s of the reference's 1.00 s"));
        for (int k = 50; k < 100; ++k)
            QVERIFY(check.add(qint64(k) * 10000, 0.19));
        // The sample that reached the length ends it.
        check.finish(1000000);
        QCOMPARE(check.state(), State::Passed);
        QCOMPARE(verdictText(check, words, 0.005), QStringLiteral("PASS"));
        QCOMPARE(summaryLines(check, words).first(),
                 QStringLiteral("Worst deviation: none, inside the band throughout"));
        // A restart waits for the next capture.
        check.restart();
        QCOMPARE(check.state(), State::Waiting);
        QCOMPARE(check.summary().samples, 0);
    }

    // ------------------------------------------------------------------
    // The simulated phones against the demo's reference

    void demoReferenceIsFiveHealthyBoots()
    {
        const std::optional<Reference> r = demo::demoReference();
        QVERIFY(r);
        QCOMPARE(r->captures, 5);
        QCOMPARE(r->lengthUs(), qint64(8000000));
        QCOMPARE(r->binUs, qint64(10000));
        QStringList names;
        for (const Phase &p : r->phases)
            names << p.name;
        QCOMPARE(names, QStringList({"PMU", "boot loader", "kernel", "idle"}));
        // The standby draw of about 50 mA in the first bin, whatever the run.
        QVERIFY2(r->low[0] > 0.035 && r->high[0] < 0.065,
                 qPrintable(QStringLiteral("%1 %2").arg(r->low[0]).arg(r->high[0])));
    }

    void eachFaultFailsInItsPhase_data()
    {
        QTest::addColumn<int>("phone");
        QTest::addColumn<QString>("phase");
        QTest::addColumn<double>("fromS");
        QTest::addColumn<double>("toS");
        using Phone = sim::BootLineModel::Phone;
        // At the supply's limit from the press on.
        QTest::newRow("short") << int(Phone::Short) << "PMU" << 0.0 << 0.01;
        // No current 20 ms after the boot loader's start (0.4 s ± 8 ms).
        QTest::newRow("never starts") << int(Phone::NeverStarts) << "boot loader" << 0.41 << 0.45;
        // Stays at the boot loader's 0.2 A where the kernel (from 1.2 s)
        // draws its bursts.
        QTest::newRow("stops at the boot loader")
            << int(Phone::StopsAtBootLoader) << "kernel" << 1.2 << 2.0;
        // Off at 2.6 s, in the kernel's stage.
        QTest::newRow("boot loop") << int(Phone::BootLoop) << "kernel" << 2.6 << 2.65;
    }
    void eachFaultFailsInItsPhase()
    {
        QFETCH(int, phone);
        QFETCH(QString, phase);
        QFETCH(double, fromS);
        QFETCH(double, toS);
        const std::optional<Reference> r = demo::demoReference();
        QVERIFY(r);
        for (unsigned run :
             {sim::BootLineModel::kFirstPressRun, sim::BootLineModel::kFirstPressRun + 7}) {
            Check check(*r);
            checkCapture(check, simulatedBoot(sim::BootLineModel::Phone(phone), run));
            QCOMPARE(check.state(), State::Failed);
            const Miss &miss = *check.firstMiss();
            QCOMPARE(r->phases[miss.phase].name, phase);
            const double at = double(miss.atUs) / 1e6;
            QVERIFY2(at >= fromS && at <= toS, qPrintable(QString::number(at)));
        }
    }

    void healthyPhonePassesRunAfterRun()
    {
        const std::optional<Reference> r = demo::demoReference();
        QVERIFY(r);
        for (unsigned k = 0; k < 30; ++k) {
            const unsigned run = sim::BootLineModel::kFirstPressRun + k;
            Check check(*r);
            checkCapture(check, simulatedBoot(sim::BootLineModel::Phone::Healthy, run));
            QVERIFY2(check.state() == State::Passed,
                     qPrintable(QStringLiteral("run %1: %2")
                                    .arg(run)
                                    .arg(verdictText(check, englishWords(), 0.005))));
        }
    }
};

QTEST_APPLESS_MAIN(BootProfileTest)
#include "tst_bootprofile.moc"
