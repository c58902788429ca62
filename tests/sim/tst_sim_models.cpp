// The four instrument models, checked byte by byte through the hidapi
// functions against hand-computed report bytes.
#include "sim_test_helpers.h"

#include <QElapsedTimer>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <thread>

using namespace simtest;
using PSU = sim::PowerSupplyModel;

class TestSimModels : public QObject {
    Q_OBJECT

private slots:
    void init() { sim::bus().reset(); }
    void cleanup() { sim::bus().reset(); }

    // meter
    void meterRawEncoding();
    void meterSamplesPerRate_data();
    void meterSamplesPerRate();
    void meterPhysicalValues();
    void meterResponseTypeAndRate();
    void meterPhoneChargingProfile();
    void meterPhoneChargingOverHid();

    // power supply
    void psuDefaultAnswer();
    void psuCommand6DoesNotApply();
    void psuApplyCv();
    void psuCc();
    void psuOcpTripsAndRearms();
    void psuLoadChangeTripsOcp();
    void psuOvp();
    void psuPresetZeroAndState();
    void psuOverrides();
    void psuGarbageAnswers();
    void psuChargesACell();

    // boot line
    void bootRawEncoding();
    void bootTriggerProfile();
    void bootProfileShape();

    // firmware
    void firmwareSmallImage();
    void firmwareLargerImage();
    void firmwareBeginRefused();
    void firmwareRefusesNthData();
    void firmwareEraseDelay();
    void firmwareNotesDeviations_data();
    void firmwareNotesDeviations();
    void firmwareVanishesMidTransfer();
    void firmwareFallsSilent();
};

// ---------------------------------------------------------------- meter

void TestSimModels::meterRawEncoding()
{
    auto meter = std::make_shared<sim::MeterModel>();
    int id = sim::bus().attach(meter);
    meter->setRawSample(0, 4000, 0x0271);
    meter->setRawLines(0x02E8, 0x0123, 0x083C, 0x0007);
    hid_device *dev = openId(id);
    In in{};
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), 64);
    QCOMPARE(in[0], (unsigned char)0x08);
    QCOMPARE(in[1], (unsigned char)0);
    QCOMPARE(in[4], (unsigned char)0x0F);
    QCOMPARE(in[5], (unsigned char)0xA0);
    QCOMPARE(in[6], (unsigned char)0x02);
    QCOMPARE(in[7], (unsigned char)0x71);
    const unsigned char lines[8] = {0x02, 0xE8, 0x01, 0x23, 0x08, 0x3C, 0x00, 0x07};
    for (int k = 0; k < 8; ++k)
        QCOMPARE(in[24 + k], lines[k]);
    for (int k = 32; k < 64; ++k)
        QCOMPARE(in[k], (unsigned char)0);
    hid_close(dev);
}

void TestSimModels::meterSamplesPerRate_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("samples");
    QTest::newRow("1") << 1 << 1;
    QTest::newRow("2") << 2 << 1;
    QTest::newRow("10") << 10 << 1;
    QTest::newRow("20") << 20 << 1;
    QTest::newRow("40") << 40 << 2;
    QTest::newRow("80") << 80 << 4;
    QTest::newRow("100") << 100 << 5;
}

void TestSimModels::meterSamplesPerRate()
{
    QFETCH(int, rate);
    QFETCH(int, samples);
    auto meter = std::make_shared<sim::MeterModel>();
    int id = sim::bus().attach(meter);
    for (int k = 0; k < 5; ++k)
        meter->setRawSample(k, static_cast<std::uint16_t>(0x1100 + k),
                            static_cast<std::uint16_t>(0x2200 + k));
    hid_device *dev = openId(id);
    In in{};
    QCOMPARE(transact(dev, request(0x06, {{2, static_cast<std::uint8_t>(rate)}}), in), 64);
    QCOMPARE(sim::MeterModel::samplesForRate(rate), samples);
    for (int k = 0; k < 5; ++k) {
        const unsigned v = u16(in, 4 + 4 * k);
        const unsigned a = u16(in, 6 + 4 * k);
        if (k < samples) {
            QCOMPARE(v, 0x1100u + k);
            QCOMPARE(a, 0x2200u + k);
        } else {
            QCOMPARE(v, 0u);
            QCOMPARE(a, 0u);
        }
    }
    QCOMPARE(meter->lastRateCode(), rate);
    hid_close(dev);
}

void TestSimModels::meterPhysicalValues()
{
    auto meter = std::make_shared<sim::MeterModel>();
    int id = sim::bus().attach(meter);
    meter->setReading(5.0, 1.0);       // 5.0 V -> 4000; 1.0 A -> 2083.3 -> 2083
    meter->setSample(1, 12.0, 3.0);    // 9600 = 0x2580; 6250 = 0x186A
    meter->setLines(3.3, 0.6, 1.7, 0); // 4096 = 0x1000; 744.7 -> 745; 2110.1 -> 2110
    hid_device *dev = openId(id);
    In in{};
    QCOMPARE(transact(dev, request(0x06, {{2, 40}}), in), 64);
    QCOMPARE(u16(in, 4), 4000u);
    QCOMPARE(in[6], (unsigned char)0x08);
    QCOMPARE(in[7], (unsigned char)0x23);
    QCOMPARE(u16(in, 8), 0x2580u);
    QCOMPARE(u16(in, 10), 0x186Au);
    QCOMPARE(in[24], (unsigned char)0x10);
    QCOMPARE(in[25], (unsigned char)0x00);
    QCOMPARE(u16(in, 26), 745u);
    QCOMPARE(u16(in, 28), 2110u);
    QCOMPARE(u16(in, 30), 0u);
    QCOMPARE(sim::MeterModel::rawToVolts(4000), 5.0);
    QCOMPARE(sim::MeterModel::rawToLineVolts(4096), 3.3);
    QVERIFY(std::abs(sim::MeterModel::rawToAmps(2083) - 0.99984) < 1e-9);
    hid_close(dev);
}

