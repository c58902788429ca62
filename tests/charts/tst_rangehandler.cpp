// Range handling and the background maxima scan.
#include "charttesthelpers.h"

#include <QtTest>

#include <algorithm>
#include <random>

Q_DECLARE_METATYPE(const ChartProfile *)

namespace {

// Range change from the outside (a user drag), emitting rangeChanged.
void moveView(TestChart &c, double lower, double upper)
{
    c.plot.xAxis->setRange(lower, upper);
}

// Expected maximum of graph k over the sample positions [from, to], starting
// at `start` (the tag value).
double expectedMax(const QCPGraph *graph, int from, int to, double start)
{
    double m = start;
    for (int i = from; i <= to; ++i)
        m = std::max(m, graph->dataMainValue(i));
    return m;
}

} // namespace

class TstRangeHandler : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { settleScans(); }

    void tagsShowValuesAtRightEdge_data();
    void tagsShowValuesAtRightEdge();
    void rightEdgeClamped();
    void emptyGraphTouchesNothing();
    void hiddenPageDoesNothing();
    void fewerThan100AllExamined_data();
    void fewerThan100AllExamined();
    void recordingExaminesNewestSpan();
    void recordingWindowLargerThanData();
    void notRecordingWalksBackFromRightEdge();
    void peakFoundAnywhereInWindow_data();
    void peakFoundAnywhereInWindow();
    void stoppedChartAtSampleZero_data();
    void stoppedChartAtSampleZero();
    void lowestIndexPerProfile_data();
    void lowestIndexPerProfile();
    void notRecordingAppliesMaximaAtNextRangeChange();
    void recordingTakesReadyFlagOnly();
    void oneScanInFlightPerTool();
    void scanEndsWithoutChangeWhenPageHidden_data();
    void scanEndsWithoutChangeWhenPageHidden();
    void resultDroppedWhenPageHiddenByDelivery();
    void powerScanNeedsChartView();
    void scanUsesWindowAtRangeChange();
    void scanOutlivesItsTool();
    void stressScansWhileAppending();
};

void TstRangeHandler::tagsShowValuesAtRightEdge_data()
{
    QTest::addColumn<const ChartProfile *>("profile");
    QTest::addColumn<QStringList>("texts");
    // sample 30: values 5 + 30/8, 0.5 + 30/64, ...
    QTest::newRow("meter") << &meterChartProfile() << QStringList{"8.7500V", "0.9688A", "8.4766W"};
    QTest::newRow("power") << &powerChartProfile() << QStringList{"8.75V", "0.969A", "8.48W"};
    QTest::newRow("bootline") << &bootLineChartProfile() << QStringList{"8.75A"};
}

void TstRangeHandler::tagsShowValuesAtRightEdge()
{
    QFETCH(const ChartProfile *, profile);
    QFETCH(QStringList, texts);
    TestChart c(*profile);
    c.append(50, [](int k, int key) {
        const double v = 5 + key / 8.0;
        const double i = 0.5 + key / 64.0;
        return k == 0 ? v : k == 1 ? i : v * i;
    });
    moveView(c, 10.2, 30.9); // truncated toward zero: sample 30
    QCOMPARE(c.tool.tagIndex, 30);
    for (int k = 0; k < texts.size(); ++k) {
        const double value = c.plot.graph(k)->dataMainValue(30);
        QCOMPARE(c.tool.tagValue[k], value);
        QCOMPARE(c.tool.tags[k]->tracer()->position->coords(), QPointF(1, value));
        QCOMPARE(c.tool.tags[k]->arrow()->end->coords(), QPointF(c.rightAxis(k)->offset(), 0));
        QCOMPARE(c.tool.tags[k]->label()->text(), texts.at(k));
    }
}

