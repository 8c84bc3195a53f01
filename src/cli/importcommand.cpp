// import: visits from another diary's CSV or a spreadsheet, previewed row by row, and with
// --yes appended to the user's diaries all or nothing.
#include "context.h"
#include "jsonwriter.h"
#include "textwriter.h"

#include "common/clock.h"
#include "common/codec.h"
#include "common/csvreader.h"
#include "common/text.h"
#include "import/columnmap.h"
#include "import/importplan.h"
#include "store/category.h"
#include "store/diary.h"
#include "store/importwriter.h"
#include "store/storeerror.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace tama::cli {

namespace {

// A stable key for scripts; the text form shows textEncodingName().
QString encodingKey(TextEncoding e) {
    switch (e) {
    case TextEncoding::Ascii:
        return u"ascii"_s;
    case TextEncoding::Utf8:
        return u"utf-8"_s;
    case TextEncoding::Utf8Bom:
        return u"utf-8-bom"_s;
    case TextEncoding::Cp932:
        return u"cp932"_s;
    }
    return QString();
}

// --category: a caption as models takes it, or the code a card stores (1 … 5).
int categoryOption(const Context &c) {
    const QString text = trim(c.value(u"category"_s));
    if (const CategoryInfo *k = categoryByCardCode(text); k && !text.isEmpty()) return k->option;
    try {
        return c.category().option;
    } catch (const UsageError &e) {
        throw UsageError{e.message + u"（カードの種類の番号 1〜5 でも指定できます）"_s};
    }
}

// A column map file: text of either encoding the CSV reader accepts, checked as it checks
// a CSV file (a regular file, not too large, no binary bytes).
QString readMapFile(const QString &path) {
    const QFileInfo info(path);
    if (!info.exists()) throw StoreError(StoreError::Kind::Invalid, path, u"ファイルがありません"_s);
    if (!info.isFile())
        throw StoreError(StoreError::Kind::Invalid, path, u"ふつうのファイルではないため読みません"_s);
    // A map is a few lines; anything near the CSV limit is not one.
    if (info.size() > 64 * 1024)
        throw StoreError(StoreError::Kind::Invalid, path,
                         u"対応づけファイルにしては大きすぎます（64 KB まで）"_s);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) throw StoreError(StoreError::Kind::Io, path, file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw StoreError(StoreError::Kind::Io, path, file.errorString());
    // The reader tells the encoding and refuses what is not text.
    const CsvTable probe = readCsv(bytes);
    if (probe.problem) throw StoreError(StoreError::Kind::Invalid, path, *probe.problem);
    if (probe.encoding == TextEncoding::Cp932) return cp932::decode(bytes).text;
    QString text = QString::fromUtf8(bytes);
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
    return text;
}

// Everything but the column map, which needs the file's first row.
ImportOptions optionsOf(const Context &c) {
    ImportOptions options;
    options.today = clock().today();
    if (c.values.contains(u"format"_s)) {
        options.format = importFormatOfName(c.value(u"format"_s));
        if (!options.format)
            throw UsageError{u"--format は precord、pshare、columns のどれかです: "_s + c.value(u"format"_s)};
    }
    const bool columns = options.format == ImportFormat::Columns;
    if (columns && !c.values.contains(u"map"_s))
        throw UsageError{u"--format columns には --map が必要です"_s};
    if (!columns && c.values.contains(u"map"_s))
        throw UsageError{u"--map は --format columns と一緒に使います"_s};
    if (c.values.contains(u"category"_s)) options.category = categoryOption(c);
    if (c.values.contains(u"start"_s)) {
        const QString s = trim(c.value(u"start"_s));
        options.start = QTime::fromString(s, u"H:mm"_s);
        if (!options.start.isValid() || s.size() > 5)
            throw UsageError{u"--start は HH:MM（00:00〜23:59）で指定してください: "_s + c.value(u"start"_s)};
    }
    return options;
}

ColumnMap mapOf(const QString &mapPath, const CsvTable &table) {
    const QString text = readMapFile(mapPath);
    const QStringList header = table.rows.isEmpty() ? QStringList() : table.rows.first().fields;
    try {
        return parseColumnMap(text, header);
    } catch (const StoreError &e) {
        // The map's own wording names the line; the player needs the file too.
        throw StoreError(e.kind(), e.file().isEmpty() ? mapPath : e.file(), e.reason());
    }
}

// "hhmm" as stored (" 930" too) as H:MM.
QString timeText(const QString &stored) {
    const QString t = trim(stored).rightJustified(4, u'0');
    return t.left(2) + u':' + t.mid(2);
}

QString categoryCaption(const CardRecord &card) {
    const CategoryInfo *k = categoryByCardCode(trim(card.field(CardRecord::Category)));
    return k ? k->caption : trim(card.field(CardRecord::Category));
}

// The card a row becomes, tab-separated: date, start–end, hall, category, model, amounts.
QString cardText(const ImportRow &row) {
    const CardRecord &k = row.card;
    return row.date.toString(u"yyyy/MM/dd"_s) + u' ' + timeText(k.field(CardRecord::StartTime)) + u"–"_s +
           timeText(k.field(CardRecord::EndTime)) + u'\t' + trim(k.field(CardRecord::StoreName)) + u'\t' +
           categoryCaption(k) + u'\t' + trim(k.field(CardRecord::ModelName)) + u'\t' +
           QString::number(k.investmentYen()) + u'\t' + QString::number(k.cashOutYen());
}

QString rowText(const ImportRow &row) {
    QStringList said = row.notices;
    if (!row.reason.isEmpty()) said.prepend(row.reason);
    QString text = QString::number(row.line) + u'\t' + importVerdictText(row.verdict);
    if (row.verdict != ImportVerdict::Refused) text += u'\t' + cardText(row);
    text += u'\t' + (said.isEmpty() ? u"-"_s : said.join(u" / "_s));
    text.replace(u'\n', u' ');
    return text;
}

QString modelText(const QPair<int, QString> &m) {
    const CategoryInfo *k = categoryByOption(m.first);
    return (k ? k->caption : QString::number(m.first)) + u' ' + m.second;
}

void writeCount(JsonWriter &json, QStringView key, const std::optional<qint64> &v) {
    json.key(key);
    if (v)
        json.value(*v);
    else
        json.null();
}

bool writeJson(const Context &c, const QString &from, const ImportPlan &plan,
               const std::optional<ImportResult> &result) {
    const QStringList &names = cardFieldNames();
    // Keys in the order cards --json gives them.
    QList<int> order;
    for (int f = 0; f < names.size(); ++f)
        order.append(f);
    std::sort(order.begin(), order.end(), [&](int a, int b) { return names[a] < names[b]; });

    JsonWriter json(c.out);
    json.beginObject();
    json.key(u"file").value(from);
    json.key(u"encoding").value(encodingKey(plan.encoding));
    json.key(u"format").value(importFormatName(plan.format));
    json.key(u"rows").beginArray();
    for (const ImportRow &row : plan.rows) {
        json.beginObject();
        json.key(u"line").value(row.line);
        json.key(u"verdict").value(importVerdictKey(row.verdict));
        json.key(u"reason");
        if (row.reason.isEmpty())
            json.null();
        else
            json.value(row.reason);
        json.key(u"notices").beginArray();
        for (const QString &n : row.notices)
            json.value(n);
        json.endArray();
        json.key(u"card");
        if (row.verdict == ImportVerdict::Refused) {
            json.null();
        } else {
            json.beginObject();
            for (int f : order)
                json.key(names[f]).value(row.card.field(CardRecord::Field(f)));
            json.key(u"diary").value(row.diaryFile);
            json.endObject();
        }
        json.key(u"play");
        if (row.verdict == ImportVerdict::Refused || row.play.isEmpty()) {
            json.null();
        } else {
            json.beginObject();
            writeCount(json, u"spins", row.play.spins);
            writeCount(json, u"own_balls", row.play.ownBalls);
            writeCount(json, u"hits", row.play.hits);
            json.key(u"machine");
            if (row.play.machine.isEmpty())
                json.null();
            else
                json.value(row.play.machine);
            json.endObject();
        }
        json.endObject();
    }
    json.endArray();
    json.key(u"new").value(plan.count(ImportVerdict::New));
    json.key(u"duplicate").value(plan.count(ImportVerdict::Duplicate));
    json.key(u"refused").value(plan.count(ImportVerdict::Refused));
    json.key(u"stores_added").beginArray();
    for (const QString &s : plan.newStores)
        json.value(s);
    json.endArray();
    json.key(u"models_added").beginArray();
    for (const auto &m : plan.newModels) {
        const CategoryInfo *k = categoryByOption(m.first);
        json.beginObject().key(u"category").value(k ? k->caption : QString()).key(u"model").value(m.second);
        json.endObject();
    }
    json.endArray();
    if (c.has(u"yes"_s)) {
        json.key(u"imported").value(result ? result->cards : 0);
        json.key(u"snapshot");
        if (result && result->snapshot)
            json.value(result->snapshot->id);
        else
            json.null();
    }
    json.endObject();
    return json.flush();
}

QString countsText(const ImportPlan &plan) {
    return QStringLiteral("新規 %1 枚、重複 %2 枚、取り込まない %3 行")
        .arg(plan.count(ImportVerdict::New))
        .arg(plan.count(ImportVerdict::Duplicate))
        .arg(plan.count(ImportVerdict::Refused));
}

bool writeText(const Context &c, const QString &from, const ImportPlan &plan) {
    TextWriter out(c.out);
    out.line(QFileInfo(from).fileName() + u": 文字コード "_s + textEncodingName(plan.encoding) +
             u"、形式 "_s + importFormatCaption(plan.format));
    for (const ImportRow &row : plan.rows)
        out.line(rowText(row));
    if (!plan.newStores.isEmpty()) out.line(u"店の一覧に加える店: "_s + plan.newStores.join(u"、"_s));
    if (!plan.newModels.isEmpty()) {
        QStringList models;
        for (const auto &m : plan.newModels)
            models.append(modelText(m));
        out.line(u"機種の一覧に加える機種: "_s + models.join(u"、"_s));
    }
    return out.flush();
}

} // namespace

