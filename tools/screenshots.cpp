// Takes pictures of the windows that have no other picture-taking path, from the real
// windows on a sample data folder. Run under a display (xvfb-run): see
// scripts/screenshots.sh.
#include "app/resources.h"
#include "app/windowregistry.h"
#include "card/limits.h"
#include "cardscreen/helpwindow.h"
#include "cardscreen/limitswindow.h"
#include "cardscreen/patincomain.h"
#include "cardscreen/ver.h"
#include "common/clock.h"
#include "common/dates.h"
#include "common/dialogs.h"
#include "import/columnmap.h"
#include "master/backupwindow.h"
#include "master/chodamawindow.h"
#include "master/exportwindow.h"
#include "master/importwindow.h"
#include "master/new_touroku.h"
#include "master/search_kisyu.h"
#include "startup/newname.h"
#include "startup/patinkest.h"
#include "store/backup.h"
#include "store/catalogue.h"
#include "store/category.h"
#include "store/diary.h"
#include "store/modellist.h"
#include "store/playdata.h"
#include "store/storefile.h"
#include "store/userlist.h"
#include "views/analysiswindow.h"
#include "views/tukigrafh.h"
#include "views/tyoimati.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QThread>

using namespace Qt::Literals::StringLiterals;
using namespace tama;