void TstRangeHandler::rightEdgeClamped()
{
    TestChart c(meterChartProfile());
    c.append(50, [](int k, int key) { return k * 100 + key; });
    moveView(c, 10, 500);
    QCOMPARE(c.tool.tagIndex, 49);
    QCOMPARE(c.tool.tags[0]->label()->text(), QStringLiteral("49.0000V"));
    moveView(c, -60, -10);
    QCOMPARE(c.tool.tagIndex, 0);
    QCOMPARE(c.tool.tags[1]->label()->text(), QStringLiteral("100.0000A"));
    moveView(c, -60, -0.5); // truncated toward zero: 0
    QCOMPARE(c.tool.tagIndex, 0);
    moveView(c, -1e200, 1e200);
    QCOMPARE(c.tool.tagIndex, 49);
    moveView(c, -1e200, -1e199);
    QCOMPARE(c.tool.tagIndex, 0);
}

void TstRangeHandler::emptyGraphTouchesNothing()
{
    TestChart c(meterChartProfile());
    c.tool.tagIndex = 7;
    QSignalSpy replots(&c.plot, &QCustomPlot::afterReplot);
    moveView(c, 0, 50);
    QCOMPARE(c.tool.tagIndex, 0); // clamped: count - 1 = -1, then 0
    QCOMPARE(c.tool.tags[0]->label()->text(), QStringLiteral("0.0000V"));
    QCOMPARE(c.tool.tags[0]->tracer()->position->coords(), QPointF(1, 0));
    QVERIFY(!c.tool.scanInFlight);
    settleScans();
    QVERIFY(!c.tool.maximaReady);
    QCOMPARE(replots.count(), 0);
}

void TstRangeHandler::hiddenPageDoesNothing()
{
    TestChart c(meterChartProfile());
    c.append(50, [](int, int key) { return double(key); });
    c.pageShown = false;
    moveView(c, 0, 20);
    QCOMPARE(c.tool.tagIndex, 0);
    QCOMPARE(c.tool.tags[0]->label()->text(), QStringLiteral("0.0000V"));
    QVERIFY(!c.tool.scanInFlight);
    QVERIFY(!c.tool.isPageShown());
    c.pageShown = true;
    moveView(c, 0, 21);
    QVERIFY(c.tool.isPageShown());
    QCOMPARE(c.tool.tags[0]->label()->text(), QStringLiteral("21.0000V"));
}

void TstRangeHandler::fewerThan100AllExamined_data()
{
    QTest::addColumn<const ChartProfile *>("profile");
    QTest::newRow("meter") << &meterChartProfile();
    QTest::newRow("power") << &powerChartProfile();
    QTest::newRow("bootline") << &bootLineChartProfile();
}

void TstRangeHandler::fewerThan100AllExamined()
{
    // Recording, 60 samples, view narrower than the data: the scan examines
    // all 60, down to sample 0.
    QFETCH(const ChartProfile *, profile);
    TestChart c(*profile);
    c.tool.chartRunning = true;
    c.append(60, [](int k, int key) { return key == 0 ? 10.0 + k : 1.0 + 0.01 * key; });
    c.plot.xAxis->setRange(40, 59);
    c.tool.spanSamples = 20;
    settleScans();
    c.tool.maximaReady = false;
    moveView(c, 41, 59);
    QVERIFY(c.tool.scanInFlight);
    settleScans();
    QVERIFY(!c.tool.scanInFlight);
    QVERIFY(c.tool.maximaReady);
    QCOMPARE(c.tool.scanWindow, 60.0);
    for (int k = 0; k < profile->graphCount; ++k) {
        QCOMPARE(c.tool.axisMax[k], 10.0 + k);
        QCOMPARE(c.tool.scanMax[k], 10.0 + k);
    }
}

