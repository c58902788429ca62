// The lines of a recording file, without a window: headers, time stamps, the
// spreading of a meter report's samples, each instrument's line from a known
// answer (raw report bytes decoded as the meter's engine decodes them), the
// meter's own charge and energy, gap lines and the slow rates. Every
// expected text is worked out by hand from the raw values.
#include "engine/bootlineengine.h"
#include "engine/meterengine.h"
#include "engine/powerengine.h"
#include "recording/stamps.h"
#include "recording/toolrecording.h"

#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

using recording::Instrument;
using recording::ToolRecording;

Q_DECLARE_METATYPE(Instrument)

namespace {

qint64 utcMs(const char *iso)
{
    const QDateTime time = QDateTime::fromString(QLatin1String(iso), Qt::ISODateWithMs);
    return time.toMSecsSinceEpoch();
}

QByteArrayList linesOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {"(no file)"};
    QByteArrayList lines = file.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast(); // after the final newline
    return lines;
}

// A meter report: type, up to five raw voltage/current pairs, four raw line
// voltages, big-endian.
struct MeterReport {
    quint8 bytes[64] = {};
    explicit MeterReport(quint8 type = 8) { bytes[0] = type; }
    MeterReport &sample(int n, quint16 voltageRaw, quint16 currentRaw)
    {
        put(4 + 4 * n, voltageRaw);
        put(6 + 4 * n, currentRaw);
        return *this;
    }
    MeterReport &lines(quint16 dPlus, quint16 dMinus, quint16 cc1, quint16 cc2)
    {
        put(24, dPlus);
        put(26, dMinus);
        put(28, cc1);
        put(30, cc2);
        return *this;
    }
    void put(int at, quint16 value)
    {
        bytes[at] = quint8(value >> 8);
        bytes[at + 1] = quint8(value & 0xFF);
    }
};

// Raw meter reports decoded as the meter's engine does, each report's
// samples placed after those of the report before.
struct MeterFeed {
    qint64 floorUs = meter::kNoSampleYet;
    meter::Answer answer(const MeterReport &report, int rateCode, qint64 receivedUs)
    {
        const meter::Answer a =
            meter::decodeAnswer(report.bytes, quint8(rateCode), receivedUs, floorUs);
        if (a.count > 0)
            floorUs = a.samples[a.count - 1].atUs;
        return a;
    }
};

power::Answer powerAnswer(const power::Status &status, qint64 atUs)
{
    power::Answer answer;
    answer.status = status;
    answer.sample = {atUs, status.volts, status.amps, status.volts * status.amps};
    return answer;
}

bootline::Answer bootLineAnswer(const bootline::Reading &reading, int trigger, qint64 atUs)
{
    bootline::Answer answer;
    answer.reading = reading;
    answer.trigger = quint8(trigger);
    answer.sample = {atUs, reading.volts, reading.amps, reading.volts * reading.amps};
    return answer;
}

// A recording into a temporary folder, started at a known UTC time, at time 0
// of the engines' clock.
struct Recorded {
    QTemporaryDir dir;
    ToolRecording recording;
    QString path;

    explicit Recorded(Instrument instrument, const char *startIso = "2024-05-01T00:00:00.000Z")
        : recording(instrument), path(dir.filePath(QStringLiteral("rec.csv")))
    {
        QString reason;
        started = recording.start(path, &reason, utcMs(startIso), 0);
    }
    QByteArrayList lines()
    {
        recording.flushAndWait();
        return linesOf(path);
    }
    bool started = false;
};

} // namespace

