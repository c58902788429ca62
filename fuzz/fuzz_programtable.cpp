// The program table reader on any bytes: read from a buffer in 64 KiB
// pieces and from a stream handing out a few bytes at a time, both giving the
// same table. For a file without a byte order mark, read in Latin-1 (one
// character a byte), the titles and rows are also worked out here, from the
// bytes, and compared field by field.
#include "tests/support/piecedevice.h"
#include "files/programtable.h"
#include "fuzzcheck.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <QTextCodec>
#include <QVector>

#include <cstring>

namespace {

bool startsWithByteOrderMark(const QByteArray &bytes)
{
    return bytes.startsWith("\xEF\xBB\xBF") || bytes.startsWith("\xFF\xFE") ||
           bytes.startsWith("\xFE\xFF") || bytes.startsWith(QByteArray("\0\0\xFE\xFF", 4));
}

QString describe(const programtable::Table &table)
{
    QString text = QStringLiteral("titles [") + table.header.join('|') + QStringLiteral("]");
    for (const QStringList &row : table.rows)
        text += QStringLiteral(" [") + row.join('|') + QStringLiteral("]");
    return text.left(2000);
}

// The table the bytes hold, one character a byte: lines end in LF or CR LF
// (a CR at the very end ends the last line; any other CR is text), fields in
// a tab; a last line without a line end counts, an empty file is one empty
// title line. The first three fields of a line are kept: titles cut to 320
// characters, row fields longer than that emptied. A line holding a control
// character (other than tab and the line ends) or DEL is a row of zeros, or
// no titles; a NUL anywhere makes every row zeros and drops the titles.
// Reading stops at the first byte after the 9999th row's line.
programtable::ReadResult expectedTable(const QByteArray &bytes)
{
    programtable::ReadResult result;
    const QStringList zeros = {QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0")};
    bool binary = false;
    bool headerDone = false;
    int at = 0;
    const int size = bytes.size();
    while (at < size || !headerDone) {
        if (headerDone && result.table.rows.size() >= programtable::kMaxRows) {
            result.truncated = true;
            break;
        }
        // One line: up to LF, CR LF, or a CR that ends the bytes.
        int end = at;
        int next = size;
        while (end < size) {
            const char c = bytes[end];
            if (c == '\n') {
                next = end + 1;
                break;
            }
            if (c == '\r' && (end + 1 == size || bytes[end + 1] == '\n')) {
                next = end + 1 == size ? size : end + 2;
                break;
            }
            ++end;
        }
        const QByteArray line = bytes.mid(at, end - at);
        at = next;

        bool text = true;
        for (const char byte : line) {
            const uchar c = uchar(byte);
            if ((c < 0x20 && c != '\t' && c != '\r') || c == 0x7F)
                text = false;
            if (c == 0)
                binary = true;
        }
        QStringList fields;
        const QList<QByteArray> parts = line.split('\t');
        for (int k = 0; k < parts.size() && k < programtable::kColumns; ++k) {
            QString field = QString::fromLatin1(parts[k]);
            if (field.size() > programtable::kMaxFieldLength)
                field = headerDone ? QStringLiteral("") : field.left(programtable::kMaxFieldLength);
            fields << field;
        }
        if (!headerDone) {
            headerDone = true;
            if (text)
                result.table.header = fields;
        } else {
            result.table.rows.append(text ? fields : zeros);
        }
    }
    if (binary) {
        result.table.header.clear();
        for (QStringList &row : result.table.rows)
            row = zeros;
    }
    return result;
}

void checkSame(const programtable::ReadResult &a, const programtable::ReadResult &b,
               const char *what)
{
    FUZZ_CHECK(a.table.header == b.table.header && a.table.rows == b.table.rows &&
                   a.truncated == b.truncated && a.readError == b.readError,
               "%s:\n%s\n%s", what, qPrintable(describe(a.table)), qPrintable(describe(b.table)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // One character a byte where no byte order mark names the encoding.
    static QTextCodec *const latin1 = [] {
        QTextCodec *codec = QTextCodec::codecForName("ISO-8859-1");
        QTextCodec::setCodecForLocale(codec);
        return codec;
    }();
    FUZZ_CHECK(QTextCodec::codecForLocale() == latin1);

    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const programtable::ReadResult buffered = programtable::parse(bytes);
    FUZZ_CHECK(!buffered.readError);
    FUZZ_CHECK(buffered.table.header.size() <= programtable::kColumns);
    FUZZ_CHECK(buffered.table.rows.size() <= programtable::kMaxRows);
    for (const QStringList &row : buffered.table.rows) {
        FUZZ_CHECK(row.size() <= programtable::kColumns);
        for (const QString &field : row)
            FUZZ_CHECK(field.size() <= programtable::kMaxFieldLength);
    }
    for (const QString &title : buffered.table.header)
        FUZZ_CHECK(title.size() <= programtable::kMaxFieldLength);

    const int piece = size > 0 ? 1 + data[0] % 13 : 1;
    testbench::PieceDevice trickle(bytes, piece);
    checkSame(buffered, programtable::read(trickle), "buffered and streamed differ");

    if (!startsWithByteOrderMark(bytes))
        checkSame(buffered, expectedTable(bytes), "read and worked out differ");
    return 0;
}
