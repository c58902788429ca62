// Redraw pacing: a poll asks for a redraw of what it changed (its chart, the
// readings beside it), and the redraw comes at the display's rate. The boot
// line polls every 2 ms; a redraw per poll would be about 500 redraws a
// second that no screen shows, and their cost would push the polls apart.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

class QCustomPlot;

// How the pacers carry out the redraws asked of them.
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

// Coalesces the redraw requests of one thing drawn: a chart, or a group of
// labels.
//
// request() marks a redraw as pending and starts a single-shot timer that
// ends kMinSpacingMs after the last redraw (at once when that is longer ago);
// further requests before it fires add nothing. When it fires, one redraw
// draws everything that changed meanwhile.
//
// Nothing but the redraw waits: a chart's samples, axis ranges, tags and
// value axes are set by the caller at once, so the picture drawn is the one a
// redraw per request would show after the last of them.
class RedrawPacer : public QObject {
    Q_OBJECT
public:
    // About 60 redraws a second.
    static constexpr int kMinSpacingMs = 17;

    // Paces the redraws of a chart, as its child. The redraw is
    // QCustomPlot::replot(rpRefreshHint). Every replot of the chart, whoever
    // asks for it (a drag or zoom of the user redraws at once through
    // QCustomPlot itself), counts as the redraw a pending request waits for:
    // the request is then settled and the spacing starts again from it.
    explicit RedrawPacer(QCustomPlot *plot);
    // Paces another redraw, carried out by `redraw`.
    RedrawPacer(QObject *parent, std::function<void()> redraw);

    // A redraw is wanted (see above). With RedrawPacing::EveryRequest: a
    // redraw at once.
    void request();
    // Carries out a pending redraw at once; without one, does nothing. For
    // whoever must see the result as it stands now (a picture of the window,
    // a test).
    void flush();
    bool isPending() const { return mPending; }

    // The timer that carries out a pending redraw, for tests: its interval
    // is the wait chosen by the last request.
    const QTimer &timer() const { return mTimer; }
    // Milliseconds on a monotonic clock; tests set their own.
    void setClock(std::function<qint64()> clock);

private:
    void redraw();
    void redrawn();

    std::function<void()> mRedraw;
    QTimer mTimer;
    QElapsedTimer mMonotonic;
    std::function<qint64()> mClock;
    bool mPending = false;
    bool mEverRedrawn = false;
    qint64 mLastRedraw = 0;
};
