// Program mode end to end: the real window's step table, position edits and
// run driving a simulated supply, with the step timer's timeouts signalled
// by the test, and the table file saved and opened through the window.
#include "demo/sampleprogram.h"
#include "tests/support/filedialogs.h"
#include "tests/support/filesizelimit.h"
#include "tests/support/testbench.h"

#include <QDial>
#include <QDir>
#include <QFile>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using testbench::makeWindow;
using PSU = sim::PowerSupplyModel;
using Steps = QVector<QPair<int, int>>; // (row, milliseconds)
Q_DECLARE_METATYPE(Steps)

namespace {

// The window on the power supply's program page, a supply attached whose
// settings have been taken over (M1 selected, output off), its file dialogs
// answered and its message boxes closed by the test.
struct ProgramBench {
    testbench::ModalCloser boxes;
    testbench::Window w;
    testbench::AnsweredDialogs dialogs;
    QTemporaryDir dir;
    std::shared_ptr<PSU> model;
    int id = -1;

    Ui_Widget &ui() const { return w.ui(); }
    AdjPower &p() const { return *w->adjPower; }
    QTableWidget *table() const { return w.ui().adjProgramTableWidget; }
    QString path(const char *name) const { return dir.filePath(QLatin1String(name)); }
    void poll() const { w.invoke("adjPowerChartProcess"); }
    // A byte of the latest request to the supply; -1 when there is none.
    int lastRequestByte(int at) const
    {
        const std::vector<std::uint8_t> request = sim::bus().lastWrite(id);
        return at < int(request.size()) ? request[size_t(at)] : -1;
    }
    // Two requests: the supply has what the window sends and has answered
    // with its state, whatever changed since the last request.
    void pollTwice() const
    {
        poll();
        poll();
    }

    // The user adds a row per step and types its three texts.
    void fill(const QList<QStringList> &rows) const
    {
        for (const QStringList &texts : rows) {
            ui().adjAddRowPushButton->click();
            const int row = table()->rowCount() - 1;
            for (int column = 0; column < texts.size(); ++column)
                table()->item(row, column)->setText(texts[column]);
        }
    }
    void setPositions(const char *start, const char *stop, const char *passes) const
    {
        ui().adjPowProgramStarPosition->setText(QLatin1String(start));
        ui().adjPowProgramStopPosition->setText(QLatin1String(stop));
        ui().cycleIndex->setText(QLatin1String(passes));
    }
    void pressStartStop() const { ui().adjProgramONOFFPushButton->click(); }

    // The end of the running step's time, signalled as the timer would;
    // false when no step time is running.
    bool endStep() const
    {
        if (!w->programTimer->isActive())
            return false;
        return QMetaObject::invokeMethod(w->programTimer, "timeout");
    }

    // A row's texts, "(none)" for a cell without an item.
    QString rowTexts(int row) const
    {
        QStringList texts;
        for (int column = 0; column < table()->columnCount(); ++column) {
            const QTableWidgetItem *item = table()->item(row, column);
            texts << (item ? item->text() : QStringLiteral("(none)"));
        }
        return texts.join('|');
    }
    QStringList tableRows() const
    {
        QStringList rows;
        for (int row = 0; row < table()->rowCount(); ++row)
            rows << rowTexts(row);
        return rows;
    }
    QStringList titles() const
    {
        QStringList texts;
        for (int column = 0; column < table()->columnCount(); ++column)
            texts << table()->model()->headerData(column, Qt::Horizontal).toString();
        return texts;
    }
    // The texts of the boxes shown so far, each checked to be titled "提示"
    // and to belong to the window; the boxes are then forgotten.
    QStringList takeBoxes()
    {
        QStringList texts;
        for (const testbench::ModalCloser::Box &box : boxes.boxes) {
            if (box.title != QStringLiteral("提示") || !box.parentIsWindow)
                texts << QStringLiteral("unexpected box: ") + box.title;
            texts << box.text;
        }
        boxes.boxes.clear();
        return texts;
    }
    bool editsEnabled() const
    {
        return ui().adjPowProgramStarPosition->isEnabled() &&
               ui().adjPowProgramStopPosition->isEnabled() && ui().cycleIndex->isEnabled();
    }
    bool editsDisabled() const
    {
        return !ui().adjPowProgramStarPosition->isEnabled() &&
               !ui().adjPowProgramStopPosition->isEnabled() && !ui().cycleIndex->isEnabled();
    }
};

std::unique_ptr<ProgramBench> programBench()
{
    auto b = std::make_unique<ProgramBench>();
    b->w = makeWindow();
    b->dialogs.answer(*b->w.widget);
    b->model = std::make_shared<PSU>();
    b->id = sim::bus().attach(b->model);
    b->w->discoverDevices();
    b->ui().adjPowToolButton->click();
    b->ui().adjProgramRadioButton->click();
    b->poll();
    return b;
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(no file)");
}

bool writeContent(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

const QByteArray kFreshRowFile = "Volt(V)\tCurr(A)\tTime(S)\t\n0.00\t0.000\t0.0\t\n";

} // namespace

class ProgramPageTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { sim::bus().reset(); }

