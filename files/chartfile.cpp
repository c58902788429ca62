#include "chartfile.h"

#include "fastnumber.h"
#include "regularfile.h"

#include <QByteArray>
#include <QFile>
#include <QIODevice>
#include <QString>

#include <algorithm>
#include <memory>

namespace chartfile {

int seriesCount(Layout layout)
{
    return layout == Layout::ThreeSeries ? 3 : 1;
}

const Format &meterFormat()
{
    static const Format format = {Layout::ThreeSeries, {4, 4, 4}};
    return format;
}

const Format &powerSupplyFormat()
{
    static const Format format = {Layout::ThreeSeries, {2, 3, 2}};
    return format;
}

const Format &bootLineFormat()
{
    static const Format format = {Layout::OneSeries, {3, 0, 0}};
    return format;
}

SeriesSink::~SeriesSink() = default;

namespace {

constexpr qint64 kBlockSize = 1 << 20;
constexpr int kValuesPerHandOver = 1 << 16;

// The marker tokens around the series, each with its comma: before series 0,
// between two series, after the last.
const char *const kThreeSeriesMarkers[] = {"vst,", "vend,cst,", "cend,pst,", "pend,"};
const char *const kOneSeriesMarkers[] = {"cst,", "cend,"};

const char *const *markersOf(Layout layout)
{
    return layout == Layout::ThreeSeries ? kThreeSeriesMarkers : kOneSeriesMarkers;
}

// ---------------------------------------------------------------------------
// Writing

class BlockWriter {
public:
    explicit BlockWriter(QIODevice &out) : m_out(out), m_buffer(kBlockSize + kRoom, '\0') {}

    // Room for one more token; writes the block out when it is full.
    char *reserve()
    {
        if (m_used > kBlockSize)
            flush();
        return m_buffer.data() + m_used;
    }
    void commit(char *end) { m_used = end - m_buffer.data(); }
    void put(const char *text)
    {
        char *at = reserve();
        const size_t length = std::strlen(text);
        std::memcpy(at, text, length);
        commit(at + length);
    }
    bool flush()
    {
        if (m_ok && m_used > 0)
            m_ok = m_out.write(m_buffer.constData(), m_used) == m_used;
        m_used = 0;
        return m_ok;
    }
    bool ok() const { return m_ok; }

private:
    static constexpr qint64 kRoom = fastnumber::kMaxFixedLength + 16; // one token past the block
    QIODevice &m_out;
    QByteArray m_buffer;
    qint64 m_used = 0;
    bool m_ok = true;
};

} // namespace

bool write(QIODevice &out, const Format &format, const ValueSeries series[])
{
    const char *const *markers = markersOf(format.layout);
    const int count = seriesCount(format.layout);
    BlockWriter writer(out);
    writer.put(markers[0]);
    for (int k = 0; k < count && writer.ok(); ++k) {
        const ValueSeries &values = series[k];
        const int decimals = format.decimals[k];
        for (qint64 i = 0; i < values.count && writer.ok(); ++i) {
            char *end = fastnumber::writeFixed(writer.reserve(), values[i], decimals);
            *end++ = ',';
            writer.commit(end);
        }
        writer.put(markers[k + 1]);
    }
    return writer.flush();
}

// ---------------------------------------------------------------------------
// Reading

namespace {

struct Marker {
    const char *text;
    int length;
    int series; // the series a start marker feeds, or one of the two below
};
constexpr int kIgnoresValues = -1;
constexpr int kEndsLoading = -2;

constexpr Marker kThreeSeriesReader[] = {
    {"vst", 3, 0}, {"vend", 4, kIgnoresValues}, {"cst", 3, 1}, {"cend", 4, kIgnoresValues},
    {"pst", 3, 2}, {"pend", 4, kEndsLoading},
};
constexpr Marker kOneSeriesReader[] = {
    {"cst", 3, 0},
    {"cend", 4, kEndsLoading},
};

// The section state of one pass over a file. A counting pass only counts the
// values each series will get; a loading pass converts them and hands them
// over in blocks.
class TokenHandler {
public:
    TokenHandler(Layout layout, SeriesSink *sink)
        : m_markers(layout == Layout::ThreeSeries ? kThreeSeriesReader : kOneSeriesReader),
          m_markerCount(layout == Layout::ThreeSeries ? int(std::size(kThreeSeriesReader))
                                                      : int(std::size(kOneSeriesReader))),
          m_seriesCount(seriesCount(layout)), m_sink(sink)
    {
        if (m_sink)
            m_pending.reset(new double[3 * kValuesPerHandOver]);
    }

