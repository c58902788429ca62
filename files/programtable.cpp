#include "programtable.h"

#include <QBuffer>
#include <QIODevice>
#include <QTextCodec>

#include <cstring>
#include <memory>

namespace programtable {

namespace {

constexpr qint64 kPieceSize = 64 * 1024;
// Bytes that can make a byte order mark.
constexpr int kLongestByteOrderMark = 4;
// QTextCodec's number for UTF-8.
constexpr int kUtf8Mib = 106;

// Characters a text line may hold: anything but the control characters
// other than tab and the line ends. A character the decoder could not decode
// (U+FFFD) is text in another encoding, such as titles in a Chinese encoding
// read in a UTF-8 locale, and stays as it is.
bool isTextCharacter(ushort c)
{
    if (c < 0x20)
        return c == '\t' || c == '\n' || c == '\r';
    return c != 0x7F;
}

// Splits decoded text into lines and fields, keeping of each line only its
// first three fields, and of each field at most kMaxFieldLength characters.
class LineSplitter {
public:
    explicit LineSplitter(ReadResult &result) : m_result(result) {}

    // Takes the next piece of text; false once the table is full and more
    // follows, when reading may stop.
    bool take(const QChar *text, int size)
    {
        for (int i = 0; i < size; ++i) {
            const ushort c = text[i].unicode();
            if (m_full) {
                m_result.truncated = true;
                finish();
                return false;
            }
            if (m_pendingCr) {
                m_pendingCr = false;
                if (c == '\n') {
                    endLine();
                    continue;
                }
                add('\r');
            }
            m_lineStarted = true;
            if (c == '\n') {
                endLine();
            } else if (c == '\r') {
                m_pendingCr = true; // a line end if LF follows
            } else if (c == '\t') {
                endField();
            } else {
                if (!isTextCharacter(c)) {
                    m_notText = true;
                    // No text file holds a NUL; a binary file holds many.
                    if (c == 0)
                        m_binary = true;
                }
                add(text[i]);
            }
        }
        return true;
    }

    // The end of the text: a last line without a line end is a line all the
    // same, and a lone CR at the very end is taken as its line end. An empty
    // file still has its (empty) header line.
    void finish()
    {
        m_pendingCr = false;
        if (!m_full && (m_lineStarted || !m_headerDone))
            endLine();
        if (m_binary) {
            // Even its lines that happen to look like text are no table.
            m_result.table.header.clear();
            for (QStringList &row : m_result.table.rows)
                row = zeroRow();
        }
    }

private:
    static QStringList zeroRow()
    {
        return {QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0")};
    }

    void add(QChar c)
    {
        if (m_fieldIndex >= kColumns)
            return;
        if (m_field.size() < kMaxFieldLength)
            m_field.append(c);
        else
            m_fieldTooLong = true;
    }

    void endField()
    {
        if (m_fieldIndex < kColumns) {
            m_fields.append(m_field);
            m_tooLong[m_fieldIndex] = m_fieldTooLong;
        }
        ++m_fieldIndex;
        m_field.clear();
        m_fieldTooLong = false;
    }

    void endLine()
    {
        endField();
        if (!m_headerDone) {
            // Titles are shown as they are, cut to length; a header that is
            // not text gives no titles.
            m_headerDone = true;
            if (!m_notText)
                m_result.table.header = m_fields;
        } else if (m_notText) {
            m_result.table.rows.append(zeroRow());
        } else {
            for (int j = 0; j < m_fields.size(); ++j) {
                if (m_tooLong[j]) // not a number the table can show
                    m_fields[j] = QLatin1String("");
            }
            m_result.table.rows.append(m_fields);
        }
        m_full = m_result.table.rows.size() >= kMaxRows;
        m_fields.clear();
        m_fieldIndex = 0;
        m_notText = false;
        m_lineStarted = false;
    }

    ReadResult &m_result;
    QStringList m_fields;
    bool m_tooLong[kColumns] = {false, false, false};
    QString m_field;
    bool m_fieldTooLong = false;
    int m_fieldIndex = 0;
    bool m_notText = false;
    bool m_lineStarted = false;
    bool m_pendingCr = false;
    bool m_headerDone = false;
    bool m_full = false;
    bool m_binary = false;
};

// The bytes at the end of a piece of UTF-8 text that are decoded with the
// next piece: those after its last ASCII byte. Qt's decoder handed a damaged
// sequence in two calls decodes it otherwise than in one, and the table must
// not depend on where the reads split; after an ASCII byte it is always
// between characters. A piece without an ASCII byte in its last half keeps
// back only a sequence it does not complete.
qint64 utf8Carry(const char *data, qint64 size)
{
    for (qint64 back = 0; back < size && back < kPieceSize / 2; ++back) {
        if (uchar(data[size - 1 - back]) < 0x80)
            return back;
    }
    if (size < kPieceSize / 2)
        return size;
    for (int back = 1; back <= 3; ++back) {
        const uchar c = uchar(data[size - back]);
        if (c >= 0xC0) {
            const int length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
            return length > back ? back : 0;
        }
    }
    return 0;
}

} // namespace

QString toText(const Table &table)
{
    const QChar tab('\t');
    QString text;
    for (const QString &title : table.header)
        text += title + tab;
    text += '\n';
    for (const QStringList &row : table.rows) {
        for (const QString &cell : row)
            text += cell + tab;
        text += '\n';
    }
    return text;
}

ReadResult read(QIODevice &in)
{
    ReadResult result;
    LineSplitter splitter(result);
    QByteArray piece(int(kPieceSize), Qt::Uninitialized);

    // The encoding is the locale's unless the text starts with a byte order
    // mark, as a spreadsheet's "Unicode text" does.
    qint64 size = 0;
    while (size < kLongestByteOrderMark) {
        const qint64 got = in.read(piece.data() + size, kPieceSize - size);
        if (got < 0) {
            result.readError = true;
            break;
        }
        if (got == 0)
            break;
        size += got;
    }
    const QByteArray start = QByteArray::fromRawData(piece.constData(), int(size));
    QTextCodec *const codec = QTextCodec::codecForUtfText(start, QTextCodec::codecForLocale());
    std::unique_ptr<QTextDecoder> decoder(codec->makeDecoder());
    const bool utf8 = codec->mibEnum() == kUtf8Mib;

    // `size` bytes are in the piece; a tail of them may wait for the next
    // read, which is appended to it (see utf8Carry).
    while (size > 0) {
        const qint64 tail = utf8 ? utf8Carry(piece.constData(), size) : 0;
        const QString text = decoder->toUnicode(piece.constData(), int(size - tail));
        if (!splitter.take(text.constData(), text.size()))
            return result;
        std::memmove(piece.data(), piece.constData() + size - tail, size_t(tail));
        const qint64 got = in.read(piece.data() + tail, kPieceSize - tail);
        if (got < 0)
            result.readError = true;
        if (got <= 0) {
            // The end: what waited is decoded as it would be in one piece.
            const QString rest = decoder->toUnicode(piece.constData(), int(tail));
            if (!splitter.take(rest.constData(), rest.size()))
                return result;
            break;
        }
        size = tail + got;
    }
    splitter.finish();
    return result;
}

ReadResult parse(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return read(buffer);
}

} // namespace programtable
