// The program table file (".xls"): the power supply's step table as plain
// text a spreadsheet opens, one header line and one line per row, every field
// followed by a tab:
//
//   Volt(V)<TAB>Curr(A)<TAB>Time(S)<TAB>
//   12.00<TAB>1.000<TAB>10.0<TAB>
//
// Text in the locale's encoding (or the encoding a byte order mark names),
// lines ending in LF or CR LF. Writer and reader work on plain texts; Qt Core
// only.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

class QIODevice;

namespace programtable {

// Columns a table has; fields after the third are not read.
constexpr int kColumns = 3;

// Rows a table can have: the position edits address rows 1 … 9999. Reading
// stops after this many rows.
constexpr int kMaxRows = 9999;

// Longest field kept, in characters: the longest number a cell can show
// (a double with its decimals). A longer row field reads as a field that is
// not a number; a longer title is cut to this length.
constexpr int kMaxFieldLength = 320;

// The texts of a table. A row holds the fields its line has, at most three:
// a short line leaves the row's last cells without text (not even an empty
// one).
struct Table {
    QStringList header;
    QVector<QStringList> rows;
};

// The file's text: the header fields and every row's fields, each followed by
// a tab, each line by "\n" (written in text mode, so the platform's line end).
QString toText(const Table &table);

// What reading found.
struct ReadResult {
    Table table;
    // The file holds more rows than a table can: only the first kMaxRows
    // were read.
    bool truncated = false;
    // The device failed while it was read; the table holds what came before.
    bool readError = false;
};

// Reads a table from a device open for reading, a piece of at most 64 KiB at
// a time, so that lines of any length and files of any size are read in
// bounded memory. Line 1 gives the header, every further line a row; a file
// that ends without a line end still has its last row, a file that ends with
// an empty line has an empty last row. A line that holds control characters
// is a row of zeros (or no titles), and a file that holds a NUL is binary: all
// its rows are zeros and it has no titles. Bytes that do not decode are read
// as U+FFFD and are text (a field of them is not a number).
ReadResult read(QIODevice &in);

// The same for bytes in memory.
ReadResult parse(const QByteArray &bytes);

} // namespace programtable
