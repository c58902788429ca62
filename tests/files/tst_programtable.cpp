// The program table file without a window: the text the writer makes, and
// what the reader takes from texts, long lines, binary data, other encodings
// and devices that hand their bytes over in small pieces or fail.
#include "tests/support/piecedevice.h"
#include "files/programtable.h"

#include <QIODevice>
#include <QTextCodec>
#include <QtTest>

#include <algorithm>

using programtable::Table;
using Rows = QVector<QStringList>;
Q_DECLARE_METATYPE(Rows)
Q_DECLARE_METATYPE(Table)

using testbench::PieceDevice;

namespace {

QByteArray utf16le(const QString &text)
{
    QByteArray bytes("\xFF\xFE");
    for (QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
    return bytes;
}

const QStringList kTitles = {"Volt(V)", "Curr(A)", "Time(S)"};

} // namespace

class ProgramTableTest : public QObject {
    Q_OBJECT
private slots:
    // Every field followed by a tab, every line by a line end; a cell
    // without text writes only its tab.
    void writerText()
    {
        Table table;
        table.header = kTitles;
        table.rows = {{"12.50", "1.000", "10.0"}, {"0.00", "", ""}, {"4.35", "0.290", "1.2"}};
        QCOMPARE(programtable::toText(table), QStringLiteral("Volt(V)\tCurr(A)\tTime(S)\t\n"
                                                             "12.50\t1.000\t10.0\t\n"
                                                             "0.00\t\t\t\n"
                                                             "4.35\t0.290\t1.2\t\n"));
        table.rows.clear();
        table.header = QStringList{"A", "B", ""};
        QCOMPARE(programtable::toText(table), QStringLiteral("A\tB\t\t\n"));
    }

