#include "master/backupwindow.h"

#include "app/fonts.h"
#include "app/named.h"
#include "app/storeerrorreport.h"
#include "app/windowhelpers.h"
#include "app/windowregistry.h"
#include "cardscreen/patincomain.h"
#include "common/dialogs.h"
#include "common/text.h"
#include "master/kdata.h"
#include "master/mdata.h"
#include "store/diary.h"
#include "store/importwriter.h"
#include "store/modellist.h"
#include "store/storeerror.h"
#include "store/storefile.h"
#include "views/analysiswindow.h"
#include "views/dispreport.h"
#include "views/listview.h"
#include "views/tukigrafh.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLocale>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

QString kindText(const QString &kind) {
    if (kind == u"users"_s) return u"使用者"_s;
    if (kind == u"diary"_s) return u"日記"_s;
    if (kind == u"stores"_s) return u"店データ"_s;
    if (kind == u"catalogue"_s) return u"機種データ"_s;
    if (kind == u"model-list"_s) return u"店の機種一覧"_s;
    if (kind == u"play-database"_s) return u"稼働データ・交換条件・機種スペック"_s;
    return kind;
}

// The halls of the snapshot and of the folder now, for naming their model lists.
QStringList hallsKnownTo(const backup::Snapshot &s, const DataFolder &folder) {
    QStringList halls;
    const DataFolder held(QFileInfo(s.filePath(StoreFile::fileName())).path());
    for (const DataFolder &f : {held, folder}) {
        if (!QFileInfo::exists(f.file(StoreFile::fileName()))) continue;
        try {
            for (const QString &hall : StoreFile(f, true).list())
                if (!halls.contains(hall)) halls.append(hall);
        } catch (const StoreError &) {
            // A damaged store file only leaves its halls unnamed; restoring still works.
        }
    }
    return halls;
}

// A model list's name is cut from its hall's, so a person cannot tell whose it is.
QString modelListText(const QString &fileName, const QStringList &halls) {
    QStringList owners;
    for (const QString &hall : halls)
        if (modelListFileName(hall) == fileName) owners.append(u"「"_s + hall + u"」"_s);
    if (owners.isEmpty()) return u"店の機種一覧（店データにない店）"_s;
    return owners.join(u"・"_s) + u"の機種一覧"_s;
}

QString countText(const backup::SnapshotFile &f) {
    if (f.kind == u"users"_s) return QString::number(f.records) + u" 人"_s;
    if (f.kind == u"diary"_s) return QString::number(f.records) + u" 枚"_s;
    if (f.kind == u"stores"_s) return QString::number(f.records) + u" 店"_s;
    if (f.kind == u"play-database"_s) return QString::number(f.records) + u" 枚分"_s;
    return QString::number(f.records) + u" 機種"_s;
}

// "使用者 3 人、店 12、日記 6 ファイル 632 枚、機種データ 5、店の機種一覧 4"; the diaries
// one by one in the tooltip.
QString holdings(const backup::Snapshot &s, QString *diaryLines = nullptr) {
    QStringList parts, diaries;
    int diaryFiles = 0, catalogues = 0, lists = 0;
    qint64 cards = 0;
    for (const backup::SnapshotFile &f : s.files) {
        if (f.kind == u"users"_s) {
            parts.append(u"使用者 "_s + QString::number(f.records) + u" 人"_s);
        } else if (f.kind == u"diary"_s) {
            ++diaryFiles;
            cards += f.records;
            diaries.append(diaryUserOf(f.name) + u' ' + f.name.section(u'.', -2, -2) + u"年 "_s +
                           QString::number(f.records) + u" 枚"_s);
        } else if (f.kind == u"stores"_s) {
            parts.append(u"店 "_s + QString::number(f.records));
        } else if (f.kind == u"catalogue"_s) {
            ++catalogues;
        } else if (f.kind == u"play-database"_s) {
            parts.append(u"稼働データ "_s + QString::number(f.records) + u" 枚分"_s);
        } else {
            ++lists;
        }
    }
    if (diaryFiles) parts.append(QStringLiteral("日記 %1 ファイル %2 枚").arg(diaryFiles).arg(cards));
    if (catalogues) parts.append(u"機種データ "_s + QString::number(catalogues));
    if (lists) parts.append(u"店の機種一覧 "_s + QString::number(lists));
    if (diaryLines) *diaryLines = diaries.join(u'\n');
    return parts.isEmpty() ? u"（データなし）"_s : parts.join(u"、"_s);
}

