#include "cli.h"

#include "common/text.h"
#include "common/version.h"
#include "context.h"
#include "store/category.h"
#include "store/diary.h"
#include "store/foldercheck.h"
#include "store/storeerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QRegularExpression>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

namespace tama::cli {

namespace {

const QString kProgram = u"tamanote-cli"_s;
const QString kVersion = programVersion();

// Set when a command has reported an output failure itself, so it is not said twice.
bool outputFailureReported = false;
// Set when what the command did matters more than its report: a lost report is no failure.
bool outputLossAccepted = false;

const QString kUsageLine = u"tamanote-cli [--data DIR] COMMAND [OPTIONS]"_s;

const QString kUsage = uR"(使い方: tamanote-cli [--data DIR] COMMAND [OPTIONS]

タマノートのデータフォルダを調べます。データフォルダのファイルを作ったり書き換えたり
するのは organise --yes、merge --yes、restore --yes、backup と、稼働データの play --yes、
halls-terms set --yes、model-specs set --yes、貯玉の chodama add と chodama remove、limits set、import --yes だけです。これらは書き換える前に
タマノートと同じ自動バックアップ（その日の最初の書き込みの前と、整理・統合・復元の前）を取ります。

COMMAND:
  users [--json]
      使用者の一覧（番号、自動起動の印、お名前）と、起動時に開く使用者。
  cards --user NAME --year YYYY [--json | --csv [--encoding utf-8|cp932]]
      使用者 NAME（namae.dat に保存されている名前）の YYYY 年の日記のカード。
      --json はフィールドを保存されているとおりの文字数で出します（空白を削りません）。
      各カードの play は稼働データ（tamanote.db）: 通常回転数、持ち玉、大当たり回数、台番号と、
      回転率、等価ボーダー、現金ボーダー、ボーダー差（小数2桁）、期待値、余剰（円）。計算に足りない
      ものがあれば missing（no_spins、no_hall_terms、no_model_spec）。稼働データがなければ null。
      --csv は表計算ソフト用: 見出し行と1枚1行、空白を削った文字、金額は円、損益額付き、
      行末 CR LF。既定の --encoding utf-8 は BOM 付き UTF-8、cp932 は Shift-JIS です。
      日記ファイルがなければカードは 0 枚です。
  cards --user NAME [--year YYYY] --csv --layout precord|pshare [--encoding utf-8|cp932]
      ほかの日記アプリの形の CSV: precord は pRecord の見出し付きの形、pshare は pShare の
      imp.csv（見出しなしの 日付,投資額,回収額,メモ）。削除候補のカードは出しません。--year が
      なければその使用者のすべての年を古い順に出します。
  stores [--json]
      店の一覧（patishop.dat の順）。
  models --category 羽物|デジパチ|権利物|一般電役|ＣＲデジパチ [--json]
      その種類の機種の一覧（機種ファイルの順）。
  model-list --store NAME [--json]
      店 NAME に置いてある機種の一覧（区分番号と機種名）。
  list --user NAME --year YYYY [--store NAME]... [--model NAME]... [--all] [--sort KEY]... [--json | --csv]
      年間リスト: 条件指定の画面が開いたときと同じく全部の店と全部の機種を選んだ状態で、
      --store/--model を付けるとその店・機種だけを選んだ状態で絞り込みます。--all は絞り込みません。
      --sort KEY（no, date, store, model, investment, cashout, profit）は並べ替えボタンを
      その順に押したのと同じです（同じキーを2回でその逆順）。--csv は表計算ソフト用の CSV です。
  report --user NAME --year YYYY [--json]
      年度評価レポート: 部門ごとの最優秀出玉賞と、回収率・時間給・所要時間の表。
  graph --user NAME --year YYYY [--value V] [--style line|bar] [--series LIST] [--today YYYY-MM-DD]
        [--json] [--png FILE]
      月別グラフ: V は月のスクロールバーの値（既定は最後の月）。LIST は表示するグラフを
      profit,cashout,investment からコンマ区切りで（既定 profit、空で全部消す）。--today は
      点線を月末まで延ばすかを決める今日の日付。--png FILE は画面と同じ絵を PNG に書きます。
  stats --user NAME (--year YYYY | --from YYYY --to YYYY)
        --by hall|model|category|daytype|weekday|hour|month|year [--include-marked] [--json | --csv]
      集計: 選んだ年の日記のカードを店・機種・種類・営業日・曜日・開始時刻・月・年ごとにまとめ、
      来店回数、遊技時間（分）、投資額、換金額、損益額、回収率、時間給、勝ち数、勝率、最高と最低の
      損益額を出します（最後に合計）。日記のない年は飛ばします。削除候補のカードは
      --include-marked を付けたときだけ数えます。
  calendar --user NAME --year YYYY --month M [--include-marked] [--json | --png FILE]
      カレンダー: その月の日ごとの来店回数、投資額、換金額、損益額と月の合計。
      --png FILE は分析画面と同じカレンダーの絵を PNG に書きます。
  check [--json] | check --fix-names [--yes]
      データフォルダの各ファイルを調べ、1ファイル1行で ok NAME または damaged NAME: 理由
      を出します。作業ファイルの残りや長すぎる機種名、どの店の機種リストでもない拡張子のない
      ファイル（大きさだけ）、Windows のコードページ 932 で書かれた名前は note として出します。
      --fix-names はコードページ 932 の名前を UTF-8 の名前に変えます。--yes がなければ変える
      名前（rename 旧 -> 新）を出すだけです。同じ名前のファイルがあれば変えません。
  organise --user NAME --year YYYY [--yes]
      日記ファイルの整理: 削除候補のカードを除き、残りを日付と開始時刻の順に並べます。
      --yes がなければ除くカード（drop 番号）と動くカード（move 旧番号 -> 新番号）を出すだけで、
      何も書き換えません。--yes で日記を一度に書き換えます（途中で止まっても元の日記か整理後の
      日記のどちらかが残ります）。タマノートがこのデータフォルダを開いている間は書き換えません。
  backups [--json]
      データフォルダの backups フォルダにあるバックアップの一覧（古い順）: 名前、日時、理由、
      対象のファイルと、含むファイルごとの種類、件数（人・枚・店・機種）、大きさ、前のバックアップ
      から変わったか。最後にバックアップ全体とデータファイルの大きさを出します。
  backup
      今のデータファイルすべてのバックアップを取り、その名前を出します。
  restore SNAPSHOT [--file NAME] [--yes]
      バックアップ SNAPSHOT（backups の名前）からの復元: --file があればそのファイルだけ、なければ
      すべてのデータファイルを戻し、バックアップにないデータファイルを削除します。--yes がなければ
      書き戻すファイル（write）、削除するファイル（remove）、変わらないファイル（same）を出すだけです。
      --yes で復元する前に今の状態のバックアップを取り、その名前を出します（それを復元すれば元に
      戻ります）。壊れたバックアップからは復元しません。
  merge --user NAME --year YYYY --from FILE [--yes]
      日記の統合: FILE（別のコンピュータの日記や、フォルダ同期ソフトが残した競合コピー）のカードの
      うち日記にないものを日記の最後に加えます（add 元の番号 -> 新しい番号）。同じカードは1枚のまま、
      FILE で削除候補のカードは日記でも削除候補にします。日付・開始時刻・店が同じで中身の違うカードは
      両方残し、conflict の行で知らせます。--yes で統合の前のバックアップを取ってから書き換えます。
      別の年の日記とは統合しません。
  play --user NAME --year YYYY --card N [--spins S] [--own-balls B] [--hits H] [--machine T]
       [--chodama-used U] [--chodama-deposited D] [--clear] [--yes]
      カード N の稼働データ: 指定した値（通常回転数、持ち玉、大当たり回数、台番号、貯玉再プレイ、
      貯玉預け入れ）だけを変え、ほかは残します。--clear はすべて消します。数は 0 から 100000
      （貯玉は 10000000）までの整数です。--yes がなければ変わる値（前 → 後）を出すだけです。
  halls-terms [--json]
      店ごとの交換条件: 店名、適用開始日、貸玉料金（円）、交換率（100円あたりの玉数）、1玉の
      価値（円）、貯玉再プレイ手数料（%）。店の一覧にない店には印を付けます。
  halls-terms set --store NAME --from YYYY-MM-DD --lend L --exchange X [--fee F] [--yes]
      店 NAME（店の一覧にある店）の YYYY-MM-DD からの交換条件を加えるか、同じ日のものを置き換えます。
  model-specs [--json]
      機種ごとのスペック: 種類、機種名、大当たり確率（1/p）、平均出玉、公表の等価ボーダー、
      4円等価のボーダー。機種の一覧にない機種には印を付けます。
  model-specs set --category C --model NAME (--prob p --payout P | --border B4) [--yes]
      種類 C の機種 NAME（機種の一覧にある機種）のスペック: 大当たり確率 1/p と平均出玉 P か、
      公表の等価ボーダー B4（1000円あたりの回転数）。
      set はどちらも --yes がなければ保存する内容（old 今の値、new 新しい値）を出すだけです。
  chodama --user NAME [--store NAME] [--json]
      貯玉: カードの貯玉預け入れ・貯玉再プレイ（手数料はその日の交換条件で）と手で付けた記録を
      日付順に、店ごとの残高とともに出し、最後に店ごとの残高を今日の交換条件で円にした額と合計。
      読めない日記があれば stderr で知らせ、終了状態は 1 です。
  chodama add --user NAME --store NAME --kind deposit|replay|settle|adjust --balls N
              [--date YYYY-MM-DD] [--note TEXT] [--dry-run]
      貯玉の記録を加えます（種類は 預け入れ|再プレイ|精算|調整 でも、日付の既定は今日）。調整だけは
      負の玉数も使えます。店は店の一覧にある店だけです。--dry-run は加える内容を出すだけです。
  chodama remove --uid HEX [--user NAME] [--dry-run]
      貯玉の記録（chodama の「元」の欄の16進32桁）を消します。
  limits --user NAME [--json]
      使用者の遊技の上限（今月の投資、今月の来店回数、1日の遊技時間）と、今月・今日の使用、
      待っている変更とその適用日時。上限はカードの登録を止めません。
  limits set --user NAME --kind investment|visits|hours --value N|off [--dry-run]
      上限を設定します。N は円（1,000〜99,999,900、100円単位）、回（1〜999）、時間（0.5〜24、
      0.25時間単位、2.5 のように）。下げる・新しく設けるとすぐに、上げる・off にすると24時間後に
      有効になります。--dry-run は保存する内容を出すだけです。
  import --user NAME --from FILE [--format precord|pshare|columns [--map MAPFILE]] [--category C]
         [--start HH:MM] [--json] [--yes]
      CSV ファイル（pRecord、pShare の imp.csv、または対応づけファイル MAPFILE で読む表）の記録を
      使用者 NAME の日記に取り込みます（行の日付の年の日記に。なければ作ります）。形は --format が
      なければ1行目から見分けます。種類のない行は --category（羽物|デジパチ|… か 1〜5）、開始時刻の
      ない行は --start（既定 10:00）になります。--yes がなければ1行ごとの判定（新規、重複、
      取り込まない）とカードを出すだけです。--yes で取り込む前のバックアップを取り、全部か何も
      なしかで書き込みます。

OPTIONS:
  --data DIR   データフォルダ（既定: このプログラムのアプリケーションデータフォルダ）
  --help       この説明を出します
  --version    版を出します

終了状態: 0 成功、1 ファイルの誤りや壊れたデータが見つかった、2 使い方の誤り。
--json の出力は UTF-8 の JSON、それ以外は1項目1行の UTF-8 の文章です。
)"_s;

struct CommandInfo {
    QString name;
    QStringList values; // options that take a value
    QStringList flags;
    QStringList repeatable; // value options that may be given more than once
    int (*run)(const Context &);
    int arguments = 0; // how many arguments may follow the command name
};

const QList<CommandInfo> &commands() {
    static const QList<CommandInfo> list = {
        {u"users"_s, {}, {u"json"_s}, {}, usersCommand},
        {u"cards"_s,
         {u"user"_s, u"year"_s, u"encoding"_s, u"layout"_s},
         {u"json"_s, u"csv"_s},
         {},
         cardsCommand},
        {u"stores"_s, {}, {u"json"_s}, {}, storesCommand},
        {u"models"_s, {u"category"_s}, {u"json"_s}, {}, modelsCommand},
        {u"model-list"_s, {u"store"_s}, {u"json"_s}, {}, modelListCommand},
        {u"check"_s, {}, {u"json"_s, u"fix-names"_s, u"yes"_s}, {}, checkCommand},
        {u"organise"_s, {u"user"_s, u"year"_s}, {u"yes"_s}, {}, organiseCommand},
        {u"list"_s,
         {u"user"_s, u"year"_s, u"store"_s, u"model"_s, u"sort"_s},
         {u"json"_s, u"csv"_s, u"all"_s},
         {u"store"_s, u"model"_s, u"sort"_s},
         listCommand},
        {u"report"_s, {u"user"_s, u"year"_s}, {u"json"_s}, {}, reportCommand},
        {u"graph"_s,
         {u"user"_s, u"year"_s, u"value"_s, u"style"_s, u"series"_s, u"today"_s, u"png"_s},
         {u"json"_s},
         {},
         graphCommand},
        {u"stats"_s,
         {u"user"_s, u"year"_s, u"from"_s, u"to"_s, u"by"_s},
         {u"json"_s, u"csv"_s, u"include-marked"_s},
         {},
         statsCommand},
        {u"calendar"_s,
         {u"user"_s, u"year"_s, u"month"_s, u"png"_s},
         {u"json"_s, u"include-marked"_s},
         {},
         calendarCommand},
        {u"backups"_s, {}, {u"json"_s}, {}, backupsCommand},
        {u"backup"_s, {}, {}, {}, backupCommand},
        {u"restore"_s, {u"file"_s}, {u"yes"_s}, {}, restoreCommand, 1},
        {u"merge"_s, {u"user"_s, u"year"_s, u"from"_s}, {u"yes"_s}, {}, mergeCommand},
        {u"play"_s,
         {u"user"_s, u"year"_s, u"card"_s, u"spins"_s, u"own-balls"_s, u"hits"_s, u"machine"_s,
          u"chodama-used"_s, u"chodama-deposited"_s},
         {u"clear"_s, u"yes"_s},
         {},
         playCommand},
        {u"halls-terms"_s,
         {u"store"_s, u"from"_s, u"lend"_s, u"exchange"_s, u"fee"_s},
         {u"json"_s, u"yes"_s},
         {},
         hallsTermsCommand,
         1},
        {u"model-specs"_s,
         {u"category"_s, u"model"_s, u"prob"_s, u"payout"_s, u"border"_s},
         {u"json"_s, u"yes"_s},
         {},
         modelSpecsCommand,
         1},
        {u"chodama"_s,
         {u"user"_s, u"store"_s, u"kind"_s, u"balls"_s, u"date"_s, u"note"_s, u"uid"_s},
         {u"json"_s, u"dry-run"_s},
         {},
         chodamaCommand,
         1},
        {u"limits"_s, {u"user"_s, u"kind"_s, u"value"_s}, {u"json"_s, u"dry-run"_s}, {}, limitsCommand, 1},
        {u"import"_s,
         {u"user"_s, u"from"_s, u"format"_s, u"map"_s, u"category"_s, u"start"_s},
         {u"json"_s, u"yes"_s},
         {},
         importCommand},
    };
    return list;
}

const CommandInfo *findCommand(const QString &name) {
    for (const CommandInfo &c : commands())
        if (c.name == name) return &c;
    return nullptr;
}

void write(QIODevice &device, const QString &text) {
    device.write(text.toUtf8());
}

struct Parsed {
    bool help = false;
    bool version = false;
    std::optional<QString> data;
    QString command;
    QMap<QString, QString> values;
    QSet<QString> flags;
    QMap<QString, QStringList> lists;
    QStringList arguments; // after the command name
};

// Options may come before or after the command; every option is checked against the
// command once it is known.
Parsed parse(const QStringList &arguments) {
    static const QStringList valueOptions = {u"data"_s,
                                             u"user"_s,
                                             u"year"_s,
                                             u"encoding"_s,
                                             u"category"_s,
                                             u"store"_s,
                                             u"model"_s,
                                             u"sort"_s,
                                             u"value"_s,
                                             u"style"_s,
                                             u"series"_s,
                                             u"today"_s,
                                             u"png"_s,
                                             u"from"_s,
                                             u"to"_s,
                                             u"by"_s,
                                             u"month"_s,
                                             u"file"_s,
                                             u"card"_s,
                                             u"spins"_s,
                                             u"own-balls"_s,
                                             u"hits"_s,
                                             u"machine"_s,
                                             u"lend"_s,
                                             u"exchange"_s,
                                             u"fee"_s,
                                             u"prob"_s,
                                             u"payout"_s,
                                             u"border"_s,
                                             u"chodama-used"_s,
                                             u"chodama-deposited"_s,
                                             u"kind"_s,
                                             u"balls"_s,
                                             u"date"_s,
                                             u"note"_s,
                                             u"uid"_s,
                                             u"layout"_s,
                                             u"format"_s,
                                             u"map"_s,
                                             u"start"_s};
    static const QStringList repeatable = {u"store"_s, u"model"_s, u"sort"_s};
    static const QStringList flagOptions = {u"json"_s,           u"csv"_s,       u"all"_s,   u"yes"_s,
                                            u"include-marked"_s, u"fix-names"_s, u"clear"_s, u"dry-run"_s};
    Parsed p;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString &a = arguments[i];
        if (a == u"--help"_s || a == u"-h"_s) {
            p.help = true;
        } else if (a == u"--version"_s) {
            p.version = true;
        } else if (a.startsWith(u"--"_s)) {
            QString name = a.mid(2);
            std::optional<QString> value;
            if (const qsizetype eq = name.indexOf(u'='); eq >= 0) {
                value = name.mid(eq + 1);
                name.truncate(eq);
            }
            if (valueOptions.contains(name)) {
                if (!value) {
                    if (i + 1 >= arguments.size()) throw UsageError{u"--"_s + name + u" には値が必要です"_s};
                    value = arguments[++i];
                }
                // Whether a repeat is allowed depends on the command, checked once it is known.
                if (repeatable.contains(name)) {
                    p.lists[name].append(*value);
                    if (!p.values.contains(name)) p.values.insert(name, *value);
                    continue;
                }
                if (p.values.contains(name) || (name == u"data"_s && p.data))
                    throw UsageError{u"--"_s + name + u" が2回指定されています"_s};
                if (name == u"data"_s)
                    p.data = *value;
                else
                    p.values.insert(name, *value);
            } else if (flagOptions.contains(name) && !value) {
                p.flags.insert(name);
            } else {
                throw UsageError{u"知らないオプションです: "_s + a};
            }
        } else if (a.startsWith(u'-') && a.size() > 1) {
            throw UsageError{u"知らないオプションです: "_s + a};
        } else if (p.command.isEmpty()) {
            p.command = a;
        } else {
            // Whether the command takes it is checked once the command is known.
            p.arguments.append(a);
        }
    }
    return p;
}

