// The measuring cursors on a chart: snapping, the keys, the mouse, staying on
// their samples while a live chart scrolls, the readout's numbers and texts
// in both languages, and the elapsed-time axis.
#include "app/startup.h"
#include "charts/chartexport.h"
#include "charts/measurecursors.h"
#include "charts/timeaxis.h"
#include "charttesthelpers.h"

#include <QSignalSpy>
#include <QTranslator>
#include <QtTest>

namespace {

// 5 V, 1 A, 5 W every 10 ms from 0.
void appendSteady(TestChart &c, int count)
{
    for (int i = 0; i < count; ++i) {
        const qint64 n = c.tool.series.count();
        const double values[3] = {5.0, 1.0, 5.0};
        appendSample(c.tool, 1000000 + n * 10000, values);
    }
}

void sendMouse(QWidget *target, QEvent::Type type, const QPoint &pos, Qt::MouseButtons buttons)
{
    QMouseEvent event(type, pos, target->mapToGlobal(pos), Qt::LeftButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

void sendKey(QWidget *target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(target, &event);
}

QPoint pixelOf(TestChart &c, double key)
{
    return QPoint(int(std::lround(c.plot.xAxis->coordToPixel(key))),
                  c.plot.axisRect()->rect().center().y());
}

} // namespace

class MeasureCursorsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { startup::initResources(); }

    void keysMoveTheLastCursorTouched()
    {
        TestChart c(meterChartProfile());
        appendSteady(c, 100);
        c.plot.xAxis->setRange(0, 99);
        c.plot.replot();
        MeasureCursors cursors(&c.plot, c.tool, c.profile, 10, 20);
        QCOMPARE(cursors.index(0), qint64(10));
        QCOMPARE(cursors.index(1), qint64(20));
        QCOMPARE(cursors.activeCursor(), 1);
        sendKey(&c.plot, Qt::Key_Right);
        QCOMPARE(cursors.index(1), qint64(21));
        sendKey(&c.plot, Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(cursors.index(1), qint64(31));
        sendKey(&c.plot, Qt::Key_Left);
        QCOMPARE(cursors.index(1), qint64(30));
        // A press on A takes it; the keys then move A.
        sendMouse(&c.plot, QEvent::MouseButtonPress, pixelOf(c, 10), Qt::LeftButton);
        sendMouse(&c.plot, QEvent::MouseButtonRelease, pixelOf(c, 10), Qt::NoButton);
        QCOMPARE(cursors.activeCursor(), 0);
        sendKey(&c.plot, Qt::Key_Left, Qt::ShiftModifier);
        QCOMPARE(cursors.index(0), qint64(0));
        sendKey(&c.plot, Qt::Key_Left); // the first sample: stays
        QCOMPARE(cursors.index(0), qint64(0));
        QCOMPARE(cursors.index(1), qint64(30));
        // Esc asks for the cursors to go.
        QSignalSpy close(&cursors, &MeasureCursors::closeRequested);
        sendKey(&c.plot, Qt::Key_Escape);
        QCOMPARE(close.count(), 1);
    }

    void aDragSnapsToTheNearestSample()
    {
        TestChart c(meterChartProfile());
        appendSteady(c, 100);
        c.plot.xAxis->setRange(0, 99);
        c.plot.replot();
        MeasureCursors cursors(&c.plot, c.tool, c.profile, 10, 60);
        const QCPRange before = c.plot.xAxis->range();
        // Hovering over a cursor shows that it can be taken.
        sendMouse(&c.plot, QEvent::MouseMove, pixelOf(c, 60), Qt::NoButton);
        QCOMPARE(c.plot.cursor().shape(), Qt::SizeHorCursor);
        sendMouse(&c.plot, QEvent::MouseMove, pixelOf(c, 35), Qt::NoButton);
        QCOMPARE(c.plot.cursor().shape(), Qt::ArrowCursor);
        sendMouse(&c.plot, QEvent::MouseButtonPress, pixelOf(c, 60), Qt::LeftButton);
        sendMouse(&c.plot, QEvent::MouseMove, pixelOf(c, 40.4), Qt::LeftButton);
        QCOMPARE(cursors.index(1), qint64(40));
        sendMouse(&c.plot, QEvent::MouseMove, pixelOf(c, 72.6), Qt::LeftButton);
        QCOMPARE(cursors.index(1), qint64(73));
        sendMouse(&c.plot, QEvent::MouseMove, pixelOf(c, 500), Qt::LeftButton);
        QCOMPARE(cursors.index(1), qint64(99)); // the last sample
        sendMouse(&c.plot, QEvent::MouseButtonRelease, pixelOf(c, 500), Qt::NoButton);
        QCOMPARE(c.plot.xAxis->range(), before); // the view was not dragged
        QCOMPARE(cursors.index(0), qint64(10));
    }

    void keysStepOverAGapPoint()
    {
        TestChart c(meterChartProfile());
        appendSteady(c, 5);
        for (QCPGraph *graph :
             {c.tool.graphs[0].data(), c.tool.graphs[1].data(), c.tool.graphs[2].data()})
            graph->addData(graph->dataCount(), qQNaN());
        c.tool.series.appendGapPoint(c.tool.series.timeUs(4) + 500000);
        appendSteady(c, 5);
        MeasureCursors cursors(&c.plot, c.tool, c.profile, 0, 4);
        sendKey(&c.plot, Qt::Key_Right);
        QCOMPARE(cursors.index(1), qint64(6)); // 5 is the gap
        sendKey(&c.plot, Qt::Key_Left);
        QCOMPARE(cursors.index(1), qint64(4));
        QCOMPARE(cursors.measurement().samples(), qint64(5));
    }

    // They stay on their samples while the chart scrolls; one scrolled out
    // waits at the edge, and the readout holds.
    void theyStayOnTheirSamplesWhileTheChartScrolls()
    {
        TestChart c(meterChartProfile());
        c.tool.chartRunning = true;
        appendSteady(c, 200);
        updateSpan(&c.plot, c.tool, c.profile);
        recordingStep(&c.plot, c.tool, c.profile);
        flushRedraw(c.tool);
        QCOMPARE(c.plot.xAxis->range().lower, 99.0); // a view of 100 samples
        MeasureCursors cursors(&c.plot, c.tool, c.profile, 120, 190);
        const QString readout = cursors.readout().clipboardText();
        QVERIFY(!cursors.atEdge(0));
        for (int poll = 0; poll < 10; ++poll) {
            appendSteady(c, 5);
            updateSpan(&c.plot, c.tool, c.profile);
            recordingStep(&c.plot, c.tool, c.profile);
        }
        flushRedraw(c.tool);
        QCOMPARE(cursors.index(0), qint64(120));
        QCOMPARE(cursors.index(1), qint64(190));
        QCOMPARE(c.plot.xAxis->range().lower, 149.0); // scrolled past A
        QVERIFY(cursors.atEdge(0));
        QVERIFY(!cursors.atEdge(1));
        QCOMPARE(cursors.readout().clipboardText(), readout);
        const auto items = cursors.items();
        QCOMPARE(items.size(), 5);
        // The lines and handles go into the chart's pictures; the readout
        // box does not (its text goes as note lines).
        for (int k = 0; k < 4; ++k)
            QVERIFY(chartexport::shownInPictures(items[k]));
        QVERIFY(!chartexport::shownInPictures(items[4]));
        QCOMPARE(cursors.readout().pictureNotes().size(), cursors.readout().rows.size());
        // A's line is hidden, its handle at the left edge with an arrow.
        auto *handleA = qobject_cast<QCPItemText *>(items[2]);
        QVERIFY(handleA);
        QCOMPARE(handleA->text(), QStringLiteral("◀A"));
        QVERIFY(!items[0]->visible());
    }

    // 10 ms apart, from sample 10 to 20: 0.1 s, 11 samples; 1 A and 5 W for
    // 0.1 s are 0.1 C = 0.0278 mAh and 0.5 J = 0.1389 mWh.
    void theReadoutInBothLanguages_data()
    {
        QTest::addColumn<bool>("english");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("Chinese") << false
                                 << QStringList{
                                        "A\t0.100 s\tB\t0.200 s",
                                        "Δt\t0.100 s\t样本\t11",
                                        "\tA 处\tB 处\t最小\t最大\t平均\t峰峰值",
                                        "电压 V\t5.0000\t5.0000\t5.0000\t5.0000\t5.00000\t0.0000",
                                        "电流 A\t1.0000\t1.0000\t1.0000\t1.0000\t1.00000\t0.0000",
                                        "功率 W\t5.0000\t5.0000\t5.0000\t5.0000\t5.00000\t0.0000",
                                        "电荷\t0.0278 mAh\t0.100 C",
                                        "能量\t0.1389 mWh\t0.500 J"};
        QTest::newRow("English") << true
                                 << QStringList{
                                        "A\t0.100 s\tB\t0.200 s",
                                        "Δt\t0.100 s\tSamples\t11",
                                        "\tAt A\tAt B\tMin\tMax\tMean\tPk-pk",
                                        "Vol V\t5.0000\t5.0000\t5.0000\t5.0000\t5.00000\t0.0000",
                                        "Cur A\t1.0000\t1.0000\t1.0000\t1.0000\t1.00000\t0.0000",
                                        "Pow W\t5.0000\t5.0000\t5.0000\t5.0000\t5.00000\t0.0000",
                                        "Charge\t0.0278 mAh\t0.100 C",
                                        "Energy\t0.1389 mWh\t0.500 J"};
    }
    void theReadoutInBothLanguages()
    {
        QFETCH(bool, english);
        QFETCH(QStringList, expected);
        QTranslator translator;
        if (english) {
            QVERIFY(translator.load(QStringLiteral(":/i18n/QUORVALINE_en_US")));
            QCoreApplication::installTranslator(&translator);
        }
        TestChart c(meterChartProfile());
        appendSteady(c, 30);
        MeasureCursors cursors(&c.plot, c.tool, c.profile, 10, 20);
        QCoreApplication::removeTranslator(&translator);
        QCOMPARE(cursors.readout().clipboardText(), expected.join('\n') + '\n');
    }

    // The boot line's one trace: the current, no energy; a chart data
    // file's samples take the period and their times read as nominal.
    void aLoadedBootLineChartReadsNominal()
    {
        TestChart c(bootLineChartProfile());
        for (int i = 0; i < 11; ++i)
            appendSample(c.tool, {0.36});
        MeasureCursors cursors(&c.plot, c.tool, c.profile, 0, 10);
        const QStringList lines = cursors.readout().clipboardText().split('\n');
        QCOMPARE(lines[0], QStringLiteral("A\t≈0.000 s\tB\t≈0.020 s"));
        QCOMPARE(lines[1], QStringLiteral("Δt\t≈0.020 s\t样本\t11"));
        QCOMPARE(lines[3], QStringLiteral("电流 A\t0.360\t0.360\t0.360\t0.360\t0.3600\t0.000"));
        QCOMPARE(lines[4], QStringLiteral("电荷\t0.0020 mAh\t0.007 C")); // 0.36 A for 20 ms
        QCOMPARE(lines.size(), 6); // no energy without a voltage
    }

    void initialPlaces()
    {
        TestChart c(meterChartProfile());
        qint64 a = -1, b = -1;
        QVERIFY(!MeasureCursors::initialPlace(&c.plot, c.tool, -1, &a, &b)); // no sample
        appendSteady(c, 1000);
        c.plot.xAxis->setRange(100, 500);
        c.plot.replot();
        QVERIFY(MeasureCursors::initialPlace(&c.plot, c.tool, -1, &a, &b));
        QCOMPARE(a, qint64(233)); // a third and two thirds into the view
        QCOMPARE(b, qint64(366));
        QVERIFY(MeasureCursors::initialPlace(&c.plot, c.tool, pixelOf(c, 200).x(), &a, &b));
        QCOMPARE(a, qint64(200)); // at the click, and a quarter of the view further
        QCOMPARE(b, qint64(300));
        QVERIFY(MeasureCursors::initialPlace(&c.plot, c.tool, pixelOf(c, 480).x(), &a, &b));
        QCOMPARE(a, qint64(480));
        QCOMPARE(b, qint64(500)); // not beyond the view
    }

    // Ticks at round times, labelled with the time since the first sample.
    void theTimeAxisTicksAtRoundTimes()
    {
        TestChart c(meterChartProfile());
        appendSteady(c, 1000); // 10 ms apart: 0 to 9.99 s
        c.plot.xAxis->setRange(0, 999);
        c.plot.xAxis->setTicker(
            QSharedPointer<QCPAxisTicker>(new ElapsedTimeTicker(c.tool.series)));
        c.plot.replot();
        const QVector<double> ticks = c.plot.xAxis->tickVector();
        const QVector<QString> labels = c.plot.xAxis->tickVectorLabels();
        QVERIFY(ticks.size() >= 3);
        QCOMPARE(ticks.first(), 0.0);
        QCOMPARE(labels.first(), QStringLiteral("0 s"));
        QCOMPARE(ticks[1], 200.0); // 2 s steps
        QCOMPARE(labels[1], QStringLiteral("2 s"));
    }
};

QTEST_MAIN(MeasureCursorsTest)
#include "tst_measurecursors.moc"
