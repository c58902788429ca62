// AxisTag on a bare QCustomPlot.
#include "charttesthelpers.h"

#include <QtTest>

class TstAxisTag : public QObject {
    Q_OBJECT

private slots:
    void construction();
    void setPenAndText();
    void moveToValueRightAxis0();
    void arrowFollowsOffset_data();
    void arrowFollowsOffset();
    void valueAboveRangeNotClipped();
    void destructorRemovesItems();
    void itemRemovedElsewhereIsSkipped();
    void destroyedWithAxis();
    void destroyedWithPlot();
};

void TstAxisTag::construction()
{
    QCustomPlot plot;
    const int before = plot.itemCount();
    AxisTag *tag = new AxisTag(plot.yAxis2);
    QCOMPARE(plot.itemCount(), before + 3);
    QCOMPARE(tag->parent(), static_cast<QObject *>(plot.yAxis2));
    QCOMPARE(tag->axis(), plot.yAxis2);
    QVERIFY(tag->metaObject()->className() == QByteArray("AxisTag"));

    QCPItemTracer *tracer = tag->tracer();
    QVERIFY(tracer);
    QCOMPARE(tracer->parentPlot(), &plot);
    QVERIFY(!tracer->visible());
    QCOMPARE(tracer->position->typeX(), QCPItemPosition::ptAxisRectRatio);
    QCOMPARE(tracer->position->typeY(), QCPItemPosition::ptPlotCoords);
    QCOMPARE(tracer->position->axisRect(), plot.yAxis2->axisRect());
    QVERIFY(tracer->position->keyAxis() == nullptr);
    QCOMPARE(tracer->position->valueAxis(), plot.yAxis2);
    QCOMPARE(tracer->position->coords(), QPointF(1, 0));

    QCPItemLine *arrow = tag->arrow();
    QVERIFY(arrow);
    QCOMPARE(arrow->layer()->name(), QStringLiteral("overlay"));
    QVERIFY(!arrow->clipToAxisRect());
    QCOMPARE(arrow->head().style(), QCPLineEnding::esSpikeArrow);
    QCOMPARE(arrow->head().width(), 8.0);
    QCOMPARE(arrow->head().length(), 10.0);
    QVERIFY(!arrow->head().inverted());
    QCOMPARE(arrow->end->parentAnchor(), static_cast<QCPItemAnchor *>(tracer->position));
    QCOMPARE(arrow->start->parentAnchor(), static_cast<QCPItemAnchor *>(arrow->end));
    QCOMPARE(arrow->start->coords(), QPointF(15, 0));
    QCOMPARE(arrow->start->typeX(), QCPItemPosition::ptAbsolute);
    QCOMPARE(arrow->end->typeX(), QCPItemPosition::ptAbsolute);

    QCPItemText *label = tag->label();
    QVERIFY(label);
    QCOMPARE(label->layer()->name(), QStringLiteral("overlay"));
    QVERIFY(!label->clipToAxisRect());
    QCOMPARE(label->padding(), QMargins(3, 0, 3, 0));
    QCOMPARE(label->brush(), QBrush(Qt::white, Qt::SolidPattern));
    QCOMPARE(label->pen(), QPen(Qt::blue));
    QCOMPARE(int(label->positionAlignment()), 0x81);
    QCOMPARE(label->position->parentAnchor(), static_cast<QCPItemAnchor *>(arrow->start));
}

void TstAxisTag::setPenAndText()
{
    QCustomPlot plot;
    AxisTag tag(plot.yAxis2);
    const QPen pen(QColor(119, 228, 255));
    tag.setPen(pen);
    tag.setText(QStringLiteral("5.0000V"));
    QCOMPARE(tag.arrow()->pen(), pen);
    QCOMPARE(tag.label()->pen(), pen);
    QCOMPARE(tag.label()->brush(), QBrush(Qt::white, Qt::SolidPattern));
    QCOMPARE(tag.label()->text(), QStringLiteral("5.0000V"));
}

void TstAxisTag::moveToValueRightAxis0()
{
    QCustomPlot plot;
    plot.resize(800, 400);
    plot.yAxis2->setVisible(true);
    plot.yAxis2->setRange(0, 10);
    AxisTag tag(plot.yAxis2);
    plot.replot();
    tag.moveToValue(4);
    plot.replot();
    QCOMPARE(tag.tracer()->position->coords(), QPointF(1, 4));
    QCOMPARE(tag.arrow()->end->coords(), QPointF(plot.yAxis2->offset(), 0));
    const QPointF tip = tag.arrow()->end->pixelPosition();
    QCOMPARE(tip.y(), plot.yAxis2->coordToPixel(4));
    QCOMPARE(tip.x(), double(plot.axisRect()->right() + 1 + plot.yAxis2->offset()));
    // the tail is 15 px right of the tip, the label hangs on the tail
    QCOMPARE(tag.arrow()->start->pixelPosition(), tip + QPointF(15, 0));
    QCOMPARE(tag.label()->position->pixelPosition(), tip + QPointF(15, 0));
}

