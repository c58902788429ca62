// The boot line's report unit on its own: the request bytes, answers
// against the values and texts a user reads, and the answers it drops.
#include "tools/bootline/bootlinereport.h"

#include <QtTest>

#include <array>

class BootLineReportTest : public QObject {
    Q_OBJECT
private slots:
    void requestCarriesTheTrigger_data()
    {
        QTest::addColumn<int>("trigger");
        QTest::newRow("released") << 0;
        QTest::newRow("held") << 1;
    }
    void requestCarriesTheTrigger()
    {
        QFETCH(int, trigger);
        std::array<quint8, 65> out;
        out.fill(0x5A); // whatever the previous request left
        bootline::buildRequest(out.data(), quint8(trigger));
        QCOMPARE(int(out[0]), 0x00);
        QCOMPARE(int(out[1]), 0x06);
        QCOMPARE(int(out[2]), trigger);
        for (size_t i = 3; i < out.size(); ++i)
            QCOMPARE(int(out[i]), 0);
    }

    // Bytes 4-11 of an answer: mV, mA, peak mA, tenths of a second, each a
    // big-endian word (written here as hex with a space between the words).
    void answersAreDecoded_data()
    {
        QTest::addColumn<QByteArray>("fields");
        QTest::addColumn<double>("volts");
        QTest::addColumn<double>("amps");
        QTest::addColumn<double>("peakAmps");
        QTest::addColumn<int>("tenths");
        QTest::newRow("12.345 V, 0.5 A, 0.9 A, 12.3 s")
            << QByteArray::fromHex("3039 01F4 0384 007B") << 12.345 << 0.5 << 0.9 << 123;
        QTest::newRow("idle 4 V") << QByteArray::fromHex("0FA0 0000 0000 0000") << 4.0 << 0.0 << 0.0
                                  << 0;
        QTest::newRow("largest words")
            << QByteArray::fromHex("FFFF FFFF FFFF FFFF") << 65.535 << 65.535 << 65.535 << 65535;
        QTest::newRow("high byte only")
            << QByteArray::fromHex("0100 0200 0300 0400") << 0.256 << 0.512 << 0.768 << 1024;
    }
    void answersAreDecoded()
    {
        QFETCH(QByteArray, fields);
        QFETCH(double, volts);
        QFETCH(double, amps);
        QFETCH(double, peakAmps);
        QFETCH(int, tenths);
        std::array<quint8, 64> report;
        report.fill(0xEE); // bytes the decoding must not read
        report[0] = 0x08;
        std::copy(fields.begin(), fields.end(), report.begin() + 4);
        const std::optional<bootline::Reading> reading = bootline::decodeAnswer(report.data(), 64);
        QVERIFY(reading);
        QCOMPARE(reading->volts, volts);
        QCOMPARE(reading->amps, amps);
        QCOMPARE(reading->peakAmps, peakAmps);
        QCOMPARE(int(reading->tenths), tenths);
    }

    // What the labels show for the reading of the first answer above.
    void labelTextsOfAnAnswer()
    {
        std::array<quint8, 64> report{};
        report[0] = 0x08;
        const QByteArray fields = QByteArray::fromHex("3039 01F4 0384 007B");
        std::copy(fields.begin(), fields.end(), report.begin() + 4);
        const std::optional<bootline::Reading> reading = bootline::decodeAnswer(report.data(), 64);
        QVERIFY(reading);
        QCOMPARE(QString::number(reading->volts, 'f', 3), QStringLiteral("12.345"));
        QCOMPARE(QString::number(reading->amps, 'f', 3), QStringLiteral("0.500"));
        QCOMPARE(QString::number(reading->volts * reading->amps, 'f', 2), QStringLiteral("6.17"));
        QCOMPARE(bootline::elapsedText(reading->tenths), QStringLiteral("00:12"));
    }

    void answersThatAreDropped_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<int>("bytesRead");
        QTest::newRow("code 0x09") << 0x09 << 64;
        QTest::newRow("code 0x00") << 0x00 << 64;
        QTest::newRow("code 0x88") << 0x88 << 64;
        QTest::newRow("failed read") << 0x08 << -1;
        QTest::newRow("empty read") << 0x08 << 0;
    }
    void answersThatAreDropped()
    {
        QFETCH(int, code);
        QFETCH(int, bytesRead);
        std::array<quint8, 64> report{};
        report[0] = quint8(code);
        report[5] = 0x10;
        QVERIFY(!bootline::decodeAnswer(report.data(), bytesRead));
    }

    // The device counts up to 65535 tenths; the display runs 00:00 to 59:59
    // and starts again after an hour.
    void elapsedText_data()
    {
        QTest::addColumn<int>("tenths");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << "00:00";
        QTest::newRow("12.3 s") << 123 << "00:12";
        QTest::newRow("599") << 599 << "00:59";
        QTest::newRow("600") << 600 << "01:00";
        QTest::newRow("35999") << 35999 << "59:59";
        QTest::newRow("36000") << 36000 << "00:00";
        QTest::newRow("36010") << 36010 << "00:01";
        QTest::newRow("65535") << 65535 << "49:13";
    }
    void elapsedText()
    {
        QFETCH(int, tenths);
        QFETCH(QString, text);
        QCOMPARE(bootline::elapsedText(quint16(tenths)), text);
    }
};

QTEST_APPLESS_MAIN(BootLineReportTest)
#include "tst_bootlinereport.moc"
