// The stop conditions of the meter and the power supply in the window: the
// chart menu's dialog, each tool's set following its engine, the line on its
// page with the armed conditions and how far each is, and what a set does
// when it fires: its actions (the chart, the counting, the recording with a
// last line naming the condition; the supply's output-off is the engine's),
// the banner that stays until acknowledged, the tone and the desktop
// notification, and the banner alone where no notification service takes it.
#include "widget.h"

#include "app/stopconditionsdialog.h"
#include "engine/instrument.h"
#include "recording/toolrecording.h"
#include "tools/meter/vc_meter.h"
#include "tools/power/adjpower.h"
#include "ui_widget.h"

#include <QApplication>
#include <QDateTime>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <cmath>

namespace {

using Tool = Widget::Tool;

constexpr Tool kStopTools[] = {Tool::Meter, Tool::PowerSupply};
constexpr int kStopRefreshMs = 250;

// The index of a tool's stop set: the meter 0, the power supply 1.
int slotOf(Tool tool)
{
    return tool == Tool::PowerSupply ? 1 : 0;
}

// "1:05:00" of a count of seconds.
QString clockText(double seconds)
{
    const qint64 s = qint64(seconds);
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600)
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

const char kProgressStyle[] = "color:#ffaa00";
const char kBannerStyle[] = "#stopBanner0, #stopBanner1 { background-color: rgb(150, 20, 20); "
                            "border: 1px solid rgb(255, 90, 90); border-radius: 4px; }"
                            "QLabel { color: white; }";

} // namespace

void Widget::setupStopConditions()
{
    askStopConditions = [this](Tool tool, const stopcond::Setup &last, bool armedNow,
                               const QString &armedText) -> std::optional<stopcond::Setup> {
        StopConditionsDialog dialog(tool == Tool::PowerSupply, last, armedNow, armedText, this);
        if (dialog.exec() != QDialog::Accepted ||
            dialog.choice() == StopConditionsDialog::Choice::Cancel)
            return std::nullopt;
        if (dialog.choice() == StopConditionsDialog::Choice::Disarm)
            return stopcond::Setup();
        return dialog.setup();
    };

    for (Tool tool : kStopTools) {
        const int slot = slotOf(tool);
        // After the recording (setupRecording): the sample that meets a
        // condition is in the file before the line that names it.
        stopConditions[slot] = std::make_unique<stopcond::StopConditions>();
        stopcond::StopConditions &set = *stopConditions[slot];
        if (tool == Tool::Meter)
            set.follow(*vcMeter);
        else
            set.follow(*adjPower);
        set.fired = [this, slot] { m_stopFiredUnhandled[slot] = true; };

        auto *progress = new QLabel;
        progress->setObjectName(QStringLiteral("stopProgress%1").arg(slot));
        progress->setStyleSheet(QLatin1String(kProgressStyle));
        progress->setWordWrap(true);
        progress->hide();
        stopProgressLabels[slot] = progress;

        auto *banner = new QWidget;
        banner->setObjectName(QStringLiteral("stopBanner%1").arg(slot));
        banner->setAttribute(Qt::WA_StyledBackground, true);
        banner->setStyleSheet(QLatin1String(kBannerStyle));
        auto *text = new QLabel;
        text->setObjectName(QStringLiteral("stopBannerText%1").arg(slot));
        text->setWordWrap(true);
        auto *acknowledge = new QPushButton(tr("知道了"));
        acknowledge->setObjectName(QStringLiteral("stopBannerAcknowledge%1").arg(slot));
        connect(acknowledge, &QPushButton::clicked, this,
                [this, tool] { acknowledgeStopBanner(tool); });
        auto *layout = new QHBoxLayout(banner);
        layout->setContentsMargins(8, 4, 8, 4);
        layout->addWidget(text, 1);
        layout->addWidget(acknowledge);
        banner->hide();
        stopBanners[slot] = banner;
        stopBannerTexts[slot] = text;
    }
    // Under the chart of each page; hidden, they take no room.
    ui->verticalLayout_2->insertWidget(1, stopBanners[0]);
    ui->verticalLayout_2->insertWidget(1, stopProgressLabels[0]);
    ui->verticalLayout_3->insertWidget(1, stopBanners[1]);
    ui->verticalLayout_3->insertWidget(1, stopProgressLabels[1]);

    stopConditionsTimer = new QTimer(this);
    connect(stopConditionsTimer, &QTimer::timeout, this, &Widget::tickStopConditions);
    stopConditionsTimer->start(kStopRefreshMs);
}