void TstAxisTag::arrowFollowsOffset_data()
{
    QTest::addColumn<int>("axisIndex");
    QTest::newRow("right axis 1") << 1;
    QTest::newRow("right axis 2") << 2;
}

void TstAxisTag::arrowFollowsOffset()
{
    QFETCH(int, axisIndex);
    TestChart c(meterChartProfile());
    QCustomPlot &plot = c.plot;
    QCPAxis *axis = c.rightAxis(axisIndex);
    axis->setRange(0, 2);
    AxisTag *tag = c.tool.tags[axisIndex];
    QCOMPARE(tag->axis(), axis);
    plot.replot();
    tag->moveToValue(1.5);
    plot.replot();
    const int offset = axis->offset();
    QVERIFY2(offset > 0, "right axes 1 and 2 stand outside the axis rect border");
    QCOMPARE(tag->arrow()->end->coords(), QPointF(offset, 0));
    const double tracerX = tag->tracer()->position->pixelPosition().x();
    QCOMPARE(tag->arrow()->end->pixelPosition().x(), tracerX + offset);
    QCOMPARE(tag->arrow()->end->pixelPosition().y(), axis->coordToPixel(1.5));

    // A layout change moves the axis outwards; the next moveToValue puts the
    // tip back on the axis line.
    c.rightAxis(0)->setPadding(120);
    axis->setPadding(90);
    plot.replot();
    const int moved = axis->offset();
    QVERIFY(moved > offset);
    QCOMPARE(tag->arrow()->end->coords(), QPointF(offset, 0)); // stale until moved
    tag->moveToValue(0.5);
    plot.replot();
    QCOMPARE(tag->arrow()->end->coords(), QPointF(moved, 0));
    QCOMPARE(tag->arrow()->end->pixelPosition().x(),
             tag->tracer()->position->pixelPosition().x() + moved);
    QCOMPARE(tag->arrow()->end->pixelPosition().y(), axis->coordToPixel(0.5));
}

void TstAxisTag::valueAboveRangeNotClipped()
{
    QCustomPlot plot;
    plot.resize(800, 400);
    plot.yAxis2->setVisible(true);
    plot.yAxis2->setRange(0, 1);
    AxisTag tag(plot.yAxis2);
    plot.replot();
    tag.moveToValue(1.2);
    plot.replot();
    QVERIFY(tag.arrow()->end->pixelPosition().y() < plot.axisRect()->top());
    QVERIFY(!tag.arrow()->clipToAxisRect());
    QVERIFY(!tag.label()->clipToAxisRect());
}

void TstAxisTag::destructorRemovesItems()
{
    QCustomPlot plot;
    AxisTag *other = new AxisTag(plot.yAxis);
    const int before = plot.itemCount();
    AxisTag *tag = new AxisTag(plot.yAxis2);
    QCOMPARE(plot.itemCount(), before + 3);
    delete tag;
    QCOMPARE(plot.itemCount(), before);
    // the other tag's items are untouched
    QVERIFY(other->tracer() && other->arrow() && other->label());
    QVERIFY(plot.hasItem(other->tracer()));
}

void TstAxisTag::itemRemovedElsewhereIsSkipped()
{
    QCustomPlot plot;
    plot.resize(800, 400);
    AxisTag *tag = new AxisTag(plot.yAxis2);
    QVERIFY(plot.removeItem(tag->label()));
    QVERIFY(tag->label() == nullptr);
    tag->setText(QStringLiteral("1.00V"));
    tag->setPen(QPen(Qt::red));
    tag->moveToValue(2);
    QCOMPARE(tag->arrow()->pen(), QPen(Qt::red));
    QVERIFY(plot.removeItem(tag->tracer()));
    tag->moveToValue(3);
    plot.replot();
    QCOMPARE(plot.itemCount(), 1);
    delete tag; // removes only the arrow
    QCOMPARE(plot.itemCount(), 0);

    AxisTag *bare = new AxisTag(plot.yAxis2);
    plot.clearItems();
    bare->setText(QStringLiteral("x"));
    bare->setPen(QPen(Qt::green));
    bare->moveToValue(1);
    delete bare;
    QCOMPARE(plot.itemCount(), 0);
}

void TstAxisTag::destroyedWithAxis()
{
    QCustomPlot plot;
    QCPAxis *extra = plot.axisRect()->addAxis(QCPAxis::atRight);
    QPointer<AxisTag> tag = new AxisTag(extra);
    QCOMPARE(plot.itemCount(), 3);
    QVERIFY(plot.axisRect()->removeAxis(extra));
    QVERIFY(tag.isNull());
    QCOMPARE(plot.itemCount(), 0);
}

void TstAxisTag::destroyedWithPlot()
{
    QPointer<AxisTag> tags[3];
    {
        TestChart c(meterChartProfile());
        for (int k = 0; k < 3; ++k)
            tags[k] = c.tool.tags[k];
        c.plot.replot();
    }
    for (const auto &tag : tags)
        QVERIFY(tag.isNull());
}

QTEST_MAIN(TstAxisTag)
#include "tst_axistag.moc"
