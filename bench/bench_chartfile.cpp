// Saving and loading a long meter recording as a chart data file, through the
// real window's save and open buttons, against a baseline that reads the file
// the plain way: one byte at a time with QFile::getChar, a QString per token,
// QString::toDouble, and one QCPGraph::addData call per point. All three are
// measured side by side in alternating rounds, so that machine noise hits
// them alike. Also measures the peak memory while loading against the
// memory the loaded graphs themselves take.
//
// Run with QT_QPA_PLATFORM=offscreen (./dev bench). Always exits 0: it is a
// measurement that prints its verdict, not a test.
#include "bench/benchsupport.h"
#include "charts/livechart.h"
#include "tests/support/testbench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QVector>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <time.h>
#include <vector>

using benchsupport::median;

namespace {

constexpr int kPoints = 1000000; // per series: 3 x 1 000 000 points
constexpr int kRounds = 3;
constexpr double kTargetLoadMBps = 100;
constexpr double kTargetSaveMBps = 100;
constexpr double kTargetSpeedUp = 4;
constexpr double kTargetExtraMB = 8; // "a few MB" over the graphs' own data

constexpr double kMB = 1e6;

struct LoadMemory {
    qint64 peakGrowth = 0; // VmHWM during the load minus VmRSS before it
    qint64 graphData = 0;  // heap taken by the graphs after the load
};

// The file read as plainly as it can be: byte by byte, a QString token, the
// section kept as a QString, QString::toDouble, one addData per point.
bool literalRead(const QString &fileName, QCPGraph *const graphs[3])
{
    if (fileName.isEmpty())
        return false;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QString token;
    QString section;
    const QString markers[6] = {QStringLiteral("vst"), QStringLiteral("vend"),
                                QStringLiteral("cst"), QStringLiteral("cend"),
                                QStringLiteral("pst"), QStringLiteral("pend")};
    char c = 0;
    while (file.getChar(&c)) {
        if (c != ',') {
            token.append(QChar(uchar(c)));
            continue;
        }
        if (std::find(std::begin(markers), std::end(markers), token) != std::end(markers)) {
            section = token;
        } else {
            int k = -1;
            if (section == markers[0])
                k = 0;
            else if (section == markers[2])
                k = 1;
            else if (section == markers[4])
                k = 2;
            else if (section == markers[5])
                break;
            if (k >= 0) {
                bool ok = false;
                double value = token.toDouble(&ok);
                if (!ok)
                    value = 0;
                graphs[k]->addData(graphs[k]->dataCount(), value);
            }
        }
        token.clear();
    }
    return true;
}

// Wall-clock time and the GUI thread's own processor time (user and system,
// so the kernel's share of reading and writing counts). On a machine shared
// with other work the two differ: the processor time is what the code costs.
struct Timing {
    std::vector<double> wall;
    std::vector<double> cpu;
};

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + now.tv_nsec / 1e9;
}

class Stopwatch {
public:
    Stopwatch() : m_cpuStart(threadCpuSeconds()) { m_wall.start(); }
    void stopInto(Timing &timing) const
    {
        timing.wall.push_back(m_wall.nsecsElapsed() / 1e9);
        timing.cpu.push_back(threadCpuSeconds() - m_cpuStart);
    }

private:
    QElapsedTimer m_wall;
    double m_cpuStart;
};

QByteArray loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().split(' ').mid(0, 3).join(' ') : "?";
}

