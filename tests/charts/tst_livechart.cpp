// Chart set-up, visible width, recording step, append and clear,
// for the three chart profiles, on a bare QCustomPlot.
#include "charttesthelpers.h"

#include <QtTest>

Q_DECLARE_METATYPE(const ChartProfile *)

namespace {
const QColor kGrey(192, 192, 192);
const QColor kGridColor(50, 50, 50);
} // namespace

class TstLiveChart : public QObject {
    Q_OBJECT

private slots:
    void profiles();
    void stateStartsZeroed();
    void setup_data();
    void setup();
    void drawnOnItsBackdrop_data();
    void drawnOnItsBackdrop();
    void setupTagsAndItems_data();
    void setupTagsAndItems();
    void span_data();
    void span();
    void appendKeys();
    void recordingStepEmptyChart();
    void recordingStepWithData_data();
    void recordingStepWithData();
    void enoughDataOrder();
    void clear_data();
    void clear();
};

void TstLiveChart::profiles()
{
    const ChartProfile &m = meterChartProfile();
    QCOMPARE(m.graphCount, 3);
    QCOMPARE(m.rightAxisPadding, 50);
    QCOMPARE(m.minRecordingSpan, 100);
    QCOMPARE(m.maxRecordingSpan, 10000);
    QCOMPARE(m.scanLowestIndex, 1);
    QVERIFY(m.enoughDataBeforeStep);

    const ChartProfile &p = powerChartProfile();
    QCOMPARE(p.graphCount, 3);
    QCOMPARE(p.rightAxisPadding, 30);
    QCOMPARE(p.minRecordingSpan, 100);
    QCOMPARE(p.maxRecordingSpan, 10000);
    QCOMPARE(p.scanLowestIndex, 0);
    QVERIFY(!p.enoughDataBeforeStep);

    const ChartProfile &b = bootLineChartProfile();
    QCOMPARE(b.graphCount, 1);
    QVERIFY(b.rightAxisPadding < 0);
    QVERIFY(b.rightAxisStyled[0]);
    QVERIFY(!b.rightAxisStyled[1]);
    QVERIFY(!b.rightAxisStyled[2]);
    QCOMPARE(b.minRecordingSpan, 400);
    QCOMPARE(b.maxRecordingSpan, 10000);
    QCOMPARE(b.scanLowestIndex, 0);
    QVERIFY(!b.enoughDataBeforeStep);
}

void TstLiveChart::stateStartsZeroed()
{
    TestTool s;
    for (int k = 0; k < 3; ++k) {
        QVERIFY(s.graphs[k].isNull());
        QVERIFY(s.tags[k] == nullptr);
        QCOMPARE(s.tagValue[k], 0.0);
        QCOMPARE(s.scanMax[k], 0.0);
        QCOMPARE(s.axisMax[k], 0.0);
    }
    QVERIFY(!s.chartRunning);
    QVERIFY(!s.enoughData);
    QCOMPARE(s.spanSamples, 0);
    QCOMPARE(s.tagIndex, 0);
    QCOMPARE(s.scanWindow, 0.0);
    QVERIFY(!s.maximaReady);
    QVERIFY(!s.scanInFlight);
    QVERIFY(!s.isPageShown());
    QVERIFY(!std::is_copy_constructible<LiveChartState>::value);
    QVERIFY(!std::is_copy_assignable<LiveChartState>::value);
}

void TstLiveChart::setup_data()
{
    QTest::addColumn<const ChartProfile *>("profile");
    QTest::newRow("meter") << &meterChartProfile();
    QTest::newRow("power") << &powerChartProfile();
    QTest::newRow("bootline") << &bootLineChartProfile();
}

