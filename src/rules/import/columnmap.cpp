#include "import/columnmap.h"

#include "common/text.h"
#include "store/storeerror.h"

#include <QDate>
#include <QHash>
#include <QRegularExpression>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

struct FormatName {
    ImportFormat format;
    QString name;
    QString caption;
};

const QList<FormatName> &formatNames() {
    static const QList<FormatName> names = {
        {ImportFormat::PRecord, u"precord"_s, u"pRecord"_s},
        {ImportFormat::PShare, u"pshare"_s, u"pShare（imp.csv）"_s},
        {ImportFormat::Columns, u"columns"_s, u"列の対応づけ"_s},
    };
    return names;
}

struct RoleName {
    const char16_t *key;
    const char16_t *caption;
};

constexpr RoleName kRoleNames[ColumnMap::RoleCount] = {
    {u"date", u"日付"},           {u"start", u"開始時刻"},
    {u"end", u"終了時刻"},        {u"hours", u"稼働時間"},
    {u"store", u"店名"},          {u"model", u"機種名"},
    {u"category", u"機種の種類"}, {u"daytype", u"営業日の種類"},
    {u"investment", u"投資額"},   {u"cashout", u"回収額"},
    {u"memo", u"感想"},           {u"spins", u"通常回転数"},
    {u"machine", u"台番号"},
};

// A whole number, possibly with a sign and thousands separators (1,000 or 1000).
bool isWholeNumber(const QString &text) {
    QString t = trim(text);
    t.remove(u',');
    if (t.startsWith(u'-') || t.startsWith(u'+')) t.remove(0, 1);
    if (t.isEmpty()) return false;
    for (QChar c : t)
        if (c < u'0' || c > u'9') return false;
    return true;
}

[[noreturn]] void refuse(const QString &reason) {
    throw StoreError(StoreError::Kind::Invalid, QString(), reason);
}

[[noreturn]] void refuseLine(int line, const QString &reason) {
    refuse(u"%1 行目: "_s.arg(line) + reason);
}

std::optional<ColumnMap::Role> roleOfKey(const QString &key) {
    for (int r = 0; r < ColumnMap::RoleCount; ++r)
        if (key == QStringView(kRoleNames[r].key)) return ColumnMap::Role(r);
    return std::nullopt;
}

QString allKeys() {
    QStringList keys;
    for (const RoleName &r : kRoleNames)
        keys << QString::fromUtf16(r.key);
    keys << u"date-format"_s << u"unit"_s << u"header"_s;
    return keys.join(u", "_s);
}

// True when the format reads back a date it wrote, with the year whole.
bool readsDates(const QString &format) {
    const QDate sample(2024, 12, 31);
    return QDate::fromString(sample.toString(format), format) == sample;
}

AmountUnit unitOf(int line, const QString &value) {
    const QString v = value.toLower();
    if (v == u"円" || v == u"yen") return AmountUnit::Yen;
    if (v == u"千円" || v == u"thousand") return AmountUnit::Thousand;
    if (v == u"万円" || v == u"man") return AmountUnit::TenThousand;
    refuseLine(line, u"単位「%1」は使えません（円、千円、万円 のどれかです）"_s.arg(value));
}

// The column a role's value names: a number from 1, or the text of a header cell.
int columnOf(int line, const QString &value, bool header, const QStringList &headerRow) {
    static const QRegularExpression number(u"^[+-]?[0-9]+$"_s);
    if (number.match(value).hasMatch()) {
        bool ok = false;
        const int n = value.toInt(&ok);
        if (!ok || n < 1) refuseLine(line, u"列番号「%1」は 1 から数えた番号ではありません"_s.arg(value));
        if (!headerRow.isEmpty() && n > headerRow.size())
            refuseLine(line, u"%1 列目はありません（1 行目は %2 列です）"_s.arg(n).arg(headerRow.size()));
        return n - 1;
    }
    if (!header)
        refuseLine(line, u"見出しのない表（header=no）では列を番号で書いてください（「%1」）"_s.arg(value));
    int found = -1;
    for (int i = 0; i < headerRow.size(); ++i) {
        if (trim(headerRow[i].trimmed()) != value) continue;
        if (found >= 0)
            refuseLine(line,
                       u"見出し「%1」の列が 2 つあります（%2 列目と %3 列目）。列番号で書いてください"_s.arg(
                           value, QString::number(found + 1), QString::number(i + 1)));
        found = i;
    }
    if (found < 0) refuseLine(line, u"見出し「%1」の列がありません"_s.arg(value));
    return found;
}

} // namespace

QString importFormatName(ImportFormat format) {
    for (const FormatName &f : formatNames())
        if (f.format == format) return f.name;
    return QString();
}

std::optional<ImportFormat> importFormatOfName(const QString &name) {
    for (const FormatName &f : formatNames())
        if (f.name == name.trimmed().toLower()) return f.format;
    return std::nullopt;
}

QString importFormatCaption(ImportFormat format) {
    for (const FormatName &f : formatNames())
        if (f.format == format) return f.caption;
    return QString();
}

const QStringList &precordHeader() {
    static const QStringList header = {
        u"日付"_s,   u"店舗コード"_s, u"店舗"_s, u"メーカー"_s, u"機種コード"_s, u"機種"_s, u"台番号"_s,
        u"投資額"_s, u"回収額"_s,     u"収支"_s, u"メモ"_s,     u"稼働時間"_s,   u"時給"_s};
    return header;
}

QString columnRoleKey(ColumnMap::Role role) {
    return role >= 0 && role < ColumnMap::RoleCount ? QString::fromUtf16(kRoleNames[role].key) : QString();
}

