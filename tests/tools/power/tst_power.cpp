// The power supply end to end: the real window driving a simulated supply.
#include "app/gaugepanel.h"
#include "charts/axistag.h"
#include "tests/support/testbench.h"

#include <QLineEdit>
#include <QtTest>
#include <cmath>

using testbench::makeWindow;
using PSU = sim::PowerSupplyModel;
using Bytes = QVector<int>;
Q_DECLARE_METATYPE(Bytes)

namespace {

struct PowerBench {
    testbench::Window w;
    std::shared_ptr<PSU> model;
    int id = -1;

    AdjPower &p() const { return *w->adjPower; }
    Ui_Widget &ui() const { return w.ui(); }
    void poll() const { w.invoke("adjPowerChartProcess"); }
    void pollTimes(int n) const
    {
        for (int i = 0; i < n; ++i)
            poll();
    }
    std::vector<std::uint8_t> lastRequest() const { return sim::bus().lastWrite(id); }
    int lastCommand() const
    {
        const std::vector<std::uint8_t> request = lastRequest();
        return request.size() > 1 ? request[1] : -1;
    }
    // Bytes 6-7 and 8-9 of the latest request.
    int sentVoltage() const { return lastRequest()[6] << 8 | lastRequest()[7]; }
    int sentCurrent() const { return lastRequest()[8] << 8 | lastRequest()[9]; }
    QList<QPushButton *> presetButtons() const
    {
        return {ui().adjM1PushButton, ui().adjM2PushButton, ui().adjM3PushButton,
                ui().adjM4PushButton, ui().adjM5PushButton, ui().adjM6PushButton};
    }
    // Which of the four lights are on, as "CV", "CC", "OVP", "OCP" joined by
    // blanks.
    QString lights() const
    {
        QStringList on;
        if (ui().cvLight->isChecked())
            on << "CV";
        if (ui().ccLight->isChecked())
            on << "CC";
        if (ui().ovpLight->isChecked())
            on << "OVP";
        if (ui().ocpLight->isChecked())
            on << "OCP";
        return on.join(' ');
    }
    QString label(QLabel *l) const
    {
        w->refreshLabels();
        return l->text();
    }
    void connectSupply() const { w->discoverDevices(); }
};

// A window showing the power supply page with a supply attached and
// connected; no request sent yet.
PowerBench powerBench(std::shared_ptr<PSU> model = std::make_shared<PSU>())
{
    PowerBench b{makeWindow(), model};
    b.id = sim::bus().attach(b.model);
    b.connectSupply();
    b.ui().adjPowToolButton->click();
    return b;
}

// The user types into a set-point edit over its whole text and presses Enter.
void type(QLineEdit *edit, const QString &keys)
{
    edit->selectAll();
    QTest::keyClicks(edit, keys);
    QTest::keyClick(edit, Qt::Key_Return);
}

} // namespace

class PowerTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { sim::bus().reset(); }

    // Command 6 until the device's settings are taken over, then command 7.
    void readsFirstThenApplies()
    {
        PowerBench b = powerBench();
        b.poll();
        const std::vector<std::uint8_t> first = b.lastRequest();
        QCOMPARE(int(first.size()), 65);
        for (int k = 0; k < 65; ++k)
            QCOMPARE(int(first[k]), k == 1 ? 6 : k == 2 ? 20 : 0);
        QVERIFY(b.p().presetsLoaded);
        b.pollTimes(3);
        QCOMPARE(b.lastCommand(), 7);
        QCOMPARE(b.model->applyCount(), 3);
    }

    // Every byte of command 7 after the user chose a preset and switches.
    void applyCarriesTheSelection_data()
    {
        QTest::addColumn<int>("slot"); // 0: the device's selection (M1)
        QTest::addColumn<bool>("output");
        QTest::addColumn<bool>("ovp");
        QTest::addColumn<bool>("ocp");
        QTest::addColumn<Bytes>("head"); // bytes 0..12; the rest are zero
        QTest::newRow("M1 as taken over")
            << 0 << false << false << false
            << Bytes{0, 7, 20, 0, 0, 1, 0x01, 0xF4, 0x03, 0xE8, 0, 0, 0};
        QTest::newRow("M3 9.00 V 2.000 A, output on")
            << 3 << true << false << false
            << Bytes{0, 7, 20, 0, 0, 3, 0x03, 0x84, 0x07, 0xD0, 1, 0, 0};
        QTest::newRow("M4 12.00 V 1.000 A, OVP and OCP")
            << 4 << false << true << true
            << Bytes{0, 7, 20, 0, 0, 4, 0x04, 0xB0, 0x03, 0xE8, 0, 1, 1};
        QTest::newRow("M6 4.20 V 3.000 A, everything on")
            << 6 << true << true << true
            << Bytes{0, 7, 20, 0, 0, 6, 0x01, 0xA4, 0x0B, 0xB8, 1, 1, 1};
    }
    void applyCarriesTheSelection()
    {
        QFETCH(int, slot);
        QFETCH(bool, output);
        QFETCH(bool, ovp);
        QFETCH(bool, ocp);
        QFETCH(Bytes, head);
        PowerBench b = powerBench();
        b.poll();
        if (slot)
            b.presetButtons()[slot - 1]->click();
        if (output)
            b.ui().adjON_OFFButton->click();
        if (ovp)
            b.ui().adjOVPButton->click();
        if (ocp)
            b.ui().adjOCPButton->click();
        b.poll();
        const std::vector<std::uint8_t> request = b.lastRequest();
        QCOMPARE(int(request.size()), 65);
        for (int k = 0; k < 65; ++k)
            QCOMPARE(int(request[k]), k < head.size() ? head[k] : 0);
    }

    // Answers 8 and 9 are taken alike; anything else, or no answer, changes
    // nothing and the settings are read again at the next request.
    void answers_data()
    {
        QTest::addColumn<QString>("answer");
        QTest::addColumn<bool>("taken");
        QTest::newRow("code 8") << "8" << true;
        QTest::newRow("code 9") << "9" << true;
        QTest::newRow("code 7") << "7" << false;
        QTest::newRow("noise") << "noise" << false;
        QTest::newRow("read error") << "error" << false;
        QTest::newRow("no answer in time") << "timeout" << false;
    }
    void answers()
    {
        QFETCH(QString, answer);
        QFETCH(bool, taken);
        auto model = std::make_shared<PSU>();
        model->setOutput(true); // M1 5.00 V into 10 ohm: 0.500 A
        PowerBench b = powerBench(model);
        if (answer == "9")
            model->setResponseCode(9);
        else if (answer == "7")
            model->setResponseCode(7);
        else if (answer == "noise")
            model->answerGarbage(1);
        else if (answer == "error")
            sim::bus().setReadBehaviour(b.id, sim::ReadBehaviour::Fail, 1);
        else if (answer == "timeout")
            sim::bus().setReadBehaviour(b.id, sim::ReadBehaviour::Timeout, 1);
        b.poll();
        QCOMPARE(b.p().presetsLoaded, taken);
        QCOMPARE(b.p().graphs[0]->dataCount(), taken ? 1 : 0);
        QCOMPARE(b.label(b.ui().adjPowuLabel), taken ? QString("5.00") : QString("0.00"));
        QCOMPARE(b.ui().adjPowiLabel->text(), taken ? QString("0.500") : QString("0.000"));
        QCOMPARE(b.ui().adjPowpLabel->text(), taken ? QString("2.50") : QString("0.00"));
        QCOMPARE(b.ui().adjM1PushButton->text(),
                 taken ? QString("M1 5.00V/1.000A") : QString("M1"));
        QCOMPARE(b.ui().adjON_OFFButton->isChecked(), taken);
        b.poll();
        QCOMPARE(b.lastCommand(), taken ? 7 : 6);
    }

    // The take-over: preset texts, the selected slot, the switches and the
    // dials with their edits.
    void takeOverShowsTheDeviceSettings()
    {
        auto model = std::make_shared<PSU>();
        model->setPreset(3, {115, 2010});
        model->setSelectedPreset(3);
        model->setOvpEnabled(true);
        PowerBench b = powerBench(model);
        b.poll();
        const QStringList texts = {"M1 5.00V/1.000A",  "M2 3.30V/0.500A", "M3 1.15V/2.010A",
                                   "M4 12.00V/1.000A", "M5 3.70V/2.000A", "M6 4.20V/3.000A"};
        for (int k = 0; k < 6; ++k) {
            QCOMPARE(b.presetButtons()[k]->text(), texts[k]);
            QCOMPARE(b.presetButtons()[k]->isChecked(), k == 2);
        }
        QVERIFY(b.ui().adjOVPButton->isChecked());
        QVERIFY(!b.ui().adjOCPButton->isChecked());
        QVERIFY(!b.ui().adjON_OFFButton->isChecked());
        QCOMPARE(b.ui().adjVoltageDial->value(), 115);
        QCOMPARE(b.ui().adjCurrentDial->value(), 2010);
        QCOMPARE(b.ui().adjVoltageLineEdit->text(), QStringLiteral("01.15"));
        QCOMPARE(b.ui().adjCurrentLineEdit->text(), QStringLiteral("2.010"));
        b.poll();
        QCOMPARE(b.sentVoltage(), 115);
        QCOMPARE(b.sentCurrent(), 2010);
        QCOMPARE(int(b.lastRequest()[11]), 1);
    }

    // A preset the device stores goes dial → text → preset on every take-over
    // and comes back unchanged, however often the page is left and entered.
    void devicePresetSurvivesRepeatedTakeOvers()
    {
        auto model = std::make_shared<PSU>();
        model->setPreset(1, {115, 2010});
        model->setPreset(2, {1, 1001});
        PowerBench b = powerBench(model);
        for (int round = 0; round < 3; ++round) {
            b.pollTimes(2);
            b.ui().vCToolButton->click();
            b.poll(); // away: the settings will be read again
            b.ui().adjPowToolButton->click();
        }
        b.pollTimes(2);
        QCOMPARE(model->preset(1), (PSU::Preset{115, 2010}));
        QCOMPARE(model->preset(2), (PSU::Preset{1, 1001}));
        QCOMPARE(b.ui().adjM1PushButton->text(), QStringLiteral("M1 1.15V/2.010A"));
        QCOMPARE(b.ui().adjM2PushButton->text(), QStringLiteral("M2 0.01V/1.001A"));
    }

    // Every value the dials can take reaches the selected preset unchanged.
    void everyDialValueReachesThePreset()
    {
        PowerBench b = powerBench();
        b.poll();
        QCOMPARE(b.ui().adjCurrentDial->maximum(), 6000);
        for (int units = 0; units <= 3000; ++units) {
            b.ui().adjVoltageDial->setValue(units);
            if (b.p().presets[0].presetVoltage != float(units))
                QFAIL(qPrintable(QStringLiteral("dial %1 stored %2")
                                     .arg(units)
                                     .arg(b.p().presets[0].presetVoltage)));
        }
        for (int units = 0; units <= 6000; ++units) {
            b.ui().adjCurrentDial->setValue(units);
            if (b.p().presets[0].presetCurrent != float(units))
                QFAIL(qPrintable(QStringLiteral("dial %1 stored %2")
                                     .arg(units)
                                     .arg(b.p().presets[0].presetCurrent)));
        }
        QCOMPARE(b.ui().adjM1PushButton->text(), QStringLiteral("M1 30.00V/6.000A"));
    }

    // Typed set-points are clamped, rewritten and stored exactly.
    void typedSetpoints_data()
    {
        QTest::addColumn<bool>("voltage");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("units");
        QTest::addColumn<QString>("button");
        QTest::newRow("35 V above the limit") << true << "35"
                                              << "30.00" << 3000 << "M1 30.00V/1.000A";
        QTest::newRow("01.15 V") << true << "0115"
                                 << "01.15" << 115 << "M1 1.15V/1.000A";
        QTest::newRow("1 V, rest left blank") << true << "1"
                                              << "01.00" << 100 << "M1 1.00V/1.000A";
        QTest::newRow("2.010 A") << false << "2010"
                                 << "2.010" << 2010 << "M1 5.00V/2.010A";
        QTest::newRow("6.000 A while connected") << false << "6"
                                                 << "6.000" << 6000 << "M1 5.00V/6.000A";
        QTest::newRow("6.999 A above the limit") << false << "6999"
                                                 << "6.000" << 6000 << "M1 5.00V/6.000A";
    }
    void typedSetpoints()
    {
        QFETCH(bool, voltage);
        QFETCH(QString, keys);
        QFETCH(QString, shown);
        QFETCH(int, units);
        QFETCH(QString, button);
        PowerBench b = powerBench();
        b.poll();
        QLineEdit *edit = voltage ? b.ui().adjVoltageLineEdit : b.ui().adjCurrentLineEdit;
        type(edit, keys);
        QCOMPARE(edit->text(), shown);
        QCOMPARE((voltage ? b.ui().adjVoltageDial : b.ui().adjCurrentDial)->value(), units);
        QCOMPARE(b.ui().adjM1PushButton->text(), button);
        b.pollTimes(2); // the answer applies the preset, the next request sends it
        QCOMPARE(voltage ? b.sentVoltage() : b.sentCurrent(), units);
    }

    // A set-point moved while the supply's answers fail goes out with the
    // very next request: the supply never keeps getting a value the
    // controls no longer show.
    void setpointGoesOutWhileAnswersFail_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("voltage");
        QTest::addColumn<int>("current");
        // M1 holds 5.00 V and 1.000 A.
        QTest::newRow("voltage dial to 20.63 V") << "voltage dial" << 2063 << 1000;
        QTest::newRow("current dial to 2.420 A") << "current dial" << 500 << 2420;
        QTest::newRow("12.5 V typed") << "voltage typed" << 1250 << 1000;
    }
    void setpointGoesOutWhileAnswersFail()
    {
        QFETCH(QString, how);
        QFETCH(int, voltage);
        QFETCH(int, current);
        PowerBench b = powerBench();
        b.pollTimes(2); // taken over, then applied
        QCOMPARE(b.sentVoltage(), 500);
        sim::bus().setReadBehaviour(b.id, sim::ReadBehaviour::Fail);
        if (how == "voltage dial")
            b.ui().adjVoltageDial->setValue(voltage);
        else if (how == "current dial")
            b.ui().adjCurrentDial->setValue(current);
        else
            type(b.ui().adjVoltageLineEdit, "125");
        b.pollTimes(3);
        QCOMPARE(b.lastCommand(), 7);
        QCOMPARE(b.sentVoltage(), voltage);
        QCOMPARE(b.sentCurrent(), current);
        QCOMPARE(b.ui().adjM1PushButton->isChecked(), true);
    }

    // The current limit is 6.000 A while a supply is connected, 5.000 A
    // before and after.
    void currentLimitFollowsTheConnection()
    {
        auto w = makeWindow();
        QCOMPARE(w.ui().adjCurrentDial->maximum(), 5000);
        type(w.ui().adjCurrentLineEdit, "5999");
        QCOMPARE(w.ui().adjCurrentLineEdit->text(), QStringLiteral("5.000"));

        auto model = std::make_shared<PSU>();
        const int id = sim::bus().attach(model);
        w->discoverDevices();
        QCOMPARE(w.ui().adjCurrentDial->maximum(), 6000);
        type(w.ui().adjCurrentLineEdit, "5999");
        QCOMPARE(w.ui().adjCurrentLineEdit->text(), QStringLiteral("5.999"));

        sim::bus().detach(id);
        w->discoverDevices();
        QCOMPARE(w.ui().adjCurrentDial->maximum(), 5000);
        QCOMPARE(w.ui().adjCurrentDial->value(), 5000);
        type(w.ui().adjCurrentLineEdit, "5999");
        QCOMPARE(w.ui().adjCurrentLineEdit->text(), QStringLiteral("5.000"));
        QCOMPARE(w.ui().adjVoltageDial->maximum(), 3000);
    }

    // With no preset selected nothing typed is stored and the supply gets
    // 0 V and 0 A in every request.
    void noPresetMeansZero()
    {
        auto model = std::make_shared<PSU>();
        model->setSelectedPreset(0);
        PowerBench b = powerBench(model);
        b.poll();
        QCOMPARE(int(b.p().presetIndex), 0);
        type(b.ui().adjVoltageLineEdit, "1200");
        type(b.ui().adjCurrentLineEdit, "1500");
        b.ui().adjVoltageDial->triggerAction(QAbstractSlider::SliderPageStepAdd);
        sim::bus().clearWrites(b.id);
        b.pollTimes(4);
        const auto requests = sim::bus().writes(b.id);
        QCOMPARE(int(requests.size()), 4);
        for (const auto &request : requests) {
            QCOMPARE(int(request[1]), 7);
            for (int k = 5; k <= 9; ++k)
                QCOMPARE(int(request[k]), 0);
        }
        for (QPushButton *button : b.presetButtons())
            QVERIFY(!button->isChecked());
        QCOMPARE(b.ui().adjM4PushButton->text(), QStringLiteral("M4 12.00V/1.000A"));
        QCOMPARE(model->preset(1), (PSU::Preset{500, 1000}));
    }

    // A preset click selects that slot alone, moves the dials and edits, and
    // the next requests carry it; a second click keeps it selected.
    void presetClicks()
    {
        PowerBench b = powerBench();
        b.poll();
        for (int click = 0; click < 2; ++click) {
            b.ui().adjM3PushButton->click();
            for (int k = 0; k < 6; ++k)
                QCOMPARE(b.presetButtons()[k]->isChecked(), k == 2);
            QCOMPARE(int(b.p().presetIndex), 3);
        }
        QCOMPARE(b.ui().adjVoltageLineEdit->text(), QStringLiteral("09.00"));
        QCOMPARE(b.ui().adjCurrentLineEdit->text(), QStringLiteral("2.000"));
        QCOMPARE(b.ui().adjM3PushButton->text(), QStringLiteral("M3 9.00V/2.000A"));
        b.poll();
        QCOMPARE(int(b.lastRequest()[5]), 3);
        QCOMPARE(b.sentVoltage(), 900);
        QCOMPARE(b.model->state().selectedPreset, std::uint8_t(3));
    }

    // A half-typed text does not stay on screen when a preset is chosen.
    void presetClickReplacesAnUnfinishedEntry()
    {
        PowerBench b = powerBench();
        b.poll();
        b.ui().adjM3PushButton->click();
        b.ui().adjM1PushButton->click();
        b.ui().adjVoltageLineEdit->selectAll();
        QTest::keyClicks(b.ui().adjVoltageLineEdit, "07"); // no Enter
        b.ui().adjM3PushButton->click();
        QCOMPARE(b.ui().adjVoltageLineEdit->text(), QStringLiteral("09.00"));
        QCOMPARE(b.p().presets[2].presetVoltage, 900.0f);
    }

    void dialStepAddsEightUnits()
    {
        PowerBench b = powerBench();
        b.poll();
        b.ui().adjVoltageDial->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        b.ui().adjCurrentDial->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(b.ui().adjVoltageLineEdit->text(), QStringLiteral("05.08"));
        QCOMPARE(b.ui().adjCurrentLineEdit->text(), QStringLiteral("1.008"));
        QCOMPARE(b.ui().adjM1PushButton->text(), QStringLiteral("M1 5.08V/1.008A"));
        b.pollTimes(2);
        QCOMPARE(b.sentVoltage(), 508);
        QCOMPARE(b.sentCurrent(), 1008);
    }

    // A preset click after a connection but before the device's presets are
    // known is ignored; the device's own selection then comes in.
    void earlyPresetClickIsIgnored()
    {
        PowerBench b = powerBench();
        QVERIFY(b.ui().adjM3PushButton->isEnabled());
        b.ui().adjM3PushButton->click();
        QVERIFY(!b.ui().adjM3PushButton->isChecked());
        QCOMPARE(int(b.p().presetIndex), 0);
        QVERIFY(b.p().presets.isEmpty());
        QCOMPARE(b.ui().adjM3PushButton->text(), QStringLiteral("M3"));
        b.poll();
        QCOMPARE(b.lastCommand(), 6);
        QCOMPARE(int(b.p().presetIndex), 1);
        QVERIFY(b.ui().adjM1PushButton->isChecked());
        QVERIFY(!b.ui().adjM3PushButton->isChecked());

        // After an unplug and replug the old presets are still held, but the
        // device's are not known yet either.
        sim::bus().detach(b.id);
        b.connectSupply();
        b.id = sim::bus().attach(b.model);
        b.connectSupply();
        b.ui().adjM5PushButton->click();
        QVERIFY(!b.ui().adjM5PushButton->isChecked());
        b.poll();
        QCOMPARE(b.lastCommand(), 6);
        QCOMPARE(int(b.p().presetIndex), 1);
    }

    // Leaving the page and coming back reads presets and switches again.
    void returningToThePageRereads()
    {
        PowerBench b = powerBench();
        b.pollTimes(2);
        QCOMPARE(b.lastCommand(), 7);
        b.ui().ironToolButton->click();
        const size_t sent = sim::bus().writeCount(b.id);
        b.pollTimes(3);
        QCOMPARE(sim::bus().writeCount(b.id), sent); // nothing sent while away
        // Meanwhile the supply was set by hand.
        b.model->setPreset(2, {1500, 250});
        b.model->setSelectedPreset(2);
        b.model->setOcpEnabled(true);
        b.ui().adjPowToolButton->click();
        b.poll();
        QCOMPARE(b.lastCommand(), 6);
        QVERIFY(b.ui().adjM2PushButton->isChecked());
        QVERIFY(!b.ui().adjM1PushButton->isChecked());
        QCOMPARE(b.ui().adjM2PushButton->text(), QStringLiteral("M2 15.00V/0.250A"));
        QVERIFY(b.ui().adjOCPButton->isChecked());
        b.poll();
        QCOMPARE(b.lastCommand(), 7);
        QCOMPARE(int(b.lastRequest()[5]), 2);
        QCOMPARE(b.sentVoltage(), 1500);
        QCOMPARE(b.sentCurrent(), 250);
        QCOMPARE(int(b.lastRequest()[12]), 1);
    }

    // The device's selection was cleared while the page was hidden: no slot
    // stays marked.
    void returnWithoutSelectionClearsTheMark()
    {
        PowerBench b = powerBench();
        b.poll();
        b.ui().adjM3PushButton->click();
        b.poll();
        b.ui().vCToolButton->click();
        b.poll();
        b.model->setSelectedPreset(0);
        b.ui().adjPowToolButton->click();
        b.pollTimes(2);
        for (QPushButton *button : b.presetButtons())
            QVERIFY(!button->isChecked());
        QCOMPARE(int(b.lastRequest()[5]), 0);
        QCOMPARE(b.sentVoltage(), 0);
    }

    // Settings a damaged answer may carry, taken over twice (the second time
    // with the dials already where the first left them): the requests after
    // it carry what the buttons and dials show. Switch bytes other than 0 are
    // on and sent as 1; a slot beyond M6 selects none; presets beyond the
    // dials' ends (30.00 V and, connected, 6.000 A) are taken at those ends.
    void damagedTakeOverSendsWhatIsShown_data()
    {
        QTest::addColumn<Bytes>("switches");    // bytes 48 output, 50 OVP, 51 OCP, 52 slot
        QTest::addColumn<int>("presetVoltage"); // every slot
        QTest::addColumn<int>("presetCurrent");
        QTest::addColumn<Bytes>("sent"); // request bytes 5 slot, 6-7, 8-9, 10 output, 11, 12
        QTest::addColumn<QString>("slotText");
        QTest::newRow("switch bytes 176, 2, 255; slot 3")
            << Bytes{176, 2, 255, 3} << 1200 << 1000 << Bytes{3, 0x04, 0xB0, 0x03, 0xE8, 1, 1, 1}
            << "M3 12.00V/1.000A";
        QTest::newRow("slot 200: none")
            << Bytes{0, 0, 1, 200} << 1200 << 1000 << Bytes{0, 0, 0, 0, 0, 0, 0, 1} << "";
        QTest::newRow("slot 7: none")
            << Bytes{1, 1, 0, 7} << 1200 << 1000 << Bytes{0, 0, 0, 0, 0, 1, 1, 0} << "";
        QTest::newRow("presets of 452.76 V and 7.000 A")
            << Bytes{0, 0, 0, 2} << 45276 << 7000 << Bytes{2, 0x0B, 0xB8, 0x17, 0x70, 0, 0, 0}
            << "M2 30.00V/6.000A";
        QTest::newRow("presets of 655.35 V and 65.535 A")
            << Bytes{1, 0, 0, 6} << 65535 << 65535 << Bytes{6, 0x0B, 0xB8, 0x17, 0x70, 1, 0, 0}
            << "M6 30.00V/6.000A";
    }
    void damagedTakeOverSendsWhatIsShown()
    {
        QFETCH(Bytes, switches);
        QFETCH(int, presetVoltage);
        QFETCH(int, presetCurrent);
        QFETCH(Bytes, sent);
        QFETCH(QString, slotText);
        sim::InputReport answer{};
        answer[0] = 8;
        for (int k = 0; k < 6; ++k) {
            answer[size_t(8 + 2 * k)] = quint8(presetVoltage >> 8);
            answer[size_t(9 + 2 * k)] = quint8(presetVoltage);
            answer[size_t(20 + 2 * k)] = quint8(presetCurrent >> 8);
            answer[size_t(21 + 2 * k)] = quint8(presetCurrent);
        }
        answer[48] = quint8(switches[0]);
        answer[50] = quint8(switches[1]);
        answer[51] = quint8(switches[2]);
        answer[52] = quint8(switches[3]);

        auto model = std::make_shared<PSU>();
        model->setLoad(PSU::kOpenCircuit); // no current limit reached: no trip
        PowerBench b = powerBench(model);
        for (int round = 0; round < 2; ++round) {
            sim::bus().scriptAnswer(b.id, answer);
            b.poll(); // taken over
            b.poll();
            QCOMPARE(b.lastCommand(), 7);
            const std::vector<std::uint8_t> request = b.lastRequest();
            for (int k = 0; k < sent.size(); ++k)
                QCOMPARE(int(request[size_t(5 + k)]), sent[k]);
            QCOMPARE(b.ui().adjON_OFFButton->isChecked(), sent[5] == 1);
            QCOMPARE(b.ui().adjOVPButton->isChecked(), sent[6] == 1);
            QCOMPARE(b.ui().adjOCPButton->isChecked(), sent[7] == 1);
            for (int k = 0; k < 6; ++k)
                QCOMPARE(b.presetButtons()[k]->isChecked(), k + 1 == sent[0]);
            if (sent[0] > 0) {
                QCOMPARE(b.presetButtons()[sent[0] - 1]->text(), slotText);
                QCOMPARE(b.ui().adjVoltageDial->value(), sent[1] << 8 | sent[2]);
                QCOMPARE(b.ui().adjCurrentDial->value(), sent[3] << 8 | sent[4]);
            }
            b.ui().vCToolButton->click();
            b.poll(); // away: read again on return
            b.ui().adjPowToolButton->click();
        }
    }

    // The lights follow the mode while the output is on; with the output off
    // the reported mode is ignored, and mode 4 changes nothing.
    void lightsFollowTheModeWhileTheOutputIsOn()
    {
        PowerBench b = powerBench();
        b.model->overrideByte(49, 1); // CC reported with the output off
        b.pollTimes(2);
        QCOMPARE(b.lights(), QString());
        b.model->clearOverrides();

        b.ui().adjON_OFFButton->click(); // M1 5 V into 10 ohm: CV
        b.pollTimes(2);
        QCOMPARE(b.lights(), QStringLiteral("CV"));
        b.model->setLoad(2.0); // 2.5 A wanted, 1 A allowed: CC
        b.poll();
        QCOMPARE(b.lights(), QStringLiteral("CC"));
        b.model->overrideByte(49, 4);
        b.poll();
        QCOMPARE(b.lights(), QStringLiteral("CC"));
        b.model->overrideByte(49, 9); // not a mode at all
        b.poll();
        QCOMPARE(b.lights(), QStringLiteral("CC"));
        b.model->clearOverrides();

        b.ui().adjON_OFFButton->click(); // off: the device now reports CV
        b.pollTimes(2);
        QCOMPARE(int(b.model->state().mode), int(PSU::CV));
        QCOMPARE(b.lights(), QStringLiteral("CC"));
    }

    // A trip: the OCP light, one debug line, the output switched off, and
    // the next request says so.
    void protectionTripSwitchesTheOutputOff()
    {
        PowerBench b = powerBench();
        b.poll();
        b.ui().adjOCPButton->click();
        b.ui().adjON_OFFButton->click();
        b.poll(); // M1 5 V into 10 ohm: 0.5 A, CV
        QCOMPARE(b.lights(), QStringLiteral("CV"));
        b.model->setLoad(2.0); // 2.5 A wanted, 1 A allowed: CC, and OCP trips
        QTest::ignoreMessage(QtDebugMsg, "进入了保护");
        b.poll();
        QCOMPARE(int(b.model->state().mode), int(PSU::OCP));
        QCOMPARE(b.lights(), QStringLiteral("OCP"));
        QVERIFY(!b.ui().adjON_OFFButton->isChecked());
        QCOMPARE(int(b.p().outputOn), 0);
        b.model->setLoad(100.0); // the fault is gone; the output stays off
        b.poll();
        QCOMPARE(int(b.lastRequest()[10]), 0);
        QCOMPARE(int(b.lastRequest()[12]), 1);
        QCOMPARE(b.lights(), QStringLiteral("OCP"));
        b.ui().adjON_OFFButton->click(); // switched on again by the user
        b.pollTimes(2);
        QVERIFY(b.model->state().outputOn);
        QCOMPARE(b.lights(), QStringLiteral("CV"));
    }

    void gaugeRanges()
    {
        PowerBench b = powerBench();
        b.ui().adjMeterRadioButton->click();
        GaugePanel *volts = b.p().voltageGauge;
        GaugePanel *amps = b.p().currentGauge;
        b.model->overrideU16(4, 3500); // 35.00 V
        b.model->overrideU16(6, 6000); // 6.000 A
        b.poll();
        QCOMPARE(volts->maxValue(), 40.0);
        QCOMPARE(volts->value(), 35.0);
        QCOMPARE(amps->maxValue(), 8.0);
        QCOMPARE(amps->valueText(), QStringLiteral("6.000"));
        b.model->overrideU16(4, 4500); // 45 V: left alone
        b.model->overrideU16(6, 9000);
        b.poll();
        QCOMPARE(volts->maxValue(), 40.0);
        QCOMPARE(volts->value(), 35.0);
        QCOMPARE(amps->maxValue(), 8.0);
        QCOMPARE(amps->value(), 6.0);
        b.model->overrideU16(4, 1234);
        b.model->overrideU16(6, 500);
        b.poll();
        QCOMPARE(volts->maxValue(), 30.0);
        QCOMPARE(volts->valueText(), QStringLiteral("12.34"));
        QCOMPARE(amps->maxValue(), 5.0);
        QCOMPARE(b.p().graphs[0]->dataCount(), 0); // the gauge view records nothing

        b.ui().vCToolButton->click();
        b.poll(); // away from the page: the gauges rest at 0
        QCOMPARE(volts->value(), 0.0);
        QCOMPARE(amps->value(), 0.0);
    }

    // The gauge view pauses the chart and disables its buttons; the chart
    // view resumes it.
    void chartAndGaugeViews()
    {
        PowerBench b = powerBench();
        Ui_Widget &ui = b.ui();
        QVERIFY(ui.adjChartRadioButton->isChecked());
        QVERIFY(ui.adjNormalRadioButton->isChecked());
        QCOMPARE(ui.adjModeStackedWidget->currentIndex(), 0);
        QVERIFY(!ui.adjPowProgramCurrentPosition->isEnabled());
        b.pollTimes(3);
        QCOMPARE(b.p().graphs[0]->dataCount(), 3);

        ui.adjMeterRadioButton->click();
        QCOMPARE(ui.adjPowView->currentIndex(), 1);
        QVERIFY(!b.p().chartRunning);
        QCOMPARE(ui.adjPowChartStart->text(), QStringLiteral("开始"));
        for (QPushButton *button : {ui.adjPowChartStart, ui.adjPowChartOpenButton,
                                    ui.adjPowChartSaveButton, ui.adjPowChartClearButton})
            QVERIFY(!button->isEnabled());
        b.pollTimes(3);
        QCOMPARE(b.p().graphs[0]->dataCount(), 3);

        ui.adjChartRadioButton->click();
        QCOMPARE(ui.adjPowView->currentIndex(), 0);
        QVERIFY(b.p().chartRunning);
        QCOMPARE(ui.adjPowChartStart->text(), QStringLiteral("暂停"));
        for (QPushButton *button : {ui.adjPowChartStart, ui.adjPowChartOpenButton,
                                    ui.adjPowChartSaveButton, ui.adjPowChartClearButton})
            QVERIFY(button->isEnabled());
        b.pollTimes(2);
        QCOMPARE(b.p().graphs[0]->dataCount(), 5);
        ui.adjPowChartStart->click(); // pause
        QCOMPARE(ui.adjPowChartStart->text(), QStringLiteral("开始"));
        b.pollTimes(2);
        QCOMPARE(b.p().graphs[0]->dataCount(), 5);
    }

    void chartRecordsTheReadings()
    {
        auto model = std::make_shared<PSU>();
        model->setOutput(true); // 5.00 V into 10 ohm
        PowerBench b = powerBench(model);
        b.pollTimes(12);
        const double expected[3] = {5.0, 0.5, 2.5};
        for (int k = 0; k < 3; ++k) {
            QCOMPARE(b.p().graphs[k]->dataCount(), 12);
            QCOMPARE(b.p().graphs[k]->data()->at(11)->key, 11.0);
            QCOMPARE(b.p().graphs[k]->data()->at(11)->value, expected[k]);
        }
        QVERIFY(b.p().enoughData);
        QCOMPARE(b.ui().adjPowChart->xAxis->range().upper, 11.0);
        QCOMPARE(b.ui().adjPowChart->xAxis->range().size(), 100.0);
        b.ui().adjPowChartClearButton->click();
        QCOMPARE(b.p().graphs[0]->dataCount(), 0);
        QVERIFY(!b.p().enoughData);
    }

    // The width the user zoomed to is kept within 100 … 10000 while the
    // chart records, and taken as it is while it is paused.
    void visibleWidthLimits_data()
    {
        QTest::addColumn<bool>("recording");
        QTest::addColumn<double>("zoomed");
        QTest::addColumn<int>("span");
        QTest::newRow("recording, narrow") << true << 50.0 << 100;
        QTest::newRow("recording, 10001 wide") << true << 10001.0 << 10000;
        QTest::newRow("recording, wide") << true << 20000.0 << 10000;
        QTest::newRow("recording, inside") << true << 9999.9 << 9999;
        QTest::newRow("paused, narrow") << false << 50.0 << 50;
        QTest::newRow("paused, wide") << false << 12345.6 << 12345;
    }
    void visibleWidthLimits()
    {
        QFETCH(bool, recording);
        QFETCH(double, zoomed);
        QFETCH(int, span);
        PowerBench b = powerBench();
        b.pollTimes(20);
        QCOMPARE(b.p().graphs[0]->dataCount(), 20);
        if (!recording)
            b.ui().adjPowChartStart->click();
        QCPAxis *x = b.ui().adjPowChart->xAxis;
        x->setRange(5, 5 + zoomed);
        b.poll();
        QCOMPARE(b.p().spanSamples, span);
        if (recording) {
            QCOMPARE(b.p().graphs[0]->dataCount(), 21);
            QCOMPARE(x->range().size(), double(span));
            QCOMPARE(x->range().upper, 20.0);
            QCOMPARE(b.ui().adjPowChart->xAxis2->range(), x->range());
        } else {
            QCOMPARE(b.p().graphs[0]->dataCount(), 20);
            QCOMPARE(x->range(), QCPRange(5, 5 + zoomed)); // the user's view stays
        }
    }

    // Leaving the page, or the supply going away while the chart records,
    // switches the four lights off and forgets the selected preset (once the
    // supply has been dropped, at the next poll that finds the chart
    // recording without it): the next poll on the page with the supply reads
    // its settings again (command 6) instead of sending the slot selected
    // before.
    void lightsAndSelectionAreForgotten_data()
    {
        QTest::addColumn<bool>("supplyGoes");
        QTest::newRow("page left") << false;
        QTest::newRow("supply gone while charting") << true;
    }
    void lightsAndSelectionAreForgotten()
    {
        QFETCH(bool, supplyGoes);
        testbench::ModalCloser closer;
        PowerBench b = powerBench();
        b.poll();
        b.ui().adjM3PushButton->click();
        b.ui().adjOVPButton->click();
        b.ui().adjON_OFFButton->click(); // M3 into 10 ohm: CV
        b.pollTimes(2);
        QCOMPARE(b.lights(), QStringLiteral("CV"));
        QCOMPARE(int(b.p().presetIndex), 3);
        QCOMPARE(int(b.lastRequest()[5]), 3);
        b.ui().ovpLight->setChecked(true); // every light on, so that each must go
        b.ui().ccLight->setChecked(true);
        b.ui().ocpLight->setChecked(true);
        QVERIFY(b.p().chartRunning);

        if (supplyGoes) {
            sim::bus().detach(b.id);
            b.poll(); // its read fails: nothing changes yet
            QCOMPARE(b.lights(), QStringLiteral("CV CC OVP OCP"));
            b.w->discoverDevices(); // the supply is dropped: the chart stops
            QCOMPARE(b.lights(), QString());
            QVERIFY(!b.p().chartRunning);
            QVERIFY(closer.boxes.isEmpty());
            b.ui().ovpLight->setChecked(true);
            b.ui().adjPowChartStart->click(); // started again without a supply
            QVERIFY(b.p().chartRunning);
            b.poll();
            QCOMPARE(closer.texts(), QStringList{QStringLiteral("设备未连接!!")});
            QVERIFY(!b.p().chartRunning);
        } else {
            b.ui().vCToolButton->click();
            b.poll();
            QVERIFY(closer.boxes.isEmpty());
        }
        QCOMPARE(b.lights(), QString());
        QCOMPARE(int(b.p().presetIndex), 0);
        QVERIFY(!b.p().presetsLoaded);

        // Back on the page with the supply: the device's own selection,
        // which it changed meanwhile, comes in; M3 is not sent again.
        b.model->setSelectedPreset(5);
        if (supplyGoes) {
            b.id = sim::bus().attach(b.model);
            b.w->discoverDevices();
        } else {
            b.ui().adjPowToolButton->click();
        }
        const size_t before = sim::bus().writeCount(b.id);
        b.poll();
        QCOMPARE(sim::bus().writeCount(b.id), before + 1);
        QCOMPARE(b.lastCommand(), 6);
        QCOMPARE(int(b.p().presetIndex), 5);
        b.poll();
        QCOMPARE(b.lastCommand(), 7);
        QCOMPARE(int(b.lastRequest()[5]), 5);
    }

    // The switches clicked after a connection, before the supply's first
    // answer: nothing is sent (the first request only reads), and the
    // supply's own switches then come in on the buttons and in the next
    // request.
    void switchClicksBeforeTheFirstAnswer_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("deviceOn"); // the switch as the supply has it
        QTest::newRow("ON/OFF, supply off") << "adjON_OFFButton" << false;
        QTest::newRow("ON/OFF, supply on") << "adjON_OFFButton" << true;
        QTest::newRow("OVP, supply off") << "adjOVPButton" << false;
        QTest::newRow("OVP, supply on") << "adjOVPButton" << true;
        QTest::newRow("OCP, supply off") << "adjOCPButton" << false;
        QTest::newRow("OCP, supply on") << "adjOCPButton" << true;
    }
    void switchClicksBeforeTheFirstAnswer()
    {
        QFETCH(QString, button);
        QFETCH(bool, deviceOn);
        auto model = std::make_shared<PSU>();
        const int byte = button == QLatin1String("adjON_OFFButton") ? 10
                         : button == QLatin1String("adjOVPButton")  ? 11
                                                                    : 12;
        if (byte == 10)
            model->setOutput(deviceOn);
        else if (byte == 11)
            model->setOvpEnabled(deviceOn);
        else
            model->setOcpEnabled(deviceOn);
        PowerBench b = powerBench(model);
        auto *target = b.w->findChild<QPushButton *>(button);
        QVERIFY(target);
        QVERIFY(target->isEnabled());
        // Clicked until it shows the opposite of the supply's switch, at
        // least once.
        do
            target->click();
        while (target->isChecked() == deviceOn);

        b.poll();
        QCOMPARE(b.lastCommand(), 6);
        QCOMPARE(int(b.lastRequest()[byte]), 0); // a read carries no switches
        QCOMPARE(target->isChecked(), deviceOn);
        const int field = byte == 10 ? b.p().outputOn : byte == 11 ? b.p().ovpOn : b.p().ocpOn;
        QCOMPARE(field, int(deviceOn));
        b.poll();
        QCOMPARE(b.lastCommand(), 7);
        QCOMPARE(int(b.lastRequest()[byte]), int(deviceOn));
    }

    // Starting the chart without a supply: one box per start attempt.
    void chartWithoutSupplyWarnsOncePerStart()
    {
        auto w = makeWindow();
        testbench::ModalCloser closer;
        w.ui().adjPowToolButton->click();
        for (int i = 0; i < 3; ++i)
            w.invoke("adjPowerChartProcess");
        QVERIFY(closer.boxes.isEmpty()); // not recording: nothing to say
        w.ui().adjPowChartStart->click();
        QVERIFY(w->adjPower->chartRunning);
        for (int i = 0; i < 5; ++i)
            w.invoke("adjPowerChartProcess");
        QCOMPARE(closer.boxes.size(), 1);
        QCOMPARE(closer.boxes[0].title, QStringLiteral("提示"));
        QCOMPARE(closer.boxes[0].text, QStringLiteral("设备未连接!!"));
        QVERIFY(closer.boxes[0].parentIsWindow);
        QVERIFY(!w->adjPower->chartRunning);
        QCOMPARE(w.ui().adjPowChartStart->text(), QStringLiteral("开始"));

        w.ui().adjMeterRadioButton->click();
        w.ui().adjChartRadioButton->click(); // the chart view starts recording
        for (int i = 0; i < 5; ++i)
            w.invoke("adjPowerChartProcess");
        QCOMPARE(closer.boxes.size(), 2);
    }

    void labels()
    {
        auto model = std::make_shared<PSU>();
        model->setSetpoints(1234, 3000);
        model->setSelectedPreset(0);
        model->setLoad(PSU::kOpenCircuit);
        model->setOutput(true);
        PowerBench b = powerBench(model);
        model->overrideU16(6, 1); // 0.001 A
        b.poll();
        QCOMPARE(b.label(b.ui().adjPowuLabel), QStringLiteral("12.34"));
        QCOMPARE(b.ui().adjPowiLabel->text(), QStringLiteral("0.001"));
        QCOMPARE(b.ui().adjPowpLabel->text(), QStringLiteral("0.01"));

        sim::bus().detach(b.id);
        b.connectSupply();
        QCOMPARE(b.label(b.ui().adjPowuLabel), QStringLiteral("---"));
        QCOMPARE(b.ui().adjPowiLabel->text(), QStringLiteral("---"));
        QCOMPARE(b.ui().adjPowpLabel->text(), QStringLiteral("---"));
    }

    // Charge, energy and time grow only while the output is on and the page
    // is shown; the clear button zeroes them.
    void countingWhileTheOutputIsOn()
    {
        PowerBench b = powerBench(); // M1 5 V into 10 ohm once on: 0.5 A, 2.5 W
        b.poll();
        for (int i = 0; i < 10; ++i)
            b.w->accumulateCounts();
        QCOMPARE(b.p().countTicks, quint32(0));

        b.ui().adjON_OFFButton->click();
        b.pollTimes(2);
        QCOMPARE(b.p().shownCurrent, 0.5);
        for (int i = 0; i < 72; ++i)
            b.w->accumulateCounts();
        QCOMPARE(b.label(b.ui().adjPowAh), QStringLiteral("1"));
        QCOMPARE(b.ui().adjPowWh->text(), QStringLiteral("5"));
        QCOMPARE(b.ui().adjPowCountTime->text(), QStringLiteral("00:00:07"));

        b.ui().vCToolButton->click();
        b.w->accumulateCounts();
        QCOMPARE(b.p().countTicks, quint32(72)); // page hidden
        b.ui().adjPowToolButton->click();

        b.ui().adjON_OFFButton->click();
        b.w->accumulateCounts();
        QCOMPARE(b.p().countTicks, quint32(72)); // output off
        QCOMPARE(b.p().chargeMah, 1.0);

        b.ui().adjPowClearCountData->click();
        QCOMPARE(b.label(b.ui().adjPowAh), QStringLiteral("0"));
        QCOMPARE(b.ui().adjPowWh->text(), QStringLiteral("0"));
        QCOMPARE(b.ui().adjPowCountTime->text(), QStringLiteral("00:00:00"));
    }

    // On the demo bench: 12.00 V and 1.000 A typed into M2, output on: CV at
    // 0.6 A into the 20 ohm load; a 0.500 A limit: CC at 10 V.
    void demoBenchRegulatesInCvThenCc()
    {
        auto w = makeWindow();
        const sim::DemoBench bench = sim::attachDemoBench();
        w->discoverDevices();
        w.ui().adjPowToolButton->click();
        auto poll = [&w](int n) {
            for (int i = 0; i < n; ++i)
                w.invoke("adjPowerChartProcess");
        };
        poll(1);
        w.ui().adjM2PushButton->click();
        type(w.ui().adjVoltageLineEdit, "1200");
        type(w.ui().adjCurrentLineEdit, "1000");
        QCOMPARE(w.ui().adjM2PushButton->text(), QStringLiteral("M2 12.00V/1.000A"));
        w.ui().adjON_OFFButton->click();
        poll(3);
        w->refreshLabels();
        QCOMPARE(w.ui().adjPowuLabel->text(), QStringLiteral("12.00"));
        QCOMPARE(w.ui().adjPowiLabel->text(), QStringLiteral("0.600"));
        QVERIFY(w.ui().cvLight->isChecked() && !w.ui().ccLight->isChecked());
        QCOMPARE(bench.powerSupply->preset(2), (PSU::Preset{1200, 1000}));

        type(w.ui().adjCurrentLineEdit, "0500");
        poll(3);
        w->refreshLabels();
        QCOMPARE(w.ui().adjPowuLabel->text(), QStringLiteral("10.00"));
        QCOMPARE(w.ui().adjPowiLabel->text(), QStringLiteral("0.500"));
        QVERIFY(w.ui().ccLight->isChecked() && !w.ui().cvLight->isChecked());
    }

    // Before the first sample the three tags read zero at the foot of their
    // axes; each sits on its own axis and no box covers another.
    void emptyChartTagsAreReadable()
    {
        auto w = makeWindow();
        w.ui().adjPowToolButton->click();
        w->resize(1162, 713);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.widget.get()));
        QCustomPlot *plot = w.ui().adjPowChart;
        plot->replot();
        QRectF boxes[3];
        double tips[3];
        const QStringList texts = {"0.00V", "0.000A", "0.00W"};
        for (int k = 0; k < 3; ++k) {
            AxisTag *tag = w->adjPower->tags[k];
            QCOMPARE(tag->label()->text(), texts[k]);
            boxes[k] = QRectF(tag->label()->topLeft->pixelPosition(),
                              tag->label()->bottomRight->pixelPosition());
            tips[k] = tag->arrow()->end->pixelPosition().x();
            QCPAxis *axis = tag->axis();
            // On the axis line, give or take the pixel of the rect's edge.
            QVERIFY(std::abs(tips[k] - (axis->axisRect()->right() + axis->offset())) <= 1);
            QVERIFY(plot->rect().contains(boxes[k].toRect()));
        }
        QVERIFY(tips[0] < tips[1] && tips[1] < tips[2]);
        for (int i = 0; i < 3; ++i) {
            for (int j = i + 1; j < 3; ++j)
                QVERIFY2(!boxes[i].intersects(boxes[j]),
                         qPrintable(QStringLiteral("%1 and %2 overlap").arg(texts[i], texts[j])));
        }
    }

    // Once samples flow, the tags are centred on their values again.
    void tagsFollowTheSamples()
    {
        auto model = std::make_shared<PSU>();
        model->setOutput(true);
        PowerBench b = powerBench(model);
        b.pollTimes(3);
        for (int k = 0; k < 3; ++k) {
            AxisTag *tag = b.p().tags[k];
            QCOMPARE(tag->label()->positionAlignment(), Qt::AlignLeft | Qt::AlignVCenter);
            QCOMPARE(tag->tracer()->position->coords().y(), k == 0 ? 5.0 : k == 1 ? 0.5 : 2.5);
        }
        QCOMPARE(b.p().tags[1]->label()->text(), QStringLiteral("0.500A"));
    }
};

QTEST_MAIN(PowerTest)
#include "tst_power.moc"
