#include "program.h"

#include <QtMath>

#include <cmath>

namespace program {

double cellValue(const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    // "nan", "inf" and numbers too large for a double would show as such in
    // the table; they are no values a supply can take.
    return ok && std::isfinite(value) ? value : 0.0;
}

int durationTenths(double seconds)
{
    if (!(seconds > 0))
        return 0;
    if (seconds >= kMaxStepTenths / 10)
        return kMaxStepTenths;
    // Truncated, not rounded: 1.25 s holds for 1.2 s. Every time the table
    // shows (one decimal) comes back as the tenths it shows.
    return int(seconds * 10);
}

QString normalisedCell(int column, const QString &text)
{
    const double value = cellValue(text);
    switch (column) {
    case TimeColumn: {
        const int tenths = durationTenths(value);
        return QString::asprintf("%d.%d", tenths / 10, tenths % 10);
    }
    case CurrentColumn:
        return QString::number(value > 0 ? value : 0.0, 'f', 3);
    default:
        return QString::number(value > 0 ? value : 0.0, 'f', 2);
    }
}

QString zeroCell(int column)
{
    return normalisedCell(column, QString());
}

QString correctedStart(const QString &startText, int rowCount)
{
    QString text = startText;
    if (rowCount < text.toInt())
        text = QString::number(rowCount);
    if (text.toInt() <= 0)
        text = QStringLiteral("1");
    return text;
}

QString correctedStop(const QString &stopText, const QString &startText, int rowCount)
{
    QString text = stopText;
    if (rowCount < text.toInt())
        text = QString::number(rowCount);
    if (text.toInt() < startText.toInt())
        text = startText;
    if (text.toInt() <= 0)
        text = QStringLiteral("1");
    return text;
}

QString correctedPasses(const QString &passesText)
{
    return passesText.toInt() <= 0 ? QStringLiteral("1") : passesText;
}

ProgramStep stepFromCells(int row, const QString &voltage, const QString &current,
                          const QString &time)
{
    ProgramStep step;
    step.stepRow = row;
    step.stepVoltage = cellValue(voltage);
    step.stepCurrent = cellValue(current);
    step.stepSeconds = durationTenths(cellValue(time)) / 10.0;
    return step;
}

int durationMs(const ProgramStep &step)
{
    return qRound(step.stepSeconds * 1000);
}

int Run::start(int stepCount, int startPosition, int stopPosition, int passes)
{
    firstIndex = startPosition > 1 && startPosition <= stepCount ? startPosition - 1 : 0;
    lastIndex = qMin(stopPosition, stepCount) - 1;
    stepIndex = firstIndex;
    cyclesLeft = passes;
    state = RunState::Running;
    return stepIndex;
}

Run::Next Run::advance(bool outputOn)
{
    if (state != RunState::Running)
        return Next::Ignore;
    ++stepIndex;
    if (stepIndex > lastIndex) {
        // A pass is complete.
        if (--cyclesLeft <= 0) {
            stepIndex = 0;
            state = RunState::Idle;
            return Next::Finish;
        }
        stepIndex = firstIndex;
    }
    if (!outputOn) {
        state = RunState::Stalled;
        return Next::Stall;
    }
    return Next::Apply;
}

void Run::stop()
{
    stepIndex = 0;
    cyclesLeft = 0;
    state = RunState::Idle;
}

} // namespace program
