#include "card/cardeditor.h"

#include "card/carddigits.h"
#include "card/spinner.h"
#include "card/timeorder.h"
#include "common/dates.h"
#include "common/text.h"
#include "store/catalogue.h"
#include "store/daytype.h"
#include "store/diary.h"
#include "store/modellist.h"
#include "store/storefile.h"

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

bool blank(const QString &s) {
    return trim(s).isEmpty();
}
bool zeroOrBlank(const QString &s) {
    return blank(s) || trim(s) == u"0"_s;
}

// Box numbers of the digit boxes.
constexpr int kStart = 0, kEnd = 4, kInvestment = 8, kCashOut = 12;

QStringList list(const std::array<QString, 4> &a) {
    return {a[0], a[1], a[2], a[3]};
}

const QString kPlayBoxNames[6] = {u"通常回転数"_s, u"持ち玉"_s,       u"大当たり回数"_s,
                                  u"台番号"_s,     u"貯玉再プレイ"_s, u"貯玉預け入れ"_s};

// The most a count box takes: a visit's counts, or the balls 貯玉 can move.
qint64 mostOf(CardEditor::PlayBox box) {
    using Box = CardEditor::PlayBox;
    return box == Box::ChodamaUsed || box == Box::ChodamaDeposited ? kMaxChodamaBalls : kMaxPlayCount;
}

// A count as typed: digits only (full-width ones too, as an input method types them).
std::optional<qint64> countOf(const QString &text, bool *bad = nullptr, qint64 most = kMaxPlayCount) {
    const QString t = trim(text);
    if (bad) *bad = false;
    if (t.isEmpty()) return std::nullopt;
    qint64 n = 0;
    for (QChar c : t) {
        int d = -1;
        if (c >= u'0' && c <= u'9')
            d = c.unicode() - u'0';
        else if (c >= u'０' && c <= u'９')
            d = c.unicode() - u'０';
        if (d < 0 || n > most) {
            if (bad) *bad = true;
            return std::nullopt;
        }
        n = n * 10 + d;
    }
    return n;
}

} // namespace

void CardEditor::open(const DataFolder &folder, const QString &diaryFile, const QString &year) {
    m_folder = &folder;
    m_diaryFile = diaryFile;
    m_year = year;
    m_keys.reset();
}

std::optional<StoreError> CardEditor::load(const QDate &today) {
    std::optional<StoreError> error;
    m_count = 0;
    m_keys.reset(); // the diary may have changed since it was last read
    try {
        m_count = DiaryFile(*m_folder, m_diaryFile).count();
    } catch (const StoreError &e) {
        error = e;
    }
    if (auto e = show(m_count + 1, today); e && !error) error = e;
    m_card.start = {u"1"_s, u"0"_s, u"0"_s, u"0"_s}; // a new card starts at 10:00
    return error;
}

