#pragma once

#include "common/csvreader.h"
#include "import/columnmap.h"
#include "store/datafolder.h"
#include "store/diary.h"
#include "store/importwriter.h"
#include "store/playdata.h"

#include <QDate>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTime>

#include <optional>

namespace tama {

// How a file is to be imported.
struct ImportOptions {
    // Nothing: detected from the first row (pRecord's header or pShare's shape).
    std::optional<ImportFormat> format;
    ColumnMap map;                  // for ImportFormat::Columns
    int category = 0;               // 1 … 5 (option order) for rows that name none; 0: none
    QTime start = QTime(10, 0);     // where a row without a start time starts
    bool includeDuplicates = false; // import rows that duplicate a stored card too
    QDate today;                    // dates after it are refused
    // A large file is planned by two threads at once when allowed, so that the window's
    // preview opens sooner; a caller keeping its peak memory low plans in one (a second
    // thread's allocations cannot reuse what the first frees).
    bool twoThreads = true;
};

// What becomes of one row.
enum class ImportVerdict { New, Duplicate, Refused };
QString importVerdictText(ImportVerdict verdict); // "新規", "重複", "取り込まない"
QString importVerdictKey(ImportVerdict verdict);  // "new", "duplicate", "refused" (JSON)

struct ImportRow {
    int line = 0;       // where the row starts in the file, from 1
    QStringList fields; // as read; kept for refused rows only (the others have their card)
    ImportVerdict verdict = ImportVerdict::Refused;
    QString reason;      // Refused: why, in the card screen's words; Duplicate: which card
    QStringList notices; // a name cut to its stored length, a time placed by default …
    // The card the row becomes (New and Duplicate): exactly what the card screen would
    // store, and its date, diary and play data.
    CardRecord card;
    QDate date;
    QString diaryFile;
    PlayInputs play;
    bool imported() const { return verdict == ImportVerdict::New; }
};

// The preview of an import: nothing is written to make it.
struct ImportPlan {
    QString user;
    TextEncoding encoding = TextEncoding::Ascii;
    ImportFormat format = ImportFormat::Columns;
    // Why the file as a whole is refused (empty, only a header, binary, too large, a layout
    // that cannot be told without a column map); rows is empty then.
    std::optional<QString> problem;
    QList<ImportRow> rows;          // in file order
    bool includeDuplicates = false; // as asked: Duplicate rows are written too
    // Halls and models that registering the new rows adds, in the order first met:
    // stores by name as stored, models as (category option, name as stored).
    QStringList newStores;
    QList<QPair<int, QString>> newModels;

    int count(ImportVerdict v) const;
    // The rows to write (New, and Duplicate when asked for), by diary and then in date
    // order (file order among rows of the same day).
    QList<const ImportRow *> accepted() const;
};

// Reads the file's table and works out every row's card and verdict against the user's
// stored diaries (a card already stored with the same date, store and amounts is a
// duplicate; a deletion candidate does not count). Only reads.
ImportPlan planImport(const DataFolder &folder, const QString &user, const CsvTable &table,
                      const ImportOptions &options);

// The same, taking each row's fields out of the table as it goes, so that a large file is
// not held twice (the table keeps only its encoding and problem).
ImportPlan planImport(const DataFolder &folder, const QString &user, CsvTable &&table,
                      const ImportOptions &options);

// What writing the plan's accepted rows means for the files: per diary in date order,
// with the plan's new halls and models. source names the file for the snapshot.
ImportBatch importBatch(const ImportPlan &plan, const QString &source);

} // namespace tama
