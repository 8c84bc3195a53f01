#include "import/importplan.h"

#include "card/cardentry.h"
#include "common/codec.h"
#include "common/dates.h"
#include "common/text.h"
#include "store/catalogue.h"
#include "store/category.h"
#include "store/daytype.h"
#include "store/storeerror.h"
#include "store/storefile.h"

#include <QHash>
#include <QMap>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <array>
#include <exception>
#include <iterator>
#include <thread>
#include <type_traits>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

// Thrown while a row is read: the row is refused for this reason.
struct Refusal {
    QString reason;
};

[[noreturn]] void refuse(const QString &reason) {
    throw Refusal{reason};
}

QString fieldLabel(CardRecord::Field f) {
    return cardLayout().field(f).label;
}

bool isDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// A run of digits at t[i], at most most of them; -1 when there is none.
int takeNumber(QStringView t, qsizetype &i, int most) {
    int n = 0, k = 0;
    while (i < t.size() && k < most && isDigit(t[i])) {
        n = n * 10 + (t[i].unicode() - u'0');
        ++i;
        ++k;
    }
    return k ? n : -1;
}

// ---- dates ----

// A date format read once: the usual formats (years, months and days as numbers between
// fixed text) are read here, one-digit months and days included and a date that does not
// exist told from one that cannot be read; any other is left to Qt.
struct DateFormat {
    struct Part {
        char kind; // 'Y' four-digit year, 'y' two-digit, 'M' month, 'd' day, 0 text
        QString text;
    };
    QList<Part> parts; // empty: read by Qt
    QString qt, qtRelaxed;
};

DateFormat compileDateFormat(const QString &format) {
    DateFormat f;
    f.qt = format;
    QString text;
    bool simple = true;
    for (qsizetype i = 0; i < format.size() && simple;) {
        const QChar c = format[i];
        if (c == u'\'') { // quoted text; '' is a quote
            const qsizetype close = format.indexOf(u'\'', i + 1);
            if (close == i + 1) {
                text += u'\'';
                i += 2;
            } else if (close < 0) {
                text += format.mid(i + 1);
                i = format.size();
            } else {
                text += format.mid(i + 1, close - i - 1);
                i = close + 1;
            }
            continue;
        }
        if (c.unicode() < 0x80 && c.isLetter()) {
            qsizetype n = 1;
            while (i + n < format.size() && format[i + n] == c)
                ++n;
            char kind = 0;
            if (c == u'y' && n == 4)
                kind = 'Y';
            else if (c == u'y' && n == 2)
                kind = 'y';
            else if ((c == u'M' || c == u'd') && n <= 2)
                kind = char(c.unicode());
            if (!kind) {
                simple = false;
                break;
            }
            if (!text.isEmpty()) f.parts.append({0, std::exchange(text, QString())});
            f.parts.append({kind, QString()});
            i += n;
            continue;
        }
        text += c;
        ++i;
    }
    if (!text.isEmpty()) f.parts.append({0, text});
    if (!simple) {
        f.parts.clear();
        static const QRegularExpression month(u"(?<!M)MM(?!M)"_s), day(u"(?<!d)dd(?!d)"_s);
        f.qtRelaxed = QString(format).replace(month, u"M"_s).replace(day, u"d"_s);
    }
    return f;
}

enum class DateRead { Ok, NoSuchDate, Unreadable };

DateRead readDate(const DateFormat &f, const QString &text, const QDate &today, QDate *out) {
    if (f.parts.isEmpty()) {
        for (const QString &format : {f.qt, f.qtRelaxed}) {
            const QDate d = QDate::fromString(text, format);
            if (d.isValid()) {
                *out = d;
                return DateRead::Ok;
            }
        }
        return DateRead::Unreadable;
    }
    int y = -1, m = -1, d = -1;
    qsizetype i = 0;
    for (const DateFormat::Part &p : f.parts) {
        switch (p.kind) {
        case 0:
            if (!QStringView(text).sliced(i).startsWith(p.text)) return DateRead::Unreadable;
            i += p.text.size();
            break;
        case 'Y': {
            const qsizetype from = i;
            y = takeNumber(text, i, 4);
            if (i - from != 4) return DateRead::Unreadable;
            break;
        }
        case 'y': {
            const qsizetype from = i;
            y = takeNumber(text, i, 2);
            if (i - from != 2) return DateRead::Unreadable;
            // Two-digit years are this century's unless that would be after today.
            y += (2000 + y > today.year()) ? 1900 : 2000;
            break;
        }
        default:
            (p.kind == 'M' ? m : d) = takeNumber(text, i, 2);
            if ((p.kind == 'M' ? m : d) < 0) return DateRead::Unreadable;
        }
    }
    if (i != text.size() || y < 0 || m < 0 || d < 0) return DateRead::Unreadable;
    if (!QDate::isValid(y, m, d)) return DateRead::NoSuchDate;
    *out = QDate(y, m, d);
    return DateRead::Ok;
}

