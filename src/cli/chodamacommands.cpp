// 貯玉 (balls stored at a hall) on the command line: the ledger of a user's halls, and the
// entries made by hand.
#include "context.h"
#include "jsonwriter.h"
#include "textwriter.h"

#include "common/clock.h"
#include "common/text.h"
#include "reports/chodamaledger.h"
#include "store/diary.h"
#include "store/playdata.h"
#include "store/storeerror.h"
#include "store/storefile.h"

#include <QFileInfo>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace tama::cli {

namespace {

const QString kDash = u"-"_s;

// The user as the database keeps it: the diary's user part.
QString userPart(const Context &c) {
    return *diaryUserPart(c.userName());
}

QString lineSource(const ChodamaLine &l) {
    return l.card ? l.diary + u" #"_s + QString::number(l.card) : QString::fromLatin1(l.uid.toHex());
}

void refuse(const Context &c, const QStringList &options, const QString &form) {
    for (const QString &o : options)
        if (c.values.contains(o) || c.flags.contains(o))
            throw UsageError{u"--"_s + o + u" は "_s + form + u" で使います"_s};
}

int listLedger(const Context &c) {
    refuse(c, {u"kind"_s, u"balls"_s, u"date"_s, u"note"_s, u"uid"_s, u"dry-run"_s},
           u"chodama add か remove"_s);
    const QString user = userPart(c);
    const QString store = c.values.contains(u"store"_s) ? trim(c.value(u"store"_s)) : QString();
    // No database yet is no 貯玉 yet; one that is there and cannot be opened is a fault.
    const auto db = std::make_unique<PlayDatabase>(c.folder, PlayDatabase::Mode::ReadOnly);
    const QFileInfo file(c.folder.file(PlayDatabase::fileName()));
    if (!db->isOpen() && (file.exists() || file.isSymLink())) {
        c.errorLine(PlayDatabase::fileName() + u" を開けません: "_s + db->reason());
        return 1;
    }
    const QDate today = clock().today();
    const ChodamaLedger ledger = chodamaLedger(c.folder, *db, user, store, today);
    if (c.has(u"json"_s)) {
        JsonWriter json(c.out);
        json.beginObject();
        json.key(u"user").value(user);
        json.key(u"store");
        if (store.isNull())
            json.null();
        else
            json.value(store);
        json.key(u"valued_on").value(today.toString(Qt::ISODate));
        json.key(u"lines").beginArray();
        for (const ChodamaLine &l : ledger.lines) {
            json.beginObject();
            json.key(u"date").value(l.day.toString(Qt::ISODate));
            json.key(u"store").value(l.store);
            json.key(u"kind").value(chodamaKindName(l.kind));
            json.key(u"balls").value(l.balls);
            json.key(u"fee").value(l.feeBalls);
            json.key(u"change").value(l.change);
            json.key(u"balance").value(l.balance);
            json.key(u"diary");
            if (l.card)
                json.value(l.diary);
            else
                json.null();
            json.key(u"card");
            if (l.card)
                json.value(l.card);
            else
                json.null();
            json.key(u"uid");
            if (l.card)
                json.null();
            else
                json.value(QString::fromLatin1(l.uid.toHex()));
            json.key(u"note").value(l.note);
            json.endObject();
        }
        json.endArray();
        json.key(u"halls").beginArray();
        for (const ChodamaHall &h : ledger.halls) {
            json.beginObject().key(u"store").value(h.store).key(u"balls").value(h.balls).key(u"yen");
            if (h.yen)
                json.value(*h.yen);
            else
                json.null();
            json.endObject();
        }
        json.endArray();
        json.key(u"total_yen").value(ledger.totalYen);
        json.key(u"problems").beginArray();
        for (const QString &p : ledger.problems)
            json.value(p);
        json.endArray();
        json.endObject();
        if (!json.flush()) return c.outputFailed();
    } else {
        // Tab-separated, as the other listings; a missing value as "-".
        TextWriter out(c.out);
        out.line(u"日付\t店名\t種類\t玉数\t手数料\t増減\t残高\t元\tメモ"_s);
        for (const ChodamaLine &l : ledger.lines)
            out.line(l.day.toString(Qt::ISODate) + u'\t' + l.store + u'\t' + chodamaKindName(l.kind) + u'\t' +
                     QString::number(l.balls) + u'\t' + QString::number(l.feeBalls) + u'\t' +
                     QString::number(l.change) + u'\t' + QString::number(l.balance) + u'\t' + lineSource(l) +
                     u'\t' + (l.note.isEmpty() ? kDash : l.note));
        out.line(QString());
        out.line(u"店名\t残高\t円（"_s + today.toString(Qt::ISODate) + u" の交換条件）"_s);
        for (const ChodamaHall &h : ledger.halls)
            out.line(h.store + u'\t' + QString::number(h.balls) + u'\t' +
                     (h.yen ? QString::number(*h.yen) : u"-（交換条件なし）"_s));
        out.line(u"合計\t\t"_s + QString::number(ledger.totalYen));
        if (!out.flush()) return c.outputFailed();
    }
    for (const QString &p : ledger.problems)
        c.errorLine(p);
    if (!db->readError().isEmpty()) return 1;
    return ledger.problems.isEmpty() ? 0 : 1;
}

ChodamaEntry entryOf(const Context &c) {
    ChodamaEntry e;
    e.user = userPart(c);
    e.store = trim(c.required(u"store"_s));
    const QString kindText = c.required(u"kind"_s);
    const std::optional<ChodamaKind> kind = chodamaKindFromName(kindText);
    if (!kind)
        throw UsageError{
            u"--kind は deposit|replay|settle|adjust（預け入れ|再プレイ|精算|調整）のどれかです: "_s +
            kindText};
    e.kind = *kind;
    const QString balls = c.required(u"balls"_s);
    static const QRegularExpression number(u"^[-+]?[0-9]{1,9}$"_s);
    if (!number.match(balls).hasMatch())
        throw UsageError{u"--balls は玉数を整数で指定してください: "_s + balls};
    e.balls = balls.toLongLong();
    if (c.values.contains(u"date"_s)) {
        const QString date = c.value(u"date"_s);
        static const QRegularExpression isoDate(u"^[0-9]{4}-[0-9]{2}-[0-9]{2}$"_s);
        e.day = QDate::fromString(date, Qt::ISODate);
        if (!isoDate.match(date).hasMatch() || !e.day.isValid())
            throw UsageError{u"--date は日付（YYYY-MM-DD）で指定してください: "_s + date};
    } else {
        e.day = clock().today();
    }
    e.note = c.value(u"note"_s);
    try {
        validateChodamaEntry(e);
    } catch (const StoreError &err) {
        throw UsageError{err.reason()};
    }
    QStringList stores;
    for (const QString &s : StoreFile(c.folder, true).list())
        stores.append(trim(s));
    if (!stores.contains(e.store))
        throw UsageError{u"店の一覧（"_s + StoreFile::fileName() + u"）にない店です: "_s + e.store};
    return e;
}

// The database under the folder's lock, after the day's snapshot; null when refused (said).
std::unique_ptr<PlayDatabase> openLocked(const Context &c, std::optional<WriteLock> &lock) {
    lock.emplace(c);
    if (!lock->held()) {
        c.errorLine(lock->refusal(u"終了してから保存してください。"_s));
        return nullptr;
    }
    writehook::beforeWrite(c.folder.file(PlayDatabase::fileName()));
    auto db = std::make_unique<PlayDatabase>(c.folder, PlayDatabase::Mode::ReadWrite);
    if (db->isOpen()) return db;
    c.errorLine(PlayDatabase::fileName() + u" を開けないため、保存しませんでした: "_s + db->reason());
    return nullptr;
}

QString entryText(const ChodamaEntry &e) {
    return e.day.toString(Qt::ISODate) + u'\t' + e.store + u'\t' + chodamaKindName(e.kind) + u'\t' +
           QString::number(e.balls) + u'\t' + (e.note.isEmpty() ? kDash : e.note);
}

int addEntry(const Context &c) {
    refuse(c, {u"uid"_s, u"json"_s}, u"chodama か remove"_s);
    const ChodamaEntry e = entryOf(c);
    if (c.has(u"dry-run"_s)) {
        c.line(u"add\t"_s + entryText(e));
        c.line(u"貯玉の記録を加えます（--dry-run のため保存していません）。"_s);
        return 0;
    }
    std::optional<WriteLock> lock;
    const std::unique_ptr<PlayDatabase> db = openLocked(c, lock);
    if (!db) return 1;
    const ChodamaEntry stored = db->addChodamaEntry(e);
    c.line(u"add\t"_s + entryText(stored) + u'\t' + QString::fromLatin1(stored.uid.toHex()));
    return c.reportDone(u"貯玉の記録を加えました。"_s);
}

int removeEntry(const Context &c) {
    refuse(c, {u"store"_s, u"kind"_s, u"balls"_s, u"date"_s, u"note"_s, u"json"_s}, u"chodama add"_s);
    const QString hex = c.required(u"uid"_s);
    static const QRegularExpression uid(u"^[0-9a-fA-F]{32}$"_s);
    if (!uid.match(hex).hasMatch())
        throw UsageError{u"--uid は記録の番号（16進32桁、chodama の「元」の欄）で指定してください: "_s + hex};
    const QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
    std::optional<ChodamaEntry> found;
    if (QFileInfo::exists(c.folder.file(PlayDatabase::fileName())))
        found = PlayDatabase(c.folder, PlayDatabase::Mode::ReadOnly).chodamaEntry(bytes);
    // --user, when given, guards against removing another player's entry.
    if (found && c.values.contains(u"user"_s) && found->user != userPart(c)) found.reset();
    if (!found) {
        c.errorLine(u"その貯玉の記録はありません: "_s + hex);
        return 1;
    }
    c.line(u"remove\t"_s + entryText(*found));
    if (c.has(u"dry-run"_s)) {
        c.line(u"貯玉の記録を消します（--dry-run のため保存していません）。"_s);
        return 0;
    }
    std::optional<WriteLock> lock;
    const std::unique_ptr<PlayDatabase> db = openLocked(c, lock);
    if (!db) return 1;
    db->removeChodamaEntry(bytes);
    return c.reportDone(u"貯玉の記録を消しました。"_s);
}

} // namespace

int chodamaCommand(const Context &c) {
    const QString form = c.arguments.value(0);
    if (form.isEmpty()) return listLedger(c);
    if (form == u"add"_s) return addEntry(c);
    if (form == u"remove"_s) return removeEntry(c);
    throw UsageError{u"chodama の後に置けるのは add か remove だけです: "_s + form};
}

} // namespace tama::cli
