#pragma once

#include <QString>

// Set-point texts and device units of the power supply: the voltage in units
// of 10 mV shown as "00.00", the current in units of 1 mA shown as "0.000".
//
// A text is converted by rounding to the nearest unit, never by truncating:
// 1.15 and 2.01 have no exact binary form, so 1.15 × 100 comes out as
// 114.999… and a truncation would store 114, show 01.14, and make every round
// trip of a stored value through the dial and its text lose one unit. With
// rounding, every text the edits' masks allow maps to the unit it shows, and
// units → text → units gives back the same units.
namespace setpoint {

struct Scale {
    int unitsPerWhole; // 100 (10 mV) or 1000 (1 mA)
    int wholeDigits;   // digits before the point, zero-padded
    int fractionDigits;
};

constexpr Scale kVoltage = {100, 2, 2};
constexpr Scale kCurrent = {1000, 1, 3};

// Units of a value in volts or amperes, clamped to 0 … limit first; a value
// that is not a number gives 0.
quint16 unitsFromValue(double value, double limit, const Scale &scale);

// Units of an edit's text. Text that is not a number gives 0.
quint16 unitsFromText(const QString &text, double limit, const Scale &scale);

// The edit's text of a number of units: "01.15", "2.010".
QString textFromUnits(int units, const Scale &scale);

} // namespace setpoint
