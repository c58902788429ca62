// The boot line end to end: the real window polling a simulated boot line.
#include "tests/support/testbench.h"

#include <QtTest>

using testbench::makeWindow;

namespace {

struct BootLineBench {
    testbench::Window w;
    std::shared_ptr<sim::BootLineModel> model;
    int id;

    int stored() const { return w->oneKeyLine->graphs[0]->dataCount(); }
};

BootLineBench bootLineBench()
{
    BootLineBench b{makeWindow(), std::make_shared<sim::BootLineModel>(), -1};
    b.id = sim::bus().attach(b.model);
    b.w->discoverDevices();
    b.w.ui().ironToolButton->click();
    return b;
}

} // namespace

class BootLineTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { sim::bus().reset(); }

    void readingsAreDecoded()
    {
        BootLineBench b = bootLineBench();
        b.model->setRaw(0x3039, 0x01F4, 900, 123);
        b.w.pollBootLine();
        b.w->flushRedraws(); // the labels take the readings at the display's rate
        Ui_Widget &ui = b.w.ui();
        QCOMPARE(ui.oneKeyLine_uLabel->text(), QStringLiteral("12.345"));
        QCOMPARE(ui.oneKeyLine_iLabel->text(), QStringLiteral("0.500"));
        QCOMPARE(ui.oneKeyLine_pLabel->text(), QStringLiteral("6.17"));
        QCOMPARE(ui.oneKeyLine_maxiLabel->text(), QStringLiteral("0.900"));
        QCOMPARE(ui.oneKeyLineCountTime->text(), QStringLiteral("00:12"));
    }

    // The time display runs 00:00 to 59:59 and starts again after an hour.
    void timeDisplay_data()
    {
        QTest::addColumn<int>("tenths");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << "00:00";
        QTest::newRow("35999") << 35999 << "59:59";
        QTest::newRow("36000") << 36000 << "00:00";
        QTest::newRow("65535") << 65535 << "49:13";
    }
    void timeDisplay()
    {
        QFETCH(int, tenths);
        QFETCH(QString, text);
        BootLineBench b = bootLineBench();
        b.model->setRaw(4000, 100, 100, quint16(tenths));
        b.w.pollBootLine();
        b.w->flushRedraws();
        QCOMPARE(b.w.ui().oneKeyLineCountTime->text(), text);
    }

    void otherReplyCodesChangeNothing()
    {
        BootLineBench b = bootLineBench();
        b.model->setRaw(4000, 250, 300, 10);
        b.w.pollBootLine();
        b.w.ui().oneKeyLineChartSwitch->click();
        b.model->setRaw(5000, 999, 999, 99);
        sim::bus().setWrongCode(b.id, 0x09, 1);
        b.w.pollBootLine();
        b.w->flushRedraws();
        QCOMPARE(b.w.ui().oneKeyLine_uLabel->text(), QStringLiteral("4.000"));
        QCOMPARE(b.w.ui().oneKeyLine_iLabel->text(), QStringLiteral("0.250"));
        QCOMPARE(b.stored(), 0);
    }

    // A failed, empty or timed-out read is dropped silently: labels and chart
    // keep what they showed, and the next poll reads again.
    void failedReadsChangeNothing_data()
    {
        QTest::addColumn<int>("behaviour");
        QTest::newRow("failed") << int(sim::ReadBehaviour::Fail);
        QTest::newRow("empty") << int(sim::ReadBehaviour::Zero);
        QTest::newRow("timed out") << int(sim::ReadBehaviour::Timeout);
    }
    void failedReadsChangeNothing()
    {
        QFETCH(int, behaviour);
        BootLineBench b = bootLineBench();
        b.w.ui().oneKeyLineChartSwitch->click();
        b.model->setRaw(4000, 250, 300, 10);
        b.w.pollBootLine();
        QCOMPARE(b.stored(), 1);

        b.model->setRaw(5000, 999, 999, 99);
        sim::bus().setReadBehaviour(b.id, sim::ReadBehaviour(behaviour), 1);
        b.w.pollBootLine();
        b.w->flushRedraws();
        Ui_Widget &ui = b.w.ui();
        QCOMPARE(b.stored(), 1);
        QCOMPARE(ui.oneKeyLine_uLabel->text(), QStringLiteral("4.000"));
        QCOMPARE(ui.oneKeyLine_iLabel->text(), QStringLiteral("0.250"));
        QCOMPARE(ui.oneKeyLine_pLabel->text(), QStringLiteral("1.00"));
        QCOMPARE(ui.oneKeyLine_maxiLabel->text(), QStringLiteral("0.300"));
        QCOMPARE(ui.oneKeyLineCountTime->text(), QStringLiteral("00:01"));
        QVERIFY(b.w->oneKeyLine->chartRunning);

        b.w.pollBootLine();
        b.w->flushRedraws();
        QCOMPARE(b.stored(), 2);
        QCOMPARE(ui.oneKeyLine_uLabel->text(), QStringLiteral("5.000"));
        QCOMPARE(ui.oneKeyLineCountTime->text(), QStringLiteral("00:09"));
    }

    // The trigger travels in byte 2 of every poll while the button is held.
    void triggerIsCarriedWhileHeld()
    {
        BootLineBench b = bootLineBench();
        emit b.w.ui().oneKeyLineOn->pressed();
        for (int i = 0; i < 3; ++i) {
            b.w.pollBootLine();
            QCOMPARE(sim::bus().lastWrite(b.id)[2], std::uint8_t(1));
        }
        emit b.w.ui().oneKeyLineOn->released();
        b.w.pollBootLine();
        const std::vector<std::uint8_t> report = sim::bus().lastWrite(b.id);
        QCOMPARE(report[1], std::uint8_t(0x06));
        QCOMPARE(report[2], std::uint8_t(0));
        QCOMPARE(b.model->lastTrigger(), 0);
    }

    void chartingAppendsTheCurrent()
    {
        BootLineBench b = bootLineBench();
        QVERIFY(!b.w->oneKeyLine->chartRunning); // discovery does not start it
        b.w.ui().oneKeyLineChartSwitch->click();
        QCOMPARE(b.w.ui().oneKeyLineChartSwitch->text(), QStringLiteral("暂停"));
        b.model->setRaw(4000, 0x01F4, 600, 0);
        for (int i = 0; i < 12; ++i)
            b.w.pollBootLine();
        b.w->flushRedraws();
        QCOMPARE(b.stored(), 12);
        QCOMPARE(b.w->oneKeyLine->graphs[0]->data()->at(11)->value, 0.5);
        QVERIFY(b.w->oneKeyLine->enoughData);
        QCOMPARE(b.w.ui().oneKeyLineChart->xAxis->range().size(), 400.0);

        b.w.ui().oneKeyLineClearButton->click();
        QCOMPARE(b.stored(), 0);
        QVERIFY(!b.w->oneKeyLine->enoughData);
        QCOMPARE(b.w.ui().oneKeyLine_iLabel->text(), QStringLiteral("0.500")); // labels stay
    }

    void visibleWidth_data()
    {
        QTest::addColumn<bool>("charting");
        QTest::addColumn<double>("zoomed");
        QTest::addColumn<int>("span");
        QTest::newRow("charting, 250 wide") << true << 250.0 << 400;
        QTest::newRow("charting, 12000 wide") << true << 12000.0 << 10000;
        QTest::newRow("paused, 123.7 wide") << false << 123.7 << 123;
    }
    void visibleWidth()
    {
        QFETCH(bool, charting);
        QFETCH(double, zoomed);
        QFETCH(int, span);
        BootLineBench b = bootLineBench();
        if (charting)
            b.w.ui().oneKeyLineChartSwitch->click();
        b.w.ui().oneKeyLineChart->xAxis->setRange(0, zoomed);
        b.w.pollBootLine();
        QCOMPARE(b.w->oneKeyLine->spanSamples, span);
        if (charting)
            QCOMPARE(b.w.ui().oneKeyLineChart->xAxis->range().size(), double(span));
    }

    void unplugStopsChartingAndReplugLeavesItOff()
    {
        BootLineBench b = bootLineBench();
        b.w.ui().oneKeyLineChartSwitch->click();
        sim::bus().detach(b.id);
        b.w->discoverDevices();
        b.w.pollBootLine();
        QVERIFY(!b.w->oneKeyLine->chartRunning);
        QCOMPARE(b.w.ui().oneKeyLineChartSwitch->text(), QStringLiteral("开始"));
        sim::bus().attach(b.model);
        b.w->discoverDevices();
        b.w.pollBootLine();
        QVERIFY(!b.w->oneKeyLine->chartRunning);
    }

    void otherPagesExchangeNothing()
    {
        BootLineBench b = bootLineBench();
        b.w.ui().vCToolButton->click();
        emit b.w.ui().oneKeyLineOn->pressed();
        for (int i = 0; i < 3; ++i)
            b.w.pollBootLine();
        QCOMPARE(sim::bus().writeCount(b.id), size_t(0));
    }

    // While its page is hidden and nothing records it, the 2 ms timer rests:
    // the first poll that finds nothing to do stops it; showing the page or
    // starting a recording starts it again, with its interval and type.
    void pollRestsWhileNothingNeedsIt()
    {
        BootLineBench b = bootLineBench();
        QTimer *timer = b.w->oneKeyLine->pollTimer;
        auto running = [timer] {
            return timer->isActive() && timer->interval() == 2 &&
                   timer->timerType() == Qt::PreciseTimer;
        };
        timer->start(2);

        b.w.ui().vCToolButton->click();
        QVERIFY(running()); // until a poll finds nothing to do
        b.w.pollBootLine();
        QVERIFY(!timer->isActive());
        b.w.ui().adjPowToolButton->click();
        QVERIFY(!timer->isActive());
        b.w.ui().ironToolButton->click();
        QVERIFY(running());

        // A recording is polled on every page: the timer keeps running.
        b.w.ui().vCToolButton->click();
        b.w.pollBootLine();
        QVERIFY(!timer->isActive());
        QTemporaryDir dir;
        QVERIFY(b.w->startRecording(Widget::Tool::BootLine, dir.filePath("boot.csv")));
        QVERIFY(running());
        b.w.pollBootLine();
        QVERIFY(running());
        QCOMPARE(sim::bus().writeCount(b.id), size_t(1));
        b.w->stopRecording(Widget::Tool::BootLine);
        b.w.pollBootLine();
        QVERIFY(!timer->isActive());

        // A timer stopped from outside is left alone.
        b.w.ui().ironToolButton->click();
        timer->stop();
        b.w.ui().vCToolButton->click();
        b.w.pollBootLine();
        b.w.ui().ironToolButton->click();
        QVERIFY(!timer->isActive());
    }
};

QTEST_MAIN(BootLineTest)
#include "tst_bootline.moc"
