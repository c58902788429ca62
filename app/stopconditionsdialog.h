// The small dialog of the chart menu's "Stop conditions…": which conditions
// a tool's set holds, with their values, what is done when one is met, and
// how it alerts; it says what is armed now. Its texts are the window's
// (context "Widget").
#pragma once

#include "analysis/stopconditions.h"

#include <QDialog>

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QTimeEdit;

class StopConditionsDialog : public QDialog {
    Q_OBJECT
public:
    // What the user chose when the dialog closed.
    enum class Choice { Cancel, Arm, Disarm };

    // The controls start from `last` (the set armed last, or the defaults
    // when it holds no condition); `armedText` says what is armed now, and
    // with `armedNow` the set can be disarmed. The power supply's dialog
    // offers to switch its output off.
    StopConditionsDialog(bool powerSupply, const stopcond::Setup &last, bool armedNow,
                         const QString &armedText, QWidget *parent = nullptr);

    // The set the controls describe: the conditions ticked, the actions and
    // the alerts.
    stopcond::Setup setup() const;
    Choice choice() const { return mChoice; }

    // The controls, for tests and pictures.
    QCheckBox *currentBelow = nullptr;
    QDoubleSpinBox *currentMilliamps = nullptr;
    QDoubleSpinBox *currentSeconds = nullptr;
    QCheckBox *chargeAtLeast = nullptr;
    QDoubleSpinBox *chargeMah = nullptr;
    QCheckBox *energyAtLeast = nullptr;
    QDoubleSpinBox *energyMwh = nullptr;
    QCheckBox *timeAtLeast = nullptr;
    QTimeEdit *time = nullptr;
    QCheckBox *voltageBelow = nullptr;
    QDoubleSpinBox *voltageBelowVolts = nullptr;
    QCheckBox *voltageAbove = nullptr;
    QDoubleSpinBox *voltageAboveVolts = nullptr;
    QCheckBox *stopChart = nullptr;
    QCheckBox *stopCounting = nullptr;
    QCheckBox *stopRecording = nullptr;
    QCheckBox *outputOff = nullptr; // the power supply only
    QCheckBox *tone = nullptr;
    QCheckBox *notification = nullptr;
    QLabel *armed = nullptr;
    QPushButton *armButton = nullptr;
    QPushButton *disarmButton = nullptr;
    QPushButton *cancelButton = nullptr;

private:
    void enableArm();

    Choice mChoice = Choice::Cancel;
};
