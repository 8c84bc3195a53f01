#pragma once
// The writing operations of the record store and a small data folder to run them on,
// shared by the fault driver and the fault-injection test.
#include "common/clock.h"
#include "store/backup.h"
#include "store/catalogue.h"
#include "store/datafolder.h"
#include "store/datafolderlock.h"
#include "store/diary.h"
#include "store/importwriter.h"
#include "store/modellist.h"
#include "store/organise.h"
#include "store/playdata.h"
#include "store/storeerror.h"
#include "store/storefile.h"
#include "store/userlist.h"
#include "support/cardbuilder.h"
#include "support/testsupport.h"

#include <QByteArray>
#include <QDir>
#include <QList>
#include <QMap>
#include <QString>

#include <functional>

namespace tama::fault {

using namespace Qt::Literals::StringLiterals;

struct Operation {
    QString name;
    std::function<void(const DataFolder &)> run;
    // Its files change together: after any fault, every one is as before or every one as after.
    bool allOrNothing = false;
};

inline const QString kDiary = u"taro.2026.dat"_s;

inline QByteArray padded(QByteArray bytes, int width, char fill = ' ') {
    return bytes.leftJustified(width, fill, true);
}

// Every file with bytes the program did not write itself (filled reserved fields, a
// candidate card, two stores of one name), so that a rewrite that loses a byte shows.
inline QMap<QString, QByteArray> preparedFolder() {
    const QByteArray ji = "\x8E\xA9", zenkakuSpace = "\x81\x40";
    QByteArray users =
        zenkakuSpace + padded("taro", 18) + ji + padded("hanako", 18) + zenkakuSpace + padded("jiro", 18);

    QByteArray diary;
    const char *dates[] = {"20260110\x93\x79", "20260105\x8C\x8E", "R0260112\x8C\x8E", "R0260117\x93\x79"};
    for (int i = 0; i < 4; ++i) {
        QByteArray card = QByteArray(dates[i]) + "1000" + "1800" + padded("\x82\x60\x82\x61\x82\x62", 20) +
                          "2" + padded("\x82\x62\x82\x71\x82\x50", 30) + "0150" +
                          QByteArray::number(1000 + i) + "111";
        diary += padded(card + "impression " + QByteArray::number(i), 240);
    }

    QByteArray stores;
    const char *names[] = {"\x82\x60\x82\x60\x82\x60", "\x82\x61\x82\x61\x82\x61", "\x82\x62\x82\x62\x82\x62",
                           "\x82\x61\x82\x61\x82\x61"};
    for (int i = 0; i < 4; ++i)
        stores +=
            padded(names[i], 20) + "101010" + QByteArray::number(2000 + i) + padded("reserved", 50, '#');

    QByteArray models;
    const char *modelNames[] = {"\x82\x62\x82\x71\x82\x50", "\x82\x62\x82\x71\x82\x51",
                                "\x82\x62\x82\x71\x82\x52"};
    for (int i = 0; i < 3; ++i)
        models += padded(modelNames[i], 30) + padded("details" + QByteArray::number(i), 130, '9');

    const QByteArray list =
        "# 2\r\n\x82\x60\r\n# 3\r\n# 4\r\n# 5\r\n# 6\r\n\x82\x62\x82\x71\x82\x50\r\n# #\r\n";
    return {{u"namae.dat"_s, users},
            {kDiary, diary},
            {u"patishop.dat"_s, stores},
            {u"CRpati.dat"_s, models},
            {u"ＡＢＢＣＡＢＣ"_s, list}};
}

inline QList<Operation> operations() {
    auto diary = [](const DataFolder &f) { return DiaryFile(f, kDiary); };
    auto cr = [](const DataFolder &f) { return ModelCatalogue(f, *categoryBySection(6)); };
    return {
        {u"append-card"_s,
         [=](const DataFolder &f) {
             DiaryFile d = diary(f);
             test::CardValues c = test::CardValues::blank();
             c.date = u"20260107水"_s;
             c.store = u"ＤＥＦ"_s;
             c.investment = u"0045"_s;
             c.cashOut = u"0000"_s;
             c.impression = u"負けた"_s;
             d.write(d.count() + 1, test::makeCard(c));
         }},
        {u"update-card"_s,
         [=](const DataFolder &f) {
             DiaryFile d = diary(f);
             CardRecord c = *d.read(2);
             c.setField(CardRecord::CashOut, u"0300"_s);
             d.write(2, c);
         }},
        {u"mark-card"_s, [=](const DataFolder &f) { diary(f).setCandidate(1, true); }},
        {u"unmark-card"_s, [=](const DataFolder &f) { diary(f).setCandidate(3, false); }},
        {u"organise-diary"_s, [](const DataFolder &f) { organiseDiary(f, kDiary); }},
        {u"add-user"_s, [](const DataFolder &f) { UserList(f).append(u"saburo"_s); }},
        {u"set-autostart"_s, [](const DataFolder &f) { UserList(f).markUser(u"jiro"_s); }},
        {u"clear-autostart"_s, [](const DataFolder &f) { UserList(f).clearMarks(); }},
        {u"add-store"_s, [](const DataFolder &f) { StoreFile(f).add(u"DEF"_s); }},
        {u"move-store"_s, [](const DataFolder &f) { StoreFile(f).moveToFront(u"ＣＣＣ"_s); }},
        {u"delete-store"_s, [](const DataFolder &f) { StoreFile(f).deleteAt(0); }},
        {u"add-model"_s, [=](const DataFolder &f) { cr(f).add(u"CR456"_s); }},
        {u"delete-model"_s, [=](const DataFolder &f) { cr(f).deleteAt(1); }},
        {u"write-model-list"_s,
         [](const DataFolder &f) {
             ModelListFile(f, u"ABC"_s).write({{u"ＣＲ１"_s, 6}, {u"ＡＡ"_s, 2}, {u"羽根"_s, 3}});
         }},
        // Cards for the diary there and a new one, a new hall and model, play data on one card.
        {u"import"_s,
         [](const DataFolder &f) {
             auto card = [](const QString &date, const QString &store) {
                 test::CardValues c = test::CardValues::blank();
                 c.date = date;
                 c.store = store;
                 c.investment = u"0100"_s;
                 c.cashOut = u"0000"_s;
                 return test::makeCard(c).record().toBytes();
             };
             PlayInputs play;
             play.spins = 321;
             play.machine = u"7"_s;
             ImportBatch b;
             b.source = u"imp.csv"_s;
             b.diaries.append({kDiary, {card(u"20260201日"_s, u"ＤＥＦ"_s)}, {play}});
             b.diaries.append({u"taro.2025.dat"_s,
                               {card(u"20250301土"_s, u"ＤＥＦ"_s), card(u"20250302日"_s, u"ＡＡＡ"_s)},
                               {}});
             b.stores = {u"ＤＥＦ"_s};
             b.models = {{categoryBySection(6)->option, u"ＣＲ４５６"_s}};
             applyImport(f, b);
         },
         true},
    };
}

// A folder for the snapshot operations: the prepared files, a snapshot of them taken on
// 1 January 2026, and then a changed diary and user list, the store file gone and a new
// model list, so that a restore has files to write and one to remove; and the remains of
// a snapshot cut short.
inline void prepareSnapshotFolder(const QString &path) {
    const DataFolder folder(path);
    const QMap<QString, QByteArray> files = preparedFolder();
    for (auto it = files.begin(); it != files.end(); ++it)
        test::writeFile(folder.file(it.key()), it.value());
    FixedClock then(QDateTime(QDate(2026, 1, 1), QTime(9, 0)));
    setClock(&then);
    backup::Backups(folder).take(backup::Reason::Manual);
    setClock(nullptr);
    // What a snapshot cut short leaves, for the next one to clear away.
    const QString stale = folder.file(u"backups/.partial-20260102-090000-manual/files"_s);
    QDir().mkpath(stale);
    test::writeFile(stale + u"/namae.dat"_s, "torn");
    const QByteArray diary = test::readFile(folder.file(kDiary));
    test::writeFile(folder.file(kDiary), diary + diary.right(240));
    test::writeFile(folder.file(u"namae.dat"_s), test::readFile(folder.file(u"namae.dat"_s)).left(40));
    QFile::remove(folder.file(u"patishop.dat"_s));
    test::writeFile(folder.file(u"ＸＹＺ"_s), "# 2\r\n\x82\x60\r\n");
}

// The snapshot operations, run on a folder made by prepareSnapshotFolder.
inline QList<Operation> snapshotOperations() {
    // Found by its name, as the command-line tool finds it.
    auto earlier = [](const DataFolder &f) {
        const QString id = u"20260101-090000-manual"_s;
        const std::optional<backup::Snapshot> s = backup::Backups(f).find(id);
        if (!s) throw StoreError(StoreError::Kind::Invalid, id, u"バックアップが見つかりません"_s);
        return *s;
    };
    return {
        {u"take-snapshot"_s, [](const DataFolder &f) { backup::Backups(f).take(backup::Reason::Manual); }},
        {u"restore-file"_s, [=](const DataFolder &f) { backup::Backups(f).restore(earlier(f), kDiary); }},
        {u"restore-all"_s, [=](const DataFolder &f) { backup::Backups(f).restore(earlier(f)); }},
    };
}

// Taking the folder lock the way tamanote-cli does, over what a name left: a dead holder's
// file or a second name of the diary. Held, then let go.
inline Operation takeLock() {
    return {u"take-lock"_s, [](const DataFolder &f) {
                const DataFolderLock lock(f, DataFolderLock::Holder::Command);
                if (!lock.held())
                    throw StoreError(StoreError::Kind::Io, f.file(DataFolderLock::fileName()),
                                     lock.refusal());
            }};
}

// Whose 貯玉 the sweep adds to.
inline const QString kChodamaUser = QStringLiteral("taro");

// The prepared folder with play data: every card of the diary has its number × 100 spins,
// and the first hall its terms.
inline void addPlayData(const QString &path) {
    const DataFolder f(path);
    {
        PlayDatabase db(f);
        const DiaryKeys keys = DiaryKeys::ofDiary(f, kDiary);
        for (int n = 1; n <= keys.count(); ++n) {
            PlayInputs p;
            p.spins = n * 100;
            db.setPlay(kDiary, keys.key(n), p, n);
        }
        db.setHallTerms(HallTerms{u"ＡＢＣ"_s, QDate(2026, 1, 1), 4, 28, std::nullopt, {}});
    }
    repairPlayData(f); // the diary's stamp, so that the next opening finds nothing to do
}

// The operations that change play rows, with or without their diary, run on a folder made
// by addPlayData. A card written without its new play data is reported, as the card screen does.
inline QList<Operation> playOperations() {
    return {
        {u"play-update-card"_s,
         [](const DataFolder &f) {
             DiaryFile d(f, kDiary);
             const DiaryKeys keys = DiaryKeys::ofDiary(f, kDiary);
             CardRecord c = *d.read(2);
             c.setField(CardRecord::CashOut, u"0300"_s);
             const QByteArray bytes = c.record().toBytes();
             PlayInputs p;
             p.spins = 777;
             const bool noted = writeWithPlay(
                 f, PlayChange::forCardWrite(kDiary, keys, 2, bytes.constData(), p),
                 DiaryExpectation::cardWritten(2, bytes, qint64(d.count()) * 240), [&] { d.write(2, c); });
             if (!noted)
                 throw StoreError(StoreError::Kind::Io, f.file(PlayDatabase::fileName()),
                                  u"稼働データは保存できませんでした"_s);
         }},
        {u"play-organise"_s, [](const DataFolder &f) { organiseDiary(f, kDiary); }},
        {u"play-set"_s,
         [](const DataFolder &f) {
             PlayInputs p;
             p.spins = 555;
             p.machine = u"12"_s;
             PlayDatabase(f).setPlay(kDiary, DiaryKeys::ofDiary(f, kDiary).key(1), p, 1);
         }},
        {u"play-terms"_s,
         [](const DataFolder &f) {
             PlayDatabase(f).setHallTerms(HallTerms{u"ＡＢＣ"_s, QDate(2026, 2, 1), 4, 25, 5.0, {}});
         }},
        // A card written with 貯玉 typed for it: the 貯玉 rides in the card's row.
        {u"play-update-card-chodama"_s,
         [](const DataFolder &f) {
             DiaryFile d(f, kDiary);
             const DiaryKeys keys = DiaryKeys::ofDiary(f, kDiary);
             CardRecord c = *d.read(3);
             c.setField(CardRecord::CashOut, u"0400"_s);
             const QByteArray bytes = c.record().toBytes();
             PlayInputs p;
             p.spins = 888;
             p.chodamaUsed = 250;
             p.chodamaDeposited = 1200;
             const bool noted = writeWithPlay(
                 f, PlayChange::forCardWrite(kDiary, keys, 3, bytes.constData(), p),
                 DiaryExpectation::cardWritten(3, bytes, qint64(d.count()) * 240), [&] { d.write(3, c); });
             if (!noted)
                 throw StoreError(StoreError::Kind::Io, f.file(PlayDatabase::fileName()),
                                  u"稼働データは保存できませんでした"_s);
         }},
        {u"chodama-add"_s,
         [](const DataFolder &f) {
             ChodamaEntry e;
             e.user = kChodamaUser;
             e.store = u"ＡＢＣ"_s;
             e.day = QDate(2026, 2, 1);
             e.kind = ChodamaKind::Deposit;
             e.balls = 500;
             PlayDatabase(f).addChodamaEntry(e);
         }},
        {u"play-limit"_s,
         [](const DataFolder &f) {
             LimitRow investment;
             investment.value = 50000;
             PlayDatabase(f).setLimit(u"taro"_s, investment);
         }},
    };
}

} // namespace tama::fault
