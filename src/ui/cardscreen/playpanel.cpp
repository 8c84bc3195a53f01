#include "cardscreen/playpanel.h"

#include "app/named.h"
#include "app/storeerrorreport.h"
#include "common/dialogs.h"
#include "common/grouping.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QRegularExpressionValidator>
#include <QScopedValueRollback>
#include <QSettings>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

using Box = CardEditor::PlayBox;

const QString kSettingsKey = u"cardscreen/playPanel"_s;

QLabel *figure(const QString &name, QWidget *parent) {
    auto *l = named(new QLabel(parent), name);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    l->setMinimumWidth(l->fontMetrics().horizontalAdvance(u"+99,999,999"_s));
    return l;
}

QString signedRate(double rate) {
    const QString text = rateText(rate);
    return rate >= 0.05 ? u'+' + text : text; // "+0.0" would claim a gain that is not there
}

} // namespace

PlayPanel::PlayPanel(CardEditor &editor, QWidget *parent)
    : QGroupBox(u"稼働データ"_s, parent), m_editor(editor) {
    setObjectName(u"PlayPanel"_s);
    static const char16_t *names[6] = {u"playSpins",   u"playOwnBalls",    u"playHits",
                                       u"playMachine", u"playChodamaUsed", u"playChodamaDeposited"};
    static const QString captions[6] = {u"通常回転数"_s, u"持ち玉"_s,       u"大当たり回数"_s,
                                        u"台番号"_s,     u"貯玉再プレイ"_s, u"貯玉預け入れ"_s};
    static const QRegularExpression count(u"[0-9０-９]{0,6}"_s);
    static const QRegularExpression balls(u"[0-9０-９]{0,8}"_s); // 貯玉 runs to kMaxChodamaBalls
    auto *grid = new QGridLayout(this);
    int row = 0;
    for (int i = 0; i < 6; ++i) {
        QLineEdit *b = named(new QLineEdit(this), QString::fromUtf16(names[i]));
        b->setAlignment(Qt::AlignRight);
        b->setFixedWidth(b->fontMetrics().horizontalAdvance(u"0000000000"_s) + 14);
        if (Box(i) != Box::Machine) {
            b->setValidator(new QRegularExpressionValidator(i > 3 ? balls : count, b));
            b->setToolTip(u"↑↓で１ずつ増減"_s);
            b->installEventFilter(this);
        } else {
            b->setMaxLength(kMaxMachineLength);
        }
        connect(b, &QLineEdit::textChanged, this, [this, i](const QString &t) {
            if (m_drawing) return;
            m_editor.setPlayText(Box(i), t);
            draw();
        });
        m_boxes[size_t(i)] = b;
        grid->addWidget(new QLabel(captions[i], this), row, 0);
        grid->addWidget(b, row++, 1, Qt::AlignRight);
    }
    grid->setRowMinimumHeight(row++, 8);
    auto add = [&](const QString &caption, QLabel *value, const QString &unit) {
        grid->addWidget(new QLabel(caption, this), row, 0);
        grid->addWidget(value, row, 1);
        grid->addWidget(new QLabel(unit, this), row, 2);
        ++row;
    };
    add(u"回転率"_s, m_rate = figure(u"playRate"_s, this), u"回/千円"_s);
    add(u"現金ボーダー"_s, m_borderCash = figure(u"playBorderCash"_s, this), u"回/千円"_s);
    add(u"ボーダー差"_s, m_borderGap = figure(u"playBorderGap"_s, this), u"回"_s);
    add(u"期待値（仕事量）"_s, m_expected = figure(u"playExpectedValue"_s, this), u"円"_s);
    add(u"余剰"_s, m_luck = figure(u"playLuck"_s, this), u"円"_s);
    m_missing = named(new QLabel(this), u"playMissing"_s);
    m_unavailable = named(new QLabel(this), u"playUnavailable"_s);
    for (QLabel *l : {m_missing, m_unavailable}) {
        l->setWordWrap(true);
        grid->addWidget(l, row++, 0, 1, 3);
    }
    m_unavailable->setStyleSheet(u"color: #c00000"_s);
    m_detached = named(new QPushButton(u"切り離された稼働データ…"_s, this), u"playDetached"_s);
    grid->addWidget(m_detached, row++, 0, 1, 3);
    grid->setRowStretch(row, 1);
    connect(m_detached, &QPushButton::clicked, this, &PlayPanel::chooseDetached);
    // Long notes wrap within the panel instead of widening the window.
    setMaximumWidth(sizeHint().width() + fontMetrics().horizontalAdvance(u"0000"_s));

    m_toggle = new QAction(u"稼働データを表示"_s, this);
    m_toggle->setObjectName(u"showPlayPanel"_s);
    m_toggle->setCheckable(true);
    m_toggle->setChecked(QSettings(u"tamanote"_s, u"tamanote"_s).value(kSettingsKey, true).toBool());
    setVisible(m_toggle->isChecked());
    connect(m_toggle, &QAction::toggled, this, [this](bool on) {
        setVisible(on);
        draw();
        QSettings(u"tamanote"_s, u"tamanote"_s).setValue(kSettingsKey, on);
    });
}

void PlayPanel::useFolder(const DataFolder &folder, bool readOnly) {
    const QString path = folder.file(PlayDatabase::fileName());
    if (!m_db || !m_db->isOpen() || m_dbPath != path) {
        m_editor.setPlayDatabase(nullptr);
        m_db.reset(); // one connection at a time
        m_dbPath = path;
        // Whatever stands under the name is opened, to tell why it cannot be used; a
        // database that is not there yet is made with the first play data.
        if (QFileInfo::exists(path) || QFileInfo(path).isSymLink()) open(folder, readOnly);
    }
    m_editor.setPlayDatabase(m_db.get());
    m_folderPath = folder.path();
    m_readOnly = readOnly;
    m_editor.setPlayDatabaseMaker([this] {
        open(DataFolder(m_folderPath), m_readOnly);
        return m_db.get();
    });
}

