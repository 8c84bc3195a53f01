#include "common/csv.h"
#include "context.h"
#include "jsonwriter.h"
#include "playcolumn.h"
#include "textwriter.h"

#include "common/text.h"
#include "import/columnmap.h"
#include "import/exportlayout.h"
#include "store/catalogue.h"
#include "store/diary.h"
#include "store/foldercheck.h"
#include "store/modellist.h"
#include "store/storeerror.h"
#include "store/storefile.h"
#include "store/userlist.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace tama::cli {

namespace {

// A card's impression on one line of the text form.
QString oneLine(QString text) {
    text.replace(u"\r\n"_s, u" / "_s);
    text.replace(u'\n', u" / "_s);
    text.replace(u'\r', u" / "_s);
    return text;
}

QString checkLine(const FileCheck &f) {
    if (!isDataKind(f.kind) && f.kind != FileCheck::Kind::Journal && !f.damaged())
        return u"note "_s + f.name + u": "_s + f.notes.join(u"; "_s);
    QStringList parts = f.problems;
    for (const QString &n : f.notes)
        parts.append(u"note: "_s + n);
    const QString head = (f.damaged() ? u"damaged "_s : u"ok "_s) + f.name;
    return parts.isEmpty() ? head : head + u": "_s + parts.join(u"; "_s);
}

int statusAfter(const Context &c, const QString &fileName) {
    return c.reportDamage(fileName) ? 0 : 1;
}

// cards --csv --layout: the user's diaries (one year, or all of them oldest first) in
// pRecord's or pShare's layout, so that the player can take them back to that diary.
int exportLayout(const Context &c, ImportFormat layout, CsvEncoding encoding) {
    const QString user = c.userName();
    QList<int> years;
    if (c.values.contains(u"year"_s))
        years = {c.yearOption(u"year"_s)};
    else
        years = diaryYears(c.folder, user);
    CsvWriter out(c.out, encoding);
    if (layout == ImportFormat::PRecord) out.row(precordHeader());
    bool sound = true;
    for (int year : years) {
        const QString fileName = DiaryFileName(user, year);
        const DiaryFile diary(c.folder, fileName, RecordFile::Mode::ReadOnly);
        // Only pRecord has a column for the play data.
        std::optional<PlayColumn> play;
        if (layout == ImportFormat::PRecord) play.emplace(c, fileName);
        diary.forEach([&](int n, const CardRecord &card) {
            if (card.isCandidate()) return; // a card the player meant to delete
            out.row(play ? precordRow(card, play->playOf(n)) : pshareRow(card));
        });
        if (!out.flush()) return c.outputFailed();
        sound = c.reportDamage(fileName) && sound;
    }
    return sound ? 0 : 1;
}

} // namespace

int usersCommand(const Context &c) {
    const UserList users(c.folder, true);
    const QList<UserRecord> list = users.readAll();
    const std::optional<int> autoStart = users.autoStartRecord();

    if (c.has(u"json"_s)) {
        QJsonArray array;
        for (qsizetype i = 0; i < list.size(); ++i)
            array.append(QJsonObject{{u"no"_s, int(i + 1)},
                                     {u"AutoStartMark"_s, trim(list[i].autoStartMark)},
                                     {u"UserName"_s, trim(list[i].userName)}});
        c.json({{u"users"_s, array}, {u"auto_start"_s, autoStart ? QJsonValue(*autoStart) : QJsonValue()}});
    } else {
        for (qsizetype i = 0; i < list.size(); ++i) {
            QString line =
                QString::number(i + 1) + u'\t' + trim(list[i].autoStartMark) + u'\t' + trim(list[i].userName);
            if (autoStart == i + 1) line += u"\t(起動時に開く)"_s;
            c.line(line);
        }
    }
    return statusAfter(c, UserList::fileName());
}

