// A stop condition that switches the power supply's output off, through the
// supply's engine on the simulated bench: the very next request carries the
// off, with the settings the supply reported when they are not taken over;
// every request carries it until an answer reports the output off, whatever
// the answers do meanwhile; a gap learns the supply's settings first; the
// user's switch-on gives the off up.
#include "analysis/stopconditions.h"
#include "engine/powerengine.h"
#include "sim/simulator.h"

#include <QtTest>

namespace {

quint16 u16(const std::vector<std::uint8_t> &report, int at)
{
    return quint16(report[size_t(at)] << 8 | report[size_t(at + 1)]);
}

// What a request carries, as the supply reads it.
struct Sent {
    int command = -1;
    int output = -1;
    int slot = -1;
    int volts10mV = -1;
    int milliamps = -1;
    int ovp = -1;
    int ocp = -1;
};

Sent sentIn(const std::vector<std::uint8_t> &request)
{
    Sent s;
    if (request.size() != 65)
        return s;
    s.command = request[1];
    if (s.command == 7) {
        s.slot = request[5];
        s.volts10mV = u16(request, 6);
        s.milliamps = u16(request, 8);
        s.output = request[10];
        s.ovp = request[11];
        s.ocp = request[12];
    }
    return s;
}

class Bench {
public:
    // M4 at 12.00 V and 1.000 A selected, OVP on, the output on into 20 ohm:
    // 12 V, 0.6 A.
    Bench()
    {
        sim::bus().reset();
        supply = std::make_shared<sim::PowerSupplyModel>();
        supply->setLoad(20);
        supply->setPreset(4, {1200, 1000});
        supply->setSelectedPreset(4);
        supply->setOvpEnabled(true);
        supply->setOutput(true);
        id = sim::bus().attach(supply);
        UsbHid list;
        list.refresh();
        discovery::markPresence(engine, list.deviceList, devices::kPowerSupplyProductId);
        discovery::updateLink(engine, list.deviceList);
        stop.follow(engine);
        stopcond::Setup setup;
        stopcond::Condition overVoltage;
        QString error;
        stopcond::parseCondition(QStringLiteral("voltage>11V"), &overVoltage, &error);
        setup.conditions << overVoltage;
        setup.actions.outputOff = true;
        stop.arm(setup, engine::nowUs());
    }
    ~Bench()
    {
        discovery::closeLink(engine);
        sim::bus().reset();
    }

    // One poll: the answer (null for none) and what its request carried.
    const power::Answer *poll(Sent *sent)
    {
        const size_t before = sim::bus().writeCount(id);
        const power::Answer *answer = engine.poll();
        *sent = sim::bus().writeCount(id) == before + 1 ? sentIn(sim::bus().lastWrite(id)) : Sent();
        return answer;
    }

    std::shared_ptr<sim::PowerSupplyModel> supply;
    int id = -1;
    PowerEngine engine;
    stopcond::StopConditions stop;
};

} // namespace

class OutputOffTest : public QObject {
    Q_OBJECT
private slots:
    // Before the take-over (the command line's recording, the window's page
    // hidden) the off goes out with the settings the supply reported; after
    // it, with the program's own. Either way the supply keeps its memory
    // slots, and the answer to it confirms the off.
    void theNextRequestCarriesTheOff_data()
    {
        QTest::addColumn<bool>("takenOver");
        QTest::newRow("settings not taken over") << false;
        QTest::newRow("settings taken over") << true;
    }
    void theNextRequestCarriesTheOff()
    {
        QFETCH(bool, takenOver);
        Bench b;
        Sent sent;
        const power::Answer *first = b.poll(&sent);
        QVERIFY(first);
        QCOMPARE(sent.command, 6);
        if (takenOver)
            b.engine.takeOver(first->status, 3000, 6000);
        // 12 V: the condition is met by this answer.
        QVERIFY(b.stop.hasFired());
        QVERIFY(b.engine.outputOffPending());
        QVERIFY(b.supply->state().outputOn); // nothing sent yet

        const power::Answer *answer = b.poll(&sent);
        QCOMPARE(sent.command, 7);
        QCOMPARE(sent.output, 0);
        QCOMPARE(sent.slot, 4);
        QCOMPARE(sent.volts10mV, 1200);
        QCOMPARE(sent.milliamps, 1000);
        QCOMPARE(sent.ovp, 1);
        QCOMPARE(sent.ocp, 0);
        QVERIFY(answer);
        QVERIFY(answer->confirmsOutputOff);
        QCOMPARE(answer->status.outputOn, quint8(0));
        QVERIFY(!b.engine.outputOffPending());
        QVERIFY(!b.supply->state().outputOn);
        QVERIFY(b.supply->preset(4) == (sim::PowerSupplyModel::Preset{1200, 1000}));
        QVERIFY(b.supply->preset(1) == (sim::PowerSupplyModel::Preset{500, 1000}));

        // Confirmed: reading again, or the program's settings, output off.
        answer = b.poll(&sent);
        QVERIFY(answer && !answer->confirmsOutputOff);
        QCOMPARE(sent.command, takenOver ? 7 : 6);
        if (takenOver)
            QCOMPARE(sent.output, 0);
    }