std::optional<StoreError> CardEditor::show(int n, const QDate &today) {
    std::optional<StoreError> error;
    m_number = n;
    const bool newCard = n > m_count;
    CardRecord record;
    bool read = false;
    if (!newCard) {
        try {
            record = DiaryFile(*m_folder, m_diaryFile).readOrBlank(n);
            read = true;
        } catch (const StoreError &e) {
            error = e; // the card is shown blank
        }
    }
    const QString visitDate = record.field(CardRecord::VisitDate);
    const bool marked = visitDate.startsWith(u'R');

    // A marked card carries its mark in the year box, so that updating it keeps the mark.
    m_card.year = marked && !newCard ? visitDate.left(4) : m_year;
    m_card.month = visitDate.mid(4, 2);
    m_card.day = visitDate.mid(6, 2);
    m_card.weekday = visitDate.mid(8, 1);
    // The weekday shown is the date's own, whatever the record says.
    if (const std::optional<QDate> d = date()) m_card.weekday = weekdayChar(*d);

    const QStringList start = fieldBoxes(record.field(CardRecord::StartTime));
    const QStringList end = fieldBoxes(record.field(CardRecord::EndTime));
    for (int i = 0; i < 4; ++i) {
        m_card.start[size_t(i)] = start[i];
        m_card.end[size_t(i)] = end[i];
    }

    const DayTypeInfo *dayType = dayTypeByCode(record.field(CardRecord::DayType));
    m_card.dayType = (dayType ? *dayType : ordinaryDay()).option;

    // What the box shows is what would be stored: no padding to type behind.
    setStore(trimRight(record.field(CardRecord::StoreName)));
    if (const CategoryInfo *c = categoryByCardCode(record.field(CardRecord::Category)))
        m_card.category = c->option;
    m_card.model = trimRight(record.field(CardRecord::ModelName));

    const QString investment = record.field(CardRecord::Investment);
    const QString cashOut = record.field(CardRecord::CashOut);
    const QStringList inv = fieldBoxes(investment);
    const QStringList cash = fieldBoxes(cashOut);
    for (int i = 0; i < 4; ++i) {
        m_card.investment[size_t(i)] = inv[i];
        m_card.cashOut[size_t(i)] = cash[i];
    }
    const ProfitText profit =
        shownProfit(amountFromDigits(list(m_card.investment)), amountFromDigits(list(m_card.cashOut)));
    for (int i = 0; i < leadingZeroBoxes(investment); ++i)
        m_card.investment[size_t(i)].clear();
    for (int i = 0; i < leadingZeroBoxes(cashOut); ++i)
        m_card.cashOut[size_t(i)].clear();
    m_card.profit = profit.text;
    m_profitNegative = profit.negative;

    // Line breaks are stored as CR LF; the box shows plain line breaks.
    m_card.impression = trimRight(record.field(CardRecord::Impression)).replace(u"\r\n"_s, u"\n"_s);

    if (newCard) {
        m_state = State::New;
        for (int i = 0; i < 4; ++i) {
            m_card.investment[size_t(i)].clear();
            m_card.cashOut[size_t(i)].clear();
        }
        setNewCardDate(today);
        m_card.category = 0;
    } else {
        m_state = marked ? State::Candidate : State::Stored;
    }
    clearPlay();
    if (read) {
        try {
            loadPlay(record.record().toBytes());
        } catch (const StoreError &e) {
            if (!error) error = e;
        }
    }
    return error;
}

void CardEditor::setNewCardDate(const QDate &today) {
    if (m_year == yyyy(today)) {
        setDate(today);
    } else {
        m_card.month = u"12"_s;
        m_card.day = u"31"_s;
        m_card.weekday = weekdayChar(QDate(m_year.toInt(), 12, 31));
    }
}

// ---- date ----

std::optional<QDate> CardEditor::date() const {
    const QString month = trim(m_card.month), day = trim(m_card.day);
    if (month.isEmpty() || day.isEmpty()) return std::nullopt;
    for (const QString &s : {month, day})
        for (QChar c : s)
            if (c < u'0' || c > u'9') return std::nullopt;
    return formDate(m_year.toInt(), month.toInt(), day.toInt());
}

bool CardEditor::dateIsValid() const {
    return m_card.month.size() == 2 && m_card.day.size() == 2 && date().has_value();
}

void CardEditor::setMonth(const QString &month) {
    m_card.month = month;
    m_card.weekday = date() ? weekdayChar(*date()) : QString();
}

void CardEditor::setDay(const QString &day) {
    m_card.day = day;
    m_card.weekday = date() ? weekdayChar(*date()) : QString();
}

void CardEditor::setDate(const QDate &d) {
    m_card.month = mm(d);
    m_card.day = dd(d);
    m_card.weekday = weekdayChar(d);
}

int CardEditor::repairDate(DateBox box) {
    const DateRepair r = tama::repairDate(m_year, m_card.month, m_card.day, box);
    m_card.month = r.month;
    m_card.day = r.day;
    m_card.weekday = date() ? weekdayChar(*date()) : QString();
    return r.beeps;
}

int CardEditor::leaveDateBox(DateBox box) {
    QString &text = box == DateBox::Month ? m_card.month : m_card.day;
    text = box == DateBox::Month ? padMonth(text) : padDay(text);
    // Nothing or a lone 0 left behind is no month or day at all.
    int beeps = 0;
    if (trim(text).isEmpty() || trim(text) == u"0"_s || trim(text) == u"00"_s) {
        text = u"01"_s;
        ++beeps;
    }
    return beeps + repairDate(box);
}

