// Recording to CSV files: what it costs and what it makes.
//
// 1. The boot line polled at its full rate (the 2 ms precise timer, the
//    simulated boot line answering at once) through the real window, with
//    recording to disk off and on in alternating one-second blocks, side by
//    side. Measured: the processor time of this whole process (the GUI thread,
//    the writer thread and the rest), per second of wall-clock time and per
//    poll (the median of the block pairs' difference). Once with the window not
//    shown and the chart paused (the poll and the recording only), once on
//    screen with the chart running (painting makes that one noisy). Then the
//    recording alone, without the window, per line. Target: recording adds at
//    most 2 % of one core.
// 2. A 24-hour meter recording at 100 Sa/s, written through the recording
//    itself with the times a poll every 40 ms gives (25 reports of five
//    samples a second: 10.8 million lines): its size, and how long pandas
//    takes to read it (Python's csv module when pandas is missing; the run
//    says which).
//
// Run with QT_QPA_PLATFORM=offscreen (./dev bench). Always exits 0: it is a
// measurement that prints its verdict, not a test.
#include "bench/benchsupport.h"
#include "engine/bootlineengine.h"
#include "engine/meterengine.h"
#include "recording/toolrecording.h"
#include "tools/bootline/bootlinereport.h"
#include "tests/support/testbench.h"

#include <QApplication>
#include <QDir>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

constexpr int kBlockMs = 1000;
constexpr int kRounds = 10; // blocks of each mode per case
constexpr double kTargetPercentOfCore = 2.0;

double processCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

struct Block {
    double cpuSeconds = 0;
    double wallSeconds = 0;
    int polls = 0;
};

struct Totals {
    double cpuSeconds = 0;
    double wallSeconds = 0;
    long long polls = 0;
    void add(const Block &block)
    {
        cpuSeconds += block.cpuSeconds;
        wallSeconds += block.wallSeconds;
        polls += block.polls;
    }
    double percentOfCore() const { return 100.0 * cpuSeconds / wallSeconds; }
    double microsPerPoll() const { return 1e6 * cpuSeconds / double(polls); }
    double pollsPerSecond() const { return double(polls) / wallSeconds; }
};

// Lets the event loop run the window's timers for one block.
Block runBlock(const sim::BootLineModel &model)
{
    const int pollsBefore = model.requestCount();
    const double cpuBefore = processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    // An event loop that sleeps between events, as the program's does.
    QEventLoop loop;
    QTimer::singleShot(kBlockMs, &loop, &QEventLoop::quit);
    loop.exec();
    Block block;
    block.wallSeconds = wall.nsecsElapsed() / 1e9;
    block.cpuSeconds = processCpuSeconds() - cpuBefore;
    block.polls = model.requestCount() - pollsBefore;
    return block;
}