void TestSimModels::meterResponseTypeAndRate()
{
    auto meter = std::make_shared<sim::MeterModel>();
    int id = sim::bus().attach(meter);
    QCOMPARE(meter->lastRateCode(), -1);
    meter->setResponseType(9);
    hid_device *dev = openId(id);
    In in{};
    QCOMPARE(transact(dev, request(0x06, {{2, 80}}), in), 64);
    QCOMPARE(in[0], (unsigned char)9);
    QCOMPARE(meter->lastRateCode(), 80);
    QCOMPARE(transact(dev, request(0x07, {{2, 10}}), in, 30), 0); // not a meter command
    QCOMPARE(meter->lastRateCode(), 80);
    QCOMPARE(meter->requestCount(), 1);
    hid_close(dev);
}

void TestSimModels::meterPhoneChargingProfile()
{
    using M = sim::MeterModel;
    QCOMPARE(M::phoneChargingAt(0.2, 1).amps, 0.0);
    for (double t = 0; t < 60; t += 0.05) {
        M::Sample s = M::phoneChargingAt(t, static_cast<std::uint64_t>(t * 1000));
        QVERIFY(s.volts > 4.9 && s.volts < 5.2);
        QVERIFY(s.amps >= 0 && s.amps < 1.95);
    }
    // The ramp rises and then settles near 1.9 A.
    QVERIFY(M::phoneChargingAt(3.0, 7).amps < M::phoneChargingAt(5.0, 7).amps);
    QVERIFY(std::abs(M::phoneChargingAt(20.0, 7).amps - 1.9) < 0.05);
    QVERIFY(std::abs(M::phoneChargingAt(45.0, 9).amps - 1.9) < 0.05);
}

void TestSimModels::meterPhoneChargingOverHid()
{
    auto meter = std::make_shared<sim::MeterModel>();
    meter->startPhoneCharging(sim::MeterModel::Charger::QuickCharge);
    int id = sim::bus().attach(meter);
    hid_device *dev = openId(id);
    In in{};
    QCOMPARE(transact(dev, request(0x06, {{2, 100}}), in), 64);
    for (int k = 0; k < 5; ++k) {
        const double v = u16(in, 4 + 4 * k) * 1.25 / 1000;
        QVERIFY2(v > 4.9 && v < 5.2, qPrintable(QString::number(v)));
    }
    const double dp = u16(in, 24) * 3.3 / 4096, dm = u16(in, 26) * 3.3 / 4096;
    const double cc1 = u16(in, 28) * 3.3 / 4096, cc2 = u16(in, 30) * 3.3 / 4096;
    QVERIFY(std::abs(dp - 0.6) < 0.02 && std::abs(dm - 0.6) < 0.02);
    QVERIFY(std::abs(cc1 - 1.7) < 0.02);
    QVERIFY(cc2 < 0.02);

    meter->startPhoneCharging(sim::MeterModel::Charger::Apple);
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), 64);
    QVERIFY(std::abs(u16(in, 24) * 3.3 / 4096 - 2.7) < 0.02);
    hid_close(dev);
}

// --------------------------------------------------------- power supply

static Out psuApply(std::uint8_t preset, std::uint16_t v10mV, std::uint16_t mA, bool on, bool ovp,
                    bool ocp)
{
    return request(0x07, {{2, 20},
                          {5, preset},
                          {6, static_cast<std::uint8_t>(v10mV >> 8)},
                          {7, static_cast<std::uint8_t>(v10mV & 0xFF)},
                          {8, static_cast<std::uint8_t>(mA >> 8)},
                          {9, static_cast<std::uint8_t>(mA & 0xFF)},
                          {10, on ? 1 : 0},
                          {11, ovp ? 1 : 0},
                          {12, ocp ? 1 : 0}});
}

void TestSimModels::psuDefaultAnswer()
{
    auto psu = std::make_shared<PSU>();
    int id = sim::bus().attach(psu);
    hid_device *dev = openId(id);
    In in{};
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), 64);
    QCOMPARE(in[0], (unsigned char)8);
    QCOMPARE(u16(in, 4), 0u); // output off
    QCOMPARE(u16(in, 6), 0u);
    // M1 5.00 V / 1.000 A: 500 = 0x01F4, 1000 = 0x03E8
    QCOMPARE(in[8], (unsigned char)0x01);
    QCOMPARE(in[9], (unsigned char)0xF4);
    QCOMPARE(in[20], (unsigned char)0x03);
    QCOMPARE(in[21], (unsigned char)0xE8);
    const unsigned volts[6] = {500, 330, 900, 1200, 370, 420};
    const unsigned amps[6] = {1000, 500, 2000, 1000, 2000, 3000};
    for (int k = 0; k < 6; ++k) {
        QCOMPARE(u16(in, 8 + 2 * k), volts[k]);
        QCOMPARE(u16(in, 20 + 2 * k), amps[k]);
    }
    QCOMPARE(in[48], (unsigned char)0);
    QCOMPARE(in[49], (unsigned char)0);
    QCOMPARE(in[50], (unsigned char)0);
    QCOMPARE(in[51], (unsigned char)0);
    QCOMPARE(in[52], (unsigned char)1);
    QCOMPARE(in[53], (unsigned char)0);
    for (int k = 32; k < 48; ++k)
        QCOMPARE(in[k], (unsigned char)0);
    for (int k = 54; k < 64; ++k)
        QCOMPARE(in[k], (unsigned char)0);
    QCOMPARE(psu->lastCommand(), 6);
    hid_close(dev);
}

