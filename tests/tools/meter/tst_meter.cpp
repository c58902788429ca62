// The meter end to end: the real window polling a simulated meter.
#include "charts/axistag.h"
#include "tests/support/scans.h"
#include "tests/support/testbench.h"

#include <QtTest>
#include <cmath>

using testbench::makeWindow;

namespace {

struct MeterBench {
    testbench::Window w;
    std::shared_ptr<sim::MeterModel> model;
    int id;

    QCPGraph *graph(int k) const { return w->vcMeter->graphs[k].data(); }
    int stored() const { return graph(0)->dataCount(); }
    QString label(QLabel *l) const
    {
        w->refreshLabels();
        return l->text();
    }
    void pollTimes(int n) const
    {
        for (int i = 0; i < n; ++i)
            w.pollMeter();
    }
};

MeterBench meterBench()
{
    MeterBench b{makeWindow(), std::make_shared<sim::MeterModel>(), -1};
    b.id = sim::bus().attach(b.model);
    b.w->discoverDevices(); // opens the meter and starts recording
    return b;
}

} // namespace

class MeterTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { sim::bus().reset(); }

    // Rate code, poll interval and the samples appended per accepted report.
    void rateTable_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("rateCode");
        QTest::addColumn<int>("interval");
        QTest::addColumn<int>("reports");
        QTest::addColumn<int>("appended");
        QTest::newRow("1Sa/s") << 0 << 1 << 47 << 40 << 2;
        QTest::newRow("2Sa/s") << 1 << 2 << 47 << 40 << 4;
        QTest::newRow("10Sa/s") << 2 << 10 << 47 << 40 << 20;
        QTest::newRow("20Sa/s") << 3 << 20 << 47 << 40 << 40;
        QTest::newRow("40Sa/s") << 4 << 40 << 40 << 10 << 20;
        QTest::newRow("80Sa/s") << 5 << 80 << 40 << 10 << 40;
        QTest::newRow("100Sa/s") << 6 << 100 << 40 << 10 << 50;
    }
    void rateTable()
    {
        QFETCH(int, index);
        QFETCH(int, rateCode);
        QFETCH(int, interval);
        QFETCH(int, reports);
        QFETCH(int, appended);
        MeterBench b = meterBench();
        b.model->setReading(5.0, 1.0);
        // Through another index first: the slot runs only on a change.
        b.w.ui().vcMeter_fpsComboBox->setCurrentIndex(index == 3 ? 4 : 3);
        b.w.ui().vcMeter_fpsComboBox->setCurrentIndex(index);
        QCOMPARE(int(b.w->vcMeter->rateCode), rateCode);
        QCOMPARE(b.w->meterPollTimer->interval(), interval);
        const int before = b.stored();
        b.pollTimes(reports);
        QCOMPARE(b.stored() - before, appended);
        QCOMPARE(b.model->lastRateCode(), rateCode);
        for (int k = 0; k < 3; ++k)
            QCOMPARE(b.graph(k)->dataCount(), b.stored());
    }

    // The decimation counter is shared by the slow rates and carried over
    // when recording stops and starts again.
    void decimationCounterIsCarriedOver()
    {
        MeterBench b = meterBench();
        b.model->setReading(5.0, 1.0);
        b.w.ui().vcMeter_fpsComboBox->setCurrentIndex(0);
        b.pollTimes(15);
        QCOMPARE(b.stored(), 0);
        b.w.ui().vcMeter_chartStart->click(); // pause
        QCOMPARE(b.w.ui().vcMeter_chartStart->text(), QStringLiteral("开始"));
        b.pollTimes(10); // readings only; the counter rests
        QCOMPARE(b.stored(), 0);
        b.w.ui().vcMeter_chartStart->click(); // record again
        QCOMPARE(b.w.ui().vcMeter_chartStart->text(), QStringLiteral("暂停"));
        b.pollTimes(4);
        QCOMPARE(b.stored(), 0);
        b.pollTimes(1); // the 20th accepted report while recording
        QCOMPARE(b.stored(), 1);
        QCOMPARE(b.w->vcMeter->decimation, quint16(0));
    }

    void fastestRateAppendsFiveAndShowsTheFifth()
    {
        MeterBench b = meterBench();
        b.w.ui().vcMeter_fpsComboBox->setCurrentIndex(6);
        for (int n = 0; n < 5; ++n)
            b.model->setRawSample(n, quint16(4000 + 8 * n), quint16(1000 + 100 * n));
        b.w.pollMeter();
        QCOMPARE(b.stored(), 5);
        // Raw words 4000, 4008 … 4032 at 1.25 mV, 1000, 1100 … 1400 at 0.48 mA.
        const struct {
            double volts, amps, watts;
        } expected[] = {{5.00, 0.480, 2.40000},
                        {5.01, 0.528, 2.64528},
                        {5.02, 0.576, 2.89152},
                        {5.03, 0.624, 3.13872},
                        {5.04, 0.672, 3.38688}};
        for (int n = 0; n < 5; ++n) {
            for (int k = 0; k < 3; ++k)
                QCOMPARE(b.graph(k)->data()->at(n)->key, double(n));
            QCOMPARE(b.graph(0)->data()->at(n)->value, expected[n].volts);
            QCOMPARE(b.graph(1)->data()->at(n)->value, expected[n].amps);
            QCOMPARE(b.graph(2)->data()->at(n)->value, expected[n].watts);
        }
        QCOMPARE(b.label(b.w.ui().vcMeter_uLabel), QStringLiteral("5.0400"));
        QCOMPARE(b.w.ui().vcMeter_iLabel->text(), QStringLiteral("0.6720"));
        QCOMPARE(b.w.ui().vcMeter_pLabel->text(), QStringLiteral("3.3869"));
    }

    // Answers of type 9 carry samples like those of type 8; any other type
    // while recording carries none and zeroes the shown reading.
    void answerTypesThroughThePoll_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("appended");
        QTest::addColumn<QString>("volts");
        QTest::newRow("8") << 8 << 1 << "5.0000";
        QTest::newRow("9") << 9 << 1 << "5.0000";
        QTest::newRow("7") << 7 << 0 << "0.0000";
        QTest::newRow("10") << 10 << 0 << "0.0000";
    }
    void answerTypesThroughThePoll()
    {
        QFETCH(int, type);
        QFETCH(int, appended);
        QFETCH(QString, volts);
        MeterBench b = meterBench();
        QVERIFY(b.w->vcMeter->chartRunning);
        b.model->setRawSamples(4000, 2500); // 5 V, 1.2 A
        b.model->setResponseType(quint8(type));
        b.w.pollMeter();
        QCOMPARE(b.stored(), appended);
        QCOMPARE(b.label(b.w.ui().vcMeter_uLabel), volts);
        if (appended)
            QCOMPARE(b.graph(1)->data()->at(0)->value, 1.2);
    }

    void readingsAreDecodedWithTheirScales_data()
    {
        QTest::addColumn<int>("rawVoltage");
        QTest::addColumn<int>("rawCurrent");
        QTest::addColumn<int>("rawDPlus");
        QTest::addColumn<QString>("volts");
        QTest::addColumn<QString>("amps");
        QTest::addColumn<QString>("dPlus");
        QTest::addColumn<QString>("load");
        QTest::addColumn<QString>("power");
        QTest::newRow("5 V, 16 raw below 8 mA") << 4000 << 16 << 4095 << "5.0000"
                                                << "0.0000"
                                                << "3.2992"
                                                << "---"
                                                << "0.0000";
        QTest::newRow("17 raw just above") << 4000 << 17 << 0 << "5.0000"
                                           << "0.0082"
                                           << "0.0000"
                                           << "612.74"
                                           << "0.0408";
        QTest::newRow("2 A") << 4080 << 4167 << 745 << "5.1000"
                             << "2.0002"
                             << "0.6002"
                             << "2.54"
                             << "10.2008";
        QTest::newRow("nothing") << 0 << 0 << 0 << "0.0000"
                                 << "0.0000"
                                 << "0.0000"
                                 << "---"
                                 << "0.0000";
    }
    void readingsAreDecodedWithTheirScales()
    {
        QFETCH(int, rawVoltage);
        QFETCH(int, rawCurrent);
        QFETCH(int, rawDPlus);
        QFETCH(QString, volts);
        QFETCH(QString, amps);
        QFETCH(QString, dPlus);
        QFETCH(QString, load);
        QFETCH(QString, power);
        MeterBench b = meterBench();
        b.model->setRawSamples(quint16(rawVoltage), quint16(rawCurrent));
        b.model->setRawLines(quint16(rawDPlus), 100, 2110, 6);
        b.w.pollMeter();
        Ui_Widget &ui = b.w.ui();
        QCOMPARE(b.label(ui.vcMeter_uLabel), volts);
        QCOMPARE(ui.vcMeter_iLabel->text(), amps);
        QCOMPARE(ui.vcMeter_dpLabel->text(), dPlus);
        QCOMPARE(ui.vcMeter_dmLabel->text(), QStringLiteral("0.0806"));
        QCOMPARE(ui.vcMeter_cc1Label->text(), QStringLiteral("1.7000"));
        QCOMPARE(ui.vcMeter_cc2Label->text(), QStringLiteral("0.0048"));
        QCOMPARE(ui.vcMeter_rLabel->text(), load);
        QCOMPARE(ui.vcMeter_pLabel->text(), power);
    }

    void labelsShowDashesWithoutAMeter()
    {
        auto w = makeWindow();
        w->refreshLabels();
        for (QLabel *label : {w.ui().vcMeter_uLabel, w.ui().vcMeter_iLabel, w.ui().vcMeter_rLabel,
                              w.ui().vcMeter_cc2Label})
            QCOMPARE(label->text(), QStringLiteral("---"));
    }

    // Once discovery has dropped the meter, every reading label shows
    // dashes; the counting time stays.
    void labelsShowDashesAfterAnUnplug()
    {
        MeterBench b = meterBench();
        b.model->setRawSamples(4000, 2500);
        b.model->setRawLines(4095, 100, 2110, 6);
        b.w.pollMeter();
        b.w->vcMeter->countTicks = 36;
        Ui_Widget &ui = b.w.ui();
        QCOMPARE(b.label(ui.vcMeter_uLabel), QStringLiteral("5.0000"));
        QCOMPARE(ui.vcMeter_cc1Label->text(), QStringLiteral("1.7000"));

        sim::bus().detach(b.id);
        b.w->discoverDevices();
        b.w->refreshLabels();
        for (QLabel *label :
             {ui.vcMeter_uLabel, ui.vcMeter_iLabel, ui.vcMeter_pLabel, ui.vcMeter_dpLabel,
              ui.vcMeter_dmLabel, ui.vcMeter_cc1Label, ui.vcMeter_cc2Label, ui.vcMeter_rLabel})
            QVERIFY2(label->text() == QStringLiteral("---"), qPrintable(label->objectName()));
        QCOMPARE(ui.vcMeter_timeLabel->text(), QStringLiteral("00:00:03"));
    }

    // The window's own timers drive the work, each its own: the poll timer
    // one exchange with the meter, the display timer one label refresh, the
    // counting timer one counting run.
    void timersDriveTheirOwnWork_data()
    {
        QTest::addColumn<QString>("timer");
        QTest::addColumn<int>("exchanges");
        QTest::addColumn<QString>("voltageLabel");
        QTest::addColumn<int>("ticks");
        QTest::newRow("meterPollTimer") << "meterPollTimer" << 1 << "---" << 0;
        QTest::newRow("displayTimer") << "displayTimer" << 0 << "5.0000" << 0;
        QTest::newRow("accumulateTimer") << "accumulateTimer" << 0 << "---" << 1;
    }
    void timersDriveTheirOwnWork()
    {
        QFETCH(QString, timer);
        QFETCH(int, exchanges);
        QFETCH(QString, voltageLabel);
        QFETCH(int, ticks);
        MeterBench b = meterBench(); // every timer stopped
        b.model->setRawSamples(4000, 2500);
        b.w.pollMeter(); // a reading to show and to count
        b.w.ui().vcMeter_countStart->click();
        QCOMPARE(b.w.ui().vcMeter_uLabel->text(), QStringLiteral("---"));
        const size_t writesBefore = sim::bus().writeCount(b.id);

        const QHash<QString, QTimer *> timers = {{"meterPollTimer", b.w->meterPollTimer},
                                                 {"displayTimer", b.w->displayTimer},
                                                 {"accumulateTimer", b.w->accumulateTimer}};
        QTimer *running = timers.value(timer);
        QVERIFY(running);
        // Stopped by its first timeout, after the window's own handler ran.
        connect(running, &QTimer::timeout, running, &QTimer::stop);
        running->start();
        QTRY_VERIFY_WITH_TIMEOUT(!running->isActive(), 2000);

        QCOMPARE(int(sim::bus().writeCount(b.id) - writesBefore), exchanges);
        QCOMPARE(b.w.ui().vcMeter_uLabel->text(), voltageLabel);
        QCOMPARE(int(b.w->vcMeter->countTicks), ticks);
    }

    // Recording, an answer of another type: no samples, but the chart still
    // scrolls; the shown readings become 0 and the lines come from the report.
    void rejectedReportScrollsAndZeroesTheReadings()
    {
        MeterBench b = meterBench();
        b.model->setReading(5.0, 1.0);
        b.model->setRawLines(4095, 0, 0, 0);
        b.pollTimes(3);
        QCOMPARE(b.stored(), 3);
        QCOMPARE(b.label(b.w.ui().vcMeter_uLabel), QStringLiteral("5.0000"));
        const QCPRange before = b.w.ui().Chart_Widget->xAxis->range();

        b.w.ui().Chart_Widget->xAxis->setRange(0, 40); // the recording step narrows nothing
        sim::bus().setWrongCode(b.id, 7, 1);
        b.w.pollMeter();
        QCOMPARE(b.stored(), 3);
        QCOMPARE(b.w.ui().Chart_Widget->xAxis->range().size(), 100.0);
        QCOMPARE(b.w.ui().Chart_Widget->xAxis->range().upper, before.upper);
        QCOMPARE(b.w->vcMeter->shownVoltage, 0.0);
        QCOMPARE(b.w->vcMeter->shownCurrent, 0.0);
        QVERIFY(std::isnan(b.w->vcMeter->shownLoad));
        QCOMPARE(b.label(b.w.ui().vcMeter_uLabel), QStringLiteral("0.0000"));
        QCOMPARE(b.w.ui().vcMeter_rLabel->text(), QStringLiteral("---"));
        QCOMPARE(b.w.ui().vcMeter_dpLabel->text(), QStringLiteral("3.2992"));
    }

    void notRecordingTakesTheFirstSampleOfAnyReport()
    {
        MeterBench b = meterBench();
        b.w.ui().vcMeter_chartStart->click();
        QVERIFY(!b.w->vcMeter->chartRunning);
        b.model->setReading(4.0, 0.5);
        sim::bus().setWrongCode(b.id, 7, 1);
        b.w.pollMeter();
        QCOMPARE(b.stored(), 0);
        QCOMPARE(b.label(b.w.ui().vcMeter_uLabel), QStringLiteral("4.0000"));
    }

    void failedReadLeavesTheReadings_data()
    {
        QTest::addColumn<int>("behaviour");
        QTest::newRow("error") << int(sim::ReadBehaviour::Fail);
        QTest::newRow("empty") << int(sim::ReadBehaviour::Zero);
        QTest::newRow("time-out") << int(sim::ReadBehaviour::Timeout);
    }
    void failedReadLeavesTheReadings()
    {
        QFETCH(int, behaviour);
        MeterBench b = meterBench();
        b.model->setRawSamples(4000, 2500); // 5 V, 1.2 A
        b.w.pollMeter();
        QCOMPARE(b.stored(), 1);
        b.model->setReading(9.0, 2.0);
        sim::bus().setReadBehaviour(b.id, sim::ReadBehaviour(behaviour), 1);
        b.w.pollMeter();
        QCOMPARE(b.stored(), 1);
        QCOMPARE(b.label(b.w.ui().vcMeter_uLabel), QStringLiteral("5.0000"));
        QCOMPARE(b.w.ui().vcMeter_iLabel->text(), QStringLiteral("1.2000"));
    }

    // Recording switched on with no meter: the readings go to 0, recording
    // stops and one box says so, however many polls follow.
    void recordingWithoutAMeterWarnsOnce()
    {
        auto w = makeWindow();
        testbench::ModalCloser closer;
        w.ui().vcMeter_chartStart->click();
        QVERIFY(w->vcMeter->chartRunning);
        w->vcMeter->shownVoltage = 3.0;
        for (int i = 0; i < 5; ++i)
            w.pollMeter();
        QCOMPARE(closer.boxes.size(), 1);
        QCOMPARE(closer.boxes[0].title, QStringLiteral("提示"));
        QCOMPARE(closer.boxes[0].text, QStringLiteral("设备未连接!!"));
        QVERIFY(closer.boxes[0].parentIsWindow);
        QVERIFY(!w->vcMeter->chartRunning);
        QCOMPARE(w.ui().vcMeter_chartStart->text(), QStringLiteral("开始"));
        QCOMPARE(w->vcMeter->shownVoltage, 0.0);
    }

    void unplugWhileRecordingFailsSilently()
    {
        MeterBench b = meterBench();
        testbench::ModalCloser closer;
        b.model->setReading(5.0, 1.0);
        b.w.pollMeter();
        sim::bus().detach(b.id);
        b.pollTimes(3); // the handle is dead until the next pass
        b.w->discoverDevices();
        b.pollTimes(3);
        QCoreApplication::processEvents();
        QVERIFY(closer.boxes.isEmpty());
        QVERIFY(!b.w->vcMeter->chartRunning);
        QCOMPARE(b.stored(), 1);
    }

    // The width the user zoomed to is kept within 100 … 10000 while recording.
    void visibleWidthLimits_data()
    {
        QTest::addColumn<bool>("recording");
        QTest::addColumn<double>("zoomed");
        QTest::addColumn<int>("span");
        QTest::newRow("recording, narrow") << true << 50.0 << 100;
        QTest::newRow("recording, wide") << true << 20000.0 << 10000;
        QTest::newRow("recording, inside") << true << 456.7 << 456;
        QTest::newRow("paused, narrow") << false << 50.0 << 50;
        QTest::newRow("paused, wide") << false << 20000.0 << 20000;
    }
    void visibleWidthLimits()
    {
        QFETCH(bool, recording);
        QFETCH(double, zoomed);
        QFETCH(int, span);
        MeterBench b = meterBench();
        b.model->setReading(5.0, 1.0);
        b.pollTimes(20);
        if (!recording)
            b.w.ui().vcMeter_chartStart->click();
        QCPAxis *x = b.w.ui().Chart_Widget->xAxis;
        x->setRange(5, 5 + zoomed);
        b.w.pollMeter();
        QCOMPARE(b.w->vcMeter->spanSamples, span);
        if (recording) {
            QCOMPARE(x->range().size(), double(span));
            QCOMPARE(x->range().upper, double(b.stored() - 1));
            QCOMPARE(b.w.ui().Chart_Widget->xAxis2->range(), x->range());
        } else {
            QCOMPARE(x->range(), QCPRange(5, 5 + zoomed)); // the user's view stays
        }
    }

    // While recording, the tags show the newest values and the value axes
    // reach 1 above the maxima found in the view.
    void tagsAndAxesFollowTheRecording()
    {
        MeterBench b = meterBench();
        b.model->setRawSamples(4000, 2500); // 5 V, 1.2 A, 6 W
        b.pollTimes(30);
        b.model->setRawSamples(3200, 1250); // 4 V, 0.6 A
        b.pollTimes(5);
        testbench::settleScans();
        b.w.pollMeter();
        testbench::settleScans();
        const Vc_Meter &m = *b.w->vcMeter;
        QCOMPARE(m.tagValue[0], 4.0);
        QCOMPARE(m.tagValue[1], 0.6);
        QCOMPARE(m.axisMax[0], 5.0);
        QCOMPARE(m.axisMax[1], 1.2);
        QCOMPARE(m.axisMax[2], 6.0);
        b.w.pollMeter();
        QCPAxisRect *rect = b.w.ui().Chart_Widget->axisRect();
        const double uppers[] = {6.0, 2.2, 7.0};
        for (int k = 0; k < 3; ++k) {
            QCOMPARE(rect->axis(QCPAxis::atRight, k)->range().lower, 0.0);
            QCOMPARE(rect->axis(QCPAxis::atRight, k)->range().upper, uppers[k]);
        }
    }

    void clearStartsAgainAtKeyZero()
    {
        MeterBench b = meterBench();
        b.model->setReading(5.0, 1.0);
        b.pollTimes(15);
        QVERIFY(b.w->vcMeter->enoughData);
        b.w.ui().vcMeterClrPushButton->click();
        QCOMPARE(b.stored(), 0);
        QVERIFY(!b.w->vcMeter->enoughData);
        b.w.pollMeter();
        QCOMPARE(b.graph(0)->data()->at(0)->key, 0.0);
    }

    void otherPageMeansNoPolling()
    {
        MeterBench b = meterBench();
        b.w.ui().adjPowToolButton->click();
        b.pollTimes(3);
        QCOMPARE(sim::bus().writeCount(b.id), size_t(0));
        b.w.ui().vCToolButton->click();
        b.w.pollMeter();
        QCOMPARE(sim::bus().writeCount(b.id), size_t(1));
    }

    // Each counting run stands for a tenth of a second.
    void countingIntegratesTheShownReading()
    {
        MeterBench b = meterBench();
        b.model->setRawSamples(4000, 2500); // 5 V, 1.2 A
        b.w.pollMeter();
        b.w.ui().vcMeter_countStart->click();
        QCOMPARE(b.w.ui().vcMeter_countStart->text(), QStringLiteral("停止"));
        for (int i = 0; i < 36; ++i)
            b.w->accumulateCounts();
        QCOMPARE(b.label(b.w.ui().vcMeter_pcountLabel), QStringLiteral("1.20"));
        QCOMPARE(b.w.ui().vcMeter_timeLabel->text(), QStringLiteral("00:00:03"));
        b.w.ui().vcMeterPCountComboBox->setCurrentIndex(1);
        QCOMPARE(b.label(b.w.ui().vcMeter_pcountLabel), QStringLiteral("6.00"));
        QCOMPARE(b.w->vcMeter->chargeMah, 1.2);

        // A steady 1.0 A for 36 runs is exactly 1 mAh.
        b.w->vcMeter->chargeMah = 0;
        b.w->vcMeter->shownCurrent = 1.0;
        for (int i = 0; i < 36; ++i)
            b.w->accumulateCounts();
        QCOMPARE(b.w->vcMeter->chargeMah, 1.0);

        // Reset while counting: zero, and counting goes on.
        b.w.ui().vcMeterCountResetButton->click();
        QCOMPARE(b.label(b.w.ui().vcMeter_pcountLabel), QStringLiteral("0.00"));
        QCOMPARE(b.w.ui().vcMeter_timeLabel->text(), QStringLiteral("00:00:00"));
        b.w->accumulateCounts();
        QCOMPARE(b.w->vcMeter->countTicks, quint32(1));

        b.w.ui().vcMeter_countStart->click();
        QCOMPARE(b.w.ui().vcMeter_countStart->text(), QStringLiteral("开始"));
        b.w->accumulateCounts();
        QCOMPARE(b.w->vcMeter->countTicks, quint32(1));
    }

    void countingNeedsTheMeterAndItsPage()
    {
        auto w = makeWindow();
        w.ui().vcMeter_countStart->click();
        w->vcMeter->shownCurrent = 1.0;
        w->accumulateCounts();
        QCOMPARE(w->vcMeter->countTicks, quint32(0)); // no meter
        QCOMPARE(w->vcMeter->chargeMah, 0.0);

        MeterBench b = meterBench();
        b.w.ui().vcMeter_countStart->click();
        b.w.ui().ironToolButton->click();
        b.w->accumulateCounts();
        QCOMPARE(b.w->vcMeter->countTicks, quint32(0)); // page hidden
        b.w->refreshLabels();                           // the time label is refreshed on every page
        QCOMPARE(b.w.ui().vcMeter_timeLabel->text(), QStringLiteral("00:00:00"));
    }

    void countsStopAtTheirLimit()
    {
        MeterBench b = meterBench();
        b.w.ui().vcMeter_countStart->click();
        b.w->vcMeter->chargeMah = 99999998.99;
        b.w->vcMeter->shownCurrent = 360.0; // adds 10 mAh
        b.w->accumulateCounts();
        QCOMPARE(b.w->vcMeter->chargeMah, 99999999.0);
        b.w->accumulateCounts();
        QCOMPARE(b.w->vcMeter->chargeMah, 99999999.0);
        QCOMPARE(b.w->vcMeter->countTicks, quint32(2));
    }

    void timeTextUnwrapsHours_data()
    {
        QTest::addColumn<quint32>("ticks");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0u << "00:00:00";
        QTest::newRow("599") << 599u << "00:00:59";
        QTest::newRow("one hour") << 36000u << "01:00:00";
        QTest::newRow("ten hours") << 360000u << "10:00:00";
        QTest::newRow("a hundred hours") << 3600000u << "100:00:00";
    }
    void timeTextUnwrapsHours()
    {
        QFETCH(quint32, ticks);
        QFETCH(QString, text);
        auto w = makeWindow();
        w->vcMeter->countTicks = ticks;
        w->refreshLabels();
        QCOMPARE(w.ui().vcMeter_timeLabel->text(), text);
    }
};

QTEST_MAIN(MeterTest)
#include "tst_meter.moc"