QString columnRoleCaption(ColumnMap::Role role) {
    return role >= 0 && role < ColumnMap::RoleCount ? QString::fromUtf16(kRoleNames[role].caption)
                                                    : QString();
}

ColumnMap precordMap() {
    ColumnMap m;
    m.column[ColumnMap::Date] = 0;
    m.column[ColumnMap::Store] = 2;
    m.column[ColumnMap::Model] = 5;
    m.column[ColumnMap::Machine] = 6;
    m.column[ColumnMap::Investment] = 7;
    m.column[ColumnMap::CashOut] = 8;
    m.column[ColumnMap::Memo] = 10;
    m.column[ColumnMap::Hours] = 11;
    m.header = true;
    return m;
}

ColumnMap pshareMap() {
    ColumnMap m;
    m.column[ColumnMap::Date] = 0;
    m.column[ColumnMap::Investment] = 1;
    m.column[ColumnMap::CashOut] = 2;
    m.column[ColumnMap::Memo] = 3;
    m.header = false;
    return m;
}

std::optional<ImportFormat> detectImportFormat(const QStringList &firstRow) {
    const QStringList &header = precordHeader();
    if (firstRow.size() >= header.size()) {
        bool same = true;
        for (int i = 0; i < header.size() && same; ++i)
            same = trim(firstRow[i]) == header[i];
        if (same) return ImportFormat::PRecord;
    }
    if (firstRow.size() == 4) {
        const QString date = trim(firstRow[0]);
        const bool isDate = QDate::fromString(date, u"yyyy/M/d"_s).isValid() ||
                            QDate::fromString(date, u"yyyy-M-d"_s).isValid();
        if (isDate && isWholeNumber(firstRow[1]) && isWholeNumber(firstRow[2])) return ImportFormat::PShare;
    }
    return std::nullopt;
}

ColumnMap parseColumnMap(const QString &text, const QStringList &headerRow) {
    struct RoleLine {
        int line = 0;
        QString value;
    };
    RoleLine roles[ColumnMap::RoleCount];
    QHash<QString, int> seen; // key → line
    ColumnMap map;

    QString body = text;
    if (body.startsWith(QChar(0xFEFF))) body.remove(0, 1);
    body.replace(u"\r\n"_s, u"\n"_s);
    body.replace(u'\r', u'\n');
    const QStringList lines = body.split(u'\n');
    for (int i = 0; i < lines.size(); ++i) {
        const int line = i + 1;
        const QString entry = lines[i].trimmed();
        // Only whole lines are comments: a header text may hold a "#".
        if (entry.isEmpty() || entry.startsWith(u'#')) continue;
        const qsizetype eq = entry.indexOf(u'=');
        if (eq < 0) refuseLine(line, u"「%1」は「項目=値」の形ではありません"_s.arg(entry));
        const QString key = entry.left(eq).trimmed().toLower();
        const QString value = entry.mid(eq + 1).trimmed();
        const std::optional<ColumnMap::Role> role = roleOfKey(key);
        if (!role && key != u"date-format" && key != u"unit" && key != u"header")
            refuseLine(line, u"「%1」という項目はありません（使える項目: %2）"_s.arg(key, allKeys()));
        if (seen.contains(key))
            refuseLine(line, u"「%1」が 2 度あります（%2 行目にもあります）"_s.arg(key).arg(seen.value(key)));
        seen.insert(key, line);
        if (value.isEmpty()) refuseLine(line, u"「%1」の値がありません"_s.arg(key));

        if (role) {
            roles[*role] = {line, value};
        } else if (key == u"unit") {
            map.unit = unitOf(line, value);
        } else if (key == u"header") {
            const QString v = value.toLower();
            if (v != u"yes" && v != u"no")
                refuseLine(line, u"header は yes か no です（「%1」）"_s.arg(value));
            map.header = v == u"yes";
        } else {
            QStringList formats;
            for (const QString &f : value.split(u'|')) {
                const QString format = f.trimmed();
                if (format.isEmpty()) continue;
                if (!readsDates(format))
                    refuseLine(line,
                               u"日付の形式「%1」では年月日を読めません（例: yyyy/MM/dd）"_s.arg(format));
                formats << format;
            }
            if (formats.isEmpty()) refuseLine(line, u"日付の形式がありません"_s);
            map.dateFormats = formats;
        }
    }

    // Columns are worked out once the whole file is read: header= may come last.
    // In the file's order, so that a clash is reported on the later line.
    QList<int> given;
    for (int r = 0; r < ColumnMap::RoleCount; ++r)
        if (roles[r].line > 0) given << r;
    std::sort(given.begin(), given.end(), [&](int a, int b) { return roles[a].line < roles[b].line; });
    QHash<int, int> taken; // column → role
    for (int r : given) {
        const RoleLine &entry = roles[r];
        const int column = columnOf(entry.line, entry.value, map.header, headerRow);
        if (taken.contains(column)) {
            const auto other = ColumnMap::Role(taken.value(column));
            refuseLine(entry.line, u"%1 列目は「%2」（%3 行目）にも割り当てられています"_s.arg(
                                       QString::number(column + 1), columnRoleKey(other),
                                       QString::number(roles[other].line)));
        }
        taken.insert(column, r);
        map.column[r] = column;
    }
    if (map.at(ColumnMap::Date) < 0) refuse(u"日付の列（date）がありません"_s);
    if (map.at(ColumnMap::Investment) < 0 && map.at(ColumnMap::CashOut) < 0)
        refuse(u"投資額（investment）か回収額（cashout）の列がありません"_s);
    return map;
}

} // namespace tama