void TstLiveChart::setup()
{
    QFETCH(const ChartProfile *, profile);
    TestChart c(*profile);
    QCustomPlot &plot = c.plot;
    const bool boot = profile == &bootLineChartProfile();

    // top and right axes shown, two more right axes, no labels, no legend
    QVERIFY(plot.xAxis->visible());
    QVERIFY(plot.xAxis2->visible());
    QVERIFY(plot.yAxis->visible());
    QVERIFY(plot.yAxis2->visible());
    QCOMPARE(plot.axisRect()->axisCount(QCPAxis::atRight), 3);
    QCOMPARE(c.rightAxis(0), plot.yAxis2);
    for (QCPAxis *axis : plot.axisRect()->axes())
        QVERIFY(axis->label().isEmpty());
    QVERIFY(!plot.legend->visible());

    // right axis padding
    QCustomPlot bare;
    const int defaultPadding = bare.yAxis2->padding();
    for (int k = 0; k < 3; ++k) {
        const int expected = boot ? defaultPadding : profile->rightAxisPadding;
        QCOMPARE(c.rightAxis(k)->padding(), expected);
    }

    // graphs on the bottom axis and right axes 0..n-1
    QCOMPARE(plot.graphCount(), profile->graphCount);
    for (int k = 0; k < 3; ++k) {
        if (k < profile->graphCount) {
            QCOMPARE(c.tool.graphs[k].data(), plot.graph(k));
            QCOMPARE(plot.graph(k)->keyAxis(), plot.xAxis);
            QCOMPARE(plot.graph(k)->valueAxis(), c.rightAxis(k));
        } else {
            QVERIFY(c.tool.graphs[k].isNull());
        }
    }

    // transparent background: no brush is filled (drawnOnItsBackdrop)
    QCOMPARE(c.plot.backgroundBrushForTest().style(), Qt::NoBrush);

    // grid
    const QPen gridPen(QBrush(kGridColor, Qt::SolidPattern), 1.0, Qt::DashLine, Qt::SquareCap,
                       Qt::BevelJoin);
    QCOMPARE(plot.xAxis->grid()->pen(), gridPen);
    QCOMPARE(plot.yAxis->grid()->pen(), gridPen);
    QCOMPARE(plot.xAxis->grid()->zeroLinePen(), QPen(Qt::lightGray));
    QCOMPARE(plot.yAxis->grid()->zeroLinePen(), gridPen);

    // axis pens and tick label colours
    QPen axisPen;
    axisPen.setColor(kGrey);
    axisPen.setWidth(1);
    QList<QCPAxis *> styled{plot.xAxis, plot.xAxis2, plot.yAxis, c.rightAxis(0)};
    QList<QCPAxis *> unstyled;
    (boot ? unstyled : styled) << c.rightAxis(1) << c.rightAxis(2);
    for (QCPAxis *axis : styled) {
        QCOMPARE(axis->tickPen(), axisPen);
        QCOMPARE(axis->subTickPen(), axisPen);
        QCOMPARE(axis->basePen(), axisPen);
    }
    for (QCPAxis *axis : unstyled) {
        QCOMPARE(axis->tickPen(), bare.yAxis2->tickPen());
        QCOMPARE(axis->subTickPen(), bare.yAxis2->subTickPen());
        QCOMPARE(axis->basePen(), bare.yAxis2->basePen());
        QCOMPARE(axis->tickLabelColor(), bare.yAxis2->tickLabelColor());
        QVERIFY(axis->visible());
    }
    QCOMPARE(plot.xAxis->tickLabelColor(), kGrey);
    QCOMPARE(c.rightAxis(0)->tickLabelColor(), kGrey);
    if (!boot) {
        QCOMPARE(c.rightAxis(1)->tickLabelColor(), kGrey);
        QCOMPARE(c.rightAxis(2)->tickLabelColor(), kGrey);
    }
    // left and top axes keep their default tick label colour
    QCOMPARE(plot.yAxis->tickLabelColor(), bare.yAxis->tickLabelColor());
    QCOMPARE(plot.xAxis2->tickLabelColor(), bare.xAxis2->tickLabelColor());

    // tick labels
    QVERIFY(!plot.xAxis2->tickLabels());
    QVERIFY(!plot.yAxis->tickLabels());
    QVERIFY(plot.xAxis->tickLabels());
    QVERIFY(c.rightAxis(0)->tickLabels());

    // interactions: drag, zoom, select graphs, axes and legend (0x3B)
    QCOMPARE(int(plot.interactions()), 0x3B);
    QCOMPARE(plot.interactions(), QCP::iRangeDrag | QCP::iRangeZoom | QCP::iSelectPlottables |
                                      QCP::iSelectAxes | QCP::iSelectLegend);

    // graph pens
    const QColor colours[3] = {QColor(119, 228, 255), QColor(0, 255, 0), QColor(255, 0, 0)};
    if (boot) {
        QCOMPARE(plot.graph(0)->pen(), QPen(colours[1]));
    } else {
        for (int k = 0; k < 3; ++k)
            QCOMPARE(plot.graph(k)->pen(), QPen(colours[k]));
    }
}

