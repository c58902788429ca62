// Reading back a recording file (the CSV the recorder writes, see
// recording/README.md): its samples with their times since the recording's
// start, and its gap lines. The whole file is checked as it is read: a file
// of another instrument, or one that is not a recording or is damaged (a
// line cut short, a value that is no number, a time going back, an unknown
// event), is refused with what is wrong and where, and the caller keeps
// nothing of it. Memory stays small whatever the file holds: it is read in
// blocks, and a line longer than any the recorder writes is damage.
// Qt Core only; the columns are the recorder's own (recording/rows.h).
#pragma once

#include "recording/rows.h"

#include <QByteArray>
#include <QList>

#include <optional>

class QIODevice;
class QString;

namespace recordingfile {

using recording::Instrument;

// The longest line taken; the recorder's are about 120 bytes.
constexpr int kMaxLineLength = 4096;

// The columns of an instrument's recording whose values can be measured
// (numbers that vary from sample to sample), in the file's order: meter
// voltage_V current_A power_W dplus_V dminus_V cc1_V cc2_V; power supply
// voltage_V current_A power_W set_voltage_V set_current_A; boot line
// voltage_V current_A peak_current_A.
QList<QByteArray> valueColumns(Instrument instrument);

// The instrument's name in messages: "meter", "power supply", "boot line".
QByteArray instrumentName(Instrument instrument);

enum class Problem {
    None,
    CannotOpen,      // no such regular file, or it cannot be opened
    ReadFailed,      // a read failed part way
    NotARecording,   // the first line is not a recording's header
    OtherInstrument, // a recording of another instrument than the one asked for
    Damaged,         // a line that the recorder does not write
};

struct Outcome {
    Problem problem = Problem::None;
    // The file's instrument, once its header is known.
    std::optional<Instrument> instrument;
    // Damaged: the line (counted from 1, the header being line 1) and what
    // is wrong with it, in English.
    qint64 line = 0;
    QByteArray detail;
    qint64 samples = 0;
    qint64 gaps = 0;

    bool ok() const { return problem == Problem::None; }
};

// Receives what the reader finds, in file order. A refused file may have
// handed over some rows before its fault was found: the sink keeps them
// aside until the outcome says the file is whole.
class RowSink {
public:
    virtual ~RowSink();
    // When the source can be read twice (a file) and the sink asks for it
    // (wantsCount), how many rows, samples and gap lines, are about to come,
    // told once before the first: room can be made for exactly these.
    virtual bool wantsCount() const;
    virtual void reserve(qint64 rows);
    // The file's instrument and the columns handed over, once, before any row.
    virtual void begin(Instrument instrument, const QList<QByteArray> &columns);
    // A sample line: its time since the recording's start and the value of
    // each column asked for, in that order (NaN for an empty cell, which only
    // a power supply's set-points may have).
    virtual void sample(qint64 elapsedUs, const double *values) = 0;
    // A gap line (the instrument went away), at its time.
    virtual void gap(qint64 elapsedUs) = 0;
};

// Reads a recording: of `expected` only (another instrument's is refused),
// or of any instrument when none is expected. `columns` names the columns
// to hand over (an unknown name is damage); empty: valueColumns() of the
// file's instrument. Files of any size, CR LF or LF line ends, a UTF-8 byte
// order mark before the header, a last line without its line end.
Outcome read(const QString &fileName, std::optional<Instrument> expected,
             const QList<QByteArray> &columns, RowSink &sink);
Outcome read(QIODevice &in, std::optional<Instrument> expected, const QList<QByteArray> &columns,
             RowSink &sink);

} // namespace recordingfile