void measureBootLine(bool onScreen, bool chartRunning)
{
    testbench::Window w = testbench::makeWindow();
    auto model = std::make_shared<sim::BootLineModel>();
    model->setRaw(4000, 250, 900, 100);
    sim::bus().attach(model);
    w->resize(1162, 713);
    if (onScreen)
        w->show();
    w->discoverDevices();
    w->toolButtons()[Widget::BootLinePage]->click();
    if (chartRunning != w->oneKeyLine->chartRunning)
        w.ui().oneKeyLineChartSwitch->click();
    w->oneKeyLine->pollTimer->start(2);
    w->displayTimer->start(100);

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bootline.csv"));
    runBlock(*model); // warm-up
    Totals off, on;
    std::vector<double> addedMicros; // per round: on minus off, per poll
    long long lines = 0;
    for (int round = 0; round < kRounds; ++round) {
        Block blocks[2];
        // Alternate which mode goes first, so that drifts hit both alike.
        for (int k = 0; k < 2; ++k) {
            const bool record = (round + k) % 2 == 1;
            if (record)
                w->startRecording(Widget::Tool::BootLine, file);
            blocks[record] = runBlock(*model);
            if (record) {
                lines += w->recordings[int(Widget::Tool::BootLine)]->sampleLines();
                w->stopRecording(Widget::Tool::BootLine);
            }
        }
        off.add(blocks[0]);
        on.add(blocks[1]);
        addedMicros.push_back(1e6 * (blocks[1].cpuSeconds / blocks[1].polls -
                                     blocks[0].cpuSeconds / blocks[0].polls));
    }
    w->oneKeyLine->pollTimer->stop();
    w->displayTimer->stop();

    std::sort(addedMicros.begin(), addedMicros.end());
    const double medianAdded = (addedMicros[kRounds / 2 - 1] + addedMicros[kRounds / 2]) / 2;
    const double added = medianAdded * on.pollsPerSecond() / 1e4;
    std::printf("  %s, chart %s:\n",
                onScreen ? "window on screen" : "window not shown (no painting)",
                chartRunning ? "running" : "paused");
    std::printf("  %-16s  recording off: %6.0f polls/s  %6.1f %% of a core  %7.1f us/poll\n", "",
                off.pollsPerSecond(), off.percentOfCore(), off.microsPerPoll());
    std::printf("  %-16s  recording on:  %6.0f polls/s  %6.1f %% of a core  %7.1f us/poll"
                "  (%lld lines, %.0f lines/s)\n",
                "", on.pollsPerSecond(), on.percentOfCore(), on.microsPerPoll(), lines,
                double(lines) / on.wallSeconds);
    std::printf("  %-16s  added per poll, median of %d pairs: %+.1f us (pairs %+.1f … %+.1f);"
                " at %.0f polls/s %+.2f %% of a core -> %s (target <= %.0f %%)\n",
                "", kRounds, medianAdded, addedMicros.front(), addedMicros.back(),
                on.pollsPerSecond(), added, added <= kTargetPercentOfCore ? "PASS" : "FAIL",
                kTargetPercentOfCore);
    benchsupport::reportFigure(
        QStringLiteral("boot line recording to CSV, %1, chart %2: %3 % of a core added")
            .arg(onScreen ? QStringLiteral("window shown") : QStringLiteral("window not shown"),
                 chartRunning ? QStringLiteral("running") : QStringLiteral("paused"))
            .arg(added, 0, 'f', 2),
        QStringLiteral("<= %1 % of a core").arg(kTargetPercentOfCore, 0, 'f', 0),
        added <= kTargetPercentOfCore);
}

// The recording alone, without the window: processor time of the whole
// process (the lines made on this thread, the writer thread writing them) per
// boot line answer, and what that is at the full rate of 500 answers a second.
double measureRecordingAlone()
{
    constexpr int kLines = 500000;
    QTemporaryDir dir;
    recording::ToolRecording line(recording::Instrument::BootLine);
    QString reason;
    if (!line.start(dir.filePath(QStringLiteral("bootline.csv")), &reason,
                    QDateTime::currentMSecsSinceEpoch(), 0))
        return -1;
    bootline::Answer answer;
    bootline::Reading &reading = answer.reading;
    reading.volts = 4.0;
    reading.peakAmps = 0.9;
    const double cpuBefore = processCpuSeconds();
    for (int i = 1; i <= kLines; ++i) {
        reading.amps = 0.05 + 0.001 * (i % 500);
        reading.tenths = quint16(i / 50);
        answer.sample = {qint64(i) * 2000, reading.volts, reading.amps,
                         reading.volts * reading.amps};
        line.addBootLineAnswer(answer);
        if (i % 50000 == 0)
            line.flushAndWait();
    }
    line.stop();
    const double microsPerLine = 1e6 * (processCpuSeconds() - cpuBefore) / kLines;
    const double percent = microsPerLine * 500 / 1e4;
    std::printf("  the recording alone: %.2f us of processor time per line; at 500 lines/s"
                " %.2f %% of a core -> %s (target <= %.0f %%)\n",
                microsPerLine, percent, percent <= kTargetPercentOfCore ? "PASS" : "FAIL",
                kTargetPercentOfCore);
    benchsupport::reportFigure(
        QStringLiteral("boot line recording alone, 500 lines/s: %1 % of a core")
            .arg(percent, 0, 'f', 2),
        QStringLiteral("<= %1 % of a core").arg(kTargetPercentOfCore, 0, 'f', 0),
        percent <= kTargetPercentOfCore);
    return percent;
}

// A meter report of five samples: a phone charging, as the simulator has it.
void fillReport(quint8 *report, double seconds)
{
    report[0] = 8;
    auto put = [report](int at, std::uint16_t raw) {
        report[at] = quint8(raw >> 8);
        report[at + 1] = quint8(raw & 0xFF);
    };
    for (int n = 0; n < 5; ++n) {
        const sim::MeterModel::Sample sample =
            sim::MeterModel::phoneChargingAt(seconds - (4 - n) * 0.01, 7);
        put(4 + 4 * n, sim::MeterModel::voltsToRaw(sample.volts));
        put(6 + 4 * n, sim::MeterModel::ampsToRaw(sample.amps));
    }
    put(24, sim::MeterModel::lineVoltsToRaw(0.6));
    put(26, sim::MeterModel::lineVoltsToRaw(0.6));
    put(28, sim::MeterModel::lineVoltsToRaw(1.7));
    put(30, sim::MeterModel::lineVoltsToRaw(0.004));
}