QString whenText(const backup::Snapshot &s) {
    return s.time.toString(u"yyyy/MM/dd HH:mm:ss"_s);
}

QString sizeText(qint64 bytes) {
    return QLocale(QLocale::Japanese).formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

// A card named as the user sees it in the list: date, start time and store.
QString describeCard(const QByteArray &bytes) {
    const CardRecord card(Record::fromBytes(cardLayout(), bytes));
    const QString d = card.field(CardRecord::VisitDate);
    const QString t = card.field(CardRecord::StartTime);
    return d.mid(0, 4) + u'/' + d.mid(4, 2) + u'/' + d.mid(6, 2) + u' ' + t.left(2) + u':' + t.mid(2, 2) +
           u' ' + trim(card.field(CardRecord::StoreName));
}

backup::Settings currentSettings() {
    return backup::automaticSettings().value_or(backup::Settings::load());
}

} // namespace

BackupWindow::BackupWindow(WindowRegistry &registry) : m_registry(registry) {
    setObjectName(u"BackupWindow"_s);
    setWindowTitle(u"バックアップと復元"_s);
    setFont(listFont(10));

    Tabs = named(new QTabWidget(this), u"Tabs"_s);
    Tabs->addTab(buildSnapshotPage(), u"バックアップ(&K)"_s);
    Tabs->addTab(buildSettingsPage(), u"設定(&T)"_s);
    SizeLabel = named(new QLabel(this), u"SizeLabel"_s);
    CloseButton = plainButton(u"CloseButton"_s, u"閉じる(&C)"_s, this);

    auto *bottom = new QHBoxLayout;
    bottom->addWidget(SizeLabel, 1);
    bottom->addWidget(CloseButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Tabs, 1);
    layout->addLayout(bottom);

    connect(CloseButton, &QPushButton::clicked, this, &QWidget::close);
    showSettings(currentSettings());
    reload();
    resize(980, 640);
    // The open diary decides what is restored and merged; a write may have taken a snapshot.
    connect(&m_registry.state(), &DiaryState::diaryChanged, this, &BackupWindow::reload);
    connect(&m_registry.state(), &DiaryState::cardsChanged, this, &BackupWindow::reload);
}

