// Axis tag — a value flag at the right edge of a chart's axis rect,
// pointing at one value axis: an arrow whose tip sits on the axis line at the
// height of a value, and a boxed text label behind the arrow.
#ifndef QUORVALINE_CHARTS_AXISTAG_H
#define QUORVALINE_CHARTS_AXISTAG_H

#include <QObject>
#include <QPen>
#include <QPointer>
#include <QString>

#include <qcustomplot.h>

class AxisTag : public QObject {
    Q_OBJECT
public:
    // The tag's QObject parent is `axis`, so it is destroyed with that axis.
    // The three items belong to the axis's chart.
    explicit AxisTag(QCPAxis *axis);
    ~AxisTag() override;

    // Pen of the arrow and of the label's frame.
    void setPen(const QPen &pen);
    // Text of the label.
    void setText(const QString &text);
    // Moves the tag to `value` on its axis; the arrow tip follows the axis's
    // current offset (right axes 1 and 2 stand outside the axis rect border).
    void moveToValue(double value);

    QCPAxis *axis() const { return mAxis; }
    // Null once the item has been removed from the chart elsewhere.
    QCPItemTracer *tracer() const { return mTracer.data(); }
    QCPItemLine *arrow() const { return mArrow.data(); }
    QCPItemText *label() const { return mLabel.data(); }

private:
    QCPAxis *mAxis;
    QPointer<QCPItemTracer> mTracer;
    QPointer<QCPItemLine> mArrow;
    QPointer<QCPItemText> mLabel;
};

#endif // QUORVALINE_CHARTS_AXISTAG_H
