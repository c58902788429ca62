// Two measuring cursors on a tool's chart and their readout: vertical lines
// A and B snapped to samples, each with a handle at the foot of the chart,
// dragged with the mouse or moved with the arrow keys (the last one touched:
// one sample, ten with Shift), removed with Esc. They stay on their samples
// while a live chart scrolls; one whose sample is out of view waits at the
// edge with an arrow, and the readout still holds. The readout, in the
// chart's top left corner (the value tags are on the right), shows the
// times at A and B, Δt, the number of samples, each trace's value at A and
// at B, minimum, maximum, mean and peak-to-peak, and the charge and energy
// between them, all from the chart's series index (analysis/), the numbers
// `quorvaline-cli stats` gives for the same span.
//
// Every item drawn for the measurement is made here. The cursors' lines and
// handles are marked for the chart's pictures (charts/chartexport.h); the
// readout goes into a picture as note lines under its title.
#pragma once

#include "analysis/statistics.h"

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <qcustomplot.h>

struct ChartProfile;
struct LiveChartState;

// The readout as rows of cells: what the chart shows and what the clipboard
// gets (cells separated by tabs, rows by line ends).
struct MeasureReadout {
    struct Row {
        QStringList cells;
        bool table = false; // a row of the traces' table (aligned in columns)
        QColor colour;      // the trace's colour, or invalid for the text colour
    };
    QList<Row> rows;
    QString clipboardText() const;
    // The rows as lines of text, for the notes under a picture's title.
    QStringList pictureNotes() const;
};

// The readout box: rows of cells, the table's columns aligned, on a dark
// translucent box with a border. Drawn from a picture made once per change
// of its text, so that a live chart redrawn 60 times a second does not lay
// the text out each time; into a vector export it draws its text itself.
class ReadoutItem : public QCPAbstractItem {
    Q_OBJECT
public:
    explicit ReadoutItem(QCustomPlot *plot);

    QCPItemPosition *const topLeft;

    void setReadout(const MeasureReadout &readout);
    void setColours(const QColor &text, const QColor &background, const QColor &border);
    void setFont(const QFont &font);
    // The box's size in pixels, once laid out.
    QSize boxSize() const;

    double selectTest(const QPointF &pos, bool onlySelectable,
                      QVariant *details = nullptr) const override;

protected:
    void draw(QCPPainter *painter) override;

private:
    void paintBox(QPainter *painter) const;

    MeasureReadout mReadout;
    QColor mText = QColor(220, 220, 220);
    QColor mBackground = QColor(0, 0, 0, 150);
    QColor mBorder = QColor(110, 110, 110);
    QFont mFont;
    QPixmap mCache;
    bool mCacheValid = false;
};

class MeasureCursors : public QObject {
    Q_OBJECT
public:
    // Cursors on `plot`, measuring `state` (the tool's chart state), at the
    // samples nearest a and b. A child of the plot.
    MeasureCursors(QCustomPlot *plot, LiveChartState &state, const ChartProfile &profile, qint64 a,
                   qint64 b);
    ~MeasureCursors() override;

    // Where a "Measure" at pixel x of the chart puts its cursors: A there
    // (or a third into the view when x is outside the plot), B a quarter of
    // the view further (or two thirds in); both on samples the chart has.
    // False when the chart has no sample.
    static bool initialPlace(const QCustomPlot *plot, const LiveChartState &state, int x, qint64 *a,
                             qint64 *b);

    qint64 index(int cursor) const { return mIndex[cursor]; }
    // The cursor the keys move: the last one placed, dragged or moved.
    int activeCursor() const { return mActive; }
    // Puts cursor 0 (A) or 1 (B) on the sample nearest `index`, looking
    // first in `direction` (-1, +1, or 0 for either).
    void setIndex(int cursor, qint64 index, int direction = 0);
    // Moves the active cursor by `steps` samples.
    void step(qint64 steps);

    const statistics::Accumulator &measurement() const { return mMeasurement; }
    const MeasureReadout &readout() const { return mReadout; }
    // Whether the cursor's handle shows it at an edge, out of view.
    bool atEdge(int cursor) const { return mEdge[cursor] != 0; }

    // Every item of the measurement.
    QList<QCPAbstractItem *> items() const;

signals:
    // Esc: the owner removes the cursors.
    void closeRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void measure();
    void placeItems();
    int cursorNear(int x) const;
    void requestRedraw();

    QPointer<QCustomPlot> mPlot;
    LiveChartState &mState;
    const ChartProfile &mProfile;
    qint64 mIndex[2] = {0, 0};
    int mActive = 1;
    int mDragging = -1;
    int mEdge[2] = {0, 0}; // -1 left edge, +1 right edge, 0 in view
    bool mHoverShape = false;
    bool mHadMouseTracking = false;
    Qt::FocusPolicy mFocusPolicy = Qt::NoFocus;
    // The chart owns its items and deletes them when it goes, before its
    // children (these cursors among them).
    QPointer<QCPItemStraightLine> mLines[2];
    QPointer<QCPItemText> mHandles[2];
    QPointer<ReadoutItem> mReadoutItem;
    statistics::Accumulator mMeasurement;
    MeasureReadout mReadout;
};