// ---- times ----

// H:MM or HH:MM (seconds allowed and ignored), HMM or HHMM: minutes from midnight.
std::optional<int> timeOfDay(const QString &cell) {
    const QString t = trim(cell);
    qsizetype i = 0;
    int h = -1, m = -1;
    if (t.contains(u':')) {
        h = takeNumber(t, i, 2);
        if (h < 0 || i >= t.size() || t[i] != u':') return std::nullopt;
        const qsizetype from = ++i;
        m = takeNumber(t, i, 2);
        if (i - from != 2) return std::nullopt;
        if (i < t.size()) {
            const qsizetype seconds = i + 1;
            if (t[i] != u':' || takeNumber(t, ++i, 2) < 0 || i - seconds != 2) return std::nullopt;
        }
    } else {
        const int n = takeNumber(t, i, 4);
        if (i < 3) return std::nullopt;
        h = n / 100;
        m = n % 100;
    }
    if (i != t.size() || h > 23 || m > 59) return std::nullopt;
    return h * 60 + m;
}

// 稼働時間 as hours (5.5) or H:MM (5:30), in whole minutes.
std::optional<int> playLength(const QString &cell) {
    const QString t = trim(cell);
    qsizetype i = 0;
    if (t.contains(u':')) {
        const int h = takeNumber(t, i, 3);
        if (h < 0 || i >= t.size() || t[i] != u':') return std::nullopt;
        const qsizetype from = ++i;
        const int m = takeNumber(t, i, 2);
        if (i - from != 2 || i != t.size() || m > 59) return std::nullopt;
        return h * 60 + m;
    }
    // Whole hours and a decimal fraction, rounded to the minute without floating point.
    const qsizetype point = t.indexOf(u'.');
    const QString whole = point < 0 ? t : t.left(point), fraction = point < 0 ? QString() : t.mid(point + 1);
    bool ok = !(whole.isEmpty() && fraction.isEmpty()) && whole.size() <= 3 && fraction.size() <= 6;
    for (QChar c : whole + fraction)
        ok = ok && isDigit(c);
    if (!ok) return std::nullopt;
    qint64 scale = 1;
    for (qsizetype k = 0; k < fraction.size(); ++k)
        scale *= 10;
    const qint64 value = whole.toLongLong() * scale + fraction.toLongLong();
    return int((value * 120 + scale) / (2 * scale));
}

QString clockText(int minutes) {
    return u"%1:%2"_s.arg(minutes / 60).arg(minutes % 60, 2, 10, QChar(u'0'));
}

// One digit's text, shared rather than made for every box of every row.
const QString &digitText(int d) {
    static const std::array<QString, 10> digits = {u"0"_s, u"1"_s, u"2"_s, u"3"_s, u"4"_s,
                                                   u"5"_s, u"6"_s, u"7"_s, u"8"_s, u"9"_s};
    return digits[size_t(d)];
}

// 01 … 31, shared likewise: a month's or a day's box.
const QString &twoDigits(int n) {
    static const std::array<QString, 32> texts = [] {
        std::array<QString, 32> t;
        for (int i = 0; i < 32; ++i)
            t[size_t(i)] = QStringLiteral("%1").arg(i, 2, 10, QChar(u'0'));
        return t;
    }();
    return texts[size_t(n)];
}

// The card screen's four boxes of a time: no tens digit of an hour below 10.
std::array<QString, 4> timeBoxes(int minutes) {
    const int h = minutes / 60, m = minutes % 60;
    return {h >= 10 ? digitText(h / 10) : QString(), digitText(h % 10), digitText(m / 10), digitText(m % 10)};
}

// ---- amounts and counts ----

