#include "app/stopconditionsdialog.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimeEdit>
#include <QVBoxLayout>

#include <cmath>

namespace {

// The dialog's texts are the window's.
QString widgetText(const char *text)
{
    return QCoreApplication::translate("Widget", text);
}

QDoubleSpinBox *spinBox(double minimum, double maximum, int decimals, double value,
                        const QString &suffix)
{
    auto *box = new QDoubleSpinBox;
    box->setRange(minimum, maximum);
    box->setDecimals(decimals);
    box->setValue(value);
    box->setSuffix(suffix);
    box->setAlignment(Qt::AlignRight);
    return box;
}

// The first condition of a kind in a set, or null.
const stopcond::Condition *firstOfKind(const stopcond::Setup &setup, stopcond::Kind kind)
{
    for (const stopcond::Condition &condition : setup.conditions) {
        if (condition.kind == kind)
            return &condition;
    }
    return nullptr;
}

} // namespace

StopConditionsDialog::StopConditionsDialog(bool powerSupply, const stopcond::Setup &last,
                                           bool armedNow, const QString &armedText, QWidget *parent)
    : QDialog(parent)
{
    using stopcond::Kind;
    setObjectName(QStringLiteral("stopConditionsDialog"));
    setWindowTitle(widgetText("停止条件"));
    const bool fresh = last.conditions.isEmpty();

    armed = new QLabel(armedText);
    armed->setObjectName(QStringLiteral("stopConditionsArmed"));
    armed->setWordWrap(true);

    // The conditions, each with its values: those of the last set, or the
    // usual end of a charge.
    const Kind kinds[] = {Kind::CurrentBelow, Kind::ChargeAtLeast, Kind::EnergyAtLeast,
                          Kind::TimeAtLeast,  Kind::VoltageBelow,  Kind::VoltageAbove};
    stopcond::Condition shown[6] = {
        {Kind::CurrentBelow, 0.1, 10000000}, {Kind::ChargeAtLeast, 2000, 0},
        {Kind::EnergyAtLeast, 5000, 0},      {Kind::TimeAtLeast, 3600, 0},
        {Kind::VoltageBelow, 3.0, 0},        {Kind::VoltageAbove, 4.2, 0}};
    bool ticked[6] = {fresh, false, false, false, false, false};
    for (int k = 0; k < 6; ++k) {
        if (const stopcond::Condition *c = firstOfKind(last, kinds[k])) {
            shown[k] = *c;
            ticked[k] = true;
        }
    }
    const QString seconds = QLatin1Char(' ') + widgetText("秒");
    currentBelow = new QCheckBox(widgetText("电流低于"));
    currentMilliamps = spinBox(0.1, 10000, 1, shown[0].value * 1000, QStringLiteral(" mA"));
    currentSeconds = spinBox(0, 86400, 1, shown[0].holdUs / 1e6, seconds);
    chargeAtLeast = new QCheckBox(widgetText("电量达到"));
    chargeMah = spinBox(0.1, 1e7, 1, shown[1].value, QStringLiteral(" mAh"));
    energyAtLeast = new QCheckBox(widgetText("能量达到"));
    energyMwh = spinBox(0.1, 1e8, 1, shown[2].value, QStringLiteral(" mWh"));
    timeAtLeast = new QCheckBox(widgetText("时间达到"));
    time = new QTimeEdit;
    time->setDisplayFormat(QStringLiteral("H:mm:ss"));
    time->setMinimumTime(QTime(0, 0, 1));
    time->setMaximumTime(QTime(23, 59, 59));
    time->setTime(QTime(0, 0).addSecs(int(std::lround(shown[3].value))));
    time->setAlignment(Qt::AlignRight);
    voltageBelow = new QCheckBox(widgetText("电压低于"));
    voltageBelowVolts = spinBox(0.01, 40, 2, shown[4].value, QStringLiteral(" V"));
    voltageAbove = new QCheckBox(widgetText("电压高于"));
    voltageAboveVolts = spinBox(0.01, 40, 2, shown[5].value, QStringLiteral(" V"));
    QCheckBox *boxes[6] = {currentBelow, chargeAtLeast, energyAtLeast,
                           timeAtLeast,  voltageBelow,  voltageAbove};
    QWidget *values[6] = {currentMilliamps,  chargeMah,        energyMwh, time,
                          voltageBelowVolts, voltageAboveVolts};

    auto *conditions = new QGroupBox(widgetText("条件（任一满足即触发）"));
    auto *grid = new QGridLayout(conditions);
    for (int k = 0; k < 6; ++k) {
        boxes[k]->setChecked(ticked[k]);
        grid->addWidget(boxes[k], k, 0);
        grid->addWidget(values[k], k, 1);
        connect(boxes[k], &QCheckBox::toggled, this, &StopConditionsDialog::enableArm);
    }
    grid->addWidget(new QLabel(widgetText("持续")), 0, 2);
    grid->addWidget(currentSeconds, 0, 3);
    grid->setColumnStretch(4, 1);

    const stopcond::Actions actions =
        fresh ? stopcond::Actions{false, !powerSupply, true, powerSupply} : last.actions;
    auto *when = new QGroupBox(widgetText("触发时"));
    auto *whenLayout = new QVBoxLayout(when);
    stopChart = new QCheckBox(widgetText("停止图表"));
    stopChart->setChecked(actions.stopChart);
    stopCounting = new QCheckBox(widgetText("停止计数"));
    stopCounting->setChecked(actions.stopCounting);
    stopRecording = new QCheckBox(widgetText("停止记录"));
    stopRecording->setChecked(actions.stopRecording);
    for (QCheckBox *box : {stopChart, stopCounting, stopRecording})
        whenLayout->addWidget(box);
    if (powerSupply) {
        outputOff = new QCheckBox(widgetText("关闭电源输出"));
        outputOff->setChecked(actions.outputOff);
        whenLayout->addWidget(outputOff);
    }

    auto *alerts = new QGroupBox(widgetText("提醒"));
    auto *alertsLayout = new QVBoxLayout(alerts);
    tone = new QCheckBox(widgetText("提示音"));
    tone->setChecked(last.alerts.tone);
    notification = new QCheckBox(widgetText("桌面通知"));
    notification->setChecked(last.alerts.notification);
    alertsLayout->addWidget(tone);
    alertsLayout->addWidget(notification);
    alertsLayout->addStretch(1);

    armButton = new QPushButton(widgetText("启用"));
    armButton->setDefault(true);
    disarmButton = new QPushButton(widgetText("解除"));
    disarmButton->setEnabled(armedNow);
    cancelButton = new QPushButton(widgetText("取消"));
    connect(armButton, &QPushButton::clicked, this, [this] {
        mChoice = Choice::Arm;
        accept();
    });
    connect(disarmButton, &QPushButton::clicked, this, [this] {
        mChoice = Choice::Disarm;
        accept();
    });
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto *below = new QHBoxLayout;
    below->addWidget(when, 1);
    below->addWidget(alerts, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(armButton);
    buttons->addWidget(disarmButton);
    buttons->addWidget(cancelButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(armed);
    layout->addWidget(conditions);
    layout->addLayout(below);
    layout->addLayout(buttons);
    enableArm();
}

void StopConditionsDialog::enableArm()
{
    armButton->setEnabled(!setup().conditions.isEmpty());
}

stopcond::Setup StopConditionsDialog::setup() const
{
    using stopcond::Kind;
    stopcond::Setup s;
    if (currentBelow->isChecked())
        s.conditions << stopcond::Condition{Kind::CurrentBelow, currentMilliamps->value() / 1000,
                                            qint64(std::llround(currentSeconds->value() * 1e6))};
    if (chargeAtLeast->isChecked())
        s.conditions << stopcond::Condition{Kind::ChargeAtLeast, chargeMah->value(), 0};
    if (energyAtLeast->isChecked())
        s.conditions << stopcond::Condition{Kind::EnergyAtLeast, energyMwh->value(), 0};
    if (timeAtLeast->isChecked())
        s.conditions << stopcond::Condition{Kind::TimeAtLeast,
                                            double(QTime(0, 0).secsTo(time->time())), 0};
    if (voltageBelow->isChecked())
        s.conditions << stopcond::Condition{Kind::VoltageBelow, voltageBelowVolts->value(), 0};
    if (voltageAbove->isChecked())
        s.conditions << stopcond::Condition{Kind::VoltageAbove, voltageAboveVolts->value(), 0};
    s.actions.stopChart = stopChart->isChecked();
    s.actions.stopCounting = stopCounting->isChecked();
    s.actions.stopRecording = stopRecording->isChecked();
    s.actions.outputOff = outputOff && outputOff->isChecked();
    s.alerts.tone = tone->isChecked();
    s.alerts.notification = notification->isChecked();
    return s;
}
