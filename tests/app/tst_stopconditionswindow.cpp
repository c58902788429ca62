// The stop conditions in the window, on the simulated bench: the chart menu's
// entry and its dialog, the power supply's output switched off by the very
// next request and shown off only once the supply reports it (also while its
// answers fail, its page is hidden or it is away), the actions on the meter,
// the recording's last line, the line of progress, the banner, and the tone
// and the desktop notification through their seam, with the banner alone
// where no notification service takes it.
#include "app/stopconditionsdialog.h"
#include "recording/toolrecording.h"
#include "tests/support/testbench.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QMenu>
#include <QTemporaryDir>
#include <QTimeEdit>
#include <QtTest>

using testbench::makeWindow;
using Tool = Widget::Tool;

namespace {

stopcond::Setup setOf(const QStringList &texts)
{
    stopcond::Setup setup;
    for (const QString &text : texts) {
        stopcond::Condition condition;
        QString error;
        if (!stopcond::parseCondition(text, &condition, &error))
            qFatal("%s", qPrintable(error));
        setup.conditions << condition;
    }
    return setup;
}

QList<QByteArray> linesOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QList<QByteArray> lines = file.readAll().split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The window with fakes for the tone and the notification.
struct Alerted {
    testbench::Window w = makeWindow();
    int tones = 0;
    QStringList notes;
    bool serviceThere = true;

    Alerted()
    {
        w->alertOutputs.tone = [this] { ++tones; };
        w->alertOutputs.notify = [this](const QString &summary, const QString &body,
                                        std::function<void(bool)> delivered) {
            notes << summary + QLatin1Char('|') + body;
            delivered(serviceThere);
        };
    }
    Ui_Widget &ui() const { return w.ui(); }
    QWidget *banner(Tool tool) const { return w->stopBanners[tool == Tool::Meter ? 0 : 1]; }
    QString bannerText(Tool tool) const
    {
        return w->stopBannerTexts[tool == Tool::Meter ? 0 : 1]->text();
    }
};

// The power supply of the scenario: M4 at 12.00 V and 1.000 A, output on,
// into 20 ohm (0.6 A), its page taken over.
struct SupplyBench : Alerted {
    std::shared_ptr<sim::PowerSupplyModel> model = std::make_shared<sim::PowerSupplyModel>();
    int id = -1;

    SupplyBench()
    {
        model->setLoad(20);
        model->setPreset(4, {1200, 1000});
        model->setSelectedPreset(4);
        model->setOutput(true);
        id = sim::bus().attach(model);
        w->discoverDevices();
        ui().adjPowToolButton->click();
        poll();
    }
    void poll() const { w.invoke("adjPowerChartProcess"); }
    std::vector<std::uint8_t> lastRequest() const { return sim::bus().lastWrite(id); }
    bool lastRequestSwitchesOff() const
    {
        const std::vector<std::uint8_t> r = lastRequest();
        return r.size() == 65 && r[1] == 7 && r[10] == 0;
    }
    bool fired() const { return w->stopConditions[1]->hasFired(); }
    // Polls as the timer would until the set fires (at most 3 s).
    bool pollUntilFired() const
    {
        for (int i = 0; i < 150 && !fired(); ++i) {
            QTest::qWait(20);
            poll();
        }
        return fired();
    }
};

} // namespace