class RecordingLinesTest : public QObject {
    Q_OBJECT
private slots:
    void headers_data()
    {
        QTest::addColumn<Instrument>("instrument");
        QTest::addColumn<QByteArray>("header");
        QTest::newRow("meter") << Instrument::Meter
                               << QByteArray("time_utc,elapsed_s,voltage_V,current_A,power_W,"
                                             "dplus_V,dminus_V,cc1_V,cc2_V,charge_mAh,"
                                             "energy_mWh,event");
        QTest::newRow("power supply")
            << Instrument::PowerSupply
            << QByteArray("time_utc,elapsed_s,voltage_V,current_A,power_W,set_voltage_V,"
                          "set_current_A,preset,output,mode,event");
        QTest::newRow("boot line") << Instrument::BootLine
                                   << QByteArray("time_utc,elapsed_s,voltage_V,current_A,"
                                                 "peak_current_A,device_time_s,trigger,event");
    }
    // A new file holds its header line, and only that, at once.
    void headers()
    {
        QFETCH(Instrument, instrument);
        QFETCH(QByteArray, header);
        Recorded r(instrument);
        QVERIFY(r.started);
        QFile file(r.path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), header + '\n');
    }

    void stampText_data()
    {
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<qint64>("sinceStartUs");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("at the start") << QByteArray("2024-05-01T12:34:56.789Z") << qint64(0)
                                      << QByteArray("2024-05-01T12:34:56.789Z,0.000");
        QTest::newRow("into the next second")
            << QByteArray("2024-05-01T12:34:56.789Z") << qint64(211000)
            << QByteArray("2024-05-01T12:34:57.000Z,0.211");
        QTest::newRow("microseconds below a millisecond are dropped")
            << QByteArray("2024-05-01T12:34:56.789Z") << qint64(999)
            << QByteArray("2024-05-01T12:34:56.789Z,0.000");
        QTest::newRow("over midnight into a new year")
            << QByteArray("2023-12-31T23:59:59.500Z") << qint64(600000)
            << QByteArray("2024-01-01T00:00:00.100Z,0.600");
        QTest::newRow("onto a leap day") << QByteArray("2024-02-28T23:59:59.999Z") << qint64(1000)
                                         << QByteArray("2024-02-29T00:00:00.000Z,0.001");
        QTest::newRow("a whole day later")
            << QByteArray("2024-05-01T00:00:00.000Z") << qint64(86400) * 1000000
            << QByteArray("2024-05-02T00:00:00.000Z,86400.000");
        QTest::newRow("an hour, a minute and a bit")
            << QByteArray("2024-05-01T00:00:00.000Z") << qint64(3661007000)
            << QByteArray("2024-05-01T01:01:01.007Z,3661.007");
    }
    void stampText()
    {
        QFETCH(QByteArray, start);
        QFETCH(qint64, sinceStartUs);
        QFETCH(QByteArray, text);
        recording::StampText stamp(utcMs(start.constData()));
        QByteArray out;
        stamp.append(out, sinceStartUs);
        QCOMPARE(out, text);
    }

    // The date is worked out anew whenever the second changes, also backwards.
    void stampTextFollowsEverySecond()
    {
        recording::StampText stamp(utcMs("2024-05-01T23:59:58.000Z"));
        QByteArray out;
        for (qint64 us : {1500000, 2500000, 1999000, 2000000}) {
            stamp.append(out, us);
            out += ';';
        }
        QCOMPARE(out, QByteArray("2024-05-01T23:59:59.500Z,1.500;2024-05-02T00:00:00.500Z,2.500;"
                                 "2024-05-01T23:59:59.999Z,1.999;2024-05-02T00:00:00.000Z,2.000;"));
    }

    void spreadSamples_data()
    {
        QTest::addColumn<qint64>("received");
        QTest::addColumn<qint64>("floor");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("rate");
        QTest::addColumn<QList<qint64>>("times");
        QTest::newRow("100 Sa/s, room after the line before")
            << qint64(1000000) << qint64(900000) << 5 << 100
            << QList<qint64>{960000, 970000, 980000, 990000, 1000000};
        QTest::newRow("100 Sa/s, the report before 40 ms ago: squeezed")
            << qint64(1000000) << qint64(960000) << 5 << 100
            << QList<qint64>{968000, 976000, 984000, 992000, 1000000};
        QTest::newRow("40 Sa/s") << qint64(500000) << qint64(0) << 2 << 40
                                 << QList<qint64>{475000, 500000};
        QTest::newRow("80 Sa/s, just fits") << qint64(1000000) << qint64(962499) << 4 << 80
                                            << QList<qint64>{962500, 975000, 987500, 1000000};
        QTest::newRow("one sample at receipt")
            << qint64(123) << qint64(0) << 1 << 20 << QList<qint64>{123};
        QTest::newRow("first report right after the start")
            << qint64(3000) << qint64(0) << 5 << 100 << QList<qint64>{600, 1200, 1800, 2400, 3000};
        QTest::newRow("a clock that did not move")
            << qint64(1000) << qint64(1000) << 2 << 100 << QList<qint64>{1000, 1000};
    }
    void spreadSamples()
    {
        QFETCH(qint64, received);
        QFETCH(qint64, floor);
        QFETCH(int, count);
        QFETCH(int, rate);
        QFETCH(QList<qint64>, times);
        qint64 out[5] = {};
        meter::spreadSamples(received, floor, count, rate, out);
        QCOMPARE(QList<qint64>(out, out + count), times);
    }

    // Five samples of a 100 Sa/s report: raw 4000 is 5.00000 V, raw 2083 is
    // 2083 × 0.48 mA = 0.99984 A, their product 4.99920 W; line raw 745 is
    // 745 × 3.3 / 4096 = 0.6002 V, 2070 is 1.6677 V, 5 is 0.0040 V. The
    // first sample counts no time; each later one 10 ms, then (the second
    // report 40 ms after the first) 8 ms: 0.99984 A × 0.01 s / 3.6 =
    // 0.0027773 mAh and 4.9992 W × 0.01 s / 3.6 = 0.0138867 mWh per 10 ms.
    void meterLines()
    {
        Recorded r(Instrument::Meter);
        MeterReport report;
        for (int n = 0; n < 5; ++n)
            report.sample(n, 4000, 2083);
        report.lines(745, 745, 2070, 5);
        MeterFeed feed;
        r.recording.addMeterAnswer(feed.answer(report, 100, 1000000));
        r.recording.addMeterAnswer(feed.answer(report, 100, 1040000));
        const QByteArrayList lines = r.lines();
        QCOMPARE(lines.size(), 11);
        const QByteArray values = ",5.00000,0.99984,4.99920,0.6002,0.6002,1.6677,0.0040,";
        const char *const expected[] = {
            "2024-05-01T00:00:00.960Z,0.960",
            "0.0000,0.0000,",
            "2024-05-01T00:00:00.970Z,0.970",
            "0.0028,0.0139,",
            "2024-05-01T00:00:00.980Z,0.980",
            "0.0056,0.0278,",
            "2024-05-01T00:00:00.990Z,0.990",
            "0.0083,0.0417,",
            "2024-05-01T00:00:01.000Z,1.000",
            "0.0111,0.0555,",
            // 8 ms apart: +0.0022219 mAh, +0.0111093 mWh each
            "2024-05-01T00:00:01.008Z,1.008",
            "0.0133,0.0667,",
            "2024-05-01T00:00:01.016Z,1.016",
            "0.0156,0.0778,",
            "2024-05-01T00:00:01.024Z,1.024",
            "0.0178,0.0889,",
            "2024-05-01T00:00:01.032Z,1.032",
            "0.0200,0.1000,",
            "2024-05-01T00:00:01.040Z,1.040",
            "0.0222,0.1111,",
        };
        for (int i = 0; i < 10; ++i)
            QCOMPARE(lines[i + 1], QByteArray(expected[2 * i]) + values + expected[2 * i + 1]);
        QCOMPARE(r.recording.sampleLines(), qint64(10));
    }

    // Each sample of a report keeps its own values; the 10 mA current raw
    // 16 (7.68 mA) reads as zero, as on the page.
    void meterSamplesKeepTheirValues()
    {
        Recorded r(Instrument::Meter);
        MeterReport report;
        report.sample(0, 4000, 1000).sample(1, 4008, 16);
        r.recording.addMeterAnswer(MeterFeed().answer(report, 40, 2000000));
        const QByteArrayList lines = r.lines();
        QCOMPARE(lines.size(), 3);
        // 4000 × 1.25 mV = 5.00000 V, 1000 × 0.48 mA = 0.48000 A, 2.40000 W;
        // 4008 × 1.25 mV = 5.01000 V, no current.
        QVERIFY2(lines[1].startsWith("2024-05-01T00:00:01.975Z,1.975,5.00000,0.48000,2.40000,"),
                 lines[1].constData());
        QVERIFY2(lines[2].startsWith("2024-05-01T00:00:02.000Z,2.000,5.01000,0.00000,0.00000,"),
                 lines[2].constData());
    }

    void meterReportsPerRate_data()
    {
        QTest::addColumn<int>("rateCode");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("reports");
        QTest::addColumn<int>("lines");
        QTest::newRow("1 Sa/s: every 20th report") << 1 << 8 << 40 << 2;
        QTest::newRow("2 Sa/s: every 10th report") << 2 << 8 << 40 << 4;
        QTest::newRow("10 Sa/s: every 2nd report") << 10 << 8 << 40 << 20;
        QTest::newRow("20 Sa/s: each report") << 20 << 8 << 40 << 40;
        QTest::newRow("40 Sa/s: two per report") << 40 << 8 << 10 << 20;
        QTest::newRow("80 Sa/s: four per report") << 80 << 8 << 10 << 40;
        QTest::newRow("100 Sa/s: five per report") << 100 << 8 << 10 << 50;
        QTest::newRow("type 9 is a sample report too") << 100 << 9 << 10 << 50;
        QTest::newRow("type 7 carries no samples") << 100 << 7 << 10 << 0;
        QTest::newRow("a rate code the meter does not have") << 3 << 8 << 10 << 0;
    }
    void meterReportsPerRate()
    {
        QFETCH(int, rateCode);
        QFETCH(int, type);
        QFETCH(int, reports);
        QFETCH(int, lines);
        Recorded r(Instrument::Meter);
        MeterReport report{quint8(type)};
        for (int n = 0; n < 5; ++n)
            report.sample(n, 4000, 2083);
        MeterFeed feed;
        for (int i = 1; i <= reports; ++i)
            r.recording.addMeterAnswer(feed.answer(report, rateCode, i * 47000));
        QCOMPARE(r.lines().size(), 1 + lines);
        QCOMPARE(r.recording.sampleLines(), qint64(lines));
    }

    void powerSupplyLine_data()
    {
        QTest::addColumn<int>("presetIndex");
        QTest::addColumn<int>("outputOn");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QByteArray>("line");
        // 12.00 V and 0.600 A make 7.20000 W; M4 holds 12.00 V / 1.000 A.
        QTest::newRow("M4, output on, CV")
            << 4 << 1 << 0 << QByteArray("12.00,0.600,7.20000,12.00,1.000,4,1,CV,");
        QTest::newRow("M1, output on, CC")
            << 1 << 1 << 1 << QByteArray("12.00,0.600,7.20000,5.00,1.000,1,1,CC,");
        QTest::newRow("M6, output off, OCP")
            << 6 << 0 << 2 << QByteArray("12.00,0.600,7.20000,4.20,3.000,6,0,OCP,");
        QTest::newRow("M2, OVP") << 2 << 0 << 3
                                 << QByteArray("12.00,0.600,7.20000,3.30,0.500,2,0,OVP,");
        QTest::newRow("no slot selected: no set-points")
            << 0 << 1 << 4 << QByteArray("12.00,0.600,7.20000,,,0,1,4,");
        QTest::newRow("a slot beyond M6: no set-points")
            << 7 << 1 << 0 << QByteArray("12.00,0.600,7.20000,,,7,1,CV,");
    }
    void powerSupplyLine()
    {
        QFETCH(int, presetIndex);
        QFETCH(int, outputOn);
        QFETCH(int, mode);
        QFETCH(QByteArray, line);
        Recorded r(Instrument::PowerSupply);
        power::Status status;
        status.volts = 12.00;
        status.amps = 0.600;
        const quint16 volts[6] = {500, 330, 900, 1200, 370, 420};
        const quint16 amps[6] = {1000, 500, 2000, 1000, 2000, 3000};
        for (int k = 0; k < 6; ++k) {
            status.presetVoltage[k] = volts[k];
            status.presetCurrent[k] = amps[k];
        }
        status.presetIndex = quint8(presetIndex);
        status.outputOn = quint8(outputOn);
        status.mode = quint8(mode);
        r.recording.addPowerSupplyAnswer(powerAnswer(status, 48000));
        const QByteArrayList lines = r.lines();
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[1], "2024-05-01T00:00:00.048Z,0.048," + line);
    }

    void bootLineLine_data()
    {
        QTest::addColumn<double>("volts");
        QTest::addColumn<double>("amps");
        QTest::addColumn<double>("peakAmps");
        QTest::addColumn<int>("tenths");
        QTest::addColumn<int>("trigger");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("trigger held")
            << 12.345 << 0.5 << 1.235 << 65535 << 1 << QByteArray("12.345,0.500,1.235,6553.5,1,");
        QTest::newRow("trigger released")
            << 4.0 << 0.0 << 0.902 << 223 << 0 << QByteArray("4.000,0.000,0.902,22.3,0,");
    }
    void bootLineLine()
    {
        QFETCH(double, volts);
        QFETCH(double, amps);
        QFETCH(double, peakAmps);
        QFETCH(int, tenths);
        QFETCH(int, trigger);
        QFETCH(QByteArray, line);
        Recorded r(Instrument::BootLine, "2024-05-01T08:00:00.000Z");
        bootline::Reading reading;
        reading.volts = volts;
        reading.amps = amps;
        reading.peakAmps = peakAmps;
        reading.tenths = quint16(tenths);
        r.recording.addBootLineAnswer(bootLineAnswer(reading, trigger, 2000));
        const QByteArrayList lines = r.lines();
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[1], "2024-05-01T08:00:00.002Z,0.002," + line);
    }

    void gapLine_data()
    {
        QTest::addColumn<Instrument>("instrument");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("meter: nine empty values")
            << Instrument::Meter
            << QByteArray("2024-05-01T00:00:02.500Z,2.500,,,,,,,,,,disconnected");
        QTest::newRow("power supply: eight")
            << Instrument::PowerSupply
            << QByteArray("2024-05-01T00:00:02.500Z,2.500,,,,,,,,,disconnected");
        QTest::newRow("boot line: five")
            << Instrument::BootLine
            << QByteArray("2024-05-01T00:00:02.500Z,2.500,,,,,,disconnected");
    }
    // One gap line however often the instrument is reported gone; it has as
    // many columns as the header.
    void gapLine()
    {
        QFETCH(Instrument, instrument);
        QFETCH(QByteArray, line);
        Recorded r(instrument);
        r.recording.markGap(2500000);
        QVERIFY(r.recording.inGap());
        r.recording.markGap(3500000);
        const QByteArrayList lines = r.lines();
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[1], line);
        QCOMPARE(lines[1].count(','), lines[0].count(','));
        QCOMPARE(r.recording.sampleLines(), qint64(0));
    }

    // A stop condition ends the recording with a line naming it: the times,
    // empty values, the event; as many columns as the header, a text where
    // JSON Lines has one.
    void stopLine_data()
    {
        QTest::addColumn<Instrument>("instrument");
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("meter") << Instrument::Meter
                               << QByteArray("2024-05-01T00:00:02.500Z,2.500,,,,,,,,,,"
                                             "stopped: current<50mA for 60s");
        QTest::newRow("power supply") << Instrument::PowerSupply
                                      << QByteArray("2024-05-01T00:00:02.500Z,2.500,,,,,,,,,"
                                                    "stopped: current<50mA for 60s");
        QTest::newRow("boot line") << Instrument::BootLine
                                   << QByteArray("2024-05-01T00:00:02.500Z,2.500,,,,,,"
                                                 "stopped: current<50mA for 60s");
    }
    void stopLine()
    {
        QFETCH(Instrument, instrument);
        QFETCH(QByteArray, line);
        Recorded r(instrument);
        r.recording.stopWithEvent(2500000, "stopped: current<50mA for 60s");
        QVERIFY(!r.recording.isActive());
        QByteArrayList lines = linesOf(r.path);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[1], line);
        QCOMPARE(lines[1].count(','), lines[0].count(','));
        // Stopped already: nothing more.
        r.recording.stopWithEvent(3000000, "stopped: time>=2h");
        QCOMPARE(linesOf(r.path).size(), 2);

        const QByteArray json = recording::jsonLinesOf(instrument, line + '\n');
        QJsonParseError error;
        const QJsonObject object = QJsonDocument::fromJson(json, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(object.value(QStringLiteral("event")).toString(),
                 QStringLiteral("stopped: current<50mA for 60s"));
        QCOMPARE(object.value(QStringLiteral("elapsed_s")).toDouble(), 2.5);
        QVERIFY(object.value(QStringLiteral("voltage_V")).isNull());
    }

    // A condition met before the start (armed earlier) is written at the start.
    void stopLineNotBeforeTheStart()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("rec.csv"));
        ToolRecording recording(Instrument::PowerSupply);
        QString reason;
        QVERIFY(recording.start(path, &reason, utcMs("2024-05-01T00:00:00.000Z"), 5000000));
        recording.stopWithEvent(4000000, "stopped: time>=2h");
        QCOMPARE(linesOf(path).value(1),
                 QByteArray("2024-05-01T00:00:00.000Z,0.000,,,,,,,,,stopped: time>=2h"));
    }

    // After a gap the charge and energy go on from where they were, without
    // counting the time the meter was away; the first samples after it come
    // after the gap line.
    void meterCountsCarryOnAfterAGap()
    {
        Recorded r(Instrument::Meter);
        MeterReport report;
        report.sample(0, 4000, 2083); // 0.99984 A, 4.9992 W
        MeterFeed feed;
        r.recording.addMeterAnswer(feed.answer(report, 20, 1000000));
        r.recording.addMeterAnswer(feed.answer(report, 20, 1050000)); // 50 ms counted
        r.recording.markGap(1500000);
        r.recording.addMeterAnswer(feed.answer(report, 20, 9000000)); // nothing counted
        r.recording.addMeterAnswer(feed.answer(report, 20, 9050000)); // 50 ms counted
        QVERIFY(!r.recording.inGap());
        const QByteArrayList lines = r.lines();
        QCOMPARE(lines.size(), 6);
        // 0.99984 A × 0.05 s / 3.6 = 0.013887 mAh; 4.9992 W × 0.05 s / 3.6 =
        // 0.069433 mWh.
        QVERIFY2(lines[2].endsWith(",0.0139,0.0694,"), lines[2].constData());
        QVERIFY(lines[3].endsWith(",disconnected"));
        QVERIFY2(lines[4].startsWith("2024-05-01T00:00:09.000Z,9.000,"), lines[4].constData());
        QVERIFY2(lines[4].endsWith(",0.0139,0.0694,"), lines[4].constData());
        QVERIFY2(lines[5].endsWith(",0.0278,0.1389,"), lines[5].constData());
    }

    // Nothing is written before the start or after the stop; a new start
    // empties the file and counts from zero.
    void onlyWhileRecording()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("rec.csv"));
        ToolRecording recording(Instrument::BootLine);
        bootline::Reading reading;
        reading.volts = 4.0;
        recording.addBootLineAnswer(bootLineAnswer(reading, 0, 1000));
        QVERIFY(!QFile::exists(path));
        QString reason;
        QVERIFY(recording.start(path, &reason, utcMs("2024-05-01T00:00:00.000Z"), 0));
        recording.addBootLineAnswer(bootLineAnswer(reading, 0, 1000));
        recording.addBootLineAnswer(bootLineAnswer(reading, 0, 3000));
        recording.stop();
        QVERIFY(!recording.isActive());
        recording.addBootLineAnswer(bootLineAnswer(reading, 0, 5000));
        QCOMPARE(linesOf(path).size(), 3);
        // Started again 6 ms later on the engines' clock: times count from there,
        // and a sample measured before that start is not part of it.
        QVERIFY(recording.start(path, &reason, utcMs("2024-05-01T00:00:00.000Z"), 6000));
        recording.addBootLineAnswer(bootLineAnswer(reading, 0, 5500));
        recording.addBootLineAnswer(bootLineAnswer(reading, 0, 13000));
        recording.flushAndWait();
        const QByteArrayList lines = linesOf(path);
        QCOMPARE(lines.size(), 2);
        QVERIFY(lines[1].startsWith("2024-05-01T00:00:00.007Z,0.007,4.000,"));
        QCOMPARE(recording.sampleLines(), qint64(1));
    }
};

QTEST_GUILESS_MAIN(RecordingLinesTest)
#include "tst_recordinglines.moc"