int cardsCommand(const Context &c) {
    const bool csv = c.has(u"csv"_s);
    if (csv && c.has(u"json"_s)) throw UsageError{u"--json と --csv は同時に使えません"_s};
    CsvEncoding encoding = CsvEncoding::Utf8;
    if (c.values.contains(u"encoding"_s)) {
        if (!csv) throw UsageError{u"--encoding は --csv と一緒に使います"_s};
        const QString e = c.value(u"encoding"_s).toLower();
        if (e == u"cp932"_s)
            encoding = CsvEncoding::Cp932;
        else if (e != u"utf-8"_s)
            throw UsageError{u"--encoding は utf-8 か cp932 です: "_s + c.value(u"encoding"_s)};
    }
    if (c.values.contains(u"layout"_s)) {
        if (!csv) throw UsageError{u"--layout は --csv と一緒に使います"_s};
        const std::optional<ImportFormat> layout = importFormatOfName(c.value(u"layout"_s));
        if (!layout || *layout == ImportFormat::Columns)
            throw UsageError{u"--layout は precord か pshare です: "_s + c.value(u"layout"_s)};
        return exportLayout(c, *layout, encoding);
    }
    const QString fileName = c.diaryFileName();

    const DiaryFile diary(c.folder, fileName, RecordFile::Mode::ReadOnly); // a missing diary stays missing
    const QStringList &names = cardFieldNames();
    // Cards are printed as they are read, a block of the file at a time, so that the
    // largest diary needs no more memory than the smallest.
    bool written = true;
    if (c.has(u"json"_s)) {
        // Keys in the order QJsonDocument sorts them.
        QList<int> order;
        for (int f = 0; f < names.size(); ++f)
            order.append(f);
        std::sort(order.begin(), order.end(), [&](int a, int b) { return names[a] < names[b]; });
        const PlayColumn play(c, fileName);
        JsonWriter json(c.out);
        json.beginObject().key(u"cards").beginArray();
        int count = 0;
        diary.forEach([&](int n, const CardRecord &card) {
            json.beginObject();
            for (int f : order)
                json.key(names[f]).value(card.field(CardRecord::Field(f)));
            json.key(u"candidate").value(card.isCandidate());
            json.key(u"no").value(n);
            play.write(json, n, card);
            json.endObject();
            count = n;
        });
        json.endArray();
        json.key(u"count").value(count).key(u"file").value(fileName).endObject();
        written = json.flush();
    } else if (csv) {
        CsvWriter out(c.out, encoding);
        out.row({u"番号"_s, u"日付"_s, u"開始時刻"_s, u"終了時刻"_s, u"店名"_s, u"種類"_s, u"機種名"_s,
                 u"投資額"_s, u"換金額"_s, u"損益額"_s, u"営業日"_s, u"感想"_s, u"削除候補"_s});
        diary.forEach([&](int n, const CardRecord &k) {
            auto t = [&k](CardRecord::Field f) { return trim(k.field(f)); };
            out.row({QString::number(n), t(CardRecord::VisitDate), t(CardRecord::StartTime),
                     t(CardRecord::EndTime), t(CardRecord::StoreName), t(CardRecord::Category),
                     t(CardRecord::ModelName), QString::number(k.investmentYen()),
                     QString::number(k.cashOutYen()), QString::number(k.profitYen()), t(CardRecord::DayType),
                     t(CardRecord::Impression), k.isCandidate() ? u"削除候補"_s : QString()});
        });
        written = out.flush();
    } else {
        TextWriter out(c.out);
        diary.forEach([&](int n, const CardRecord &card) {
            QStringList parts{QString::number(n)};
            for (int f = 0; f < names.size(); ++f)
                parts.append(oneLine(trim(card.field(CardRecord::Field(f)))));
            out.line(parts.join(u'\t'));
        });
        written = out.flush();
    }
    if (!written) return c.outputFailed();
    return statusAfter(c, fileName);
}

// A list of names as {"key": [...]} after the given leading entries, written as it goes.
static bool writeNameList(const Context &c, const QList<std::pair<QString, QString>> &before,
                          const QString &key, const QStringList &names) {
    JsonWriter json(c.out);
    json.beginObject();
    for (const auto &[k, v] : before)
        json.key(k).value(v);
    json.key(key).beginArray();
    for (const QString &n : names)
        json.value(n);
    json.endArray().endObject();
    return json.flush();
}

int storesCommand(const Context &c) {
    const QStringList stores = StoreFile(c.folder, true).list();
    if (c.has(u"json"_s)) {
        if (!writeNameList(c, {}, u"stores"_s, stores)) return c.outputFailed();
    } else {
        TextWriter out(c.out);
        for (const QString &s : stores)
            out.line(s);
        if (!out.flush()) return c.outputFailed();
    }
    return statusAfter(c, StoreFile::fileName());
}

