// Redraw pacing: the recording steps of a chart ask for redraws, which are
// coalesced to the display's rate without changing what the chart shows.
#include "charttesthelpers.h"

#include "charts/redrawpacer.h"

#include <QImage>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>

Q_DECLARE_METATYPE(const ChartProfile *)

namespace {

// Sets the process-wide pacing for the life of the object.
class PacingScope {
public:
    explicit PacingScope(RedrawPacing pacing) : mSaved(redrawPacing()) { setRedrawPacing(pacing); }
    ~PacingScope() { setRedrawPacing(mSaved); }

private:
    RedrawPacing mSaved;
};

// One recording poll of a tool: its samples, the visible width, the step.
void recordOne(TestChart &c, const double values[3], RedrawPacing pacing)
{
    const PacingScope scope(pacing);
    appendSample(c.tool, values);
    updateSpan(&c.plot, c.tool, c.profile);
    recordingStep(&c.plot, c.tool, c.profile);
}

// A boot current that rises and falls, a charging phone on the meter.
void sampleAt(int n, double values[3])
{
    const double t = n * 0.01;
    values[0] = 5.1 - 0.2 * std::sin(t * 0.7);
    values[1] = 0.2 + 1.7 * (1 - std::exp(-t)) + 0.3 * std::sin(t * 5);
    values[2] = values[0] * values[1];
}

} // namespace

class TstRedrawPacer : public QObject {
    Q_OBJECT

private slots:
    void cleanup()
    {
        settleScans();
        setRedrawPacing(RedrawPacing::DisplayRate);
    }

    void displayRateIsTheDefault();
    void waitAfterLastRedraw_data();
    void waitAfterLastRedraw();
    void requestsCoalescedIntoOneRedraw();
    void timerCarriesOutThePendingRedraw();
    void anyReplotSettlesThePendingRequest();
    void everyRequestRedrawsAtOnce();
    void flushWithoutRequestDrawsNothing();
    void pacerEndsWithItsChart();
    void pictureEqualsARedrawPerPoll_data();
    void pictureEqualsARedrawPerPoll();
};

void TstRedrawPacer::displayRateIsTheDefault()
{
    QCOMPARE(redrawPacing(), RedrawPacing::DisplayRate);
    TestChart c(bootLineChartProfile());
    QVERIFY(c.tool.redraw);
    QCOMPARE(c.tool.redraw->parent(), &c.plot);
}

// The wait a request chooses, by the time since the chart's last redraw at
// 1000 ms: the remainder of 17 ms, nothing once they have passed.
void TstRedrawPacer::waitAfterLastRedraw_data()
{
    QTest::addColumn<qint64>("requestAt");
    QTest::addColumn<int>("wait");
    QTest::newRow("at the redraw") << qint64(1000) << 17;
    QTest::newRow("5 ms after") << qint64(1005) << 12;
    QTest::newRow("16 ms after") << qint64(1016) << 1;
    QTest::newRow("17 ms after") << qint64(1017) << 0;
    QTest::newRow("a second after") << qint64(2000) << 0;
}

void TstRedrawPacer::waitAfterLastRedraw()
{
    QFETCH(qint64, requestAt);
    QFETCH(int, wait);
    QCustomPlot plot;
    RedrawPacer pacer(&plot);
    qint64 now = 1000;
    pacer.setClock([&now] { return now; });

    // Never redrawn: the first request waits for nothing.
    pacer.request();
    QVERIFY(pacer.isPending());
    QVERIFY(pacer.timer().isActive());
    QCOMPARE(pacer.timer().interval(), 0);

    plot.replot(); // the redraw at 1000 ms
    QVERIFY(!pacer.isPending());
    QVERIFY(!pacer.timer().isActive());

    now = requestAt;
    pacer.request();
    QVERIFY(pacer.isPending());
    QVERIFY(pacer.timer().isActive());
    QCOMPARE(pacer.timer().interval(), wait);

    // A further request changes nothing: the wait runs from the first one.
    now = requestAt + 3;
    pacer.request();
    QCOMPARE(pacer.timer().interval(), wait);
}