// Interrupted changes were repaired when the data folder was opened.
void PlayPanel::open(const DataFolder &folder, bool readOnly) {
    m_db = std::make_unique<PlayDatabase>(folder, readOnly ? PlayDatabase::Mode::ReadOnly
                                                           : PlayDatabase::Mode::ReadWrite);
}

void PlayPanel::placeInTabOrder(QWidget *before, QWidget *after) {
    QWidget *previous = before;
    for (QWidget *w : std::initializer_list<QWidget *>{m_boxes[0], m_boxes[1], m_boxes[2], m_boxes[3],
                                                       m_boxes[4], m_boxes[5], m_detached}) {
        setTabOrder(previous, w);
        previous = w;
    }
    setTabOrder(previous, after);
}

QString PlayPanel::yenText(qint64 yen) {
    return (yen > 0 ? u"+"_s : QString()) + groupedDigits(yen);
}

void PlayPanel::draw() {
    if (isHidden()) return; // drawn when shown again: a hidden panel asks the database nothing
    // Another window may have made the database since (with a hall's terms).
    if (!m_db && !m_folderPath.isEmpty() && QFileInfo::exists(m_dbPath)) {
        open(DataFolder(m_folderPath), m_readOnly);
        m_editor.setPlayDatabase(m_db.get());
    }
    const QScopedValueRollback drawing(m_drawing, true);
    const QString unavailable = m_editor.playUnavailable();
    for (int i = 0; i < 6; ++i) {
        QLineEdit *b = m_boxes[size_t(i)];
        b->setEnabled(unavailable.isEmpty());
        if (b->text() != m_editor.playText(Box(i))) b->setText(m_editor.playText(Box(i)));
    }
    m_unavailable->setText(unavailable.isEmpty() ? QString()
                                                 : u"稼働データは使えません：%1"_s.arg(unavailable));
    m_unavailable->setVisible(!unavailable.isEmpty());

    const PlayFigures f = m_editor.playFigures();
    // The rate needs only the hall's terms; the rest needs the model's 機種スペック as well.
    const bool rate = f.complete() || f.missing == PlayMissing::NoModelSpec;
    const QString none = u"－"_s;
    m_rate->setText(rate ? rateText(f.spinRate) : none);
    m_borderCash->setText(f.complete() ? rateText(f.borderCash) : none);
    m_borderGap->setText(f.complete() ? signedRate(f.borderGap) : none);
    m_expected->setText(f.complete() ? yenText(f.expectedValue) : none);
    m_luck->setText(f.complete() ? yenText(f.luck) : none);
    for (QLabel *l : {m_borderGap, m_expected, m_luck}) {
        const bool negative = l->text().startsWith(u'-');
        l->setStyleSheet(negative ? u"color: #ff0000"_s : QString());
    }
    m_missing->setText(unavailable.isEmpty() ? m_editor.playMissingNote() : QString());
    m_missing->setVisible(!m_missing->text().isEmpty());

    m_detached->setVisible(!m_editor.detachedPlay().isEmpty());
}

// Up and Down step a count by one, as they step the card's time and amount boxes.
bool PlayPanel::eventFilter(QObject *watched, QEvent *e) {
    if (e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(e)->key();
        for (int i = 0; i < 6; ++i)
            if (Box(i) != Box::Machine && watched == m_boxes[size_t(i)] &&
                (key == Qt::Key_Up || key == Qt::Key_Down)) {
                m_editor.stepPlay(Box(i), key == Qt::Key_Up ? 1 : -1);
                draw();
                return true;
            }
    }
    return QGroupBox::eventFilter(watched, e);
}

// Lists the diary's detached rows; the one chosen goes to the card shown.
void PlayPanel::chooseDetached() {
    const QList<DetachedPlay> rows = m_editor.detachedPlay();
    if (rows.isEmpty()) return;
    QDialog dialog(this);
    dialog.setObjectName(u"detachedPlay"_s);
    dialog.setWindowTitle(u"切り離された稼働データ"_s);
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(
        u"カードが見つからなくなった稼働データです。いま表示しているカードにつなげるものを選んでください。"_s,
        &dialog));
    auto *list = named(new QListWidget(&dialog), u"detachedList"_s);
    auto count = [](const std::optional<qint64> &n) { return n ? QString::number(*n) : u"－"_s; };
    for (const DetachedPlay &d : rows) {
        const bool chodama = d.play.chodamaUsed || d.play.chodamaDeposited;
        list->addItem(u"カード %1  回転数 %2  持ち玉 %3  大当たり %4  台 %5  %6（%7）"_s.arg(
            QString::number(d.cardHint), count(d.play.spins), count(d.play.ownBalls), count(d.play.hits),
            d.play.machine.isEmpty() ? u"－"_s : d.play.machine,
            chodama ? u"貯玉再プレイ %1  貯玉預け入れ %2  "_s.arg(count(d.play.chodamaUsed),
                                                                  count(d.play.chodamaDeposited))
                    : QString(),
            d.updated.toLocalTime().toString(u"yyyy/MM/dd HH:mm"_s)));
    }
    list->setCurrentRow(0);
    layout->addWidget(list);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted || list->currentRow() < 0) return;
    const DetachedPlay &chosen = rows[list->currentRow()];
    if (ConfirmCancelled(
            u"選んだ稼働データをカード %1 につなげます。よろしいですか？"_s.arg(m_editor.number()),
            u"切り離された稼働データ"_s))
        return;
    try {
        m_editor.attachPlay(chosen.id);
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
    draw();
}

} // namespace tama