void TstRangeHandler::recordingExaminesNewestSpan()
{
    // 300 samples, 100-wide view, recording: the newest 100 (200..299).
    TestChart c(meterChartProfile());
    c.tool.chartRunning = true;
    c.append(300, [](int k, int key) {
        if (key == 199)
            return 100.0 + k; // just outside the window
        if (key == 200)
            return 50.0 + k; // oldest sample inside
        if (key == 250)
            return 40.0 + k;
        return 1.0;
    });
    c.plot.xAxis->setRange(150, 250); // right edge at 250: tag values 40, 41, 42
    settleScans();
    c.tool.maximaReady = false;
    updateSpan(&c.plot, c.tool, meterChartProfile());
    QCOMPARE(c.tool.spanSamples, 100);
    moveView(c, 150.5, 250.5);
    settleScans();
    QVERIFY(c.tool.maximaReady);
    QCOMPARE(c.tool.scanWindow, 100.0);
    for (int k = 0; k < 3; ++k)
        QCOMPARE(c.tool.axisMax[k], 50.0 + k);

    // The recording step then applies them.
    recordingStep(&c.plot, c.tool, meterChartProfile());
    for (int k = 0; k < 3; ++k)
        QCOMPARE(c.rightAxis(k)->range(), QCPRange(0, 51.0 + k));
}

void TstRangeHandler::recordingWindowLargerThanData()
{
    // spanSamples above the data count: scanWindow = n, everything examined.
    TestChart c(powerChartProfile());
    c.tool.chartRunning = true;
    c.append(150, [](int k, int key) { return key == 0 ? 9.0 + k : 0.5; });
    c.tool.spanSamples = 400;
    settleScans();
    c.tool.maximaReady = false;
    moveView(c, 0, 149);
    settleScans();
    QCOMPARE(c.tool.scanWindow, 150.0);
    for (int k = 0; k < 3; ++k)
        QCOMPARE(c.tool.axisMax[k], 9.0 + k);
}

void TstRangeHandler::notRecordingWalksBackFromRightEdge()
{
    // Stopped, 1000 samples, view 300..400 (spanSamples 100): examines the 100
    // samples 400 down to 301.
    TestChart c(powerChartProfile());
    c.append(1000, [](int k, int key) {
        if (key == 300 || key == 401)
            return 99.0; // just outside on either side
        if (key == 301)
            return 20.0 + k;
        if (key == 350)
            return 10.0 + k;
        return 0.25 * k;
    });
    c.tool.spanSamples = 100;
    moveView(c, 300, 400);
    QCOMPARE(c.tool.tagIndex, 400);
    settleScans();
    QVERIFY(c.tool.maximaReady);
    QCOMPARE(c.tool.scanWindow, 100.0);
    for (int k = 0; k < 3; ++k)
        QCOMPARE(c.tool.axisMax[k], 20.0 + k);

    // A window of 0 samples (spanSamples 0 with more than 99 samples) examines
    // nothing: axisMax = tag values.
    c.tool.maximaReady = false;
    c.tool.spanSamples = 0;
    moveView(c, 349.7, 350.2);
    settleScans();
    QCOMPARE(c.tool.scanWindow, 0.0);
    for (int k = 0; k < 3; ++k)
        QCOMPARE(c.tool.axisMax[k], 10.0 + k);
}

void TstRangeHandler::peakFoundAnywhereInWindow_data()
{
    QTest::addColumn<bool>("recording");
    QTest::addColumn<int>("width");
    // Widths that leave 0, 1, 2 and 3 samples over when the window is split
    // into groups of four.
    for (bool recording : {true, false}) {
        for (int width : {100, 101, 102, 103}) {
            const QByteArray name = QByteArray(recording ? "recording" : "stopped") + " width " +
                                    QByteArray::number(width);
            QTest::newRow(name.constData()) << recording << width;
        }
    }
}