void TestSimModels::psuCommand6DoesNotApply()
{
    auto psu = std::make_shared<PSU>();
    int id = sim::bus().attach(psu);
    hid_device *dev = openId(id);
    Out out = psuApply(3, 1234, 567, true, true, true);
    out[1] = 0x06; // the same bytes under command 6
    In in{};
    QCOMPARE(transact(dev, out, in), 64);
    PSU::State s = psu->state();
    QCOMPARE(s.outputOn, false);
    QCOMPARE(s.voltageSetpoint10mV, (std::uint16_t)500);
    QCOMPARE(s.selectedPreset, (std::uint8_t)1);
    QCOMPARE(psu->applyCount(), 0);
    QCOMPARE(transact(dev, request(0x05), in, 30), 0); // unknown command: no answer
    hid_close(dev);
}

void TestSimModels::psuApplyCv()
{
    auto psu = std::make_shared<PSU>();
    int id = sim::bus().attach(psu);
    QCOMPARE(psu->load(), 10.0);
    hid_device *dev = openId(id);
    In in{};
    // Preset 2, 5.00 V, 1.000 A into 10 ohm: CV, 0.500 A.
    QCOMPARE(transact(dev, psuApply(2, 500, 1000, true, false, false), in), 64);
    QCOMPARE(in[0], (unsigned char)8);
    QCOMPARE(in[4], (unsigned char)0x01); // 500 x 10 mV
    QCOMPARE(in[5], (unsigned char)0xF4);
    QCOMPARE(in[6], (unsigned char)0x01); // 500 mA
    QCOMPARE(in[7], (unsigned char)0xF4);
    QCOMPARE(in[48], (unsigned char)1);
    QCOMPARE(in[49], (unsigned char)0); // CV
    QCOMPARE(in[52], (unsigned char)2);
    QCOMPARE(in[53], (unsigned char)0);
    // The set-points went into slot M2.
    QCOMPARE(u16(in, 10), 500u);
    QCOMPARE(u16(in, 22), 1000u);
    QCOMPARE(psu->preset(2), (PSU::Preset{500, 1000}));
    PSU::State s = psu->state();
    QCOMPARE(s.voltageSetpoint10mV, (std::uint16_t)500);
    QCOMPARE(s.currentLimitMa, (std::uint16_t)1000);
    QVERIFY(s.outputOn);
    QCOMPARE(s.mode, (std::uint8_t)PSU::CV);
    // 12.34 V into open circuit: no current.
    psu->setLoad(PSU::kOpenCircuit);
    QCOMPARE(transact(dev, psuApply(0, 1234, 1000, true, false, false), in), 64);
    QCOMPARE(u16(in, 4), 1234u);
    QCOMPARE(u16(in, 6), 0u);
    QCOMPARE(in[52], (unsigned char)0);
    QCOMPARE(psu->preset(2), (PSU::Preset{500, 1000})); // preset 0 stores nothing
    hid_close(dev);
}

void TestSimModels::psuCc()
{
    auto psu = std::make_shared<PSU>();
    psu->setLoad(2.0);
    int id = sim::bus().attach(psu);
    hid_device *dev = openId(id);
    In in{};
    // 5.00 V, 1.000 A into 2 ohm would draw 2.5 A: CC at 1.000 A, 2.00 V.
    QCOMPARE(transact(dev, psuApply(1, 500, 1000, true, false, false), in), 64);
    QCOMPARE(u16(in, 4), 200u);
    QCOMPARE(u16(in, 6), 1000u);
    QCOMPARE(in[49], (unsigned char)1); // CC
    QCOMPARE(in[48], (unsigned char)1);
    // Exactly at the limit: still CV (5 V / 5 ohm = 1 A).
    psu->setLoad(5.0);
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), 64);
    QCOMPARE(in[49], (unsigned char)0);
    QCOMPARE(u16(in, 6), 1000u);
    // Short circuit: CC at 0 V.
    psu->setLoad(0.0);
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), 64);
    QCOMPARE(in[49], (unsigned char)1);
    QCOMPARE(u16(in, 4), 0u);
    QCOMPARE(u16(in, 6), 1000u);
    hid_close(dev);
}

void TestSimModels::psuOcpTripsAndRearms()
{
    auto psu = std::make_shared<PSU>();
    int id = sim::bus().attach(psu);
    hid_device *dev = openId(id);
    In in{};
    QCOMPARE(transact(dev, psuApply(1, 500, 1000, true, false, true), in), 64);
    QCOMPARE(in[49], (unsigned char)0); // CV into 10 ohm, no trip
    QCOMPARE(in[48], (unsigned char)1);
    psu->setLoad(2.0); // now it would enter CC
    QCOMPARE(transact(dev, psuApply(1, 500, 1000, true, false, true), in), 64);
    QCOMPARE(in[48], (unsigned char)0); // output off
    QCOMPARE(in[49], (unsigned char)2); // OCP
    QCOMPARE(in[51], (unsigned char)1);
    QCOMPARE(in[53], (unsigned char)1); // protection active
    QCOMPARE(u16(in, 4), 0u);
    QCOMPARE(u16(in, 6), 0u);
    // Still asking for "on" does not restart a tripped output.
    psu->setLoad(10.0);
    QCOMPARE(transact(dev, psuApply(1, 500, 1000, true, false, true), in), 64);
    QCOMPARE(in[48], (unsigned char)0);
    QCOMPARE(in[49], (unsigned char)2);
    // The program switches off (re-arm), then on again.
    QCOMPARE(transact(dev, psuApply(1, 500, 1000, false, false, true), in), 64);
    QCOMPARE(in[48], (unsigned char)0);
    QCOMPARE(transact(dev, psuApply(1, 500, 1000, true, false, true), in), 64);
    QCOMPARE(in[48], (unsigned char)1);
    QCOMPARE(in[49], (unsigned char)0);
    QCOMPARE(in[53], (unsigned char)0);
    QCOMPARE(u16(in, 6), 500u);
    // Without OCP, CC does not trip. (With OCP still enabled, a load change
    // alone would trip it.)
    QCOMPARE(transact(dev, psuApply(1, 500, 1000, true, false, false), in), 64);
    psu->setLoad(2.0);
    QCOMPARE(transact(dev, psuApply(1, 500, 1000, true, false, false), in), 64);
    QCOMPARE(in[48], (unsigned char)1);
    QCOMPARE(in[49], (unsigned char)1);
    hid_close(dev);
}

