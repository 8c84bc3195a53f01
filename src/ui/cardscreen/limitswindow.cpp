#include "cardscreen/limitswindow.h"

#include "app/fonts.h"
#include "app/named.h"
#include "app/storeerrorreport.h"
#include "app/windowregistry.h"
#include "cardscreen/limitline.h"
#include "cardscreen/patincomain.h"
#include "common/clock.h"
#include "common/dialogs.h"
#include "common/text.h"
#include "master/settingsdatabase.h"
#include "store/storeerror.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QRegularExpression>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

struct KindText {
    const char16_t *label; // with its access key
    const char16_t *unit;
    const char *name; // of the row's controls
};

KindText kindText(LimitKind kind) {
    switch (kind) {
    case LimitKind::Investment:
        return {u"今月の投資(&I)", u"円", "Investment"};
    case LimitKind::Visits:
        return {u"今月の来店(&V)", u"回", "Visits"};
    case LimitKind::Hours:
        return {u"1日の遊技時間(&H)", u"時間", "Hours"};
    }
    return {};
}

// What a box holds as a value: nothing for an empty box (no limit). Hours are typed as
// 2.5 or 2:30. Throws StoreError(Invalid) for text that is no value.
std::optional<qint64> valueOfBox(LimitKind kind, const QString &typed) {
    // Full-width digits as an input method types them read as digits.
    const QString text = trim(typed.normalized(QString::NormalizationForm_KC)).remove(u',');
    if (text.isEmpty()) return std::nullopt;
    const auto refuse = [](const QString &why) {
        return StoreError(StoreError::Kind::Invalid, QString(), why);
    };
    if (kind != LimitKind::Hours) {
        static const QRegularExpression whole(u"^[0-9]{1,9}$"_s);
        if (!whole.match(text).hasMatch()) throw refuse(u"上限は数字で入力してください。"_s);
        return text.toLongLong();
    }
    static const QRegularExpression decimal(u"^([0-9]{1,2})(?:\\.([0-9]{1,2}))?$"_s),
        clockTime(u"^([0-9]{1,2}):([0-9]{2})$"_s);
    if (const auto m = clockTime.match(text); m.hasMatch())
        return m.captured(1).toLongLong() * 60 + m.captured(2).toLongLong();
    const auto m = decimal.match(text);
    if (!m.hasMatch()) throw refuse(u"時間は 2.5 や 2:30 のように入力してください。"_s);
    const QString fraction = m.captured(2).leftJustified(2, u'0');
    const qint64 hundredths = m.captured(1).toLongLong() * 100 + fraction.toLongLong();
    if (hundredths * 60 % 100 != 0) throw refuse(u"時間は15分（0.25時間）単位で入力してください。"_s);
    return hundredths * 60 / 100;
}

} // namespace

LimitsWindow::LimitsWindow(WindowRegistry &registry) : m_registry(registry) {
    setObjectName(u"LimitsWindow"_s);
    setWindowTitle(u"遊技の上限"_s);
    setFont(listFont(10));

    auto *grid = new QGridLayout;
    const QStringList heads = {QString(), u"今の上限"_s, u"使用"_s, u"変更の予定"_s, u"新しい上限"_s};
    // The figures' heads stand over them, at the right.
    for (int c = 0; c < heads.size(); ++c)
        grid->addWidget(new QLabel(heads[c], this), 0, c,
                        c == 1 || c == 2 ? Qt::AlignRight : Qt::Alignment());
    int r = 1;
    for (Row &row : m_rows) {
        row.kind = limitKinds()[r - 1];
        const KindText k = kindText(row.kind);
        const QString name = QString::fromLatin1(k.name);
        auto *label = new QLabel(QString::fromUtf16(k.label), this);
        row.limit = named(new QLabel(this), name + u"Limit"_s);
        row.used = named(new QLabel(this), name + u"Used"_s);
        row.pending = named(new QLabel(this), name + u"Pending"_s);
        row.box = named(new QLineEdit(this), name + u"Box"_s);
        row.box->setMaxLength(12);
        row.box->setFixedWidth(row.box->fontMetrics().horizontalAdvance(u"99,999,900"_s) + 16);
        row.box->setAlignment(Qt::AlignRight);
        label->setBuddy(row.box);
        row.set = named(new QPushButton(u"設定"_s, this), name + u"Set"_s);
        row.set->setAutoDefault(false);
        auto *entry = new QHBoxLayout;
        entry->addWidget(row.box);
        entry->addWidget(new QLabel(QString::fromUtf16(k.unit), this));
        entry->addStretch(1);
        entry->addWidget(row.set);
        grid->addWidget(label, r, 0);
        grid->addWidget(row.limit, r, 1, Qt::AlignRight);
        grid->addWidget(row.used, r, 2, Qt::AlignRight);
        grid->addWidget(row.pending, r, 3);
        grid->addLayout(entry, r, 4);
        const Row *that = &row;
        connect(row.set, &QPushButton::clicked, this, [this, that] { setLimit(*that); });
        connect(row.box, &QLineEdit::returnPressed, this, [this, that] { setLimit(*that); });
        ++r;
    }
    grid->setColumnStretch(3, 1);
    grid->setHorizontalSpacing(16);

    auto *note = new QLabel(u"上限を下げる・新しく設けるとすぐに、上げる・なくす（空にして設定）と24時間後に"
                            u"有効になります。\n上限はカードの保存を止めません。"_s,
                            this);
    note->setWordWrap(true);
    m_problem = named(new QLabel(this), u"Problem"_s);
    m_problem->setWordWrap(true);
    m_problem->hide();
    auto *close = named(new QPushButton(u"閉じる(&C)"_s, this), u"CloseButton"_s);
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(close);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(m_problem);
    layout->addStretch(1);
    layout->addWidget(note);
    layout->addLayout(bottom);
    setTabOrder(m_rows[0].box, m_rows[1].box);
    setTabOrder(m_rows[1].box, m_rows[2].box);
    setTabOrder(m_rows[2].box, close);

    connect(&m_registry.state(), &DiaryState::diaryChanged, this, &LimitsWindow::reload);
    connect(&m_registry.state(), &DiaryState::cardsChanged, this, &LimitsWindow::reload);
    reload();
    resize(780, 260);
}