void Widget::editStopConditions(Tool tool)
{
    const int slot = slotOf(tool);
    const std::optional<stopcond::Setup> answer = askStopConditions(
        tool, lastStopSetup[slot], stopConditions[slot]->isArmed(), armedStopText(tool));
    if (answer)
        armStopConditions(tool, *answer);
}

void Widget::armStopConditions(Tool tool, const stopcond::Setup &setup)
{
    const int slot = slotOf(tool);
    stopcond::StopConditions &set = *stopConditions[slot];
    if (setup.conditions.isEmpty()) {
        set.disarm();
    } else {
        stopcond::Setup armed = setup;
        if (tool != Tool::PowerSupply)
            armed.actions.outputOff = false; // the meter has no output
        lastStopSetup[slot] = armed;
        set.arm(armed, engine::nowUs());
    }
    m_stopFiredUnhandled[slot] = false;
    showStopProgress(tool);
}

bool Widget::stopConditionsNeedPolls(Tool tool) const
{
    if (tool == Tool::BootLine)
        return false;
    return stopConditions[slotOf(tool)]->isArmed() ||
           (tool == Tool::PowerSupply && adjPower->outputOffPending());
}

void Widget::tickStopConditions()
{
    const qint64 now = engine::nowUs();
    for (Tool tool : kStopTools) {
        stopConditions[slotOf(tool)]->tick(now);
        handleStopFiring(tool);
        showStopProgress(tool);
    }
}

QString Widget::stopConditionWords(const stopcond::Condition &condition) const
{
    using stopcond::Kind;
    using stopcond::numberText;
    QString words;
    switch (condition.kind) {
    case Kind::CurrentBelow:
        words = tr("电流 < %1 mA").arg(numberText(condition.value * 1000));
        break;
    case Kind::VoltageBelow:
        words = tr("电压 < %1 V").arg(numberText(condition.value, 1));
        break;
    case Kind::VoltageAbove:
        words = tr("电压 > %1 V").arg(numberText(condition.value, 1));
        break;
    case Kind::ChargeAtLeast:
        words = tr("电量 ≥ %1 mAh").arg(numberText(condition.value));
        break;
    case Kind::EnergyAtLeast:
        words = tr("能量 ≥ %1 mWh").arg(numberText(condition.value));
        break;
    case Kind::TimeAtLeast:
        words = tr("时间 ≥ %1").arg(clockText(condition.value));
        break;
    }
    if (condition.holds() && condition.holdUs > 0)
        words = tr("%1，持续 %2 秒").arg(words, numberText(condition.holdUs / 1e6));
    return words;
}

QString Widget::armedStopText(Tool tool) const
{
    const stopcond::StopConditions &set = *stopConditions[slotOf(tool)];
    QStringList words;
    for (const stopcond::Condition &condition : set.setup().conditions)
        words << stopConditionWords(condition);
    if (set.isArmed())
        return tr("已启用：%1").arg(words.join(QStringLiteral(" / ")));
    if (set.hasFired())
        return tr("已触发：%1").arg(words.join(QStringLiteral(" / ")));
    return tr("未启用");
}

void Widget::showStopProgress(Tool tool)
{
    const int slot = slotOf(tool);
    QLabel *label = stopProgressLabels[slot];
    const stopcond::StopConditions &set = *stopConditions[slot];
    if (!label)
        return;
    if (!set.isArmed()) {
        label->hide();
        label->clear();
        return;
    }
    using stopcond::Kind;
    using stopcond::numberText;
    const qint64 now = engine::nowUs();
    QStringList items;
    const QList<stopcond::Condition> &conditions = set.setup().conditions;
    for (int i = 0; i < conditions.size(); ++i) {
        const stopcond::Condition &c = conditions[i];
        const stopcond::Progress p = set.progress(i, now);
        const QString words = stopConditionWords(c);
        switch (c.kind) {
        case Kind::CurrentBelow:
        case Kind::VoltageBelow:
        case Kind::VoltageAbove:
            if (c.holdUs > 0) {
                items << tr("%1：%2 / %3 %4")
                             .arg(words, QString::number(std::floor(p.heldSeconds)),
                                  numberText(c.holdUs / 1e6), tr("秒"));
            } else {
                const QString reading = !p.hasValue ? QStringLiteral("—")
                                        : c.kind == Kind::CurrentBelow
                                            ? QStringLiteral("%1 mA").arg(p.value * 1000, 0, 'f', 0)
                                            : QStringLiteral("%1 V").arg(p.value, 0, 'f', 2);
                items << tr("%1：现为 %2").arg(words, reading);
            }
            break;
        case Kind::ChargeAtLeast:
            items << tr("%1：%2 / %3 %4")
                         .arg(words, QString::number(p.value, 'f', 1), numberText(c.value),
                              QStringLiteral("mAh"));
            break;
        case Kind::EnergyAtLeast:
            items << tr("%1：%2 / %3 %4")
                         .arg(words, QString::number(p.value, 'f', 1), numberText(c.value),
                              QStringLiteral("mWh"));
            break;
        case Kind::TimeAtLeast:
            items << tr("%1：%2 / %3").arg(words, clockText(p.value), clockText(c.value));
            break;
        }
    }
    const QString text = tr("停止条件：") + items.join(QStringLiteral("  ·  "));
    if (label->text() != text)
        label->setText(text);
    label->show();
}

