// The two chart data file readers on any bytes: read from a buffer (two
// passes, the counts announced first) and from a stream in small pieces (one
// pass), with the number conversion checked against Qt's own on every token.
#include "tests/support/piecedevice.h"
#include "files/chartfile.h"
#include "files/fastnumber.h"
#include "fuzzcheck.h"

#include <QBuffer>
#include <QByteArray>
#include <QString>
#include <QVector>

#include <cmath>
#include <cstring>

namespace {

struct Collected : chartfile::SeriesSink {
    QVector<double> series[3];
    qint64 announced[3] = {-1, -1, -1};
    void reserve(int k, qint64 count) override
    {
        FUZZ_CHECK(k >= 0 && k < 3 && announced[k] == -1, "series %d announced twice", k);
        announced[k] = count;
    }
    void append(int k, const double *values, int count) override
    {
        FUZZ_CHECK(k >= 0 && k < 3 && count > 0);
        for (int i = 0; i < count; ++i)
            series[k].append(values[i]);
    }
};

bool same(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

void checkLayout(const QByteArray &bytes, chartfile::Layout layout, int piece)
{
    Collected buffered;
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    FUZZ_CHECK(chartfile::read(buffer, layout, buffered));

    Collected streamed;
    testbench::PieceDevice trickle(bytes, piece);
    FUZZ_CHECK(chartfile::read(trickle, layout, streamed));

    const qint64 commas = bytes.count(',');
    qint64 total = 0;
    for (int k = 0; k < 3; ++k) {
        const QVector<double> &a = buffered.series[k];
        const QVector<double> &b = streamed.series[k];
        if (k >= chartfile::seriesCount(layout))
            FUZZ_CHECK(a.isEmpty() && buffered.announced[k] == -1);
        else
            FUZZ_CHECK(buffered.announced[k] == a.size(), "announced %lld, got %d",
                       buffered.announced[k], a.size());
        FUZZ_CHECK(a.size() == b.size(), "buffered %d, streamed %d", a.size(), b.size());
        for (int i = 0; i < a.size(); ++i)
            FUZZ_CHECK(same(a[i], b[i]));
        total += a.size();
    }
    FUZZ_CHECK(total <= commas, "%lld values from %lld commas", total, commas);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const int piece = size > 0 ? 1 + data[0] % 13 : 1;
    checkLayout(bytes, chartfile::Layout::ThreeSeries, piece);
    checkLayout(bytes, chartfile::Layout::OneSeries, piece);

    // The fast conversion gives what QString::toDouble gives, for every token.
    for (const QByteArray &token : bytes.split(',')) {
        if (token.size() > chartfile::kMaxTokenLength)
            continue;
        bool fastOk = false;
        bool qtOk = false;
        const double fast = fastnumber::toDouble(token.constData(), token.size(), &fastOk);
        // With its length: QString::fromLatin1(QByteArray) would stop at a NUL byte.
        const double qt = QString::fromLatin1(token.constData(), token.size()).toDouble(&qtOk);
        FUZZ_CHECK(fastOk == qtOk && same(fast, qt), "token '%s': %.17g (%d) against %.17g (%d)",
                   token.constData(), fast, fastOk, qt, qtOk);
    }
    return 0;
}