// An amount cell in the map's unit, in yen; refuses what the card's digits cannot hold.
qint64 amountYen(const QString &cell, AmountUnit unit, const QString &caption) {
    const QString shown = trim(cell);
    QString t = shown;
    if (t.isEmpty()) return 0;
    t.remove(u',');
    if (t.startsWith(u'¥') || t.startsWith(u'￥') || t.startsWith(u'\\')) t.remove(0, 1);
    if (t.endsWith(u'円')) t.chop(1);
    t = trim(t);
    if (t.startsWith(u'-') || t.startsWith(u'−') || t.startsWith(u'▲'))
        refuse(u"%1がマイナスです: %2"_s.arg(caption, shown));
    const qsizetype point = t.indexOf(u'.');
    const QString whole = point < 0 ? t : t.left(point);
    const QString fraction = point < 0 ? QString() : t.mid(point + 1);
    bool digits = !whole.isEmpty() && whole.size() <= 12 && fraction.size() <= 6;
    for (QChar c : whole + fraction)
        digits = digits && isDigit(c);
    if (!digits) refuse(u"%1が読めません: %2"_s.arg(caption, shown));
    const qint64 multiplier = unit == AmountUnit::TenThousand ? 10000
                              : unit == AmountUnit::Thousand  ? 1000
                                                              : 1;
    qint64 scale = 1;
    for (qsizetype i = 0; i < fraction.size(); ++i)
        scale *= 10;
    const qint64 fractionYen = fraction.isEmpty() ? 0 : fraction.toLongLong() * multiplier;
    const qint64 yen = whole.toLongLong() * multiplier + fractionYen / scale;
    if (fractionYen % scale != 0 || yen % 100 != 0)
        refuse(u"%1が100円単位ではありません: %2"_s.arg(caption, shown));
    if (yen > 999900) refuse(u"%1が999,900円を超えています: %2"_s.arg(caption, shown));
    return yen;
}

// The card's digit boxes of an amount, as the card screen shows them: no leading zeros
// in front of the 百円 digit.
std::array<QString, 4> amountBoxes(qint64 yen) {
    const int hundreds = int(yen / 100);
    const int digits[4] = {hundreds / 1000, hundreds / 100 % 10, hundreds / 10 % 10, hundreds % 10};
    std::array<QString, 4> boxes;
    bool leading = true;
    for (int i = 0; i < 4; ++i) {
        leading = leading && i < 3 && digits[i] == 0;
        if (!leading) boxes[size_t(i)] = digitText(digits[i]);
    }
    return boxes;
}

// A count box's text as the card screen reads it: digits (full-width too), grouping
// commas allowed.
std::optional<qint64> playCount(const QString &cell, const QString &caption) {
    QString t = trim(cell);
    if (t.isEmpty()) return std::nullopt;
    const QString shown = t;
    t.remove(u',');
    qint64 n = 0;
    for (QChar c : t) {
        int d = -1;
        if (isDigit(c))
            d = c.unicode() - u'0';
        else if (c >= u'０' && c <= u'９')
            d = c.unicode() - u'０';
        if (d < 0 || n > kMaxPlayCount)
            refuse(u"%1は 0 から %2 までの整数で入力してください（「%3」）。"_s.arg(
                caption, QString::number(kMaxPlayCount), shown));
        n = n * 10 + d;
    }
    return n;
}

std::optional<QString> playProblem(const PlayInputs &play) {
    try {
        validatePlayInputs(play);
    } catch (const StoreError &e) {
        return e.message();
    }
    return std::nullopt;
}

std::optional<QString> machineProblem(const QString &machine) {
    PlayInputs play;
    play.machine = machine;
    return playProblem(play);
}

std::optional<QString> spinsProblem(std::optional<qint64> spins) {
    PlayInputs play;
    play.spins = spins;
    return playProblem(play);
}

// ---- names ----

// A name as the card stores it, worked out once per distinct text.
struct StoredName {
    QString typed;  // trimmed, as the box holds it
    QString stored; // trimmed, as the store file and catalogues hold it
    bool cut = false;
};

StoredName storedName(const QString &typed, int width) {
    StoredName n;
    n.typed = typed;
    const QString full = toFullWidth(typed);
    n.stored = trimRight(full.left(width));
    n.cut = trimRight(full).size() > width;
    return n;
}

// The impression as stored: line breaks as CR LF, cut at a character to the field's
// bytes (never between CR and LF).
QString impressionText(const QString &cell, QStringList *notices) {
    QString memo = trimRight(cell);
    memo.replace(u"\r\n"_s, u"\n"_s).replace(u'\n', u"\r\n"_s);
    const int width = cardLayout().field(CardRecord::Impression).width;
    if (memo.size() * 2 <= width) return memo;
    try {
        requireEncodable(memo, fieldLabel(CardRecord::Impression));
    } catch (const StoreError &e) {
        refuse(e.message());
    }
    const QByteArray bytes = cp932::encode(memo).bytes;
    if (bytes.size() <= width) return memo;
    // Every character the code page holds is one QChar and one or two bytes.
    qsizetype b = 0, chars = 0;
    while (true) {
        const int w = cp932::isLeadByte(static_cast<unsigned char>(bytes[b])) ? 2 : 1;
        if (b + w > width) break;
        b += w;
        ++chars;
    }
    memo.truncate(chars);
    if (memo.endsWith(u'\r')) memo.chop(1);
    *notices << u"感想は%1バイトまでです。先頭の%2文字を登録しました。"_s.arg(width).arg(memo.size());
    return memo;
}