void checkOptions(const CommandInfo &command, const Parsed &p) {
    for (auto it = p.values.cbegin(); it != p.values.cend(); ++it)
        if (!command.values.contains(it.key()))
            throw UsageError{command.name + u" には --"_s + it.key() + u" は使えません"_s};
    for (const QString &f : p.flags)
        if (!command.flags.contains(f))
            throw UsageError{command.name + u" には --"_s + f + u" は使えません"_s};
    for (auto it = p.lists.cbegin(); it != p.lists.cend(); ++it)
        if (it.value().size() > 1 && !command.repeatable.contains(it.key()))
            throw UsageError{u"--"_s + it.key() + u" が2回指定されています"_s};
    if (p.arguments.size() > command.arguments)
        throw UsageError{u"余分な引数があります: "_s + p.arguments.value(command.arguments)};
}

} // namespace

QString Context::required(const QString &name) const {
    if (!values.contains(name)) throw UsageError{command + u" には --"_s + name + u" が必要です"_s};
    return values.value(name);
}

QString Context::userName() const {
    const QString user = required(u"user"_s);
    if (!diaryUserPart(user)) {
        const QString why = unsafeFileNameReason(trim(user.left(9))).value_or(QString());
        throw UsageError{u"この名前の日記はデータフォルダの外を指すため開けません: "_s + why};
    }
    return user;
}

