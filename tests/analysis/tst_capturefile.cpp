// Boot captures from files: a boot line recording (its trigger column, its
// gap lines) and a chart data file (2 ms a value), the capture found by the
// live rules, and what is refused.
#include "analysis/capturefile.h"
#include "tests/support/piecedevice.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace bootprofile;

namespace {

const QByteArray kHeader =
    "time_utc,elapsed_s,voltage_V,current_A,peak_current_A,device_time_s,trigger,event\n";

QByteArray row(const char *elapsed, const char *volts, const char *amps, int trigger)
{
    return QByteArray("2024-05-01T10:00:00.000Z,") + elapsed + ',' + volts + ',' + amps +
           ",0.900,1.0," + QByteArray::number(trigger) + ",\n";
}

QByteArray gapLine(const char *elapsed)
{
    return QByteArray("2024-05-01T10:00:00.000Z,") + elapsed + ",,,,,,disconnected\n";
}

std::optional<SampleSeries> parse(const QByteArray &text, CaptureFileError *error)
{
    QBuffer buffer;
    buffer.setData(text);
    buffer.open(QIODevice::ReadOnly);
    return parseRecording(buffer, error);
}

QString writeFile(QTemporaryDir &dir, const char *name, const QByteArray &bytes)
{
    const QString path = dir.filePath(QLatin1String(name));
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    return path;
}

} // namespace

class CaptureFileTest : public QObject {
    Q_OBJECT
private slots:
    // The press in the trigger column starts the capture: its times count
    // from there (0.204 s in the file).
    void recordingStartsAtThePress()
    {
        const QByteArray text =
            kHeader + row("0.200", "4.000", "0.000", 0) + row("0.202", "4.000", "0.000", 0) +
            row("0.204", "3.994", "0.050", 1) + row("0.206", "3.994", "0.051", 1) +
            row("0.2095", "3.976", "0.200", 0);
        CaptureFileError error;
        const std::optional<SampleSeries> series = parse(text, &error);
        QVERIFY(series);
        QCOMPARE(series->size(), 5);
        int start = -1;
        const std::optional<Capture> capture =
            firstCapture(*series, Capturer::kDefaultThresholdAmps, Capturer::kMaxLengthUs, &start);
        QVERIFY(capture);
        QCOMPARE(start, 2);
        QVERIFY(capture->atTrigger);
        QCOMPARE(capture->startedUs, qint64(204000));
        QCOMPARE(int(capture->samples.size()), 3);
        QCOMPARE(capture->samples[1].atUs, qint64(2000));
        QCOMPARE(capture->samples[2].atUs, qint64(5500));
        QCOMPARE(capture->samples[2].amps, 0.2);
        QCOMPARE(capture->samples[2].volts, 3.976);
    }

    // A gap ends the capture; lines that do not parse are passed over; a
    // byte order mark is no part of the first column's name.
    void gapsEndItAndBadLinesArePassedOver()
    {
        const QByteArray text = "\xef\xbb\xbf" + kHeader + row("0.000", "4.0", "0.000", 0) +
                                row("0.002", "4.0", "0.100", 1) + "garbage line\n" +
                                row("0.004", "4.0", "x", 1) + row("0.006", "4.0", "0.120", 1) +
                                gapLine("0.008") + row("0.010", "4.0", "0.130", 1);
        CaptureFileError error;
        const std::optional<SampleSeries> series = parse(text, &error);
        QVERIFY(series);
        QCOMPARE(series->size(), 4);
        QVERIFY(series->gapBefore[3]);
        const std::optional<Capture> capture =
            firstCapture(*series, Capturer::kDefaultThresholdAmps, Capturer::kMaxLengthUs);
        QVERIFY(capture);
        QCOMPARE(int(capture->samples.size()), 2);
        QCOMPARE(capture->lengthUs(), qint64(4000));
    }