// ---- stored diaries ----

QString duplicateKey(QStringView date8, QStringView store, qint64 investment, qint64 cashOut) {
    QString key;
    key.reserve(date8.size() + store.size() + 16);
    key += date8;
    key += u'|';
    key += store;
    key += u'|';
    key += QString::number(investment);
    key += u'|';
    key += QString::number(cashOut);
    return key;
}

struct StoredDiary {
    std::optional<QString> problem;
    QHash<QString, int> cards; // duplicate key → the first card with it
    int count = 0;
    int accepted = 0;
};

StoredDiary readStoredDiary(const DataFolder &folder, const QString &fileName) {
    StoredDiary d;
    try {
        const DiaryFile diary(folder, fileName, RecordFile::Mode::ReadOnly);
        d.count = diary.count();
        diary.forEachRaw([&d](int n, const char *bytes) {
            const CardText t = CardText::ofBytes(bytes);
            const QStringView date = t.field(CardRecord::VisitDate);
            if (date.startsWith(u'R')) return; // a deletion candidate is not kept
            const QString store = trim(t.field(CardRecord::StoreName).toString());
            const QString key =
                duplicateKey(date.first(8), store, textToNumber(t.field(CardRecord::Investment).toString()),
                             textToNumber(t.field(CardRecord::CashOut).toString()));
            if (!d.cards.contains(key)) d.cards.insert(key, n); // the first such card is named
        });
    } catch (const StoreError &e) {
        d.problem = e.message();
        d.cards.clear();
    }
    return d;
}

// A new card's bytes as Record::toBytes gives them (each field encoded and fitted to its
// bytes; a character the code page lacks refused naming the field), each field's text
// encoded once: most of them repeat from row to row (the days, times, halls, models and
// amounts), and encoding is most of the work of a plan.
class CardEncoder {
  public:
    QByteArray bytes(const CardRecord &card) {
        const RecordLayout &layout = cardLayout();
        QByteArray out;
        out.reserve(layout.length());
        for (int i = 0; i < layout.fieldCount(); ++i) {
            // Without the padding, which encodes to as many space bytes as the field has room for.
            QString text = card.field(CardRecord::Field(i));
            qsizetype end = text.size();
            while (end > 0 && text[end - 1] == u' ')
                --end;
            text.truncate(end);
            if (i == CardRecord::Impression) { // seldom the same twice
                out += encoded(text, layout.field(i));
                continue;
            }
            auto found = m_fields[i].constFind(text);
            if (found == m_fields[i].cend()) found = m_fields[i].insert(text, encoded(text, layout.field(i)));
            out += *found;
        }
        return out;
    }

  private:
    static QByteArray encoded(const QString &text, const FieldDef &field) {
        try {
            requireEncodable(text, field.label);
        } catch (const StoreError &e) {
            refuse(e.message());
        }
        return cp932::encodeField(text, field.width);
    }

    QHash<QString, QByteArray> m_fields[CardRecord::Impression];
};

// ---- the rows ----

class Planner {
  public:
    Planner(const DataFolder &folder, const QString &user, const ImportOptions &options, ColumnMap map)
        : m_folder(folder), m_user(user), m_options(options), m_map(std::move(map)),
          m_today(options.today.isValid() ? options.today : QDate::currentDate()) {
        for (const QString &f : m_map.dateFormats)
            m_dateFormats.append(compileDateFormat(f));
        for (int r = 0; r < ColumnMap::RoleCount; ++r)
            m_columns = std::max(m_columns, m_map.column[r] + 1);
    }

    void plan(const CsvRow &row, ImportRow &out);
    void limitDiaries(QList<ImportRow> &rows, bool includeDuplicates);
    void collectNames(ImportPlan &plan);

  private:
    QString cell(const CsvRow &row, ColumnMap::Role role) const {
        const int c = m_map.at(role);
        return c >= 0 ? row.fields[c] : QString();
    }
    bool mapped(ColumnMap::Role role) const { return m_map.at(role) >= 0; }