void TstRangeHandler::peakFoundAnywhereInWindow()
{
    // 150 samples of 1.0 and one peak of 50.0 moved through every position
    // from two before the window to its right edge (sample 149): the scan
    // finds the peak exactly when it lies among the newest `width` samples.
    QFETCH(bool, recording);
    QFETCH(int, width);
    const int n = 150;
    TestChart c(meterChartProfile());
    c.tool.chartRunning = recording;
    c.append(n, [](int, int) { return 1.0; });
    c.tool.spanSamples = width;
    for (int peak = n - width - 2; peak < n; ++peak) {
        for (int k = 0; k < 3; ++k)
            (c.tool.graphs[k]->data()->begin() + peak)->value = 50.0 + k;
        c.tool.maximaReady = false;
        moveView(c, n - width + (peak % 2) * 0.25, n - 1 + (peak % 2) * 0.25);
        QCOMPARE(c.tool.tagIndex, n - 1);
        settleScans();
        QVERIFY(c.tool.maximaReady);
        const bool inside = peak >= n - width;
        for (int k = 0; k < 3; ++k)
            QCOMPARE(c.tool.axisMax[k], inside ? 50.0 + k : 1.0);
        for (int k = 0; k < 3; ++k)
            (c.tool.graphs[k]->data()->begin() + peak)->value = 1.0;
    }
}

void TstRangeHandler::stoppedChartAtSampleZero_data()
{
    fewerThan100AllExamined_data();
}

void TstRangeHandler::stoppedChartAtSampleZero()
{
    QFETCH(const ChartProfile *, profile);
    TestChart c(*profile);
    c.append(50, [](int k, int key) { return key == 0 ? 1.5 + k : 30.0 + key; });
    c.tool.spanSamples = 20;
    moveView(c, -20, 0);
    QCOMPARE(c.tool.tagIndex, 0);
    for (int k = 0; k < profile->graphCount; ++k)
        QCOMPARE(c.tool.tagValue[k], 1.5 + k);
    settleScans();
    QVERIFY(c.tool.maximaReady);
    QCOMPARE(c.tool.scanWindow, 50.0); // n <= 99: scanWindow = n
    for (int k = 0; k < profile->graphCount; ++k)
        QCOMPARE(c.tool.axisMax[k], 1.5 + k);
}

void TstRangeHandler::lowestIndexPerProfile_data()
{
    QTest::addColumn<const ChartProfile *>("profile");
    QTest::addColumn<double>("expected0");
    // right edge at sample 1; sample 0 = 7, sample 1 = 2: the meter stops at
    // index 1, the others examine sample 0 too.
    QTest::newRow("meter") << &meterChartProfile() << 2.0;
    QTest::newRow("power") << &powerChartProfile() << 7.0;
    QTest::newRow("bootline") << &bootLineChartProfile() << 7.0;
}

void TstRangeHandler::lowestIndexPerProfile()
{
    QFETCH(const ChartProfile *, profile);
    QFETCH(double, expected0);
    TestChart c(*profile);
    c.append(50, [](int, int key) { return key == 0 ? 7.0 : key == 1 ? 2.0 : 40.0; });
    c.tool.spanSamples = 20;
    moveView(c, -19, 1);
    QCOMPARE(c.tool.tagIndex, 1);
    settleScans();
    QCOMPARE(c.tool.axisMax[0], expected0);
}