    // Handles one complete token; false once loading has ended. An overlong
    // token is a value that does not convert.
    bool handle(const char *token, qint64 length, bool overlong)
    {
        if (m_firstToken) {
            // A text editor may put a UTF-8 byte order mark before the first
            // marker; it is not part of the token.
            m_firstToken = false;
            if (!overlong && length >= 3 && std::memcmp(token, kByteOrderMark, 3) == 0) {
                token += 3;
                length -= 3;
            }
        }
        if (!overlong && (length == 3 || length == 4)) {
            for (int i = 0; i < m_markerCount; ++i) {
                const Marker &marker = m_markers[i];
                if (length == marker.length && std::memcmp(token, marker.text, length) == 0) {
                    m_section = marker.series;
                    return true;
                }
            }
        }
        if (m_section == kEndsLoading)
            return false;
        if (m_section < 0)
            return true;
        ++m_counts[m_section];
        if (!m_sink)
            return true;
        double value = 0;
        if (!overlong) {
            bool ok = false;
            value = fastnumber::toDouble(token, length, &ok);
            if (!ok)
                value = 0;
        }
        double *pending = m_pending.get() + m_section * kValuesPerHandOver;
        pending[m_pendingCount[m_section]++] = value;
        if (m_pendingCount[m_section] == kValuesPerHandOver)
            handOver(m_section);
        return true;
    }

    void handOverAll()
    {
        for (int k = 0; m_sink && k < m_seriesCount; ++k)
            handOver(k);
    }

    qint64 count(int series) const { return m_counts[series]; }

private:
    void handOver(int series)
    {
        if (m_pendingCount[series] == 0)
            return;
        m_sink->append(series, m_pending.get() + series * kValuesPerHandOver,
                       m_pendingCount[series]);
        m_pendingCount[series] = 0;
    }

    const Marker *m_markers;
    int m_markerCount;
    int m_seriesCount;
    SeriesSink *m_sink;
    static constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
    bool m_firstToken = true;
    int m_section = kIgnoresValues; // no marker yet
    qint64 m_counts[3] = {0, 0, 0};
    std::unique_ptr<double[]> m_pending; // kValuesPerHandOver per series
    int m_pendingCount[3] = {0, 0, 0};
};

// One pass over the rest of the device: cuts it into comma-terminated tokens
// and gives them to the handler until it ends loading. False on a read error.
bool scan(QIODevice &in, TokenHandler &handler)
{
    QByteArray block(int(kBlockSize), '\0');
    // The start of a token that runs past the end of a block.
    char carried[kMaxTokenLength];
    qint64 carriedLength = 0;
    bool overlong = false;

    for (;;) {
        const qint64 got = in.read(block.data(), kBlockSize);
        if (got <= 0)
            return got == 0;
        const char *p = block.constData();
        const char *const end = p + got;
        while (p < end) {
            const char *comma = static_cast<const char *>(std::memchr(p, ',', size_t(end - p)));
            const char *tokenEnd = comma ? comma : end;
            const qint64 length = tokenEnd - p;
            bool more = true;
            if (carriedLength == 0 && !overlong && comma) {
                // The whole token lies in this block: no copy.
                more = handler.handle(p, length, length > kMaxTokenLength);
            } else {
                if (!overlong && carriedLength + length <= kMaxTokenLength) {
                    std::memcpy(carried + carriedLength, p, size_t(length));
                    carriedLength += length;
                } else {
                    overlong = true; // only its length counted, not its bytes
                }
                if (comma) {
                    more = handler.handle(carried, carriedLength, overlong);
                    carriedLength = 0;
                    overlong = false;
                }
            }
            if (!more)
                return true;
            if (!comma)
                break;
            p = comma + 1;
        }
    }
}

} // namespace

void SeriesSink::reserve(int, qint64) {}

bool read(QIODevice &in, Layout layout, SeriesSink &sink)
{
    // A file can be read twice: count first, so that the sink can make room
    // for exactly what comes.
    if (!in.isSequential()) {
        const qint64 start = in.pos();
        TokenHandler counter(layout, nullptr);
        if (!scan(in, counter) || !in.seek(start))
            return false;
        for (int k = 0; k < seriesCount(layout); ++k)
            sink.reserve(k, counter.count(k));
    }
    TokenHandler loader(layout, &sink);
    const bool complete = scan(in, loader);
    loader.handOverAll();
    return complete;
}

bool read(const QString &fileName, Layout layout, SeriesSink &sink)
{
    QFile file(fileName);
    if (!regularfile::openForReading(file))
        return false;
    return read(file, layout, sink);
}

} // namespace chartfile