// ---- digits and spinners ----

QString &CardEditor::box(int i) {
    if (i < kEnd) return m_card.start[size_t(i - kStart)];
    if (i < kInvestment) return m_card.end[size_t(i - kEnd)];
    if (i < kCashOut) return m_card.investment[size_t(i - kInvestment)];
    return m_card.cashOut[size_t(i - kCashOut)];
}

QString CardEditor::digit(int i) const {
    if (i < kEnd) return m_card.start[size_t(i - kStart)];
    if (i < kInvestment) return m_card.end[size_t(i - kEnd)];
    if (i < kCashOut) return m_card.investment[size_t(i - kInvestment)];
    return m_card.cashOut[size_t(i - kCashOut)];
}

void CardEditor::setDigit(int i, const QString &text) {
    box(i) = text;
    if (i >= kInvestment) updateProfit();
}

void CardEditor::updateProfit() {
    const ProfitText p =
        enteredProfit(amountFromDigits(list(m_card.investment)), amountFromDigits(list(m_card.cashOut)));
    m_card.profit = p.text;
    m_profitNegative = p.negative;
}

int CardEditor::spinnerValue(int index) const {
    const Spinner &sp = Spinner::at(index);
    auto number = [](const QString &a, const QString &b) { return int(textToNumber(a + b)); };
    auto placed = [&sp](int n) { return std::clamp(sp.valueFor(n), sp.minimum(), sp.maximum()); };
    const CardControls &c = m_card;
    switch (index) {
    case 1:
        return blank(c.start[0]) && blank(c.start[1]) ? sp.start() : placed(number(c.start[0], c.start[1]));
    case 2:
        return blank(c.start[2]) && blank(c.start[3]) ? sp.start() : placed(number(c.start[2], c.start[3]));
    // An end not yet set stands where the start stands, so its first step leaves from there.
    case 3:
        return blank(c.end[0]) && blank(c.end[1]) ? spinnerValue(1) : placed(number(c.end[0], c.end[1]));
    case 4:
        return blank(c.end[2]) && blank(c.end[3]) ? spinnerValue(2) : placed(number(c.end[2], c.end[3]));
    case 5:
        return placed(number(c.investment[0], c.investment[1]));
    case 6:
        return placed(number(c.investment[2], {}));
    case 7:
        return placed(number(c.investment[3], {}));
    case 8:
        return placed(number(c.cashOut[0], c.cashOut[1]));
    case 9:
        return placed(number(c.cashOut[2], {}));
    default:
        return placed(number(c.cashOut[3], {}));
    }
}

