#pragma once

#include <QList>
#include <QString>

// Program mode of the power supply without widgets: the texts of the step
// table's cells, the corrections of the start, stop and pass edits, the steps
// taken from the table, and the run that walks through them.
namespace program {

// Columns of the step table.
enum Column { VoltageColumn = 0, CurrentColumn = 1, TimeColumn = 2, kColumnCount = 3 };

// Longest step: one hour.
constexpr int kMaxStepTenths = 36000;

// The value of a cell or edit text: text that is not a finite number gives 0.
double cellValue(const QString &text);

// A step's duration in tenths of a second: the value truncated to tenths and
// limited to 0 … one hour. 1.25 gives 12 (1.2 s).
int durationTenths(double seconds);

// The text a cell shows for whatever was typed or read into it: the voltage
// with two decimals, the current with three, the time in tenths within
// 0.0 … 3600.0; anything not positive (or not a number) is that column's zero.
QString normalisedCell(int column, const QString &text);

// The texts of a fresh row: "0.00", "0.000", "0.0".
QString zeroCell(int column);

// Corrections of the position edits, applied when editing finishes and at
// the start of a run; each returns the text the edit then shows (the same
// text when nothing needed correcting). Afterwards 1 <= start <= stop <= rows
// whenever the table has rows, and passes >= 1.
QString correctedStart(const QString &startText, int rowCount);
QString correctedStop(const QString &stopText, const QString &startText, int rowCount);
QString correctedPasses(const QString &passesText);

// One step of a program: the 1-based table row it came from, the voltage (V),
// the current (A) and how long it holds (s, in tenths).
struct ProgramStep {
    int stepRow = 0;
    double stepVoltage = 0;
    double stepCurrent = 0;
    double stepSeconds = 0;
};

// The step of a table row from its three cell texts.
ProgramStep stepFromCells(int row, const QString &voltage, const QString &current,
                          const QString &time);

// How long a step holds, in milliseconds: exactly the tenths it shows.
int durationMs(const ProgramStep &step);

// Where a run stands.
//   Idle:    nothing runs; a timeout still pending from a stopped run is
//            ignored.
//   Running: a step is applied and its time is running.
//   Stalled: the output was switched off during a step; at its end the run
//            waited, and goes no further until it is stopped.
enum class RunState { Idle, Running, Stalled };

// The walk through the steps first … last (0-based, inclusive) for a number
// of passes. The window applies the steps and runs the timer; the run says
// which step comes next.
class Run {
public:
    // What the end of a step leads to.
    enum class Next {
        Ignore, // no run: a timeout left over from a stopped run
        Apply,  // apply step stepIndex and hold it for its duration
        Stall,  // the output is off: the run waits
        Finish, // the last pass is complete
    };

    // Starts at the start position (1-based) of a table of stepCount steps
    // and returns the step to apply first. A start beyond the steps falls back
    // to the first step; the stop position is limited to the steps.
    int start(int stepCount, int startPosition, int stopPosition, int passes);
    // The end of the current step's time.
    Next advance(bool outputOn);
    // The run is stopped by the user.
    void stop();

    RunState state = RunState::Idle;
    int stepIndex = 0;  // 0-based step being applied
    int cyclesLeft = 0; // passes still to run, the current one included
    int firstIndex = 0;
    int lastIndex = 0;
};

} // namespace program
