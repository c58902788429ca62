// The chart data file (".cts"): the series of a tool's chart as one line of
// comma-terminated ASCII tokens, each series between a start and an end
// marker, values only (keys are sample numbers and are rebuilt on loading).
//
//   three series (meter, power supply):  vst,V...,vend,cst,A...,cend,pst,W...,pend,
//   one series (boot line):              cst,A...,cend,
//
// Writer and readers work on plain series of values; Qt Core only.
#pragma once

#include <QtGlobal>

#include <cstring>

class QIODevice;
class QString;

namespace chartfile {

// Which series a file holds and which markers frame them. A reader of one
// layout takes the series it knows from a file of the other.
enum class Layout {
    ThreeSeries, // voltage, current, power: vst/vend, cst/cend, pst/pend
    OneSeries,   // current only: cst/cend
};

int seriesCount(Layout layout);

// How a tool writes its chart: the layout and the decimals of each series
// (printf "%.Nf").
struct Format {
    Layout layout;
    int decimals[3];
};

const Format &meterFormat();       // three series, 4, 4, 4 decimals
const Format &powerSupplyFormat(); // three series, 2, 3, 2 decimals
const Format &bootLineFormat();    // one series, 3 decimals

// Longest token the format can hold: the longest number the writer produces.
// A longer token is read as a value that does not convert.
constexpr int kMaxTokenLength = 320;

// A read-only view of `count` values `strideBytes` apart: a plain array of
// doubles (stride sizeof(double)), or one field of an array of records, such
// as the values of a chart's key/value points, without copying them.
struct ValueSeries {
    const char *first = nullptr;
    qint64 count = 0;
    qint64 strideBytes = sizeof(double);

    ValueSeries() = default;
    ValueSeries(const double *values, qint64 valueCount, qint64 stride = sizeof(double))
        : first(reinterpret_cast<const char *>(values)), count(valueCount), strideBytes(stride)
    {
    }
    double operator[](qint64 i) const
    {
        double value;
        std::memcpy(&value, first + i * strideBytes, sizeof value);
        return value;
    }
};

// Writes the series of a chart in `format` (series[k] for k below the
// layout's series count) to `out`, in large blocks. Returns false as soon as a
// write fails.
bool write(QIODevice &out, const Format &format, const ValueSeries series[]);

// Receives the values a reader finds, in file order, a block at a time;
// `series` is 0 .. seriesCount(layout) - 1 in the order of the layout.
class SeriesSink {
public:
    virtual ~SeriesSink();
    // When the source can be read twice (a file), how many values each
    // series is about to get, told once per series before any append: room
    // can be made for exactly these. Does nothing by default.
    virtual void reserve(int series, qint64 count);
    virtual void append(int series, const double *values, int count) = 0;
};

// Reads a chart data file with the reader of `layout`:
// - a token that is a marker the reader knows selects the section;
// - any other token is a value: in a start section it is converted
//   (QString::toDouble rules; 0 when it does not convert) and given to the
//   sink for that series; in the section of the layout's final end marker
//   (pend, or cend for one series) it ends loading; elsewhere (before the
//   first marker, after an intermediate end marker) it is ignored;
// - a final token without a comma after it is not handled;
// - a UTF-8 byte order mark at the start of the file is skipped.
// Reads in large blocks; memory stays small whatever the file holds. A
// source that is not sequential is read twice: once to count, once to load.
// Returns false when the name is empty, names no regular file (a named pipe,
// a device, a folder: see regularfile.h), the file cannot be opened or a read
// fails (values handed to the sink before a read failure stay with it), true
// otherwise, also for a file without any marker.
bool read(const QString &fileName, Layout layout, SeriesSink &sink);
bool read(QIODevice &in, Layout layout, SeriesSink &sink);

} // namespace chartfile
