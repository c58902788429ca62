// Redraw pacing of the live charts: a poll asks for a redraw of its chart,
// and the chart is redrawn at the display's rate. The boot line polls every
// 2 ms; a redraw per poll would be about 500 redraws a second that no screen
// shows, and their cost would push the polls apart.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

class QCustomPlot;

// How the live charts carry out the redraws their recording steps ask for.
enum class RedrawPacing {
    // Requests are coalesced: at most one redraw per RedrawPacer::kMinSpacingMs,
    // the first one as soon as the event loop runs again.
    DisplayRate,
    // Every request is a redraw at once (the way to compare the two).
    EveryRequest,
};

// Process-wide; DisplayRate unless changed. GUI thread only.
void setRedrawPacing(RedrawPacing pacing);
RedrawPacing redrawPacing();

// Coalesces the redraw requests of one chart. A child of its chart, so it
// ends with it.
//
// request() marks a redraw as pending and starts a single-shot timer that
// ends kMinSpacingMs after the chart's last redraw (at once when that is
// longer ago); further requests before it fires add nothing. The timer's
// redraw is QCustomPlot::replot(rpRefreshHint), one replot for everything
// that changed meanwhile. Every replot of the chart, whoever asks for it (a
// drag or zoom of the user redraws at once through QCustomPlot itself),
// counts as the redraw a pending request waits for: the request is then
// settled and the spacing starts again from it.
//
// Nothing but the redraw waits: samples, axis ranges, tags and value axes are
// set by the caller at once, so the picture drawn is the one a redraw per
// request would show after the last of them.
class RedrawPacer : public QObject {
    Q_OBJECT
public:
    // About 60 redraws a second.
    static constexpr int kMinSpacingMs = 17;

    explicit RedrawPacer(QCustomPlot *plot);

    // A redraw is wanted (see above). With RedrawPacing::EveryRequest: a
    // replot at once.
    void request();
    // Carries out a pending redraw at once; without one, does nothing. For
    // whoever must see the chart as it stands now (a picture of the window,
    // a test).
    void flush();
    bool isPending() const { return mPending; }

    // The timer that carries out a pending redraw, for tests: its interval
    // is the wait chosen by the last request.
    const QTimer &timer() const { return mTimer; }
    // Milliseconds on a monotonic clock; tests set their own.
    void setClock(std::function<qint64()> clock);

private:
    void redrawn();

    QCustomPlot *mPlot;
    QTimer mTimer;
    QElapsedTimer mMonotonic;
    std::function<qint64()> mClock;
    bool mPending = false;
    bool mEverRedrawn = false;
    qint64 mLastRedraw = 0;
};
