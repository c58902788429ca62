// The power supply's request and answer, what the page makes of an answer,
// and the conversion between set-point texts and device units.
#include "tools/power/powerreport.h"
#include "tools/power/setpoint.h"

#include <QLineEdit>
#include <QtTest>
#include <cmath>
#include <cstring>
#include <limits>

using Bytes = QVector<int>;
Q_DECLARE_METATYPE(Bytes)

namespace {

// The form's masks of the two set-point edits.
const char kVoltageMask[] = "00.00;_";
const char kCurrentMask[] = "0.000;_";

// Text of a number of units written out digit by digit: "0115" → "01.15".
QString dottedDigits(int units, int wholeDigits, int fractionDigits)
{
    QString digits = QString::number(units).rightJustified(wholeDigits + fractionDigits, '0');
    digits.insert(wholeDigits, '.');
    return digits;
}

} // namespace

class PowerReportTest : public QObject {
    Q_OBJECT
private slots:
    // Every byte of the request: command 6 carries only the rate code,
    // command 7 the selection, the set-points (big-endian) and the switches.
    void request_data()
    {
        QTest::addColumn<bool>("apply");
        QTest::addColumn<int>("preset");
        QTest::addColumn<int>("volts");
        QTest::addColumn<int>("amps");
        QTest::addColumn<int>("on");
        QTest::addColumn<int>("ovp");
        QTest::addColumn<int>("ocp");
        QTest::addColumn<Bytes>("head"); // bytes 0..12; the rest are zero
        QTest::newRow("read: settings not sent") << false << 3 << 1200 << 1000 << 1 << 1 << 1
                                                 << Bytes{0, 6, 20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        QTest::newRow("apply M3 12.00 V 1.000 A, all on")
            << true << 3 << 1200 << 1000 << 1 << 1 << 1
            << Bytes{0, 7, 20, 0, 0, 3, 0x04, 0xB0, 0x03, 0xE8, 1, 1, 1};
        QTest::newRow("apply none, 0 V 0 A, all off")
            << true << 0 << 0 << 0 << 0 << 0 << 0 << Bytes{0, 7, 20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        QTest::newRow("apply M6 30.00 V 6.000 A, OVP only")
            << true << 6 << 3000 << 6000 << 0 << 1 << 0
            << Bytes{0, 7, 20, 0, 0, 6, 0x0B, 0xB8, 0x17, 0x70, 0, 1, 0};
        QTest::newRow("apply M1 655.35 V 65.535 A, OCP only")
            << true << 1 << 65535 << 65535 << 0 << 0 << 1
            << Bytes{0, 7, 20, 0, 0, 1, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 1};
    }
    void request()
    {
        QFETCH(bool, apply);
        QFETCH(int, preset);
        QFETCH(int, volts);
        QFETCH(int, amps);
        QFETCH(int, on);
        QFETCH(int, ovp);
        QFETCH(int, ocp);
        QFETCH(Bytes, head);
        power::Request request;
        request.apply = apply;
        request.rateCode = 20;
        request.presetIndex = quint8(preset);
        request.voltageSetpoint = quint16(volts);
        request.currentSetpoint = quint16(amps);
        request.outputOn = quint8(on);
        request.ovpOn = quint8(ovp);
        request.ocpOn = quint8(ocp);
        quint8 out[65];
        std::memset(out, 0xCD, sizeof out); // whatever the last request left
        power::buildRequest(out, request);
        for (int k = 0; k < 65; ++k)
            QCOMPARE(int(out[k]), k < head.size() ? head[k] : 0);
    }

    void status()
    {
        quint8 in[64] = {};
        in[0] = 9;
        in[4] = 0x04; // 12.34 V
        in[5] = 0xD2;
        in[6] = 0x17; // 6.000 A
        in[7] = 0x70;
        const int volts[6] = {500, 115, 3000, 0, 65535, 1200};
        const int amps[6] = {1000, 2010, 6000, 1, 0, 500};
        for (int k = 0; k < 6; ++k) {
            in[8 + 2 * k] = quint8(volts[k] >> 8);
            in[9 + 2 * k] = quint8(volts[k] & 0xFF);
            in[20 + 2 * k] = quint8(amps[k] >> 8);
            in[21 + 2 * k] = quint8(amps[k] & 0xFF);
        }
        in[47] = 0xEE; // neighbours of the flags: not read
        in[48] = 1;
        in[49] = 3;
        in[50] = 2;
        in[51] = 0;
        in[52] = 6;
        in[53] = 7;
        in[54] = 0xEE;

        const power::Status s = power::decodeStatus(in);
        QCOMPARE(s.volts, 12.34);
        QCOMPARE(s.amps, 6.0);
        for (int k = 0; k < 6; ++k) {
            QCOMPARE(int(s.presetVoltage[k]), volts[k]);
            QCOMPARE(int(s.presetCurrent[k]), amps[k]);
        }
        QCOMPARE(int(s.outputOn), 1);
        QCOMPARE(int(s.mode), 3);
        QCOMPARE(int(s.ovpOn), 2); // stored as received
        QCOMPARE(int(s.ocpOn), 0);
        QCOMPARE(int(s.presetIndex), 6);
        QCOMPARE(int(s.protectionActive), 7);
    }

    void answerCodes_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("status");
        QTest::newRow("8") << 8 << true;
        QTest::newRow("9") << 9 << true;
        QTest::newRow("0") << 0 << false;
        QTest::newRow("7") << 7 << false;
        QTest::newRow("10") << 10 << false;
        QTest::newRow("0x88") << 0x88 << false;
    }
    void answerCodes()
    {
        QFETCH(int, code);
        QFETCH(bool, status);
        QCOMPARE(power::isStatusAnswer(quint8(code)), status);
    }

    void lights_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<QString>("lit"); // of C V, C C, OVP, OCP
        QTest::newRow("CV") << 0 << true << "CV";
        QTest::newRow("CC") << 1 << true << "CC";
        QTest::newRow("OCP tripped") << 2 << true << "OCP";
        QTest::newRow("OVP tripped") << 3 << true << "OVP";
        QTest::newRow("other: unchanged") << 4 << false << "";
        QTest::newRow("unknown: unchanged") << 200 << false << "";
    }
    void lights()
    {
        QFETCH(int, mode);
        QFETCH(bool, shown);
        QFETCH(QString, lit);
        // From two states the lights may be in: all lit, and CV with OVP.
        const power::Lights before[2] = {{true, true, true, true}, {true, false, true, false}};
        for (const power::Lights &start : before) {
            power::Lights lights = start;
            QCOMPARE(power::lightsForMode(mode, &lights), shown);
            // A mode that is not shown leaves every light as it was.
            QCOMPARE(lights.cv, shown ? lit == "CV" : start.cv);
            QCOMPARE(lights.cc, shown ? lit == "CC" : start.cc);
            QCOMPARE(lights.ovp, shown ? lit == "OVP" : start.ovp);
            QCOMPARE(lights.ocp, shown ? lit == "OCP" : start.ocp);
        }
    }