QWidget *BackupWindow::buildSnapshotPage() {
    auto *page = new QWidget;
    Snapshots = named(new QTreeWidget(page), u"Snapshots"_s);
    Snapshots->setHeaderLabels({u"日時"_s, u"理由"_s, u"内容"_s});
    Snapshots->setRootIsDecorated(false);
    Snapshots->setAllColumnsShowFocus(true);
    Snapshots->setUniformRowHeights(true);
    Snapshots->header()->setStretchLastSection(true);
    Files = named(new QTreeWidget(page), u"Files"_s);
    Files->setHeaderLabels({u"ファイル"_s, u"種類"_s, u"件数"_s, u"前回から"_s});
    Files->setRootIsDecorated(false);
    Files->setAllColumnsShowFocus(true);

    RestoreDiary = plainButton(u"RestoreDiary"_s, u"いまの日記を復元(&D)"_s, page);
    RestoreFile = plainButton(u"RestoreFile"_s, u"選んだファイルを復元(&F)"_s, page);
    RestoreAll = plainButton(u"RestoreAll"_s, u"すべて復元(&A)"_s, page);
    TakeNow = plainButton(u"TakeNow"_s, u"いまバックアップ(&N)"_s, page);
    UndoImport = plainButton(u"UndoImport"_s, u"取り込みを元に戻す(&U)"_s, page);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(RestoreDiary);
    buttons->addWidget(RestoreFile);
    buttons->addWidget(RestoreAll);
    buttons->addStretch();
    buttons->addWidget(UndoImport);
    buttons->addWidget(TakeNow);

    auto *mergeBox = named(new QGroupBox(u"日記の統合"_s, page), u"MergeBox"_s);
    MergeFrom = named(new QComboBox(mergeBox), u"MergeFrom"_s);
    MergeButton = plainButton(u"MergeButton"_s, u"統合(&M)…"_s, mergeBox);
    auto *mergeLabel = new QLabel(u"統合するファイル(&I):"_s, mergeBox);
    mergeLabel->setBuddy(MergeFrom);
    auto *mergeRow = new QHBoxLayout(mergeBox);
    mergeRow->addWidget(mergeLabel);
    mergeRow->addWidget(MergeFrom, 1);
    mergeRow->addWidget(MergeButton);

    auto *listLabel = new QLabel(u"バックアップの一覧(&L):"_s, page);
    listLabel->setBuddy(Snapshots);
    auto *filesLabel = new QLabel(u"選んだバックアップのファイル(&E):"_s, page);
    filesLabel->setBuddy(Files);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(listLabel);
    layout->addWidget(Snapshots, 1);
    layout->addWidget(filesLabel);
    layout->addWidget(Files, 1);
    layout->addLayout(buttons);
    layout->addWidget(mergeBox);

    connect(Snapshots, &QTreeWidget::currentItemChanged, this, &BackupWindow::showFiles);
    connect(RestoreDiary, &QPushButton::clicked, this, &BackupWindow::RestoreDiary_Click);
    connect(RestoreFile, &QPushButton::clicked, this, &BackupWindow::RestoreFile_Click);
    connect(RestoreAll, &QPushButton::clicked, this, &BackupWindow::RestoreAll_Click);
    connect(TakeNow, &QPushButton::clicked, this, &BackupWindow::TakeNow_Click);
    connect(UndoImport, &QPushButton::clicked, this, &BackupWindow::UndoImport_Click);
    connect(MergeButton, &QPushButton::clicked, this, &BackupWindow::Merge_Click);
    return page;
}

QWidget *BackupWindow::buildSettingsPage() {
    auto *page = new QWidget;
    Automatic = named(new QCheckBox(u"自動でバックアップを取る(&U)"_s, page), u"Automatic"_s);
    auto spin = [page](const QString &name, int min, int max, const QString &suffix) {
        auto *s = named(new QSpinBox(page), name);
        s->setRange(min, max);
        s->setSuffix(suffix);
        s->setMaximumWidth(160);
        return s;
    };
    KeepOperations = spin(u"KeepOperations"_s, 1, 1000, u" 回分"_s);
    KeepDaily = spin(u"KeepDaily"_s, 1, 1000, u" 日分"_s);
    KeepMonthly = spin(u"KeepMonthly"_s, 0, 1000, u" か月分"_s);
    MaxShare = spin(u"MaxShare"_s, 10, 99, u" %"_s);
    SaveSettings = plainButton(u"SaveSettings"_s, u"保存(&S)"_s, page);
    DefaultSettings = plainButton(u"DefaultSettings"_s, u"既定に戻す(&R)"_s, page);

    auto *explain = new QLabel(
        u"自動のバックアップは、その日の最初の書き込みの前と、データを消したり置き換えたりする操作"
        u"（日記ファイルの整理、店や機種の削除、起動時に開くユーザーの変更）の前に取ります。"
        u"前回と変わらないファイルは前回のものを共有するので、増えるのは変わったファイルの分だけです。"
        u"復元と統合の前には、この設定にかかわらず必ず取ります。"_s
        u"残す数や割合の上限を超えたものは古いものから消します（いちばん新しいものは消しません）。"_s,
        page);
    explain->setWordWrap(true);
    auto *form = new QFormLayout;
    auto add = [&](const QString &text, QSpinBox *box) {
        auto *label = new QLabel(text, page);
        label->setBuddy(box);
        form->addRow(label, box);
    };
    add(u"操作の前のバックアップを残す数(&O):"_s, KeepOperations);
    add(u"日ごとのバックアップを残す数(&Y):"_s, KeepDaily);
    add(u"月ごと（その月の最初の日）を残す数(&H):"_s, KeepMonthly);
    add(u"データフォルダに占める割合の上限(&P):"_s, MaxShare);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(DefaultSettings);
    buttons->addWidget(SaveSettings);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(Automatic);
    layout->addLayout(form);
    layout->addWidget(explain);
    layout->addStretch();
    layout->addLayout(buttons);

    connect(SaveSettings, &QPushButton::clicked, this, &BackupWindow::SaveSettings_Click);
    connect(DefaultSettings, &QPushButton::clicked, this, [this] { showSettings(backup::Settings()); });
    return page;
}