int Context::yearOption(const QString &name) const {
    const QString year = required(name);
    static const QRegularExpression fourDigits(u"^[0-9]{4}$"_s);
    if (!fourDigits.match(year).hasMatch())
        throw UsageError{u"--"_s + name + u" は4桁の数字で指定してください: "_s + year};
    return year.toInt();
}

QString Context::diaryFileName(QString *yearOut) const {
    required(u"user"_s);
    const QString year = required(u"year"_s);
    yearOption(u"year"_s);
    const QString user = userName();
    if (yearOut) *yearOut = year;
    return DiaryFileName(user, year);
}

const CategoryInfo &Context::category() const {
    const QString caption = required(u"category"_s);
    const CategoryInfo *found = categoryByCaption(caption);
    if (!found) found = categoryByCaption(toFullWidth(caption)); // CRデジパチ typed half-width
    if (!found) {
        QStringList captions;
        for (const CategoryInfo &k : categories())
            captions.append(k.caption);
        throw UsageError{u"種類は "_s + captions.join(u'|') + u" のどれかです: "_s + caption};
    }
    return *found;
}

void Context::line(const QString &text) const {
    write(out, text + u'\n');
}

void Context::errorLine(const QString &text) const {
    write(err, kProgram + u": "_s + text + u'\n');
}

