#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace tama {

// The layouts a CSV import understands.
enum class ImportFormat {
    PRecord, // the phone diary's export, with its header (see precordHeader())
    PShare,  // imp.csv: no header; 日付,投資額,回収額,メモ
    Columns, // any other CSV, through a column map
};
QString importFormatName(ImportFormat format); // "precord", "pshare", "columns"
std::optional<ImportFormat> importFormatOfName(const QString &name);
QString importFormatCaption(ImportFormat format); // "pRecord", "pShare（imp.csv）", "列の対応づけ"

// 日付,店舗コード,店舗,メーカー,機種コード,機種,台番号,投資額,回収額,収支,メモ,稼働時間,時給
const QStringList &precordHeader();

// The unit the amount columns are written in.
enum class AmountUnit { Yen, Thousand, TenThousand }; // 円, 千円, 万円

// Which column (from 0; -1: none) holds what, and how to read it.
struct ColumnMap {
    enum Role {
        Date,
        Start,      // 開始時刻 H:MM or HHMM
        End,        // 終了時刻
        Hours,      // 稼働時間: hours as a decimal (5.5) or H:MM
        Store,      // 店名
        Model,      // 機種名
        Category,   // 機種の種類: a caption (デジパチ …) or card code (1 … 5)
        DayType,    // 営業日の種類: a caption (平常開店 …) or code (111 …)
        Investment, // 投資額
        CashOut,    // 回収額
        Memo,       // 感想
        Spins,      // 通常回転数
        Machine,    // 台番号
        RoleCount
    };
    int column[RoleCount] = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
    // Qt date formats tried in turn; one-digit months and days are accepted for each.
    QStringList dateFormats = {QStringLiteral("yyyy/MM/dd")};
    AmountUnit unit = AmountUnit::Yen;
    bool header = true; // the first row names the columns and is not imported

    int at(Role r) const { return column[r]; }
    friend bool operator==(const ColumnMap &, const ColumnMap &) = default;
};
// The role's key in a map file ("date", "start", … "machine") and its caption for the
// window's table ("日付", …).
QString columnRoleKey(ColumnMap::Role role);
QString columnRoleCaption(ColumnMap::Role role);

// pRecord's columns: the two code columns, メーカー, 収支 and 時給 are not read; 台番号 goes
// to the play data and 稼働時間 to the times.
ColumnMap precordMap();
// imp.csv: 日付,投資額,回収額,メモ, no header.
ColumnMap pshareMap();

// The layout a file's first row shows: pRecord's header (cells trimmed, a BOM already
// removed); a first row of four fields whose first is a date and second and third are
// whole numbers is pShare's; nothing otherwise (a column map is needed then).
std::optional<ImportFormat> detectImportFormat(const QStringList &firstRow);

// A column map file: UTF-8 or code page 932 text, one "key=value" per line, "#" starting a
// comment, blank lines ignored. Keys: the role keys (value: a column number from 1, or the
// header text of a column), "date-format" (Qt formats separated by "|"), "unit" (円, 千円,
// 万円, or yen, thousand, man), "header" (yes or no). Throws StoreError(Invalid) naming
// the line and what is wrong: an unknown key, a column past the header's, a header text
// not found, a role given twice, no date column or no amount column.
ColumnMap parseColumnMap(const QString &text, const QStringList &headerRow);

} // namespace tama
