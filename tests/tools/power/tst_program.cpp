// Program mode without a window: cell texts, position corrections, steps
// and the run through them.
#include "tools/power/program.h"

#include <QtTest>

using program::Run;
using Rows = QVector<int>;
Q_DECLARE_METATYPE(Rows)

namespace {

// The rows (1-based) a run applies with the output on, up to its end.
Rows appliedRows(int stepCount, int start, int stop, int passes)
{
    Run run;
    Rows rows{run.start(stepCount, start, stop, passes) + 1};
    for (int guard = 0; guard < 1000; ++guard) {
        const Run::Next next = run.advance(true);
        if (next != Run::Next::Apply)
            break;
        rows << run.stepIndex + 1;
    }
    return rows;
}

} // namespace

class ProgramTest : public QObject {
    Q_OBJECT
private slots:
    // Every text a cell may get, typed or read from a file, and what the
    // cell then shows; what it shows stays as it is.
    void cellTexts_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        const int v = program::VoltageColumn, a = program::CurrentColumn, t = program::TimeColumn;
        QTest::newRow("V 12.5") << v << "12.5"
                                << "12.50";
        QTest::newRow("V 4.35") << v << "4.35"
                                << "4.35";
        QTest::newRow("V 45 beyond the dial") << v << "45"
                                              << "45.00";
        QTest::newRow("V 1e6") << v << "1e6"
                               << "1000000.00";
        QTest::newRow("V 0") << v << "0"
                             << "0.00";
        QTest::newRow("V negative") << v << "-3"
                                    << "0.00";
        QTest::newRow("V comma") << v << "12,5"
                                 << "0.00";
        QTest::newRow("V empty") << v << ""
                                 << "0.00";
        QTest::newRow("V nan") << v << "nan"
                               << "0.00";
        QTest::newRow("V inf") << v << "inf"
                               << "0.00";
        QTest::newRow("V too large for a double") << v << "1e400"
                                                  << "0.00";
        QTest::newRow("A 1") << a << "1"
                             << "1.000";
        QTest::newRow("A 0.29") << a << "0.29"
                                << "0.290";
        QTest::newRow("A 7.5") << a << "7.5"
                               << "7.500";
        QTest::newRow("A blanks around") << a << " 2.5 "
                                         << "2.500";
        QTest::newRow("A negative") << a << "-1"
                                    << "0.000";
        QTest::newRow("A letters") << a << "x"
                                   << "0.000";
        QTest::newRow("s 10") << t << "10"
                              << "10.0";
        QTest::newRow("s 1.25 truncated") << t << "1.25"
                                          << "1.2";
        QTest::newRow("s 3599.99 truncated") << t << "3599.99"
                                             << "3599.9";
        QTest::newRow("s 0.05 below a tenth") << t << "0.05"
                                              << "0.0";
        QTest::newRow("s 3600") << t << "3600"
                                << "3600.0";
        QTest::newRow("s 4000") << t << "4000"
                                << "3600.0";
        QTest::newRow("s 5000") << t << "5000"
                                << "3600.0";
        QTest::newRow("s 1e3") << t << "1e3"
                               << "1000.0";
        QTest::newRow("s 0") << t << "0"
                             << "0.0";
        QTest::newRow("s negative") << t << "-5"
                                    << "0.0";
        QTest::newRow("s empty") << t << ""
                                 << "0.0";
        QTest::newRow("s inf") << t << "inf"
                               << "0.0";
    }
    void cellTexts()
    {
        QFETCH(int, column);
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(program::normalisedCell(column, text), shown);
        QCOMPARE(program::normalisedCell(column, shown), shown);
    }

    // Every time with one decimal up to an hour shows as typed: truncating
    // to tenths never takes a tenth off a time that has none to lose.
    void everyTenthShowsAsTyped()
    {
        for (int whole = 0; whole < 3600; ++whole) {
            for (int tenth = 0; tenth < 10; ++tenth) {
                const QString text = QStringLiteral("%1.%2").arg(whole).arg(tenth);
                const QString shown = program::normalisedCell(program::TimeColumn, text);
                if (shown != text)
                    QFAIL(qPrintable(text + " shows as " + shown));
            }
        }
    }

    void freshRow()
    {
        QCOMPARE(program::zeroCell(program::VoltageColumn), QStringLiteral("0.00"));
        QCOMPARE(program::zeroCell(program::CurrentColumn), QStringLiteral("0.000"));
        QCOMPARE(program::zeroCell(program::TimeColumn), QStringLiteral("0.0"));
    }

    // Start and stop as the edits show them after editing finishes.
    void positions_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("stop");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("startShown");
        QTest::addColumn<QString>("stopShown");
        QTest::newRow("within the table") << "2"
                                          << "4" << 5 << "2"
                                          << "4";
        QTest::newRow("stop beyond the rows") << "2"
                                              << "9999" << 5 << "2"
                                              << "5";
        QTest::newRow("both beyond the rows") << "5"
                                              << "2" << 4 << "4"
                                              << "4";
        QTest::newRow("stop before start") << "3"
                                           << "1" << 5 << "3"
                                           << "3";
        QTest::newRow("zeros") << "0"
                               << "0" << 3 << "1"
                               << "1";
        QTest::newRow("empty edits") << ""
                                     << "" << 3 << "1"
                                     << "1";
        QTest::newRow("empty table") << "1"
                                     << "1" << 0 << "1"
                                     << "1";
        QTest::newRow("leading zeros kept") << "0007"
                                            << "0009" << 10 << "0007"
                                            << "0009";
    }
    void positions()
    {
        QFETCH(QString, start);
        QFETCH(QString, stop);
        QFETCH(int, rows);
        QFETCH(QString, startShown);
        QFETCH(QString, stopShown);
        const QString startText = program::correctedStart(start, rows);
        QCOMPARE(startText, startShown);
        QCOMPARE(program::correctedStop(stop, startText, rows), stopShown);
    }

    void passes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("0") << "0"
                           << "1";
        QTest::newRow("empty") << ""
                               << "1";
        QTest::newRow("negative") << "-2"
                                  << "1";
        QTest::newRow("3") << "3"
                           << "3";
        QTest::newRow("9999") << "9999"
                              << "9999";
    }
    void passes()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(program::correctedPasses(text), shown);
    }

    // A row's cells as a step, and how long the step holds.
    void steps_data()
    {
        QTest::addColumn<QString>("volts");
        QTest::addColumn<QString>("amps");
        QTest::addColumn<QString>("time");
        QTest::addColumn<double>("voltage");
        QTest::addColumn<double>("current");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<int>("ms");
        QTest::newRow("4.35 V 0.29 A 1.25 s") << "4.35"
                                              << "0.29"
                                              << "1.25" << 4.35 << 0.29 << 1.2 << 1200;
        QTest::newRow("0.7 s") << "12.00"
                               << "1.000"
                               << "0.7" << 12.0 << 1.0 << 0.7 << 700;
        QTest::newRow("one hour") << "30.00"
                                  << "6.000"
                                  << "3600.0" << 30.0 << 6.0 << 3600.0 << 3600000;
        QTest::newRow("no time") << "5.00"
                                 << "0.500"
                                 << "0.0" << 5.0 << 0.5 << 0.0 << 0;
        QTest::newRow("not numbers") << "a"
                                     << "b"
                                     << "c" << 0.0 << 0.0 << 0.0 << 0;
    }
    void steps()
    {
        QFETCH(QString, volts);
        QFETCH(QString, amps);
        QFETCH(QString, time);
        QFETCH(double, voltage);
        QFETCH(double, current);
        QFETCH(double, seconds);
        QFETCH(int, ms);
        const program::ProgramStep step = program::stepFromCells(7, volts, amps, time);
        QCOMPARE(step.stepRow, 7);
        QCOMPARE(step.stepVoltage, voltage);
        QCOMPARE(step.stepCurrent, current);
        QCOMPARE(step.stepSeconds, seconds);
        QCOMPARE(program::durationMs(step), ms);
    }

    // The rows a run applies with the output left on.
    void runs_data()
    {
        QTest::addColumn<int>("steps");
        QTest::addColumn<int>("start");
        QTest::addColumn<int>("stop");
        QTest::addColumn<int>("passes");
        QTest::addColumn<Rows>("rows");
        QTest::newRow("rows 2-4 twice") << 5 << 2 << 4 << 2 << Rows{2, 3, 4, 2, 3, 4};
        QTest::newRow("all three once") << 3 << 1 << 3 << 1 << Rows{1, 2, 3};
        QTest::newRow("the last row three times") << 3 << 3 << 3 << 3 << Rows{3, 3, 3};
        QTest::newRow("one row twice") << 1 << 1 << 1 << 2 << Rows{1, 1};
        QTest::newRow("start beyond the steps: from the first")
            << 3 << 5 << 3 << 1 << Rows{1, 2, 3};
        QTest::newRow("stop beyond the steps: to the last") << 4 << 1 << 9 << 1 << Rows{1, 2, 3, 4};
    }
    void runs()
    {
        QFETCH(int, steps);
        QFETCH(int, start);
        QFETCH(int, stop);
        QFETCH(int, passes);
        QFETCH(Rows, rows);
        QCOMPARE(appliedRows(steps, start, stop, passes), rows);
    }

    // The end of the last pass: nothing left, back to the first index.
    void finishedRun()
    {
        Run run;
        run.start(2, 1, 2, 1);
        QCOMPARE(run.state, program::RunState::Running);
        QCOMPARE(run.advance(true), Run::Next::Apply);
        QCOMPARE(run.advance(true), Run::Next::Finish);
        QCOMPARE(run.state, program::RunState::Idle);
        QCOMPARE(run.stepIndex, 0);
        QCOMPARE(run.cyclesLeft, 0);
        QCOMPARE(run.advance(true), Run::Next::Ignore);
    }

    // With the output off at the end of a step the run waits, also at the
    // end of a pass, and goes no further even with the output on again.
    void outputOffStalls_data()
    {
        QTest::addColumn<int>("stepsRun");
        QTest::newRow("within a pass") << 1;
        QTest::newRow("at the end of a pass") << 3;
    }
    void outputOffStalls()
    {
        QFETCH(int, stepsRun);
        Run run;
        run.start(3, 1, 3, 2);
        for (int i = 1; i < stepsRun; ++i)
            QCOMPARE(run.advance(true), Run::Next::Apply);
        QCOMPARE(run.advance(false), Run::Next::Stall);
        QCOMPARE(run.state, program::RunState::Stalled);
        QCOMPARE(run.advance(true), Run::Next::Ignore);
        run.stop();
        QCOMPARE(run.state, program::RunState::Idle);
    }

    // A stopped run ignores the timeout still pending, whatever the output
    // does meanwhile, and a new start begins at the start position.
    void stoppedRunIgnoresItsPendingTimeout()
    {
        Run run;
        run.start(4, 2, 4, 1);
        QCOMPARE(run.advance(true), Run::Next::Apply);
        QCOMPARE(run.stepIndex, 2);
        run.stop();
        QCOMPARE(run.stepIndex, 0);
        QCOMPARE(run.cyclesLeft, 0);
        QCOMPARE(run.advance(true), Run::Next::Ignore);
        QCOMPARE(run.advance(false), Run::Next::Ignore);
        QCOMPARE(run.start(4, 2, 4, 1), 1);
    }
};

QTEST_APPLESS_MAIN(ProgramTest)
#include "tst_program.moc"