const char *verdict(bool pass)
{
    return pass ? "PASS" : "FAIL";
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    testbench::ModalCloser closeBoxes; // a stray message box must not stop the run
    QTemporaryDir dir;
    const QString fileName = dir.filePath(QStringLiteral("recording.cts"));

    // The recording: a meter on a charging phone, values as the meter's
    // decoding gives them (1.25 mV and 0.48 mA steps).
    testbench::Window source = testbench::makeWindow();
    testbench::Window target = testbench::makeWindow();
    testbench::Window baseline = testbench::makeWindow();
    for (testbench::Window *w : {&source, &target, &baseline}) {
        (*w)->fileDialogs.saveFileName = [&](QWidget *, const QString &, const QString &,
                                             const QString &) { return fileName; };
        (*w)->fileDialogs.openFileName = [&](QWidget *, const QString &, const QString &,
                                             const QString &) { return fileName; };
    }
    {
        QVector<double> keys(kPoints);
        QVector<double> values[3] = {QVector<double>(kPoints), QVector<double>(kPoints),
                                     QVector<double>(kPoints)};
        for (int i = 0; i < kPoints; ++i) {
            keys[i] = i;
            const double volts = std::round(4080 + 40 * std::sin(i * 0.001)) * 1.25 / 1000;
            const double amps = std::round(3900 + 1500 * std::sin(i * 0.0002)) * 2.4 / 5 / 1000;
            values[0][i] = volts;
            values[1][i] = amps;
            values[2][i] = volts * amps;
        }
        for (int k = 0; k < 3; ++k)
            source->vcMeter->graphs[k]->addData(keys, values[k], true);
    }
    source->vcMeter->enoughData = true;

    Vc_Meter &loaded = *target->vcMeter;
    QCPGraph *const baselineGraphs[3] = {baseline->vcMeter->graphs[0], baseline->vcMeter->graphs[1],
                                         baseline->vcMeter->graphs[2]};

    const QByteArray loadBefore = loadAverage();
    Timing saveTiming, loadTiming, baselineTiming;
    LoadMemory loadMemory, baselineMemory;
    bool loadedRight = true;
    for (int round = 0; round < kRounds; ++round) {
        {
            const Stopwatch stopwatch;
            source.ui().vcMeterChartSaveButton->click();
            stopwatch.stopInto(saveTiming);
        }

        // Ours and the baseline, in turn first, each into empty graphs.
        for (int turn = 0; turn < 2; ++turn) {
            const bool ours = (turn + round) % 2 == 0;
            // Empty graphs: the chart clear keeps the containers' room, so let
            // it go too.
            testbench::Window &into = ours ? target : baseline;
            into.ui().vcMeterClrPushButton->click();
            for (int k = 0; k < 3; ++k)
                into->vcMeter->graphs[k]->data()->squeeze(true, true);
            malloc_trim(0);
            const qint64 heapBefore = benchsupport::heapInUseBytes();
            benchsupport::resetPeakResident();
            const qint64 residentBefore = benchsupport::residentBytes();
            const Stopwatch stopwatch;
            if (ours) {
                target.ui().vcMeterChartOpenButton->click();
            } else {
                literalRead(fileName, baselineGraphs);
                baseline.ui().Chart_Widget->replot(QCustomPlot::rpRefreshHint);
            }
            stopwatch.stopInto(ours ? loadTiming : baselineTiming);
            LoadMemory memory;
            memory.peakGrowth = benchsupport::peakResidentBytes() - residentBefore;
            memory.graphData = benchsupport::heapInUseBytes() - heapBefore;
            (ours ? loadMemory : baselineMemory) = memory;
        }

        // Both loads hold the same points: every value as the file gives it.
        for (int k = 0; k < 3; ++k) {
            const QCPGraphDataContainer &a = *loaded.graphs[k]->data();
            const QCPGraphDataContainer &b = *baselineGraphs[k]->data();
            loadedRight = loadedRight && a.size() == kPoints && b.size() == kPoints;
            for (int i = 0; loadedRight && i < kPoints; ++i) {
                loadedRight =
                    (a.constBegin() + i)->key == i && (b.constBegin() + i)->key == i &&
                    (a.constBegin() + i)->value == (b.constBegin() + i)->value &&
                    std::fabs((a.constBegin() + i)->value -
                              (source->vcMeter->graphs[k]->data()->constBegin() + i)->value) <=
                        0.00005 + 1e-12;
            }
        }
    }

    const double fileMB = QFileInfo(fileName).size() / kMB;
    struct Figures {
        double save, load, plain;
        double saveMBps() const { return kFileMB / save; }
        double loadMBps() const { return kFileMB / load; }
        double speedUp() const { return plain / load; }
        double kFileMB;
    };
    const Figures wall = {median(saveTiming.wall), median(loadTiming.wall),
                          median(baselineTiming.wall), fileMB};
    const Figures cpu = {median(saveTiming.cpu), median(loadTiming.cpu), median(baselineTiming.cpu),
                         fileMB};
    const double extraMB = (loadMemory.peakGrowth - loadMemory.graphData) / kMB;

    std::printf("Chart data file: meter chart of 3 x %d points, real window on the simulated bus\n",
                kPoints);
    std::printf("  file %.1f MB, %d rounds alternating our load and the baseline's, medians\n",
                fileMB, kRounds);
    std::printf("  load average before / after: %s / %s (2 cores shared with other work: wall\n"
                "  time includes waiting for a core, processor time does not)\n",
                loadBefore.constData(), loadAverage().constData());
    std::printf("  loaded points equal in both loads and within 0.00005 of the recording: %s\n\n",
                loadedRight ? "yes" : "NO");
    std::printf("  %-44s %9s %9s %9s %9s\n", "", "wall s", "MB/s", "cpu s", "MB/s");
    const auto row = [fileMB](const char *what, double wallSeconds, double cpuSeconds) {
        std::printf("  %-44s %9.3f %9.1f %9.3f %9.1f\n", what, wallSeconds, fileMB / wallSeconds,
                    cpuSeconds, fileMB / cpuSeconds);
    };
    row("save (button, QSaveFile, fixed-point writer)", wall.save, cpu.save);
    row("load into empty graphs (button)", wall.load, cpu.load);
    row("baseline load (getChar, QString, addData)", wall.plain, cpu.plain);
    std::printf("  load speed-up over the baseline: %.1f x wall, %.1f x cpu\n\n", wall.speedUp(),
                cpu.speedUp());

    std::printf("  memory while loading          %12s %16s %12s\n", "peak growth", "graphs' data",
                "difference");
    std::printf("  %-29s %9.1f MB %13.1f MB %9.1f MB\n", "load (button)",
                loadMemory.peakGrowth / kMB, loadMemory.graphData / kMB, extraMB);
    std::printf("  %-29s %9.1f MB %13.1f MB %9.1f MB\n", "baseline load",
                baselineMemory.peakGrowth / kMB, baselineMemory.graphData / kMB,
                (baselineMemory.peakGrowth - baselineMemory.graphData) / kMB);
    std::printf("  (peak growth: VmHWM during the load minus VmRSS before it; graphs' data: heap\n"
                "   in use after the load minus before it, reserved capacity included; the\n"
                "   points themselves are 3 x %d x %d bytes = %.1f MB)\n\n",
                kPoints, int(sizeof(QCPGraphData)), 3.0 * kPoints * sizeof(QCPGraphData) / kMB);

    std::printf("target: load >= %.0f MB/s: wall %s (%.1f MB/s), cpu %s (%.1f MB/s)\n",
                kTargetLoadMBps, verdict(wall.loadMBps() >= kTargetLoadMBps), wall.loadMBps(),
                verdict(cpu.loadMBps() >= kTargetLoadMBps), cpu.loadMBps());
    std::printf("target: load >= %.0f x the baseline: wall %s (%.1f x), cpu %s (%.1f x)\n",
                kTargetSpeedUp, verdict(wall.speedUp() >= kTargetSpeedUp), wall.speedUp(),
                verdict(cpu.speedUp() >= kTargetSpeedUp), cpu.speedUp());
    std::printf("target: save >= %.0f MB/s: wall %s (%.1f MB/s), cpu %s (%.1f MB/s)\n",
                kTargetSaveMBps, verdict(wall.saveMBps() >= kTargetSaveMBps), wall.saveMBps(),
                verdict(cpu.saveMBps() >= kTargetSaveMBps), cpu.saveMBps());
    std::printf("target: peak memory while loading <= graphs' data + %.0f MB: %s (+%.1f MB)\n",
                kTargetExtraMB, verdict(extraMB <= kTargetExtraMB), extraMB);

    // The table's verdicts go by processor time: the machine is shared.
    using benchsupport::reportFigure;
    reportFigure(QStringLiteral("chart data file load: %1 MB/s processor (%2 MB/s wall)")
                     .arg(cpu.loadMBps(), 0, 'f', 1)
                     .arg(wall.loadMBps(), 0, 'f', 1),
                 QStringLiteral(">= %1 MB/s").arg(kTargetLoadMBps),
                 loadedRight && cpu.loadMBps() >= kTargetLoadMBps);
    reportFigure(QStringLiteral("chart data file load vs the plain reading: %1 x processor (%2 x "
                                "wall)")
                     .arg(cpu.speedUp(), 0, 'f', 1)
                     .arg(wall.speedUp(), 0, 'f', 1),
                 QStringLiteral(">= %1 x").arg(kTargetSpeedUp),
                 loadedRight && cpu.speedUp() >= kTargetSpeedUp);
    reportFigure(QStringLiteral("chart data file save: %1 MB/s processor (%2 MB/s wall)")
                     .arg(cpu.saveMBps(), 0, 'f', 1)
                     .arg(wall.saveMBps(), 0, 'f', 1),
                 QStringLiteral(">= %1 MB/s").arg(kTargetSaveMBps),
                 cpu.saveMBps() >= kTargetSaveMBps);
    reportFigure(QStringLiteral("chart data file load, peak memory beyond the loaded points: "
                                "+%1 MB")
                     .arg(extraMB, 0, 'f', 1),
                 QStringLiteral("<= +%1 MB").arg(kTargetExtraMB), extraMB <= kTargetExtraMB);
    return 0;
}
