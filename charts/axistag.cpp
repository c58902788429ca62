#include "axistag.h"

AxisTag::AxisTag(QCPAxis *axis) : QObject(axis), mAxis(axis)
{
    QCustomPlot *plot = axis->parentPlot();

    // Invisible anchor on the right border of the axis rect, at a height
    // given in the axis's units.
    mTracer = new QCPItemTracer(plot);
    mTracer->setVisible(false);
    mTracer->position->setTypeX(QCPItemPosition::ptAxisRectRatio);
    mTracer->position->setTypeY(QCPItemPosition::ptPlotCoords);
    mTracer->position->setAxisRect(axis->axisRect());
    mTracer->position->setAxes(nullptr, axis);
    mTracer->position->setCoords(1, 0);

    // Arrow, 15 pixels long, pointing left onto the axis. Giving a position a
    // parent anchor turns its type into pixel offsets (ptAbsolute).
    mArrow = new QCPItemLine(plot);
    mArrow->setLayer(QStringLiteral("overlay"));
    mArrow->setClipToAxisRect(false);
    mArrow->setHead(QCPLineEnding(QCPLineEnding::esSpikeArrow, 8, 10, false));
    mArrow->end->setParentAnchor(mTracer->position);
    mArrow->start->setParentAnchor(mArrow->end);
    mArrow->start->setCoords(15, 0);

    // White text box right of the arrow's tail, vertically centred on it.
    mLabel = new QCPItemText(plot);
    mLabel->setLayer(QStringLiteral("overlay"));
    mLabel->setClipToAxisRect(false);
    mLabel->setPadding(QMargins(3, 0, 3, 0));
    mLabel->setBrush(QBrush(Qt::white, Qt::SolidPattern));
    mLabel->setPen(QPen(Qt::blue));
    mLabel->setPositionAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    mLabel->position->setParentAnchor(mArrow->start);
}

AxisTag::~AxisTag()
{
    // Reverse order of creation; items already removed elsewhere (or by the
    // chart's own destructor) are skipped.
    if (mLabel)
        mLabel->parentPlot()->removeItem(mLabel.data());
    if (mArrow)
        mArrow->parentPlot()->removeItem(mArrow.data());
    if (mTracer)
        mTracer->parentPlot()->removeItem(mTracer.data());
}

void AxisTag::setPen(const QPen &pen)
{
    if (mArrow)
        mArrow->setPen(pen);
    if (mLabel)
        mLabel->setPen(pen);
}

void AxisTag::setText(const QString &text)
{
    if (mLabel)
        mLabel->setText(text);
}

void AxisTag::moveToValue(double value)
{
    if (mTracer)
        mTracer->position->setCoords(1, value);
    if (mArrow)
        mArrow->end->setCoords(mAxis->offset(), 0);
}