void TestSimModels::psuLoadChangeTripsOcp()
{
    auto psu = std::make_shared<PSU>();
    int id = sim::bus().attach(psu);
    hid_device *dev = openId(id);
    In in{};
    // 12.00 V, 1.500 A limit into 10 ohm: CV at 1.200 A.
    QCOMPARE(transact(dev, psuApply(4, 1200, 1500, true, false, true), in), 64);
    QCOMPARE(u16(in, 4), 1200u);
    QCOMPARE(u16(in, 6), 1200u);
    QCOMPARE(in[49], (unsigned char)0);
    // 5 ohm would draw 2.4 A: the supply enters CC and OCP trips at once.
    psu->setLoad(5.0);
    PSU::State s = psu->state();
    QVERIFY(!s.outputOn);
    QVERIFY(s.protectionActive);
    QCOMPARE(s.mode, (std::uint8_t)PSU::OCP);
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), 64);
    QCOMPARE(in[48], (unsigned char)0);
    QCOMPARE(in[49], (unsigned char)2);
    QCOMPARE(in[53], (unsigned char)1);
    QCOMPARE(u16(in, 14), 1200u); // M4 keeps what command 7 stored
    QCOMPARE(u16(in, 26), 1500u);
    hid_close(dev);
}

void TestSimModels::psuOvp()
{
    auto psu = std::make_shared<PSU>();
    int id = sim::bus().attach(psu);
    hid_device *dev = openId(id);
    In in{};
    QVERIFY(!psu->forceOverVoltage()); // output off: nothing happens
    QCOMPARE(transact(dev, psuApply(1, 500, 1000, true, true, false), in), 64);
    QCOMPARE(in[50], (unsigned char)1);
    QCOMPARE(in[49], (unsigned char)0);
    QVERIFY(psu->forceOverVoltage());
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), 64);
    QCOMPARE(in[48], (unsigned char)0);
    QCOMPARE(in[49], (unsigned char)3);
    QCOMPARE(in[53], (unsigned char)1);
    PSU::State s = psu->state();
    QVERIFY(!s.outputOn && s.protectionActive);
    QCOMPARE(s.mode, (std::uint8_t)PSU::OVP);

    // A threshold below the set-point trips at switch-on.
    psu->clearProtection();
    psu->setOvpThreshold(450);
    QCOMPARE(transact(dev, psuApply(1, 500, 1000, false, true, false), in), 64);
    QCOMPARE(transact(dev, psuApply(1, 500, 1000, true, true, false), in), 64);
    QCOMPARE(in[49], (unsigned char)3);
    QCOMPARE(in[48], (unsigned char)0);
    // With OVP off the same set-up runs.
    QCOMPARE(transact(dev, psuApply(1, 500, 1000, false, false, false), in), 64);
    QCOMPARE(transact(dev, psuApply(1, 500, 1000, true, false, false), in), 64);
    QCOMPARE(in[48], (unsigned char)1);
    QCOMPARE(in[49], (unsigned char)0);
    QVERIFY(!psu->forceOverVoltage()); // OVP disabled
    hid_close(dev);
}

void TestSimModels::psuPresetZeroAndState()
{
    auto psu = std::make_shared<PSU>();
    psu->setPreset(6, {1500, 250});
    psu->setSelectedPreset(6);
    psu->setLoad(100.0);
    psu->setOcpEnabled(true);
    psu->setOutput(true);
    int id = sim::bus().attach(psu);
    hid_device *dev = openId(id);
    In in{};
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), 64);
    QCOMPARE(in[52], (unsigned char)6);
    QCOMPARE(u16(in, 18), 1500u);
    QCOMPARE(u16(in, 30), 250u);
    QCOMPARE(u16(in, 4), 1500u);
    QCOMPARE(u16(in, 6), 150u); // 15 V / 100 ohm
    QCOMPARE(in[48], (unsigned char)1);
    QCOMPARE(in[51], (unsigned char)1);
    QVERIFY_EXCEPTION_THROWN(psu->setPreset(7, {}), std::out_of_range);
    hid_close(dev);
}

// Noise answers: never a status code, the requests still applied, and the
// answers after them are proper again.
void TestSimModels::psuGarbageAnswers()
{
    auto psu = std::make_shared<PSU>();
    int id = sim::bus().attach(psu);
    hid_device *dev = openId(id);
    psu->answerGarbage(40);
    In in{};
    In first{};
    int differing = 0;
    for (int n = 0; n < 40; ++n) {
        QCOMPARE(transact(dev, psuApply(3, 777, 1234, false, false, false), in), 64);
        QVERIFY(in[0] != 8 && in[0] != 9);
        if (n == 0)
            first = in;
        else if (in != first)
            ++differing;
    }
    QCOMPARE(differing, 39); // noise, not one fixed report
    QCOMPARE(psu->applyCount(), 40);
    QCOMPARE(psu->preset(3), (PSU::Preset{777, 1234}));
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), 64);
    QCOMPARE(in[0], (unsigned char)8);
    QCOMPARE(u16(in, 12), 777u);
    QCOMPARE(in[52], (unsigned char)3);
    hid_close(dev);
}

