// Measuring a day: a 24-hour meter recording at 100 Sa/s (8 640 000 sample
// lines, written through the recording itself, five samples a report every
// 50 ms), then
//   - the recording file reader alone on it, in MB/s (target 100 MB/s);
//   - `quorvaline-cli stats` over the whole file, in this process (target
//     3 s);
//   - "Open recording…" of it into the window's meter chart: MB/s, and the
//     peak memory beyond the points and the series index it leaves;
//   - the readout of the measuring cursors over the whole 8.64 million
//     samples, from a cursor move to the readout's new text (median of 200
//     moves; target 30 ms);
//   - a drag of a cursor on that chart, from the mouse move to the redraw
//     that shows it, one move a frame (median of 40; target a frame at
//     60 Hz, 16.7 ms).
//
// Run with QT_QPA_PLATFORM=offscreen (./dev bench). Always exits 0: it is a
// measurement that prints its verdict, not a test.
#include "bench/benchsupport.h"
#include "charts/livechart.h"
#include "charts/measurecursors.h"
#include "cli/cli.h"
#include "engine/meterengine.h"
#include "files/recordingfile.h"
#include "recording/toolrecording.h"
#include "tests/support/testbench.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

using benchsupport::median;
using benchsupport::reportFigure;
using benchsupport::threadCpuSeconds;