void Widget::handleStopFiring(Tool tool)
{
    const int slot = slotOf(tool);
    if (!m_stopFiredUnhandled[slot])
        return;
    m_stopFiredUnhandled[slot] = false;
    const stopcond::StopConditions &set = *stopConditions[slot];
    const stopcond::Actions &actions = set.setup().actions;

    if (actions.stopChart) {
        LiveChartState &chart = chartStateOf(tool);
        chart.chartRunning = false;
        (tool == Tool::Meter ? ui->vcMeter_chartStart : ui->adjPowChartStart)->setText(tr("开始"));
    }
    if (actions.stopCounting) {
        if (tool == Tool::Meter) {
            vcMeter->counting = false;
            ui->vcMeter_countStart->setText(tr("开始"));
        } else {
            powerCountingHeld = true; // until the counts are cleared
        }
    }
    QStringList words;
    for (int index : set.metConditions())
        words << stopConditionWords(set.setup().conditions[index]);
    const qint64 agoMs = (engine::nowUs() - set.firedUs()) / 1000;
    m_stopFiredAt[slot] =
        QDateTime::currentDateTime().addMSecs(-agoMs).toString(QStringLiteral("HH:mm:ss"));
    const QString met = words.join(QStringLiteral(" / "));
    if (actions.stopRecording && recordsToDisk(tool)) {
        recordings[int(tool)]->stopWithEvent(set.firedUs(),
                                             "stopped: " + set.firedText().toLatin1());
        QLabel *label = recordingLabels[int(tool)];
        label->setProperty("stopped", true);
        label->setToolTip(tr("%1 停止条件已满足：%2").arg(m_stopFiredAt[slot], met));
        showRecordingStatus(tool);
    }
    if (tool == Tool::PowerSupply)
        m_outputOffConfirmed = false;
    m_noNotificationService[slot] = false;
    showStopBanner(tool);
    showStopProgress(tool);

    const stopcond::Alerts &alerts = set.setup().alerts;
    if (alerts.tone && alertOutputs.tone)
        alertOutputs.tone();
    if (alerts.notification && alertOutputs.notify) {
        const QString tool_ = tool == Tool::Meter ? tr("电压电流表") : tr("可调电源");
        QPointer<Widget> window(this);
        alertOutputs.notify(tr("停止条件已满足"),
                            tr("%1 %2：%3").arg(m_stopFiredAt[slot], tool_, met),
                            [window, tool, slot](bool delivered) {
                                if (!window || delivered)
                                    return;
                                // No notification service: the banner alone
                                // alerts, and the window asks to be seen.
                                window->m_noNotificationService[slot] = true;
                                window->showStopBanner(tool);
                                QApplication::alert(window, 0);
                            });
    }
}

void Widget::showStopBanner(Tool tool)
{
    const int slot = slotOf(tool);
    const stopcond::StopConditions &set = *stopConditions[slot];
    if (!set.hasFired())
        return;
    QStringList words;
    for (int index : set.metConditions())
        words << stopConditionWords(set.setup().conditions[index]);
    QStringList lines;
    lines
        << tr("%1 停止条件已满足：%2").arg(m_stopFiredAt[slot], words.join(QStringLiteral(" / ")));
    if (tool == Tool::PowerSupply && set.setup().actions.outputOff) {
        if (m_outputOffConfirmed)
            lines << tr("电源输出已关闭。");
        else if (adjPower->outputOffPending())
            lines << tr("正在关闭电源输出…");
    }
    if (m_noNotificationService[slot])
        lines << tr("没有桌面通知服务。");
    stopBannerTexts[slot]->setText(lines.join(QLatin1Char('\n')));
    stopBanners[slot]->show();
}

void Widget::acknowledgeStopBanner(Tool tool)
{
    stopBanners[slotOf(tool)]->hide();
}
