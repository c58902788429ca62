// The command line in this process, against the simulated bench: every
// subcommand checked value by value against the simulator's known answers,
// the recording's CSV against what the window's recording writes for the
// same answers, and the exit code of each failure. Standard output and
// standard error are caught in files for the length of each run.
#include "cli/cli.h"
#include "tests/cli/clirun.h"
#include "recording/rows.h"
#include "recording/toolrecording.h"
#include "sim/simulator.h"
#include "tests/cli/clirun.h"
#include "tests/support/testbench.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

// The columns of a CSV line after its two time columns.
QByteArray valuesOf(const QByteArray &line)
{
    const int second = line.indexOf(',', line.indexOf(',') + 1);
    return line.mid(second + 1);
}

const QRegularExpression
    kTimes(QStringLiteral("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3}Z,\\d+\\.\\d{3},"));

} // namespace

class CliTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup()
    {
        // A timed action a test left unfired must not reach the next test.
        delete pending;
        pending = nullptr;
        sim::bus().reset();
    }

    // ------------------------------------------------------------------
    // list

    void listsEveryInstrumentAndWhetherItOpens()
    {
        sim::bus().attach(std::make_shared<sim::MeterModel>());
        const int supply = sim::bus().attach(std::make_shared<sim::PowerSupplyModel>());
        sim::bus().attach(std::make_shared<sim::BootLineModel>());
        sim::bus().attach(std::make_shared<sim::FirmwareModel>());
        sim::bus().setFailOpen(supply, true, "Permission denied");

        const Result text = runCli({QStringLiteral("list")});
        QCOMPARE(text.code, 0);
        const QList<QByteArray> lines = text.lines();
        QVERIFY2(lines.size() == 4, text.out.constData());
        QVERIFY2(lines[0].startsWith("meter ") && lines[0].contains(" M52 ") &&
                     lines[0].endsWith(" ok"),
                 lines[0].constData());
        QVERIFY2(lines[1].startsWith("power ") && lines[1].contains("V7204") &&
                     lines[1].contains("cannot open: Permission denied"),
                 lines[1].constData());
        QVERIFY(lines[2].startsWith("boot ") && lines[2].contains("KRIV"));
        QVERIFY(lines[3].startsWith("firmware "));
        QVERIFY2(text.err.contains("udev"), text.err.constData()); // how to get permission

        const Result json = runCli({QStringLiteral("list"), QStringLiteral("--json")});
        QCOMPARE(json.code, 0);
        QJsonParseError error;
        const QJsonArray array = QJsonDocument::fromJson(json.lines().join('\n'), &error).array();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(array.size(), 4);
        const QStringList kinds = {"meter", "power", "boot", "firmware"};
        for (int k = 0; k < 4; ++k) {
            const QJsonObject o = array[k].toObject();
            QCOMPARE(o["kind"].toString(), kinds[k]);
            QVERIFY(o["path"].toString().startsWith("/dev/hidraw"));
            QVERIFY(!o["serial"].toString().isEmpty());
            QCOMPARE(o["can_open"].toBool(), k != 1);
        }
        QCOMPARE(array[1].toObject()["error"].toString(), QStringLiteral("Permission denied"));
        QVERIFY(array[1].toObject()["hint"].toString().contains("70-quorvaline.rules"));
    }

    void listWithNothingFoundExitsWithThree()
    {
        const Result r = runCli({QStringLiteral("list")});
        QCOMPARE(r.code, 3);
        QCOMPARE(r.out, QByteArray());
        const Result json = runCli({QStringLiteral("list"), QStringLiteral("--json")});
        QCOMPARE(json.code, 3);
        QCOMPARE(json.out, QByteArray("[]\n"));
    }

    // ------------------------------------------------------------------
    // read

    // Raw words worked out by hand: 4000 × 1.25 mV = 5.00000 V, 2083 ×
    // 0.48 mA = 0.99984 A (4.99920 W); line words 745, 2070, 5 are 0.6002,
    // 1.6677, 0.0040 V. Supply: 12.00 V into 20 ohm gives 0.600 A with M4
    // (12.00 V, 1.000 A) selected. Boot line: 4.200 V, 0.350 A, peak 0.900 A,
    // 12.3 s.
    void readsEachInstrument_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("meter") << "meter"
                               << QByteArray("voltage_V       5.00000\n"
                                             "current_A       0.99984\n"
                                             "power_W         4.99920\n"
                                             "dplus_V         0.6002\n"
                                             "dminus_V        0.6002\n"
                                             "cc1_V           1.6677\n"
                                             "cc2_V           0.0040\n");
        QTest::newRow("power") << "power"
                               << QByteArray("voltage_V       12.00\n"
                                             "current_A       0.600\n"
                                             "power_W         7.20000\n"
                                             "set_voltage_V   12.00\n"
                                             "set_current_A   1.000\n"
                                             "preset          4\n"
                                             "output          1\n"
                                             "mode            CV\n");
        QTest::newRow("boot") << "boot"
                              << QByteArray("voltage_V       4.200\n"
                                            "current_A       0.350\n"
                                            "peak_current_A  0.900\n"
                                            "device_time_s   12.3\n"
                                            "trigger         0\n");
    }
    void readsEachInstrument()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, text);
        attachKnownBench();
        const Result r = runCli({QStringLiteral("read"), kind});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.startsWith("time_utc        "), r.out.constData());
        QCOMPARE(r.out.mid(r.out.indexOf('\n') + 1), text);

        // The same values as one JSON object, and one of them alone.
        const Result json = runCli({QStringLiteral("read"), kind, QStringLiteral("--json")});
        QCOMPARE(json.code, 0);
        QJsonParseError error;
        const QJsonObject o = QJsonDocument::fromJson(json.out, &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        const QList<QByteArray> lines = text.split('\n');
        for (const QByteArray &line : lines) {
            if (line.isEmpty())
                continue;
            const QList<QByteArray> parts = line.simplified().split(' ');
            const QJsonValue value = o[QString::fromLatin1(parts[0])];
            if (value.isString())
                QCOMPARE(value.toString().toLatin1(), parts[1]);
            else
                QCOMPARE(value.toDouble(), parts[1].toDouble());
        }
        const QByteArray first = lines[0].simplified().split(' ')[0];
        const Result field = runCli(
            {QStringLiteral("read"), kind, QStringLiteral("--field"), QString::fromLatin1(first)});
        QCOMPARE(field.code, 0);
        QCOMPARE(field.out, lines[0].simplified().split(' ')[1] + '\n');
    }

    // A reading sends the supply nothing but read requests.
    void readingThePowerSupplyChangesNothing()
    {
        attachKnownBench();
        QCOMPARE(runCli({QStringLiteral("read"), QStringLiteral("power")}).code, 0);
        const int id = supplyId;
        QVERIFY(sim::bus().writeCount(id) >= 1);
        QCOMPARE(sim::bus().lastWrite(id)[1], std::uint8_t(6));
    }

    // ------------------------------------------------------------------
    // record

    // The same answers give the same lines as the window's recording; the
    // limits are exact.
    void recordsTheWindowsLines_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("rate");
        QTest::addColumn<int>("samples");
        QTest::newRow("meter, 100 Sa/s") << "meter"
                                         << "100" << 23;
        QTest::newRow("meter, 1 Sa/s") << "meter"
                                       << "1" << 2;
        QTest::newRow("power supply") << "power"
                                      << "20" << 7;
        QTest::newRow("boot line") << "boot"
                                   << "20" << 50;
    }
    void recordsTheWindowsLines()
    {
        QFETCH(QString, kind);
        QFETCH(QString, rate);
        QFETCH(int, samples);
        attachKnownBench();
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("cli.csv"));
        const Result r = runCli({QStringLiteral("record"), kind, QStringLiteral("--rate"), rate,
                                 QStringLiteral("--samples"), QString::number(samples),
                                 QStringLiteral("-o"), file});
        QCOMPARE(r.code, 0);
        QList<QByteArray> cliLines = fileText(file).split('\n');
        QCOMPARE(cliLines.takeLast(), QByteArray()); // ends with a complete line
        QCOMPARE(cliLines.size(), 1 + samples);

        // The window records the same simulated answers.
        const QString windowFile = dir.filePath(QStringLiteral("window.csv"));
        QList<QByteArray> windowLines = windowRecording(kind, rate, windowFile, samples);
        QVERIFY(windowLines.size() >= 1 + samples);
        QCOMPARE(cliLines[0], windowLines[0]); // the header
        for (int i = 1; i <= samples; ++i) {
            QVERIFY2(kTimes.match(QString::fromLatin1(cliLines[i])).hasMatch(),
                     cliLines[i].constData());
            // The meter's counted charge and energy depend on the times.
            const QByteArray cliValues = valuesOf(cliLines[i]);
            const QByteArray windowValues = valuesOf(windowLines[i]);
            if (kind == QLatin1String("meter")) {
                const QString cli = QString::fromLatin1(cliValues);
                const QString window = QString::fromLatin1(windowValues);
                QCOMPARE(cli.section(',', 0, 6), window.section(',', 0, 6));
                QCOMPARE(cli.section(',', 9), window.section(',', 9));
            } else {
                QCOMPARE(cliValues, windowValues);
            }
        }
    }

    void recordsJsonLines()
    {
        attachKnownBench();
        const Result r =
            runCli({QStringLiteral("record"), QStringLiteral("power"), QStringLiteral("--samples"),
                    QStringLiteral("3"), QStringLiteral("--format"), QStringLiteral("jsonl")});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.lines().size(), 3);
        for (const QByteArray &line : r.lines()) {
            QJsonParseError error;
            const QJsonObject o = QJsonDocument::fromJson(line, &error).object();
            QCOMPARE(error.error, QJsonParseError::NoError);
            QCOMPARE(o.keys().size(), 11); // every column of the CSV
            QCOMPARE(o["voltage_V"].toDouble(), 12.0);
            QCOMPARE(o["mode"].toString(), QStringLiteral("CV"));
            QVERIFY(o["event"].isNull());
            QVERIFY(o["elapsed_s"].isDouble());
        }
    }

    // The time limit: no sample later than it, and the command ends there.
    void recordsForADuration()
    {
        attachKnownBench();
        const Result r = runCli({QStringLiteral("record"), QStringLiteral("boot"),
                                 QStringLiteral("--duration"), QStringLiteral("300ms")});
        QCOMPARE(r.code, 0);
        const QList<QByteArray> lines = r.lines();
        QVERIFY(lines.size() > 2);
        for (int i = 1; i < lines.size(); ++i)
            QVERIFY2(lines[i].split(',')[1].toDouble() < 0.300, lines[i].constData());
    }

    // Pulled out mid-way: a gap line ends the file, and the exit code says so.
    void anInstrumentPulledOutEndsTheRecordingWithFour()
    {
        attachKnownBench();
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("pulled.csv"));
        later(600, [this] { sim::bus().detach(meterId); });
        const Result r =
            runCli({QStringLiteral("record"), QStringLiteral("meter"), QStringLiteral("-o"), file});
        QCOMPARE(r.code, 4);
        QVERIFY2(r.err.contains("the meter was unplugged"), r.err.constData());
        const QList<QByteArray> lines = fileText(file).trimmed().split('\n');
        QVERIFY(lines.size() >= 3);
        QVERIFY2(lines.last().endsWith(",,,,,,,,,,disconnected"), lines.last().constData());
        QVERIFY(!lines[lines.size() - 2].endsWith("disconnected"));
    }

    // SIGINT while recording: everything up to it is in the file, complete.
    void anInterruptEndsTheRecordingWithItsFileComplete()
    {
        attachKnownBench();
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("interrupted.csv"));
        later(400, [] { std::raise(SIGINT); });
        const Result r =
            runCli({QStringLiteral("record"), QStringLiteral("boot"), QStringLiteral("-o"), file});
        QCOMPARE(r.code, 130);
        const QByteArray text = fileText(file);
        QVERIFY(text.endsWith('\n'));
        QVERIFY2(text.count('\n') > 20, text.left(200).constData());
        later(300, [] { std::raise(SIGTERM); });
        QCOMPARE(
            runCli({QStringLiteral("record"), QStringLiteral("boot"), QStringLiteral("-o"), file})
                .code,
            143);
    }

    // --stop-when: the recording ends when a condition is met, with 0 and a
    // last line naming it; the meter's charge as its charge_mAh column
    // counts it.
    void stopWhenEndsTheRecording_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("conditions");
        QTest::addColumn<QByteArray>("named");
        QTest::newRow("meter, charge")
            << "meter" << QStringList{"charge>=0.01mAh"} << QByteArray("charge>=0.01mAh");
        QTest::newRow("power supply, voltage")
            << "power" << QStringList{"voltage>11V"} << QByteArray("voltage>11.0V");
        QTest::newRow("the second of two")
            << "meter" << QStringList{"current<0.5A", "time>=300ms"} << QByteArray("time>=0.3s");
    }
    void stopWhenEndsTheRecording()
    {
        QFETCH(QString, kind);
        QFETCH(QStringList, conditions);
        QFETCH(QByteArray, named);
        attachKnownBench();
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("stop.csv"));
        QStringList args = {QStringLiteral("record"), kind, QStringLiteral("-o"), file};
        for (const QString &condition : conditions)
            args << QStringLiteral("--stop-when") << condition;
        const Result r = runCli(args);
        QCOMPARE(r.code, 0);
        QVERIFY2(r.err.contains("stopped: " + named), r.err.constData());
        const QList<QByteArray> lines = fileText(file).trimmed().split('\n');
        QVERIFY(lines.size() >= 3);
        QVERIFY2(lines.last().endsWith(",stopped: " + named), lines.last().constData());
        QCOMPARE(lines.last().count(','), lines.first().count(','));
        if (kind == QLatin1String("power")) {
            QCOMPARE(lines.size(), 3); // the header, the sample that met it, the stop
            return;
        }
        const QList<QByteArray> met = lines[lines.size() - 2].split(',');
        if (named.startsWith("charge")) {
            // The charge counted as the file counts it: met at the line
            // where its column reaches 0.01 mAh, not before.
            QVERIFY2(met[9].toDouble() >= 0.01, met[9].constData());
            if (lines.size() > 3) {
                const QList<QByteArray> before = lines[lines.size() - 3].split(',');
                QVERIFY2(before[9].toDouble() < 0.01, before[9].constData());
            }
        } else {
            // The time is met at 0.3 s (by a sample or between two).
            QVERIFY2(lines.last().split(',')[1].toDouble() >= 0.3, lines.last().constData());
            QVERIFY(met[1].toDouble() <= lines.last().split(',')[1].toDouble());
            QVERIFY(lines[lines.size() - 3].split(',')[1].toDouble() < 0.3);
        }
    }

    // --output-off: the request after the sample that met the condition
    // switches the output off (with the supply's own slot and set-points),
    // every one after it too until the supply reports it off; then done.
    // A supply that stops answering: 4, with a warning.
    void outputOffIsConfirmedByTheSupply_data()
    {
        QTest::addColumn<int>("failingReads");
        QTest::addColumn<int>("code");
        QTest::newRow("answered") << 0 << 0;
        QTest::newRow("three answers fail") << 3 << 0;
        QTest::newRow("no answer at all") << -1 << 4;
    }
    void outputOffIsConfirmedByTheSupply()
    {
        QFETCH(int, failingReads);
        QFETCH(int, code);
        attachKnownBench();
        if (failingReads)
            later(1, [this, failingReads] {
                sim::bus().setReadBehaviour(supplyId, sim::ReadBehaviour::Fail, failingReads);
            });
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("off.csv"));
        const Result r = runCli({QStringLiteral("record"), QStringLiteral("power"),
                                 QStringLiteral("--stop-when"), QStringLiteral("voltage>11V"),
                                 QStringLiteral("--output-off"), QStringLiteral("-o"), file});
        QCOMPARE(r.code, code);
        QVERIFY(!supply->state().outputOn);
        QVERIFY(supply->preset(4) == (sim::PowerSupplyModel::Preset{1200, 1000}));
        const std::vector<std::vector<std::uint8_t>> writes = sim::bus().writes(supplyId);
        QVERIFY(writes.size() >= size_t(2 + qMax(failingReads, 0)));
        QCOMPARE(int(writes[0][1]), 6);
        for (size_t i = 1; i < writes.size(); ++i) {
            QCOMPARE(int(writes[i][1]), 7);
            QCOMPARE(int(writes[i][10]), 0); // output off
            QCOMPARE(int(writes[i][5]), 4);
            QCOMPARE(writes[i][6] << 8 | writes[i][7], 1200);
        }
        if (code == 0) {
            QCOMPARE(writes.size(), size_t(2 + failingReads));
            QVERIFY2(r.err.contains("the supply reports its output off"), r.err.constData());
        } else {
            QVERIFY2(r.err.contains("did not report its output off: it may still be on"),
                     r.err.constData());
        }
        QVERIFY(fileText(file).trimmed().endsWith(",stopped: voltage>11.0V"));
    }

    void stopWhenRefusesWhatItCannotDo_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("message");
        QTest::newRow("a condition it cannot read")
            << QStringList{"record", "meter", "--stop-when", "current>5mA"}
            << QByteArray("--stop-when 'current>5mA': current takes <");
        QTest::newRow("the boot line")
            << QStringList{"record", "boot", "--stop-when", "current<5mA"}
            << QByteArray("--stop-when watches the meter or the power supply");
        QTest::newRow("output off on the meter")
            << QStringList{"record", "meter", "--stop-when", "current<5mA", "--output-off"}
            << QByteArray("--output-off needs 'record power' and a --stop-when");
        QTest::newRow("output off without a condition")
            << QStringList{"record", "power", "--output-off"}
            << QByteArray("--output-off needs 'record power' and a --stop-when");
    }
    void stopWhenRefusesWhatItCannotDo()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, message);
        attachKnownBench();
        const Result r = runCli(args);
        QCOMPARE(r.code, 2);
        QVERIFY2(r.err.contains(message), r.err.constData());
        QCOMPARE(sim::bus().writeCount(supplyId), size_t(0));
    }

    // ------------------------------------------------------------------
    // power set and program

    // Each value goes out as the window's dials take it (rounded to 10 mV
    // and 1 mA), into the selected slot, and is read back from the supply.
    void setsTheSupplyAndReadsItBack_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("slot");
        QTest::addColumn<int>("voltageUnits");
        QTest::addColumn<int>("currentUnits");
        QTest::addColumn<bool>("output");
        QTest::newRow("4.35 V into M4, output on")
            << QStringList{"--voltage", "4.35", "--output", "on"} << 4 << 435 << 1000 << true;
        QTest::newRow("M2 with its own values, then 1.15 V 2.010 A")
            << QStringList{"--preset", "M2", "--voltage", "1.15", "--current", "2.010"} << 2 << 115
            << 2010 << true;
        QTest::newRow("rounded, not cut: 3.999 V, 0.0005 A")
            << QStringList{"--preset", "3", "--voltage", "3.999", "--current", "0.0005"} << 3 << 400
            << 1 << true;
        QTest::newRow("output off") << QStringList{"--output", "off"} << 4 << 1200 << 1000 << false;
    }
    void setsTheSupplyAndReadsItBack()
    {
        QFETCH(QStringList, args);
        QFETCH(int, slot);
        QFETCH(int, voltageUnits);
        QFETCH(int, currentUnits);
        QFETCH(bool, output);
        attachKnownBench();
        const Result r = runCli(QStringList{"power", "set"} + args);
        QCOMPARE(r.code, 0);
        const sim::PowerSupplyModel::State state = supply->state();
        QCOMPARE(int(state.selectedPreset), slot);
        QCOMPARE(int(supply->preset(slot).voltage10mV), voltageUnits);
        QCOMPARE(int(supply->preset(slot).currentMa), currentUnits);
        QCOMPARE(int(state.voltageSetpoint10mV), voltageUnits);
        QCOMPARE(state.outputOn, output);
        // What it prints is what the supply reported after taking them.
        QVERIFY2(r.out.contains(QStringLiteral("set_voltage_V   %1\n")
                                    .arg(voltageUnits / 100.0, 0, 'f', 2)
                                    .toLatin1()),
                 r.out.constData());
        QVERIFY(r.out.contains(QStringLiteral("preset          %1\n").arg(slot).toLatin1()));
    }

    void powerSetRefusesWhatItCannotDo_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("noSlot");
        QTest::addColumn<int>("code");
        QTest::newRow("above 30 V") << QStringList{"--voltage", "30.01"} << false << 2;
        QTest::newRow("not a number") << QStringList{"--current", "lots"} << false << 2;
        QTest::newRow("M7") << QStringList{"--preset", "M7"} << false << 2;
        QTest::newRow("a switch neither on nor off") << QStringList{"--ovp", "maybe"} << false << 2;
        QTest::newRow("a voltage with no slot selected")
            << QStringList{"--voltage", "5"} << true << 2;
    }
    void powerSetRefusesWhatItCannotDo()
    {
        QFETCH(QStringList, args);
        QFETCH(bool, noSlot);
        QFETCH(int, code);
        attachKnownBench();
        if (noSlot)
            supply->setSelectedPreset(0);
        const sim::PowerSupplyModel::State before = supply->state();
        const Result r = runCli(QStringList{"power", "set"} + args);
        QCOMPARE(r.code, code);
        QVERIFY(!r.err.isEmpty());
        QVERIFY(supply->state().presets == before.presets);
        QCOMPARE(supply->state().outputOn, before.outputOn);
    }

    // A supply that goes on reporting M4 at 12.00 V has not taken 5 V.
    void aSupplyThatDoesNotConfirmGivesFour()
    {
        attachKnownBench();
        supply->overrideU16(14, 1200); // M4's voltage in every answer
        const Result r = runCli({"power", "set", "--voltage", "5"});
        QCOMPARE(r.code, 4);
        QVERIFY2(r.err.contains("did not confirm"), r.err.constData());
    }

    // The sample program's steps reach the supply in order, each in the
    // selected slot with the output on, and the output is off at the end.
    void runsAProgramTable()
    {
        attachKnownBench();
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("steps.xls"));
        writeTable(file, "Volt(V)\tCurr(A)\tTime(S)\n5.00\t1.000\t0.3\n9.00\t0.500\t0.3\n"
                         "12.00\t0.800\t0.3\n");
        // The set-points, every 5 ms while the output is on.
        std::vector<std::pair<int, int>> seen;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            const sim::PowerSupplyModel::State state = supply->state();
            if (state.outputOn)
                seen.push_back({state.voltageSetpoint10mV, state.currentLimitMa});
        });
        watch.start(5);
        const Result r = runCli({QStringLiteral("power"), QStringLiteral("program"), file,
                                 QStringLiteral("--start"), QStringLiteral("2"),
                                 QStringLiteral("--times"), QStringLiteral("2")});
        watch.stop();
        QVERIFY2(r.code == 0, r.err.constData());
        QVERIFY(!supply->state().outputOn);
        // Rows 2 and 3, twice.
        const std::vector<std::pair<int, int>> expected = {{900, 500}, {1200, 800}};
        std::vector<std::pair<int, int>> distinct;
        for (const auto &s : seen) {
            if (distinct.empty() || distinct.back() != s)
                distinct.push_back(s);
        }
        QCOMPARE(int(distinct.size()), 4);
        for (int k = 0; k < 4; ++k)
            QVERIFY(distinct[k] == expected[k % 2]);
        QCOMPARE(int(supply->preset(4).voltage10mV), 1200);
        QVERIFY2(r.err.contains("step 2 (row 3): 12.00 V, 0.800 A for 0.3 s, pass 2 of 2"),
                 r.err.constData());
    }

    // An interrupt in the middle switches the output off, and the command
    // ends only once the supply says it is off.
    void anInterruptedProgramSwitchesTheOutputOff()
    {
        attachKnownBench();
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("long.xls"));
        writeTable(file, "Volt(V)\tCurr(A)\tTime(S)\n5.00\t1.000\t60.0\n");
        bool onBeforeInterrupt = false;
        later(500, [&] {
            onBeforeInterrupt = supply->state().outputOn;
            std::raise(SIGINT);
        });
        const Result r = runCli({QStringLiteral("power"), QStringLiteral("program"), file});
        QCOMPARE(r.code, 130);
        QVERIFY(onBeforeInterrupt);
        QVERIFY(!supply->state().outputOn);
    }

    void programFileErrors()
    {
        attachKnownBench();
        QCOMPARE(runCli({"power", "program", "/nonexistent/steps.xls"}).code, 5);
        QCOMPARE(runCli({"power", "program", "/dev/zero"}).code, 5); // not a regular file
        QTemporaryDir dir;
        const QString empty = dir.filePath(QStringLiteral("empty.xls"));
        writeTable(empty, "Volt(V)\tCurr(A)\tTime(S)\n");
        QCOMPARE(runCli({"power", "program", empty}).code, 5);
    }

    // ------------------------------------------------------------------
    // flash

    void flashesAnImage()
    {
        auto device = std::make_shared<sim::FirmwareModel>();
        sim::bus().attach(device);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("fw.bin"));
        QByteArray image(3000, '\0');
        for (int i = 0; i < image.size(); ++i)
            image[i] = char(i * 7 + 3);
        writeTable(file, image);
        const Result r = runCli({QStringLiteral("flash"), file});
        QCOMPARE(r.code, 0);
        const std::vector<std::uint8_t> received = device->image();
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(received.data()), int(received.size())),
                 image);
        QVERIFY(device->imageComplete());
        QVERIFY2(r.err.contains("flashing: 100 %"), r.err.constData());
    }

    void flashFailures_data()
    {
        QTest::addColumn<int>("setup"); // 0 none attached, 1 refuses, 2 goes away, 3 bad file
        QTest::addColumn<int>("code");
        QTest::newRow("no instrument in update mode") << 0 << 3;
        QTest::newRow("the instrument refuses the image") << 1 << 4;
        QTest::newRow("the instrument goes away") << 2 << 4;
        QTest::newRow("an image over 1 MiB") << 3 << 5;
    }
    void flashFailures()
    {
        QFETCH(int, setup);
        QFETCH(int, code);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("fw.bin"));
        writeTable(file, QByteArray(setup == 3 ? 1048577 : 500, 'x'));
        if (setup != 0) {
            auto device = std::make_shared<sim::FirmwareModel>();
            if (setup == 1)
                device->setBeginAnswer(0x00);
            if (setup == 2)
                device->vanishAtDataReport(3);
            sim::bus().attach(device);
        }
        QCOMPARE(runCli({QStringLiteral("flash"), file}).code, code);
    }

    // ------------------------------------------------------------------
    // usage

    void badUsageGivesTwo_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("nothing") << QStringList{};
        QTest::newRow("unknown command") << QStringList{"dance"};
        QTest::newRow("read nothing") << QStringList{"read"};
        QTest::newRow("read a kettle") << QStringList{"read", "kettle"};
        QTest::newRow("unknown option") << QStringList{"record", "meter", "--colour"};
        QTest::newRow("a rate the meter lacks") << QStringList{"record", "meter", "--rate", "50"};
        QTest::newRow("a duration that is not one")
            << QStringList{"record", "boot", "--duration", "soon"};
        QTest::newRow("negative samples") << QStringList{"record", "boot", "--samples", "-3"};
        QTest::newRow("a format") << QStringList{"record", "boot", "--format", "xml"};
        QTest::newRow("--device without a path") << QStringList{"list", "--device"};
        QTest::newRow("power nothing") << QStringList{"power"};
        QTest::newRow("a field that is not one")
            << QStringList{"read", "meter", "--field", "colour"};
    }
    void badUsageGivesTwo()
    {
        QFETCH(QStringList, args);
        attachKnownBench();
        const Result r = runCli(args);
        QCOMPARE(r.code, 2);
        QVERIFY(!r.err.isEmpty());
        QCOMPARE(r.out, QByteArray());
    }

    void noSuchInstrumentGivesThree_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("read, nothing plugged in") << QStringList{"read", "meter"};
        QTest::newRow("record, nothing plugged in") << QStringList{"record", "boot"};
        QTest::newRow("power set, nothing plugged in")
            << QStringList{"power", "set", "--output", "off"};
    }
    void noSuchInstrumentGivesThree()
    {
        QFETCH(QStringList, args);
        const Result r = runCli(args);
        QCOMPARE(r.code, 3);
        QVERIFY(r.err.contains("no "));
    }

    // Of two meters, --device and --serial take the one named.
    void picksOneOfSeveralByPathOrSerial()
    {
        auto first = std::make_shared<sim::MeterModel>();
        auto second = std::make_shared<sim::MeterModel>();
        first->setRawSamples(4000, 0);
        second->setRawSamples(8000, 0);
        sim::bus().attach(first);
        sim::bus().attach(second);
        const Result list = runCli({QStringLiteral("list"), QStringLiteral("--json")});
        const QJsonArray array = QJsonDocument::fromJson(list.out).array();
        QCOMPARE(array.size(), 2);
        const QString firstPath = array[0].toObject()["path"].toString();
        const QString secondSerial = array[1].toObject()["serial"].toString();
        const QStringList field = {"read", "meter", "--field", "voltage_V"};
        QCOMPARE(runCli(field).out, QByteArray("10.00000\n")); // the last listed
        QCOMPARE(runCli(QStringList{"--device", firstPath} + field).out, QByteArray("5.00000\n"));
        QCOMPARE(runCli(field + QStringList{"--serial", secondSerial}).out,
                 QByteArray("10.00000\n"));
        QCOMPARE(runCli(field + QStringList{"--serial", "nope"}).code, 3);
    }

    // An instrument that stops answering: the reading gives up with four.
    void anInstrumentThatDoesNotAnswerGivesFour()
    {
        attachKnownBench();
        sim::bus().setReadBehaviour(meterId, sim::ReadBehaviour::Timeout, 1000000);
        const Result r = runCli({QStringLiteral("read"), QStringLiteral("meter")});
        QCOMPARE(r.code, 4);
        QVERIFY2(r.err.contains("did not answer"), r.err.constData());
    }

