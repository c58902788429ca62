// The memory and time the window takes for the huge bad files a user may
// open: a GiB of digits without a comma or a line end (as a chart file and as
// a program table), a sparse GiB of zero bytes (read twice), a 100 MB line of
// values, a program table with a 100 MB row, and a sparse firmware image one
// byte over 1 MiB. The peak resident memory during
// each open is set against what the loaded points themselves take: a file
// that loads nothing may cost a few MB of reading buffers, one that loads
// points little more than the points.
//
// Run with QT_QPA_PLATFORM=offscreen (./dev bench). Always exits 0: it is a
// measurement that prints its verdict, not a test.
#include "bench/benchsupport.h"
#include "charts/livechart.h"
#include "tests/support/testbench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTableWidget>
#include <QTemporaryDir>

#include <cstdio>
#include <cstring>
#include <time.h>

namespace {

constexpr qint64 kGiB = qint64(1) << 30;
constexpr qint64 kHundredMB = 100 * 1000 * 1000;
constexpr double kMB = 1e6;
// Reading buffers and the like: what a file that loads nothing may cost.
constexpr double kTargetNothingMB = 16;

struct Measured {
    double wallSeconds = 0;
    double cpuSeconds = 0;
    double peakGrowthMB = 0;
};

// Runs `open` with the peak memory reset before it.
template <typename Open> Measured measure(Open open)
{
    benchsupport::resetPeakResident();
    const qint64 before = benchsupport::residentBytes();
    const double cpuBefore = benchsupport::processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    open();
    Measured m;
    m.wallSeconds = double(wall.nsecsElapsed()) / 1e9;
    m.cpuSeconds = benchsupport::processCpuSeconds() - cpuBefore;
    m.peakGrowthMB = double(benchsupport::peakResidentBytes() - before) / kMB;
    return m;
}

void print(const char *what, const Measured &m, double allowedMB, double pointsMB)
{
    std::printf("  %-44s %6.2f s wall %6.2f s cpu  peak +%7.1f MB (points %6.1f MB)  %s\n", what,
                m.wallSeconds, m.cpuSeconds, m.peakGrowthMB, pointsMB,
                m.peakGrowthMB <= allowedMB ? "within bound" : "OVER BOUND");
    benchsupport::reportFigure(QStringLiteral("bad file opened, %1: peak memory +%2 MB")
                                   .arg(QLatin1String(what))
                                   .arg(m.peakGrowthMB, 0, 'f', 1),
                               QStringLiteral("<= %1 MB").arg(allowedMB, 0, 'f', 0),
                               m.peakGrowthMB <= allowedMB);
}

int pointCount(const testbench::Window &w)
{
    return w->vcMeter->graphs[0]->dataCount();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    testbench::ModalCloser closeBoxes;
    QTemporaryDir dir;
    QString answer;
    testbench::Window w = testbench::makeWindow();
    w->fileDialogs.openFileName = [&](QWidget *, const QString &, const QString &,
                                      const QString &) { return answer; };
    if (!benchsupport::resetPeakResident()) {
        std::printf("bench_badfiles: the peak memory cannot be reset on this system\n");
        return 0;
    }
    std::printf("Huge bad files opened through the window (peak memory over the resident size "
                "before; a file that loads nothing: at most %.0f MB)\n",
                kTargetNothingMB);

    // A GiB of digits: one token that never ends, one line that never ends.
    answer = dir.filePath(QStringLiteral("digits.cts"));
    {
        QFile file(answer);
        const QByteArray block(1 << 20, '7');
        bool ok = file.open(QIODevice::WriteOnly) && file.write("vst,") == 4;
        for (qint64 left = kGiB; ok && left > 0; left -= block.size())
            ok = file.write(block) == block.size();
    }
    print("1 GiB of digits, chart file", measure([&] { w.ui().vcMeterChartOpenButton->click(); }),
          kTargetNothingMB, 0);
    print("1 GiB of digits, program table", measure([&] { w.ui().adjPowTableOpen->click(); }),
          kTargetNothingMB, 0);
    QFile::remove(answer);

    // A GiB of zero bytes in a sparse file: read twice, nothing loaded.
    answer = dir.filePath(QStringLiteral("zeros.cts"));
    {
        QFile file(answer);
        if (file.open(QIODevice::WriteOnly) && file.write("vst,") == 4)
            file.resize(kGiB);
    }
    print("1 GiB of zero bytes, sparse file",
          measure([&] { w.ui().vcMeterChartOpenButton->click(); }), kTargetNothingMB, 0);
    QFile::remove(answer);

    // A 100 MB line of values: every one is loaded.
    answer = dir.filePath(QStringLiteral("line.cts"));
    qint64 values = 0;
    {
        QFile file(answer);
        const QByteArray block = QByteArray("1.5000,").repeated(1 << 16);
        file.open(QIODevice::WriteOnly);
        file.write("vst,");
        for (qint64 written = 4; written + block.size() + 5 <= kHundredMB;
             written += block.size()) {
            file.write(block);
            values += 1 << 16;
        }
        file.write("vend,");
    }
    const int before = pointCount(w);
    const Measured line = measure([&] { w.ui().vcMeterChartOpenButton->click(); });
    const double pointsMB = double(pointCount(w) - before) * sizeof(QCPGraphData) / kMB;
    print("100 MB line of values", line, pointsMB * 1.1 + kTargetNothingMB, pointsMB);
    std::printf("    %lld values in the file, %d points added\n", values, pointCount(w) - before);
    QFile::remove(answer);

    // A program table whose first row goes on for 100 MB: three fields kept.
    answer = dir.filePath(QStringLiteral("table.xls"));
    {
        QFile file(answer);
        const QByteArray block = QByteArray("1.5\t").repeated(1 << 18);
        file.open(QIODevice::WriteOnly);
        file.write("Volt(V)\tCurr(A)\tTime(S)\t\n12.5\t1\t10\t");
        for (qint64 written = 0; written < kHundredMB; written += block.size())
            file.write(block);
        file.write("\n3\t0.5\t2\t\n");
    }
    print("program table with a 100 MB row", measure([&] { w.ui().adjPowTableOpen->click(); }),
          kTargetNothingMB, 0);
    std::printf("    %d rows in the table\n", w.ui().adjProgramTableWidget->rowCount());
    QFile::remove(answer);

    // A firmware image one byte over 1 MiB, sparse: refused before any read.
    answer = dir.filePath(QStringLiteral("image.bin"));
    {
        QFile file(answer);
        if (file.open(QIODevice::WriteOnly))
            file.resize((qint64(1) << 20) + 1);
    }
    print("firmware image of 1 MiB + 1 byte", measure([&] { w.ui().openFile->click(); }),
          kTargetNothingMB, 0);
    std::printf("  message boxes shown: %d\n", int(closeBoxes.boxes.size()));
    return 0;
}
