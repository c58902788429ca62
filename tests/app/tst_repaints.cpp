// What the window repaints while it charts: a new reading repaints its
// label, a chart redraw its chart and the black backdrop behind it, and
// nothing behind them; an unchanged reading repaints nothing. The widgets that
// spare the ones behind them look exactly as they would without.
#include "app/readinglabel.h"
#include "tests/support/scans.h"
#include "tests/support/testbench.h"

#include <QLabel>
#include <QSet>
#include <QtTest>

namespace {

// The object names of the widgets that receive paint events.
class PaintLog : public QObject {
public:
    PaintLog() { qApp->installEventFilter(this); }
    ~PaintLog() override { qApp->removeEventFilter(this); }
    QSet<QString> painted;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && watched->isWidgetType())
            painted.insert(watched->objectName());
        return false;
    }
};

struct ShownBench {
    testbench::Window w = testbench::makeWindow();
    std::shared_ptr<sim::BootLineModel> bootLine = std::make_shared<sim::BootLineModel>();
    std::shared_ptr<sim::MeterModel> meter = std::make_shared<sim::MeterModel>();
    std::shared_ptr<sim::PowerSupplyModel> supply = std::make_shared<sim::PowerSupplyModel>();

    ShownBench()
    {
        bootLine->setRaw(4012, 1234, 2345, 57);
        meter->setReading(5.1, 1.2);
        supply->setLoad(20);
        supply->setSelectedPreset(4);
        supply->setOutput(true);
        for (const auto &model :
             std::initializer_list<std::shared_ptr<sim::DeviceModel>>{meter, supply, bootLine})
            sim::bus().attach(model);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.widget.get()));
        w->discoverDevices();
    }

    // A few polls of every tool and the label refresh, everything drawn.
    void pollAll(int page)
    {
        w->toolButtons()[page]->click();
        for (int i = 0; i < 3; ++i) {
            w.pollMeter();
            w.invoke("adjPowerChartProcess");
            w.pollBootLine();
        }
        w->refreshLabels();
        settle();
    }

    void settle()
    {
        testbench::settleScans();
        w->flushRedraws();
        QCoreApplication::processEvents();
    }
};

} // namespace

class TstRepaints : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { sim::bus().reset(); }

    void newReadingRepaintsItsLabelsAlone();
    void unchangedReadingRepaintsNothing();
    void chartRedrawRepaintsTheChartAlone_data();
    void chartRedrawRepaintsTheChartAlone();
    void sparingWidgetsLookTheSame_data();
    void sparingWidgetsLookTheSame();
};

void TstRepaints::newReadingRepaintsItsLabelsAlone()
{
    ShownBench b;
    b.pollAll(Widget::BootLinePage);
    QCOMPARE(b.w.ui().oneKeyLine_uLabel->text(), QStringLiteral("4.012"));

    // Voltage and current change, peak and time stay.
    b.bootLine->setRaw(4100, 1500, 2345, 57);
    PaintLog log;
    b.w.pollBootLine();
    b.settle();
    QCOMPARE(b.w.ui().oneKeyLine_uLabel->text(), QStringLiteral("4.100"));
    QCOMPARE(b.w.ui().oneKeyLine_pLabel->text(), QStringLiteral("6.15"));
    const QSet<QString> expected = {QStringLiteral("oneKeyLine_uLabel"),
                                    QStringLiteral("oneKeyLine_iLabel"),
                                    QStringLiteral("oneKeyLine_pLabel")};
    QCOMPARE(log.painted, expected);
}

void TstRepaints::unchangedReadingRepaintsNothing()
{
    ShownBench b;
    b.pollAll(Widget::BootLinePage);
    PaintLog log;
    for (int i = 0; i < 5; ++i) {
        b.w.pollBootLine();
        QVERIFY(!b.w->oneKeyLine->readingLabels->isPending());
    }
    b.settle();
    QVERIFY2(log.painted.isEmpty(), qPrintable(QStringList(log.painted.values()).join(' ')));
}

void TstRepaints::chartRedrawRepaintsTheChartAlone_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("chart");
    QTest::newRow("meter") << int(Widget::MeterPage) << "Chart_Widget";
    QTest::newRow("power supply") << int(Widget::PowerPage) << "adjPowChart";
    QTest::newRow("boot line") << int(Widget::BootLinePage) << "oneKeyLineChart";
}

void TstRepaints::chartRedrawRepaintsTheChartAlone()
{
    QFETCH(int, page);
    QFETCH(QString, chart);
    ShownBench b;
    b.pollAll(page);
    auto *plot = b.w->findChild<QCustomPlot *>(chart);
    QVERIFY(plot);
    PaintLog log;
    plot->replot();
    QCoreApplication::processEvents();
    // The chart covers its area: the backdrop under it is not painted again.
    QCOMPARE(log.painted, QSet<QString>{chart});
}

void TstRepaints::sparingWidgetsLookTheSame_data()
{
    QTest::addColumn<int>("page");
    QTest::newRow("meter") << int(Widget::MeterPage);
    QTest::newRow("power supply") << int(Widget::PowerPage);
    QTest::newRow("boot line") << int(Widget::BootLinePage);
}

// The backdrops and reading labels fill their areas themselves; without
// that, the widgets behind them would be painted first. The window must look
// the same either way, pixel for pixel.
void TstRepaints::sparingWidgetsLookTheSame()
{
    QFETCH(int, page);
    ShownBench b;
    b.pollAll(page);
    QList<QWidget *> sparing;
    for (QWidget *widget : b.w->findChildren<QWidget *>()) {
        if (widget->autoFillBackground())
            sparing.append(widget);
    }
    QVERIFY(sparing.size() >= 3 + 5 + 6 + 10); // three backdrops and the reading labels
    const QImage marked = b.w->grab().toImage();
    for (QWidget *widget : sparing)
        widget->setAutoFillBackground(false);
    const QImage unmarked = b.w->grab().toImage();
    QCOMPARE(marked, unmarked);
}

QTEST_MAIN(TstRepaints)
#include "tst_repaints.moc"
