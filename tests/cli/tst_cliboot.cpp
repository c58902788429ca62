// `boot check`, `boot capture` and `boot reference` in this process against
// a simulated phone on the boot line: the exit codes, the verdict as text,
// JSON and JUnit, the offline check of a capture file, a capture's file, a
// reference made of capture files, and the usage errors.
#include "analysis/referencefile.h"
#include "demo/demobench.h"
#include "sim/simulator.h"
#include "tests/cli/clirun.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <cmath>

using clitest::Result;
using clitest::runCli;
using Phone = sim::BootLineModel::Phone;

namespace {

// The demo's reference cut to its first 3 s: PMU, boot loader, and the
// kernel's start (its loop phone resets at 2.6 s).
bootprofile::Reference threeSeconds()
{
    bootprofile::Reference r = *demo::demoReference();
    r.name = QStringLiteral("first three seconds");
    r.low.resize(300);
    r.high.resize(300);
    r.phases.resize(3);
    r.phases[2].toUs = 3000000;
    return r;
}

// A boot of the simulated phone as a boot line recording: 2 ms a line,
// the press on the fourth line.
QByteArray recordingOf(Phone phone, unsigned run, double seconds)
{
    QByteArray text =
        "time_utc,elapsed_s,voltage_V,current_A,peak_current_A,device_time_s,trigger,event\n";
    for (int i = 0; i * 0.002 <= seconds; ++i) {
        const double t = (i - 3) * 0.002;
        const double amps =
            i < 3 ? 0.0
                  : std::round(sim::BootLineModel::phoneCurrentAt(phone, run, t) * 1000) / 1000;
        text += "2024-05-01T10:00:00.000Z," + QByteArray::number(i * 0.002, 'f', 3) + ",4.000," +
                QByteArray::number(amps, 'f', 3) + ",0.000,0.0," + (i >= 3 ? "1" : "0") + ",\n";
    }
    return text;
}

QString writeText(const QTemporaryDir &dir, const char *name, const QByteArray &text)
{
    const QString path = dir.filePath(QLatin1String(name));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return QString();
    return path;
}

QJsonObject jsonOf(const Result &r)
{
    return QJsonDocument::fromJson(r.lines().join('\n')).object();
}

} // namespace

