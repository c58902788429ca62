#include "redrawpacer.h"

#include <qcustomplot.h>

namespace {
RedrawPacing gPacing = RedrawPacing::DisplayRate;
} // namespace

void setRedrawPacing(RedrawPacing pacing)
{
    gPacing = pacing;
}

RedrawPacing redrawPacing()
{
    return gPacing;
}

RedrawPacer::RedrawPacer(QCustomPlot *plot) : QObject(plot), mPlot(plot)
{
    mMonotonic.start();
    mClock = [this] { return mMonotonic.elapsed(); };
    mTimer.setSingleShot(true);
    mTimer.setTimerType(Qt::PreciseTimer);
    connect(&mTimer, &QTimer::timeout, this, &RedrawPacer::flush);
    // Any replot of the chart, also QCustomPlot's own on a drag or zoom,
    // draws what a pending request waits for.
    connect(plot, &QCustomPlot::afterReplot, this, &RedrawPacer::redrawn);
}

void RedrawPacer::request()
{
    if (gPacing == RedrawPacing::EveryRequest) {
        mPlot->replot(QCustomPlot::rpRefreshHint);
        return;
    }
    if (mPending)
        return; // the redraw already scheduled draws this request too
    mPending = true;
    qint64 wait = 0;
    if (mEverRedrawn) {
        const qint64 since = mClock() - mLastRedraw;
        if (since >= 0 && since < kMinSpacingMs)
            wait = kMinSpacingMs - since;
    }
    mTimer.start(int(wait));
}

void RedrawPacer::flush()
{
    if (!mPending)
        return;
    mPending = false;
    mTimer.stop();
    mPlot->replot(QCustomPlot::rpRefreshHint);
}

void RedrawPacer::setClock(std::function<qint64()> clock)
{
    mClock = std::move(clock);
}

void RedrawPacer::redrawn()
{
    mPending = false;
    mTimer.stop();
    mEverRedrawn = true;
    mLastRedraw = mClock();
}