    void tableAtStart()
    {
        auto b = programBench();
        QCOMPARE(b->table()->columnCount(), 3);
        QCOMPARE(b->table()->rowCount(), 0);
        QCOMPARE(b->titles(), (QStringList{"Volt(V)", "Curr(A)", "Time(S)"}));
        QCOMPARE(b->table()->horizontalHeader()->sectionResizeMode(0), QHeaderView::Stretch);
        QVERIFY(!b->ui().adjPowProgramCurrentPosition->isEnabled());
        QVERIFY(!b->w->programTimer->isActive());
    }

    // Each step of a run, with its own duration, the position it shows and
    // the set-points the supply receives.
    void runWalksTheChosenRows_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("stop");
        QTest::addColumn<QString>("passes");
        QTest::addColumn<Steps>("steps");
        QTest::newRow("rows 2-4, two passes")
            << "2"
            << "4"
            << "2" << Steps{{2, 2500}, {3, 300}, {4, 4000}, {2, 2500}, {3, 300}, {4, 4000}};
        QTest::newRow("all rows once")
            << "1"
            << "5"
            << "1" << Steps{{1, 1000}, {2, 2500}, {3, 300}, {4, 4000}, {5, 12300}};
        QTest::newRow("the last row three times")
            << "5"
            << "5"
            << "3" << Steps{{5, 12300}, {5, 12300}, {5, 12300}};
    }
    void runWalksTheChosenRows()
    {
        QFETCH(QString, start);
        QFETCH(QString, stop);
        QFETCH(QString, passes);
        QFETCH(Steps, steps);
        auto b = programBench();
        // Row n holds n volts and n/10 amperes.
        b->fill({{"1", "0.1", "1"},
                 {"2", "0.2", "2.5"},
                 {"3", "0.3", "0.3"},
                 {"4", "0.4", "4"},
                 {"5", "0.5", "12.34"}});
        b->setPositions(qPrintable(start), qPrintable(stop), qPrintable(passes));
        b->pressStartStop();
        QVERIFY(b->editsDisabled());
        for (int k = 0; k < steps.size(); ++k) {
            if (k > 0)
                QVERIFY(b->endStep());
            const int row = steps[k].first;
            QCOMPARE(b->ui().adjPowProgramCurrentPosition->text(), QString::number(row));
            QCOMPARE(b->w->programTimer->interval(), steps[k].second);
            QCOMPARE(b->ui().adjVoltageDial->value(), 100 * row);
            QCOMPARE(b->ui().adjCurrentDial->value(), 100 * row);
            b->poll(); // the step's values go with the next request
            const PSU::State supply = b->model->state();
            QCOMPARE(int(supply.voltageSetpoint10mV), 100 * row);
            QCOMPARE(int(supply.currentLimitMa), 100 * row);
            QVERIFY(supply.outputOn);
            QVERIFY(b->ui().adjProgramONOFFPushButton->isChecked());
            QVERIFY(b->ui().adjON_OFFButton->isChecked());
        }
        QVERIFY(b->endStep());
        // The run is over: the output off, the edits free, the position at
        // the last step run.
        QVERIFY(!b->w->programTimer->isActive());
        QVERIFY(!b->ui().adjProgramONOFFPushButton->isChecked());
        QVERIFY(!b->ui().adjON_OFFButton->isChecked());
        QCOMPARE(int(b->p().outputOn), 0);
        QVERIFY(b->editsEnabled());
        QCOMPARE(b->ui().adjPowProgramCurrentPosition->text(), QString::number(steps.last().first));
        b->pollTwice();
        QVERIFY(!b->model->state().outputOn);
    }

    // With no memory slot selected a run still advances and moves the dials,
    // but no slot takes the steps' values: the supply is sent 0 V and 0 A,
    // with the output on, and no preset button changes its text.
    void runWithoutASelectedSlot()
    {
        auto b = programBench();
        b->model->setSelectedPreset(0);
        b->ui().vCToolButton->click(); // away and back: the selection is read again
        b->poll();
        b->ui().adjPowToolButton->click();
        b->poll();
        QCOMPARE(int(b->p().presetIndex), 0);
        QStringList texts;
        for (QPushButton *button :
             {b->ui().adjM1PushButton, b->ui().adjM2PushButton, b->ui().adjM3PushButton,
              b->ui().adjM4PushButton, b->ui().adjM5PushButton, b->ui().adjM6PushButton})
            texts << button->text();
        const auto presetsBefore = b->model->state().presets;

        b->fill({{"1", "0.1", "2"}, {"2", "0.2", "3"}});
        b->setPositions("1", "2", "1");
        b->pressStartStop();
        for (int row = 1; row <= 2; ++row) {
            if (row > 1)
                QVERIFY(b->endStep());
            QCOMPARE(b->ui().adjPowProgramCurrentPosition->text(), QString::number(row));
            QCOMPARE(b->ui().adjVoltageDial->value(), 100 * row);
            QCOMPARE(b->ui().adjCurrentDial->value(), 100 * row);
            b->pollTwice();
            QCOMPARE(b->lastRequestByte(1), 7);
            QCOMPARE(b->lastRequestByte(5), 0);                              // no slot
            QCOMPARE(b->lastRequestByte(6) << 8 | b->lastRequestByte(7), 0); // 0 V
            QCOMPARE(b->lastRequestByte(8) << 8 | b->lastRequestByte(9), 0); // 0 A
            QCOMPARE(b->lastRequestByte(10), 1);                             // output on
            QVERIFY(b->model->state().outputOn);
        }
        QStringList textsAfter;
        for (QPushButton *button :
             {b->ui().adjM1PushButton, b->ui().adjM2PushButton, b->ui().adjM3PushButton,
              b->ui().adjM4PushButton, b->ui().adjM5PushButton, b->ui().adjM6PushButton})
            textsAfter << button->text();
        QCOMPARE(textsAfter, texts);
        QVERIFY(b->model->state().presets == presetsBefore);
        QVERIFY(b->endStep()); // the run ends as usual
        QVERIFY(!b->ui().adjProgramONOFFPushButton->isChecked());
    }

    // The page is left in the middle of a run: the run goes on and moves the
    // dials, but nothing is sent and no slot takes the steps' values while
    // the page is hidden. Shown again, the supply's settings are read anew,
    // and the later steps go into the slot the supply then reports.
    void pageLeftInTheMiddleOfARun()
    {
        auto b = programBench(); // M1 selected
        b->fill({{"1", "0.1", "2"}, {"2", "0.2", "3"}, {"3", "0.3", "4"}, {"4", "0.4", "5"}});
        b->setPositions("1", "4", "1");
        b->pressStartStop();
        b->pollTwice();
        QCOMPARE(int(b->model->state().presets[0].voltage10mV), 100);

        b->ui().vCToolButton->click();
        const size_t sent = sim::bus().writeCount(b->id);
        b->poll();             // the first poll while away forgets the selection
        QVERIFY(b->endStep()); // step 2 while away
        b->pollTwice();
        QCOMPARE(sim::bus().writeCount(b->id), sent); // no request while away
        QCOMPARE(b->ui().adjPowProgramCurrentPosition->text(), QStringLiteral("2"));
        QCOMPARE(b->ui().adjVoltageDial->value(), 200);
        QCOMPARE(int(b->p().presetIndex), 0);
        QCOMPARE(b->ui().adjM1PushButton->text(), QStringLiteral("M1 1.00V/0.100A"));

        // Meanwhile M4 was selected on the supply by hand.
        b->model->setSelectedPreset(4);
        b->ui().adjPowToolButton->click();
        b->poll(); // the settings are read again
        QCOMPARE(b->lastRequestByte(1), 6);
        QCOMPARE(int(b->p().presetIndex), 4);
        QVERIFY(b->ui().adjM4PushButton->isChecked());
        QVERIFY(b->endStep()); // step 3 goes into M4
        QCOMPARE(b->ui().adjPowProgramCurrentPosition->text(), QStringLiteral("3"));
        b->pollTwice();
        QCOMPARE(b->lastRequestByte(1), 7);
        QCOMPARE(b->lastRequestByte(5), 4);
        QCOMPARE(b->lastRequestByte(6) << 8 | b->lastRequestByte(7), 300);
        QCOMPARE(b->lastRequestByte(8) << 8 | b->lastRequestByte(9), 300);
        QCOMPARE(b->ui().adjM4PushButton->text(), QStringLiteral("M4 3.00V/0.300A"));
        QCOMPARE(b->ui().adjM1PushButton->text(), QStringLiteral("M1 1.00V/0.100A"));
        QCOMPARE(int(b->model->state().presets[3].voltage10mV), 300);
        QCOMPARE(int(b->model->state().presets[0].voltage10mV), 100);
        QVERIFY(b->endStep()); // step 4 as well
        b->pollTwice();
        QCOMPARE(b->lastRequestByte(6) << 8 | b->lastRequestByte(7), 400);
        QCOMPARE(b->ui().adjM4PushButton->text(), QStringLiteral("M4 4.00V/0.400A"));
    }

    void emptyTableDoesNotStart()
    {
        auto b = programBench();
        b->setPositions("1", "0", "1");
        b->pressStartStop();
        QCOMPARE(b->takeBoxes(), QStringList{QStringLiteral("表格里没有数据")});
        QVERIFY(!b->ui().adjProgramONOFFPushButton->isChecked());
        QCOMPARE(b->ui().adjPowProgramCurrentPosition->text(), QStringLiteral("1"));
        QVERIFY(!b->w->programTimer->isActive());
        QCOMPARE(int(b->p().outputOn), 0);
        QVERIFY(b->editsEnabled());
    }

    // A step of no time is applied and replaced by the next step at the
    // next pass of the event loop.
    void stepOfNoTimeLastsOneEventLoopPass()
    {
        auto b = programBench();
        b->fill({{"1", "1", "0"}, {"2", "1", "-4"}, {"3", "1", "5"}});
        b->setPositions("1", "3", "1");
        b->pressStartStop();
        QCOMPARE(b->ui().adjVoltageDial->value(), 100);
        QCOMPARE(b->w->programTimer->interval(), 0);
        QVERIFY(b->w->programTimer->isActive());
        // Each step as it is applied: its position and its voltage. How many
        // of the zero-time timer's timeouts one pass of the event loop runs
        // is Qt's affair; the steps must come one after the other, none
        // skipped, and the run must stop at the step that has a time.
        QStringList applied;
        QObject::connect(b->ui().adjVoltageDial, &QDial::valueChanged, [&](int value) {
            applied << b->ui().adjPowProgramCurrentPosition->text() + QLatin1Char('/') +
                           QString::number(value);
        });
        QTRY_COMPARE_WITH_TIMEOUT(b->ui().adjPowProgramCurrentPosition->text(), QStringLiteral("3"),
                                  5000);
        QCOMPARE(b->ui().adjVoltageDial->value(), 300);
        QCOMPARE(b->w->programTimer->interval(), 5000);
        QVERIFY(b->w->programTimer->isActive());
        QCoreApplication::processEvents(); // the 5 s step stays
        QCOMPARE(b->ui().adjPowProgramCurrentPosition->text(), QStringLiteral("3"));
        QCOMPARE(applied, (QStringList{"2/200", "3/300"}));
    }

    // What a cell shows after typing, and for a new row.
    void cellsShowTheirColumnsFormat_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");
        QTest::newRow("time 5000") << 2 << "5000"
                                   << "3600.0";
        QTest::newRow("time 1.25") << 2 << "1.25"
                                   << "1.2";
        QTest::newRow("time -3") << 2 << "-3"
                                 << "0.0";
        QTest::newRow("current 2.01") << 1 << "2.01"
                                      << "2.010";
        QTest::newRow("current letters") << 1 << "abc"
                                         << "0.000";
        QTest::newRow("voltage 45") << 0 << "45"
                                    << "45.00";
        QTest::newRow("voltage 4.356") << 0 << "4.356"
                                       << "4.36";
    }
    void cellsShowTheirColumnsFormat()
    {
        QFETCH(int, column);
        QFETCH(QString, typed);
        QFETCH(QString, shown);
        auto b = programBench();
        b->ui().adjAddRowPushButton->click();
        QCOMPARE(b->rowTexts(0), QStringLiteral("0.00|0.000|0.0"));
        b->table()->item(0, column)->setText(typed);
        QCOMPARE(b->table()->item(0, column)->text(), shown);
    }

    // A step reaches the dials as the units its cells show, limited to the
    // dials' ranges; the time keeps its truncation to tenths.
    void stepValuesReachTheDials_data()
    {
        QTest::addColumn<QString>("volts");
        QTest::addColumn<QString>("amps");
        QTest::addColumn<int>("voltageUnits");
        QTest::addColumn<int>("currentUnits");
        QTest::addColumn<QString>("voltageText");
        QTest::addColumn<QString>("currentText");
        QTest::newRow("4.35 V 0.29 A") << "4.35"
                                       << "0.29" << 435 << 290 << "04.35"
                                       << "0.290";
        QTest::newRow("0.29 V 2.01 A") << "0.29"
                                       << "2.01" << 29 << 2010 << "00.29"
                                       << "2.010";
        QTest::newRow("1.15 V 1.001 A") << "1.15"
                                        << "1.001" << 115 << 1001 << "01.15"
                                        << "1.001";
        QTest::newRow("45.00 V, 7 A: the dial maxima") << "45"
                                                       << "7" << 3000 << 6000 << "30.00"
                                                       << "6.000";
        QTest::newRow("nothing") << "0"
                                 << "0" << 0 << 0 << "00.00"
                                 << "0.000";
    }
    void stepValuesReachTheDials()
    {
        QFETCH(QString, volts);
        QFETCH(QString, amps);
        QFETCH(int, voltageUnits);
        QFETCH(int, currentUnits);
        QFETCH(QString, voltageText);
        QFETCH(QString, currentText);
        auto b = programBench();
        b->fill({{volts, amps, "1.25"}});
        b->pressStartStop();
        QCOMPARE(b->ui().adjVoltageDial->value(), voltageUnits);
        QCOMPARE(b->ui().adjCurrentDial->value(), currentUnits);
        QCOMPARE(b->ui().adjVoltageLineEdit->text(), voltageText);
        QCOMPARE(b->ui().adjCurrentLineEdit->text(), currentText);
        QCOMPARE(b->w->programTimer->interval(), 1200);
        QCOMPARE(b->p().presets[0].presetVoltage, float(voltageUnits));
        QCOMPARE(b->p().presets[0].presetCurrent, float(currentUnits));
        b->poll();
        QCOMPARE(int(b->model->state().voltageSetpoint10mV), voltageUnits);
        QCOMPARE(int(b->model->state().currentLimitMa), currentUnits);
        QCOMPARE(b->model->preset(1), (PSU::Preset{quint16(voltageUnits), quint16(currentUnits)}));
    }

    // However the output goes off during a step, the run applies no further
    // step at its end and waits with its button pressed; the output coming
    // back does not resume it. Two presses later it starts afresh.
    void outputOffStallsTheRun_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("output button") << "button";
        QTest::newRow("normal mode chosen") << "normal mode";
        QTest::newRow("program mode chosen again") << "program mode";
        QTest::newRow("protection trip") << "trip";
    }
    void outputOffStallsTheRun()
    {
        QFETCH(QString, how);
        auto b = programBench();
        b->ui().adjOCPButton->click(); // M1's 1 A limit: CC trips the supply
        b->fill({{"5", "1", "1"}, {"9", "2", "1"}, {"3", "1", "1"}});
        b->setPositions("1", "3", "2");
        b->pressStartStop();
        b->pollTwice(); // 5 V into 10 ohm: 0.5 A, CV
        QVERIFY(b->model->state().outputOn);
        if (how == "button") {
            b->ui().adjON_OFFButton->click();
        } else if (how == "normal mode") {
            b->ui().adjNormalRadioButton->click();
            QCOMPARE(b->ui().adjModeStackedWidget->currentIndex(), 0);
        } else if (how == "program mode") {
            b->ui().adjProgramRadioButton->click();
            QCOMPARE(b->ui().adjModeStackedWidget->currentIndex(), 1);
        } else {
            b->model->setLoad(2.0); // 2.5 A wanted, 1 A allowed
            QTest::ignoreMessage(QtDebugMsg, "进入了保护");
            b->poll();
        }
        QCOMPARE(int(b->p().outputOn), 0);
        QVERIFY(!b->ui().adjON_OFFButton->isChecked());
        b->pollTwice();
        QVERIFY(!b->model->state().outputOn);

        QVERIFY(b->endStep());
        QVERIFY(!b->w->programTimer->isActive());
        QVERIFY(b->ui().adjProgramONOFFPushButton->isChecked());
        QVERIFY(b->editsEnabled());
        QCOMPARE(b->ui().adjPowProgramCurrentPosition->text(), QStringLiteral("1"));
        QCOMPARE(b->ui().adjVoltageDial->value(), 500);

        b->ui().adjON_OFFButton->click(); // on again: the run stays where it is
        QCOMPARE(int(b->p().outputOn), 1);
        QVERIFY(!b->w->programTimer->isActive());

        b->pressStartStop(); // stop
        QVERIFY(!b->ui().adjProgramONOFFPushButton->isChecked());
        QCOMPARE(int(b->p().outputOn), 0);
        b->ui().adjProgramRadioButton->click(); // back to the run's page if it was left
        b->pressStartStop();                    // and a fresh start
        QCOMPARE(b->ui().adjPowProgramCurrentPosition->text(), QStringLiteral("1"));
        QCOMPARE(int(b->p().outputOn), 1);
        QVERIFY(b->w->programTimer->isActive());
        QVERIFY(b->editsDisabled());
    }

    // A stop ends the run at once. The timeout still pending applies nothing,
    // even when the output has been switched on meanwhile, and the next
    // start begins at the start position.
    void stopEndsTheRun()
    {
        auto b = programBench();
        b->fill({{"1", "1", "10"}, {"2", "1", "10"}, {"3", "1", "10"}, {"4", "1", "10"}});
        b->setPositions("2", "4", "3");
        b->pressStartStop();
        QVERIFY(b->endStep());
        QCOMPARE(b->ui().adjVoltageDial->value(), 300);

        b->pressStartStop();
        QCOMPARE(b->p().programRun.stepIndex, 0);
        QCOMPARE(b->p().programRun.cyclesLeft, 0);
        QCOMPARE(int(b->p().outputOn), 0);
        QVERIFY(!b->ui().adjON_OFFButton->isChecked());
        QVERIFY(b->editsEnabled());
        QCOMPARE(b->ui().adjPowProgramCurrentPosition->text(), QStringLiteral("4"));
        QVERIFY(b->w->programTimer->isActive()); // the pending timeout

        b->ui().adjON_OFFButton->click();
        QCOMPARE(int(b->p().outputOn), 1);
        QVERIFY(b->endStep());
        QVERIFY(!b->w->programTimer->isActive());
        QCOMPARE(b->ui().adjVoltageDial->value(), 300);
        QCOMPARE(b->ui().adjPowProgramCurrentPosition->text(), QStringLiteral("4"));
        QVERIFY(!b->ui().adjProgramONOFFPushButton->isChecked());

        b->pressStartStop();
        QCOMPARE(b->ui().adjPowProgramCurrentPosition->text(), QStringLiteral("2"));
        QCOMPARE(b->ui().adjVoltageDial->value(), 200);
    }

    // The edits are corrected when editing finishes, and again at the start.
    void positionEditsAreCorrected()
    {
        auto b = programBench();
        b->fill({{"1", "1", "1"}, {"2", "1", "1"}, {"3", "1", "1"}});
        auto type = [](QLineEdit *edit, const char *keys) {
            edit->setFocus();
            edit->selectAll();
            QTest::keyClicks(edit, QLatin1String(keys));
            QTest::keyClick(edit, Qt::Key_Return);
        };
        type(b->ui().cycleIndex, "0");
        QCOMPARE(b->ui().cycleIndex->text(), QStringLiteral("1"));
        type(b->ui().adjPowProgramStopPosition, "2");
        type(b->ui().adjPowProgramStarPosition, "9");
        QCOMPARE(b->ui().adjPowProgramStarPosition->text(), QStringLiteral("3"));
        QCOMPARE(b->ui().adjPowProgramStopPosition->text(), QStringLiteral("3"));
        type(b->ui().adjPowProgramStopPosition, "0");
        QCOMPARE(b->ui().adjPowProgramStopPosition->text(), QStringLiteral("3"));

        // Set without finishing: the start corrects them, and one pass runs.
        b->setPositions("0", "7", "0");
        b->pressStartStop();
        QCOMPARE(b->ui().adjPowProgramStarPosition->text(), QStringLiteral("1"));
        QCOMPARE(b->ui().adjPowProgramStopPosition->text(), QStringLiteral("3"));
        QCOMPARE(b->ui().cycleIndex->text(), QStringLiteral("1"));
        QVERIFY(b->endStep());
        QVERIFY(b->endStep());
        QVERIFY(b->endStep());
        QVERIFY(!b->ui().adjProgramONOFFPushButton->isChecked());
        QCOMPARE(b->ui().adjPowProgramCurrentPosition->text(), QStringLiteral("3"));
    }

    // Rows deleted, added or replaced during a run change nothing of it.
    void tableChangesDuringARunWaitForTheNextRun()
    {
        auto b = programBench();
        b->fill({{"1", "1", "1"}, {"2", "1", "2"}, {"3", "1", "3"}});
        b->setPositions("1", "3", "1");
        b->pressStartStop();
        b->table()->setCurrentCell(0, 0);
        b->ui().adjProgramDeletePushButton->click();
        b->table()->setCurrentCell(0, 0);
        b->ui().adjProgramDeletePushButton->click();
        b->ui().adjAddRowPushButton->click();
        QCOMPARE(b->tableRows(), (QStringList{"3.00|1.000|3.0", "0.00|0.000|0.0"}));
        QVERIFY(b->endStep());
        QCOMPARE(b->ui().adjVoltageDial->value(), 200);
        QCOMPARE(b->w->programTimer->interval(), 2000);
        b->dialogs.openAnswer = b->path("other.xls");
        QVERIFY(writeContent(b->dialogs.openAnswer, "h\n9\t1\t9\n"));
        b->ui().adjPowTableOpen->click();
        QVERIFY(b->endStep());
        QCOMPARE(b->ui().adjVoltageDial->value(), 300);
        QCOMPARE(b->w->programTimer->interval(), 3000);
        QVERIFY(b->endStep());
        QVERIFY(!b->ui().adjProgramONOFFPushButton->isChecked());
    }

    // Cells a file left without text are made zeros when a run starts.
    void missingCellsBecomeZerosAtTheStart()
    {
        auto b = programBench();
        b->dialogs.openAnswer = b->path("short.xls");
        QVERIFY(writeContent(b->dialogs.openAnswer, "h\n7\n\t2\n"));
        b->ui().adjPowTableOpen->click();
        QCOMPARE(b->tableRows(), (QStringList{"7.00|(none)|(none)", "0.00|2.000|(none)"}));
        b->setPositions("1", "2", "1");
        b->pressStartStop();
        QCOMPARE(b->tableRows(), (QStringList{"7.00|0.000|0.0", "0.00|2.000|0.0"}));
        QCOMPARE(b->ui().adjVoltageDial->value(), 700);
        QCOMPARE(b->ui().adjCurrentDial->value(), 0);
        QCOMPARE(b->w->programTimer->interval(), 0);
        QVERIFY(b->endStep());
        QCOMPARE(b->ui().adjVoltageDial->value(), 0);
        QCOMPARE(b->ui().adjCurrentDial->value(), 2000);
    }

    // Away from the page no request goes out, but the run goes on.
    void runGoesOnWhileAnotherPageIsShown()
    {
        auto b = programBench();
        b->fill({{"1", "1", "1"}, {"2", "1", "1"}, {"3", "1", "1"}});
        b->setPositions("1", "3", "1");
        b->pressStartStop();
        b->pollTwice();
        b->ui().vCToolButton->click();
        b->poll();
        const size_t sent = sim::bus().writeCount(b->id);
        QVERIFY(b->endStep());
        b->pollTwice();
        QCOMPARE(sim::bus().writeCount(b->id), sent);
        QCOMPARE(b->ui().adjPowProgramCurrentPosition->text(), QStringLiteral("2"));
        QCOMPARE(int(b->model->state().voltageSetpoint10mV), 100);
    }

    // ---------------------------------------------------------------------
    // The table file

    void saveAndOpenAsk_data()
    {
        QTest::addColumn<bool>("save");
        QTest::newRow("save") << true;
        QTest::newRow("open") << false;
    }
    void saveAndOpenAsk()
    {
        QFETCH(bool, save);
        auto b = programBench();
        b->ui().adjAddRowPushButton->click();
        (save ? b->ui().adjPowTableSave : b->ui().adjPowTableOpen)->click();
        const QList<testbench::AnsweredDialogs::Asked> &asked =
            save ? b->dialogs.saves : b->dialogs.opens;
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].parent, static_cast<QWidget *>(b->w.widget.get()));
        QCOMPARE(asked[0].caption, save ? QStringLiteral("保存数据") : QStringLiteral("打开文件"));
        QCOMPARE(asked[0].filter, save ? QStringLiteral("*.xls") : QStringLiteral("excel(*.xls)"));
