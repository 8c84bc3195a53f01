// The play data of cards, the halls' exchange terms and the models' 機種スペック: kept in the
// database beside the old files, listed and set from the command line.
#include "context.h"
#include "jsonwriter.h"
#include "playcolumn.h"

#include "common/text.h"
#include "store/catalogue.h"
#include "store/category.h"
#include "store/diary.h"
#include "store/storeerror.h"
#include "store/storefile.h"
#include "store/writehook.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QLocale>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace tama::cli {

qint64 hundredthsOf(double value) {
    return roundYen(value * 100); // halves away from zero, as the yen
}

std::unique_ptr<PlayDatabase> openForReading(const Context &c, const QString &consequence) {
    const QFileInfo file(c.folder.file(PlayDatabase::fileName()));
    if (!file.exists() && !file.isSymLink()) return nullptr;
    auto db = std::make_unique<PlayDatabase>(c.folder, PlayDatabase::Mode::ReadOnly);
    if (!db->isOpen())
        c.errorLine(PlayDatabase::fileName() + u" を開けません: "_s + db->reason() + consequence);
    return db;
}

bool readFailed(const Context &c, const PlayDatabase &db, const QString &consequence) {
    if (db.readError().isEmpty()) return false;
    c.errorLine(PlayDatabase::fileName() + u" を読めません: "_s + db.readError() + consequence);
    return true;
}

PlayColumn::PlayColumn(const Context &c, const QString &diaryFile) {
    const QString consequence = u"（カードの稼働データは null にします）"_s;
    const std::unique_ptr<PlayDatabase> db = openForReading(c, consequence);
    if (!db || !db->isOpen() || !QFileInfo::exists(c.folder.file(diaryFile))) return;
    try {
        m_rows = db->playOfDiary(diaryFile);
        if (m_rows.isEmpty()) {
            readFailed(c, *db, consequence);
            return;
        }
        m_keys = DiaryKeys::ofDiary(c.folder, diaryFile);
        m_lookup = PlayLookup(*db);
        // Terms or 機種スペック that could not be read would show as missing, which they are not.
        if (readFailed(c, *db, consequence)) m_rows.clear();
    } catch (const StoreError &e) {
        m_rows.clear();
        c.errorLine(e.message() + consequence);
    }
}

std::optional<PlayInputs> PlayColumn::playOf(int n) const {
    if (n < 1 || n > m_keys.count()) return std::nullopt;
    const auto it = m_rows.constFind(m_keys.key(n));
    return it == m_rows.cend() ? std::nullopt : std::optional(*it);
}

void PlayColumn::write(JsonWriter &json, int n, const CardRecord &card) const {
    json.key(u"play");
    const std::optional<PlayInputs> play = playOf(n);
    if (!play) {
        json.null();
        return;
    }
    auto count = [&json](QStringView key, const std::optional<qint64> &v) {
        json.key(key);
        if (v)
            json.value(*v);
        else
            json.null();
    };
    json.beginObject();
    count(u"spins", play->spins);
    count(u"own_balls", play->ownBalls);
    count(u"hits", play->hits);
    json.key(u"machine");
    if (play->machine.isEmpty())
        json.null();
    else
        json.value(play->machine);
    // Only on cards with 貯玉, so that the output of cards without it stays as it was.
    if (play->chodamaUsed || play->chodamaDeposited) {
        count(u"chodama_used", play->chodamaUsed);
        count(u"chodama_deposited", play->chodamaDeposited);
    }

    const PlayFigures f = playFiguresOf(card, *play, m_lookup);
    const QStringView figures[] = {u"spin_rate",  u"border_equal",   u"border_cash",
                                   u"border_gap", u"expected_value", u"luck"};
    if (f.complete()) {
        const qint64 rate = hundredthsOf(f.spinRate), cash = hundredthsOf(f.borderCash);
        json.key(figures[0]).hundredths(rate);
        json.key(figures[1]).hundredths(hundredthsOf(f.borderEqual));
        json.key(figures[2]).hundredths(cash);
        // The gap of the two figures as written, so that the three agree to the last digit.
        json.key(figures[3]).hundredths(rate - cash);
        json.key(figures[4]).value(f.expectedValue);
        json.key(figures[5]).value(f.luck);
        json.key(u"missing").null();
    } else {
        for (QStringView key : figures)
            json.key(key).null();
        json.key(u"missing").value(playMissingCode(f.missing));
    }
    json.endObject();
}