    QDate date(const QString &cell) const;
    void times(const CsvRow &row, CardControls &c, QStringList &notices) const;
    int category(const QString &cell);
    int dayType(const QString &cell) const;
    const StoredName &name(QHash<QString, StoredName> &cache, const QString &typed, int width);
    StoredDiary &diary(int year);

    const DataFolder &m_folder;
    QString m_user;
    const ImportOptions &m_options;
    ColumnMap m_map;
    QDate m_today;
    QList<DateFormat> m_dateFormats;
    int m_columns = 0;
    QHash<QString, StoredName> m_stores, m_models;
    QHash<QString, int> m_categories;
    QHash<QString, std::optional<QString>> m_machines;
    CardEncoder m_encoder;
    QHash<int, QString> m_diaryFiles;
    QMap<int, StoredDiary> m_diaries;
};

QDate Planner::date(const QString &cell) const {
    const QString text = trim(cell);
    if (text.isEmpty()) refuse(u"日付がありません"_s);
    QDate d;
    DateRead read = DateRead::Unreadable;
    for (const DateFormat &f : m_dateFormats) {
        const DateRead r = readDate(f, text, m_today, &d);
        if (r == DateRead::Ok) {
            read = r;
            break;
        }
        if (r == DateRead::NoSuchDate) read = r;
    }
    if (read == DateRead::NoSuchDate) refuse(u"日付がありません: %1"_s.arg(text));
    if (read == DateRead::Unreadable)
        refuse(u"日付が読めません: %1（%2 の形で書いてください）"_s.arg(text,
                                                                        m_map.dateFormats.join(u" か "_s)));
    if (d.year() < 1 || d > m_today)
        refuse(u"日付 %1 は取り込めません（0001/01/01 から %2 までの日付だけです）"_s.arg(
            text, m_today.toString(u"yyyy/MM/dd"_s)));
    return d;
}

void Planner::times(const CsvRow &row, CardControls &c, QStringList &notices) const {
    auto timeCell = [&](ColumnMap::Role role, const QString &caption) -> std::optional<int> {
        const QString text = trim(cell(row, role));
        if (text.isEmpty()) return std::nullopt;
        const std::optional<int> t = timeOfDay(text);
        if (!t) refuse(u"%1が読めません: %2"_s.arg(caption, text));
        return t;
    };
    const QTime defaultStart = m_options.start.isValid() ? m_options.start : QTime(10, 0);
    int start = defaultStart.hour() * 60 + defaultStart.minute();
    if (const std::optional<int> t = timeCell(ColumnMap::Start, fieldLabel(CardRecord::StartTime)))
        start = *t;
    else if (mapped(ColumnMap::Start))
        notices << u"開始時刻がないため %1 としました"_s.arg(clockText(start));

    constexpr int kLastMinute = 23 * 60 + 59;
    int end = start;
    bool pastMidnight = false;
    if (const std::optional<int> t = timeCell(ColumnMap::End, fieldLabel(CardRecord::EndTime))) {
        end = *t;
        pastMidnight = end < start;
    } else if (const QString hours = trim(cell(row, ColumnMap::Hours)); !hours.isEmpty()) {
        const std::optional<int> length = playLength(hours);
        if (!length) refuse(u"%1が読めません: %2"_s.arg(columnRoleCaption(ColumnMap::Hours), hours));
        end = start + *length;
        pastMidnight = end > kLastMinute;
    }
    // A card holds one day: play past midnight ends at its last minute.
    if (pastMidnight) {
        end = kLastMinute;
        notices << u"終了が日付をまたぐため 23:59 としました"_s;
    }
    c.start = timeBoxes(start);
    c.end = timeBoxes(end);
}

int Planner::category(const QString &cell) {
    const QString text = trim(cell);
    if (text.isEmpty()) return m_options.category;
    auto found = m_categories.constFind(text);
    if (found == m_categories.cend()) {
        int option = 0;
        if (const CategoryInfo *c = categoryByCardCode(text)) option = c->option;
        const QString full = toFullWidth(text);
        for (const CategoryInfo &c : categories())
            if (!option && (full == toFullWidth(c.caption) || full == toFullWidth(c.cardCaption)))
                option = c.option;
        found = m_categories.insert(text, option);
    }
    if (!*found) refuse(u"機種の種類が分かりません: %1"_s.arg(text));
    return *found;
}

