#include "import/columnmap.h"

#include "common/text.h"

#include <QDate>

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
    {u"date", u"日付"},      {u"start", u"開始時刻"},     {u"end", u"終了時刻"},     {u"hours", u"稼働時間"},
    {u"store", u"店名"},     {u"model", u"機種名"},       {u"category", u"機種の種類"}, {u"daytype", u"営業日の種類"},
    {u"investment", u"投資額"}, {u"cashout", u"回収額"}, {u"memo", u"感想"},       {u"spins", u"通常回転数"},
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
    static const QStringList header = {u"日付"_s,   u"店舗コード"_s, u"店舗"_s, u"メーカー"_s, u"機種コード"_s,
                                       u"機種"_s,   u"台番号"_s,     u"投資額"_s, u"回収額"_s, u"収支"_s,
                                       u"メモ"_s,   u"稼働時間"_s,   u"時給"_s};
    return header;
}

QString columnRoleKey(ColumnMap::Role role) {
    return role >= 0 && role < ColumnMap::RoleCount ? QString::fromUtf16(kRoleNames[role].key) : QString();
}

QString columnRoleCaption(ColumnMap::Role role) {
    return role >= 0 && role < ColumnMap::RoleCount ? QString::fromUtf16(kRoleNames[role].caption) : QString();
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

} // namespace tama