void TstRangeHandler::notRecordingAppliesMaximaAtNextRangeChange()
{
    TestChart c(meterChartProfile());
    c.append(300, [](int k, int key) { return (k + 1) * (key == 40 ? 6.0 : 1.0); });
    c.tool.spanSamples = 50;
    QSignalSpy replots(&c.plot, &QCustomPlot::afterReplot);
    const QCPRange before[3] = {c.rightAxis(0)->range(), c.rightAxis(1)->range(),
                                c.rightAxis(2)->range()};

    // first range change of a drag: starts a scan
    moveView(c, 20, 70);
    QVERIFY(c.tool.scanInFlight);
    QVERIFY(!c.tool.maximaReady);
    settleScans();
    // the scan has finished: result waiting, axes not yet changed
    QVERIFY(c.tool.maximaReady);
    QVERIFY(!c.tool.scanInFlight);
    for (int k = 0; k < 3; ++k) {
        QCOMPARE(c.tool.axisMax[k], 6.0 * (k + 1));
        QCOMPARE(c.rightAxis(k)->range(), before[k]);
    }
    QCOMPARE(replots.count(), 0);

    // next range change: applies the maxima and replots, starts no scan
    moveView(c, 21, 71);
    QVERIFY(!c.tool.maximaReady);
    QVERIFY(!c.tool.scanInFlight);
    for (int k = 0; k < 3; ++k)
        QCOMPARE(c.rightAxis(k)->range(), QCPRange(0, 6.0 * (k + 1) + 1));
    QCOMPARE(replots.count(), 1);

    // and the one after starts the next scan
    moveView(c, 200, 250); // examines 250 down to 201
    QVERIFY(c.tool.scanInFlight);
    settleScans();
    QVERIFY(c.tool.maximaReady);
    for (int k = 0; k < 3; ++k)
        QCOMPARE(c.tool.axisMax[k], double(k + 1));
    // letting go before the next range change: the axes keep the old maxima
    for (int k = 0; k < 3; ++k)
        QCOMPARE(c.rightAxis(k)->range(), QCPRange(0, 6.0 * (k + 1) + 1));
}

void TstRangeHandler::recordingTakesReadyFlagOnly()
{
    TestChart c(meterChartProfile());
    c.tool.chartRunning = true;
    c.append(80, [](int k, int) { return 3.0 + k; });
    c.tool.spanSamples = 100;
    moveView(c, 0, 79);
    settleScans();
    QVERIFY(c.tool.maximaReady);
    QSignalSpy replots(&c.plot, &QCustomPlot::afterReplot);
    const QCPRange before = c.rightAxis(0)->range();
    moveView(c, 1, 79);
    QVERIFY(!c.tool.maximaReady);
    QVERIFY(!c.tool.scanInFlight);
    QCOMPARE(c.rightAxis(0)->range(), before); // the recording step applies them
    QCOMPARE(replots.count(), 0);
    recordingStep(&c.plot, c.tool, meterChartProfile());
    QCOMPARE(c.rightAxis(0)->range(), QCPRange(0, 4.0));
}

void TstRangeHandler::oneScanInFlightPerTool()
{
    TestChart c(meterChartProfile());
    c.append(80, [](int, int key) { return double(key); });
    c.tool.spanSamples = 30;
    {
        PoolBlocker blocker;
        moveView(c, 0, 40);
        QVERIFY(c.tool.scanInFlight);
        const QFuture<QuorvalineCharts::MaximaScanResult> first = c.tool.scanWatcher->future();
        moveView(c, 0, 60);
        moveView(c, 0, 70);
        QVERIFY(c.tool.scanWatcher->future() == first);
        QCOMPARE(c.tool.tagIndex, 70);
        blocker.release();
        settleScans();
    }
    // the result is the one of the first scan (right edge 40)
    QVERIFY(c.tool.maximaReady);
    QCOMPARE(c.tool.axisMax[0], 40.0);
    QVERIFY(!c.tool.scanInFlight);
}

void TstRangeHandler::scanEndsWithoutChangeWhenPageHidden_data()
{
    QTest::addColumn<bool>("backBeforeResultTaken");
    QTest::newRow("still away when the result is taken") << false;
    // Only the scan's own check when it starts can drop this one: the page is
    // shown again by the time the GUI thread takes the result.
    QTest::newRow("back before the result is taken") << true;
}