private:
    QObject *pending = nullptr;

    // Runs `action` once the command's event loop has run for `ms`, within
    // this test.
    void later(int ms, std::function<void()> action)
    {
        if (!pending)
            pending = new QObject(this);
        QTimer::singleShot(ms, pending, std::move(action));
    }

    std::shared_ptr<sim::MeterModel> meter;
    std::shared_ptr<sim::PowerSupplyModel> supply;
    std::shared_ptr<sim::BootLineModel> bootLine;
    int meterId = -1;
    int supplyId = -1;
    int bootLineId = -1;

    void attachKnownBench()
    {
        meter = std::make_shared<sim::MeterModel>();
        meter->setRawSamples(4000, 2083);
        meter->setRawLines(745, 745, 2070, 5);
        supply = std::make_shared<sim::PowerSupplyModel>();
        supply->setLoad(20);
        supply->setPreset(4, {1200, 1000});
        supply->setSelectedPreset(4);
        supply->setOutput(true);
        bootLine = std::make_shared<sim::BootLineModel>();
        bootLine->setRaw(4200, 350, 900, 123);
        meterId = sim::bus().attach(meter);
        supplyId = sim::bus().attach(supply);
        bootLineId = sim::bus().attach(bootLine);
    }

    // The window recording the same simulated instrument for as many samples.
    QList<QByteArray> windowRecording(const QString &kind, const QString &rate, const QString &file,
                                      int samples)
    {
        testbench::Window w = testbench::makeWindow();
        attachKnownBench();
        w->discoverDevices();
        const Widget::Tool tool = kind == QLatin1String("meter")   ? Widget::Tool::Meter
                                  : kind == QLatin1String("power") ? Widget::Tool::PowerSupply
                                                                   : Widget::Tool::BootLine;
        const int rateIndex = QStringList{"1", "2", "10", "20", "40", "80", "100"}.indexOf(rate);
        w.ui().vcMeter_fpsComboBox->setCurrentIndex(rateIndex == 3 ? 4 : 3);
        w.ui().vcMeter_fpsComboBox->setCurrentIndex(rateIndex);
        if (tool == Widget::Tool::PowerSupply)
            w.ui().toolsStackedWidget->setCurrentIndex(Widget::PowerPage);
        if (tool == Widget::Tool::BootLine)
            w.ui().toolsStackedWidget->setCurrentIndex(Widget::BootLinePage);
        if (!w->startRecording(tool, file))
            return {};
        const char *slot = tool == Widget::Tool::Meter         ? "vcMeterTimerSlot"
                           : tool == Widget::Tool::PowerSupply ? "adjPowerChartProcess"
                                                               : "oneKeyLineChartProcess";
        for (int i = 0; i < 60 * samples && w->recordings[int(tool)]->sampleLines() < samples; ++i)
            w.invoke(slot);
        w->stopRecording(tool);
        QList<QByteArray> lines = fileText(file).split('\n');
        lines.removeLast();
        return lines;
    }

    void writeTable(const QString &path, const QByteArray &bytes)
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(file.write(bytes), qint64(bytes.size()));
    }
};

QTEST_MAIN(CliTest)
#include "tst_cli.moc"