PlayDatabase::Mode LimitsWindow::mode() {
    return m_registry.state().readOnly() ? PlayDatabase::Mode::ReadOnly : PlayDatabase::Mode::ReadWrite;
}

QString LimitsWindow::boxText(LimitKind kind, qint64 value) {
    if (kind != LimitKind::Hours) return QString::number(value);
    return value % 60 ? QString::number(double(value) / 60, 'g', 4) : QString::number(value / 60);
}

void LimitsWindow::reload() {
    const QDateTime now = clock().now();
    const QString user = m_registry.state().user();
    m_status = user.isEmpty() ? LimitStatus() : readLimitStatus(m_registry.state().folder, user, now, mode());
    setWindowTitle(u"遊技の上限 - "_s + user);
    m_problem->setText(m_status.problem.isEmpty() ? QString() : u"上限を読めません: "_s + m_status.problem);
    m_problem->setVisible(!m_status.problem.isEmpty());
    for (const Row &row : m_rows) {
        const std::optional<qint64> limit = m_status.limits.inForce(row.kind, now);
        row.limit->setText(limit ? limitValueText(row.kind, *limit) : u"なし"_s);
        row.used->setText(limitValueText(row.kind, m_status.usage.of(row.kind)));
        std::optional<qint64> waiting;
        const bool waits = m_status.limits.waits(row.kind, now, &waiting);
        row.pending->setText(waits ? pendingText(row.kind, waiting, m_status.limits.row(row.kind).pendingFrom)
                                   : QString());
        row.box->setText(limit ? boxText(row.kind, *limit) : QString());
        row.box->setEnabled(!user.isEmpty());
        row.set->setEnabled(!user.isEmpty());
    }
}

void LimitsWindow::setLimit(const Row &row) {
    const QString user = m_registry.state().user();
    if (user.isEmpty()) return;
    try {
        const std::optional<qint64> value = valueOfBox(row.kind, row.box->text());
        if (value) validateLimitValue(row.kind, *value);
        const QDateTime now = clock().now();
        // Read afresh: the command-line tool may have changed them since. Limits that cannot
        // be read are not written over.
        const LimitStatus fresh = readLimitStatus(m_registry.state().folder, user, now, mode());
        if (!fresh.limitsRead)
            throw StoreError(StoreError::Kind::Io, PlayDatabase::fileName(), fresh.problem);
        const UserLimits &limits = fresh.limits;
        const LimitRow next = limits.change(row.kind, value, now);
        LimitRow was = limits.row(row.kind), will = next;
        was.updated = will.updated = QDateTime();
        if (was != will) {
            SettingsDatabase db(m_registry.state());
            db.writing().setLimit(user, next);
        }
    } catch (const StoreError &e) {
        if (e.kind() == StoreError::Kind::Invalid)
            InfoBox(e.reason(), u"注意"_s);
        else
            reportStoreError(e);
        row.box->setFocus();
        row.box->selectAll();
        return;
    }
    reload();
    if (auto *main = m_registry.find<PatincoMain>()) main->drawLimits();
}

void LimitsWindow::keyPressEvent(QKeyEvent *e) {
    if (e->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(e);
}

void LimitsWindow::showEvent(QShowEvent *e) {
    reload(); // a waiting change may have come into force since
    QWidget::showEvent(e);
}

} // namespace tama