    // Without a trigger column (a meter's recording) the threshold starts
    // it; the length ends it.
    void thresholdAndLength()
    {
        const QByteArray text =
            "time_utc,elapsed_s,voltage_V,current_A,power_W,dplus_V,dminus_V,cc1_V,cc2_V,"
            "charge_mAh,energy_mWh,event\n"
            "t,0.00,5,0.001,0,0,0,0,0,0,0,\n"
            "t,0.01,5,0.004,0,0,0,0,0,0,0,\n"
            "t,0.02,5,0.300,0,0,0,0,0,0,0,\n"
            "t,0.03,5,0.310,0,0,0,0,0,0,0,\n"
            "t,0.04,5,0.320,0,0,0,0,0,0,0,\n";
        CaptureFileError error;
        const std::optional<SampleSeries> series = parse(text, &error);
        QVERIFY(series);
        int start = -1;
        const std::optional<Capture> capture =
            firstCapture(*series, Capturer::kDefaultThresholdAmps, 20000, &start);
        QVERIFY(capture);
        QCOMPARE(start, 2);
        QVERIFY(!capture->atTrigger);
        QCOMPARE(int(capture->samples.size()), 2);
        QCOMPARE(capture->endedAtUs, qint64(20000));
    }

    // From a stream that cannot say beforehand whether more comes (a pipe),
    // handed over a few bytes at a time: read to its end all the same, the
    // same samples as from the whole text.
    void recordingFromAStream_data()
    {
        QTest::addColumn<int>("piece");
        QTest::newRow("a byte at a time") << 1;
        QTest::newRow("seven bytes") << 7;
        QTest::newRow("a line and a bit") << 70;
    }
    void recordingFromAStream()
    {
        QFETCH(int, piece);
        const QByteArray text = kHeader + row("0.000", "4.000", "0.000", 0) +
                                row("0.002", "3.994", "0.050", 1) + gapLine("0.004") +
                                row("0.006", "3.976", "0.200", 0);
        testbench::PieceDevice stream(text, piece);
        CaptureFileError error;
        const std::optional<SampleSeries> series = parseRecording(stream, &error);
        QVERIFY(series);
        QCOMPARE(series->size(), 3);
        QCOMPARE(series->atUs[2], qint64(6000));
        QCOMPARE(series->amps[1], 0.05);
        QCOMPARE(series->amps[2], 0.2);
        QVERIFY(series->trigger[1]);
        QVERIFY(series->gapBefore[2]);
    }

    // A chart data file: its values 2 ms apart.
    void chartFileValues()
    {
        QTemporaryDir dir;
        const QString path = writeFile(dir, "boot.cts", "cst,0.000,0.002,0.050,0.200,0.210,cend,");
        CaptureFileError error;
        const std::optional<Capture> capture =
            readCapture(path, Capturer::kDefaultThresholdAmps, Capturer::kMaxLengthUs, &error);
        QVERIFY(capture);
        QCOMPARE(int(capture->samples.size()), 3);
        QCOMPARE(capture->startedUs, qint64(4000));
        QCOMPARE(capture->samples[2].atUs, qint64(4000));
        QCOMPARE(capture->samples[2].amps, 0.21);
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("kind");
        QTest::newRow("no header")
            << QByteArray("1,2,3\n4,5,6\n") << int(CaptureFileError::NotCapture);
        QTest::newRow("binary") << QByteArray("\x00\x01\x02\xff", 4)
                                << int(CaptureFileError::NotCapture);
        QTest::newRow("no boot") << (kHeader + row("0.0", "4", "0.000", 0) +
                                     row("0.1", "4", "0.001", 0))
                                 << int(CaptureFileError::NoBoot);
        QTest::newRow("chart file without a rise")
            << QByteArray("cst,0.000,0.000,cend,") << int(CaptureFileError::NoBoot);
    }
    void refused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, kind);
        QTemporaryDir dir;
        const QString path = writeFile(dir, "file.csv", bytes);
        CaptureFileError error;
        QVERIFY(
            !readCapture(path, Capturer::kDefaultThresholdAmps, Capturer::kMaxLengthUs, &error));
        QCOMPARE(int(error.kind), kind);
        QVERIFY(!errorText(error).isEmpty());
        QVERIFY(!readCapture(dir.filePath(QStringLiteral("none.csv")), 0.005, 1000000, &error));
        QCOMPARE(error.kind, CaptureFileError::CannotOpen);
    }
};

QTEST_APPLESS_MAIN(CaptureFileTest)
#include "tst_capturefile.moc"
