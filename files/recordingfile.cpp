#include "files/recordingfile.h"

#include "files/fastnumber.h"
#include "files/regularfile.h"

#include <QFile>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace recordingfile {

namespace {

constexpr qint64 kBlockBytes = 4 << 20;
constexpr int kMaxFields = 16;
constexpr Instrument kInstruments[] = {Instrument::Meter, Instrument::PowerSupply,
                                       Instrument::BootLine};

QByteArray headerOf(Instrument instrument)
{
    return recording::headerLine(instrument).trimmed();
}

// What one line of a recording must be, from its header.
struct Layout {
    int fields = 0;
    int elapsed = 1;
    int event = 0;
    std::vector<int> wanted;      // the field of each column handed over
    std::vector<bool> mayBeEmpty; // an empty cell there is no value (NaN)
};

bool emptyAllowed(const QByteArray &column)
{
    return column == "set_voltage_V" || column == "set_current_A";
}

class Reader {
public:
    Reader(std::optional<Instrument> expected, const QList<QByteArray> &columns, RowSink &sink)
        : mExpected(expected), mColumns(columns), mSink(sink)
    {
    }

    Outcome run(QIODevice &in);

private:
    bool header(const char *line, const char *end);
    bool row(const char *line, const char *end);
    bool line(const char *begin, const char *end);
    bool damaged(const char *what)
    {
        mOutcome.problem = Problem::Damaged;
        mOutcome.line = mLine;
        mOutcome.detail = what;
        return false;
    }

    std::optional<Instrument> mExpected;
    QList<QByteArray> mColumns;
    RowSink &mSink;
    Outcome mOutcome;
    Layout mLayout;
    qint64 mLine = 0;
    qint64 mLastUs = std::numeric_limits<qint64>::min();
    std::vector<double> mValues;
};

bool Reader::header(const char *begin, const char *end)
{
    if (end - begin >= 3 && std::memcmp(begin, "\xEF\xBB\xBF", 3) == 0)
        begin += 3; // a text editor's byte order mark
    const QByteArray text = QByteArray::fromRawData(begin, int(end - begin));
    for (Instrument instrument : kInstruments) {
        if (text != headerOf(instrument))
            continue;
        mOutcome.instrument = instrument;
        if (mExpected && *mExpected != instrument) {
            mOutcome.problem = Problem::OtherInstrument;
            mOutcome.line = 1;
            return false;
        }
        const QList<QByteArray> names = headerOf(instrument).split(',');
        if (mColumns.isEmpty())
            mColumns = valueColumns(instrument);
        mLayout.fields = names.size();
        mLayout.event = names.size() - 1;
        for (const QByteArray &column : mColumns) {
            const int field = names.indexOf(column);
            if (field < 0 || column == "time_utc" || column == "event") {
                mOutcome.problem = Problem::Damaged;
                mOutcome.line = 1;
                mOutcome.detail = "no column " + column + " to read";
                return false;
            }
            mLayout.wanted.push_back(field);
            mLayout.mayBeEmpty.push_back(emptyAllowed(column));
        }
        mValues.resize(mLayout.wanted.size());
        mSink.begin(instrument, mColumns);
        return true;
    }
    mOutcome.problem = Problem::NotARecording;
    mOutcome.line = 1;
    return false;
}

bool Reader::row(const char *begin, const char *end)
{
    // The fields of the line.
    const char *field[kMaxFields + 1];
    int count = 0;
    field[count++] = begin;
    for (const char *p = begin; p < end; ++p) {
        if (*p == ',') {
            if (count >= mLayout.fields)
                return damaged("more columns than the header names");
            field[count++] = p + 1;
        }
    }
    if (count != mLayout.fields)
        return damaged("fewer columns than the header names");
    field[count] = end + 1; // the field after the last one starts past the line end
    auto fieldEnd = [&field](int k) { return field[k + 1] - 1; };

    bool ok = false;
    const double seconds = fastnumber::toDouble(
        field[mLayout.elapsed], fieldEnd(mLayout.elapsed) - field[mLayout.elapsed], &ok);
    if (!ok || !std::isfinite(seconds) || std::fabs(seconds) > 1e12)
        return damaged("the time since the start is no number");
    const qint64 atUs = std::llround(seconds * 1e6);

    const char *event = field[mLayout.event];
    const qint64 eventLength = end - event;
    if (eventLength == 12 && std::memcmp(event, "disconnected", 12) == 0) {
        for (int k = mLayout.elapsed + 1; k < mLayout.event; ++k) {
            if (fieldEnd(k) != field[k])
                return damaged("a gap line with values");
        }
        ++mOutcome.gaps;
        mSink.gap(atUs);
        return true;
    }
    if (eventLength != 0)
        return damaged("an event the recorder does not write");
    if (atUs < mLastUs)
        return damaged("the time goes back");
    mLastUs = atUs;
    for (size_t c = 0; c < mLayout.wanted.size(); ++c) {
        const int k = mLayout.wanted[c];
        const qint64 length = fieldEnd(k) - field[k];
        if (length == 0 && mLayout.mayBeEmpty[c]) {
            mValues[c] = std::numeric_limits<double>::quiet_NaN();
            continue;
        }
        const double value = fastnumber::toDouble(field[k], length, &ok);
        if (!ok || !std::isfinite(value))
            return damaged("a value that is no number");
        mValues[c] = value;
    }
    ++mOutcome.samples;
    mSink.sample(atUs, mValues.data());
    return true;
}

bool Reader::line(const char *begin, const char *end)
{
    ++mLine;
    if (end > begin && end[-1] == '\r')
        --end;
    if (mLine == 1)
        return header(begin, end);
    if (end == begin)
        return true; // an empty line (an editor's last one) holds nothing
    return row(begin, end);
}

Outcome Reader::run(QIODevice &in)
{
    if (!in.isSequential() && mSink.wantsCount()) {
        // Counting the lines first, so that the sink can make room for
        // exactly what comes.
        QByteArray block(int(kBlockBytes), Qt::Uninitialized);
        qint64 lines = 0;
        for (;;) {
            const qint64 n = in.read(block.data(), kBlockBytes);
            if (n < 0) {
                mOutcome.problem = Problem::ReadFailed;
                return mOutcome;
            }
            if (n == 0)
                break;
            for (const char *p = block.constData(), *end = p + n;
                 (p = static_cast<const char *>(std::memchr(p, '\n', size_t(end - p)))); ++p)
                ++lines;
        }
        if (!in.seek(0)) {
            mOutcome.problem = Problem::ReadFailed;
            return mOutcome;
        }
        // At most a row a line end, and one for a last line without one, less
        // the header.
        mSink.reserve(lines);
    }

    // A block, after what is left of the line before it.
    QByteArray buffer(int(kBlockBytes + kMaxLineLength + 2), Qt::Uninitialized);
    qint64 held = 0;
    for (;;) {
        const qint64 n = in.read(buffer.data() + held, kBlockBytes);
        if (n < 0) {
            mOutcome.problem = Problem::ReadFailed;
            return mOutcome;
        }
        if (n == 0)
            break;
        held += n;
        const char *start = buffer.constData();
        const char *end = start + held;
        for (;;) {
            const char *newline =
                static_cast<const char *>(std::memchr(start, '\n', size_t(end - start)));
            if (!newline)
                break;
            if (newline - start > kMaxLineLength) {
                ++mLine;
                damaged("a line longer than any the recorder writes");
                return mOutcome;
            }
            if (!line(start, newline))
                return mOutcome;
            start = newline + 1;
        }
        held = end - start;
        if (held > kMaxLineLength) {
            ++mLine;
            damaged("a line longer than any the recorder writes");
            return mOutcome;
        }
        std::memmove(buffer.data(), start, size_t(held));
    }
    if (held > 0 && !line(buffer.constData(), buffer.constData() + held))
        return mOutcome;
    if (mLine == 0) {
        mOutcome.problem = Problem::NotARecording; // an empty file
        mOutcome.line = 1;
    }
    return mOutcome;
}

} // namespace