namespace {

const QString kDash = u"-"_s;

QString numberText(double v) {
    return QLocale::c().toString(v, 'g', 10);
}

QString optionalText(const std::optional<double> &v) {
    return v ? numberText(*v) : kDash;
}

QString countText(const std::optional<qint64> &v) {
    return v ? QString::number(*v) : kDash;
}

QString twoDecimals(double v) {
    return QString::number(double(hundredthsOf(v)) / 100, 'f', 2);
}

// A count of balls or spins: a whole number from 0 to the most one visit holds.
std::optional<qint64> countOption(const Context &c, const QString &name, qint64 most = kMaxPlayCount) {
    if (!c.values.contains(name)) return std::nullopt;
    const QString text = c.value(name);
    static const QRegularExpression digits(u"^[0-9]{1,9}$"_s);
    if (!digits.match(text).hasMatch() || text.toLongLong() > most)
        throw UsageError{u"--"_s + name + u" は 0 から "_s + QString::number(most) +
                         u" までの整数で指定してください: "_s + text};
    return text.toLongLong();
}

// A price, a rate or a probability: digits with an optional decimal part.
std::optional<double> decimalOption(const Context &c, const QString &name) {
    if (!c.values.contains(name)) return std::nullopt;
    const QString text = c.value(name);
    static const QRegularExpression decimal(u"^[0-9]{1,9}(\\.[0-9]{1,9})?$"_s);
    if (!decimal.match(text).hasMatch())
        throw UsageError{u"--"_s + name + u" は数（例 4、0.5、27.5）で指定してください: "_s + text};
    return QLocale::c().toDouble(text);
}

double requiredDecimal(const Context &c, const QString &name) {
    c.required(name);
    return *decimalOption(c, name);
}

// Options that only the set form of a listing command takes.
void refuseOutsideSet(const Context &c, const QStringList &values) {
    for (const QString &v : values)
        if (c.values.contains(v))
            throw UsageError{u"--"_s + v + u" は "_s + c.command + u" set で使います"_s};
    if (c.has(u"yes"_s)) throw UsageError{u"--yes は "_s + c.command + u" set で使います"_s};
}

// Whether the command is the set form; anything else after the command is refused.
bool isSetForm(const Context &c) {
    if (c.arguments.isEmpty()) return false;
    if (c.arguments.first() != u"set"_s)
        throw UsageError{c.command + u" の後に置けるのは set だけです: "_s + c.arguments.first()};
    if (c.has(u"json"_s)) throw UsageError{u"--json は一覧を出すときに使います"_s};
    return true;
}

// A value the data rules refuse, said as a usage error: nothing was stored.
template <typename T> void validated(void (*validate)(const T &), const T &value) {
    try {
        validate(value);
    } catch (const StoreError &e) {
        throw UsageError{e.reason()};
    }
}

// The database of a writing command under its lock, after the day's snapshot; null when
// it cannot be opened (said on stderr).
std::unique_ptr<PlayDatabase> openForWriting(const Context &c) {
    writehook::beforeWrite(c.folder.file(PlayDatabase::fileName()));
    auto db = std::make_unique<PlayDatabase>(c.folder, PlayDatabase::Mode::ReadWrite);
    if (db->isOpen()) return db;
    c.errorLine(PlayDatabase::fileName() + u" を開けないため、保存しませんでした: "_s + db->reason());
    return nullptr;
}

// A setting command's database: under the folder lock for --yes (false when refused, said
// on stderr), otherwise read-only for the dry run (null when there is none).
bool openForSetting(const Context &c, bool write, std::optional<WriteLock> &lock,
                    std::unique_ptr<PlayDatabase> &db) {
    if (!write) {
        db = openForReading(c, QString());
        return true;
    }
    lock.emplace(c);
    if (!lock->held()) {
        c.errorLine(lock->refusal(u"終了してから保存してください。"_s));
        return false;
    }
    db = openForWriting(c);
    return db != nullptr;
}

QString termsLine(const HallTerms &t) {
    return t.store + u'\t' + t.from.toString(Qt::ISODate) + u'\t' + numberText(t.lend) + u'\t' +
           numberText(t.exchange) + u'\t' + twoDecimals(t.yenPerBall()) + u'\t' + optionalText(t.feePercent);
}

// 等価ボーダー at 4 yen a ball, worked out as a card's figures are.
std::optional<double> borderAtFourYen(const ModelSpec &modelSpec) {
    PlayFiguresInput in;
    in.investment = 1000;
    in.play.spins = 1;
    HallTerms equal;
    equal.lend = 4;
    equal.exchange = 25;
    in.terms = equal;
    in.modelSpec = modelSpec;
    const PlayFigures f = playFigures(in);
    return f.complete() ? std::optional(f.borderEqual) : std::nullopt;
}

QString specLine(const ModelSpec &s) {
    const CategoryInfo *category = categoryByOption(s.category);
    const std::optional<double> equal = borderAtFourYen(s);
    return (category ? category->caption : QString::number(s.category)) + u'\t' + s.model + u'\t' +
           (s.probability ? u"1/"_s + numberText(*s.probability) : kDash) + u'\t' + optionalText(s.payout) +
           u'\t' + optionalText(s.border) + u'\t' + (equal ? twoDecimals(*equal) : kDash);
}

QJsonValue optionalJson(const std::optional<double> &v) {
    return v ? QJsonValue(*v) : QJsonValue();
}

QStringList trimmed(const QStringList &names) {
    QStringList out;
    for (const QString &n : names)
        out.append(trim(n));
    return out;
}

int hallsTermsSet(const Context &c) {
    HallTerms terms;
    terms.store = trim(c.required(u"store"_s));
    const QString from = c.required(u"from"_s);
    static const QRegularExpression isoDate(u"^[0-9]{4}-[0-9]{2}-[0-9]{2}$"_s);
    terms.from = QDate::fromString(from, Qt::ISODate);
    if (!isoDate.match(from).hasMatch() || !terms.from.isValid())
        throw UsageError{u"--from は日付（YYYY-MM-DD）で指定してください: "_s + from};
    terms.lend = requiredDecimal(c, u"lend"_s);
    terms.exchange = requiredDecimal(c, u"exchange"_s);
    terms.feePercent = decimalOption(c, u"fee"_s);
    if (!trimmed(StoreFile(c.folder, true).list()).contains(terms.store))
        throw UsageError{u"店の一覧（"_s + StoreFile::fileName() + u"）にない店です: "_s + terms.store};
    validated(validateHallTerms, terms);

    const bool write = c.has(u"yes"_s);
    std::optional<WriteLock> lock;
    std::unique_ptr<PlayDatabase> db;
    if (!openForSetting(c, write, lock, db)) return 1;
    std::optional<HallTerms> before;
    if (db && db->isOpen())
        for (const HallTerms &t : db->hallTerms(terms.store))
            if (t.from == terms.from) before = t;
    if (db && readFailed(c, *db, QString())) return 1;

    if (before) c.line(u"old\t"_s + termsLine(*before));
    c.line(u"new\t"_s + termsLine(terms));
    const QString what = terms.store + u" の "_s + terms.from.toString(Qt::ISODate) + u" からの交換条件"_s;
    if (before && before->lend == terms.lend && before->exchange == terms.exchange &&
        before->feePercent == terms.feePercent) {
        c.line(what + u"は変わりません。"_s);
        return 0;
    }
    const QString summary = what + (before ? u"を置き換え"_s : u"を加え"_s);
    if (!write) {
        c.line(summary + u"ます。--yes を付けると保存します。"_s);
        return 0;
    }
    db->setHallTerms(terms);
    return c.reportDone(summary + u"ました。"_s);
}

int modelSpecsSet(const Context &c) {
    const CategoryInfo &category = c.category();
    ModelSpec modelSpec;
    modelSpec.category = category.option;
    modelSpec.model = trim(c.required(u"model"_s));
    modelSpec.probability = decimalOption(c, u"prob"_s);
    modelSpec.payout = decimalOption(c, u"payout"_s);
    modelSpec.border = decimalOption(c, u"border"_s);
    if (modelSpec.border ? (modelSpec.probability || modelSpec.payout)
                         : !(modelSpec.probability && modelSpec.payout))
        throw UsageError{u"--prob と --payout の組か、--border のどちらかを指定してください"_s};
    const ModelCatalogue catalogue(c.folder, category, true);
    if (!trimmed(catalogue.list()).contains(modelSpec.model))
        throw UsageError{category.caption + u" の機種の一覧（"_s + QFileInfo(catalogue.path()).fileName() +
                         u"）にない機種です: "_s + modelSpec.model};
    validated(validateModelSpec, modelSpec);

    const bool write = c.has(u"yes"_s);
    std::optional<WriteLock> lock;
    std::unique_ptr<PlayDatabase> db;
    if (!openForSetting(c, write, lock, db)) return 1;
    const std::optional<ModelSpec> before =
        db && db->isOpen() ? db->modelSpec(modelSpec.category, modelSpec.model) : std::nullopt;
    if (db && readFailed(c, *db, QString())) return 1;

    if (before) c.line(u"old\t"_s + specLine(*before));
    c.line(u"new\t"_s + specLine(modelSpec));
    const QString what = category.caption + u" の "_s + modelSpec.model + u" のスペック"_s;
    if (before && before->probability == modelSpec.probability && before->payout == modelSpec.payout &&
        before->border == modelSpec.border) {
        c.line(what + u"は変わりません。"_s);
        return 0;
    }
    const QString summary = what + (before ? u"を置き換え"_s : u"を加え"_s);
    if (!write) {
        c.line(summary + u"ます。--yes を付けると保存します。"_s);
        return 0;
    }
    db->setModelSpec(modelSpec);
    return c.reportDone(summary + u"ました。"_s);
}

// The status of a listing of the database itself: one that cannot be opened is a fault.
int listingStatus(const Context &c, const std::unique_ptr<PlayDatabase> &db) {
    if (!db) return 0;
    return db->isOpen() && !readFailed(c, *db, QString()) ? 0 : 1;
}

} // namespace