void CardEditor::spin(int index, int value) {
    const Spinner &sp = Spinner::at(index);
    int v = sp.wrap(value);
    CardControls &c = m_card;
    auto startIsLater = [&c] {
        return timeNumber(c.start[0], c.start[1], c.start[2], c.start[3]) >
               timeNumber(c.end[0], c.end[1], c.end[2], c.end[3]);
    };
    auto endHourToStart = [&] {
        const int s = spinnerValue(1);
        c.end[0] = Spinner::at(3).tensBox(s);
        c.end[1] = Spinner::at(3).onesBox(s);
    };
    auto endToStart = [&] {
        endHourToStart();
        const int m = spinnerValue(2);
        c.end[2] = Spinner::at(4).tensBox(m);
        c.end[3] = Spinner::at(4).onesBox(m);
    };

    switch (index) {
    case 1:
    case 3: {
        const bool start = index == 1;
        if (start && blank(c.start[0]) && blank(c.start[1])) {
            v = 22; // no start yet: 10:00, whatever the step
            c.start[2] = u"0"_s;
            c.start[3] = u"0"_s;
        } else if (!start && blank(c.start[0]) && blank(c.start[1]) && blank(c.end[0]) && blank(c.end[1])) {
            v = 22;
            c.end[2] = u"0"_s;
            c.end[3] = u"0"_s;
        }
        (start ? c.start : c.end)[0] = sp.tensBox(v);
        (start ? c.start : c.end)[1] = sp.onesBox(v);
        // An end given its hour first takes the start's minutes.
        if (!start && blank(c.end[2]) && blank(c.end[3])) {
            c.end[2] = blank(c.start[2]) ? u"0"_s : c.start[2];
            c.end[3] = blank(c.start[3]) ? u"0"_s : c.start[3];
        }
        if (startIsLater()) start ? endToStart() : endHourToStart();
        break;
    }
    case 2:
    case 4: {
        const bool start = index == 2;
        if (!start && blank(c.end[0]) && blank(c.end[1])) endHourToStart();
        (start ? c.start : c.end)[2] = sp.tensBox(v);
        (start ? c.start : c.end)[3] = sp.onesBox(v);
        if (startIsLater()) endToStart();
        break;
    }
    case 5:
    case 8: {
        auto &a = index == 5 ? c.investment : c.cashOut;
        if (zeroOrBlank(a[2]) && zeroOrBlank(a[3])) a[2] = a[3] = u"0"_s;
        a[0] = sp.tensBox(v);
        a[1] = sp.onesBox(v);
        updateProfit();
        break;
    }
    case 6:
    case 9: {
        auto &a = index == 6 ? c.investment : c.cashOut;
        if (zeroOrBlank(a[3])) a[3] = u"0"_s;
        a[2] = sp.onesBox(v);
        updateProfit();
        break;
    }
    default: {
        auto &a = index == 7 ? c.investment : c.cashOut;
        a[3] = sp.onesBox(v);
        updateProfit();
        break;
    }
    }
}

// ---- store, category, model ----

void CardEditor::setStore(const QString &store) {
    if (store != m_card.store) m_card.category = 0;
    m_card.store = store;
}

void CardEditor::setModel(const QString &model) {
    m_card.model = model;
}

void CardEditor::setCategory(int option) {
    m_card.category = option >= 1 && option <= 5 ? option : 0;
}

void CardEditor::setDayType(int option) {
    m_card.dayType = option >= 1 && option <= dayTypes().size() ? option : 0;
}

void CardEditor::setImpression(const QString &impression) {
    m_card.impression = impression.left(160);
}

// ---- registration ----