RowSink::~RowSink() = default;

bool RowSink::wantsCount() const
{
    return false;
}

void RowSink::reserve(qint64) {}

void RowSink::begin(Instrument, const QList<QByteArray> &) {}

QList<QByteArray> valueColumns(Instrument instrument)
{
    switch (instrument) {
    case Instrument::Meter:
        return {"voltage_V", "current_A", "power_W", "dplus_V", "dminus_V", "cc1_V", "cc2_V"};
    case Instrument::PowerSupply:
        return {"voltage_V", "current_A", "power_W", "set_voltage_V", "set_current_A"};
    case Instrument::BootLine:
        return {"voltage_V", "current_A", "peak_current_A"};
    }
    return {};
}

QByteArray instrumentName(Instrument instrument)
{
    switch (instrument) {
    case Instrument::Meter:
        return "meter";
    case Instrument::PowerSupply:
        return "power supply";
    case Instrument::BootLine:
        return "boot line";
    }
    return QByteArray();
}

Outcome read(QIODevice &in, std::optional<Instrument> expected, const QList<QByteArray> &columns,
             RowSink &sink)
{
    Reader reader(expected, columns, sink);
    return reader.run(in);
}

Outcome read(const QString &fileName, std::optional<Instrument> expected,
             const QList<QByteArray> &columns, RowSink &sink)
{
    QFile file(fileName);
    if (!regularfile::openForReading(file)) {
        Outcome outcome;
        outcome.problem = Problem::CannotOpen;
        return outcome;
    }
    return read(file, expected, columns, sink);
}

} // namespace recordingfile
