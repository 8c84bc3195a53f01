#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace tama {

// The largest file a CSV import reads. Ten years of daily visits in any layout are about
// 1 MB; a file larger than this is refused whole, before it is read, with the reason.
constexpr qint64 kMaxCsvImportBytes = 16 * 1024 * 1024;

// How the bytes of a text file were read.
enum class TextEncoding { Ascii, Utf8, Utf8Bom, Cp932 };
// For the player: "ASCII", "UTF-8", "UTF-8（BOM付き）", "Shift_JIS（CP932）".
QString textEncodingName(TextEncoding encoding);

// One row of a CSV file: its fields as read (quotes removed, doubled quotes single, line
// breaks inside quotes as LF) and the line of the file where it starts, from 1.
struct CsvRow {
    QStringList fields;
    int line = 0;
    // The row opened a quoted field that the file never closed: the rest of the file
    // was read into that field. Such a row is refused by whoever reads it.
    bool unclosedQuote = false;
};

// A CSV file read whole, or why it cannot be.
struct CsvTable {
    TextEncoding encoding = TextEncoding::Ascii;
    QList<CsvRow> rows; // blank lines (no field, or one empty field) are left out
    // Why the file as a whole cannot be imported (empty, binary, too large, neither
    // UTF-8 nor code page 932); rows is empty then.
    std::optional<QString> problem;
};

// Decodes bytes: a UTF-8 byte order mark, else valid UTF-8, else valid code page 932; a
// NUL byte or bytes that are neither make the file a problem. Then splits it into rows the
// RFC 4180 way: fields separated by commas, rows ended by CR LF, LF or CR; a field in
// double quotes may hold commas, line breaks and doubled quotes; spaces around fields are
// kept. A final line break is optional.
CsvTable readCsv(const QByteArray &bytes);
// The same for a file: a missing, unreadable or non-regular file, or one larger than
// kMaxCsvImportBytes, is a problem naming the file and the reason; its size is checked
// before anything is read.
CsvTable readCsvFile(const QString &path);

} // namespace tama