// A cell of 50 mAh at 10 % (3.30 V behind 0.15 ohm) on 4.20 V and 1.000 A:
// constant current while 4.20 V would drive more than 1 A into it, the voltage
// rising with the cell; then constant voltage, the current falling as the
// cell nears 4.20 V, below 100 mA in a few minutes.
void TestSimModels::psuChargesACell()
{
    auto psu = std::make_shared<PSU>();
    psu->connectCell(PSU::Cell());
    QVERIFY(psu->hasCell());
    int id = sim::bus().attach(psu);
    hid_device *dev = openId(id);
    In in{};
    // (4.20 − 3.30) / 0.15 = 6 A wanted: CC at 1.000 A, 3.30 + 0.15 = 3.45 V.
    QCOMPARE(transact(dev, psuApply(6, 420, 1000, true, false, false), in), 64);
    QCOMPARE(in[49], (unsigned char)PSU::CC);
    QCOMPARE(u16(in, 4), 345u);
    QCOMPARE(u16(in, 6), 1000u);
    // 90 s at 1 A is 25 mAh, half the cell: 60 %, 3.80 V, and 3.95 V at the
    // terminals.
    psu->runCell(90);
    QVERIFY(qAbs(psu->cell().stateOfCharge - 0.6) < 0.001);
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), 64);
    QCOMPARE(in[49], (unsigned char)PSU::CC);
    QCOMPARE(u16(in, 4), 395u);
    QCOMPARE(u16(in, 6), 1000u);
    // CC ends when the cell is at 4.20 − 0.15 = 4.05 V (85 %), 45 s later;
    // then the current falls with a time constant of 0.15 ohm × 180 A·s per
    // volt = 27 s: after 45 s more, 1 A × e^(−45/27) = 0.19 A.
    psu->runCell(90);
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), 64);
    QCOMPARE(in[49], (unsigned char)PSU::CV);
    QCOMPARE(u16(in, 4), 420u);
    QVERIFY2(u16(in, 6) >= 180 && u16(in, 6) <= 200, qPrintable(QString::number(u16(in, 6))));
    // Tapering: less at each look, below 100 mA 20 s later (e^(−65/27) =
    // 0.09), a few milliamperes two minutes on.
    unsigned before = u16(in, 6);
    for (int i = 0; i < 4; ++i) {
        psu->runCell(5);
        QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), 64);
        QVERIFY(u16(in, 6) < before);
        before = u16(in, 6);
    }
    QVERIFY2(before < 100, qPrintable(QString::number(before)));
    psu->runCell(120);
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), 64);
    QVERIFY(u16(in, 6) < 5);
    QVERIFY(psu->cell().stateOfCharge > 0.99 && psu->cell().stateOfCharge <= 1.0);
    // Output off: nothing flows, nothing more is charged.
    QCOMPARE(transact(dev, psuApply(6, 420, 1000, false, false, false), in), 64);
    QCOMPARE(u16(in, 6), 0u);
    const double full = psu->cell().stateOfCharge;
    psu->runCell(60);
    QCOMPARE(psu->cell().stateOfCharge, full);
    // Back on the resistive load it had.
    psu->setLoad(psu->load());
    QVERIFY(!psu->hasCell());
    hid_close(dev);
}

void TestSimModels::psuOverrides()
{
    auto psu = std::make_shared<PSU>();
    int id = sim::bus().attach(psu);
    psu->overrideU16(4, 0xBEEF);
    psu->overrideByte(49, 4);
    psu->setResponseCode(9);
    hid_device *dev = openId(id);
    In in{};
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), 64);
    QCOMPARE(in[0], (unsigned char)9);
    QCOMPARE(in[4], (unsigned char)0xBE);
    QCOMPARE(in[5], (unsigned char)0xEF);
    QCOMPARE(in[49], (unsigned char)4);
    psu->clearOverrides();
    QCOMPARE(transact(dev, request(0x06, {{2, 20}}), in), 64);
    QCOMPARE(u16(in, 4), 0u);
    QCOMPARE(in[49], (unsigned char)0);
    hid_close(dev);
}

// ------------------------------------------------------------ boot line

void TestSimModels::bootRawEncoding()
{
    auto boot = std::make_shared<sim::BootLineModel>();
    int id = sim::bus().attach(boot);
    boot->setRaw(4012, 523, 880, 1234);
    hid_device *dev = openId(id);
    In in{};
    QCOMPARE(boot->lastTrigger(), -1);
    QCOMPARE(transact(dev, request(0x06, {{2, 1}}), in), 64);
    const unsigned char expect[12] = {0x08, 0,    0,    0,    0x0F, 0xAC,
                                      0x02, 0x0B, 0x03, 0x70, 0x04, 0xD2};
    for (int k = 0; k < 12; ++k)
        QCOMPARE(in[k], expect[k]);
    for (int k = 12; k < 64; ++k)
        QCOMPARE(in[k], (unsigned char)0);
    QCOMPARE(boot->lastTrigger(), 1);
    QCOMPARE(transact(dev, request(0x06, {{2, 0}}), in), 64);
    QCOMPARE(boot->lastTrigger(), 0);
    boot->setResponseCode(9);
    QCOMPARE(transact(dev, request(0x06), in), 64);
    QCOMPARE(in[0], (unsigned char)9);
    QCOMPARE(transact(dev, request(0x07), in, 30), 0);
    hid_close(dev);
}