void BackupWindow::showSettings(const backup::Settings &s) {
    Automatic->setChecked(s.automatic);
    KeepOperations->setValue(s.keepOperations);
    KeepDaily->setValue(s.keepDaily);
    KeepMonthly->setValue(s.keepMonthly);
    MaxShare->setValue(s.maxSharePercent);
}

backup::Settings BackupWindow::settings() const {
    backup::Settings s;
    s.automatic = Automatic->isChecked();
    s.keepOperations = KeepOperations->value();
    s.keepDaily = KeepDaily->value();
    s.keepMonthly = KeepMonthly->value();
    s.maxSharePercent = MaxShare->value();
    return s.bounded();
}

void BackupWindow::reload() {
    const DiaryState &st = m_registry.state();
    const backup::Backups backups(st.folder, currentSettings());
    const QString keep =
        Snapshots->currentItem() ? Snapshots->currentItem()->data(0, Qt::UserRole).toString() : QString();
    m_snapshots = backups.list();
    Snapshots->clear();
    QTreeWidgetItem *current = nullptr;
    const std::optional<backup::Snapshot> undoable = lastImport();
    for (qsizetype i = m_snapshots.size() - 1; i >= 0; --i) {
        const backup::Snapshot &s = m_snapshots[i];
        QString reason = backup::reasonText(s.reason);
        if (!s.detail.isEmpty()) reason += u"（"_s + s.detail + u"）"_s;
        const bool marked = undoable && undoable->id == s.id;
        if (marked) reason = u"◆ "_s + reason;
        QString diaries;
        const QString held = holdings(s, &diaries);
        auto *item = new QTreeWidgetItem(Snapshots, {whenText(s), reason, held});
        item->setData(0, Qt::UserRole, s.id);
        item->setToolTip(2, diaries);
        if (marked) item->setToolTip(1, u"「取り込みを元に戻す」で、この取り込みの前に戻せます"_s);
        if (s.id == keep) current = item;
    }
    UndoImport->setEnabled(undoable.has_value());
    if (!current && Snapshots->topLevelItemCount() > 0) current = Snapshots->topLevelItem(0); // the newest
    for (int c = 0; c < 2; ++c)
        Snapshots->resizeColumnToContents(c);
    if (current) Snapshots->setCurrentItem(current);
    showFiles();
    SizeLabel->setText(u"バックアップ "_s + QString::number(m_snapshots.size()) + u" 件、"_s +
                       sizeText(backups.backupBytes()) + u"（データ "_s + sizeText(backups.dataBytes()) +
                       u"）"_s);

    // Conflict copies of the open diary first: they are what a merge is usually for.
    MergeFrom->clear();
    for (const ConflictCopy &c : findConflictCopies(st.folder))
        if (c.original == st.diaryFile()) MergeFrom->addItem(c.name, st.folder.file(c.name));
    MergeFrom->addItem(u"ほかのファイル…"_s, QString());
}