namespace {

class QuietDialogs final : public Dialogs {
  public:
    void info(const QString &, const QString &) override {}
    bool confirmCancelled(const QString &, const QString &) override { return false; }
    void error(const QString &, const QString &) override {}
    void beep() override {}
};

void settle() {
    for (int i = 0; i < 10; ++i) {
        QApplication::processEvents();
        QThread::msleep(20);
    }
}

void save(QWidget *w, const QString &dir, const QString &name) {
    w->show();
    w->raise();
    settle();
    w->grab().save(QDir(dir).filePath(name));
}

void sampleData(const DataFolder &folder) {
    UserList users(folder);
    users.append(u"taro"_s);
    users.append(u"はなこ"_s);
    StoreFile stores(folder);
    stores.add(u"パーラー駅前"_s);
    stores.add(u"ホール桜町"_s);
    ModelCatalogue degi(folder, *categoryBySection(2));
    degi.add(u"フィーバー銀河"_s);
    degi.add(u"ドリームスター"_s);
    ModelCatalogue hane(folder, *categoryBySection(3));
    hane.add(u"ビッグシューター"_s);
    ModelListFile(folder, u"パーラー駅前"_s).write({{u"フィーバー銀河"_s, 2}, {u"ビッグシューター"_s, 3}});
}

// Six years of a regular player's visits, up to the end of the last full month.
void sampleDiaries(const DataFolder &folder, const QDate &today) {
    const QStringList halls = {u"パーラー駅前"_s, u"ホール桜町"_s, u"まるよし本店"_s, u"スター会館"_s,
                               u"ニュー銀座"_s};
    const QStringList models[] = {{u"ビッグシューター"_s, u"ちょいパチ"_s},
                                  {u"フィーバー銀河"_s, u"ドリームスター"_s, u"海の物語"_s},
                                  {u"ＣＲ大海原"_s, u"ＣＲ花の慶次"_s},
                                  {u"権利物ゼロ"_s},
                                  {u"一般電役ミニ"_s}};
    QRandomGenerator rnd(20261208);
    const QDate end = QDate(today.year(), today.month(), 1).addDays(-1);
    for (int year = today.year() - 5; year <= today.year(); ++year) {
        QList<CardRecord> cards;
        for (QDate d(year, 1, 1); d.year() == year && d <= end; d = d.addDays(1)) {
            // Mostly weekends and the odd weekday evening.
            const bool weekend = d.dayOfWeek() >= 6;
            if (rnd.bounded(100) >= (weekend ? 55 : 12)) continue;
            const int visits = rnd.bounded(100) < 20 ? 2 : 1;
            int hour = weekend ? 10 + rnd.bounded(3) : 17 + rnd.bounded(3);
            for (int v = 0; v < visits; ++v) {
                const int category = 1 + rnd.bounded(5);
                const QStringList &names = models[category - 1];
                const int length = 60 + rnd.bounded(240);
                const int endMinutes = std::min(hour * 60 + length, 23 * 60);
                // The later halls in the list pay out a little worse.
                const int hall = rnd.bounded(int(halls.size()));
                const int investment = 20 + rnd.bounded(280);
                const int cashOut = rnd.bounded(100) < 30 - 2 * hall ? investment + rnd.bounded(350)
                                                                     : rnd.bounded(investment);
                CardRecord c;
                c.setField(CardRecord::VisitDate, yyyy(d) + mm(d) + dd(d) + weekdayChar(d));
                c.setField(CardRecord::StartTime, QString::number(hour).rightJustified(2, u' ') + u"00"_s);
                c.setField(
                    CardRecord::EndTime,
                    QStringLiteral("%1%2").arg(endMinutes / 60, 2).arg(endMinutes % 60, 2, 10, QChar(u'0')));
                c.setField(CardRecord::StoreName, halls[hall]);
                c.setField(CardRecord::Category, QString::number(category));
                c.setField(CardRecord::ModelName, names[rnd.bounded(int(names.size()))]);
                c.setField(CardRecord::Investment, QString::number(investment).rightJustified(4, u'0'));
                c.setField(CardRecord::CashOut, QString::number(cashOut).rightJustified(4, u'0'));
                c.setField(CardRecord::DayType, rnd.bounded(100) < 85 ? u"111"_s : u"444"_s);
                cards.append(c);
                hour = endMinutes / 60 + 1;
                if (hour > 21) break;
            }
        }
        QList<QByteArray> records;
        for (const CardRecord &c : cards)
            records.append(c.record().toBytes());
        DiaryFile(folder, DiaryFileName(u"taro"_s, year)).rewriteRaw(records);
    }
}

// The card being entered completed with play data, registered, and shown again: the
// panel beside it with every figure.
void playedCard(const DataFolder &folder, PatincoMain *main) {
    {
        PlayDatabase db(folder);
        HallTerms terms;
        terms.store = u"パーラー駅前"_s;
        terms.from = QDate(QDate::currentDate().year(), 1, 1);
        terms.lend = 4;
        terms.exchange = 28;
        db.setHallTerms(terms);
        ModelSpec modelSpec;
        modelSpec.category = 2;
        modelSpec.model = u"ドリームスター"_s;
        modelSpec.probability = 319.6;
        modelSpec.payout = 5400;
        db.setModelSpec(modelSpec);
    }
    auto type = [main](const char *name, const QString &text) {
        main->findChild<QLineEdit *>(QString::fromLatin1(name))->setText(text);
    };
    const std::pair<const char *, QString> boxes[] = {
        {"Text8", u"1"_s},    {"Text9", u"4"_s},        {"Text20", u"3"_s},      {"Text21", u"0"_s},
        {"Text11", u"2"_s},   {"Text12", u"0"_s},       {"Text13", u"0"_s},      {"Text15", u"3"_s},
        {"Text16", u"1"_s},   {"Text17", u"0"_s},       {"playSpins", u"410"_s}, {"playOwnBalls", u"500"_s},
        {"playHits", u"3"_s}, {"playMachine", u"125"_s}};
    for (const auto &[name, text] : boxes)
        type(name, text);
    main->findChild<QPushButton *>(u"Command23"_s)->click();
    QScrollBar *cards = main->findChild<QScrollBar *>(u"HScroll1"_s);
    cards->setValue(cards->value() - 1);
    settle();
}

// Play data for most of the sample cards: the halls' terms, the models' 機種スペック, and spins
// at a rate around the border (a little better at the first halls), with own balls now
// and then; one change per diary.
void samplePlayData(const DataFolder &folder) {
    PlayDatabase db(folder);
    if (!db.isOpen()) return;
    const QStringList halls = {u"パーラー駅前"_s, u"ホール桜町"_s, u"まるよし本店"_s, u"スター会館"_s,
                               u"ニュー銀座"_s};
    for (int h = 0; h < halls.size(); ++h)
        db.setHallTerms({halls[h], QDate(2000, 1, 1), 4, h % 2 ? 28.0 : 25.0, std::nullopt, {}});
    QRandomGenerator rnd(2026);
    for (const QString &name : QDir(folder.path()).entryList({u"taro.*.dat"_s}, QDir::Files)) {
        const DiaryFile diary(folder, name, RecordFile::Mode::ReadOnly);
        QList<QByteArray> records;
        diary.forEachRaw([&](int, const char *bytes) { records.append(QByteArray(bytes, 240)); });
        const DiaryKeys keys = DiaryKeys::ofRecords(records);
        PlayChange change(name);
        for (int n = 1; n <= keys.count(); ++n) {
            if (rnd.bounded(100) < 15) continue; // not every card gets play data
            const CardRecord card = *diary.read(n);
            const CategoryInfo *category = categoryByCardCode(card.field(CardRecord::Category));
            const QString model = card.field(CardRecord::ModelName).trimmed();
            if (category && !db.modelSpec(category->option, model))
                db.setModelSpec(
                    {category->option, model, 319.6, 4300.0 + 150 * category->option, std::nullopt, {}});
            const int hall = int(halls.indexOf(card.field(CardRecord::StoreName).trimmed()));
            const double rate = 15.5 + rnd.bounded(60) / 10.0 - 0.4 * hall;
            const qint64 own = rnd.bounded(100) < 25 ? 200 + rnd.bounded(800) : 0;
            const double fired = double(card.investmentYen()) / 4 + double(own);
            PlayInputs p;
            p.spins = qint64(rate * fired / 250);
            if (own) p.ownBalls = own;
            p.hits = rnd.bounded(8);
            change.set(keys.key(n), p, n);
        }
        db.commit(db.prepare(change, DiaryExpectation::fileWritten(records)));
    }
}

// 貯玉 at two halls over the last two years: some visits end with balls stored, later ones
// replay them (a 2 % fee at the first hall), and an exchange and a correction by hand.
void sampleChodama(const DataFolder &folder, const QDate &today) {
    PlayDatabase db(folder);
    if (!db.isOpen()) return;
    const QStringList halls = {u"パーラー駅前"_s, u"ホール桜町"_s};
    std::optional<HallTerms> terms = db.termsOn(halls[0], today);
    if (!terms) return;
    terms->feePercent = 2;
    db.setHallTerms(*terms);
    QRandomGenerator rnd(88);
    qint64 stored[2] = {0, 0};
    for (int year = today.year() - 1; year <= today.year(); ++year) {
        const QString name = DiaryFileName(u"taro"_s, year);
        const DiaryFile diary(folder, name, RecordFile::Mode::ReadOnly);
        const QList<QByteArray> records = diary.readAllRaw();
        const DiaryKeys keys = DiaryKeys::ofRecords(records);
        const QHash<CardKey, PlayInputs> rows = db.playOfDiary(name);
        for (int n = 1; n <= keys.count(); ++n) {
            const int hall = int(halls.indexOf(diary.read(n)->field(CardRecord::StoreName).trimmed()));
            if (hall < 0) continue;
            PlayInputs p = rows.value(keys.key(n));
            if (stored[hall] > 800 && rnd.bounded(100) < 45) {
                p.chodamaUsed = std::min<qint64>(stored[hall] * 9 / 10, 250 * (1 + rnd.bounded(4)));
                stored[hall] -= *p.chodamaUsed + (hall == 0 ? chodamaFeeBalls(*p.chodamaUsed, 2) : 0);
            } else if (rnd.bounded(100) < 30) {
                p.chodamaDeposited = 100 + rnd.bounded(1400);
                stored[hall] += *p.chodamaDeposited;
            } else {
                continue;
            }
            db.setPlay(name, keys.key(n), p, n);
        }
    }
    ChodamaEntry settle{{},
                        u"taro"_s,
                        halls[1],
                        today.addDays(-20),
                        ChodamaKind::Settle,
                        std::max<qint64>(1, stored[1] / 3),
                        u"景品に交換"_s,
                        {}};
    ChodamaEntry adjust{
        {}, u"taro"_s, halls[0], today.addDays(-9), ChodamaKind::Adjust, -12, u"会員カードの残高に合わせる"_s,
        {}};
    for (const ChodamaEntry &e : {settle, adjust})
        db.addChodamaEntry(e);
}

// pRecord's export of a few visits: three new ones (one at a hall whose name is longer than
// the card holds), the diary's last card, an amount not in hundreds and a day that does not exist.
QString sampleImport(const DataFolder &folder, const QDate &today) {
    QString text = precordHeader().join(u',') + u"\r\n"_s;
    auto row = [&](const QDate &d, const QString &hall, const QString &model, const QString &machine,
                   qint64 in, qint64 out, const QString &memo, const QString &hours) {
        text += QStringList{d.toString(u"yyyy/MM/dd"_s),
                            u"3"_s,
                            hall,
                            QString(),
                            QString(),
                            model,
                            machine,
                            QString::number(in),
                            QString::number(out),
                            QString::number(out - in),
                            memo,
                            hours,
                            QString()}
                    .join(u',') +
                u"\r\n"_s;
    };
    row(today.addDays(-1), u"ホール桜町"_s, u"海の物語"_s, u"87"_s, 15000, 32000, u"朝一から好調"_s,
        u"4.5"_s);
    row(today.addDays(-2), u"ニューパチンコ大銀座駅前本店"_s, u"ドリームスター"_s, u"112"_s, 20000, 0,
        QString(), u"2.25"_s);
    QList<CardRecord> cards;
    for (int year = today.year(); cards.isEmpty() && year > today.year() - 2; --year)
        cards = DiaryFile(folder, DiaryFileName(u"taro"_s, year), RecordFile::Mode::ReadOnly).readAll();
    if (!cards.isEmpty()) {
        const CardRecord &c = cards.last();
        const QString date = c.field(CardRecord::VisitDate);
        auto minutes = [&c](CardRecord::Field f) {
            const QString t = c.field(f);
            return t.left(2).trimmed().toInt() * 60 + t.right(2).toInt();
        };
        row(QDate(date.left(4).toInt(), date.mid(4, 2).toInt(), date.mid(6, 2).toInt()),
            c.field(CardRecord::StoreName).trimmed(), c.field(CardRecord::ModelName).trimmed(), u"21"_s,
            c.investmentYen(), c.cashOutYen(), QString(),
            QString::number((minutes(CardRecord::EndTime) - minutes(CardRecord::StartTime)) / 60.0, 'f', 2));
    }
    row(today.addDays(-3), u"パーラー駅前"_s, u"フィーバー銀河"_s, u"105"_s, 1250, 0, QString(), u"1"_s);
    text += u"2025/02/30,3,スター会館,,,ＣＲ大海原,8,10000,4000,-6000,,2,\r\n"_s;
    row(today.addDays(-4), u"スター会館"_s, u"ＣＲ大海原"_s, u"8"_s, 10000, 4000, QString(), u"2"_s);
    return text;
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    initResources();
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : u"docs/screenshots"_s;
    QuietDialogs dialogs;
    setDialogs(&dialogs);
    QTemporaryDir dir;
    DiaryState state(dir.path());
    sampleData(state.folder);
    sampleDiaries(state.folder, QDate::currentDate());
    samplePlayData(state.folder);
    WindowRegistry registry(state);

    PATINKEST *users = registry.get<PATINKEST>();
    users->Form_Load();
    users->findChild<QListWidget *>(u"List1"_s)->setCurrentRow(0);
    save(users, out, u"patinkest.png"_s);

    NEWNAME *newName = registry.get<NEWNAME>();
    newName->findChild<QLineEdit *>(u"Text1"_s)->setText(u"じろう"_s);
    save(newName, out, u"newname.png"_s);
    newName->hide();

    users->OpenUserDiary(u"taro"_s);
    PatincoMain *main = registry.find<PatincoMain>();
    settle();
    main->findChild<QComboBox *>(u"Combo1"_s)->setEditText(u"パーラー駅前"_s);
    main->findChild<QRadioButton *>(u"Option2"_s)->click();
    main->findChild<QComboBox *>(u"Combo2"_s)->setEditText(u"ドリームスター"_s);
    settle();

    save(main, out, u"cardscreen.png"_s);
    playedCard(state.folder, main);
    save(main, out, u"cardscreen-play.png"_s);
    {
        // Limits of the month's investment and visits; a raise of the visits waits a day.
        PlayDatabase db(state.folder);
        const QDateTime now = QDateTime::currentDateTime();
        db.setLimit(u"taro"_s, UserLimits().change(LimitKind::Investment, 50000, now));
        db.setLimit(u"taro"_s, UserLimits().change(LimitKind::Visits, 8, now));
        db.setLimit(u"taro"_s, UserLimits(db.limits(u"taro"_s)).change(LimitKind::Visits, 12, now));
    }
    main->drawLimits();
    save(main, out, u"cardscreen-limit.png"_s);
    save(registry.get<LimitsWindow>(), out, u"limits.png"_s);
    registry.unload<LimitsWindow>();
    save(registry.get<search_kisyu>(), out, u"search_kisyu.png"_s);
    registry.unload<search_kisyu>();
    save(registry.get<New_touroku>(), out, u"new_touroku.png"_s);
    registry.unload<New_touroku>();
    save(registry.get<ver>(), out, u"ver.png"_s);
    HelpWindow *help = registry.get<HelpWindow>();
    help->showContents();
    save(help, out, u"help.png"_s);
    tyoimati *wait = registry.get<tyoimati>();
    save(wait, out, u"tyoimati.png"_s);
    registry.unload<tyoimati>();

    AnalysisWindow *analysis = registry.get<AnalysisWindow>();
    analysis->resize(1200, 700);
    analysis->showMonth(QDate::currentDate().addMonths(-1).year(),
                        QDate::currentDate().addMonths(-1).month());
    save(analysis, out, u"analysis-calendar.png"_s);
    analysis->findChild<QTabWidget *>(u"Tabs"_s)->setCurrentIndex(1);
    analysis->findChild<QComboBox *>(u"ByCombo"_s)->setCurrentIndex(int(StatsBy::Hall));
    save(analysis, out, u"analysis-stats.png"_s);
    analysis->findChild<QTabWidget *>(u"Tabs"_s)->setCurrentIndex(2);
    save(analysis, out, u"analysis-years.png"_s);
    analysis->findChild<QTabWidget *>(u"Tabs"_s)->setCurrentIndex(3);
    save(analysis, out, u"analysis-ev.png"_s);
    analysis->findChild<QTabWidget *>(u"Tabs"_s)->setCurrentIndex(4);
    save(analysis, out, u"analysis-results.png"_s);
    registry.unload<AnalysisWindow>();

    // Backups: a week of daily snapshots, an organise and one taken by hand; then a copy of
    // this year's diary from another computer, with two cards more and one edited.
    {
        const QString diary = DiaryFileName(u"taro"_s, QDate::currentDate().year());
        const QDateTime start = QDateTime::currentDateTime().addDays(-7);
        FixedClock fixed(start);
        setClock(&fixed);
        backup::Backups backups(state.folder);
        for (int day = 0; day < 7; ++day) {
            fixed.set(start.addDays(day));
            if (day == 3) backups.take(backup::Reason::Organise, diary);
            backups.take(backup::Reason::Daily);
        }
        fixed.set(start.addDays(7));
        backups.take(backup::Reason::Manual);
        setClock(nullptr);

        QList<QByteArray> copy = DiaryFile(state.folder, diary).readAllRaw();
        if (!copy.isEmpty()) {
            QByteArray edited = copy.last();
            edited.replace(69, 8, "00500120"); // other amounts on the same visit
            copy.append(edited);
        }
        for (int i = 0; i < 2 && !copy.isEmpty(); ++i) {
            QByteArray extra = copy.last();
            extra.replace(10, 4, i == 0 ? "1900" : "2030");
            copy.append(extra);
        }
        QFile f(state.folder.file(diary.chopped(4) + u".sync-conflict-20261207-213000-K7QW2RA.dat"_s));
        if (f.open(QIODevice::WriteOnly)) f.write(copy.join());
        f.close();

        BackupWindow *w = registry.get<BackupWindow>();
        w->reload();
        save(w, out, u"backups.png"_s);
        w->findChild<QTabWidget *>(u"Tabs"_s)->setCurrentIndex(1);
        save(w, out, u"backups-settings.png"_s);
        w->findChild<QTabWidget *>(u"Tabs"_s)->setCurrentIndex(0);

        const MergePlan plan = planMerge(DiaryFile(state.folder, diary).readAllRaw(), copy, state.year());
        QMessageBox box(QMessageBox::Information, u"日記の統合"_s,
                        BackupWindow::mergeQuestion(plan, QFileInfo(f.fileName()).fileName(), diary),
                        QMessageBox::Ok | QMessageBox::Cancel, w);
        save(&box, out, u"merge-question.png"_s);
        box.hide();
        registry.unload<BackupWindow>();
    }

    // The monthly graph with all three running totals and its legend, in both styles.
    tukiGrafh *graph = registry.get<tukiGrafh>();
    graph->resize(802, 682);
    graph->findChild<QAction *>(u"sumkankin"_s)->trigger();
    graph->findChild<QAction *>(u"SumTousi"_s)->trigger();
    graph->Form_Activate();
    save(graph, out, u"tukigrafh-line.png"_s);
    graph->findChild<QAction *>(u"sengrafh"_s)->trigger();
    graph->Form_Activate();
    save(graph, out, u"tukigrafh-bar.png"_s);
    sampleChodama(state.folder, QDate::currentDate());
    ChodamaWindow *chodama = registry.get<ChodamaWindow>();
    chodama->resize(1120, 640);
    chodama->reload();
    save(chodama, out, u"chodama.png"_s);

    // 取り込み: a phone diary's export of recent visits in the preview: new visits, one already
    // in the diary, a hall name cut to its length, and two rows that cannot be stored.
    {
        const QString csv = QDir(dir.path()).filePath(u"precord-export.csv"_s);
        QFile f(csv);
        if (f.open(QIODevice::WriteOnly)) f.write(sampleImport(state.folder, QDate::currentDate()).toUtf8());
        f.close();
        ImportWindow *w = registry.get<ImportWindow>();
        w->findChild<QLineEdit *>(u"FileBox"_s)->setText(csv);
        w->findChild<QComboBox *>(u"CategoryBox"_s)->setCurrentIndex(1); // デジパチ
        w->findChild<QPushButton *>(u"ReadButton"_s)->click();
        w->resize(1200, 640);
        save(w, out, u"import-preview.png"_s);
        registry.unload<ImportWindow>();

        ExportWindow *e = registry.get<ExportWindow>();
        e->findChild<QLineEdit *>(u"FileBox"_s)->setText(u"/home/taro/pRecord-import.csv"_s);
        save(e, out, u"export.png"_s);
        registry.unload<ExportWindow>();
    }

    registry.unloadAll();
    return 0;
}
