// The stats command: recordings and chart data files written for the test
// with values whose statistics are worked out by hand, a recording the
// command line makes from the simulated meter against its own charge and
// energy columns, and the exit code of each failure.
#include "cli/cli.h"
#include "sim/simulator.h"
#include "tests/cli/clirun.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

namespace {

const QByteArray kMeterHeader = "time_utc,elapsed_s,voltage_V,current_A,power_W,dplus_V,dminus_V,"
                                "cc1_V,cc2_V,charge_mAh,energy_mWh,event\n";

// A meter line at `elapsed` seconds with 5 V and `amps`.
QByteArray meterLine(const char *elapsed, double amps)
{
    return "2024-05-01T12:00:00.000Z," + QByteArray(elapsed) + ",5.00000," +
           QByteArray::number(amps, 'f', 5) + "," + QByteArray::number(5 * amps, 'f', 5) +
           ",0.6000,0.6000,1.6000,0.0000,0.0000,0.0000,\n";
}

// 1 A at 0 and 1 s, 2 A at 2 s, unplugged at 2.5 s, 2 A at 3 and 4 s.
QByteArray meterRecording()
{
    return kMeterHeader + meterLine("0.000", 1) + meterLine("1.000", 1) + meterLine("2.000", 2) +
           "2024-05-01T12:00:02.500Z,2.500,,,,,,,,,,disconnected\n" + meterLine("3.000", 2) +
           meterLine("4.000", 2);
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), qint64(bytes.size()));
}

QJsonObject jsonOf(const Result &r)
{
    return QJsonDocument::fromJson(r.lines().value(0)).object();
}

QJsonObject columnOf(const QJsonObject &stats, const QString &name)
{
    for (const QJsonValue &column : stats.value(QStringLiteral("columns")).toArray()) {
        if (column.toObject().value(QStringLiteral("name")).toString() == name)
            return column.toObject();
    }
    return {};
}

bool near(double value, double expected)
{
    return std::fabs(value - expected) <= 1e-6 * std::fabs(expected) + 1e-9;
}

} // namespace

class CliStatsTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { sim::bus().reset(); }

    // The charge: 1 A s (0 to 1 s) + 1.5 A s (1 to 2 s) + nothing across the
    // gap + 2 A s (3 to 4 s) = 4.5 A s = 1.25 mAh; the energy five times as
    // much (5 V): 6.25 mWh. From 1 s to 3 s: 1.5 A s = 0.416667 mAh.
    void aRecordingBetweenTwoTimes_data()
    {
        QTest::addColumn<QStringList>("range");
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::addColumn<int>("samples");
        QTest::addColumn<int>("gaps");
        QTest::addColumn<double>("chargeMah");
        QTest::addColumn<double>("meanAmps");
        QTest::addColumn<double>("firstAmps");
        QTest::newRow("the whole file")
            << QStringList() << 0.0 << 4.0 << 5 << 1 << 1.25 << 1.6 << 1.0;
        QTest::newRow("1 s to 3 s") << QStringList{"--from", "1s", "--to", "3"} << 1.0 << 3.0 << 3
                                    << 1 << 0.4166667 << 5.0 / 3 << 1.0;
        QTest::newRow("from 1.5 s, after the gap's start")
            << QStringList{"--from", "1500ms"} << 2.0 << 4.0 << 3 << 1 << 4.0 / 3.6 * 0.5 << 2.0
            << 2.0;
    }
    void aRecordingBetweenTwoTimes()
    {
        QFETCH(QStringList, range);
        QFETCH(double, from);
        QFETCH(double, to);
        QFETCH(int, samples);
        QFETCH(int, gaps);
        QFETCH(double, chargeMah);
        QFETCH(double, meanAmps);
        QFETCH(double, firstAmps);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("meter.csv"));
        write(file, meterRecording());
        const Result r = runCli(QStringList{"stats", file, "--json"} + range);
        QCOMPARE(r.code, 0);
        const QJsonObject stats = jsonOf(r);
        QCOMPARE(stats.value("source").toString(), QStringLiteral("meter recording"));
        QCOMPARE(stats.value("nominal_times").toBool(), false);
        QCOMPARE(stats.value("from_s").toDouble(), from);
        QCOMPARE(stats.value("to_s").toDouble(), to);
        QCOMPARE(stats.value("duration_s").toDouble(), to - from);
        QCOMPARE(stats.value("samples").toInt(), samples);
        QCOMPARE(stats.value("gaps").toInt(), gaps);
        QVERIFY2(near(stats.value("charge_mAh").toDouble(), chargeMah),
                 qPrintable(QString::number(stats.value("charge_mAh").toDouble(), 'f', 9)));
        QVERIFY(near(stats.value("charge_C").toDouble(), chargeMah * 3.6));
        QVERIFY(near(stats.value("energy_mWh").toDouble(), 5 * chargeMah));
        QVERIFY(near(stats.value("energy_J").toDouble(), 18 * chargeMah));
        const QJsonObject current = columnOf(stats, QStringLiteral("current_A"));
        QVERIFY(near(current.value("mean").toDouble(), meanAmps));
        QCOMPARE(current.value("at_from").toDouble(), firstAmps);
        QCOMPARE(current.value("at_to").toDouble(), 2.0);
        QCOMPARE(current.value("max").toDouble(), 2.0);
        QCOMPARE(current.value("peak_to_peak").toDouble(), 2.0 - current.value("min").toDouble());
        const QJsonObject voltage = columnOf(stats, QStringLiteral("voltage_V"));
        QCOMPARE(voltage.value("min").toDouble(), 5.0);
        QCOMPARE(voltage.value("peak_to_peak").toDouble(), 0.0);
        // Every value column of the meter's recording, in the file's order.
        QStringList names;
        for (const QJsonValue &column : stats.value("columns").toArray())
            names << column.toObject().value("name").toString();
        QCOMPARE(names, (QStringList{"voltage_V", "current_A", "power_W", "dplus_V", "dminus_V",
                                     "cc1_V", "cc2_V"}));
    }

    void textSaysTheSame()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("meter.csv"));
        write(file, meterRecording());
        const Result r = runCli({"stats", file});
        QCOMPARE(r.code, 0);
        QVERIFY(r.lines().contains("samples     5"));
        QVERIFY(r.lines().contains("gaps        1"));
        QVERIFY(r.lines().contains("duration    4 s"));
        QVERIFY(r.lines().contains("charge      1.2500 mAh  (4.500 C)"));
        QVERIFY(r.lines().contains("energy      6.2500 mWh  (22.500 J)"));
        QVERIFY2(r.lines().contains("current_A       1.00000      2.00000      1.00000      "
                                    "2.00000      1.60000      1.00000"),
                 r.out.constData());
    }

    // A boot line recording has no power column: the energy is counted from
    // voltage x current. 4 V, 0.5 A for 2 s: 1 A s = 0.277778 mAh, 4 W s =
    // 1.111111 mWh.
    void aBootLineRecordingCountsEnergyFromVoltageAndCurrent()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("boot.csv"));
        QByteArray bytes = "time_utc,elapsed_s,voltage_V,current_A,peak_current_A,device_time_s,"
                           "trigger,event\n";
        for (const char *elapsed : {"0.000", "1.000", "2.000"})
            bytes +=
                "2024-05-01T12:00:00.000Z," + QByteArray(elapsed) + ",4.000,0.500,0.900,0.0,1,\n";
        write(file, bytes);
        const Result r = runCli({"stats", file, "--json"});
        QCOMPARE(r.code, 0);
        const QJsonObject stats = jsonOf(r);
        QCOMPARE(stats.value("source").toString(), QStringLiteral("boot line recording"));
        QVERIFY(near(stats.value("charge_mAh").toDouble(), 1 / 3.6));
        QVERIFY(near(stats.value("energy_mWh").toDouble(), 4 / 3.6));
    }

    // A chart data file carries no times: the meter's samples 1/rate apart,
    // the power supply's 48 ms, the boot line's 2 ms. Three samples of 1 A:
    // two periods at 1 A.
    void aChartDataFileTakesTheNominalPeriod_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("source");
        QTest::addColumn<double>("durationS");
        QTest::addColumn<bool>("energy");
        const QByteArray three = "vst,5.0000,5.0000,5.0000,vend,cst,1.0000,1.0000,1.0000,cend,"
                                 "pst,5.0000,5.0000,5.0000,pend,";
        QTest::newRow("meter, 20 Sa/s")
            << three << QStringList() << "meter chart data file, 20 samples a second" << 0.1
            << true;
        QTest::newRow("meter, 80 Sa/s")
            << three << QStringList{"--rate", "80"} << "meter chart data file, 80 samples a second"
            << 0.025 << true;
        QTest::newRow("power supply")
            << three << QStringList{"--tool", "power"}
            << "power supply chart data file, samples 48 ms apart" << 0.096 << true;
        QTest::newRow("boot line")
            << QByteArray("cst,1.000,1.000,1.000,cend,") << QStringList()
            << "boot line chart data file, samples 2 ms apart" << 0.004 << false;
        QTest::newRow("a meter file as the boot line's")
            << three << QStringList{"--tool", "boot"}
            << "boot line chart data file, samples 2 ms apart" << 0.004 << false;
    }
    void aChartDataFileTakesTheNominalPeriod()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, options);
        QFETCH(QString, source);
        QFETCH(double, durationS);
        QFETCH(bool, energy);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("chart.cts"));
        write(file, bytes);
        const Result r = runCli(QStringList{"stats", file, "--json"} + options);
        QCOMPARE(r.code, 0);
        const QJsonObject stats = jsonOf(r);
        QCOMPARE(stats.value("source").toString(), source);
        QCOMPARE(stats.value("nominal_times").toBool(), true);
        QCOMPARE(stats.value("samples").toInt(), 3);
        QVERIFY(near(stats.value("duration_s").toDouble(), durationS));
        QVERIFY(near(stats.value("charge_mAh").toDouble(), durationS / 3.6));
        if (energy)
            QVERIFY(near(stats.value("energy_mWh").toDouble(), 5 * durationS / 3.6));
        else
            QVERIFY(stats.value("energy_mWh").isNull());
        const Result text = runCli(QStringList{"stats", file} + options);
        QVERIFY2(text.out.contains("s (nominal)"), text.out.constData());
    }

    // What the command line records, measured whole, gives the charge and
    // energy of the recording's own last line (counted from its first
    // sample) within 0.1 %.
    void agreesWithARecordingsOwnColumns()
    {
        auto meter = std::make_shared<sim::MeterModel>();
        meter->setRawSamples(4000, 2083); // 5 V, 0.99984 A
        sim::bus().attach(meter);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("meter.csv"));
        QCOMPARE(runCli({"record", "meter", "--rate", "100", "--samples", "150", "-o", file}).code,
                 0);
        const Result r = runCli({"stats", file, "--json"});
        QCOMPARE(r.code, 0);
        const QJsonObject stats = jsonOf(r);
        QCOMPARE(stats.value("samples").toInt(), 150);
        QFile recorded(file);
        QVERIFY(recorded.open(QIODevice::ReadOnly));
        const QList<QByteArray> last = recorded.readAll().trimmed().split('\n').last().split(',');
        const double chargeMah = last[9].toDouble();
        const double energyMwh = last[10].toDouble();
        QVERIFY(chargeMah > 0.3); // 1.5 s at about 1 A
        QVERIFY2(std::fabs(stats.value("charge_mAh").toDouble() - chargeMah) <= 1e-3 * chargeMah,
                 qPrintable(QStringLiteral("%1 against %2")
                                .arg(stats.value("charge_mAh").toDouble())
                                .arg(chargeMah)));
        QVERIFY(std::fabs(stats.value("energy_mWh").toDouble() - energyMwh) <= 1e-3 * energyMwh);
    }

    void failures_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        const QByteArray good = meterRecording();
        QTest::newRow("no such file")
            << QByteArray() << QStringList{"--no-file"} << 5 << "cannot open";
        QTest::newRow("a value that is no number")
            << QByteArray(kMeterHeader + meterLine("0.000", 1) + meterLine("1.000", 1))
                   .replace("5.00000,1.00000", "5.00000,lots")
            << QStringList() << 5 << "line 2: a value that is no number";
        QTest::newRow("a line cut short")
            << QByteArray(good).replace("3.000,5.00000,2.00000,", "3.000,5.0") << QStringList() << 5
            << "line 6: fewer columns";
        QTest::newRow("the time goes back")
            << QByteArray(kMeterHeader + meterLine("1.000", 1) + meterLine("0.500", 1))
            << QStringList() << 5 << "line 3: the time goes back";
        QTest::newRow("neither recording nor chart file")
            << QByteArray("hello, world\n") << QStringList() << 5 << "neither";
        QTest::newRow("--from after --to")
            << good << QStringList{"--from", "3", "--to", "1"} << 2 << "--from is after --to";
        QTest::newRow("a tool that is none")
            << good << QStringList{"--tool", "kettle"} << 2 << "--tool";
        QTest::newRow("a rate the meter lacks")
            << good << QStringList{"--rate", "50"} << 2 << "--rate";
        QTest::newRow("a time that is none") << good << QStringList{"--to", "soon"} << 2 << "--to";
    }
    void failures()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, options);
        QFETCH(int, code);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QString file = dir.filePath(QStringLiteral("file.csv"));
        if (options.contains(QStringLiteral("--no-file"))) {
            options.removeAll(QStringLiteral("--no-file"));
            file = dir.filePath(QStringLiteral("missing.csv"));
        } else {
            write(file, bytes);
        }
        const Result r = runCli(QStringList{"stats", file} + options);
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(message.toLatin1()), r.err.constData());
        QVERIFY(r.lines().isEmpty()); // nothing printed as data
    }
};

QTEST_MAIN(CliStatsTest)
#include "tst_clistats.moc"