std::optional<backup::Snapshot> BackupWindow::selected() const {
    const QTreeWidgetItem *item = Snapshots->currentItem();
    if (!item) return std::nullopt;
    const QString id = item->data(0, Qt::UserRole).toString();
    for (const backup::Snapshot &s : m_snapshots)
        if (s.id == id) return s;
    return std::nullopt;
}

void BackupWindow::showFiles() {
    Files->clear();
    const std::optional<backup::Snapshot> s = selected();
    RestoreDiary->setEnabled(s && s->file(m_registry.state().diaryFile()));
    RestoreFile->setEnabled(s.has_value());
    RestoreAll->setEnabled(s.has_value());
    if (!s) return;
    const QStringList halls = hallsKnownTo(*s, m_registry.state().folder);
    for (const backup::SnapshotFile &f : s->files) {
        const QString kind = f.kind == u"model-list"_s ? modelListText(f.name, halls) : kindText(f.kind);
        auto *item =
            new QTreeWidgetItem(Files, {f.name, kind, countText(f), f.changed ? u"変更あり"_s : u"同じ"_s});
        item->setTextAlignment(2, Qt::AlignRight | Qt::AlignVCenter);
        if (f.name == m_registry.state().diaryFile()) Files->setCurrentItem(item);
    }
    Files->resizeColumnToContents(0);
    Files->resizeColumnToContents(1);
}

void BackupWindow::restore(const QString &fileName) {
    const std::optional<backup::Snapshot> s = selected();
    if (!s) return;
    const DiaryState &st = m_registry.state();
    backup::Backups backups(st.folder, currentSettings());
    backup::RestorePlan plan;
    try {
        plan = backups.planRestore(*s, fileName);
    } catch (const StoreError &e) {
        reportStoreError(e);
        return;
    }
    if (plan.write.isEmpty() && plan.remove.isEmpty()) {
        InfoBox(u"いまのデータはこのバックアップと同じです。復元するものはありません。"_s, u"復元"_s);
        return;
    }
    QString question = u"バックアップ「"_s + whenText(*s) + u" "_s + backup::reasonText(s->reason) +
                       u"」の時点に戻します。\n\n"_s;
    for (const QString &name : plan.write) {
        const backup::SnapshotFile *f = s->file(name);
        question += u"戻すファイル: "_s + name + u"（"_s + countText(*f) + u"）\n"_s;
    }
    for (const QString &name : plan.remove)
        question += u"消すファイル: "_s + name + u"（バックアップの時点にはありませんでした）\n"_s;
    question += u"\nいまのデータは先にバックアップするので、この復元も元に戻せます。よろしいですか？"_s;
    if (ConfirmCancelled(question, u"復元"_s)) return;
    try {
        const backup::Snapshot undo = backups.restore(*s, fileName);
        afterDataChanged();
        InfoBox(u"復元しました。元に戻すには、一覧の「"_s + whenText(undo) + u" "_s +
                    backup::reasonText(undo.reason) + u"」から復元してください。"_s,
                u"復元"_s);
    } catch (const StoreError &e) {
        afterDataChanged(); // part of it may be done; every file is whole either way
        reportStoreError(e);
    }
    reload();
}

void BackupWindow::RestoreDiary_Click() {
    const std::optional<backup::Snapshot> s = selected();
    if (!s) return;
    const QString diary = m_registry.state().diaryFile();
    if (!s->file(diary)) {
        InfoBox(u"このバックアップには「"_s + diary + u"」がありません。"_s, u"注意"_s);
        return;
    }
    restore(diary);
}

void BackupWindow::RestoreFile_Click() {
    const QTreeWidgetItem *item = Files->currentItem();
    if (!item) {
        InfoBox(u"復元するファイルを下の一覧から選んでください。"_s, u"注意"_s);
        return;
    }
    restore(item->text(0));
}