int Planner::dayType(const QString &cell) const {
    const QString text = trim(cell);
    if (text.isEmpty()) return ordinaryDay().option;
    if (const DayTypeInfo *d = dayTypeByCode(text)) return d->option;
    for (const DayTypeInfo &d : dayTypes())
        if (text == d.caption) return d.option;
    refuse(u"営業日の種類が分かりません: %1"_s.arg(text));
}

const StoredName &Planner::name(QHash<QString, StoredName> &cache, const QString &typed, int width) {
    auto found = cache.constFind(typed);
    if (found == cache.cend()) found = cache.insert(typed, storedName(typed, width));
    return *found;
}

StoredDiary &Planner::diary(int year) {
    auto found = m_diaries.find(year);
    if (found == m_diaries.end())
        found = m_diaries.insert(year, readStoredDiary(m_folder, DiaryFileName(m_user, year)));
    return *found;
}

void Planner::plan(const CsvRow &row, ImportRow &out) {
    if (row.unclosedQuote) refuse(u"引用符が閉じていません（%1 行目から）"_s.arg(row.line));
    if (row.fields.size() < m_columns)
        refuse(u"列が足りません（%1 列、%2 列必要）"_s.arg(row.fields.size()).arg(m_columns));

    CardControls c;
    const QDate date = this->date(cell(row, ColumnMap::Date));
    c.year = yyyy(date);
    c.month = twoDigits(date.month());
    c.day = twoDigits(date.day());
    c.weekday = weekdayChar(date);
    times(row, c, out.notices);

    const StoredName &store = name(m_stores, trim(cell(row, ColumnMap::Store)), 10);
    const StoredName &model = name(m_models, trim(cell(row, ColumnMap::Model)), 15);
    c.store = store.typed;
    c.model = model.typed;
    c.category = category(cell(row, ColumnMap::Category));
    if (!c.category) refuse(u"機種の種類がありません（--category か画面で選んでください）"_s);
    c.dayType = dayType(cell(row, ColumnMap::DayType));

    const qint64 investment =
        amountYen(cell(row, ColumnMap::Investment), m_map.unit, columnRoleCaption(ColumnMap::Investment));
    const qint64 cashOut =
        amountYen(cell(row, ColumnMap::CashOut), m_map.unit, columnRoleCaption(ColumnMap::CashOut));
    c.investment = amountBoxes(investment);
    c.cashOut = amountBoxes(cashOut);
    c.impression = impressionText(cell(row, ColumnMap::Memo), &out.notices);

    PlayInputs play;
    play.spins = playCount(cell(row, ColumnMap::Spins), columnRoleCaption(ColumnMap::Spins));
    play.machine = trim(cell(row, ColumnMap::Machine));
    // The machine number is checked once per text (it is encoded to be checked), the count
    // on its own.
    auto machine = m_machines.constFind(play.machine);
    if (machine == m_machines.cend()) machine = m_machines.insert(play.machine, machineProblem(play.machine));
    if (*machine) refuse(**machine);
    if (play.spins)
        if (const std::optional<QString> problem = spinsProblem(play.spins)) refuse(*problem);

    if (store.cut) out.notices << u"店名は10文字までです。「%1」として登録しました。"_s.arg(store.stored);
    if (model.cut) out.notices << u"機種名は15文字までです。「%1」として登録しました。"_s.arg(model.stored);

    // Kept as the bytes to store: a card's edited fields held as text take four times the
    // memory, which for a file of many years' visits is most of the plan.
    out.card =
        CardRecord(Record::fromBytes(cardLayout(), m_encoder.bytes(cardFromControls(withBlanksFilled(c)))));
    out.date = date;
    auto diaryFile = m_diaryFiles.constFind(date.year());
    if (diaryFile == m_diaryFiles.cend())
        diaryFile = m_diaryFiles.insert(date.year(), DiaryFileName(m_user, date.year()));
    out.diaryFile = *diaryFile;
    out.play = play;

    const StoredDiary &stored = diary(date.year());
    if (stored.problem) refuse(*stored.problem);
    const auto same = stored.cards.constFind(
        duplicateKey(c.year + c.month + c.day, trim(store.stored), investment / 100, cashOut / 100));
    if (same != stored.cards.cend()) {
        out.verdict = ImportVerdict::Duplicate;
        out.reason = u"%1年の日記のカード %2 と同じ"_s.arg(date.year()).arg(*same);
    } else {
        out.verdict = ImportVerdict::New;
    }
}

