// Any bytes as a CSV file to import: the reader never reads out of bounds; a file is either
// refused whole (no rows) or gives rows whose lines rise; and rows read without an unclosed
// quote, written back the RFC 4180 way, read again as the same fields.
#include "common/csv.h"
#include "common/csvreader.h"

#include <cstdint>
#include <cstdlib>

using namespace tama;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const CsvTable t = readCsv(bytes);
    if (t.problem) {
        if (!t.rows.isEmpty() || t.problem->isEmpty()) std::abort();
        return 0;
    }
    if (t.rows.isEmpty()) std::abort(); // a file without rows is a problem
    int line = 0;
    QString again;
    bool whole = true;
    for (const CsvRow &r : t.rows) {
        if (r.line <= line || r.fields.isEmpty()) std::abort();
        line = r.line;
        whole = whole && !r.unclosedQuote;
        again += csvRow(r.fields);
    }
    // A byte order mark read as text would be taken for the file's own when written first.
    if (!whole || again.startsWith(QChar(0xFEFF))) return 0;
    const CsvTable back = readCsv(again.toUtf8());
    if (back.problem || back.rows.size() != t.rows.size()) std::abort();
    for (qsizetype i = 0; i < t.rows.size(); ++i)
        if (back.rows[i].fields != t.rows[i].fields) std::abort();
    return 0;
}