void TstLiveChart::drawnOnItsBackdrop_data()
{
    QTest::addColumn<const ChartProfile *>("profile");
    QTest::addColumn<QColor>("backdrop");
    QTest::addColumn<int>("tolerance"); // largest difference of a colour channel
    // On black, blending onto transparency and then onto the backdrop is
    // exactly blending onto the backdrop.
    QTest::newRow("meter on black") << &meterChartProfile() << QColor(Qt::black) << 0;
    QTest::newRow("power on black") << &powerChartProfile() << QColor(Qt::black) << 0;
    QTest::newRow("bootline on black") << &bootLineChartProfile() << QColor(Qt::black) << 0;
    // On another colour, antialiased edges round one level apart.
    QTest::newRow("meter on green") << &meterChartProfile() << QColor(10, 200, 30) << 1;
}

// The chart covers its area itself, with the colour of the backdrop behind it
// where it draws nothing: the picture is the one the chart gives on
// transparency over that backdrop.
void TstLiveChart::drawnOnItsBackdrop()
{
    QFETCH(const ChartProfile *, profile);
    QFETCH(QColor, backdrop);
    QFETCH(int, tolerance);
    QWidget parent;
    parent.resize(900, 400);
    QPalette palette = parent.palette();
    palette.setColor(QPalette::Window, backdrop);
    parent.setPalette(palette);
    parent.setAutoFillBackground(true);
    auto *plot = new QCustomPlot(&parent);
    plot->resize(900, 400);
    TestTool tool;
    setupLiveChart(plot, tool, *profile);
    drawOnBackdrop(plot, backdrop); // the tool charts sit on black; another colour here
    QVector<double> keys, values;
    for (int i = 0; i < 300; ++i) {
        keys.append(i);
        values.append(3 + std::sin(i / 20.0));
    }
    plot->graph(0)->setData(keys, values);
    plot->xAxis->setRange(0, 300);
    plot->replot();
    QVERIFY(plot->testAttribute(Qt::WA_OpaquePaintEvent));
    const QImage opaque = parent.grab().toImage();

    // Half-way between the first grid lines of both directions, where the
    // chart draws nothing.
    const QPoint empty(int(plot->xAxis->coordToPixel(0.5)), int(plot->yAxis->coordToPixel(0.5)));
    QVERIFY(plot->axisRect()->rect().contains(empty));
    QCOMPARE(opaque.pixelColor(empty), backdrop);

    // QCustomPlot's own transparent picture, over the same backdrop.
    drawOnBackdrop(plot, QColor());
    plot->replot();
    QVERIFY(!plot->testAttribute(Qt::WA_OpaquePaintEvent));
    const QImage transparent = parent.grab().toImage();
    QCOMPARE(opaque.size(), transparent.size());
    int largest = 0;
    for (int y = 0; y < opaque.height(); ++y) {
        for (int x = 0; x < opaque.width(); ++x) {
            const QColor a = opaque.pixelColor(x, y);
            const QColor b = transparent.pixelColor(x, y);
            largest = std::max({largest, std::abs(a.red() - b.red()),
                                std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())});
        }
    }
    QCOMPARE(largest, tolerance);
}