CardEditor::Registration CardEditor::registerCard() {
    Registration r;
    if (isIncomplete(m_card)) return r;
    if (!dateIsValid()) {
        r.outcome = Registration::Outcome::BadDate;
        return r;
    }
    // Play boxes that cannot be stored stop the card too, before anything is written.
    PlayInputs play;
    try {
        play = checkedPlayInputs();
    } catch (const StoreError &e) {
        r.outcome = Registration::Outcome::Refused;
        r.error = e;
        return r;
    }
    // Empty boxes remove the rows only of a card that had some.
    const bool playChanges = !play.isEmpty() || m_storedPlay.has_value();
    if (playChanges && !m_db && m_makeDb) m_db = m_makeDb();
    std::optional<StoreError> playProblem;
    if (playChanges && !playReady())
        playProblem = StoreError(StoreError::Kind::Io, PlayDatabase::fileName(), playUnavailable());
    std::optional<qint64> pending;

    CardControls filled = withBlanksFilled(m_card);
    filled.impression.replace(u'\n', u"\r\n"_s);
    try {
        DiaryFile diary(*m_folder, m_diaryFile);
        const int count = diary.count();
        if (auto problem = cardPlaceProblem(m_number, count, isNewCard()))
            throw StoreError(StoreError::Kind::Invalid, diary.fileName(), *problem);
        const CardRecord card = cardFromControls(filled);
        // A character the code page lacks is refused, naming the field, before any file
        // is written.
        const QByteArray bytes = card.record().toBytes();
        if (playReady()) {
            // The rows are told first, so that a crash between the two writes can be
            // finished or undone at the next open.
            try {
                const PlayChange change =
                    PlayChange::forCardWrite(m_diaryFile, diaryKeys(count), m_number, bytes.constData(),
                                             playChanges ? std::optional(play) : std::nullopt);
                if (!change.isEmpty())
                    pending = m_db->prepare(
                        change, DiaryExpectation::cardWritten(
                                    m_number, bytes, qint64(std::max(count, m_number)) * bytes.size()));
            } catch (const StoreError &e) {
                // The card itself still goes in; rows left behind are set aside as
                // detached at the next open, to be attached again.
                if (playChanges)
                    playProblem = e;
                else
                    r.problems << e;
            }
        }
        try {
            diary.write(m_number, card);
        } catch (const StoreError &) {
            try {
                if (pending) m_db->abandon(*pending);
            } catch (const StoreError &) {
                // Still pending: the next open finds the diary unchanged and drops it.
            }
            throw;
        }
        if (pending) {
            try {
                m_db->commit(*pending);
            } catch (const StoreError &e) {
                r.problems << e; // left pending: the next open finishes it
            }
        }
        if (m_keys) {
            if (m_keys->count() == count)
                m_keys->set(m_number, bytes.constData());
            else
                m_keys.reset();
        }
        r.appended = m_number == count + 1;
        m_count = std::max(count, m_number);
    } catch (const StoreError &e) {
        r.outcome = Registration::Outcome::Refused;
        r.error = e;
        return r;
    }
    r.outcome = Registration::Outcome::Written;
    if (playProblem) {
        r.notices << u"稼働データは保存されませんでした。%1"_s.arg(playProblem->message());
    } else if (playChanges) {
        m_storedPlay = play.isEmpty() ? std::nullopt : std::optional(play);
        showPlay(play);
    }

    // The boxes show what was stored: blanks filled, names as the files hold them.
    const QString typedStore = trimRight(m_card.store);
    const QString typedModel = trimRight(m_card.model);
    m_card.start[0] = filled.start[0];
    m_card.end[0] = filled.end[0];
    m_card.investment = filled.investment;
    m_card.cashOut = filled.cashOut;
    updateProfit();
    m_card.store = storedStoreName(typedStore);
    m_card.model = storedModelName(typedModel);
    if (trimRight(toFullWidth(typedStore)).size() > 10)
        r.notices << u"店名は10文字までです。「%1」として登録しました。"_s.arg(m_card.store);
    if (trimRight(toFullWidth(typedModel)).size() > 15)
        r.notices << u"機種名は15文字までです。「%1」として登録しました。"_s.arg(m_card.model);

    if (!typedStore.isEmpty()) {
        try {
            r.addedStore = StoreFile(*m_folder).add(typedStore);
        } catch (const StoreError &e) {
            r.problems << e;
        }
    }
    const CategoryInfo *category = categoryByOption(m_card.category);
    if (category && !typedModel.isEmpty()) {
        try {
            r.addedModel = ModelCatalogue(*m_folder, *category).add(typedModel);
        } catch (const StoreError &e) {
            r.problems << e;
        }
    }
    if (!typedStore.isEmpty() && !typedModel.isEmpty()) {
        try {
            const ModelListFile list(*m_folder, typedStore);
            list.ensure();
            r.modelMissingFromList = !modelListNames(list.lines(), typedModel);
        } catch (const StoreError &e) {
            r.problems << e;
        }
    }
    return r;
}

// The next card starts where the registered one ended, at the same store and date.
void CardEditor::prepareNextCard(const QDate &scrollerDate) {
    const auto end = m_card.end;
    for (int i = 0; i < 4; ++i) {
        m_card.investment[size_t(i)].clear();
        m_card.cashOut[size_t(i)].clear();
    }
    m_card.model.clear();
    m_card.category = 0;
    m_card.dayType = ordinaryDay().option;
    m_card.profit.clear();
    m_profitNegative = false;
    m_card.impression.clear();
    clearPlay();
    m_number = m_count + 1;
    m_state = State::New;
    m_card.year = m_year;
    m_card.start = end;
    m_card.end = end;
    setDate(scrollerDate);
}