    void protection_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("flag");
        QTest::addColumn<bool>("tripped");
        QTest::newRow("OCP with flag") << 2 << 1 << true;
        QTest::newRow("OVP with any non-zero flag") << 3 << 0x80 << true;
        QTest::newRow("OCP without flag") << 2 << 0 << false;
        QTest::newRow("CC with flag") << 1 << 1 << false;
        QTest::newRow("CV with flag") << 0 << 1 << false;
        QTest::newRow("other with flag") << 4 << 1 << false;
    }
    void protection()
    {
        QFETCH(int, mode);
        QFETCH(int, flag);
        QFETCH(bool, tripped);
        QCOMPARE(power::protectionTripped(mode, quint8(flag)), tripped);
    }

    // The voltage gauge runs to 30 V, to 40 V beyond that, and is left alone
    // from 40 V on; the current gauge likewise with 5 A and 8 A.
    void gaugeRange_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("normal");
        QTest::addColumn<double>("extended");
        QTest::addColumn<double>("upper");
        QTest::newRow("0 V") << 0.0 << 30.0 << 40.0 << 30.0;
        QTest::newRow("29.99 V") << 29.99 << 30.0 << 40.0 << 30.0;
        QTest::newRow("30 V") << 30.0 << 30.0 << 40.0 << 40.0;
        QTest::newRow("35 V") << 35.0 << 30.0 << 40.0 << 40.0;
        QTest::newRow("40 V") << 40.0 << 30.0 << 40.0 << 0.0;
        QTest::newRow("45 V") << 45.0 << 30.0 << 40.0 << 0.0;
        QTest::newRow("4.999 A") << 4.999 << 5.0 << 8.0 << 5.0;
        QTest::newRow("5 A") << 5.0 << 5.0 << 8.0 << 8.0;
        QTest::newRow("8 A") << 8.0 << 5.0 << 8.0 << 0.0;
    }
    void gaugeRange()
    {
        QFETCH(double, value);
        QFETCH(double, normal);
        QFETCH(double, extended);
        QFETCH(double, upper);
        QCOMPARE(power::gaugeUpper(value, normal, extended), upper);
    }

    void presetText_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<double>("volts");
        QTest::addColumn<double>("amps");
        QTest::addColumn<QString>("text");
        QTest::newRow("M1") << 1 << 500.0 << 1000.0 << "M1 5.00V/1.000A";
        QTest::newRow("M3 1.15 V 2.010 A") << 3 << 115.0 << 2010.0 << "M3 1.15V/2.010A";
        QTest::newRow("M6 full scale") << 6 << 3000.0 << 6000.0 << "M6 30.00V/6.000A";
        QTest::newRow("M2 empty") << 2 << 0.0 << 0.0 << "M2 0.00V/0.000A";
        QTest::newRow("M4 device maximum") << 4 << 65535.0 << 65535.0 << "M4 655.35V/65.535A";
    }
    void presetText()
    {
        QFETCH(int, slot);
        QFETCH(double, volts);
        QFETCH(double, amps);
        QFETCH(QString, text);
        QCOMPARE(power::presetButtonText(slot, volts, amps), text);
    }

    // Every voltage 0.00 … 30.00 and every current 0.000 … 6.000: the text of
    // the units reads back as the same units, also as the masked edit hands
    // it over.
    void everySetpointRoundTrips_data()
    {
        QTest::addColumn<bool>("voltage");
        QTest::newRow("voltage 0 … 3000") << true;
        QTest::newRow("current 0 … 6000") << false;
    }
    void everySetpointRoundTrips()
    {
        QFETCH(bool, voltage);
        const setpoint::Scale &scale = voltage ? setpoint::kVoltage : setpoint::kCurrent;
        const int last = voltage ? 3000 : 6000;
        const double limit = voltage ? 30.0 : 6.0;
        QLineEdit edit;
        edit.setInputMask(QLatin1String(voltage ? kVoltageMask : kCurrentMask));
        for (int units = 0; units <= last; ++units) {
            const QString text = voltage ? dottedDigits(units, 2, 2) : dottedDigits(units, 1, 3);
            if (setpoint::textFromUnits(units, scale) != text)
                QFAIL(qPrintable(QStringLiteral("%1 units shown as %2")
                                     .arg(units)
                                     .arg(setpoint::textFromUnits(units, scale))));
            edit.setText(text);
            QCOMPARE(edit.text(), text);
            const int back = setpoint::unitsFromText(edit.text(), limit, scale);
            if (back != units)
                QFAIL(qPrintable(QStringLiteral("%1 read back as %2").arg(text).arg(back)));
        }
        // One unit past the limit, as the edit takes it, reads back as the
        // limit: 30.01 V as 3000, 6.001 A as 6000.
        const QString beyond = voltage ? QStringLiteral("30.01") : QStringLiteral("6.001");
        edit.setText(beyond);
        QCOMPARE(edit.text(), beyond);
        QCOMPARE(int(setpoint::unitsFromText(edit.text(), limit, scale)), last);
    }

    // The texts of a few units worked out by hand, which the whole range
    // above is checked against through dottedDigits().
    void setpointTexts_data()
    {
        QTest::addColumn<bool>("voltage");
        QTest::addColumn<int>("units");
        QTest::addColumn<QString>("text");
        QTest::newRow("0 V") << true << 0 << "00.00";
        QTest::newRow("10 mV") << true << 1 << "00.01";
        QTest::newRow("1.15 V") << true << 115 << "01.15";
        QTest::newRow("9.99 V") << true << 999 << "09.99";
        QTest::newRow("10 V") << true << 1000 << "10.00";
        QTest::newRow("30 V") << true << 3000 << "30.00";
        QTest::newRow("0 A") << false << 0 << "0.000";
        QTest::newRow("1 mA") << false << 1 << "0.001";
        QTest::newRow("2.01 A") << false << 2010 << "2.010";
        QTest::newRow("6 A") << false << 6000 << "6.000";
    }
    void setpointTexts()
    {
        QFETCH(bool, voltage);
        QFETCH(int, units);
        QFETCH(QString, text);
        QCOMPARE(voltage ? dottedDigits(units, 2, 2) : dottedDigits(units, 1, 3), text);
        QCOMPARE(setpoint::textFromUnits(units, voltage ? setpoint::kVoltage : setpoint::kCurrent),
                 text);
    }

    // Texts as the edits hand them over while typing, and values beyond the
    // limit or not numbers at all.
    void textToUnits_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("voltage");
        QTest::addColumn<double>("limit");
        QTest::addColumn<int>("units");
        QTest::newRow("01.15 V") << "01.15" << true << 30.0 << 115;
        QTest::newRow("2.010 A") << "2.010" << false << 5.0 << 2010;
        QTest::newRow("35 typed, above 30 V") << "35." << true << 30.0 << 3000;
        QTest::newRow("1_.5_ typed") << "1.5" << true << 30.0 << 150;
        QTest::newRow("nothing typed") << "." << true << 30.0 << 0;
        QTest::newRow("empty") << "" << false << 6.0 << 0;
        QTest::newRow("6.000 A with 6 A") << "6.000" << false << 6.0 << 6000;
        QTest::newRow("6.000 A with 5 A") << "6.000" << false << 5.0 << 5000;
        QTest::newRow("negative") << "-1.00" << true << 30.0 << 0;
        QTest::newRow("letters") << "ab.cd" << true << 30.0 << 0;
        QTest::newRow("more decimals round down") << "1.2346" << true << 30.0 << 123;
        QTest::newRow("more decimals round up") << "1.2346" << false << 6.0 << 1235;
    }
    void textToUnits()
    {
        QFETCH(QString, text);
        QFETCH(bool, voltage);
        QFETCH(double, limit);
        QFETCH(int, units);
        QCOMPARE(int(setpoint::unitsFromText(text, limit,
                                             voltage ? setpoint::kVoltage : setpoint::kCurrent)),
                 units);
    }

    void valueToUnits_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<bool>("voltage");
        QTest::addColumn<int>("units");
        QTest::newRow("1.15 V") << 1.15 << true << 115;
        QTest::newRow("2.01 A") << 2.01 << false << 2010;
        QTest::newRow("4.35 V") << 4.35 << true << 435;
        QTest::newRow("above the limit") << 99.0 << true << 3000;
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << false << 6000;
        QTest::newRow("not a number") << std::nan("") << true << 0;
        QTest::newRow("below zero") << -0.004 << false << 0;
    }
    void valueToUnits()
    {
        QFETCH(double, value);
        QFETCH(bool, voltage);
        QFETCH(int, units);
        QCOMPARE(int(setpoint::unitsFromValue(value, voltage ? 30.0 : 6.0,
                                              voltage ? setpoint::kVoltage : setpoint::kCurrent)),
                 units);
    }
};

QTEST_MAIN(PowerReportTest)
#include "tst_powerreport.moc"
