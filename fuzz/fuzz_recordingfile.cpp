// The recording file reader on any bytes: the first byte picks the
// instrument expected (none, meter, power supply, boot line), the rest is the
// file, read from a buffer that can be read twice (the rows counted first)
// and from a stream handing out a few bytes at a time. Both ways give the
// same outcome and the same rows. A file taken whole has one row for each
// non-empty line after the header, as counted here from the bytes; its
// sample times never go back, its values are numbers (an empty cell only
// where a set-point may be empty), no more rows come than were announced,
// and an expected instrument is the file's.
#include "files/recordingfile.h"
#include "fuzzcheck.h"
#include "tests/support/piecedevice.h"

#include <QBuffer>
#include <QByteArray>

#include <cmath>
#include <vector>

namespace {

struct Row {
    bool gap;
    qint64 atUs;
    std::vector<double> values;
    bool operator==(const Row &o) const
    {
        if (gap != o.gap || atUs != o.atUs || values.size() != o.values.size())
            return false;
        for (size_t i = 0; i < values.size(); ++i) {
            const bool bothNaN = std::isnan(values[i]) && std::isnan(o.values[i]);
            if (!bothNaN && values[i] != o.values[i])
                return false;
        }
        return true;
    }
};

class Sink : public recordingfile::RowSink {
public:
    explicit Sink(bool count) : mCount(count) {}
    bool wantsCount() const override { return mCount; }
    void reserve(qint64 rows) override
    {
        FUZZ_CHECK(announced < 0, "announced twice");
        announced = rows;
    }
    void begin(recordingfile::Instrument, const QList<QByteArray> &names) override
    {
        columns = names;
    }
    void sample(qint64 atUs, const double *values) override
    {
        rows.push_back({false, atUs, std::vector<double>(values, values + columns.size())});
    }
    void gap(qint64 atUs) override { rows.push_back({true, atUs, {}}); }

    bool mCount;
    qint64 announced = -1;
    QList<QByteArray> columns;
    std::vector<Row> rows;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const int pick = data[0] % 4;
    std::optional<recordingfile::Instrument> expected;
    if (pick > 0)
        expected = recordingfile::Instrument(pick - 1);
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), int(size - 1));

    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    Sink whole(true);
    const recordingfile::Outcome a = recordingfile::read(buffer, expected, {}, whole);
    testbench::PieceDevice pieces(bytes, 1 + qint64(size % 7));
    Sink streamed(false);
    const recordingfile::Outcome b = recordingfile::read(pieces, expected, {}, streamed);

    FUZZ_CHECK(a.problem == b.problem && a.line == b.line && a.detail == b.detail &&
               a.samples == b.samples && a.gaps == b.gaps && a.instrument == b.instrument);
    FUZZ_CHECK(whole.rows == streamed.rows);
    FUZZ_CHECK(qint64(whole.rows.size()) == a.samples + a.gaps);
    if (!a.ok())
        return 0;

    // Rows: one per non-empty line after the first (CR LF or LF).
    qint64 lines = 0;
    qint64 newlines = 0;
    int start = 0;
    while (start < bytes.size()) {
        int end = bytes.indexOf('\n', start);
        if (end >= 0)
            ++newlines;
        if (end < 0)
            end = bytes.size();
        const int length = end - start - (end > start && bytes[end - 1] == '\r' ? 1 : 0);
        if (lines == 0 || length > 0)
            ++lines;
        start = end + 1;
    }
    FUZZ_CHECK(a.samples + a.gaps == lines - 1, "rows %lld, lines %lld",
               (long long)(a.samples + a.gaps), (long long)lines);
    FUZZ_CHECK(whole.announced >= qint64(whole.rows.size()) && whole.announced <= newlines + 1);
    FUZZ_CHECK(a.instrument.has_value());
    FUZZ_CHECK(!expected || *expected == *a.instrument);
    FUZZ_CHECK(whole.columns == recordingfile::valueColumns(*a.instrument));
    qint64 last = std::numeric_limits<qint64>::min();
    for (const Row &row : whole.rows) {
        if (row.gap)
            continue;
        FUZZ_CHECK(row.atUs >= last, "time back");
        last = row.atUs;
        for (size_t k = 0; k < row.values.size(); ++k) {
            const QByteArray &name = whole.columns[int(k)];
            FUZZ_CHECK(std::isfinite(row.values[k]) ||
                           (std::isnan(row.values[k]) &&
                            (name == "set_voltage_V" || name == "set_current_A")),
                       "column %s", name.constData());
        }
    }
    return 0;
}
