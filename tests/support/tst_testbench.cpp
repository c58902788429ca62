// The test fixture's own guarantees: a slot run by name really runs, and a
// name the window does not have fails the test instead of doing nothing.
#include "tests/support/requiredchecks.h"
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

    // A check that cannot run skips, or fails where every check must run.
    void skipFailsWhereEveryCheckMustRun_data()
    {
        QTest::addColumn<QByteArray>("setting");
        QTest::addColumn<bool>("fails");
        QTest::newRow("not set") << QByteArray() << false;
        QTest::newRow("0") << QByteArray("0") << false;
        QTest::newRow("1") << QByteArray("1") << true;
    }
    void skipFailsWhereEveryCheckMustRun()
    {
        QFETCH(QByteArray, setting);
        QFETCH(bool, fails);
        const QByteArray before = qgetenv("QUORVALINE_REQUIRE_ALL_CHECKS");
        const bool wasSet = qEnvironmentVariableIsSet("QUORVALINE_REQUIRE_ALL_CHECKS");
        if (setting.isNull())
            qunsetenv("QUORVALINE_REQUIRE_ALL_CHECKS");
        else
            qputenv("QUORVALINE_REQUIRE_ALL_CHECKS", setting);
        const bool failed = testbench::skipsFail();
        if (wasSet)
            qputenv("QUORVALINE_REQUIRE_ALL_CHECKS", before);
        else
            qunsetenv("QUORVALINE_REQUIRE_ALL_CHECKS");
        QCOMPARE(failed, fails);
    }
};

QTEST_MAIN(TestBenchTest)
#include "tst_testbench.moc"
