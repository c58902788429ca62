// The chart data file format on its own: number text, the writer, the two
// readers, and what they do with odd and very large input.
#include "tests/support/piecedevice.h"
#include "tests/support/requiredchecks.h"
#include "files/chartfile.h"
#include "files/fastnumber.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

using chartfile::Layout;

namespace {

using Series = QVector<double>;

// Collects what a reader hands over, per series, and the counts it announces.
struct Collected : chartfile::SeriesSink {
    Series series[3];
    QList<qint64> announced[3];
    void reserve(int index, qint64 count) override
    {
        QVERIFY(series[index].isEmpty()); // told before the values
        announced[index] << count;
    }
    void append(int index, const double *values, int count) override
    {
        QVERIFY(count > 0);
        for (int i = 0; i < count; ++i)
            series[index] << values[i];
    }
};

// A long stream made up on the fly: a prefix, `fillCount` copies of one
// byte, a suffix. Nothing of it is held in memory.
class GeneratedDevice : public QIODevice {
public:
    GeneratedDevice(QByteArray prefix, char fill, qint64 fillCount, QByteArray suffix)
        : m_prefix(std::move(prefix)), m_fill(fill), m_fillCount(fillCount),
          m_suffix(std::move(suffix))
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        qint64 done = 0;
        const qint64 fillEnd = m_prefix.size() + m_fillCount;
        const qint64 total = fillEnd + m_suffix.size();
        while (done < maxSize && m_at < total) {
            if (m_at < m_prefix.size()) {
                data[done++] = m_prefix[int(m_at++)];
            } else if (m_at < fillEnd) {
                const qint64 n = qMin(maxSize - done, fillEnd - m_at);
                std::memset(data + done, m_fill, size_t(n));
                done += n;
                m_at += n;
            } else {
                data[done++] = m_suffix[int(m_at++ - fillEnd)];
            }
        }
        return done;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_prefix;
    char m_fill;
    qint64 m_fillCount;
    QByteArray m_suffix;
    qint64 m_at = 0;
};

// Accepts `capacity` bytes, then refuses every write, as a full disk does.
class FillingDevice : public QIODevice {
public:
    explicit FillingDevice(qint64 capacity) : m_capacity(capacity)
    {
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    QByteArray written;

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        if (written.size() + size > m_capacity)
            return -1;
        written.append(data, int(size));
        return size;
    }

private:
    qint64 m_capacity;
};

// Serves `good` bytes, then reports a read error.
class BrokenDevice : public QIODevice {
public:
    explicit BrokenDevice(QByteArray good) : m_good(std::move(good))
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        if (m_served)
            return -1;
        m_served = true;
        const qint64 n = qMin(maxSize, qint64(m_good.size()));
        std::memcpy(data, m_good.constData(), size_t(n));
        return n;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_good;
    bool m_served = false;
};

QByteArray writeToBytes(const chartfile::Format &format, const Series series[3])
{
    chartfile::ValueSeries views[3];
    for (int k = 0; k < 3; ++k)
        views[k] = chartfile::ValueSeries(series[k].constData(), series[k].size());
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (!chartfile::write(buffer, format, views))
        return QByteArray("write failed");
    return buffer.data();
}

const chartfile::Format &formatNamed(const QString &name)
{
    if (name == QLatin1String("power supply"))
        return chartfile::powerSupplyFormat();
    if (name == QLatin1String("boot line"))
        return chartfile::bootLineFormat();
    return chartfile::meterFormat();
}

bool sameDouble(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || std::memcmp(&a, &b, sizeof a) == 0;
}

QString fixed(double value, int decimals)
{
    char text[fastnumber::kMaxFixedLength + 1];
    char *end = fastnumber::writeFixed(text, value, decimals);
    return QString::fromLatin1(text, int(end - text));
}

// Peak resident memory, reset to the current use by resetPeak() (Linux).
bool resetPeak()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}

qint64 statusKilobytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(std::strlen(field))).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

} // namespace

Q_DECLARE_METATYPE(Layout)

class ChartFileTest : public QObject {
    Q_OBJECT
private slots:
    // ---- number text -------------------------------------------------------