class StopConditionsWindowTest : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { sim::bus().reset(); }

    // The entry is on the meter's and the supply's chart menus; it asks
    // through the seam, and a cancelled question changes nothing.
    void theChartMenuAsks_data()
    {
        QTest::addColumn<int>("tool");
        QTest::addColumn<bool>("offered");
        QTest::newRow("meter") << int(Tool::Meter) << true;
        QTest::newRow("power supply") << int(Tool::PowerSupply) << true;
        QTest::newRow("boot line") << int(Tool::BootLine) << false;
    }
    void theChartMenuAsks()
    {
        QFETCH(int, tool);
        QFETCH(bool, offered);
        testbench::Window w = makeWindow();
        QList<int> asked;
        QStringList armedTexts;
        w->askStopConditions = [&](Tool t, const stopcond::Setup &, bool armedNow,
                                   const QString &armedText) {
            asked << int(t);
            armedTexts << armedText + (armedNow ? " (armed)" : "");
            return std::optional<stopcond::Setup>();
        };
        std::unique_ptr<QMenu> menu(w->chartMenu(Tool(tool)));
        QAction *entry = nullptr;
        for (QAction *action : menu->actions()) {
            if (action->text() == QStringLiteral("停止条件…"))
                entry = action;
        }
        QCOMPARE(entry != nullptr, offered);
        if (!entry)
            return;
        entry->trigger();
        QCOMPARE(asked, QList<int>{tool});
        QCOMPARE(armedTexts, QStringList{QStringLiteral("未启用")});
        QVERIFY(!w->stopConditions[tool == int(Tool::Meter) ? 0 : 1]->isArmed());
    }

    // The real dialog, answered while it is open: it starts from the usual end
    // of a charge, says what is armed, and gives the set its controls hold.
    void theDialogArmsWhatItShows()
    {
        testbench::Window w = makeWindow();
        // What the dialog showed when it opened, then the user's changes and
        // the arm button; it is answered whatever it shows, so that it never
        // stays open.
        QStringList shown;
        bool armWithNothingTicked = true;
        QTimer answer;
        answer.setInterval(5);
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto *dialog = qobject_cast<StopConditionsDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            answer.stop();
            shown << QStringLiteral("current %1 %2 mA %3 s")
                         .arg(dialog->currentBelow->isChecked())
                         .arg(dialog->currentMilliamps->value())
                         .arg(dialog->currentSeconds->value())
                  << QStringLiteral("charge %1").arg(dialog->chargeAtLeast->isChecked())
                  << QStringLiteral("output off %1")
                         .arg(dialog->outputOff && dialog->outputOff->isChecked())
                  << QStringLiteral("stop recording %1").arg(dialog->stopRecording->isChecked())
                  << dialog->armed->text()
                  << QStringLiteral("disarm %1").arg(dialog->disarmButton->isEnabled());
            dialog->currentBelow->setChecked(false);
            armWithNothingTicked = dialog->armButton->isEnabled();
            dialog->chargeAtLeast->setChecked(true);
            dialog->chargeMah->setValue(1500);
            dialog->timeAtLeast->setChecked(true);
            dialog->time->setTime(QTime(2, 30, 0));
            dialog->tone->setChecked(false);
            dialog->armButton->click();
        });
        answer.start();
        w->editStopConditions(Tool::PowerSupply);
        QCOMPARE(shown, (QStringList{"current 1 100 mA 10 s", "charge 0", "output off 1",
                                     "stop recording 1", "未启用", "disarm 0"}));
        QVERIFY(!armWithNothingTicked);
        const stopcond::StopConditions &set = *w->stopConditions[1];
        QVERIFY(set.isArmed());
        QCOMPARE(set.setup().conditions.size(), 2);
        QCOMPARE(stopcond::conditionText(set.setup().conditions[0]),
                 QStringLiteral("charge>=1500mAh"));
        QCOMPARE(stopcond::conditionText(set.setup().conditions[1]), QStringLiteral("time>=150m"));
        QVERIFY(set.setup().actions.outputOff);
        QVERIFY(!set.setup().alerts.tone);
        QVERIFY(set.setup().alerts.notification);

        // Opened again: it starts from that set, says it is armed, disarms.
        StopConditionsDialog again(true, w->lastStopSetup[1], true,
                                   w->armedStopText(Tool::PowerSupply));
        QVERIFY(!again.currentBelow->isChecked());
        QVERIFY(again.chargeAtLeast->isChecked());
        QCOMPARE(again.chargeMah->value(), 1500.0);
        QCOMPARE(again.armed->text(), QStringLiteral("已启用：电量 ≥ 1500 mAh / 时间 ≥ 2:30:00"));
        QVERIFY(again.disarmButton->isEnabled());
        // The meter's has no output to switch off.
        StopConditionsDialog meter(false, stopcond::Setup(), false, QString());
        QVERIFY(!meter.outputOff);
        QVERIFY(meter.stopCounting->isChecked());
    }

    // The scenario of a charge that ends itself: "current below 100 mA for a
    // while" on the supply, a recording, the charge ends. The request after
    // the sample that met the condition switches the output off; the button
    // shows off only with the supply's answer; the recording's last line
    // names the condition; the banner, the tone and the notification. On the
    // page or with the page hidden, with the answers failing or not.
    void aChargeEndsItself_data()
    {
        QTest::addColumn<bool>("pageShown");
        QTest::addColumn<int>("failingAnswers");
        QTest::newRow("page shown") << true << 0;
        QTest::newRow("page shown, answers failing") << true << 3;
        QTest::newRow("page hidden") << false << 0;
        QTest::newRow("page hidden, answers failing") << false << 3;
    }
    void aChargeEndsItself()
    {
        QFETCH(bool, pageShown);
        QFETCH(int, failingAnswers);
        SupplyBench b;
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("charge.csv"));
        QVERIFY(b.w->startRecording(Tool::PowerSupply, file));
        stopcond::Setup setup = setOf({"current<100mA for 0.3s"});
        setup.actions.stopRecording = true;
        setup.actions.stopChart = true;
        setup.actions.outputOff = true;
        b.w->armStopConditions(Tool::PowerSupply, setup);
        if (!pageShown)
            b.ui().vCToolButton->click();
        for (int i = 0; i < 5; ++i)
            b.poll();
        QVERIFY(!b.fired()); // 0.6 A
        QVERIFY(b.model->state().outputOn);

        // The cell is full: 12 mA.
        b.model->setLoad(1000);
        QVERIFY(b.pollUntilFired());
        // The answer that met it: nothing is switched off yet, and nothing
        // shows off.
        QVERIFY(b.model->state().outputOn);
        QVERIFY(b.ui().adjON_OFFButton->isChecked());
        QVERIFY(!b.banner(Tool::PowerSupply)->isHidden());
        QVERIFY2(b.bannerText(Tool::PowerSupply)
                     .contains(QStringLiteral("停止条件已满足：电流 < 100 mA，持续 0.3 秒")),
                 qPrintable(b.bannerText(Tool::PowerSupply)));
        QVERIFY(b.bannerText(Tool::PowerSupply).contains(QStringLiteral("正在关闭电源输出…")));
        QVERIFY(!b.w->adjPower->chartRunning);
        QCOMPARE(b.tones, 1);
        QCOMPARE(b.notes.size(), 1);
        QVERIFY2(b.notes[0].startsWith(QStringLiteral("停止条件已满足|")) &&
                     b.notes[0].endsWith(QStringLiteral(" 可调电源：电流 < 100 mA，持续 0.3 秒")),
                 qPrintable(b.notes[0]));

        // The recording: the sample that met it, then the line naming it.
        QVERIFY(!b.w->recordsToDisk(Tool::PowerSupply));
        const QList<QByteArray> lines = linesOf(file);
        QVERIFY(lines.size() >= 3);
        QVERIFY2(lines.last().endsWith(",,,,,,,,,stopped: current<100mA for 0.3s"),
                 lines.last().constData());
        QCOMPARE(lines.last().count(','), 10); // the header's columns
        const QList<QByteArray> met = lines[lines.size() - 2].split(',');
        QCOMPARE(met[3], QByteArray("0.012"));
        QCOMPARE(met[1], lines.last().split(',')[1]); // at the time of that sample

        // The supply's answers fail: the off goes out with every request, and
        // the button stays on until an answer reports the output off.
        if (failingAnswers)
            sim::bus().setReadBehaviour(b.id, sim::ReadBehaviour::Fail, failingAnswers);
        for (int i = 0; i < failingAnswers; ++i) {
            b.poll();
            QVERIFY(b.lastRequestSwitchesOff());
            QVERIFY(b.ui().adjON_OFFButton->isChecked());
            QVERIFY(b.w->adjPower->outputOffPending());
        }
        b.poll();
        QVERIFY(b.lastRequestSwitchesOff());
        const std::vector<std::uint8_t> off = b.lastRequest();
        QCOMPARE(int(off[5]), 4); // the supply's own slot and set-points
        QCOMPARE(off[6] << 8 | off[7], 1200);
        QCOMPARE(off[8] << 8 | off[9], 1000);
        QVERIFY(!b.model->state().outputOn);
        QVERIFY(!b.w->adjPower->outputOffPending());
        QVERIFY(!b.ui().adjON_OFFButton->isChecked());
        QVERIFY(b.bannerText(Tool::PowerSupply).contains(QStringLiteral("电源输出已关闭。")));
        QVERIFY(!b.bannerText(Tool::PowerSupply).contains(QStringLiteral("正在关闭")));
        QVERIFY(b.model->preset(4) == (sim::PowerSupplyModel::Preset{1200, 1000}));

        // Confirmed: a hidden page goes back to resting.
        const size_t writes = sim::bus().writeCount(b.id);
        b.poll();
        QCOMPARE(sim::bus().writeCount(b.id), writes + (pageShown ? 1 : 0));
        QCOMPARE(b.tones, 1);
    }

    // The demo's charge: M6 (4.20 V, 3.000 A) into the simulated cell (50 mAh
    // at 10 %, 3.30 V behind 0.15 ohm). Constant current at 3 A, 3.75 V at
    // the terminals; the cell reaches 4.20 − 0.45 = 3.75 V (55 %) after 22.5
    // mAh, 27 s; then constant voltage, the current falling with a time
    // constant of 27 s: 3 A × e^(−33/27) = 0.88 A 60 s in, 3 A × e^(−123/27)
    // = 0.03 A 150 s in. Armed "current below 100 mA", the output goes off as
    // the charge ends and the recording's last line names the condition.
    void aCellChargeEndsItself()
    {
        SupplyBench b;
        b.ui().adjM6PushButton->click();
        b.model->connectCell(sim::PowerSupplyModel::Cell());
        b.poll();
        b.poll();
        QCOMPARE(b.model->state().mode, quint8(sim::PowerSupplyModel::CC));
        QCOMPARE(b.w->adjPower->current, 3.0);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("cell.csv"));
        QVERIFY(b.w->startRecording(Tool::PowerSupply, file));
        stopcond::Setup setup = setOf({"current<100mA for 0.3s"});
        setup.actions.stopRecording = true;
        setup.actions.outputOff = true;
        b.w->armStopConditions(Tool::PowerSupply, setup);

        b.model->runCell(60);
        for (int i = 0; i < 20; ++i) {
            QTest::qWait(20);
            b.poll();
        }
        QVERIFY(!b.fired());
        QCOMPARE(b.model->state().mode, quint8(sim::PowerSupplyModel::CV));
        QVERIFY2(qAbs(b.w->adjPower->current - 0.88) <= 0.02,
                 qPrintable(QString::number(b.w->adjPower->current)));

        b.model->runCell(90);
        QVERIFY(b.pollUntilFired());
        QVERIFY(b.ui().adjON_OFFButton->isChecked()); // not before the supply says so
        b.poll();
        QVERIFY(!b.model->state().outputOn);
        QVERIFY(!b.ui().adjON_OFFButton->isChecked());
        QVERIFY(b.bannerText(Tool::PowerSupply).contains(QStringLiteral("电源输出已关闭。")));
        QCOMPARE(b.tones, 1);
        QCOMPARE(b.notes.size(), 1);
        const QList<QByteArray> lines = linesOf(file);
        QVERIFY2(lines.last().endsWith(",stopped: current<100mA for 0.3s"),
                 lines.last().constData());
        const double soc = b.model->cell().stateOfCharge;
        b.model->runCell(60); // nothing more goes in
        QCOMPARE(b.model->cell().stateOfCharge, soc);
    }

    // Away when the time is up: the set fires without samples, the off waits
    // for the supply, and goes out once it is back (after one read of its
    // settings).
    void theOffWaitsForASupplyThatIsAway()
    {
        SupplyBench b;
        stopcond::Setup setup = setOf({"time>=0.2s"});
        setup.actions.outputOff = true;
        b.w->armStopConditions(Tool::PowerSupply, setup);
        sim::bus().detach(b.id);
        b.w->discoverDevices();
        QTest::qWait(250);
        b.w->tickStopConditions();
        QVERIFY(b.fired());
        QVERIFY(b.w->adjPower->outputOffPending());
        QVERIFY(b.bannerText(Tool::PowerSupply).contains(QStringLiteral("时间 ≥ 0:00:00")));

        b.id = sim::bus().attach(b.model); // plugged in again, its output still on
        b.w->discoverDevices();
        b.poll();
        QCOMPARE(int(b.lastRequest()[1]), 6);
        QVERIFY(b.model->state().outputOn);
        QVERIFY(b.ui().adjON_OFFButton->isChecked());
        b.poll();
        QVERIFY(b.lastRequestSwitchesOff());
        QVERIFY(!b.model->state().outputOn);
        QVERIFY(!b.ui().adjON_OFFButton->isChecked());
    }

    // The meter's actions, each on its own: the chart, the counting, the
    // recording (its last line in the meter's columns).
    void theMetersActions_data()
    {
        QTest::addColumn<bool>("stopChart");
        QTest::addColumn<bool>("stopCounting");
        QTest::addColumn<bool>("stopRecording");
        QTest::newRow("the chart") << true << false << false;
        QTest::newRow("the counting") << false << true << false;
        QTest::newRow("the recording") << false << false << true;
        QTest::newRow("nothing but the alerts") << false << false << false;
    }
    void theMetersActions()
    {
        QFETCH(bool, stopChart);
        QFETCH(bool, stopCounting);
        QFETCH(bool, stopRecording);
        Alerted a;
        auto meter = std::make_shared<sim::MeterModel>();
        meter->setReading(5.0, 1.0);
        sim::bus().attach(meter);
        a.w->discoverDevices(); // the chart runs
        a.ui().vcMeter_countStart->click();
        QVERIFY(a.w->vcMeter->counting);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("meter.csv"));
        QVERIFY(a.w->startRecording(Tool::Meter, file));
        a.w.pollMeter();
        stopcond::Setup setup = setOf({"voltage>4.5V"});
        setup.actions = {stopChart, stopCounting, stopRecording, true};
        setup.alerts.notification = false;
        a.w->armStopConditions(Tool::Meter, setup);
        QVERIFY(!a.w->lastStopSetup[0].actions.outputOff); // the meter has none
        a.w.pollMeter();
        QVERIFY(a.w->stopConditions[0]->hasFired());
        QCOMPARE(a.w->vcMeter->chartRunning, !stopChart);
        QCOMPARE(a.ui().vcMeter_chartStart->text(),
                 stopChart ? QStringLiteral("开始") : QStringLiteral("暂停"));
        QCOMPARE(a.w->vcMeter->counting, !stopCounting);
        QCOMPARE(a.w->recordsToDisk(Tool::Meter), !stopRecording);
        QCOMPARE(a.tones, 1);
        QVERIFY(a.notes.isEmpty());
        QVERIFY(!a.banner(Tool::Meter)->isHidden());
        if (!stopRecording)
            return;
        const QList<QByteArray> lines = linesOf(file);
        QVERIFY(lines.size() >= 3);
        QVERIFY2(lines.last().endsWith(",,,,,,,,,,stopped: voltage>4.5V"),
                 lines.last().constData());
        QCOMPARE(lines.last().count(','), lines.first().count(','));
        QCOMPARE(a.w->recordingLabels[0]->text(), QStringLiteral("记录已停止"));
    }

    // Armed, the meter is polled on every page; disarmed, it rests there.
    void anArmedMeterIsPolledOnEveryPage()
    {
        Alerted a;
        const int id = sim::bus().attach(std::make_shared<sim::MeterModel>());
        a.w->discoverDevices();
        a.ui().adjPowToolButton->click();
        const size_t before = sim::bus().writeCount(id);
        a.w.pollMeter();
        QCOMPARE(sim::bus().writeCount(id), before);
        a.w->armStopConditions(Tool::Meter, setOf({"charge>=100mAh"}));
        a.w.pollMeter();
        QCOMPARE(sim::bus().writeCount(id), before + 1);
        a.w->armStopConditions(Tool::Meter, stopcond::Setup());
        QVERIFY(!a.w->stopConditions[0]->isArmed());
        a.w.pollMeter();
        QCOMPARE(sim::bus().writeCount(id), before + 1);
    }

    // Where no notification service takes the alert the banner says so; the
    // banner stays until acknowledged; alerts switched off stay quiet.
    void theBannerWithoutANotificationService_data()
    {
        QTest::addColumn<bool>("serviceThere");
        QTest::addColumn<bool>("alerts");
        QTest::newRow("notified") << true << true;
        QTest::newRow("no notification service") << false << true;
        QTest::newRow("alerts switched off") << false << false;
    }
    void theBannerWithoutANotificationService()
    {
        QFETCH(bool, serviceThere);
        QFETCH(bool, alerts);
        SupplyBench b;
        b.serviceThere = serviceThere;
        stopcond::Setup setup = setOf({"voltage>11V"});
        setup.alerts = {alerts, alerts};
        b.w->armStopConditions(Tool::PowerSupply, setup);
        b.poll();
        QVERIFY(b.fired());
        QCOMPARE(b.tones, alerts ? 1 : 0);
        QCOMPARE(b.notes.size(), alerts ? 1 : 0);
        const QString text = b.bannerText(Tool::PowerSupply);
        QVERIFY2(text.contains(QStringLiteral("停止条件已满足：电压 > 11.0 V")), qPrintable(text));
        QCOMPARE(text.contains(QStringLiteral("没有桌面通知服务。")), alerts && !serviceThere);
        QVERIFY(!text.contains(QStringLiteral("电源输出"))); // no output-off chosen
        QVERIFY(b.model->state().outputOn);

        for (int i = 0; i < 3; ++i)
            b.poll();
        b.w->tickStopConditions();
        QVERIFY(!b.banner(Tool::PowerSupply)->isHidden());
        QTest::mouseClick(b.w->findChild<QPushButton *>(QStringLiteral("stopBannerAcknowledge1")),
                          Qt::LeftButton);
        QVERIFY(b.banner(Tool::PowerSupply)->isHidden());
    }

    // The line under the chart: each armed condition and how far it is; gone
    // once the set fires.
    void theLineSaysHowFarEachIs()
    {
        SupplyBench b;
        b.model->setLoad(1000); // 12 mA
        b.w->armStopConditions(Tool::PowerSupply, setOf({"current<100mA for 60s", "charge>=2000mAh",
                                                         "time>=2h", "voltage<3.0V"}));
        QLabel *line = b.w->stopProgressLabels[1];
        QCOMPARE(line->text(),
                 QStringLiteral("停止条件：电流 < 100 mA，持续 60 秒：0 / 60 秒  ·  "
                                "电量 ≥ 2000 mAh：0.0 / 2000 mAh  ·  时间 ≥ 2:00:00：0:00:00 / "
                                "2:00:00  ·  电压 < 3.0 V：现为 —"));
        b.poll();
        b.w->showStopProgress(Tool::PowerSupply);
        QVERIFY(!line->isHidden());
        QVERIFY2(line->text().endsWith(QStringLiteral("电压 < 3.0 V：现为 12.00 V")),
                 qPrintable(line->text()));
        b.w->armStopConditions(Tool::PowerSupply, setOf({"voltage>11V"}));
        b.poll();
        QVERIFY(b.fired());
        QVERIFY(line->isHidden());
    }

    // The supply's counting held by a fired set, until the counts are cleared.
    void theSuppliesCountingHeldUntilCleared()
    {
        SupplyBench b;
        stopcond::Setup setup = setOf({"voltage>11V"});
        setup.actions.stopCounting = true;
        b.w->armStopConditions(Tool::PowerSupply, setup);
        b.poll();
        QVERIFY(b.fired());
        b.w->accumulateCounts();
        QCOMPARE(b.w->adjPower->countTicks, quint32(0));
        b.ui().adjPowClearCountData->click();
        b.w->accumulateCounts();
        QCOMPARE(b.w->adjPower->countTicks, quint32(1));
    }
};

QTEST_MAIN(StopConditionsWindowTest)
#include "tst_stopconditionswindow.moc"