namespace {

constexpr qint64 kReports = 24LL * 3600 * 20; // five samples every 50 ms
constexpr double kTargetReaderMBps = 100;
constexpr double kTargetStatsSeconds = 3;
constexpr double kTargetReadoutMs = 30;
constexpr double kTargetDragMs = 1000.0 / 60;
constexpr int kReadoutMoves = 200;
constexpr int kDragSteps = 40;

// A meter report of five samples: a phone charging, its current swinging
// slowly (raw values as the meter sends them).
void fillReport(quint8 *report, qint64 first)
{
    report[0] = 8;
    auto put = [report](int at, int raw) {
        report[at] = quint8(raw >> 8);
        report[at + 1] = quint8(raw & 0xFF);
    };
    for (int n = 0; n < 5; ++n) {
        const double t = double(first + n);
        const int amps = 2000 + int(1500 * std::sin(t * 0.00021)) + int((first + n) % 7);
        put(4 + 4 * n, 4080 - amps / 100 + int((first + n) % 3));
        put(6 + 4 * n, amps);
    }
    put(24, 750);
    put(26, 750);
    put(28, 2125);
    put(30, 5);
}

class CountingSink : public recordingfile::RowSink {
public:
    void sample(qint64, const double *values) override
    {
        sum += values[1];
        ++rows;
    }
    void gap(qint64) override { ++rows; }
    double sum = 0;
    qint64 rows = 0;
};

void sendMouse(QWidget *target, QEvent::Type type, const QPoint &pos, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, pos, target->mapToGlobal(pos), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    testbench::ModalCloser closeBoxes(250);
    QTemporaryDir dir(QDir::temp().filePath(QStringLiteral("bench_measure-XXXXXX")));
    const QString path = dir.filePath(QStringLiteral("meter-24h.csv"));

    std::printf("Measuring a 24-hour meter recording at 100 Sa/s\n");
    std::printf("  load average before: %s\n", benchsupport::loadAverage().constData());

    // The day, through the recording.
    {
        recording::ToolRecording meter(recording::Instrument::Meter);
        QString reason;
        if (!meter.start(path, &reason, QDateTime::currentMSecsSinceEpoch(), 0)) {
            std::printf("  cannot create %s: %s\n", qPrintable(path), qPrintable(reason));
            return 0;
        }
        quint8 report[64] = {};
        for (qint64 i = 1; i <= kReports; ++i) {
            const qint64 atUs = i * 50000;
            fillReport(report, (i - 1) * 5);
            meter.addMeterAnswer(meter::decodeAnswer(report, 100, atUs, atUs - 50000));
            if (i % 20000 == 0)
                meter.flushAndWait();
        }
        meter.stop();
        std::printf("  %lld sample lines\n", meter.sampleLines());
    }
    const double fileMB = QFileInfo(path).size() / 1e6;

    // The reader alone (the file in the page cache after the first pass).
    CountingSink warm;
    recordingfile::read(path, std::nullopt, {}, warm);
    CountingSink sink;
    QElapsedTimer wall;
    wall.start();
    double cpu = threadCpuSeconds();
    const recordingfile::Outcome read = recordingfile::read(path, std::nullopt, {}, sink);
    const double readerSeconds = wall.nsecsElapsed() / 1e9;
    const double readerCpu = threadCpuSeconds() - cpu;
    const double readerMBps = fileMB / readerCpu;
    std::printf("  file %.0f MB, %lld rows; reader alone %.2f s (%.2f s processor): %.0f MB/s of "
                "processor time, %.0f MB/s wall\n",
                fileMB, sink.rows, readerSeconds, readerCpu, readerMBps, fileMB / readerSeconds);

    // stats over the whole file, its output thrown away.
    std::fflush(stdout);
    const int savedOut = dup(1);
    const int devNull = open("/dev/null", O_WRONLY);
    dup2(devNull, 1);
    wall.restart();
    const double statsCpuStart = benchsupport::processCpuSeconds();
    const int statsCode = cli::run({QStringLiteral("stats"), path, QStringLiteral("--json")});
    const double statsSeconds = wall.nsecsElapsed() / 1e9;
    const double statsCpu = benchsupport::processCpuSeconds() - statsCpuStart;
    std::fflush(stdout);
    dup2(savedOut, 1);
    close(devNull);
    close(savedOut);
    std::printf("  stats over %lld rows: %.2f s (%.2f s processor), exit %d\n", sink.rows,
                statsSeconds, statsCpu, statsCode);

    // Open recording into the meter chart.
    testbench::Window w = testbench::makeWindow();
    w->resize(1162, 713);
    w->show();
    QCoreApplication::processEvents();
    benchsupport::resetPeakResident();
    const long long residentBefore = benchsupport::residentBytes();
    wall.restart();
    cpu = threadCpuSeconds();
    const bool opened = w->openRecording(Widget::Tool::Meter, path);
    const double openSeconds = wall.nsecsElapsed() / 1e9;
    const double openCpu = threadCpuSeconds() - cpu;
    const long long peak = benchsupport::peakResidentBytes();
    const LiveChartState &chart = *w->vcMeter;
    const qint64 points = chart.series.count();
    const double pointsMB = double(points) * 3 * sizeof(QCPGraphData) / 1e6;
    const double indexMB = chart.series.bytes() / 1e6;
    const double beyondMB = (peak - residentBefore) / 1e6 - pointsMB - indexMB;
    std::printf("  open recording: %s, %lld points in %.2f s (%.2f s processor), %.0f MB/s of "
                "processor time; peak memory %.0f MB over the %.0f MB of points and %.0f MB of "
                "series index\n",
                opened ? "opened" : "REFUSED", points, openSeconds, openCpu, fileMB / openCpu,
                beyondMB, pointsMB, indexMB);

    // The readout over the whole day: a cursor moved back and forth.
    QCustomPlot *plot = w.ui().Chart_Widget;
    plot->xAxis->setRange(double(points) - 10000, double(points));
    w->flushRedraws();
    QCoreApplication::processEvents();
    std::vector<double> readoutMs;
    double chargeMah = 0;
    if (opened && w->toggleMeasure(Widget::Tool::Meter)) {
        MeasureCursors *cursors = w->measureCursors(Widget::Tool::Meter);
        cursors->setIndex(0, 0);
        for (int i = 0; i < kReadoutMoves; ++i) {
            const qint64 target = points - 1 - (i % 2) * (1 + i % 4096);
            QElapsedTimer move;
            move.start();
            cursors->setIndex(1, target);
            const QString text = cursors->readout().clipboardText();
            readoutMs.push_back(move.nsecsElapsed() / 1e6);
            if (text.isEmpty())
                readoutMs.back() = 1e9;
        }
        cursors->setIndex(1, points - 1);
        chargeMah = cursors->measurement().chargeMah();
    }
    const double readout = readoutMs.empty() ? 1e9 : median(readoutMs);
    // The recording's own charge column on its last line, counted from its
    // first sample as the cursors over the whole day are.
    double recordedMah = 0;
    {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly) && file.seek(file.size() - 400)) {
            const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
            recordedMah = lines.last().split(',').value(9).toDouble();
        }
    }
    std::printf("  readout over %lld samples after a cursor move: median %.3f ms of %d (max "
                "%.3f ms); charge %.4f mAh, the recording's own column %.4f mAh (%+.5f %%)\n",
                points, readout, int(readoutMs.size()),
                readoutMs.empty() ? 0.0 : *std::max_element(readoutMs.begin(), readoutMs.end()),
                chargeMah, recordedMah, 100 * (chargeMah - recordedMah) / recordedMah);

    // A drag of cursor B at the right of the view, a move a frame.
    std::vector<double> dragMs;
    if (MeasureCursors *cursors = w->measureCursors(Widget::Tool::Meter)) {
        cursors->setIndex(1, points - 5000);
        w->flushRedraws();
        int redraws = 0;
        QObject::connect(plot, &QCustomPlot::afterReplot, [&redraws] { ++redraws; });
        const int y = plot->axisRect()->rect().center().y();
        QPoint at(int(std::lround(plot->xAxis->coordToPixel(double(points - 5000)))), y);
        sendMouse(plot, QEvent::MouseButtonPress, at, Qt::LeftButton);
        for (int step = 0; step < kDragSteps; ++step) {
            QElapsedTimer frame;
            frame.start();
            while (frame.elapsed() < 20)
                QCoreApplication::processEvents();
            const int before = redraws;
            at += QPoint(-4, 0);
            QElapsedTimer move;
            move.start();
            sendMouse(plot, QEvent::MouseMove, at, Qt::LeftButton);
            while (redraws == before && move.elapsed() < 2000)
                QCoreApplication::processEvents();
            dragMs.push_back(move.nsecsElapsed() / 1e6);
        }
        sendMouse(plot, QEvent::MouseButtonRelease, at, Qt::NoButton);
    }
    const double drag = dragMs.empty() ? 1e9 : median(dragMs);
    std::printf("  drag of a cursor, move to redraw: median %.2f ms of %d steps\n", drag,
                int(dragMs.size()));
    std::printf("  load average after: %s\n\n", benchsupport::loadAverage().constData());

    reportFigure(QStringLiteral("recording file reader on a 24 h meter recording (%1 MB): %2 MB/s")
                     .arg(fileMB, 0, 'f', 0)
                     .arg(readerMBps, 0, 'f', 0),
                 QStringLiteral(">= %1 MB/s").arg(kTargetReaderMBps),
                 read.ok() && sink.rows == 24LL * 3600 * 100 && readerMBps >= kTargetReaderMBps);
    reportFigure(
        QStringLiteral("quorvaline-cli stats over 8.64 M rows: %1 s").arg(statsSeconds, 0, 'f', 2),
        QStringLiteral("< %1 s").arg(kTargetStatsSeconds),
        statsCode == 0 && statsSeconds < kTargetStatsSeconds);
    reportFigure(QStringLiteral("open recording into the meter chart: %1 MB/s, %2 MB beyond the "
                                "points and index")
                     .arg(fileMB / openCpu, 0, 'f', 0)
                     .arg(beyondMB, 0, 'f', 0),
                 QStringLiteral(">= %1 MB/s").arg(kTargetReaderMBps),
                 opened && points == 24LL * 3600 * 100 && fileMB / openCpu >= kTargetReaderMBps);
    reportFigure(QStringLiteral("measuring cursors: readout over 8.64 M samples after a move: "
                                "%1 ms")
                     .arg(readout, 0, 'f', 3),
                 QStringLiteral("<= %1 ms").arg(kTargetReadoutMs), readout <= kTargetReadoutMs);
    const double agreement = 100 * std::fabs(chargeMah - recordedMah) / recordedMah;
    reportFigure(QStringLiteral("measuring cursors over the 24 h recording: charge %1 mAh against "
                                "its own column's %2 mAh (%3 %)")
                     .arg(chargeMah, 0, 'f', 4)
                     .arg(recordedMah, 0, 'f', 4)
                     .arg(agreement, 0, 'f', 5),
                 QStringLiteral("within 0.1 %"), recordedMah > 0 && agreement <= 0.1);
    reportFigure(QStringLiteral("measuring cursors: drag on the 24 h chart, move to redraw: %1 ms")
                     .arg(drag, 0, 'f', 2),
                 QStringLiteral("<= %1 ms (a frame at 60 Hz)").arg(kTargetDragMs, 0, 'f', 1),
                 drag <= kTargetDragMs);
    Q_UNUSED(argc)
    Q_UNUSED(argv)
    return 0;
}