void CardEditor::markOrEmpty() {
    switch (m_state) {
    case State::Stored: {
        DiaryFile diary(*m_folder, m_diaryFile);
        diary.setCandidate(m_number, true);
        m_card.year = diary.readOrBlank(m_number).field(CardRecord::VisitDate).left(4);
        m_state = State::Candidate;
        break;
    }
    case State::Candidate:
        DiaryFile(*m_folder, m_diaryFile).setCandidate(m_number, false);
        m_card.year = m_year;
        m_state = State::Stored;
        break;
    case State::New:
        for (int i = 0; i < 4; ++i) {
            m_card.start[size_t(i)].clear();
            m_card.end[size_t(i)].clear();
            m_card.investment[size_t(i)].clear();
            m_card.cashOut[size_t(i)].clear();
        }
        m_card.store.clear();
        m_card.model.clear();
        m_card.category = 0;
        m_card.profit.clear();
        m_profitNegative = false;
        m_card.impression.clear();
        clearPlay();
        break;
    }
}

std::optional<StoreError> CardEditor::afterOrganise(int newCardNumber, const QDate &today) {
    m_count = newCardNumber - 1;
    std::optional<StoreError> error = show(newCardNumber, today);
    m_card.start = m_card.end;
    m_card.model.clear();
    m_card.profit.clear();
    m_profitNegative = false;
    m_card.impression.clear();
    m_card.category = 0;
    clearPlay();
    return error;
}

// ---- play data ----

void CardEditor::setPlayDatabase(PlayDatabase *db) {
    m_db = db;
}

QString CardEditor::playUnavailable() const {
    if (!m_db) return m_makeDb ? QString() : u"稼働データのデータベースが開かれていません。"_s;
    if (!m_db->isOpen())
        return m_db->reason().isEmpty()
                   ? u"稼働データのデータベース「%1」を開けませんでした。"_s.arg(PlayDatabase::fileName())
                   : m_db->reason();
    return {};
}

void CardEditor::setPlayText(PlayBox box, const QString &text) {
    m_playText[size_t(box)] = text;
}

void CardEditor::stepPlay(PlayBox box, int delta) {
    if (box == PlayBox::Machine) return;
    const qint64 most = mostOf(box);
    const qint64 n = std::clamp(countOf(playText(box), nullptr, most).value_or(0) + delta, qint64(0), most);
    m_playText[size_t(box)] = QString::number(n);
}

PlayInputs CardEditor::playInputs() const {
    auto count = [this](PlayBox box) {
        const std::optional<qint64> n = countOf(playText(box), nullptr, mostOf(box));
        return n && *n <= mostOf(box) ? n : std::nullopt;
    };
    PlayInputs p;
    p.spins = count(PlayBox::Spins);
    p.ownBalls = count(PlayBox::OwnBalls);
    p.hits = count(PlayBox::Hits);
    p.machine = trim(playText(PlayBox::Machine));
    p.chodamaUsed = count(PlayBox::ChodamaUsed);
    p.chodamaDeposited = count(PlayBox::ChodamaDeposited);
    return p;
}

PlayInputs CardEditor::checkedPlayInputs() const {
    PlayInputs p;
    const std::pair<PlayBox, std::optional<qint64> *> counts[] = {
        {PlayBox::Spins, &p.spins},
        {PlayBox::OwnBalls, &p.ownBalls},
        {PlayBox::Hits, &p.hits},
        {PlayBox::ChodamaUsed, &p.chodamaUsed},
        {PlayBox::ChodamaDeposited, &p.chodamaDeposited}};
    for (const auto &[box, count] : counts) {
        const size_t i = size_t(box);
        bool bad = false;
        *count = countOf(m_playText[i], &bad, mostOf(box));
        if (bad)
            throw StoreError(StoreError::Kind::Invalid, QString(),
                             u"%1は 0 から %2 までの整数で入力してください（「%3」）。"_s.arg(
                                 kPlayBoxNames[i], QString::number(mostOf(box)), trim(m_playText[i])));
    }
    p.machine = trim(playText(PlayBox::Machine));
    validatePlayInputs(p);
    return p;
}

void CardEditor::clearPlay() {
    m_playText = {};
    m_storedPlay.reset();
}