    // The conversion gives what QString::toDouble gives, value and flag,
    // bit for bit (signed zeros and NaN included).
    void numberConversionEqualsQString_data()
    {
        QTest::addColumn<QByteArray>("token");
        const QByteArray longDigits = QByteArray(300, '7');
        const QList<QByteArray> tokens = {
            // as the writer produces them
            "5.0120",
            "0.500",
            "1.235",
            "-12.34",
            "0.0000",
            "-0.0000",
            "0.0001",
            "17976931348623157081452742373170435679807056752584499659891747680315726078002853876058"
            "9"
            "55863276687817154045895351438246423432132688946418276846754670353751698604991057655128"
            "2"
            "07624549009038932894407586850845513394230458323690322294816580855933212334827479782620"
            "4"
            "144723168738177180919299881250404026184124858368.0000",
            // exponents
            "1e5",
            "1E5",
            "1e+05",
            "1e-5",
            "2.5E-3",
            "1.e5",
            "1e",
            "1e+",
            "e5",
            "E",
            "1e5.5",
            "1e400",
            "-1e400",
            "1e-400",
            "4.9e-324",
            "2.4e-324",
            "0e999999",
            "1e-999999",
            // signs
            "+1",
            "-1",
            "+.5",
            "-.5",
            "+-1",
            "--1",
            "-",
            "+",
            "-0",
            "+ 1",
            // points
            "1.",
            ".5",
            ".",
            "..1",
            "1..",
            "1.5.5",
            "00.1",
            // spaces (and Latin-1's own: NEL and no-break space)
            "",
            " ",
            "\t",
            " 1.5",
            "1.5 ",
            "\t1.5\r\n",
            "1 5",
            "1e 5",
            "\xa0"
            "1",
            "1\xa0",
            "\x85"
            "2",
            "\xa0",
            // words
            "nan",
            "NaN",
            "NAN",
            "-nan",
            "+nan",
            "inf",
            "INF",
            "Inf",
            "+inf",
            "-inf",
            "infinity",
            "vst",
            "abc",
            "0x10",
            "1_000",
            "1d5",
            "1f",
            QByteArray("1\0"
                       "2",
                       3),
            "\xff",
            // many digits: exact-integer and rounding boundaries, long strings
            "9007199254740992",
            "9007199254740993",
            "9007199254740993.0000001",
            "12345678901234567890",
            "1234567890123456789",
            "0.1",
            "0.3",
            "123456789012345678901234567890e-10",
            longDigits,
            "0." + longDigits,
            "-" + longDigits + "." + longDigits.left(15),
            "0." + QByteArray(299, '0') + "1",
        };
        for (int i = 0; i < tokens.size(); ++i) {
            const QByteArray name =
                QByteArray::number(i) + " [" + tokens[i].toPercentEncoding().left(60) + "]";
            QTest::newRow(name.constData()) << tokens[i];
        }
    }
    void numberConversionEqualsQString()
    {
        QFETCH(QByteArray, token);
        bool expectedOk = false;
        const double expected =
            QString::fromLatin1(token.constData(), token.size()).toDouble(&expectedOk);
        bool ok = !expectedOk;
        const double value = fastnumber::toDouble(token.constData(), token.size(), &ok);
        QCOMPARE(ok, expectedOk);
        QVERIFY2(sameDouble(value, expected),
                 qPrintable(
                     QStringLiteral("%1 vs %2").arg(value, 0, 'g', 17).arg(expected, 0, 'g', 17)));
    }

    // Short tokens from the characters numbers are made of, in every order.
    void numberConversionEqualsQStringOnGeneratedTokens()
    {
        std::mt19937 random(20240611);
        const char alphabet[] = "0123456789.eE+- \t";
        for (int i = 0; i < 200000; ++i) {
            QByteArray token;
            const int length = int(random() % 12);
            for (int j = 0; j < length; ++j)
                token += alphabet[random() % (sizeof alphabet - 1)];
            bool expectedOk = false;
            const double expected =
                QString::fromLatin1(token.constData(), token.size()).toDouble(&expectedOk);
            bool ok = false;
            const double value = fastnumber::toDouble(token.constData(), token.size(), &ok);
            if (ok != expectedOk || !sameDouble(value, expected))
                QFAIL(qPrintable(QStringLiteral("token \"%1\"").arg(QLatin1String(token))));
        }
    }