int modelsCommand(const Context &c) {
    const ModelCatalogue catalogue(c.folder, c.category(), true);
    const QString fileName = QFileInfo(catalogue.path()).fileName();
    const QStringList models = catalogue.list();
    if (c.has(u"json"_s)) {
        if (!writeNameList(c, {{u"file"_s, fileName}}, u"models"_s, models)) return c.outputFailed();
    } else {
        TextWriter out(c.out);
        for (const QString &m : models)
            out.line(m);
        if (!out.flush()) return c.outputFailed();
    }
    return statusAfter(c, fileName);
}

int modelListCommand(const Context &c) {
    const QString store = c.required(u"store"_s);
    std::optional<ModelListFile> file;
    try {
        file.emplace(c.folder, store);
    } catch (const StoreError &e) {
        throw UsageError{u"--store: "_s + e.message()};
    }
    const QList<ModelListEntry> entries = file->read(false); // looking must not create the file
    if (c.has(u"json"_s)) {
        QJsonArray array;
        for (const ModelListEntry &e : entries)
            array.append(QJsonObject{{u"section"_s, e.section}, {u"model"_s, trimRight(e.model)}});
        c.json({{u"file"_s, file->fileName()}, {u"entries"_s, array}});
    } else {
        for (const ModelListEntry &e : entries)
            c.line(QString::number(e.section) + u'\t' + trimRight(e.model));
    }
    return statusAfter(c, file->fileName());
}

// Names a folder copied from Windows left in code page 932, put in UTF-8.
int fixNames(const Context &c) {
    const QList<ForeignName> names = foreignNames(c.folder);
    QList<ForeignName> fixable;
    for (const ForeignName &n : names) {
        if (n.fixed.isEmpty())
            c.line(u"note "_s + n.shown +
                   u": UTF-8 でもコードページ 932 でもない名前のため、変えられません"_s);
        else
            fixable.append(n);
    }
    if (!c.has(u"yes"_s)) {
        // A name already taken would be refused by --yes: the plan says so now.
        int taken = 0;
        for (const ForeignName &n : fixable) {
            if (QFileInfo(c.folder.file(n.fixed)).exists() || QFileInfo(c.folder.file(n.fixed)).isSymLink()) {
                c.errorLine(n.shown + u": 「"_s + n.fixed + u"」がすでにあるため、名前は変えません"_s);
                ++taken;
            } else {
                c.line(u"rename "_s + n.shown + u" -> "_s + n.fixed);
            }
        }
        if (fixable.size() > taken)
            c.line(QStringLiteral("名前を変えるファイル %1 個。--yes を付けると変えます。")
                       .arg(fixable.size() - taken));
        return taken == 0 ? 0 : 1;
    }
    if (fixable.isEmpty()) return 0;

    const WriteLock writing(c);
    if (!writing.held()) {
        c.errorLine(writing.refusal(u"終了してから名前を変えてください。"_s));
        return 1;
    }
    int failed = 0;
    for (const ForeignName &n : fixable) {
        try {
            fixForeignName(c.folder, n);
            c.line(u"rename "_s + n.shown + u" -> "_s + n.fixed);
        } catch (const StoreError &e) {
            c.errorLine(e.message());
            ++failed;
        }
    }
    return failed == 0 ? 0 : 1;
}

int checkCommand(const Context &c) {
    if (c.has(u"yes"_s) && !c.has(u"fix-names"_s)) throw UsageError{u"--yes は --fix-names と使います"_s};
    if (c.has(u"fix-names"_s)) {
        if (c.has(u"json"_s)) throw UsageError{u"--fix-names と --json は一緒に使えません"_s};
        return fixNames(c);
    }
    const QList<FileCheck> checks = checkFolder(c.folder);
    bool damaged = false;
    if (c.has(u"json"_s)) {
        QJsonArray array;
        for (const FileCheck &f : checks) {
            damaged = damaged || f.damaged();
            array.append(QJsonObject{{u"name"_s, f.name},
                                     {u"kind"_s, kindCode(f.kind)},
                                     {u"status"_s, f.damaged() ? u"damaged"_s : u"ok"_s},
                                     {u"problems"_s, QJsonArray::fromStringList(f.problems)},
                                     {u"notes"_s, QJsonArray::fromStringList(f.notes)}});
        }
        c.json({{u"files"_s, array}, {u"damaged"_s, damaged}});
    } else {
        for (const FileCheck &f : checks) {
            damaged = damaged || f.damaged();
            c.line(checkLine(f));
        }
    }
    return damaged ? 1 : 0;
}

} // namespace tama::cli