void TstLiveChart::setupTagsAndItems_data()
{
    QTest::addColumn<const ChartProfile *>("profile");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("meter") << &meterChartProfile() << QStringList{"0.0000V", "0.0000A", "0.0000W"};
    QTest::newRow("power") << &powerChartProfile() << QStringList{"0.00V", "0.000A", "0.00W"};
    QTest::newRow("bootline") << &bootLineChartProfile() << QStringList{"0.00A"};
}

void TstLiveChart::setupTagsAndItems()
{
    QFETCH(const ChartProfile *, profile);
    QFETCH(QStringList, texts);
    TestChart c(*profile);
    QCOMPARE(c.plot.itemCount(), 3 * texts.size());
    for (int k = 0; k < 3; ++k) {
        AxisTag *tag = c.tool.tags[k];
        if (k >= texts.size()) {
            QVERIFY(tag == nullptr);
            continue;
        }
        QVERIFY(tag != nullptr);
        QCOMPARE(tag->axis(), c.rightAxis(k));
        QCOMPARE(tag->parent(), static_cast<QObject *>(c.rightAxis(k)));
        QCOMPARE(tag->label()->text(), texts.at(k));
        QCOMPARE(tag->arrow()->pen(), c.plot.graph(k)->pen());
        QCOMPARE(tag->label()->pen(), c.plot.graph(k)->pen());
        QCOMPARE(tag->label()->brush(), QBrush(Qt::white, Qt::SolidPattern));
    }
}

void TstLiveChart::span_data()
{
    QTest::addColumn<const ChartProfile *>("profile");
    QTest::addColumn<bool>("recording");
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<int>("expected");

    const ChartProfile *m = &meterChartProfile();
    const ChartProfile *p = &powerChartProfile();
    const ChartProfile *b = &bootLineChartProfile();
    QTest::newRow("meter rec zoom 50") << m << true << 100.0 << 150.0 << 100;
    QTest::newRow("power rec zoom 50") << p << true << 100.0 << 150.0 << 100;
    QTest::newRow("boot rec zoom 50") << b << true << 100.0 << 150.0 << 400;
    QTest::newRow("boot rec 399.5") << b << true << 0.0 << 399.5 << 400;
    QTest::newRow("meter rec 100 exact") << m << true << 0.0 << 100.0 << 100;
    QTest::newRow("meter rec 123.7") << m << true << 0.0 << 123.7 << 123;
    QTest::newRow("boot rec 400.9") << b << true << 0.0 << 400.9 << 400;
    QTest::newRow("meter rec 10000 exact") << m << true << 0.0 << 10000.0 << 10000;
    QTest::newRow("meter rec 12000") << m << true << 0.0 << 12000.0 << 10000;
    QTest::newRow("power rec 10000.5") << p << true << 0.0 << 10000.5 << 10000;
    QTest::newRow("boot rec 1e6") << b << true << -5e5 << 5e5 << 10000;
    QTest::newRow("meter paused 123.7") << m << false << 0.0 << 123.7 << 123;
    QTest::newRow("meter paused 50") << m << false << 10.0 << 60.0 << 50;
    QTest::newRow("boot paused 50.9") << b << false << 0.0 << 50.9 << 50;
    QTest::newRow("power paused 12000.2") << p << false << 0.0 << 12000.2 << 12000;
    QTest::newRow("meter paused 0.5") << m << false << 0.0 << 0.5 << 0;
    QTest::newRow("meter paused huge") << m << false << -1e200 << 1e200 << INT_MAX;
}

void TstLiveChart::span()
{
    QFETCH(const ChartProfile *, profile);
    QFETCH(bool, recording);
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(int, expected);
    TestChart c(*profile);
    c.tool.chartRunning = recording;
    c.plot.xAxis->setRange(lower, upper);
    updateSpan(&c.plot, c.tool, *profile);
    QCOMPARE(c.tool.spanSamples, expected);
}