void CardEditor::showPlay(const PlayInputs &play) {
    auto text = [](const std::optional<qint64> &n) { return n ? QString::number(*n) : QString(); };
    m_playText = {text(play.spins), text(play.ownBalls),    text(play.hits),
                  play.machine,     text(play.chodamaUsed), text(play.chodamaDeposited)};
}

const DiaryKeys &CardEditor::diaryKeys(int count) {
    if (!m_keys || m_keys->count() != count) m_keys = DiaryKeys::ofDiary(*m_folder, m_diaryFile);
    return *m_keys;
}

CardKey CardEditor::keyOf(int n, const QByteArray &fingerprint) {
    CardKey key = diaryKeys(m_count).key(n);
    if (key.fingerprint != fingerprint) { // changed by another program since read
        m_keys.reset();
        key = diaryKeys(m_count).key(n);
    }
    return key;
}

void CardEditor::loadPlay(const QByteArray &record) {
    if (!playReady()) return;
    // Most cards have no play data: the diary's keys are worked out only for one that may.
    const QByteArray fingerprint = cardFingerprint(record);
    if (!m_db->hasFingerprint(m_diaryFile, fingerprint)) return;
    m_storedPlay = m_db->play(m_diaryFile, keyOf(m_number, fingerprint));
    if (m_storedPlay) showPlay(*m_storedPlay);
}

CardRecord CardEditor::shownRecord() const {
    return cardFromControls(withBlanksFilled(m_card));
}

// The terms and 機種スペック are looked up here, by the date, store and model the boxes show.
PlayFigures CardEditor::playFigures() const {
    PlayFiguresInput in;
    in.investment = amountFromDigits(list(m_card.investment));
    in.cashOut = amountFromDigits(list(m_card.cashOut));
    in.play = playInputs();
    if (playReady()) {
        const CardRecord shown = shownRecord();
        if (const std::optional<QDate> d = date())
            in.terms = m_db->termsOn(trim(shown.field(CardRecord::StoreName)), *d);
        if (m_card.category)
            in.modelSpec = m_db->modelSpec(m_card.category, trim(shown.field(CardRecord::ModelName)));
    }
    return tama::playFigures(in);
}

QString CardEditor::playMissingNote() const {
    const PlayFigures f = playFigures();
    if (f.missing == PlayMissing::NoHallTerms && playReady()) {
        const QList<HallTerms> terms = m_db->hallTerms(trim(shownRecord().field(CardRecord::StoreName)));
        const std::optional<QDate> d = date();
        if (!terms.isEmpty() && d && *d < terms.first().from)
            return u"この店の交換条件は %1 からです（この日付のものはありません）"_s.arg(
                terms.first().from.toString(u"yyyy/MM/dd"_s));
    }
    return playMissingText(f.missing);
}

QList<DetachedPlay> CardEditor::detachedPlay() const {
    QList<DetachedPlay> rows;
    if (!playReady()) return rows;
    for (const DetachedPlay &d : m_db->detached())
        if (d.diary == m_diaryFile) rows << d;
    return rows;
}

void CardEditor::attachPlay(qint64 detachedId) {
    if (!playReady())
        throw StoreError(StoreError::Kind::Invalid, PlayDatabase::fileName(),
                         m_db ? m_db->reason() : u"稼働データはまだありません。"_s);
    if (m_state == State::New)
        throw StoreError(StoreError::Kind::Invalid, m_diaryFile,
                         u"稼働データをつなげられるのは登録済みのカードだけです。"_s);
    if (m_storedPlay)
        throw StoreError(StoreError::Kind::Invalid, m_diaryFile,
                         u"カード %1 にはもう稼働データがあります。"_s.arg(m_number));
    const QByteArray record = DiaryFile(*m_folder, m_diaryFile).readOrBlank(m_number).record().toBytes();
    const CardKey key = keyOf(m_number, cardFingerprint(record));
    m_db->attach(detachedId, m_diaryFile, key, m_number);
    m_storedPlay = m_db->play(m_diaryFile, key);
    if (m_storedPlay) showPlay(*m_storedPlay);
}

} // namespace tama