void TstRangeHandler::scanEndsWithoutChangeWhenPageHidden()
{
    QFETCH(bool, backBeforeResultTaken);
    TestChart c(meterChartProfile());
    c.append(80, [](int, int key) { return double(key); });
    c.tool.spanSamples = 30;
    c.tool.axisMax[0] = -1;
    c.tool.scanWindow = -2;
    {
        PoolBlocker blocker;
        moveView(c, 0, 40); // the scan waits in the pool's queue
        QVERIFY(c.tool.scanInFlight);
        c.tool.setPageShown(false); // the user leaves the page
        blocker.release();
        QThreadPool::globalInstance()->waitForDone(); // the scan has run
    }
    QVERIFY(c.tool.scanInFlight); // its result is not taken yet
    if (backBeforeResultTaken)
        c.tool.setPageShown(true);
    settleScans();
    QVERIFY(!c.tool.scanInFlight);
    QVERIFY(!c.tool.maximaReady);
    QCOMPARE(c.tool.axisMax[0], -1.0);
    QCOMPARE(c.tool.scanWindow, -2.0);

    // back on the page: the next range change starts a new scan
    c.tool.setPageShown(true);
    moveView(c, 0, 41);
    QVERIFY(c.tool.scanInFlight);
    settleScans();
    QVERIFY(c.tool.maximaReady);
    QCOMPARE(c.tool.axisMax[0], 41.0);
    QCOMPARE(c.tool.scanWindow, 80.0); // n <= 99: scanWindow = n
}

void TstRangeHandler::resultDroppedWhenPageHiddenByDelivery()
{
    TestChart c(meterChartProfile());
    c.append(80, [](int, int key) { return double(key); });
    c.tool.spanSamples = 30;
    moveView(c, 0, 40);
    QVERIFY(c.tool.scanInFlight);
    QThreadPool::globalInstance()->waitForDone(); // scan done, result not delivered
    c.tool.setPageShown(false);
    settleScans();
    QVERIFY(!c.tool.scanInFlight);
    QVERIFY(!c.tool.maximaReady);
    QCOMPARE(c.tool.axisMax[0], 0.0);
}

void TstRangeHandler::powerScanNeedsChartView()
{
    TestChart c(powerChartProfile());
    c.append(80, [](int, int key) { return double(key); });
    c.tool.spanSamples = 30;
    c.scanAllowed = false; // adjPowView shows another page
    moveView(c, 0, 40);
    QCOMPARE(c.tool.tags[0]->label()->text(), QStringLiteral("40.00V")); // slot ran
    QVERIFY(!c.tool.isPageShown());
    QVERIFY(!c.tool.scanInFlight);
    settleScans();
    QVERIFY(!c.tool.maximaReady);
    c.scanAllowed = true;
    moveView(c, 0, 41);
    QVERIFY(c.tool.scanInFlight);
    settleScans();
    QVERIFY(c.tool.maximaReady);
    QCOMPARE(c.tool.axisMax[0], 41.0);
}

void TstRangeHandler::scanUsesWindowAtRangeChange()
{
    // The GUI thread clears and refills the graphs while the scan waits in the
    // pool's queue: its result is still that of the window at the range
    // change that started it.
    TestChart c(meterChartProfile());
    c.tool.chartRunning = true;
    c.append(200, [](int k, int key) { return key == 150 ? 8.0 + k : 1.0; });
    c.tool.spanSamples = 100;
    {
        PoolBlocker blocker;
        moveView(c, 100, 199);
        QVERIFY(c.tool.scanInFlight);
        clearChart(&c.plot, c.tool, meterChartProfile());
        c.append(500, [](int, int) { return 1000.0; });
        blocker.release();
        settleScans();
    }
    QVERIFY(c.tool.maximaReady);
    for (int k = 0; k < 3; ++k)
        QCOMPARE(c.tool.axisMax[k], 8.0 + k);
}