int importCommand(const Context &c) {
    const QString user = c.userName();
    const QString from = c.required(u"from"_s);
    ImportOptions options = optionsOf(c);
    options.twoThreads = false; // its peak memory counts, not the wait for the preview
    const bool write = c.has(u"yes"_s);
    const bool json = c.has(u"json"_s);

    // The plan that is written is made under the lock, so that no card stored meanwhile
    // is duplicated and no diary changes between the plan and the appends.
    std::optional<WriteLock> lock;
    if (write) {
        lock.emplace(c);
        if (!lock->held()) {
            c.errorLine(lock->refusal(u"終了してから取り込んでください。"_s));
            return 1;
        }
    }

    auto fileProblem = [&](const QString &problem) {
        c.errorLine(problem.contains(QFileInfo(from).fileName()) ? problem : from + u": "_s + problem);
        return 1;
    };
    // Held in optionals so that the text form can let them go before the appends: the table
    // and the plan of a large file are most of what the command holds.
    std::optional<CsvTable> table(readCsvFile(from));
    if (table->problem) return fileProblem(*table->problem);
    if (options.format == ImportFormat::Columns) options.map = mapOf(c.value(u"map"_s), *table);
    // The rows go from the table into the plan as they are planned.
    std::optional<ImportPlan> plan(planImport(c.folder, user, std::move(*table), options));
    if (plan->problem) return fileProblem(*plan->problem);
    const QString counts = countsText(*plan);

    if (!write) {
        const bool written = json ? writeJson(c, from, *plan, std::nullopt) : writeText(c, from, *plan);
        if (!written) return c.outputFailed();
        if (!json) c.line(counts + u"。--yes を付けると取り込みます。"_s);
        return c.flushOut() ? 0 : c.outputFailed();
    }

    std::optional<ImportBatch> batch;
    if (!plan->accepted().isEmpty()) batch = importBatch(*plan, QFileInfo(from).fileName());
    // The text preview goes out first; --json reports the result inside its object.
    bool written = json || writeText(c, from, *plan);
    if (!json) {
        plan.reset();
        table.reset();
    }
    std::optional<ImportResult> result;
    if (batch) {
        result = applyImport(c.folder, *batch);
        batch.reset();
        if (result->snapshot)
            c.errorLine(
                QStringLiteral(
                    "取り込む前の状態をバックアップ %1 に保存しました。バックアップと復元から元に戻せます。")
                    .arg(result->snapshot->id));
        for (const QString &n : result->notices)
            c.errorLine(n);
    }
    if (json) written = writeJson(c, from, *plan, result);
    // The cards are stored: a report that cannot be written is no failure.
    if (!written) {
        c.errorLine(QStringLiteral("%1 枚を取り込みました（報告は出力できませんでした）")
                        .arg(result ? result->cards : 0));
        c.acceptOutputLoss();
        return 0;
    }
    if (json) {
        if (!c.flushOut()) c.acceptOutputLoss();
        return 0;
    }
    if (!result) return c.reportDone(counts + u"。取り込むカードはありません。"_s);
    QString summary = QStringLiteral("%1 枚を取り込みました（%2）").arg(result->cards).arg(counts);
    if (!result->addedStores.isEmpty())
        summary += u"。店を加えました: "_s + result->addedStores.join(u"、"_s);
    if (!result->addedModels.isEmpty())
        summary += u"。機種を加えました: "_s + result->addedModels.join(u"、"_s);
    return c.reportDone(summary + u"。"_s);
}

} // namespace tama::cli