void TestSimModels::bootTriggerProfile()
{
    auto boot = std::make_shared<sim::BootLineModel>();
    int id = sim::bus().attach(boot);
    hid_device *dev = openId(id);
    In in{};
    // Idle: battery voltage, no current.
    QCOMPARE(transact(dev, request(0x06, {{2, 0}}), in), 64);
    QCOMPARE(u16(in, 4), 4000u);
    QCOMPARE(u16(in, 6), 0u);
    QCOMPARE(u16(in, 10), 0u);
    // Pressed: the standby step of about 50 mA.
    QCOMPARE(transact(dev, request(0x06, {{2, 1}}), in), 64);
    QVERIFY(boot->triggered());
    QVERIFY2(u16(in, 6) >= 35 && u16(in, 6) <= 65, qPrintable(QString::number(u16(in, 6))));
    QVERIFY(u16(in, 4) > 3900 && u16(in, 4) <= 4000);
    std::this_thread::sleep_for(std::chrono::milliseconds(350));
    unsigned peak = 0;
    for (int k = 0; k < 20; ++k) {
        QCOMPARE(transact(dev, request(0x06, {{2, 1}}), in), 64);
        peak = std::max(peak, u16(in, 6));
        QVERIFY(u16(in, 8) >= u16(in, 6)); // peak is the maximum seen
        QVERIFY(u16(in, 8) >= peak);
    }
    const unsigned tenths = u16(in, 10);
    QVERIFY2(tenths >= 3 && tenths < 20, qPrintable(QString::number(tenths)));
    // Released: no current, time and peak hold.
    QCOMPARE(transact(dev, request(0x06, {{2, 0}}), in), 64);
    QVERIFY(!boot->triggered());
    QCOMPARE(u16(in, 6), 0u);
    const unsigned heldTenths = u16(in, 10), heldPeak = u16(in, 8);
    QVERIFY(heldTenths >= tenths);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    QCOMPARE(transact(dev, request(0x06, {{2, 0}}), in), 64);
    QCOMPARE(u16(in, 10), heldTenths);
    QCOMPARE(u16(in, 8), heldPeak);
    QCOMPARE(boot->peakMilliamps(), static_cast<std::uint16_t>(heldPeak));
    // A new press starts a new measurement.
    QCOMPARE(transact(dev, request(0x06, {{2, 1}}), in), 64);
    QVERIFY(u16(in, 10) <= 1);
    QVERIFY(u16(in, 8) < 100);
    hid_close(dev);
}

void TestSimModels::bootProfileShape()
{
    double maxA = 0;
    bool burstSeen = false;
    for (double t = 0; t < 12.0; t += 0.001) {
        const double a = sim::BootLineModel::bootCurrentAt(t);
        QVERIFY(a >= 0 && a < 1.0);
        maxA = std::max(maxA, a);
        if (t > 1.5 && t < 6 && a > 0.3)
            burstSeen = true;
    }
    QVERIFY2(maxA > 0.85, qPrintable(QString::number(maxA)));
    QVERIFY(burstSeen);
    QVERIFY(std::abs(sim::BootLineModel::bootCurrentAt(0.1) - 0.05) < 0.015);
}

// ------------------------------------------------------------- firmware

/// Sends an image as the program does (announce, begin, data..., end) and
/// returns how many data reports went out.
static int sendImage(hid_device *dev, const std::vector<std::uint8_t> &image,
                     int readTimeoutMs = 500)
{
    Out buf{};
    buf[1] = 0x05;
    const auto size = static_cast<std::uint32_t>(image.size());
    buf[17] = static_cast<std::uint8_t>(size >> 24);
    buf[18] = static_cast<std::uint8_t>(size >> 16);
    buf[19] = static_cast<std::uint8_t>(size >> 8);
    buf[20] = static_cast<std::uint8_t>(size);
    write(dev, buf);
    buf[1] = 0x01;
    write(dev, buf);
    In in{};
    if (hid_read_timeout(dev, in.data(), in.size(), readTimeoutMs) <= 0 || in[0] != 0x02)
        return 0;
    std::size_t offset = 0;
    int reports = 0;
    while (offset < image.size()) {
        Out data{};
        data[1] = 0x03;
        for (std::size_t k = 0; k < 60 && offset + k < image.size(); ++k)
            data[5 + k] = image[offset + k];
        offset += 60;
        write(dev, data);
        ++reports;
        if (offset >= image.size()) {
            write(dev, request(0x04));
            break;
        }
        in.fill(0);
        if (hid_read_timeout(dev, in.data(), in.size(), readTimeoutMs) <= 0 || in[0] != 0x02)
            return -reports;
    }
    return reports;
}

static std::vector<std::uint8_t> makeImage(std::size_t n)
{
    std::vector<std::uint8_t> img(n);
    for (std::size_t k = 0; k < n; ++k)
        img[k] = static_cast<std::uint8_t>((k * 7 + 3) & 0xFF);
    return img;
}

void TestSimModels::firmwareSmallImage()
{
    auto fw = std::make_shared<sim::FirmwareModel>();
    int id = sim::bus().attach(fw);
    hid_device *dev = openId(id);
    const auto img = makeImage(120);

    // Step by step: announcement 00 00 00 78 is not answered.
    Out buf{};
    buf[1] = 0x05;
    buf[20] = 0x78;
    write(dev, buf);
    In in{};
    QCOMPARE(hid_read_timeout(dev, in.data(), in.size(), 20), 0);
    QVERIFY(fw->announced());
    QCOMPARE(fw->announcedSize(), 120u);
    buf[1] = 0x01;
    write(dev, buf);
    QCOMPARE(hid_read_timeout(dev, in.data(), in.size(), 200), 64);
    QCOMPARE(in[0], (unsigned char)0x02);
    QVERIFY(fw->begun());
    QCOMPARE(fw->beginSize(), 120u);
    Out d1 = request(0x03);
    std::copy(img.begin(), img.begin() + 60, d1.begin() + 5);
    write(dev, d1);
    QCOMPARE(hid_read_timeout(dev, in.data(), in.size(), 200), 64);
    QCOMPARE(in[0], (unsigned char)0x02);
    Out d2 = request(0x03);
    std::copy(img.begin() + 60, img.end(), d2.begin() + 5);
    write(dev, d2);
    QCOMPARE(hid_read_timeout(dev, in.data(), in.size(), 50), 0); // completing report: no answer
    QVERIFY(!fw->imageComplete());                                // the end has not come yet
    write(dev, request(0x04));
    QCOMPARE(hid_read_timeout(dev, in.data(), in.size(), 20), 0);
    QVERIFY(fw->endReceived());
    QCOMPARE(fw->dataReports(), 2);
    QCOMPARE(fw->acknowledgements(), 1);
    QVERIFY(fw->imageComplete());
    QCOMPARE(fw->image(), img);
    QVERIFY(!fw->failed());
    QCOMPARE(sim::bus().writeCount(id), size_t(5));
    QCOMPARE(fw->commands(), (std::vector<std::uint8_t>{0x05, 0x01, 0x03, 0x03, 0x04}));
    QCOMPARE(fw->problems().size(), size_t(0));
    hid_close(dev);
}