void TstRedrawPacer::requestsCoalescedIntoOneRedraw()
{
    TestChart c(bootLineChartProfile());
    c.tool.chartRunning = true;
    QSignalSpy replots(&c.plot, &QCustomPlot::afterReplot);
    for (int n = 0; n < 50; ++n) {
        double values[3];
        sampleAt(n, values);
        recordOne(c, values, RedrawPacing::DisplayRate);
    }
    // Every sample kept and the view at the newest, with no redraw yet.
    QCOMPARE(c.plot.graph(0)->dataCount(), 50);
    QCOMPARE(c.plot.xAxis->range().upper, 49.0);
    QCOMPARE(replots.count(), 0);
    QVERIFY(c.tool.redraw->isPending());

    flushRedraw(c.tool);
    QCOMPARE(replots.count(), 1);
    QVERIFY(!c.tool.redraw->isPending());
    QVERIFY(!c.tool.redraw->timer().isActive());
    flushRedraw(c.tool); // nothing pending any more
    QCOMPARE(replots.count(), 1);
}

void TstRedrawPacer::timerCarriesOutThePendingRedraw()
{
    TestChart c(meterChartProfile());
    c.tool.chartRunning = true;
    QSignalSpy replots(&c.plot, &QCustomPlot::afterReplot);
    for (int n = 0; n < 20; ++n) {
        double values[3];
        sampleAt(n, values);
        recordOne(c, values, RedrawPacing::DisplayRate);
    }
    QCOMPARE(replots.count(), 0);
    // The event loop carries out the one pending redraw, and no other.
    QTRY_COMPARE(replots.count(), 1);
    QTest::qWait(3 * RedrawPacer::kMinSpacingMs);
    QCOMPARE(replots.count(), 1);
    QVERIFY(!c.tool.redraw->isPending());
}

void TstRedrawPacer::anyReplotSettlesThePendingRequest()
{
    TestChart c(bootLineChartProfile());
    qint64 now = 5000;
    c.tool.redraw->setClock([&now] { return now; });
    c.tool.chartRunning = true;
    const double values[3] = {1.5, 0, 0};
    recordOne(c, values, RedrawPacing::DisplayRate);
    QVERIFY(c.tool.redraw->isPending());

    // A redraw by someone else (QCustomPlot redraws a drag or zoom itself).
    QSignalSpy replots(&c.plot, &QCustomPlot::afterReplot);
    now = 5004;
    c.plot.replot();
    QVERIFY(!c.tool.redraw->isPending());
    QVERIFY(!c.tool.redraw->timer().isActive());
    flushRedraw(c.tool);
    QCOMPARE(replots.count(), 1);

    // The spacing runs from that redraw: 10 ms later, 7 ms remain.
    now = 5014;
    recordOne(c, values, RedrawPacing::DisplayRate);
    QCOMPARE(c.tool.redraw->timer().interval(), 7);
}

void TstRedrawPacer::everyRequestRedrawsAtOnce()
{
    TestChart c(powerChartProfile());
    c.tool.chartRunning = true;
    QSignalSpy replots(&c.plot, &QCustomPlot::afterReplot);
    for (int n = 0; n < 12; ++n) {
        double values[3];
        sampleAt(n, values);
        recordOne(c, values, RedrawPacing::EveryRequest);
        QCOMPARE(replots.count(), n + 1);
        QVERIFY(!c.tool.redraw->isPending());
    }
}

void TstRedrawPacer::flushWithoutRequestDrawsNothing()
{
    TestChart c(meterChartProfile());
    QSignalSpy replots(&c.plot, &QCustomPlot::afterReplot);
    flushRedraw(c.tool);
    QCOMPARE(replots.count(), 0);
    LiveChartState bare; // never set up: no pacer
    flushRedraw(bare);
}

void TstRedrawPacer::pacerEndsWithItsChart()
{
    TestTool tool;
    auto *plot = new QCustomPlot;
    setupLiveChart(plot, tool, bootLineChartProfile());
    tool.chartRunning = true;
    appendSample(tool, {1.0});
    updateSpan(plot, tool, bootLineChartProfile());
    tool.setPageShown(false); // no scan: the chart goes away below
    recordingStep(plot, tool, bootLineChartProfile());
    QVERIFY(tool.redraw->isPending());
    delete plot;
    QVERIFY(tool.redraw.isNull());
    flushRedraw(tool);
    QTest::qWait(3 * RedrawPacer::kMinSpacingMs); // no timer left to fire on a dead chart
}

