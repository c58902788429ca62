// Reading program table files that no table could hold: a single line of
// 100 MB and a file of 1 GiB, read by the table file reader against the plain
// way (QTextStream::readLine, which holds a whole line), with the time and the
// peak memory each takes. The bytes come from a device that makes them up as
// they are read, so no file of that size is held or written. Also the time a
// file of the largest table (9999 rows) takes through the window's open
// button, while the window does nothing else.
//
// Run with QT_QPA_PLATFORM=offscreen (./dev bench). Always exits 0: it is a
// measurement that prints its verdict, not a test.
#include "bench/benchsupport.h"
#include "files/programtable.h"
#include "tests/support/filedialogs.h"
#include "tests/support/testbench.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr double kMB = 1e6;
constexpr qint64 kLongLine = 100 * 1000 * 1000; // one line of 100 MB
constexpr qint64 kGiB = qint64(1) << 30;
constexpr double kTargetPeakMB = 16; // bounded: a few pieces, whatever the file

// `size` bytes of `line` repeated, made up as they are read.
class PatternDevice : public QIODevice {
public:
    PatternDevice(const QByteArray &line, qint64 size) : m_line(line), m_size(size)
    {
        open(QIODevice::ReadOnly);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 n = std::min(maxSize, m_size - m_at);
        for (qint64 done = 0; done < n;) {
            const qint64 offset = (m_at + done) % m_line.size();
            const qint64 chunk = std::min(n - done, qint64(m_line.size()) - offset);
            std::memcpy(data + done, m_line.constData() + offset, size_t(chunk));
            done += chunk;
        }
        m_at += n;
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_line;
    qint64 m_size;
    qint64 m_at = 0;
};

struct Figures {
    double seconds = 0;
    qint64 peakGrowth = 0; // VmHWM during the read minus VmRSS before it
    QString outcome;
};

template <typename Read> Figures measure(Read read)
{
    Figures figures;
    benchsupport::resetPeakResident();
    const qint64 before = benchsupport::residentBytes();
    QElapsedTimer clock;
    clock.start();
    figures.outcome = read();
    figures.seconds = clock.nsecsElapsed() / 1e9;
    figures.peakGrowth = benchsupport::peakResidentBytes() - before;
    return figures;
}

QString describe(const programtable::ReadResult &result)
{
    return QStringLiteral("%1 rows, first title %2 characters%3")
        .arg(result.table.rows.size())
        .arg(result.table.header.value(0).size())
        .arg(result.truncated ? QStringLiteral(", more rows left unread") : QString());
}

void print(const char *what, qint64 bytes, const Figures &figures)
{
    std::printf("  %-34s %8.2f s  %8.1f MB/s  peak memory +%7.1f MB  (%s)\n", what, figures.seconds,
                bytes / kMB / figures.seconds, figures.peakGrowth / kMB,
                qPrintable(figures.outcome));
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    std::printf("Program table files that no table could hold\n");

    // One line of 100 MB: the header line of a file without line ends.
    const QByteArray letters("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    const Figures longLine = measure([&] {
        PatternDevice device(letters, kLongLine);
        return describe(programtable::read(device));
    });
    const Figures longLineBaseline = measure([&] {
        PatternDevice device(letters, kLongLine);
        QTextStream in(&device);
        const QString line = in.readLine();
        return QStringLiteral("a line of %1 characters").arg(line.size());
    });
    std::printf("one line of 100 MB:\n");
    print("table file reader", kLongLine, longLine);
    print("QTextStream::readLine", kLongLine, longLineBaseline);

    // 1 GiB in 9999 rows of about 107 kB: every byte is read.
    const QByteArray row = "12.5\t1\t10" + QByteArray(int(kGiB / 9999) - 10, '\t') + '\n';
    const Figures gib = measure([&] {
        PatternDevice device(row, kGiB);
        return describe(programtable::read(device));
    });
    std::printf("1 GiB in 9999 rows:\n");
    print("table file reader", kGiB, gib);

    // The largest table through the window's open button.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("largest.xls"));
    {
        QFile file(path);
        QByteArray content("Volt(V)\tCurr(A)\tTime(S)\t\n");
        for (int i = 0; i < programtable::kMaxRows; ++i)
            content += QByteArray::number(i % 3000 / 100.0, 'f', 2) + "\t1.000\t1.0\t\n";
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            std::printf("cannot write %s\n", qPrintable(path));
    }
    testbench::ModalCloser boxes;
    testbench::Window w = testbench::makeWindow();
    testbench::AnsweredDialogs dialogs;
    dialogs.answer(*w.widget);
    dialogs.openAnswer = path;
    QElapsedTimer clock;
    clock.start();
    w.ui().adjPowTableOpen->click();
    const double openSeconds = clock.nsecsElapsed() / 1e9;
    std::printf(
        "9999 rows through the window's open button: %.2f s (%d rows, last %s)\n", openSeconds,
        w.ui().adjProgramTableWidget->rowCount(),
        qPrintable(w.ui().adjProgramTableWidget->item(programtable::kMaxRows - 1, 0)->text()));

    const bool bounded =
        longLine.peakGrowth / kMB < kTargetPeakMB && gib.peakGrowth / kMB < kTargetPeakMB;
    std::printf("verdict: the reader's peak memory %s %.0f MB for a 100 MB line and a 1 GiB "
                "file (%.1f and %.1f MB); readLine takes %.0f times the reader's for the line\n",
                bounded ? "stays under" : "EXCEEDS", kTargetPeakMB, longLine.peakGrowth / kMB,
                gib.peakGrowth / kMB,
                double(longLineBaseline.peakGrowth) / std::max<qint64>(longLine.peakGrowth, 1));
    benchsupport::reportFigure(
        QStringLiteral(
            "program table reader, peak memory on a 100 MB line: +%1 MB (readLine: +%2 MB)")
            .arg(longLine.peakGrowth / kMB, 0, 'f', 1)
            .arg(longLineBaseline.peakGrowth / kMB, 0, 'f', 1),
        QStringLiteral("< %1 MB").arg(kTargetPeakMB, 0, 'f', 0),
        longLine.peakGrowth / kMB < kTargetPeakMB);
    benchsupport::reportFigure(
        QStringLiteral("program table reader, peak memory on 1 GiB in 9999 rows: +%1 MB")
            .arg(gib.peakGrowth / kMB, 0, 'f', 1),
        QStringLiteral("< %1 MB").arg(kTargetPeakMB, 0, 'f', 0),
        gib.peakGrowth / kMB < kTargetPeakMB);
    return 0;
}
