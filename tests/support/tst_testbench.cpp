// The test fixture's own guarantees: a slot run by name really runs, and a
// name the window does not have fails the test instead of doing nothing.
#include "tests/support/testbench.h"

#include <QtTest>

class TestBenchTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { sim::bus().reset(); }

    void slotsAreFoundByName_data()
    {
        QTest::addColumn<QString>("slot");
        QTest::addColumn<bool>("found");
        QTest::newRow("meter poll") << "vcMeterTimerSlot" << true;
        QTest::newRow("boot line poll") << "oneKeyLineChartProcess" << true;
        QTest::newRow("meter range change") << "vcMeterRangeChangeEvent" << true;
        QTest::newRow("misspelt") << "vcMeterTimerSlots" << false;
        QTest::newRow("a public function, not a slot") << "discoverDevices" << false;
    }
    void slotsAreFoundByName()
    {
        QFETCH(QString, slot);
        QFETCH(bool, found);
        auto w = testbench::makeWindow();
        QCOMPARE(testbench::hasSlot(w.widget.get(), slot.toLatin1().constData()), found);
    }

    void invokeRunsTheSlot()
    {
        auto w = testbench::makeWindow();
        const int id = testbench::attachMeter();
        w->discoverDevices();
        w.pollMeter();
        QCOMPARE(sim::bus().writeCount(id), size_t(1));
    }

    void invokeFailsTheTestForAMissingSlot()
    {
        auto w = testbench::makeWindow();
        QEXPECT_FAIL("", "the window has no slot of this name", Continue);
        w.invoke("noSuchSlot");
    }
};

QTEST_MAIN(TestBenchTest)
#include "tst_testbench.moc"