void TstLiveChart::appendKeys()
{
    TestChart c(meterChartProfile());
    appendSample(c.tool, {5.0, 0.5, 2.5});
    const double values[3] = {5.1, 0.6, 3.06};
    appendSample(c.tool, values);
    for (int k = 0; k < 3; ++k) {
        QCOMPARE(c.plot.graph(k)->dataCount(), 2);
        QCOMPARE((c.plot.graph(k)->data()->constBegin() + 0)->key, 0.0);
        QCOMPARE((c.plot.graph(k)->data()->constBegin() + 1)->key, 1.0);
    }
    QCOMPARE(c.plot.graph(0)->dataMainValue(1), 5.1);
    QCOMPARE(c.plot.graph(2)->dataMainValue(0), 2.5);

    // keys follow each graph's own count
    c.plot.graph(1)->addData(2, 9.0);
    appendSample(c.tool, values);
    QCOMPARE((c.plot.graph(0)->data()->constEnd() - 1)->key, 2.0);
    QCOMPARE((c.plot.graph(1)->data()->constEnd() - 1)->key, 3.0);

    // boot line: one value per sample, one graph
    TestChart b(bootLineChartProfile());
    const double current = 1.25;
    appendSample(b.tool, &current);
    appendSample(b.tool, {1.5});
    QCOMPARE(b.plot.graph(0)->dataCount(), 2);
    QCOMPARE(b.plot.graph(0)->dataMainValue(1), 1.5);
}

void TstLiveChart::recordingStepEmptyChart()
{
    for (const ChartProfile *profile :
         {&meterChartProfile(), &powerChartProfile(), &bootLineChartProfile()}) {
        TestChart c(*profile);
        c.tool.chartRunning = true;
        c.plot.xAxis->setRange(-45, 5);
        updateSpan(&c.plot, c.tool, *profile);
        QCOMPARE(c.tool.spanSamples, profile->minRecordingSpan);
        QSignalSpy replots(&c.plot, &QCustomPlot::afterReplot);
        recordingStep(&c.plot, c.tool, *profile);
        // the rescale leaves the range unchanged; the span is applied at its end
        QCOMPARE(c.plot.xAxis->range().upper, 5.0);
        QCOMPARE(c.plot.xAxis->range().lower, 5.0 - profile->minRecordingSpan);
        QCOMPARE(c.plot.xAxis2->range(), c.plot.xAxis->range());
        for (int k = 0; k < profile->graphCount; ++k)
            QCOMPARE(c.rightAxis(k)->range(), QCPRange(0, 1));
        // one redraw, carried out at the display's rate
        QCOMPARE(replots.count(), 0);
        flushRedraw(c.tool);
        QCOMPARE(replots.count(), 1);
        QVERIFY(!c.tool.enoughData);   // upper bound 5
        QVERIFY(!c.tool.scanInFlight); // empty graph 0: no scan

        // the enough-data test looks at the upper bound only
        c.plot.xAxis->setRange(20, 70);
        updateSpan(&c.plot, c.tool, *profile);
        recordingStep(&c.plot, c.tool, *profile);
        QCOMPARE(c.plot.xAxis->range(), QCPRange(70.0 - profile->minRecordingSpan, 70.0));
        QVERIFY(c.tool.enoughData);
    }
}

void TstLiveChart::recordingStepWithData_data()
{
    setup_data();
}