// Rows that would take a diary past its most cards are refused, the later ones of the file.
void Planner::limitDiaries(QList<ImportRow> &rows, bool includeDuplicates) {
    for (ImportRow &row : rows) {
        const bool accepted = row.verdict == ImportVerdict::New ||
                              (includeDuplicates && row.verdict == ImportVerdict::Duplicate);
        if (!accepted) continue;
        StoredDiary &d = diary(row.date.year());
        if (d.count + d.accepted < DiaryFile::kMaxCards) {
            ++d.accepted;
            continue;
        }
        row.verdict = ImportVerdict::Refused;
        row.reason = u"この日記にはこれ以上カードを登録できません（%1枚まで）。"_s.arg(DiaryFile::kMaxCards);
    }
}

// The halls and models that registering the accepted rows adds, read from the files once.
void Planner::collectNames(ImportPlan &plan) {
    std::optional<QSet<QString>> stores;
    std::optional<QString> storeProblem;
    QSet<QString> newStores;
    QMap<int, QSet<QString>> models;
    QMap<int, QString> modelProblems;
    QSet<QPair<int, QString>> newModels;
    for (ImportRow &row : plan.rows) {
        const bool accepted = row.verdict == ImportVerdict::New ||
                              (plan.includeDuplicates && row.verdict == ImportVerdict::Duplicate);
        if (!accepted) continue;
        const QString store = trim(row.card.field(CardRecord::StoreName));
        if (!store.isEmpty()) {
            if (!stores && !storeProblem) {
                try {
                    stores.emplace();
                    StoreFile(m_folder, true).forEachName([&](const QString &n) {
                        stores->insert(trimRight(n.left(10)));
                    });
                } catch (const StoreError &e) {
                    stores.reset();
                    storeProblem = e.message();
                }
            }
            if (storeProblem) {
                row.verdict = ImportVerdict::Refused;
                row.reason = *storeProblem;
                continue;
            }
        }
        const QString model = trim(row.card.field(CardRecord::ModelName));
        const CategoryInfo *category = categoryByCardCode(row.card.field(CardRecord::Category));
        if (category && !model.isEmpty()) {
            const int option = category->option;
            if (!models.contains(option) && !modelProblems.contains(option)) {
                QSet<QString> names;
                try {
                    ModelCatalogue(m_folder, *category, true).forEachName([&](const QString &n) {
                        names.insert(trimRight(n.left(15)));
                    });
                    models.insert(option, names);
                } catch (const StoreError &e) {
                    modelProblems.insert(option, e.message());
                }
            }
            if (modelProblems.contains(option)) {
                row.verdict = ImportVerdict::Refused;
                row.reason = modelProblems.value(option);
                continue;
            }
            if (!models[option].contains(model) && !newModels.contains({option, model})) {
                newModels.insert({option, model});
                plan.newModels.append({option, model});
            }
        }
        if (!store.isEmpty() && !stores->contains(store) && !newStores.contains(store)) {
            newStores.insert(store);
            plan.newStores.append(store);
        }
    }
}

} // namespace

QString importVerdictText(ImportVerdict verdict) {
    switch (verdict) {
    case ImportVerdict::New:
        return u"新規"_s;
    case ImportVerdict::Duplicate:
        return u"重複"_s;
    case ImportVerdict::Refused:
        break;
    }
    return u"取り込まない"_s;
}

QString importVerdictKey(ImportVerdict verdict) {
    switch (verdict) {
    case ImportVerdict::New:
        return u"new"_s;
    case ImportVerdict::Duplicate:
        return u"duplicate"_s;
    case ImportVerdict::Refused:
        break;
    }
    return u"refused"_s;
}

int ImportPlan::count(ImportVerdict v) const {
    return int(std::count_if(rows.cbegin(), rows.cend(), [v](const ImportRow &r) { return r.verdict == v; }));
}

QList<const ImportRow *> ImportPlan::accepted() const {
    QList<const ImportRow *> out;
    for (const ImportRow &r : rows)
        if (r.verdict == ImportVerdict::New || (includeDuplicates && r.verdict == ImportVerdict::Duplicate))
            out.append(&r);
    // One user's diaries differ only in their year.
    std::stable_sort(out.begin(), out.end(),
                     [](const ImportRow *a, const ImportRow *b) { return a->date < b->date; });
    return out;
}

