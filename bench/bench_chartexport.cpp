// A chart picture exported while the boot line charts at its full rate: how
// long the GUI thread is held up. The figure is the longest gap between two
// runs of the boot line's 2 ms poll timer from the start of an export to the
// end of its writing; every other timer of the window waits as long.
//
// Two ways side by side in one run, alternating round by round:
//  - before: the picture built and written at once on the GUI thread with
//    QCustomPlot's own savePng / savePdf, as the export did;
//  - after:  the window's export, which records the picture on the GUI
//    thread and draws and writes it on the picture writer's thread.
// For the print-size PNG (an A4 page at 300 dpi, 3508 x 2479 pixels), the
// chart-size PNG and the print-size PDF, each from the boot line's chart
// holding 10 000 samples and showing them all. The longest gap while the
// boot line charts with no export at all is printed beside them: what the
// machine's own scheduling gives.
//
// Run with QT_QPA_PLATFORM=offscreen (./dev bench). Always exits 0: it is a
// measurement that prints its verdict, not a test.
#include "bench/benchsupport.h"
#include "charts/chartexport.h"
#include "charts/livechart.h"
#include "tests/support/filedialogs.h"
#include "tests/support/testbench.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <QVector>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

using benchsupport::median;
using benchsupport::reportFigure;
using Tool = Widget::Tool;

