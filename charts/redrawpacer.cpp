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

RedrawPacer::RedrawPacer(QCustomPlot *plot)
    : RedrawPacer(plot, [plot] { plot->replot(QCustomPlot::rpRefreshHint); })
{
    // Any replot of the chart, also QCustomPlot's own on a drag or zoom,
    // draws what a pending request waits for; the pacer's own replot comes
    // this way too.
    connect(plot, &QCustomPlot::afterReplot, this, &RedrawPacer::redrawn);
}

RedrawPacer::RedrawPacer(QObject *parent, std::function<void()> redraw)
    : QObject(parent), mRedraw(std::move(redraw))
{
    mMonotonic.start();
    mClock = [this] { return mMonotonic.elapsed(); };
    mTimer.setSingleShot(true);
    mTimer.setTimerType(Qt::PreciseTimer);
    connect(&mTimer, &QTimer::timeout, this, &RedrawPacer::flush);
}

void RedrawPacer::request()
{
    if (gPacing == RedrawPacing::EveryRequest) {
        redraw();
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
    if (mPending)
        redraw();
}

void RedrawPacer::setClock(std::function<qint64()> clock)
{
    mClock = std::move(clock);
}

void RedrawPacer::redraw()
{
    mPending = false;
    mTimer.stop();
    mRedraw();
    redrawn();
}

void RedrawPacer::redrawn()
{
    mPending = false;
    mTimer.stop();
    mEverRedrawn = true;
    mLastRedraw = mClock();
}