    // Values worked out exactly (decimal expansion of the double, rounded
    // half to even): huge ones in full, negatives, ties and carries.
    void fixedPointText_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("decimals");
        QTest::addColumn<QString>("text");
        QTest::newRow("meter voltage") << 5.012 << 4 << "5.0120";
        QTest::newRow("boot line current") << 1.2346 << 3 << "1.235";
        QTest::newRow("power supply power") << 15.234 << 2 << "15.23";
        QTest::newRow("1e20") << 1e20 << 4 << "100000000000000000000.0000";
        QTest::newRow("2^70") << 1180591620717411303424.0 << 4 << "1180591620717411303424.0000";
        QTest::newRow("-1.2345678901234568e17")
            << -123456789012345678.0 << 2 << "-123456789012345680.00";
        QTest::newRow("just below 1e15") << 999999999999999.9 << 2 << "999999999999999.88";
        QTest::newRow("largest double")
            << DBL_MAX << 3
            << "179769313486231570814527423731704356798070567525844996598917476803157260780028538"
               "760589558632766878171540458953514382464234321326889464182768467546703537516986049"
               "910576551282076245490090389328944075868508455133942304583236903222948165808559332"
               "123348274797826204144723168738177180919299881250404026184124858368.000";
        QTest::newRow("-1e300")
            << -1e300 << 2
            << "-10000000000000000525047602552044202487044685811081591549158541155118024579889081"
               "957863713750804478640437044438328838781769425232353604305756447921847867069828483"
               "872009265758037378302337947880900593689532349707999450811190389676408800746527427"
               "80142494579258788820056842838115669472196386865459400540160.00";
        QTest::newRow("tie to even, down") << 0.03125 << 4 << "0.0312";
        QTest::newRow("tie to even, 3 decimals") << 0.0625 << 3 << "0.062";
        QTest::newRow("just above a tie") << 0.00005 << 4 << "0.0001";
        QTest::newRow("just below a tie") << 1.0005 << 3 << "1.000";
        QTest::newRow("2.675 is below 2.675") << 2.675 << 2 << "2.67";
        QTest::newRow("carry into the units") << 0.99995 << 4 << "1.0000";
        QTest::newRow("small negative") << -0.00004 << 4 << "-0.0000";
        QTest::newRow("negative zero") << -0.0 << 4 << "-0.0000";
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << 4 << "inf";
        QTest::newRow("minus infinity") << -std::numeric_limits<double>::infinity() << 2 << "-inf";
        QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << 3 << "nan";
    }
    void fixedPointText()
    {
        QFETCH(double, value);
        QFETCH(int, decimals);
        QFETCH(QString, text);
        QCOMPARE(fixed(value, decimals), text);
    }

    // Byte-identical to printf over values of every kind and magnitude.
    void fixedPointTextEqualsPrintf()
    {
        std::mt19937_64 random(7);
        char expected[fastnumber::kMaxFixedLength + 8];
        for (int i = 0; i < 300000; ++i) {
            double value;
            switch (i % 3) {
            case 0: { // any bit pattern: huge, tiny, subnormal, infinite, NaN
                const quint64 bits = random();
                std::memcpy(&value, &bits, sizeof value);
                break;
            }
            case 1: // meter-like values near rounding ties
                value = (double(qint64(random() % 2000000)) - 1e6) / 1e4 +
                        0.00005 * (double(random() % 3) - 1);
                break;
            default: // integers and binary fractions of all sizes
                value = std::ldexp(double(random() % (quint64(1) << 53)), int(random() % 90) - 70);
                break;
            }
            for (int decimals : {2, 3, 4}) {
                std::snprintf(expected, sizeof expected, "%.*f", decimals, value);
                if (fixed(value, decimals) != QLatin1String(expected))
                    QFAIL(qPrintable(QStringLiteral("%1 with %2 decimals")
                                         .arg(value, 0, 'g', 17)
                                         .arg(decimals)));
            }
        }
    }

    // ---- writer ------------------------------------------------------------

    void writerLayouts_data()
    {
        QTest::addColumn<QString>("tool");
        QTest::addColumn<Series>("first");
        QTest::addColumn<Series>("second");
        QTest::addColumn<Series>("third");
        QTest::addColumn<QByteArray>("file");
        QTest::newRow("meter example")
            << "meter" << Series{5.012, 5.013} << Series{0.5, 0.2} << Series{2.506, 1.0026}
            << QByteArray("vst,5.0120,5.0130,vend,cst,0.5000,0.2000,cend,pst,2.5060,1.0026,pend,");
        QTest::newRow("power supply")
            << "power supply" << Series{12.0, 5.004} << Series{1.2346, 0.1} << Series{14.8152, 0.5}
            << QByteArray("vst,12.00,5.00,vend,cst,1.235,0.100,cend,pst,14.82,0.50,pend,");
        QTest::newRow("boot line") << "boot line" << Series{0.5, 1.2346} << Series{} << Series{}
                                   << QByteArray("cst,0.500,1.235,cend,");
        QTest::newRow("series of different lengths")
            << "meter" << Series{} << Series{1, 2, 3} << Series{-4}
            << QByteArray("vst,vend,cst,1.0000,2.0000,3.0000,cend,pst,-4.0000,pend,");
        QTest::newRow("huge and negative")
            << "meter" << Series{1e20} << Series{-2.5} << Series{-1e16}
            << QByteArray("vst,100000000000000000000.0000,vend,cst,-2.5000,cend,pst,"
                          "-10000000000000000.0000,pend,");
    }
    void writerLayouts()
    {
        QFETCH(QString, tool);
        QFETCH(Series, first);
        QFETCH(Series, second);
        QFETCH(Series, third);
        QFETCH(QByteArray, file);
        const Series series[3] = {first, second, third};
        QCOMPARE(writeToBytes(formatNamed(tool), series), file);
    }

    // The values of key/value records are read in place.
    void writerReadsRecordFields()
    {
        struct Point {
            double key;
            double value;
        };
        const Point points[] = {{0, 0.5}, {1, 1.2346}, {2, 7}};
        const chartfile::ValueSeries series[1] = {
            chartfile::ValueSeries(&points[0].value, 3, sizeof(Point))};
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(chartfile::write(buffer, chartfile::bootLineFormat(), series));
        QCOMPARE(buffer.data(), QByteArray("cst,0.500,1.235,7.000,cend,"));
    }

    void writerReportsAFailedWrite_data()
    {
        QTest::addColumn<int>("capacity");
        QTest::newRow("nothing fits") << 0;
        QTest::newRow("the first block does not fit") << 1000;
        QTest::newRow("only the last byte misses") << 3 * 200000 * 7 + 27 - 1;
    }
    void writerReportsAFailedWrite()
    {
        QFETCH(int, capacity);
        const Series values(200000, 1.5); // "1.5000," each
        const chartfile::ValueSeries series[3] = {{values.constData(), values.size()},
                                                  {values.constData(), values.size()},
                                                  {values.constData(), values.size()}};
        FillingDevice device(capacity);
        QVERIFY(!chartfile::write(device, chartfile::meterFormat(), series));

        FillingDevice roomy(std::numeric_limits<qint64>::max());
        QVERIFY(chartfile::write(roomy, chartfile::meterFormat(), series));
        QCOMPARE(roomy.written.size(), 3 * 200000 * 7 + 4 + 9 + 9 + 5);
    }

    // ---- readers -----------------------------------------------------------

    // Each row is read from a buffer, which is read twice and the counts
    // announced, and from a stream in pieces of 1 and 7 bytes, read once.
    void readers_data()
    {
        QTest::addColumn<Layout>("layout");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<Series>("first");
        QTest::addColumn<Series>("second");
        QTest::addColumn<Series>("third");
        const Layout three = Layout::ThreeSeries;
        const Layout one = Layout::OneSeries;
        const QByteArray meterFile =
            "vst,5.0120,5.0130,vend,cst,0.5000,0.2000,cend,pst,2.5060,1.0026,pend,";
        const QByteArray overlong(1000, '9');

        QTest::newRow("meter example") << three << meterFile << Series{5.012, 5.013}
                                       << Series{0.5, 0.2} << Series{2.506, 1.0026};
        QTest::newRow("value after an intermediate end is ignored")
            << three << QByteArray("vst,1,2,vend,3,cst,4,") << Series{1, 2} << Series{4}
            << Series{};
        QTest::newRow("one series: loading ends at the first value after cend")
            << one << QByteArray("cst,1,cend,2,cst,3,") << Series{1} << Series{} << Series{};
        QTest::newRow("three series: cend is only an intermediate end")
            << three << QByteArray("cst,1,cend,2,cst,3,") << Series{} << Series{1, 3} << Series{};
        QTest::newRow("three series: loading ends at the first value after pend")
            << three << QByteArray("vst,1,pend,2,vst,3,") << Series{1} << Series{} << Series{};
        QTest::newRow("a marker right after pend still selects its section")
            << three << QByteArray("vst,1,pend,vst,3,") << Series{1, 3} << Series{} << Series{};
        QTest::newRow("meter file, one-series reader: currents only")
            << one << meterFile << Series{0.5, 0.2} << Series{} << Series{};
        QTest::newRow("boot line file, three-series reader: currents only")
            << three << QByteArray("cst,0.500,1.235,cend,") << Series{} << Series{0.5, 1.235}
            << Series{};
        QTest::newRow("one series: other marker texts are values")
            << one << QByteArray("vst,9,cst,1,pst,2,cend,") << Series{1, 0, 2} << Series{}
            << Series{};
        QTest::newRow("no markers: nothing")
            << three << QByteArray("1,2,3,") << Series{} << Series{} << Series{};
        QTest::newRow("empty file") << one << QByteArray() << Series{} << Series{} << Series{};
        QTest::newRow("values before the first marker are ignored")
            << three << QByteArray("9,8,vst,1,") << Series{1} << Series{} << Series{};
        QTest::newRow("markers are exact and case-sensitive")
            << three << QByteArray("VST,1,vst ,2, vst,3,vst,4,") << Series{4} << Series{}
            << Series{};
        QTest::newRow("values that do not convert add 0")
            << three << QByteArray("vst,abc,,1e400,-nan, 2 ,vend,") << Series{0, 0, 0, 0, 2}
            << Series{} << Series{};
        QTest::newRow("exponents, signs, nan and inf convert")
            << three << QByteArray("pst,1e3,-2.5E-1,+7,inf,") << Series{} << Series{}
            << Series{1000, -0.25, 7, qInf()};
        QTest::newRow("a byte order mark at the start is skipped")
            << three << QByteArray("\xEF\xBB\xBFvst,1,2,vend,") << Series{1, 2} << Series{}
            << Series{};
        QTest::newRow("a byte order mark at the start, one series")
            << one
            << QByteArray("\xEF\xBB\xBF"
                          "cst,6,cend,")
            << Series{6} << Series{} << Series{};
        QTest::newRow("a byte order mark elsewhere is part of its token")
            << three
            << QByteArray("vst,\xEF\xBB\xBF"
                          "1,\xEF\xBB\xBFvend,2,")
            << Series{0, 0, 2} << Series{} << Series{};
        QTest::newRow("a final token without a comma is not handled")
            << one << QByteArray("cst,1,2") << Series{1} << Series{} << Series{};
        QTest::newRow("an overlong token is a value that does not convert")
            << three << QByteArray("vst,1," + overlong + ",2,vend,") << Series{1, 0, 2} << Series{}
            << Series{};
        QTest::newRow("an overlong token is never a marker")
            << three << QByteArray(overlong + ",vst," + QByteArray(500, ' ') + "vst,5,")
            << Series{0, 5} << Series{} << Series{};
        QTest::newRow("overlong after the final end ends loading")
            << one << QByteArray("cst,1,cend," + overlong + ",cst,2,") << Series{1} << Series{}
            << Series{};
    }
    void readers()
    {
        QFETCH(Layout, layout);
        QFETCH(QByteArray, file);
        QFETCH(Series, first);
        QFETCH(Series, second);
        QFETCH(Series, third);
        const Series expected[3] = {first, second, third};
        for (int bytesPerRead : {0, 1, 7}) {
            Collected collected;
            bool read = false;
            if (bytesPerRead == 0) {
                QBuffer buffer(&file);
                buffer.open(QIODevice::ReadOnly);
                read = chartfile::read(buffer, layout, collected);
            } else {
                testbench::PieceDevice device(file, bytesPerRead);
                read = chartfile::read(device, layout, collected);
            }
            QVERIFY(read);
            // The buffer is counted first: each of the layout's series is
            // announced once, with the number of values it then gets; the
            // other series, and every series of a stream, are not announced.
            const int layoutSeries = layout == Layout::ThreeSeries ? 3 : 1;
            for (int k = 0; k < 3; ++k) {
                QVERIFY2(
                    collected.series[k] == expected[k],
                    qPrintable(
                        QStringLiteral("series %1, %2 bytes per read").arg(k).arg(bytesPerRead)));
                const QList<qint64> announced = bytesPerRead == 0 && k < layoutSeries
                                                    ? QList<qint64>{expected[k].size()}
                                                    : QList<qint64>{};
                QVERIFY2(collected.announced[k] == announced,
                         qPrintable(QStringLiteral("series %1, %2 bytes per read: %3 announcements")
                                        .arg(k)
                                        .arg(bytesPerRead)
                                        .arg(collected.announced[k].size())));
            }
        }
    }

    void readerFailures()
    {
        Collected collected;
        QVERIFY(!chartfile::read(QString(), Layout::ThreeSeries, collected));
        QTemporaryDir dir;
        QVERIFY(!chartfile::read(dir.filePath(QStringLiteral("missing.cts")), Layout::ThreeSeries,
                                 collected));
        for (const Series &series : collected.series)
            QVERIFY(series.isEmpty());

        // A read error after some values: those stay with the sink.
        BrokenDevice broken("vst,1,2,vend,cst,3,");
        QVERIFY(!chartfile::read(broken, Layout::ThreeSeries, collected));
        QCOMPARE(collected.series[0], (Series{1, 2}));
        QCOMPARE(collected.series[1], (Series{3}));
    }

    // Several blocks' worth of values, written and read back through a file:
    // binary fractions, so each value's four decimals are exact.
    void roundTripThroughAFile()
    {
        const int count = 250000; // about 5 MB
        Series series[3];
        for (int i = 0; i < count; ++i) {
            series[0].append(i * 0.125);
            series[1].append(-i * 0.0625);
            series[2].append(i % 7 * 1024.5);
        }
        const QByteArray bytes = writeToBytes(chartfile::meterFormat(), series);
        QVERIFY(bytes.size() > 4 * 1024 * 1024);
        QVERIFY(bytes.startsWith("vst,0.0000,0.1250,0.2500,"));
        QVERIFY(bytes.contains(",31249.7500,31249.8750,vend,cst,0.0000,-0.0625,"));
        QVERIFY(bytes.endsWith(",0.0000,1024.5000,pend,"));

        QTemporaryDir dir;
        const QString name = dir.filePath(QStringLiteral("long.cts"));
        QFile file(name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        file.close();
        Collected collected;
        QVERIFY(chartfile::read(name, Layout::ThreeSeries, collected));
        for (int k = 0; k < 3; ++k) {
            QVERIFY(collected.series[k] == series[k]);
            // A file is counted before it is loaded: 250000 announced each.
            QCOMPARE(collected.announced[k], QList<qint64>{250000});
        }
    }

    // The longest numbers the writer produces come back exactly.
    void extremeValuesRoundTrip()
    {
        const Series series[3] = {{DBL_MAX, -DBL_MAX}, {1e300, -1e20}, {DBL_MIN, -0.0}};
        const QByteArray bytes = writeToBytes(chartfile::meterFormat(), series);
        QBuffer buffer;
        buffer.setData(bytes);
        buffer.open(QIODevice::ReadOnly);
        Collected collected;
        QVERIFY(chartfile::read(buffer, Layout::ThreeSeries, collected));
        QCOMPARE(collected.series[0], (Series{DBL_MAX, -DBL_MAX}));
        QCOMPARE(collected.series[1], (Series{1e300, -1e20}));
        // DBL_MIN is far below a ten-thousandth: written as 0.0000.
        QCOMPARE(collected.series[2].size(), 2);
        QVERIFY(sameDouble(collected.series[2][0], 0.0));
        QVERIFY(sameDouble(collected.series[2][1], -0.0));
    }

    // 100 MB without a comma: read as one value of 0, and the reader's memory
    // stays small (a token that grew with the file would need 100 MB or more).
    void hugeTokenWithoutCommaStaysSmall()
    {
        constexpr qint64 kTokenBytes = 100 * 1000 * 1000;
        GeneratedDevice device("vst,1,", '7', kTokenBytes, ",2,vend,cst,3,");
        Collected collected;
        if (!resetPeak())
            SKIP_UNLESS_REQUIRED("peak memory cannot be reset on this system");
        const qint64 before = statusKilobytes("VmRSS:");
        QVERIFY(chartfile::read(device, Layout::ThreeSeries, collected));
        const qint64 peak = statusKilobytes("VmHWM:");
        QVERIFY(before > 0 && peak > 0);
        QCOMPARE(collected.series[0], (Series{1, 0, 2}));
        QCOMPARE(collected.series[1], (Series{3}));
        const qint64 grownKb = peak - before;
        QVERIFY2(grownKb < 16 * 1024, qPrintable(QStringLiteral("grew by %1 kB").arg(grownKb)));
    }
};

QTEST_GUILESS_MAIN(ChartFileTest)
#include "tst_chartfile.moc"
