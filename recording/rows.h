// The lines of a recording file: a header naming each column with its unit,
// then one line per sample, each starting with its two time columns and
// ending with an event column that is empty on sample lines. A line that
// marks a gap (the instrument went away) has its times, empty values and the
// event "disconnected", so a spreadsheet or pandas reads it as a row of
// missing values at that time; so has the line a stop condition ends a
// recording with ("stopped: current<50mA for 60s"). Every line ends with "\n"; numbers have fixed
// decimals. Qt Core only.
#pragma once

#include "recording/stamps.h"

#include <QByteArray>

#include <optional>

namespace bootline {
struct Answer;
}
namespace meter {
struct Answer;
}
namespace power {
struct Answer;
}

namespace recording {

enum class Instrument { Meter, PowerSupply, BootLine };

// How the lines are written: CSV with a header line, or JSON Lines, one
// object per line whose keys are the CSV header's column names (numbers as
// numbers with the CSV's decimals, an empty cell as null, texts as strings).
enum class Format { Csv, JsonLines };

// One meter sample with the line voltages of its report and the charge and
// energy counted by the recording up to it.
struct MeterRow {
    double volts = 0;
    double amps = 0;
    double watts = 0;
    double dPlus = 0;
    double dMinus = 0;
    double cc1 = 0;
    double cc2 = 0;
    double chargeMah = 0;
    double energyMwh = 0;
};

// One answer of the power supply.
struct PowerSupplyRow {
    double volts = 0;
    double amps = 0;
    double watts = 0;
    // The selected memory slot's voltage and current, the values the output
    // regulates to; none while no slot is selected.
    std::optional<double> setVolts;
    std::optional<double> setAmps;
    int preset = 0; // 1-6 for M1-M6, 0 for none
    bool outputOn = false;
    int mode = 0; // 0 CV, 1 CC, 2 OCP, 3 OVP, anything else as a number
};

// One answer of the boot line and the trigger its request carried.
struct BootLineRow {
    double volts = 0;
    double amps = 0;
    double peakAmps = 0;
    double deviceSeconds = 0; // the time the device counts since its trigger
    bool triggerHeld = false;
};

// The line of an engine's answer (a meter answer's sample n, with the
// charge and energy counted up to it).
MeterRow meterRow(const meter::Answer &answer, int n, double chargeMah = 0, double energyMwh = 0);
PowerSupplyRow powerSupplyRow(const power::Answer &answer);
BootLineRow bootLineRow(const bootline::Answer &answer);

// The header line of an instrument's recording (none for JSON Lines).
QByteArray headerLine(Instrument instrument, Format format = Format::Csv);

// The JSON Lines of complete CSV lines of an instrument's recording, or of
// lines whose columns are `names`.
QByteArray jsonLinesOf(Instrument instrument, const QByteArray &csvLines);
QByteArray jsonLinesOf(const QList<QByteArray> &names, const QByteArray &csvLines);

// The text of a power supply mode in its column: "CV", "CC", "OCP", "OVP",
// or the number the device sent.
QByteArray modeText(int mode);

// Collects complete lines of one instrument's recording.
class RowText {
public:
    RowText(Instrument instrument, qint64 startUtcMs, Format format = Format::Csv);

    void addMeter(qint64 atUs, const MeterRow &row);
    void addPowerSupply(qint64 atUs, const PowerSupplyRow &row);
    void addBootLine(qint64 atUs, const BootLineRow &row);
    // A gap line: the times, every value column empty, "disconnected".
    void addGap(qint64 atUs);
    // An event line: the times, every value column empty, the event. The
    // event holds no comma, quote, backslash or line break, and starts with
    // a letter (a spreadsheet and pandas read it as a text).
    void addEvent(qint64 atUs, const QByteArray &event);

    // The lines collected since the last take, all complete, in the format.
    QByteArray take();
    int pendingBytes() const { return mLines.size(); }

private:
    void addNumber(double value, int decimals);

    Instrument mInstrument;
    Format mFormat;
    StampText mStamp;
    QByteArray mLines;
};

} // namespace recording
