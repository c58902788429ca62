// The meter's report unit on its own: the request bytes, and raw words of an
// answer against the texts a user reads in the labels.
#include "tools/meter/meterreport.h"

#include <QtTest>

#include <array>
#include <limits>

namespace {

using Report = std::array<quint8, 64>;

// An answer whose every byte is 0xEE, so that a field read from the wrong
// place shows, with the given big-endian words written at their offsets.
Report answerWith(std::initializer_list<std::pair<int, quint16>> words)
{
    Report report;
    report.fill(0xEE);
    for (const auto &word : words) {
        report[size_t(word.first)] = quint8(word.second >> 8);
        report[size_t(word.first) + 1] = quint8(word.second & 0xFF);
    }
    return report;
}

} // namespace

class MeterReportTest : public QObject {
    Q_OBJECT
private slots:
    void requestCarriesTheRateCode_data()
    {
        QTest::addColumn<int>("rateCode");
        QTest::newRow("1") << 1;
        QTest::newRow("20") << 20;
        QTest::newRow("100") << 100;
    }
    void requestCarriesTheRateCode()
    {
        QFETCH(int, rateCode);
        std::array<quint8, 65> out;
        out.fill(0x5A); // whatever the previous request left
        meter::buildRequest(out.data(), quint8(rateCode));
        QCOMPARE(int(out[0]), 0x00);
        QCOMPARE(int(out[1]), 0x06);
        QCOMPARE(int(out[2]), rateCode);
        for (size_t i = 3; i < out.size(); ++i)
            QCOMPARE(int(out[i]), 0);
    }

    // Sample n sits at bytes 4 + 4n (voltage) and 6 + 4n (current). Volts
    // are 1.25 mV a step, amperes 0.48 mA a step, and below 8 mA the current
    // reads as zero.
    void samplesReadAsTheLabelsShowThem_data()
    {
        QTest::addColumn<int>("sample");
        QTest::addColumn<int>("rawVolts");
        QTest::addColumn<int>("rawAmps");
        QTest::addColumn<QString>("volts");
        QTest::addColumn<QString>("amps");
        QTest::newRow("nothing") << 0 << 0 << 0 << "0.0000"
                                 << "0.0000";
        QTest::newRow("5 V, 1.2 A") << 0 << 4000 << 2500 << "5.0000"
                                    << "1.2000";
        QTest::newRow("16 steps are 7.68 mA: zero") << 1 << 4096 << 16 << "5.1200"
                                                    << "0.0000";
        QTest::newRow("17 steps are 8.16 mA") << 2 << 7200 << 17 << "9.0000"
                                              << "0.0082";
        QTest::newRow("20 V, 5 A") << 3 << 16000 << 10417 << "20.0000"
                                   << "5.0002";
        QTest::newRow("largest words") << 4 << 65534 << 65535 << "81.9175"
                                       << "31.4568";
    }
    void samplesReadAsTheLabelsShowThem()
    {
        QFETCH(int, sample);
        QFETCH(int, rawVolts);
        QFETCH(int, rawAmps);
        QFETCH(QString, volts);
        QFETCH(QString, amps);
        const Report report =
            answerWith({{4 + 4 * sample, quint16(rawVolts)}, {6 + 4 * sample, quint16(rawAmps)}});
        const meter::Sample decoded = meter::decodeSample(report.data(), sample);
        QCOMPARE(meter::readingText(decoded.volts, 4), volts);
        QCOMPARE(meter::readingText(decoded.amps, 4), amps);
    }

    // D+, D-, CC1, CC2 at bytes 24-31, 3.3 V over 4096 steps.
    void lineVoltagesReadAsTheLabelsShowThem_data()
    {
        QTest::addColumn<QList<int>>("raw");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("top, half, small, zero")
            << QList<int>{4095, 2048, 100, 0}
            << QStringList{"3.2992", "1.6500", "0.0806", "0.0000"};
        QTest::newRow("a type-C sink")
            << QList<int>{745, 745, 2110, 6} << QStringList{"0.6002", "0.6002", "1.7000", "0.0048"};
    }
    void lineVoltagesReadAsTheLabelsShowThem()
    {
        QFETCH(QList<int>, raw);
        QFETCH(QStringList, texts);
        const Report report = answerWith({{24, quint16(raw[0])},
                                          {26, quint16(raw[1])},
                                          {28, quint16(raw[2])},
                                          {30, quint16(raw[3])}});
        const meter::LineVoltages lines = meter::decodeLineVoltages(report.data());
        QCOMPARE(meter::readingText(lines.dPlus, 4), texts[0]);
        QCOMPARE(meter::readingText(lines.dMinus, 4), texts[1]);
        QCOMPARE(meter::readingText(lines.cc1, 4), texts[2]);
        QCOMPARE(meter::readingText(lines.cc2, 4), texts[3]);
    }

    // The load label: volts ÷ amps less 5 milliohms, two decimals; without a
    // current there is no load to show.
    void loadLabel_data()
    {
        QTest::addColumn<double>("volts");
        QTest::addColumn<double>("amps");
        QTest::addColumn<QString>("text");
        QTest::newRow("5 V, 0.3 A") << 5.0 << 0.3 << "16.66";
        QTest::newRow("5.1 V, 2.00016 A") << 5.1 << 2.00016 << "2.54";
        QTest::newRow("5 V, 8.16 mA") << 5.0 << 0.00816 << "612.74";
        QTest::newRow("no current") << 5.0 << 0.0 << "---";
        QTest::newRow("nothing at all") << 0.0 << 0.0 << "---";
    }
    void loadLabel()
    {
        QFETCH(double, volts);
        QFETCH(double, amps);
        QFETCH(QString, text);
        QCOMPARE(meter::readingText(meter::loadOhms(volts, amps), 2), text);
    }

    void answerTypes_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("carriesSamples");
        QTest::newRow("0") << 0 << false;
        QTest::newRow("7") << 7 << false;
        QTest::newRow("8") << 8 << true;
        QTest::newRow("9") << 9 << true;
        QTest::newRow("10") << 10 << false;
    }
    void answerTypes()
    {
        QFETCH(int, type);
        QFETCH(bool, carriesSamples);
        QCOMPARE(meter::isSampleReport(quint8(type)), carriesSamples);
    }

    void unknownRatesHaveNoSetting_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("rateCode");
        QTest::newRow("index -1, code 0") << -1 << 0;
        QTest::newRow("index 7, code 50") << 7 << 50;
        QTest::newRow("index 100, code 255") << 100 << 255;
    }
    void unknownRatesHaveNoSetting()
    {
        QFETCH(int, index);
        QFETCH(int, rateCode);
        QVERIFY(!meter::rateForIndex(index));
        QVERIFY(!meter::rateForCode(quint8(rateCode)));
    }

    void readingTextOfNonFiniteValues()
    {
        QCOMPARE(meter::readingText(std::numeric_limits<double>::infinity(), 2),
                 QStringLiteral("---"));
        QCOMPARE(meter::readingText(-std::numeric_limits<double>::infinity(), 2),
                 QStringLiteral("---"));
        QCOMPARE(meter::readingText(std::numeric_limits<double>::quiet_NaN(), 4),
                 QStringLiteral("---"));
    }
};

QTEST_APPLESS_MAIN(MeterReportTest)
#include "tst_meterreport.moc"