void TstLiveChart::recordingStepWithData()
{
    QFETCH(const ChartProfile *, profile);
    TestChart c(*profile);
    c.tool.chartRunning = true;
    c.tool.axisMax[0] = 5.25;
    c.tool.axisMax[1] = 2.0;
    c.tool.axisMax[2] = 10.5;
    c.append(1000, [](int k, int key) { return (k + 1) * 0.001 * key; });
    c.plot.xAxis->setRange(600, 650); // user zoomed to 50 samples
    updateSpan(&c.plot, c.tool, *profile);
    QCOMPARE(c.tool.spanSamples, profile->minRecordingSpan);

    QSignalSpy replots(&c.plot, &QCustomPlot::afterReplot);
    const int changesBefore = c.rangeChanges;
    recordingStep(&c.plot, c.tool, *profile);
    QCOMPARE(c.plot.xAxis->range().upper, 999.0);
    QCOMPARE(c.plot.xAxis->range().size(), double(profile->minRecordingSpan));
    QCOMPARE(c.plot.xAxis2->range(), c.plot.xAxis->range());
    QCOMPARE(c.rightAxis(0)->range(), QCPRange(0, 6.25));
    if (profile->graphCount == 3) {
        QCOMPARE(c.rightAxis(1)->range(), QCPRange(0, 3.0));
        QCOMPARE(c.rightAxis(2)->range(), QCPRange(0, 11.5));
    }
    flushRedraw(c.tool);
    QCOMPARE(replots.count(), 1);
    QCOMPARE(c.rangeChanges - changesBefore, 2); // the rescale and the setRange
    QVERIFY(c.tool.enoughData);

    // zoomed out beyond 10000 while recording: narrowed to 10000
    c.append(11000, [](int, int key) { return key * 1e-4; });
    c.plot.xAxis->setRange(-5000, 12000);
    updateSpan(&c.plot, c.tool, *profile);
    recordingStep(&c.plot, c.tool, *profile);
    QCOMPARE(c.plot.xAxis->range(), QCPRange(11999 - 10000, 11999));
    settleScans();
}

void TstLiveChart::enoughDataOrder()
{
    // Upper bound 5 before the step, 11 after it: the meter tests before the
    // step (still false), the others after it (true).
    for (const ChartProfile *profile :
         {&meterChartProfile(), &powerChartProfile(), &bootLineChartProfile()}) {
        TestChart c(*profile);
        c.tool.chartRunning = true;
        c.append(12, [](int, int key) { return double(key); });
        c.plot.xAxis->setRange(0, 5);
        updateSpan(&c.plot, c.tool, *profile);
        recordingStep(&c.plot, c.tool, *profile);
        QCOMPARE(c.plot.xAxis->range().upper, 11.0);
        QCOMPARE(c.tool.enoughData, !profile->enoughDataBeforeStep);
        recordingStep(&c.plot, c.tool, *profile);
        QVERIFY(c.tool.enoughData);
        settleScans();
    }
}

void TstLiveChart::clear_data()
{
    setup_data();
}

void TstLiveChart::clear()
{
    QFETCH(const ChartProfile *, profile);
    TestChart c(*profile);
    c.tool.chartRunning = true;
    c.append(50, [](int k, int key) { return k + key * 0.1; });
    updateSpan(&c.plot, c.tool, *profile);
    recordingStep(&c.plot, c.tool, *profile);
    recordingStep(&c.plot, c.tool, *profile); // the meter tests before the step
    settleScans();
    QVERIFY(c.tool.enoughData);
    const double axisMax0 = c.tool.axisMax[0];
    const QCPRange range = c.plot.xAxis->range();
    const QString tagText = c.tool.tags[0]->label()->text();

    QSignalSpy replots(&c.plot, &QCustomPlot::afterReplot);
    clearChart(&c.plot, c.tool, *profile);
    QCOMPARE(replots.count(), 1);
    QVERIFY(!c.tool.enoughData);
    for (int k = 0; k < profile->graphCount; ++k)
        QCOMPARE(c.plot.graph(k)->dataCount(), 0);
    QCOMPARE(c.tool.axisMax[0], axisMax0);
    QCOMPARE(c.plot.xAxis->range(), range);
    QCOMPARE(c.tool.tags[0]->label()->text(), tagText);
    QVERIFY(c.tool.chartRunning);

    appendSample(c.tool, {7.0, 8.0, 9.0});
    for (int k = 0; k < profile->graphCount; ++k) {
        QCOMPARE(c.plot.graph(k)->dataCount(), 1);
        QCOMPARE(c.plot.graph(k)->data()->constBegin()->key, 0.0);
    }
}

QTEST_MAIN(TstLiveChart)
#include "tst_livechart.moc"
