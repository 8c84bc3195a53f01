#include "store/diary.h"

#include "common/codec.h"
#include "common/text.h"
#include "store/storeerror.h"

#include <algorithm>

#include <QDir>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace tama {

const RecordLayout &cardLayout() {
    static const RecordLayout layout(u"diary"_s,
                                     {
                                         {u"VisitDate"_s, u"日付"_s, 10},
                                         {u"StartTime"_s, u"開始時刻"_s, 4},
                                         {u"EndTime"_s, u"終了時刻"_s, 4},
                                         {u"StoreName"_s, u"店名"_s, 20},
                                         {u"Category"_s, u"機種の種類"_s, 1},
                                         {u"ModelName"_s, u"機種名"_s, 30},
                                         {u"Investment"_s, u"投資額"_s, 4},
                                         {u"CashOut"_s, u"換金額"_s, 4},
                                         {u"DayType"_s, u"営業日の種類"_s, 3},
                                         {u"Impression"_s, u"感想"_s, 160},
                                     },
                                     DiaryFile::kMaxCards);
    return layout;
}

const QStringList &cardFieldNames() {
    static const QStringList names = [] {
        QStringList n;
        for (int i = 0; i < cardLayout().fieldCount(); ++i)
            n << cardLayout().field(i).name;
        return n;
    }();
    return names;
}

std::optional<QString> diaryUserPart(const QString &userName) {
    const QString part = trim(userName.left(9));
    if (unsafeFileNameReason(part)) return std::nullopt;
    return part;
}

QString DiaryFileName(const QString &userName, const QString &year) {
    return trim(userName.left(9)) + u'.' + year + u".dat"_s;
}

QString DiaryFileName(const QString &userName, int year) {
    return DiaryFileName(userName, QStringLiteral("%1").arg(year, 4, 10, QChar(u'0')));
}

QString diaryUserOf(const QString &diaryFileName) {
    static const QRegularExpression yearSuffix(QStringLiteral("\\.\\d{4}\\.dat$"));
    const QRegularExpressionMatch m = yearSuffix.match(diaryFileName);
    return m.hasMatch() ? diaryFileName.left(m.capturedStart()) : diaryFileName.section(u'.', 0, 0);
}

QList<int> diaryYears(const DataFolder &folder, const QString &userName) {
    const std::optional<QString> part = diaryUserPart(userName);
    if (!part) return {};
    // Compared as the file system spells them; the year is exactly four digits.
    const QString prefix = *part + u'.';
    QList<int> years;
    const QDir dir(folder.path());
    const QStringList names = dir.entryList({prefix + u"????.dat"_s}, QDir::Files | QDir::Readable);
    for (const QString &name : names) {
        if (!name.startsWith(prefix)) continue; // the pattern ignores case on some systems
        bool ok = false;
        const QStringView digits = QStringView(name).sliced(prefix.size(), 4);
        const int y = digits.toInt(&ok);
        if (ok && std::all_of(digits.begin(), digits.end(), [](QChar c) { return c >= u'0' && c <= u'9'; }))
            years.append(y);
    }
    std::sort(years.begin(), years.end());
    years.erase(std::unique(years.begin(), years.end()), years.end());
    return years;
}

CardRecord::CardRecord() : m_record(cardLayout()) {}
CardRecord::CardRecord(Record r) : m_record(std::move(r)) {}

void CardRecord::markCandidate() {
    const QString d = field(VisitDate);
    setField(VisitDate, u'R' + d.mid(1));
}

void CardRecord::unmarkCandidate() {
    const QString d = field(VisitDate);
    // Only the first digit of the year was replaced: 19xx comes back as 1, the rest as 2.
    setField(VisitDate, (d.mid(1, 1) == u"9"_s ? u'1' : u'2') + d.mid(1));
}

CardText::CardText(const CardRecord &card) {
    for (int f = CardRecord::VisitDate; f < CardRecord::Impression; ++f) {
        Q_ASSERT(cardLayout().offset(f) == kOffsets[f]);
        card.record().fieldInto(f, m_text + kOffsets[f]);
    }
}

CardText CardText::ofBytes(const char *recordBytes) {
    // As Record::fieldInto decodes a field read from the file.
    CardText t;
    for (int f = CardRecord::VisitDate; f < CardRecord::Impression; ++f) {
        const int w = kOffsets[f + 1] - kOffsets[f];
        qsizetype bad = -1;
        const qsizetype n = cp932::decodeInto(recordBytes + kOffsets[f], w, t.m_text + kOffsets[f], &bad);
        std::fill(t.m_text + kOffsets[f] + n, t.m_text + kOffsets[f] + w, u' ');
    }
    return t;
}

qint64 CardRecord::investmentYen() const {
    return textToNumber(field(Investment)) * 100;
}
qint64 CardRecord::cashOutYen() const {
    return textToNumber(field(CashOut)) * 100;
}

QString DiaryFile::scratchName() {
    return u"t#e#m#p.tmp"_s;
}

DiaryFile::DiaryFile(const DataFolder &folder, const QString &fileName, RecordFile::Mode mode)
    : m_folder(folder.path()), m_fileName(fileName) {
    if (!isPlainFileName(fileName))
        throw StoreError(StoreError::Kind::Invalid, fileName,
                         u"この名前の日記はデータフォルダの外を指すため開けません"_s);
    m_file = std::make_unique<RecordFile>(folder.file(fileName), cardLayout(), mode);
}

std::optional<CardRecord> DiaryFile::read(int n) const {
    if (auto r = m_file->read(n)) return CardRecord(*r);
    return std::nullopt;
}

CardRecord DiaryFile::readOrBlank(int n) const {
    return CardRecord(m_file->readOrBlank(n));
}

void DiaryFile::write(int n, const CardRecord &card) {
    m_file->write(n, card.record());
}

void DiaryFile::setCandidate(int n, bool candidate) {
    auto card = read(n);
    if (!card)
        throw StoreError(StoreError::Kind::Invalid, path(), QStringLiteral("カード %1 はありません").arg(n));
    if (candidate)
        card->markCandidate();
    else
        card->unmarkCandidate();
    write(n, *card);
}

QList<CardRecord> DiaryFile::readAll() const {
    QList<CardRecord> cards;
    cards.reserve(count());
    forEach([&](int, const CardRecord &card) { cards.append(card); });
    return cards;
}

void DiaryFile::forEach(const std::function<void(int n, const CardRecord &card)> &visit) const {
    const qsizetype len = cardLayout().length();
    m_file->forEachRaw([&](int n, const char *bytes) {
        visit(n, CardRecord(Record::fromBytes(cardLayout(), QByteArray(bytes, len))));
    });
}

void DiaryFile::rewriteRaw(const QList<QByteArray> &raw) {
    m_file.reset(); // close before the file is replaced
    const QString target = QDir(m_folder).filePath(m_fileName);
    try {
        rewriteRecords(m_folder, target, scratchName(), cardLayout(), raw);
    } catch (...) {
        m_file = std::make_unique<RecordFile>(target, cardLayout());
        throw;
    }
    m_file = std::make_unique<RecordFile>(target, cardLayout());
}

} // namespace tama