void TestSimModels::firmwareLargerImage()
{
    auto fw = std::make_shared<sim::FirmwareModel>();
    int id = sim::bus().attach(fw);
    hid_device *dev = openId(id);
    const auto img = makeImage(6001);
    QCOMPARE(sendImage(dev, img), 101);
    QCOMPARE(fw->dataReports(), 101);
    QVERIFY(fw->imageComplete());
    QCOMPARE(fw->image(), img);
    QCOMPARE(fw->received().size(), size_t(101 * 60));
    QCOMPARE(sim::bus().pendingAnswers(id), size_t(0));

    // A second transfer starts from a fresh announcement.
    const auto img2 = makeImage(59);
    QCOMPARE(sendImage(dev, img2), 1);
    QVERIFY(fw->imageComplete());
    QCOMPARE(fw->image(), img2);

    // Garbage in the padding is noticed.
    Out buf{};
    buf[1] = 0x05;
    buf[20] = 10;
    write(dev, buf);
    buf[1] = 0x01;
    write(dev, buf);
    In in{};
    QCOMPARE(hid_read_timeout(dev, in.data(), in.size(), 200), 64);
    Out d = request(0x03);
    d[5 + 30] = 0x55;
    write(dev, d);
    write(dev, request(0x04));
    QVERIFY(fw->endReceived());
    QVERIFY(!fw->imageComplete());
    hid_close(dev);
}

void TestSimModels::firmwareBeginRefused()
{
    auto fw = std::make_shared<sim::FirmwareModel>();
    fw->setBeginAnswer(0x00);
    int id = sim::bus().attach(fw);
    hid_device *dev = openId(id);
    QCOMPARE(sendImage(dev, makeImage(120)), 0);
    QVERIFY(!fw->begun());
    QCOMPARE(fw->dataReports(), 0);
    // A begin without announcement is refused with 0x01.
    fw->setBeginAnswer(0x02);
    fw->clearTransfer();
    write(dev, request(0x01));
    In in{};
    QCOMPARE(hid_read_timeout(dev, in.data(), in.size(), 200), 64);
    QCOMPARE(in[0], (unsigned char)0x01);
    hid_close(dev);
}

void TestSimModels::firmwareRefusesNthData()
{
    auto fw = std::make_shared<sim::FirmwareModel>();
    fw->refuseDataReport(2);
    int id = sim::bus().attach(fw);
    hid_device *dev = openId(id);
    QCOMPARE(sendImage(dev, makeImage(300)), -2); // the 2nd acknowledgement is a refusal
    QVERIFY(fw->failed());
    QCOMPARE(fw->dataReports(), 2);
    QVERIFY(!fw->imageComplete());
    // Data after a refusal is refused too.
    write(dev, request(0x03));
    In in{};
    QCOMPARE(hid_read_timeout(dev, in.data(), in.size(), 200), 64);
    QCOMPARE(in[0], (unsigned char)0x01);
    hid_close(dev);
}

void TestSimModels::firmwareEraseDelay()
{
    auto fw = std::make_shared<sim::FirmwareModel>();
    fw->setFirstAnswerDelay(150);
    int id = sim::bus().attach(fw);
    sim::bus().setBlockingWait(50); // a blocking read still waits for a coming answer
    hid_device *dev = openId(id);
    Out buf{};
    buf[1] = 0x05;
    buf[20] = 120;
    write(dev, buf);
    buf[1] = 0x01;
    write(dev, buf);
    In in{};
    QElapsedTimer t;
    t.start();
    QCOMPARE(hid_read_timeout(dev, in.data(), in.size(), 30), 0); // still erasing
    QCOMPARE(hid_read(dev, in.data(), in.size()), 64);
    QVERIFY2(t.elapsed() >= 140, qPrintable(QString::number(t.elapsed())));
    QCOMPARE(in[0], (unsigned char)0x02);
    // Later answers come at once, however long the read may wait.
    write(dev, request(0x03));
    t.restart();
    QCOMPARE(hid_read_timeout(dev, in.data(), in.size(), kLongWaitMs), 64);
    QVERIFY2(t.elapsed() < kLateWakeMs, qPrintable(QString::number(t.elapsed())));
    hid_close(dev);
}

/// Announcement (size 120) and begin as the program sends them.
static void announceAndBegin(hid_device *dev, std::uint8_t beginSize = 120)
{
    write(dev, request(0x05, {{20, 120}}));
    write(dev, request(0x01, {{20, beginSize}}));
}

static Out dataReport(std::uint8_t fill, int imageBytes = 60)
{
    Out out = request(0x03);
    for (int k = 0; k < imageBytes; ++k)
        out[static_cast<std::size_t>(5 + k)] = fill;
    return out;
}