int playCommand(const Context &c) {
    const QString fileName = c.diaryFileName();
    const QString cardText = c.required(u"card"_s);
    static const QRegularExpression number(u"^[0-9]{1,9}$"_s);
    const int n = number.match(cardText).hasMatch() ? cardText.toInt() : 0;
    if (n < 1) throw UsageError{u"--card はカードの番号（1 から）で指定してください: "_s + cardText};

    const bool clear = c.has(u"clear"_s);
    const std::optional<qint64> spins = countOption(c, u"spins"_s);
    const std::optional<qint64> ownBalls = countOption(c, u"own-balls"_s);
    const std::optional<qint64> hits = countOption(c, u"hits"_s);
    const std::optional<QString> machine =
        c.values.contains(u"machine"_s) ? std::optional(trim(c.value(u"machine"_s))) : std::nullopt;
    const std::optional<qint64> chodamaUsed = countOption(c, u"chodama-used"_s, kMaxChodamaBalls);
    const std::optional<qint64> chodamaDeposited = countOption(c, u"chodama-deposited"_s, kMaxChodamaBalls);
    const bool given = spins || ownBalls || hits || machine || chodamaUsed || chodamaDeposited;
    if (clear && given) throw UsageError{u"--clear と値は一緒に使えません"_s};
    if (!clear && !given)
        throw UsageError{u"--spins、--own-balls、--hits、--machine、--chodama-used、--chodama-deposited の"
                         u"どれかか --clear を指定してください"_s};
    auto apply = [&](PlayInputs p) {
        if (clear) return PlayInputs{};
        if (spins) p.spins = spins;
        if (ownBalls) p.ownBalls = ownBalls;
        if (hits) p.hits = hits;
        if (machine) p.machine = *machine;
        if (chodamaUsed) p.chodamaUsed = chodamaUsed;
        if (chodamaDeposited) p.chodamaDeposited = chodamaDeposited;
        return p;
    };
    validated(validatePlayInputs, apply(PlayInputs{}));

    if (!QFileInfo::exists(c.folder.file(fileName))) {
        c.errorLine(u"日記ファイルがありません: "_s + fileName);
        return 1;
    }
    const int cards = DiaryFile(c.folder, fileName, RecordFile::Mode::ReadOnly).count();
    if (n > cards)
        throw UsageError{u"--card: "_s + fileName + u" にカード "_s + cardText + u" はありません（"_s +
                         QString::number(cards) + u" 枚）"_s};

    const bool write = c.has(u"yes"_s);
    std::optional<WriteLock> lock;
    std::unique_ptr<PlayDatabase> db;
    if (!openForSetting(c, write, lock, db)) return 1;
    std::optional<CardKey> key;
    PlayInputs before;
    if (db && db->isOpen()) {
        const DiaryKeys keys = DiaryKeys::ofDiary(c.folder, fileName);
        if (n > keys.count()) {
            c.errorLine(fileName + u": 読んでいる間にカードの数が変わりました。もう一度試してください"_s);
            return 1;
        }
        key = keys.key(n);
        before = db->play(fileName, *key).value_or(PlayInputs{});
        if (readFailed(c, *db, QString())) return 1;
    }
    const PlayInputs after = apply(before);

    auto show = [&](const QString &label, const QString &from, const QString &to) {
        c.line(label + u'\t' + from + u"\t→\t"_s + to);
    };
    show(u"通常回転数"_s, countText(before.spins), countText(after.spins));
    show(u"持ち玉"_s, countText(before.ownBalls), countText(after.ownBalls));
    show(u"大当たり回数"_s, countText(before.hits), countText(after.hits));
    show(u"台番号"_s, before.machine.isEmpty() ? kDash : before.machine,
         after.machine.isEmpty() ? kDash : after.machine);
    show(u"貯玉再プレイ"_s, countText(before.chodamaUsed), countText(after.chodamaUsed));
    show(u"貯玉預け入れ"_s, countText(before.chodamaDeposited), countText(after.chodamaDeposited));
    const QString what = fileName + u" のカード "_s + QString::number(n) + u" の稼働データ"_s;
    if (before == after) {
        c.line(what + u"は変わりません。"_s);
        return 0;
    }
    const QString summary = what + (after.isEmpty() ? u"を消し"_s : u"を保存し"_s);
    if (!write) {
        c.line(summary + u"ます。--yes を付けると書き込みます。"_s);
        return 0;
    }
    db->setPlay(fileName, *key, after, n);
    return c.reportDone(summary + u"ました。"_s);
}