    // The answers fail as the condition fires: every request carries the off
    // until one is answered with the output off; none confirms before.
    void theOffGoesOnWhileAnswersFail_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("reads fail") << 0;
        QTest::newRow("reads come back empty") << 1;
        QTest::newRow("answers with another code") << 2;
        QTest::newRow("answers of noise") << 3;
        QTest::newRow("answers that still report the output on") << 4;
    }
    void theOffGoesOnWhileAnswersFail()
    {
        QFETCH(int, fault);
        Bench b;
        Sent sent;
        QVERIFY(b.poll(&sent));
        QVERIFY(b.engine.outputOffPending());
        switch (fault) {
        case 0:
            sim::bus().setReadBehaviour(b.id, sim::ReadBehaviour::Fail, 3);
            break;
        case 1:
            sim::bus().setReadBehaviour(b.id, sim::ReadBehaviour::Zero, 3);
            break;
        case 2:
            sim::bus().setWrongCode(b.id, 0x55, 3);
            break;
        case 3:
            b.supply->answerGarbage(3);
            break;
        case 4:
            b.supply->overrideByte(48, 1);
            break;
        }
        for (int i = 0; i < 3; ++i) {
            const power::Answer *answer = b.poll(&sent);
            QCOMPARE(sent.command, 7);
            QCOMPARE(sent.output, 0);
            QCOMPARE(sent.slot, 4);
            QVERIFY(!answer || !answer->confirmsOutputOff);
            QCOMPARE(answer != nullptr, fault == 4);
            QVERIFY(b.engine.outputOffPending());
        }
        b.supply->clearOverrides();
        const power::Answer *answer = b.poll(&sent);
        QCOMPARE(sent.command, 7);
        QCOMPARE(sent.output, 0);
        QVERIFY(answer && answer->confirmsOutputOff);
        QVERIFY(!b.engine.outputOffPending());
    }

    // After a gap the supply's settings are not known: one read learns them,
    // then the off goes out with them.
    void aGapReadsTheSettingsFirst()
    {
        Bench b;
        Sent sent;
        QVERIFY(b.poll(&sent));
        b.engine.markGap();
        const power::Answer *answer = b.poll(&sent);
        QCOMPARE(sent.command, 6);
        QVERIFY(answer && !answer->confirmsOutputOff);
        QVERIFY(b.engine.outputOffPending());
        answer = b.poll(&sent);
        QCOMPARE(sent.command, 7);
        QCOMPARE(sent.output, 0);
        QCOMPARE(sent.slot, 4);
        QVERIFY(answer && answer->confirmsOutputOff);
    }

    // Switching the output on gives the off up.
    void switchingOnGivesTheOffUp()
    {
        Bench b;
        Sent sent;
        const power::Answer *first = b.poll(&sent);
        QVERIFY(first);
        b.engine.takeOver(first->status, 3000, 6000);
        QCOMPARE(b.engine.outputOn, quint8(0)); // the take-over keeps the off
        b.engine.cancelOutputOff();
        b.engine.outputOn = 1;
        const power::Answer *answer = b.poll(&sent);
        QCOMPARE(sent.command, 7);
        QCOMPARE(sent.output, 1);
        QVERIFY(answer && !answer->confirmsOutputOff);
        QVERIFY(!b.engine.outputOffPending());
        QVERIFY(b.supply->state().outputOn);
    }
};

QTEST_APPLESS_MAIN(OutputOffTest)
#include "tst_outputoff.moc"
