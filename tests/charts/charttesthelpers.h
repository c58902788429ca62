// Shared helpers of the chart tests: a bare QCustomPlot with one tool state,
// set up with one of the three profiles and wired like the main window wires
// its range-change slots.
#ifndef QUORVALINE_TESTS_CHARTTESTHELPERS_H
#define QUORVALINE_TESTS_CHARTTESTHELPERS_H

#include "charts/axistag.h"
#include "charts/livechart.h"
#include "charts/rangehandler.h"
#include "tests/support/scans.h"

#include <QCoreApplication>
#include <QThreadPool>
#include <QWidget>
#include <QtConcurrent/QtConcurrentRun>

#include <memory>
#include <vector>

// Exposes the protected background brush.
class TestPlot : public QCustomPlot {
public:
    QBrush backgroundBrushForTest() const { return mBackgroundBrush; }
};

// The tool objects inherit the state the same way (QWidget first).
class TestTool : public QWidget, public LiveChartState {
public:
    TestTool() = default;
};

struct TestChart {
    explicit TestChart(const ChartProfile &p) : profile(p)
    {
        plot.resize(900, 400);
        setupLiveChart(&plot, tool, profile);
        QObject::connect(plot.xAxis, QOverload<const QCPRange &>::of(&QCPAxis::rangeChanged), &plot,
                         [this] {
                             ++rangeChanges;
                             handleRangeChange(&plot, tool, profile, pageShown, scanAllowed);
                         });
        tool.setPageShown(true);
        // QCustomPlot's constructor queues one replot; let it happen now so that
        // replot counts in the tests see only what the chart code does.
        QCoreApplication::processEvents();
    }

    // Appends `count` samples, value of graph k = f(k, key).
    template <typename F> void append(int count, F f)
    {
        for (int i = 0; i < count; ++i) {
            const int key = tool.graphs[0]->dataCount();
            const double values[3] = {double(f(0, key)), double(f(1, key)), double(f(2, key))};
            appendSample(tool, values);
        }
    }

    QCPAxis *rightAxis(int k) const { return plot.axisRect()->axis(QCPAxis::atRight, k); }

    const ChartProfile &profile;
    TestPlot plot;
    TestTool tool;
    bool pageShown = true;
    bool scanAllowed = true;
    int rangeChanges = 0;
};

// Lets every scan finish and delivers its result to the GUI thread.
using testbench::settleScans;

// Reserves every thread of the global pool until release(), so that a scan
// started meanwhile stays queued and starts only on release(). Reserving
// (rather than occupying the threads with blocking tasks) makes the pool hand
// the queued scan to a newly started or woken thread, a hand-over that
// ThreadSanitizer can see (thread creation, pthread condition variable); a
// busy pool thread taking it from the queue synchronises only through Qt's
// futex-based QMutex, which an uninstrumented Qt hides from it.
class PoolBlocker {
public:
    PoolBlocker()
    {
        QThreadPool *pool = QThreadPool::globalInstance();
        mThreads = pool->maxThreadCount();
        for (int i = 0; i < mThreads; ++i)
            pool->reserveThread();
    }
    ~PoolBlocker() { release(); }
    void release()
    {
        if (!mReleased) {
            mReleased = true;
            for (int i = 0; i < mThreads; ++i)
                QThreadPool::globalInstance()->releaseThread();
        }
    }

private:
    int mThreads = 0;
    bool mReleased = false;
};

#endif // QUORVALINE_TESTS_CHARTTESTHELPERS_H