int hallsTermsCommand(const Context &c) {
    if (isSetForm(c)) return hallsTermsSet(c);
    refuseOutsideSet(c, {u"store"_s, u"from"_s, u"lend"_s, u"exchange"_s, u"fee"_s});
    const std::unique_ptr<PlayDatabase> db = openForReading(c, QString());
    const QList<HallTerms> list = db && db->isOpen() ? db->hallTerms() : QList<HallTerms>();
    const QStringList stores = trimmed(StoreFile(c.folder, true).list());
    if (c.has(u"json"_s)) {
        QJsonArray array;
        for (const HallTerms &t : list)
            array.append(QJsonObject{{u"store"_s, t.store},
                                     {u"from"_s, t.from.toString(Qt::ISODate)},
                                     {u"lend"_s, t.lend},
                                     {u"exchange"_s, t.exchange},
                                     {u"yen_per_ball"_s, double(hundredthsOf(t.yenPerBall())) / 100},
                                     {u"fee"_s, optionalJson(t.feePercent)},
                                     {u"unused"_s, !stores.contains(t.store)}});
        c.json({{u"terms"_s, array}});
    } else {
        c.line(u"店名\t適用開始\t貸玉料金\t交換率\t1玉の価値\t手数料"_s);
        for (const HallTerms &t : list)
            c.line(termsLine(t) + (stores.contains(t.store) ? QString() : u"\t(店の一覧にない店)"_s));
    }
    return listingStatus(c, db);
}