void TstRangeHandler::scanOutlivesItsTool()
{
    // A tool state destroyed while its scan waits in the pool's queue: the scan
    // runs later on what it was handed, including its own reference to the
    // page-shown flag, and its result goes nowhere.
    {
        PoolBlocker blocker;
        {
            TestChart c(meterChartProfile());
            c.append(80, [](int, int key) { return double(key); });
            c.tool.spanSamples = 30;
            moveView(c, 0, 40);
            QVERIFY(c.tool.scanInFlight);
        }
        blocker.release();
    }
    QVERIFY(QThreadPool::globalInstance()->waitForDone(10000));
    QCoreApplication::processEvents();

    // The next tool's scans work as before.
    TestChart c(meterChartProfile());
    c.append(80, [](int, int key) { return double(key); });
    c.tool.spanSamples = 30;
    moveView(c, 0, 41);
    settleScans();
    QVERIFY(c.tool.maximaReady);
    QCOMPARE(c.tool.axisMax[0], 41.0);
}

void TstRangeHandler::stressScansWhileAppending()
{
    // Three tools record at once: the GUI thread appends, scrolls (two range
    // changes per poll, each one starting a scan or taking a result), clears
    // now and then, while scans run on the pool; events are processed now and
    // then so that results arrive in the middle of it all. With three tools
    // and a pool of a few threads, some scans wait in the pool's queue.

    const ChartProfile *profiles[3] = {&meterChartProfile(), &powerChartProfile(),
                                       &bootLineChartProfile()};
    std::vector<std::unique_ptr<TestChart>> charts;
    for (const ChartProfile *p : profiles) {
        charts.emplace_back(new TestChart(*p));
        charts.back()->tool.chartRunning = true;
    }
    std::mt19937 rng(12345);
    std::uniform_real_distribution<double> value(0.0, 20.0);
    int delivered = 0;
    const int polls = 3000;
    for (int poll = 0; poll < polls; ++poll) {
        for (auto &chart : charts) {
            TestChart &c = *chart;
            updateSpan(&c.plot, c.tool, c.profile);
            const int samples = 1 + poll % 5;
            for (int s = 0; s < samples; ++s)
                appendSample(c.tool, {value(rng), value(rng), value(rng)});
            recordingStep(&c.plot, c.tool, c.profile);
            if (poll % 97 == 96)
                clearChart(&c.plot, c.tool, c.profile);
            if (poll % 13 == 0) {
                // a user zoom in between
                c.plot.xAxis->setRange(c.plot.xAxis->range().upper - 50 - poll % 300,
                                       c.plot.xAxis->range().upper);
            }
            if (poll % 250 == 0) {
                c.tool.setPageShown(false);
                c.tool.setPageShown(true);
            }
        }
        if (poll % 3 == 0) {
            const bool ready = charts[0]->tool.maximaReady;
            QCoreApplication::processEvents();
            if (!ready && charts[0]->tool.maximaReady)
                ++delivered;
        }
    }
    settleScans();
    QVERIFY2(delivered > 0, "results arrived while recording");

    // Final consistency check on each chart: a fresh scan of the newest
    // window gives the true maxima of that window.
    for (auto &chart : charts) {
        TestChart &c = *chart;
        QVERIFY(!c.tool.scanInFlight);
        c.tool.maximaReady = false;
        updateSpan(&c.plot, c.tool, c.profile);
        const int n = c.tool.graphs[0]->dataCount();
        QVERIFY(n > 99);
        const double upper = c.plot.xAxis->range().upper;
        c.plot.xAxis->setRange(upper - 1, upper); // one range change: starts a scan
        QVERIFY(c.tool.scanInFlight);
        settleScans();
        QVERIFY(c.tool.maximaReady);
        const int window = c.tool.spanSamples <= n ? c.tool.spanSamples : n;
        QCOMPARE(c.tool.scanWindow, double(window));
        for (int k = 0; k < c.profile.graphCount; ++k) {
            const QCPGraph *g = c.tool.graphs[k];
            QCOMPARE(c.tool.axisMax[k], expectedMax(g, n - window, n - 1, c.tool.tagValue[k]));
        }
    }
}

QTEST_MAIN(TstRangeHandler)
#include "tst_rangehandler.moc"