namespace {

constexpr int kSamples = 10000;
constexpr int kRounds = 5;
// Target: the longest hold-up of the GUI thread in a print-size PNG export,
// after: three frames of a 60 Hz display.
constexpr double kTargetBlockMs = 50;

struct Case {
    const char *name;
    const char *filter; // the export dialog's file type
    const char *file;
    chartexport::Options options;
};

const Case kCases[] = {
    {"PNG, print size (3508 x 2479), light",
     "PNG，打印尺寸，浅色 (*.png)",
     "print.png",
     {chartexport::Format::Png, chartexport::Size::Print, chartexport::Theme::Light}},
    {"PNG, chart size, dark",
     "PNG，图表大小，深色 (*.png)",
     "chart.png",
     {chartexport::Format::Png, chartexport::Size::OnScreen, chartexport::Theme::Dark}},
    {"PDF, print size, light",
     "PDF，打印尺寸，浅色 (*.pdf)",
     "print.pdf",
     {chartexport::Format::Pdf, chartexport::Size::Print, chartexport::Theme::Light}},
};

void runEventsFor(int milliseconds)
{
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// The times of the poll timer's runs, on one clock.
struct PollTimes {
    QElapsedTimer clock;
    std::vector<qint64> runs; // nanoseconds

    qint64 now() const { return clock.nsecsElapsed(); }
    // The longest gap between two runs that has a part in [from, to]: from
    // the last run at or before `from` to the first at or after `to`.
    double longestGapMs(qint64 from, qint64 to) const
    {
        qint64 longest = 0;
        for (size_t i = 1; i < runs.size(); ++i) {
            if (runs[i] < from || runs[i - 1] > to)
                continue;
            longest = std::max(longest, runs[i] - runs[i - 1]);
        }
        return longest / 1e6;
    }
};

struct Measured {
    double blockMs = 0; // longest gap between two poll runs
    double totalMs = 0; // from the start of the export to the file written
    bool written = false;
};

// The export as it was: built and written with QCustomPlot's own export, at
// once, on the GUI thread, from a timer's run as a menu's click would.
Measured exportBefore(const testbench::Window &w, const Case &c, const QString &file,
                      PollTimes &times)
{
    Measured m;
    qint64 start = 0;
    qint64 end = 0;
    QTimer::singleShot(0, [&] {
        start = times.now();
        QCustomPlot *chart = w->chartOf(Tool::BootLine);
        const QSize size = chartexport::layoutSize(*chart, c.options.size);
        const auto picture = chartexport::buildPicture(
            *chart, w->chartStateOf(Tool::BootLine), bootLineChartProfile(),
            w->pictureCaptions(Tool::BootLine, QDateTime::currentDateTime()), c.options.theme,
            size);
        if (c.options.format == chartexport::Format::Pdf)
            m.written = picture->savePdf(file, size.width(), size.height(), QCP::epAllowCosmetic);
        else if (c.options.size == chartexport::Size::Print)
            m.written =
                picture->savePng(file, size.width(), size.height(), chartexport::kPrintDpi / 72.0,
                                 -1, chartexport::kPrintDpi, QCP::ruDotsPerInch);
        else
            m.written = picture->savePng(file, size.width(), size.height(), 1.0);
        end = times.now();
    });
    while (end == 0)
        runEventsFor(5);
    runEventsFor(50); // the poll's first run after it
    m.blockMs = times.longestGapMs(start, end);
    m.totalMs = (end - start) / 1e6;
    return m;
}

// The window's export: recorded on the GUI thread, written on the writer's.
Measured exportAfter(const testbench::Window &w, testbench::AnsweredDialogs &dialogs, const Case &c,
                     const QString &file, PollTimes &times)
{
    Measured m;
    dialogs.saveAnswer = file;
    dialogs.chosenFilter = QString::fromUtf8(c.filter);
    qint64 start = 0;
    bool started = false;
    QTimer::singleShot(0, [&] {
        start = times.now();
        w->exportChartImage(Tool::BootLine);
        started = true;
    });
    while (!started || w->chartImagesPending() > 0)
        runEventsFor(1);
    const qint64 end = times.now();
    runEventsFor(50);
    m.blockMs = times.longestGapMs(start, end);
    m.totalMs = (end - start) / 1e6;
    m.written = QFile::exists(file);
    return m;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    testbench::ModalCloser boxes;
    QTemporaryDir dir;

    testbench::Window w = testbench::makeWindow();
    sim::bus().setWriteLogLimit(100);
    sim::bus().attach(std::make_shared<sim::BootLineModel>());
    testbench::AnsweredDialogs dialogs;
    dialogs.answer(*w.widget);
    w->resize(1162, 713);
    w->show();
    runEventsFor(200);
    w->discoverDevices();
    w->toolButtons()[Widget::BootLinePage]->click();

    // 10 000 samples of a boot current, all in view, then charting on.
    QVector<double> keys(kSamples), values(kSamples);
    for (int i = 0; i < kSamples; ++i) {
        keys[i] = i;
        values[i] = 0.8 * (1 - std::exp(-i / 800.0)) + 0.05 * std::sin(i * 0.05);
    }
    w->oneKeyLine->graphs[0]->addData(keys, values, true);
    w->chartOf(Tool::BootLine)->xAxis->setRange(0, kSamples);
    w.ui().oneKeyLineChartSwitch->click();

    PollTimes times;
    times.clock.start();
    QTimer *poll = w->oneKeyLine->pollTimer;
    QObject::connect(poll, &QTimer::timeout, [&times] { times.runs.push_back(times.now()); });
    for (QTimer *timer : testbench::windowTimers(*w.widget)) {
        if (timer != w->programTimer)
            timer->start();
    }
    poll->start(2);
    runEventsFor(1000);

    std::printf("The GUI thread held up by a chart export while the boot line charts at its 2 ms "
                "poll\n");
    std::printf("  platform %s; %d rounds per case and way, alternating; load average before: "
                "%s\n",
                qPrintable(QGuiApplication::platformName()), kRounds,
                benchsupport::loadAverage().constData());
    std::printf("  block: the longest gap between two poll runs from the export's start to its "
                "file written (median of the rounds)\n");
    std::printf("  total: from the export's start to its file written (median)\n\n");

    {
        const qint64 from = times.now();
        runEventsFor(1000);
        std::printf("  no export, 1 s of charting: longest gap %.1f ms\n\n",
                    times.longestGapMs(from, times.now()));
    }

    std::printf("  %-40s %12s %12s %12s %12s\n", "case", "block before", "block after",
                "total before", "total after");
    for (const Case &c : kCases) {
        std::vector<double> blockBefore, blockAfter, totalBefore, totalAfter;
        bool allWritten = true;
        for (int round = 0; round < kRounds; ++round) {
            const QString file = dir.filePath(QString::fromLatin1(c.file));
            const Measured before = exportBefore(w, c, file, times);
            QFile::remove(file);
            const Measured after = exportAfter(w, dialogs, c, file, times);
            QFile::remove(file);
            allWritten = allWritten && before.written && after.written;
            blockBefore.push_back(before.blockMs);
            blockAfter.push_back(after.blockMs);
            totalBefore.push_back(before.totalMs);
            totalAfter.push_back(after.totalMs);
            runEventsFor(200);
        }
        const double before = median(blockBefore);
        const double after = median(blockAfter);
        std::printf("  %-40s %9.1f ms %9.1f ms %9.1f ms %9.1f ms%s\n", c.name, before, after,
                    median(totalBefore), median(totalAfter),
                    allWritten ? "" : "  (a file was not written)");
        if (c.options.format == chartexport::Format::Png &&
            c.options.size == chartexport::Size::Print) {
            reportFigure(QStringLiteral("GUI thread's longest block in a print-size PNG export: "
                                        "%1 ms (before %2 ms, %3 x less)")
                             .arg(after, 0, 'f', 1)
                             .arg(before, 0, 'f', 1)
                             .arg(after > 0 ? before / after : 0, 0, 'f', 0),
                         QStringLiteral("<= %1 ms").arg(kTargetBlockMs),
                         allWritten && after <= kTargetBlockMs);
        }
    }
    std::printf("\n  load average after: %s\n", benchsupport::loadAverage().constData());
    for (QTimer *timer : testbench::windowTimers(*w.widget))
        timer->stop();
    return 0;
}