// The same polls on two charts, one redrawn per poll, the other at the
// display's rate: after the last poll (and the pending redraw) both hold the
// same samples, view, value axes and tags, and show the same picture.
void TstRedrawPacer::pictureEqualsARedrawPerPoll_data()
{
    QTest::addColumn<const ChartProfile *>("profile");
    QTest::addColumn<int>("view");
    QTest::newRow("boot line, 400-sample view") << &bootLineChartProfile() << 400;
    QTest::newRow("boot line, 10000-sample view") << &bootLineChartProfile() << 10000;
    QTest::newRow("meter") << &meterChartProfile() << 100;
    QTest::newRow("power supply") << &powerChartProfile() << 100;
}

void TstRedrawPacer::pictureEqualsARedrawPerPoll()
{
    QFETCH(const ChartProfile *, profile);
    QFETCH(int, view);
    constexpr int kPolls = 610;
    constexpr int kPollsBetweenScans = 25; // the scans' results come in between

    TestChart perPoll(*profile);
    TestChart paced(*profile);
    for (TestChart *c : {&perPoll, &paced}) {
        // QCustomPlot sizes its tick labels from pictures of the labels it has
        // drawn before, when it has them: the axis margins then depend on which
        // labels the chart has drawn so far, a history that differs between
        // the two ways by design.
        c->plot.setPlottingHint(QCP::phCacheLabels, false);
        // Shown: a picture of a hidden widget lays it out anew, which replots.
        c->plot.show();
        QVERIFY(QTest::qWaitForWindowExposed(&c->plot));
        c->tool.chartRunning = true;
        c->plot.xAxis->setRange(-view, 0);
    }
    QSignalSpy perPollReplots(&perPoll.plot, &QCustomPlot::afterReplot);
    QSignalSpy pacedReplots(&paced.plot, &QCustomPlot::afterReplot);
    for (int n = 0; n < kPolls; ++n) {
        double values[3];
        sampleAt(n, values);
        recordOne(perPoll, values, RedrawPacing::EveryRequest);
        recordOne(paced, values, RedrawPacing::DisplayRate);
        if (n % kPollsBetweenScans == kPollsBetweenScans - 1)
            settleScans();
    }
    QCOMPARE(perPollReplots.count(), kPolls);
    // At most one redraw for each round of events, and the one pending now.
    QVERIFY2(pacedReplots.count() <= kPolls / kPollsBetweenScans,
             qPrintable(QString::number(pacedReplots.count())));
    QVERIFY(paced.tool.redraw->isPending());
    // Before its pending redraw the paced chart still shows an older view.
    QVERIFY(paced.plot.grab().toImage() != perPoll.plot.grab().toImage());

    flushRedraw(paced.tool);

    const int graphs = profile->graphCount;
    for (int k = 0; k < graphs; ++k) {
        // Every sample kept, in order.
        QCOMPARE(paced.plot.graph(k)->dataCount(), kPolls);
        QCOMPARE(perPoll.plot.graph(k)->dataCount(), kPolls);
        for (int n = 0; n < kPolls; ++n) {
            double values[3];
            sampleAt(n, values);
            QCOMPARE(paced.plot.graph(k)->dataMainKey(n), double(n));
            QCOMPARE(paced.plot.graph(k)->dataMainValue(n), values[k]);
        }
        QCOMPARE(paced.rightAxis(k)->range(), perPoll.rightAxis(k)->range());
        QCOMPARE(paced.tool.axisMax[k], perPoll.tool.axisMax[k]);
        const AxisTag *a = paced.tool.tags[k];
        const AxisTag *b = perPoll.tool.tags[k];
        QCOMPARE(a->tracer()->position->coords(), b->tracer()->position->coords());
        QCOMPARE(a->arrow()->end->coords(), b->arrow()->end->coords());
        QCOMPARE(a->label()->text(), b->label()->text());
    }
    const double newest = kPolls - 1;
    QCOMPARE(paced.plot.xAxis->range(),
             QCPRange(newest - std::max(view, profile->minRecordingSpan), newest));
    QCOMPARE(paced.plot.xAxis->range(), perPoll.plot.xAxis->range());
    QCOMPARE(paced.plot.xAxis2->range(), perPoll.plot.xAxis2->range());
    QCOMPARE(paced.tool.tagIndex, kPolls - 1);
    QCOMPARE(paced.tool.tagIndex, perPoll.tool.tagIndex);
    QCOMPARE(paced.tool.enoughData, perPoll.tool.enoughData);
    QCOMPARE(paced.plot.grab().toImage(), perPoll.plot.grab().toImage());
}

QTEST_MAIN(TstRedrawPacer)
#include "tst_redrawpacer.moc"