void readWithPython(const QString &path);

void measureDayOfMeter()
{
    constexpr qint64 kReports = 24LL * 3600 * 25; // one every 40 ms
    QTemporaryDir dir(QDir::temp().filePath(QStringLiteral("bench_recording-XXXXXX")));
    const QString path = dir.filePath(QStringLiteral("meter-24h.csv"));
    recording::ToolRecording meter(recording::Instrument::Meter);
    QString reason;
    if (!meter.start(path, &reason, QDateTime::currentMSecsSinceEpoch(), 0)) {
        std::printf("  cannot create %s: %s\n", qPrintable(path), qPrintable(reason));
        return;
    }
    QElapsedTimer writing;
    writing.start();
    quint8 report[64] = {};
    for (qint64 i = 1; i <= kReports; ++i) {
        const qint64 atUs = i * 40000;
        fillReport(report, double(atUs) / 1e6);
        meter.addMeterAnswer(meter::decodeAnswer(report, 100, atUs, atUs - 40000));
        if (i % 25000 == 0)
            meter.flushAndWait(); // keeps the batches waiting for the disk few
    }
    meter.stop();
    const double writeSeconds = writing.nsecsElapsed() / 1e9;
    const qint64 bytes = QFileInfo(path).size();
    const qint64 lines = meter.sampleLines();
    std::printf("  24 h at 100 Sa/s: %lld lines, %lld bytes (%.2f GiB, %.1f bytes a line),"
                " written in %.1f s\n",
                lines, bytes, bytes / 1073741824.0, double(bytes) / double(lines + 1),
                writeSeconds);

    readWithPython(path);
}

// The first Python that has pandas: the one on the path, or the system's
// (where a Python of one's own comes first on the path).
QString pythonWithPandas()
{
    for (const QString &python : {QStringLiteral("python3"), QStringLiteral("/usr/bin/python3")}) {
        QProcess probe;
        probe.start(python, {QStringLiteral("-c"), QStringLiteral("import pandas")});
        if (probe.waitForFinished(60000) && probe.exitStatus() == QProcess::NormalExit &&
            probe.exitCode() == 0)
            return python;
    }
    return QString();
}

void readWithPython(const QString &path)
{
    const QString python = pythonWithPandas();
    const QString pandasScript = QStringLiteral(
        "import sys, time, pandas\n"
        "start = time.perf_counter()\n"
        "frame = pandas.read_csv(sys.argv[1])\n"
        "took = time.perf_counter() - start\n"
        "print('pandas %s read %d rows x %d columns in %.1f s' % (pandas.__version__,"
        " len(frame), len(frame.columns), took))\n");
    const QString csvScript = QStringLiteral(
        "import sys, time, csv\n"
        "start = time.perf_counter()\n"
        "with open(sys.argv[1], newline='') as f:\n"
        "    rows = sum(1 for _ in csv.reader(f))\n"
        "took = time.perf_counter() - start\n"
        "print('pandas is not installed: Python\\'s csv module read %d rows in %.1f s' %"
        " (rows, took))\n");
    QProcess reader;
    reader.setProcessChannelMode(QProcess::MergedChannels);
    reader.start(python.isEmpty() ? QStringLiteral("python3") : python,
                 {QStringLiteral("-c"), python.isEmpty() ? csvScript : pandasScript, path});
    if (!reader.waitForStarted() || !reader.waitForFinished(-1)) {
        std::printf("  python3 could not be run: the file was not read back\n");
        return;
    }
    std::printf("  %s", reader.readAll().constData());
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    testbench::ModalCloser closeBoxes; // a stray message box must not stop the run

    std::printf("Recording the boot line at its full rate: processor time of this process,"
                " %d blocks of %d ms per mode, alternating\n",
                kRounds, kBlockMs);
    measureBootLine(false, false);
    measureBootLine(true, true);
    measureRecordingAlone();
    std::printf("\nA day of meter recording\n");
    measureDayOfMeter();
    return 0;
}