class CliBootTest : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        sim::bus().reset();
        QVERIFY(dir.isValid());
        reference = dir.filePath(QStringLiteral("three.json"));
        QVERIFY(bootprofile::writeFile(reference, threeSeconds(), nullptr));
        bootprofile::overrideLibraryFolder(dir.path());
        phone = std::make_shared<sim::BootLineModel>();
        phone->setPhone(Phone::Healthy);
    }
    void cleanup() { sim::bus().reset(); }

    // A healthy phone pressed for the hold time: PASS, exit code 0; the
    // trigger went with the first request and was let go after 0.2 s.
    void healthyPhonePasses()
    {
        const int id = sim::bus().attach(phone);
        const Result r = runCli(
            {"boot", "check", "--profile", "first three seconds", "--hold", "0.2s", "--json"});
        QCOMPARE(r.code, 0);
        const QJsonObject o = jsonOf(r);
        QCOMPARE(o["verdict"].toString(), QStringLiteral("pass"));
        QCOMPARE(o["text"].toString(), QStringLiteral("PASS"));
        QCOMPARE(o["reference"].toObject()["name"].toString(),
                 QStringLiteral("first three seconds"));
        QCOMPARE(o["reference"].toObject()["file"].toString(), QStringLiteral("three.json"));
        QCOMPARE(o["reference"].toObject()["length_s"].toDouble(), 3.0);
        QCOMPARE(o["capture"].toObject()["start"].toString(), QStringLiteral("trigger"));
        QCOMPARE(o["capture"].toObject()["covered_s"].toDouble(), 3.0);
        QCOMPARE(o["time_outside_s"].toDouble(), 0.0);
        QVERIFY(!o.contains("first_outside"));
        QCOMPARE(sim::bus().writes(id).front()[2], std::uint8_t(1));
        QCOMPARE(sim::bus().lastWrite(id)[2], std::uint8_t(0));
        QCOMPARE(phone->run(), sim::BootLineModel::kFirstPressRun);
    }

    // A phone that stops at the boot loader: FAIL in the kernel, exit code
    // 1, as text and as a JUnit report.
    void stuckPhoneFailsInTheKernel()
    {
        phone->setPhone(Phone::StopsAtBootLoader);
        sim::bus().attach(phone);
        const QString junit = dir.filePath(QStringLiteral("boot.xml"));
        const Result r = runCli({"boot", "check", "--profile", reference, "--junit", junit});
        QCOMPARE(r.code, 1);
        const QList<QByteArray> lines = r.lines();
        QCOMPARE(lines.size(), 6);
        QVERIFY2(lines[0].startsWith("FAIL at ") && lines[0].endsWith(" A (kernel)"),
                 lines[0].constData());
        QCOMPARE(lines[1], ("Reference: first three seconds (" + reference + "), 3.00 s").toUtf8());
        QVERIFY(lines[2].startsWith("Worst deviation: "));
        QVERIFY(lines[5].startsWith("Peak current: "));

        QFile file(junit);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        QMap<QString, QXmlStreamAttributes> elements;
        while (!xml.atEnd()) {
            if (xml.readNext() == QXmlStreamReader::StartElement)
                elements[xml.name().toString()] = xml.attributes();
        }
        QVERIFY(!xml.hasError());
        QCOMPARE(elements["testsuite"].value("tests").toString(), QStringLiteral("1"));
        QCOMPARE(elements["testsuite"].value("failures").toString(), QStringLiteral("1"));
        QCOMPARE(elements["testcase"].value("name").toString(),
                 QStringLiteral("first three seconds"));
        QCOMPARE(elements["failure"].value("message").toString().toUtf8(), lines[0]);
        QCOMPARE(elements["failure"].value("type").toString(), QStringLiteral("fail"));
    }

    // Offline, from capture files: the same verdicts without an instrument.
    void checksACaptureFile_data()
    {
        QTest::addColumn<int>("phone");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<QString>("phase");
        QTest::newRow("healthy") << int(Phone::Healthy) << 0 << "pass" << QString();
        QTest::newRow("short") << int(Phone::Short) << 1 << "fail"
                               << "PMU";
        QTest::newRow("never starts") << int(Phone::NeverStarts) << 1 << "fail"
                                      << "boot loader";
        QTest::newRow("boot loop") << int(Phone::BootLoop) << 1 << "fail"
                                   << "kernel";
    }
    void checksACaptureFile()
    {
        QFETCH(int, phone);
        QFETCH(int, code);
        QFETCH(QString, verdict);
        QFETCH(QString, phase);
        const QString capture = writeText(dir, "capture.csv", recordingOf(Phone(phone), 42, 3.1));
        const Result r =
            runCli({"boot", "check", "--profile", "three", "--input", capture, "--json"});
        QCOMPARE(r.code, code);
        const QJsonObject o = jsonOf(r);
        QCOMPARE(o["verdict"].toString(), verdict);
        QCOMPARE(o["first_outside"].toObject()["phase"].toString(), phase);
        // A recording that ends before the reference does is not a pass.
        const QString cut = writeText(dir, "cut.csv", recordingOf(Phone::Healthy, 42, 2.0));
        const Result early = runCli({"boot", "check", "--profile", "three", "--input", cut});
        QCOMPARE(early.code, 1);
        QVERIFY(early.lines().first().startsWith("INCOMPLETE: the capture ended at 1.99 s"));
    }

    // `boot capture`: a boot line recording from the press; `boot
    // reference`: a reference of captures, which a check then uses.
    void captureAndReference()
    {
        sim::bus().attach(phone);
        const QString captured = dir.filePath(QStringLiteral("captured.csv"));
        const Result capture =
            runCli({"boot", "capture", "--hold", "100ms", "--duration", "0.5s", "-o", captured});
        QCOMPARE(capture.code, 0);
        QFile file(captured);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
        QCOMPARE(lines[0], QByteArray("time_utc,elapsed_s,voltage_V,current_A,peak_current_A,"
                                      "device_time_s,trigger,event"));
        QVERIFY(lines.size() > 20);
        QVERIFY(lines[1].endsWith(",1,"));     // pressed from the first line
        QVERIFY(lines.last().endsWith(",0,")); // let go after 100 ms
        QVERIFY(lines.last().split(',')[1].toDouble() < 0.5);

        const QString a = writeText(dir, "a.csv", recordingOf(Phone::Healthy, 1, 1.0));
        const QString b = writeText(dir, "b.csv", recordingOf(Phone::Healthy, 2, 1.2));
        const QString made = dir.filePath(QStringLiteral("made.json"));
        const Result r = runCli({"boot",      "reference",   a,           b,
                                 "-o",        made,          "--name",    "bench A",
                                 "--model",   "QV-1",        "--abs-ma",  "20",
                                 "--rel-pct", "5",           "--time-ms", "30",
                                 "--phase",   "PMU=0-400ms", "--phase",   "boot loader=0.4-1",
                                 "--json"});
        QCOMPARE(r.code, 0);
        const QJsonObject o = jsonOf(r);
        QCOMPARE(o["name"].toString(), QStringLiteral("bench A"));
        QCOMPARE(o["captures"].toInt(), 2);
        QCOMPARE(o["length_s"].toDouble(), 0.99); // the shorter, a.csv's 0.994 s, in whole bins
        bootprofile::FileError error;
        const std::optional<bootprofile::Reference> back = bootprofile::readFile(made, &error);
        QVERIFY(back);
        QCOMPARE(back->model, QStringLiteral("QV-1"));
        QCOMPARE(back->tolerance.absMilliamps, 20.0);
        QCOMPARE(back->tolerance.relPercent, 5.0);
        QCOMPARE(back->tolerance.timeMs, 30.0);
        QCOMPARE(back->phases.size(), 2);
        QCOMPARE(back->phases[1].name, QStringLiteral("boot loader"));
        QCOMPARE(back->phases[1].fromUs, qint64(400000));
        QCOMPARE(back->phases[1].toUs, qint64(1000000));
        const Result check = runCli({"boot", "check", "--profile", made, "--input", b});
        QCOMPARE(check.code, 0);
    }

    void errors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("boot alone") << QStringList{"boot"} << 2 << "boot what?";
        QTest::newRow("no profile") << QStringList{"boot", "check"} << 2 << "needs --profile";
        QTest::newRow("unknown profile") << QStringList{"boot", "check", "--profile", "nothing"}
                                         << 5 << "no reference named 'nothing'";
        QTest::newRow("bad hold") << QStringList{"boot",  "check",  "--profile",
                                                 "three", "--hold", "x"}
                                  << 2 << "--hold";
        QTest::newRow("bad threshold")
            << QStringList{"boot", "check", "--profile", "three", "--threshold", "-1"} << 2
            << "--threshold";
        QTest::newRow("no boot line")
            << QStringList{"boot", "check", "--profile", "three"} << 3 << "";
        QTest::newRow("missing input")
            << QStringList{"boot", "check", "--profile", "three", "--input", "/nonexistent.csv"}
            << 5 << "cannot check /nonexistent.csv";
        QTest::newRow("capture without -o") << QStringList{"boot", "capture"} << 2 << "needs -o";
        QTest::newRow("reference without -o")
            << QStringList{"boot", "reference", "x.csv"} << 2 << "needs -o";
        QTest::newRow("reference of nothing")
            << QStringList{"boot", "reference", "/nonexistent.csv", "-o", "/tmp/x.json"} << 5
            << "cannot use /nonexistent.csv";
        QTest::newRow("bad phase")
            << QStringList{"boot", "reference", "x.csv", "-o", "y.json", "--phase", "kernel=2-1"}
            << 2 << "--phase";
        QTest::newRow("bad tolerance")
            << QStringList{"boot", "reference", "x.csv", "-o", "y.json", "--rel-pct", "abc"} << 2
            << "--rel-pct";
    }
    void errors()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, message);
        const Result r = runCli(args);
        QCOMPARE(r.code, code);
        QVERIFY2(r.err.contains(message.toUtf8()), r.err.constData());
    }

    // A damaged reference file is refused with its reason.
    void damagedReference()
    {
        const QString damaged = writeText(dir, "damaged.json", "{\"format\": 3}");
        const Result r = runCli({"boot", "check", "--profile", damaged, "--input", damaged});
        QCOMPARE(r.code, 5);
        QVERIFY2(r.err.contains("it is not a boot reference"), r.err.constData());
    }

private:
    QTemporaryDir dir;
    QString reference;
    std::shared_ptr<sim::BootLineModel> phone;
};

QTEST_GUILESS_MAIN(CliBootTest)
#include "tst_cliboot.moc"