#ifdef Q_OS_WIN
        QCOMPARE(asked[0].directory, save ? QString() : QStringLiteral("C:\\"));
#else
        QCOMPARE(asked[0].directory, save ? QString() : QStringLiteral("../"));
#endif
        // Cancelled: a save says nothing, an open says the path is wrong.
        QCOMPARE(b->takeBoxes(), save ? QStringList() : QStringList{"文件路径错误。"});
        QCOMPARE(b->tableRows(), QStringList{"0.00|0.000|0.0"});
    }

    // A fresh row saved and opened again: the same row and titles.
    void freshRowRoundTrip()
    {
        auto b = programBench();
        b->ui().adjAddRowPushButton->click();
        b->dialogs.saveAnswer = b->path("fresh.xls");
        b->ui().adjPowTableSave->click();
        QCOMPARE(b->takeBoxes(), QStringList{"保存成功。        "});
        QCOMPARE(contentOf(b->dialogs.saveAnswer), kFreshRowFile);

        b->table()->setCurrentCell(0, 0);
        b->ui().adjProgramDeletePushButton->click();
        b->table()->setHorizontalHeaderLabels({"x", "y", "z"});
        b->dialogs.openAnswer = b->dialogs.saveAnswer;
        b->ui().adjPowTableOpen->click();
        QCOMPARE(b->takeBoxes(), QStringList{"导入完成。        "});
        QCOMPARE(b->tableRows(), QStringList{"0.00|0.000|0.0"});
        QCOMPARE(b->titles(), (QStringList{"Volt(V)", "Curr(A)", "Time(S)"}));
    }

    // A table with its titles changed by an earlier file, typed values and
    // an empty cell: saved and opened, the same table.
    void tableRoundTrip()
    {
        auto b = programBench();
        b->dialogs.openAnswer = b->path("in.xls");
        QVERIFY(writeContent(b->dialogs.openAnswer, "A\tB\n12.5\n"));
        b->ui().adjPowTableOpen->click();
        b->fill({{"4.35", "0.29", "1.25"}, {"30", "6", "3600"}});
        const QStringList rows = {"12.50|(none)|(none)", "4.35|0.290|1.2", "30.00|6.000|3600.0"};
        QCOMPARE(b->tableRows(), rows);
        b->dialogs.saveAnswer = b->path("out.xls");
        b->ui().adjPowTableSave->click();
        QCOMPARE(contentOf(b->dialogs.saveAnswer),
                 "A\tB\t\t\n12.50\t\t\t\n4.35\t0.290\t1.2\t\n30.00\t6.000\t3600.0\t\n");
        b->table()->setRowCount(0);
        b->dialogs.openAnswer = b->dialogs.saveAnswer;
        b->ui().adjPowTableOpen->click();
        QCOMPARE(b->titles(), (QStringList{"A", "B", ""}));
        // The empty cells come back as empty fields, which the table shows
        // as zeros.
        QCOMPARE(b->tableRows(),
                 (QStringList{"12.50|0.000|0.0", "4.35|0.290|1.2", "30.00|6.000|3600.0"}));
        QCOMPARE(b->takeBoxes(),
                 (QStringList{"导入完成。        ", "保存成功。        ", "导入完成。        "}));
    }

    // What a file's lines become in the table.
    void importedLines_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QStringList>("rows");
        const QStringList titles = {"Volt(V)", "Curr(A)", "Time(S)"};
        QTest::newRow("12.5, 1, 10") << QByteArray("Volt(V)\tCurr(A)\tTime(S)\t\n12.5\t1\t10\n")
                                     << titles << QStringList{"12.50|1.000|10.0"};
        QTest::newRow("4000 s") << QByteArray("Volt(V)\tCurr(A)\tTime(S)\t\n5\t1\t4000\t\n")
                                << titles << QStringList{"5.00|1.000|3600.0"};
        QTest::newRow("two titles") << QByteArray("A\tB\n1\t2\t3\n") << QStringList{"A", "B", ""}
                                    << QStringList{"1.00|2.000|3.0"};
        QTest::newRow("trailing empty line")
            << QByteArray("Volt(V)\tCurr(A)\tTime(S)\t\n1\t2\t3\t\n\n") << titles
            << QStringList{"1.00|2.000|3.0", "0.00|(none)|(none)"};
        QTest::newRow("CR LF") << QByteArray("Volt(V)\tCurr(A)\tTime(S)\t\r\n12.5\t1\t10\t\r\n")
                               << titles << QStringList{"12.50|1.000|10.0"};
        QTest::newRow("not numbers") << QByteArray("t\nV\tA\ts\n") << QStringList{"t", "", ""}
                                     << QStringList{"0.00|0.000|0.0"};
        QTest::newRow("header only")
            << QByteArray("Volt(V)\tCurr(A)\tTime(S)\t\n") << titles << QStringList{};
        QTest::newRow("empty file") << QByteArray() << QStringList{"", "", ""} << QStringList{};
        QTest::newRow("binary") << QByteArray("\xD0\xCF\x11\xE0\x00\x00\n7\t1\t1\n\x01\x02\n", 16)
                                << QStringList{"", "", ""}
                                << QStringList{"0.00|0.000|0.0", "0.00|0.000|0.0"};
    }
    void importedLines()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, titles);
        QFETCH(QStringList, rows);
        auto b = programBench();
        b->fill({{"9", "9", "9"}, {"8", "8", "8"}}); // replaced by the file
        b->dialogs.openAnswer = b->path("in.xls");
        QVERIFY(writeContent(b->dialogs.openAnswer, content));
        b->ui().adjPowTableOpen->click();
        QCOMPARE(b->takeBoxes(), QStringList{"导入完成。        "});
        QCOMPARE(b->titles(), titles);
        QCOMPARE(b->tableRows(), rows);
    }

    // A file with more rows than the position edits can address: the first
    // 9999 rows, and the user is told.
    void importStopsAtTheLastAddressableRow()
    {
        auto b = programBench();
        QByteArray content("Volt(V)\tCurr(A)\tTime(S)\t\n");
        for (int i = 1; i <= 10001; ++i)
            content += QByteArray::number(i % 30) + "\t1\t1\t\n";
        b->dialogs.openAnswer = b->path("long.xls");
        QVERIFY(writeContent(b->dialogs.openAnswer, content));
        b->ui().adjPowTableOpen->click();
        QCOMPARE(b->takeBoxes(), QStringList{"导入完成，只导入了前 9999 行。        "});
        QCOMPARE(b->table()->rowCount(), 9999);
        QCOMPARE(b->rowTexts(9998), QStringLiteral("9.00|1.000|1.0")); // row 9999: 9999 % 30
    }

    // Files that cannot be read leave the table as it was and say so.
    void unreadableFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("no such file") << "missing.xls";
        QTest::newRow("a folder") << ".";
    }
    void unreadableFiles()
    {
        QFETCH(QString, name);
        auto b = programBench();
        b->fill({{"9", "9", "9"}});
        b->dialogs.openAnswer = b->dir.filePath(name);
        b->ui().adjPowTableOpen->click();
        QCOMPARE(b->takeBoxes(), QStringList{"文件打开失败。        "});
        QCOMPARE(b->tableRows(), QStringList{"9.00|9.000|9.0"});
        QCOMPARE(b->titles(), (QStringList{"Volt(V)", "Curr(A)", "Time(S)"}));
    }

    void saveRefusals()
    {
        auto b = programBench();
        b->dialogs.saveAnswer = b->path("empty.xls");
        b->ui().adjPowTableSave->click();
        QCOMPARE(b->takeBoxes(), QStringList{"无数据。        "});
        QVERIFY(b->dialogs.saves.isEmpty());

        b->ui().adjAddRowPushButton->click();
        b->dialogs.saveAnswer = QString(); // cancelled
        b->ui().adjPowTableSave->click();
        QCOMPARE(b->takeBoxes(), QStringList());

        b->dialogs.saveAnswer = b->path("no/such/folder/table.xls");
        b->ui().adjPowTableSave->click();
        QCOMPARE(b->takeBoxes(), QStringList{"保存失败。        "});
        QCOMPARE(QDir(b->dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot),
                 QStringList());
    }

    // A write that fails part way (the disk full) is no success and leaves
    // the file that was there as it was, with nothing beside it.
    void failedWriteKeepsTheExistingFile()
    {
        auto b = programBench();
        const QString target = b->path("kept.xls");
        QVERIFY(writeContent(target, kFreshRowFile));
        for (int i = 0; i < 500; ++i)
            b->ui().adjAddRowPushButton->click(); // about 9 kB
        b->dialogs.saveAnswer = target;
        {
            testbench::FileSizeLimit limit(4096);
            QVERIFY(limit.ok());
            b->ui().adjPowTableSave->click();
        }
        QCOMPARE(b->takeBoxes(), QStringList{"保存失败。        "});
        QCOMPARE(contentOf(target), kFreshRowFile);
        QCOMPARE(QDir(b->dir.path()).entryList(QDir::Files), QStringList{"kept.xls"});

        b->ui().adjPowTableSave->click();
        QCOMPARE(b->takeBoxes(), QStringList{"保存成功。        "});
        QCOMPARE(contentOf(target), "Volt(V)\tCurr(A)\tTime(S)\t\n" +
                                        QByteArray("0.00\t0.000\t0.0\t\n").repeated(500));
    }

    // On the demo bench: the sample program of three steps with two passes
    // drives the supply step by step, and its chart records each level.
    void demoProgramStepsTheSupply()
    {
        testbench::ModalCloser boxes;
        auto w = makeWindow();
        const sim::DemoBench bench = sim::attachDemoBench();
        testbench::AnsweredDialogs dialogs;
        dialogs.answer(*w.widget);
        QTemporaryDir dir;
        w->discoverDevices();
        w.ui().adjPowToolButton->click();
        w.ui().adjProgramRadioButton->click();
        w.invoke("adjPowerChartProcess");

        dialogs.openAnswer = dir.filePath("sample.xls");
        QVERIFY(writeContent(dialogs.openAnswer,
                             programtable::toText(demo::sampleProgramTable()).toUtf8()));
        w.ui().adjPowTableOpen->click();
        w.ui().adjPowProgramStopPosition->setText("3");
        w.ui().cycleIndex->setText("2");
        w.ui().adjProgramONOFFPushButton->click();

        // Each step: its set-point and five samples of it on the chart.
        const double levels[] = {5, 9, 12, 5, 9, 12};
        QCPGraph *volts = w->adjPower->graphs[0];
        for (int k = 0; k < 6; ++k) {
            if (k > 0)
                QVERIFY(QMetaObject::invokeMethod(w->programTimer, "timeout"));
            QCOMPARE(w->programTimer->interval(), 2000);
            for (int i = 0; i < 7; ++i)
                w.invoke("adjPowerChartProcess");
            QCOMPARE(int(bench.powerSupply->state().voltageSetpoint10mV), int(levels[k] * 100));
            const int count = volts->dataCount();
            for (int i = count - 5; i < count; ++i)
                QCOMPARE(volts->data()->at(i)->value, levels[k]);
        }
        QVERIFY(QMetaObject::invokeMethod(w->programTimer, "timeout"));
        QVERIFY(!w.ui().adjProgramONOFFPushButton->isChecked());
        w.invoke("adjPowerChartProcess");
        w.invoke("adjPowerChartProcess");
        QVERIFY(!bench.powerSupply->state().outputOn);
        QCOMPARE(volts->data()->at(volts->dataCount() - 1)->value, 0.0);
    }
};

QTEST_MAIN(ProgramPageTest)
#include "tst_programpage.moc"