    // What the reader takes from a text: titles, and the fields of each row
    // (a short line has fewer).
    void reader_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("header");
        QTest::addColumn<Rows>("rows");
        QTest::newRow("as written")
            << QByteArray("Volt(V)\tCurr(A)\tTime(S)\t\n"
                          "12.50\t1.000\t10.0\t\n"
                          "0.00\t\t\t\n")
            << kTitles << Rows{{"12.50", "1.000", "10.0"}, {"0.00", "", ""}};
        QTest::newRow("CR LF") << QByteArray("Volt(V)\tCurr(A)\tTime(S)\t\r\n"
                                             "12.50\t1.000\t10.0\t\r\n"
                                             "0.00\t\t\t\r\n")
                               << kTitles << Rows{{"12.50", "1.000", "10.0"}, {"0.00", "", ""}};
        QTest::newRow("no trailing tabs, CR LF")
            << QByteArray("A\tB\tC\r\n12.5\t1\t10\r\n") << QStringList{"A", "B", "C"}
            << Rows{{"12.5", "1", "10"}};
        QTest::newRow("two titles")
            << QByteArray("A\tB\n1\t2\t3\n") << QStringList{"A", "B"} << Rows{{"1", "2", "3"}};
        QTest::newRow("extra fields ignored")
            << QByteArray("A\tB\tC\tD\tE\n1\t2\t3\t4\t5\n") << QStringList{"A", "B", "C"}
            << Rows{{"1", "2", "3"}};
        QTest::newRow("short rows")
            << QByteArray("h\n1\n1\t2\n") << QStringList{"h"} << Rows{{"1"}, {"1", "2"}};
        QTest::newRow("trailing empty line")
            << QByteArray("h\n1\t2\t3\t\n\n") << QStringList{"h"} << Rows{{"1", "2", "3"}, {""}};
        QTest::newRow("empty lines between")
            << QByteArray("h\n\n\n5\n") << QStringList{"h"} << Rows{{""}, {""}, {"5"}};
        QTest::newRow("last line without a line end")
            << QByteArray("h\n1\t2") << QStringList{"h"} << Rows{{"1", "2"}};
        QTest::newRow("last line ends in a lone CR")
            << QByteArray("h\r\n1\t2\t3\r") << QStringList{"h"} << Rows{{"1", "2", "3"}};
        QTest::newRow("CR inside a field")
            << QByteArray("h\n1\r2\t3\n") << QStringList{"h"} << Rows{{"1\r2", "3"}};
        QTest::newRow("header only")
            << QByteArray("A\tB\tC\t\n") << QStringList{"A", "B", "C"} << Rows{};
        QTest::newRow("header without a line end")
            << QByteArray("A\tB") << QStringList{"A", "B"} << Rows{};
        QTest::newRow("empty file") << QByteArray() << QStringList{""} << Rows{};
        QTest::newRow("UTF-8 with a byte order mark")
            << QByteArray("\xEF\xBB\xBF\xE7\x94\xB5\xE5\x8E\x8B\t\xE7\x94\xB5\xE6\xB5\x81\n1\n")
            << QStringList{QString::fromUtf8("电压"), QString::fromUtf8("电流")} << Rows{{"1"}};
        // A damaged sequence (a lead byte and one continuation byte before a
        // tab) decodes alike wherever the reads split it: each of its bytes a
        // replacement character, as when decoded in one piece.
        QTest::newRow("UTF-8 sequence cut short, between two reads")
            << QByteArray("\xEF\xBB\xBFh\n\xE9\x81\t5\n") << QStringList{"h"}
            << Rows{{QString(2, QChar(0xFFFD)), "5"}};
        QTest::newRow("UTF-16 with a byte order mark")
            << utf16le(QString::fromUtf8("电压\tB\r\n4.35\t0.29\t1.25\r\n"))
            << QStringList{QString::fromUtf8("电压"), "B"} << Rows{{"4.35", "0.29", "1.25"}};
    }
    void reader()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, header);
        QFETCH(Rows, rows);
        // Whole, and a byte at a time: the pieces change nothing, not even
        // a CR LF or a character split between two of them.
        for (qint64 piece : {qint64(1) << 20, qint64(1), qint64(3)}) {
            PieceDevice device(bytes, piece);
            const programtable::ReadResult result = programtable::read(device);
            QCOMPARE(result.table.header, header);
            QCOMPARE(result.table.rows, rows);
            QVERIFY(!result.truncated);
            QVERIFY(!result.readError);
        }
    }

    // Damaged UTF-8 that the fuzzer found read differently in small pieces
    // than in one: the same titles and rows whatever the pieces.
    void damagedUtf8AlikeInAnyPieces_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("sequence cut short before a tab")
            << QByteArray("\xEF\xBB\xBF\xE7\x94\xB5\t\xE6\x97\n5\t1\n\xE9\x81\t");
        QTest::newRow("a run of stray bytes and marks")
            << QByteArray("\xEF\xBB\xBF\xE7\x94\xEF\xBB\xBF\xE7\x94\xB5\xFF\xEF\xBB\xBF\xFF\xFF\xFF"
                          "\xB0\xB2\xB0\xB0\xB0\xB0\xB0\xB0\xB5\xE7\xE5");
    }
    void damagedUtf8AlikeInAnyPieces()
    {
        QFETCH(QByteArray, bytes);
        PieceDevice whole(bytes, qint64(1) << 20);
        const programtable::ReadResult expected = programtable::read(whole);
        QVERIFY(!expected.table.header.isEmpty());
        for (qint64 piece = 1; piece <= 13; ++piece) {
            PieceDevice device(bytes, piece);
            const programtable::ReadResult result = programtable::read(device);
            QCOMPARE(result.table.header, expected.table.header);
            QCOMPARE(result.table.rows, expected.table.rows);
        }
    }

    // Lines with control characters are rows of zeros; a header with them
    // gives no titles. Bytes that do not decode are text in another
    // encoding. Text lines around them read as usual.
    void controlCharacters()
    {
        const QByteArray bytes("Volt(V)\tCurr(A)\tTime(S)\t\n"
                               "5\x01\t7\n"
                               "12.5\t1\t10\n"
                               "\x1b[31m\t4\n"
                               "\x7f\n"
                               "\x89PNG\xff\t3\n");
        const programtable::ReadResult result = programtable::parse(bytes);
        QCOMPARE(result.table.header, kTitles);
        const QStringList zeros = {"0", "0", "0"};
        const QString undecoded = QString(QChar(0xFFFD)) + "PNG" + QChar(0xFFFD);
        QCOMPARE(result.table.rows,
                 (Rows{zeros, {"12.5", "1", "10"}, zeros, zeros, {undecoded, "3"}}));

        const programtable::ReadResult controlHeader =
            programtable::parse(QByteArray("\x02\x03\tB\n1\t2\t3\n"));
        QVERIFY(controlHeader.table.header.isEmpty());
        QCOMPARE(controlHeader.table.rows, (Rows{{"1", "2", "3"}}));
    }

    // A file holding a NUL is binary: every line, also one that looks like
    // text, is a row of zeros, and there are no titles.
    void binaryFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("rows");
        QTest::newRow("a NUL in the last line")
            << QByteArray("Volt(V)\tCurr(A)\tTime(S)\t\n12.5\t1\t10\n3u\n\x00", 39) << 3;
        QTest::newRow("a NUL in the header") << QByteArray("A\x00\tB\n7\t1\t1\n", 11) << 1;
        // A spreadsheet's own binary format, a file a user may pick by
        // mistake: its signature, then sectors of data. Every line after
        // the first is a row.
        QByteArray spreadsheet("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
        quint32 state = 12345;
        while (spreadsheet.size() < 64 * 1024) {
            state = state * 1103515245u + 12345u;
            spreadsheet.append(char(state >> 16));
        }
        const int lines = spreadsheet.count('\n') + (spreadsheet.endsWith('\n') ? 0 : 1);
        QTest::newRow("binary spreadsheet") << spreadsheet << lines - 1;
    }
    void binaryFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, rows);
        const programtable::ReadResult result = programtable::parse(bytes);
        QVERIFY(result.table.header.isEmpty());
        QCOMPARE(result.table.rows.size(), rows);
        for (const QStringList &row : result.table.rows)
            QCOMPARE(row, (QStringList{"0", "0", "0"}));
    }

    // Fields up to the longest number a cell can show are kept; a longer one
    // is not a number (an empty field) and a longer title is cut.
    void longFields()
    {
        const int longest = programtable::kMaxFieldLength;
        const QByteArray kept = QByteArray(longest - 1, '0') + '7';
        const QByteArray tooLong = QByteArray(longest, '0') + '7';
        const QByteArray bytes =
            QByteArray(longest + 5, 'T') + "\tB\n" + kept + "\t" + tooLong + "\t" + tooLong + "\n";
        const programtable::ReadResult result = programtable::parse(bytes);
        QCOMPARE(result.table.header, (QStringList{QString(longest, 'T'), "B"}));
        QCOMPARE(result.table.rows, (Rows{{QString::fromLatin1(kept), "", ""}}));
    }

    // A line of many megabytes: a title cut to length, a row whose fields
    // beyond the third are passed over.
    void lineOfManyMegabytes()
    {
        const QByteArray bytes =
            QByteArray(8 << 20, 'x') + "\n5\t6\t7" + QByteArray(8 << 20, '\t') + "9\n";
        const programtable::ReadResult result = programtable::parse(bytes);
        const QString title(programtable::kMaxFieldLength, 'x');
        QCOMPARE(result.table.header, QStringList{title});
        QCOMPARE(result.table.rows, (Rows{{"5", "6", "7"}}));
    }

    // Reading stops after the rows the position edits can address, and says
    // whether more followed.
    void rowLimit_data()
    {
        QTest::addColumn<int>("lines");
        QTest::addColumn<QByteArray>("end");
        QTest::addColumn<int>("rows");
        QTest::addColumn<bool>("truncated");
        QTest::newRow("9999 rows") << 9999 << QByteArray() << 9999 << false;
        QTest::newRow("9999 rows and an empty line") << 9999 << QByteArray("\n") << 9999 << true;
        QTest::newRow("10000 rows") << 10000 << QByteArray() << 9999 << true;
        QTest::newRow("a million rows") << 1000000 << QByteArray() << 9999 << true;
    }
    void rowLimit()
    {
        QFETCH(int, lines);
        QFETCH(QByteArray, end);
        QFETCH(int, rows);
        QFETCH(bool, truncated);
        QByteArray bytes("h\n");
        for (int i = 1; i <= lines; ++i)
            bytes += QByteArray::number(i) + "\t1\t1\t\n";
        bytes += end;
        const programtable::ReadResult result = programtable::parse(bytes);
        QCOMPARE(result.table.rows.size(), rows);
        QCOMPARE(result.table.rows.last(), (QStringList{"9999", "1", "1"}));
        QCOMPARE(result.truncated, truncated);
    }

    // A device that fails part way: the failure is reported.
    void readError()
    {
        // Few rows, long lines: the failure comes before the row limit.
        const QByteArray bytes = "h\n" + (QByteArray(100, ' ') + "1\t2\t3\n").repeated(3000);
        PieceDevice failing(bytes, 1 << 20, 200000);
        QVERIFY(programtable::read(failing).readError);
        PieceDevice whole(bytes, 1 << 20);
        QVERIFY(!programtable::read(whole).readError);
    }

    // Whatever the writer makes, the reader gives back.
    void roundTrip()
    {
        Table table;
        table.header = QStringList{"Volt(V)", QString::fromUtf8("电流"), ""};
        table.rows = {{"0.00", "0.000", "0.0"}, {"30.00", "6.000", "3600.0"}, {"", "", ""}};
        const QByteArray bytes =
            QTextCodec::codecForLocale()->fromUnicode(programtable::toText(table));
        const programtable::ReadResult result = programtable::parse(bytes);
        QCOMPARE(result.table.header, table.header);
        QCOMPARE(result.table.rows, table.rows);
    }
};

QTEST_APPLESS_MAIN(ProgramTableTest)
#include "tst_programtable.moc"