int modelSpecsCommand(const Context &c) {
    if (isSetForm(c)) return modelSpecsSet(c);
    refuseOutsideSet(c, {u"category"_s, u"model"_s, u"prob"_s, u"payout"_s, u"border"_s});
    const std::unique_ptr<PlayDatabase> db = openForReading(c, QString());
    const QList<ModelSpec> list = db && db->isOpen() ? db->modelSpecs() : QList<ModelSpec>();
    QHash<int, QStringList> catalogues; // read once per category
    auto unused = [&](const ModelSpec &s) {
        const CategoryInfo *category = categoryByOption(s.category);
        if (!category) return true;
        if (!catalogues.contains(s.category))
            catalogues.insert(s.category, trimmed(ModelCatalogue(c.folder, *category, true).list()));
        return !catalogues[s.category].contains(s.model);
    };
    if (c.has(u"json"_s)) {
        QJsonArray array;
        for (const ModelSpec &s : list) {
            const CategoryInfo *category = categoryByOption(s.category);
            const std::optional<double> equal = borderAtFourYen(s);
            array.append(QJsonObject{
                {u"category"_s, category ? QJsonValue(category->caption) : QJsonValue(s.category)},
                {u"model"_s, s.model},
                {u"probability"_s, optionalJson(s.probability)},
                {u"payout"_s, optionalJson(s.payout)},
                {u"border"_s, optionalJson(s.border)},
                {u"border_equal"_s, equal ? QJsonValue(double(hundredthsOf(*equal)) / 100) : QJsonValue()},
                {u"unused"_s, unused(s)}});
        }
        c.json({{u"models"_s, array}});
    } else {
        c.line(u"種類\t機種名\t大当たり確率\t平均出玉\tボーダー\t等価ボーダー"_s);
        for (const ModelSpec &s : list)
            c.line(specLine(s) + (unused(s) ? u"\t(機種の一覧にない機種)"_s : QString()));
    }
    return listingStatus(c, db);
}

} // namespace tama::cli