// Each deviation from the exchange is noted, in readable words.
void TestSimModels::firmwareNotesDeviations_data()
{
    QTest::addColumn<int>("deviation");
    QTest::addColumn<QString>("problem");
    QTest::newRow("unused announcement byte") << 0 << "announcement: byte 5 is not zero";
    QTest::newRow("begin with another size")
        << 1 << "begin size 100 differs from the announced 120";
    QTest::newRow("data before the begin") << 2 << "data report 1 before an accepted begin";
    QTest::newRow("unused data byte") << 3 << "data report 1: byte 3 is not zero";
    QTest::newRow("padding after the image") << 4 << "padding after the image is not zero";
    QTest::newRow("end too early") << 5 << "end after 60 of 120 bytes";
    QTest::newRow("data after a refusal") << 6 << "data report 2 after a refusal";
    QTest::newRow("end after a refusal") << 7 << "end after a refusal";
    QTest::newRow("report after the end") << 8 << "report 3 after the end";
    QTest::newRow("unknown command") << 9 << "unknown command 7";
    QTest::newRow("data past the size") << 10 << "data report 3 past the announced size";
}

void TestSimModels::firmwareNotesDeviations()
{
    QFETCH(int, deviation);
    QFETCH(QString, problem);
    auto fw = std::make_shared<sim::FirmwareModel>();
    int id = sim::bus().attach(fw);
    hid_device *dev = openId(id);
    switch (deviation) {
    case 0:
        write(dev, request(0x05, {{5, 1}, {20, 120}}));
        break;
    case 1:
        announceAndBegin(dev, 100);
        break;
    case 2:
        write(dev, request(0x05, {{20, 120}}));
        write(dev, dataReport(0x11));
        break;
    case 3: {
        announceAndBegin(dev);
        Out data = dataReport(0x11);
        data[3] = 0x01;
        write(dev, data);
        break;
    }
    case 4:
        announceAndBegin(dev);
        write(dev, dataReport(0x11));
        write(dev, dataReport(0x22)); // 120 bytes: all 60 are image bytes
        write(dev, request(0x05, {{20, 100}}));
        write(dev, request(0x01, {{20, 100}}));
        write(dev, dataReport(0x11));
        write(dev, dataReport(0x22)); // 100 bytes: 20 of these should be zero
        break;
    case 5:
        announceAndBegin(dev);
        write(dev, dataReport(0x11));
        write(dev, request(0x04));
        break;
    case 6:
    case 7:
        fw->refuseDataReport(1);
        announceAndBegin(dev);
        write(dev, dataReport(0x11));
        write(dev, deviation == 6 ? dataReport(0x22) : request(0x04));
        break;
    case 8:
        announceAndBegin(dev);
        write(dev, dataReport(0x11));
        write(dev, dataReport(0x22));
        write(dev, request(0x04));
        write(dev, dataReport(0x33));
        break;
    case 9:
        write(dev, request(0x07));
        break;
    case 10:
        announceAndBegin(dev);
        for (std::uint8_t fill : {0x11, 0x22, 0x33})
            write(dev, dataReport(fill));
        break;
    }
    std::vector<std::string> problems = fw->problems();
    QCOMPARE(problems.size(), size_t(1));
    QCOMPARE(QString::fromStdString(problems[0]), problem);
    fw->clearTransfer();
    QCOMPARE(fw->problems().size(), size_t(0));
    hid_close(dev);
}

// Pulled out right after taking a data report: the report is stored, nothing
// answers, and the interface leaves the bus.
void TestSimModels::firmwareVanishesMidTransfer()
{
    auto fw = std::make_shared<sim::FirmwareModel>();
    fw->vanishAtDataReport(2);
    std::vector<std::uint8_t> seen;
    fw->setObserver([&seen](std::uint8_t command) { seen.push_back(command); });
    int id = sim::bus().attach(fw);
    hid_device *dev = openId(id);
    announceAndBegin(dev);
    In in{};
    QCOMPARE(hid_read_timeout(dev, in.data(), in.size(), 200), 64);
    QCOMPARE(transact(dev, dataReport(0x11, 60), in), 64);
    QCOMPARE(write(dev, dataReport(0x22, 60)), 65); // taken, then gone
    QVERIFY(!sim::bus().isAttached(id));
    QCOMPARE(hid_read_timeout(dev, in.data(), in.size(), 200), -1);
    QCOMPARE(write(dev, request(0x04)), -1);
    QVERIFY(enumerate(0x2E88, 0x4606).empty());
    QCOMPARE(fw->dataReports(), 2);
    QCOMPARE(fw->received().size(), size_t(120));
    QVERIFY(!fw->endReceived());
    QCOMPARE(seen, (std::vector<std::uint8_t>{0x05, 0x01, 0x03, 0x03}));
    hid_close(dev);
}

// A device that falls silent takes the reports but answers none of them.
void TestSimModels::firmwareFallsSilent()
{
    auto fw = std::make_shared<sim::FirmwareModel>();
    fw->setSilentFromDataReport(2);
    int id = sim::bus().attach(fw);
    hid_device *dev = openId(id);
    write(dev, request(0x05, {{20, 240}}));
    write(dev, request(0x01, {{20, 240}}));
    In in{};
    QCOMPARE(hid_read_timeout(dev, in.data(), in.size(), 200), 64);
    QCOMPARE(transact(dev, dataReport(0x11), in), 64);
    QCOMPARE(in[0], (unsigned char)0x02);
    QCOMPARE(transact(dev, dataReport(0x22), in, 50), 0);
    QCOMPARE(transact(dev, dataReport(0x33), in, 50), 0);
    QCOMPARE(fw->dataReports(), 3);
    QCOMPARE(fw->received().size(), size_t(180));
    QVERIFY(sim::bus().isAttached(id));
    hid_close(dev);
}

QTEST_GUILESS_MAIN(TestSimModels)
#include "tst_sim_models.moc"