void Context::json(const QJsonObject &object) const {
    out.write(QJsonDocument(object).toJson(QJsonDocument::Indented));
}

bool Context::flushOut() const {
    auto *file = qobject_cast<QFileDevice *>(&out);
    return !file || (file->flush() && file->error() == QFileDevice::NoError);
}

void Context::acceptOutputLoss() const {
    outputLossAccepted = true;
}

int Context::reportDone(const QString &summary) const {
    line(summary);
    if (!flushOut()) {
        errorLine(summary + u"（報告は出力できませんでした）"_s);
        acceptOutputLoss();
    }
    return 0;
}

int Context::outputFailed() const {
    errorLine(u"出力を書き込めませんでした"_s);
    outputFailureReported = true;
    return 1;
}

bool Context::reportDamage(const QString &fileName) const {
    const auto kind = dataFileKind(fileName);
    if (!kind) return true;
    const FileCheck check = checkDataFile(folder, fileName, *kind);
    if (!check.damaged()) return true;
    errorLine(u"damaged "_s + fileName + u": "_s + check.problems.join(u"; "_s));
    return false;
}

int run(const QStringList &arguments, QIODevice &out, QIODevice &err) {
    Parsed p;
    try {
        p = parse(arguments);
    } catch (const UsageError &e) {
        write(err, kProgram + u": "_s + e.message + u"（--help で使い方を表示します）\n"_s);
        return 2;
    }
    if (p.help) {
        write(out, kUsage);
        return 0;
    }
    if (p.version) {
        write(out, kProgram + u' ' + kVersion + u'\n');
        return 0;
    }

    QString folder;
    try {
        if (p.command.isEmpty()) throw UsageError{u"コマンドがありません: "_s + kUsageLine};
        const CommandInfo *command = findCommand(p.command);
        if (!command) throw UsageError{u"知らないコマンドです: "_s + p.command};
        checkOptions(*command, p);
        if (p.data && p.data->isEmpty()) throw UsageError{u"--data にフォルダを指定してください"_s};
        folder = p.data ? *p.data : DataFolder::defaultPath();
        // Only the program makes the data folder; the tool reads what is there.
        if (!QFileInfo(folder).isDir()) {
            write(err, kProgram + u": データフォルダがありません: "_s + folder +
                           (p.data ? QString() : u"（タマノートを起動すると作られます）"_s) + u'\n');
            return 1;
        }
        const Context c{DataFolder(folder), p.command, p.values, p.flags, p.lists, out, err, p.arguments};
        return command->run(c);
    } catch (const UsageError &e) {
        write(err, kProgram + u": "_s + e.message + u"（--help で使い方を表示します）\n"_s);
        return 2;
    } catch (const StoreError &e) {
        write(err, kProgram + u": "_s + e.message() + u'\n');
        return 1;
    }
}

int run(const QStringList &arguments) {
    QFile out;
    QFile err;
    if (!out.open(stdout, QIODevice::WriteOnly) || !err.open(stderr, QIODevice::WriteOnly)) return 1;
    outputFailureReported = false;
    outputLossAccepted = false;
    const int status = run(arguments, out, err);
    // Output that never reached its file (a full disk, a closed pipe) is a failure.
    if (!out.flush() || out.error() != QFileDevice::NoError) {
        if (outputLossAccepted) return status;
        if (!outputFailureReported) write(err, kProgram + u": 出力を書き込めませんでした\n"_s);
        return status == 0 ? 1 : status;
    }
    return status;
}

} // namespace tama::cli