void BackupWindow::RestoreAll_Click() {
    restore(QString());
}

void BackupWindow::TakeNow_Click() {
    try {
        const backup::Snapshot s =
            backup::Backups(m_registry.state().folder, currentSettings()).take(backup::Reason::Manual);
        reload();
        InfoBox(u"バックアップを取りました（"_s + whenText(s) + u"）。"_s, u"バックアップ"_s);
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
}

std::optional<backup::Snapshot> BackupWindow::lastImport() const {
    // Not one undone already: its undo's snapshot names it.
    QStringList undone;
    for (qsizetype i = m_snapshots.size() - 1; i >= 0; --i) {
        const backup::Snapshot &s = m_snapshots[i];
        if (s.reason == backup::Reason::Restore) undone.append(s.detail);
        if (s.reason != backup::Reason::Import) continue;
        if (undone.contains(undoImportDetail(s.id)) || importedFiles(s).isEmpty()) return std::nullopt;
        return s;
    }
    return std::nullopt;
}

void BackupWindow::UndoImport_Click() {
    const std::optional<backup::Snapshot> s = lastImport();
    if (!s) return;
    const DataFolder &folder = m_registry.state().folder;
    const QList<ImportedFile> files = importedFiles(*s);
    QString question = u"取り込み（"_s + s->detail + u"）を元に戻し、"_s + whenText(*s) +
                       u" の取り込みの前の状態にします。\n\n"_s;
    for (const ImportedFile &f : files)
        question += (f.made ? u"消すファイル: "_s : u"戻すファイル: "_s) + f.name + u'\n';
    question += u"\nいまのデータは先にバックアップするので、これも元に戻せます。よろしいですか？"_s;
    if (ConfirmCancelled(question, u"取り込みを元に戻す"_s)) return;
    const QStringList changed = changedSinceImport(folder, files);
    if (!changed.isEmpty() &&
        ConfirmCancelled(
            u"次のファイルは取り込みの後に変わっています。元に戻すと、その変更もなくなります。\n\n"_s +
                changed.join(u'\n') + u"\n\nそれでも元に戻しますか？"_s,
            u"取り込みを元に戻す"_s))
        return;
    try {
        const backup::Snapshot before = undoImport(folder, *s);
        afterDataChanged();
        InfoBox(u"取り込みを元に戻しました。やり直すには、一覧の「"_s + whenText(before) + u" "_s +
                    backup::reasonText(before.reason) + u"」から復元してください。"_s,
                u"取り込みを元に戻す"_s);
    } catch (const StoreError &e) {
        afterDataChanged();
        reportStoreError(e);
    }
    reload();
}

QString BackupWindow::conflictNotice(const QList<ConflictCopy> &copies) {
    QString text = u"フォルダ同期ソフトが残した競合コピーがデータフォルダにあります。\n\n"_s;
    for (const ConflictCopy &c : copies)
        text += c.name + u"\n　→ 「"_s + c.original + u"」のコピー（"_s + c.tool + u"）\n"_s;
    text += u"\n日記のコピーは、その使用者と年の日記を開いてから「データ設定」→「バックアップと復元」"_s
            u"（Ctrl+B）で統合できます。ほかのファイルは、中身を確かめてからどちらかを消してください。"_s;
    return text;
}

QString BackupWindow::mergeQuestion(const MergePlan &plan, const QString &from, const QString &diary) {
    QString text = u"「"_s + from + u"」のカードを日記「"_s + diary + u"」に統合します。\n\n"_s;
    text += QStringLiteral("日記のカード: %1 枚　統合するファイルのカード: %2 枚\n")
                .arg(plan.ours)
                .arg(plan.theirs);
    text += QStringLiteral("両方にある同じカード: %1 枚（１枚として数えます）\n").arg(plan.same);
    if (plan.marked > 0) text += QStringLiteral("削除の印を引き継ぐカード: %1 枚\n").arg(plan.marked);
    text += QStringLiteral("日記に加えるカード: %1 枚（%2 枚目から）\n")
                .arg(plan.added.size())
                .arg(plan.ours + 1);
    text += QStringLiteral("統合後: %1 枚\n").arg(plan.after());
    if (!plan.conflicts.isEmpty()) {
        text += QStringLiteral(
                    "\n日時と店が同じで中身の違うカードが %1 組あります。両方残すので、統合のあとで見比べて、"
                    "いらない方に削除の印を付けてください:\n")
                    .arg(plan.conflicts.size());
        for (qsizetype i = 0; i < plan.conflicts.size() && i < 10; ++i) {
            const MergePlan::Pair &p = plan.conflicts[i];
            text += QStringLiteral("　%1 枚目と %2 枚目: %3\n")
                        .arg(p.ours)
                        .arg(p.theirs)
                        .arg(describeCard(plan.records[p.theirs - 1]));
        }
        if (plan.conflicts.size() > 10)
            text += QStringLiteral("　ほか %1 組\n").arg(plan.conflicts.size() - 10);
    }
    text += u"\n統合の前にバックアップを取ります。統合しますか？"_s;
    return text;
}

void BackupWindow::Merge_Click() {
    QString path = MergeFrom->currentData().toString();
    if (path.isEmpty()) {
        path = QFileDialog::getOpenFileName(this, u"統合する日記のコピー"_s, m_registry.state().folder.path(),
                                            u"日記ファイル (*.dat);;すべてのファイル (*)"_s);
        if (path.isEmpty()) return;
    }
    merge(path);
}

void BackupWindow::merge(const QString &path) {
    const DiaryState &st = m_registry.state();
    const int year = st.year();
    MergePlan plan;
    try {
        const DiaryFile diary(st.folder, st.diaryFile(), RecordFile::Mode::ReadOnly);
        plan = planMerge(diary.readAllRaw(), readOtherCopy(path), year);
    } catch (const StoreError &e) {
        reportStoreError(StoreError(e.kind(), e.file().isEmpty() ? path : e.file(), e.reason()));
        return;
    }
    const QString from = QFileInfo(path).fileName();
    if (!plan.changes()) {
        InfoBox(u"「"_s + from + u"」のカードはすべて日記にあります。統合するものはありません。"_s,
                u"日記の統合"_s);
        return;
    }
    if (ConfirmCancelled(mergeQuestion(plan, from, st.diaryFile()), u"日記の統合"_s)) return;
    try {
        backup::Backups(st.folder, currentSettings()).take(backup::Reason::Merge, st.diaryFile());
        const MergePlan done = mergeDiary(st.folder, st.diaryFile(), path, year);
        afterDataChanged();
        InfoBox(
            QStringLiteral(
                "統合しました（%1 枚 → %2 枚）。「%3」はそのまま残っています。要らなければ消してください。")
                .arg(done.ours)
                .arg(done.after())
                .arg(from),
            u"日記の統合"_s);
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
    reload();
}

void BackupWindow::SaveSettings_Click() {
    const backup::Settings s = settings();
    try {
        s.save();
    } catch (const StoreError &e) {
        reportStoreError(e);
        return;
    }
    backup::setAutomatic(m_registry.state().folder, s);
    showSettings(s);
    InfoBox(u"バックアップの設定を保存しました。"_s, u"設定"_s);
}

void BackupWindow::afterDataChanged() {
    m_registry.unload<listview>();
    m_registry.unload<tukiGrafh>();
    m_registry.unload<dispreport>();
    m_registry.unload<AnalysisWindow>();
    m_registry.unload<KDATA>();
    m_registry.unload<MDATA>();
    if (PatincoMain *main = m_registry.find<PatincoMain>()) main->LoadDiary();
}

void BackupWindow::keyPressEvent(QKeyEvent *e) {
    if (e->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(e);
}

void BackupWindow::closeEvent(QCloseEvent *e) {
    e->accept();
    m_registry.unload<BackupWindow>();
}

} // namespace tama
