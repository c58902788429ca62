// Shared helpers of the chart tests: a bare QCustomPlot with one tool state,
// set up with one of the three profiles and wired like the main window wires
// its range-change slots.
#ifndef QUORVALINE_TESTS_CHARTTESTHELPERS_H
#define QUORVALINE_TESTS_CHARTTESTHELPERS_H

#include "charts/axistag.h"
#include "charts/backdroppicture.h"
#include "charts/livechart.h"
#include "charts/rangehandler.h"
#include "tests/support/scans.h"

#include "charts/rangehandler_p.h"

#include <QCoreApplication>
#include <QRunnable>
#include <QThreadPool>
#include <QWidget>

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
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

// Holds back every task started on the global pool until release(), whatever
// state the pool is in (no thread yet, idle threads, threads that expired):
// one pool thread is kept busy by a task that waits for the release, and every
// other thread the pool may run is reserved, so a task started meanwhile waits
// in the pool's queue. Reserving alone is not enough: the pool starts a thread
// for its first task even when all are reserved, and an idle thread woken by a
// new task runs it as long as no other thread of the pool is running.
// release() gives the reserved threads back first, which hands the waiting
// tasks to pool threads at once, then ends the busy task.
class PoolBlocker {
public:
    PoolBlocker()
    {
        QThreadPool *pool = QThreadPool::globalInstance();
        mSavedMaxThreads = pool->maxThreadCount();
        // One thread to keep busy and at least one to run the tasks released.
        pool->setMaxThreadCount(std::max(mSavedMaxThreads, 2));
        mReserved = pool->maxThreadCount() - 1;
        pool->start(&mBusy);
        mBusy.waitUntilRunning();
        for (int i = 0; i < mReserved; ++i)
            pool->reserveThread();
    }
    ~PoolBlocker() { release(); }
    PoolBlocker(const PoolBlocker &) = delete;
    PoolBlocker &operator=(const PoolBlocker &) = delete;

    void release()
    {
        if (mReleased)
            return;
        mReleased = true;
        QThreadPool *pool = QThreadPool::globalInstance();
        for (int i = 0; i < mReserved; ++i)
            pool->releaseThread();
        mBusy.finish();
        pool->setMaxThreadCount(mSavedMaxThreads);
    }

private:
    // The task that keeps one pool thread busy. It touches nothing but its
    // gate (standard mutex and condition variable, so ThreadSanitizer sees
    // every hand-over), and it is owned by the blocker, never by the pool.
    class BusyTask : public QRunnable {
    public:
        BusyTask() { setAutoDelete(false); }
        void run() override
        {
            std::unique_lock<std::mutex> lock(mMutex);
            mRunning = true;
            mChanged.notify_all();
            mChanged.wait(lock, [this] { return mReleased; });
            mFinished = true;
            mChanged.notify_all();
        }
        void waitUntilRunning()
        {
            std::unique_lock<std::mutex> lock(mMutex);
            mChanged.wait(lock, [this] { return mRunning; });
        }
        // Lets the task end and waits until it has.
        void finish()
        {
            std::unique_lock<std::mutex> lock(mMutex);
            mReleased = true;
            mChanged.notify_all();
            mChanged.wait(lock, [this] { return mFinished; });
        }

    private:
        std::mutex mMutex;
        std::condition_variable mChanged;
        bool mRunning = false;
        bool mReleased = false;
        bool mFinished = false;
    };

    BusyTask mBusy;
    int mSavedMaxThreads = 0;
    int mReserved = 0;
    bool mReleased = false;
};

#endif // QUORVALINE_TESTS_CHARTTESTHELPERS_H