namespace {

// Below this many rows a second thread costs more than it saves.
constexpr qsizetype kRowsWorthASecondThread = 4000;

// Table is CsvTable (its rows emptied as they are planned) or const CsvTable.
template <typename Table>
ImportPlan makePlan(const DataFolder &folder, const QString &user, Table &table,
                    const ImportOptions &options) {
    constexpr bool consume = !std::is_const_v<Table>;
    ImportPlan plan;
    plan.user = user;
    plan.encoding = table.encoding;
    plan.includeDuplicates = options.includeDuplicates;
    if (table.problem) {
        plan.problem = table.problem;
        return plan;
    }
    if (!diaryUserPart(user)) {
        plan.problem = u"この名前の日記はデータフォルダの外を指すため開けません: "_s +
                       unsafeFileNameReason(trim(user.left(9))).value_or(QString());
        return plan;
    }
    if (table.rows.isEmpty()) {
        plan.problem = u"取り込む行がありません"_s;
        return plan;
    }
    const std::optional<ImportFormat> format =
        options.format ? options.format : detectImportFormat(table.rows.first().fields);
    if (!format) {
        plan.problem = u"どの形式か分かりません。列の対応づけを指定してください。"_s;
        return plan;
    }
    plan.format = *format;
    ColumnMap map = *format == ImportFormat::PRecord  ? precordMap()
                    : *format == ImportFormat::PShare ? pshareMap()
                                                      : options.map;
    // pShare's layout is told by dates written either way.
    if (*format == ImportFormat::PShare) map.dateFormats << u"yyyy-MM-dd"_s;
    if (map.at(ColumnMap::Date) < 0) {
        plan.problem = u"日付の列が指定されていません"_s;
        return plan;
    }
    const qsizetype first = map.header ? 1 : 0;
    if (table.rows.size() <= first) {
        plan.problem = u"見出しの行だけで、取り込む行がありません"_s;
        return plan;
    }

    // Rows are planned on their own, so a large file is planned in two halves at once, each
    // half by a planner of its own (their caches are not shared); the checks across rows
    // come after, in file order.
    const qsizetype count = table.rows.size() - first;
    // Rows are made in place as they are planned: a row made blank first would hold a blank
    // card's bytes until its own replace them.
    auto planRows = [&](Planner &planner, qsizetype from, qsizetype to, QList<ImportRow> &rows) {
        rows.reserve(to - from);
        for (qsizetype i = from; i < to; ++i) {
            auto &row = table.rows[first + i];
            ImportRow &out = rows.emplace_back();
            out.line = row.line;
            try {
                planner.plan(row, out);
            } catch (const Refusal &r) {
                out.verdict = ImportVerdict::Refused;
                out.reason = r.reason;
                out.notices.clear(); // of a card that is not made
                out.fields = row.fields;
            }
            if constexpr (consume) row.fields = QStringList();
        }
    };
    Planner planner(folder, user, options, map);
    const qsizetype half = options.twoThreads && count >= kRowsWorthASecondThread ? count / 2 : count;
    std::exception_ptr failed;
    QList<ImportRow> secondRows;
    std::thread second;
    if (half < count) {
        second = std::thread([&] {
            try {
                Planner other(folder, user, options, map);
                planRows(other, half, count, secondRows);
            } catch (...) {
                failed = std::current_exception();
            }
        });
    }
    try {
        planRows(planner, 0, half, plan.rows);
    } catch (...) {
        if (second.joinable()) second.join();
        throw;
    }
    if (second.joinable()) second.join();
    if (failed) std::rethrow_exception(failed);
    if (!secondRows.isEmpty()) {
        plan.rows.reserve(count);
        std::move(secondRows.begin(), secondRows.end(), std::back_inserter(plan.rows));
        secondRows = QList<ImportRow>();
    }
    if constexpr (consume) table.rows = QList<CsvRow>();
    planner.limitDiaries(plan.rows, plan.includeDuplicates);
    planner.collectNames(plan);
    return plan;
}

} // namespace

ImportPlan planImport(const DataFolder &folder, const QString &user, const CsvTable &table,
                      const ImportOptions &options) {
    return makePlan(folder, user, table, options);
}

ImportPlan planImport(const DataFolder &folder, const QString &user, CsvTable &&table,
                      const ImportOptions &options) {
    return makePlan(folder, user, table, options);
}

ImportBatch importBatch(const ImportPlan &plan, const QString &source) {
    ImportBatch batch;
    batch.source = source;
    batch.stores = plan.newStores;
    batch.models = plan.newModels;
    for (const ImportRow *row : plan.accepted()) {
        if (batch.diaries.isEmpty() || batch.diaries.last().fileName != row->diaryFile)
            batch.diaries.append({row->diaryFile, {}, {}});
        batch.diaries.last().records.append(row->card.record().toBytes());
        batch.diaries.last().play.append(row->play);
    }
    return batch;
}

} // namespace tama
