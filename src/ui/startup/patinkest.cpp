#include "startup/patinkest.h"
#include "app/storeerrorreport.h"

#include "app/windowregistry.h"
#include "cardscreen/patincomain.h"
#include "common/clock.h"
#include "common/dates.h"
#include "common/dialogs.h"
#include "common/text.h"
#include "common/version.h"
#include "startup/newname.h"
#include "store/backup.h"
#include "store/diary.h"
#include "store/storeerror.h"
#include "store/userlist.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {
const QString kNoUsers = u"使用者が登録されていません。「新規登録」で使用者を追加してください。"_s;
}

PATINKEST::PATINKEST(WindowRegistry &registry) : m_registry(registry) {
    setObjectName(u"PATINKEST"_s);
    setWindowTitle(u"使用者"_s);

    List1 = new QListWidget(this);
    List1->setObjectName(u"List1"_s);
    hint = new QLabel(kNoUsers, this);
    hint->setObjectName(u"hint"_s);
    hint->setWordWrap(true);
    hint->hide();
    Check1 = new QCheckBox(this);
    Check1->setObjectName(u"Check1"_s);
    label1 = new QLabel(u"自動起動"_s, this);
    label1->setObjectName(u"label1"_s);
    label1->setBuddy(Check1);
    Command1 = new QPushButton(u"OK"_s, this);
    Command1->setObjectName(u"Command1"_s);
    Command1->setDefault(true);
    Command2 = new QPushButton(u"新規登録"_s, this);
    Command2->setObjectName(u"Command2"_s);
    Command3 = new QPushButton(u"終了"_s, this);
    Command3->setObjectName(u"Command3"_s);

    auto *check = new QHBoxLayout;
    check->addWidget(Check1);
    check->addWidget(label1);
    check->addStretch();
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);
    buttons->addStretch();
    buttons->addWidget(Command3);
    auto *left = new QVBoxLayout;
    left->addWidget(hint);
    left->addWidget(List1);
    left->addLayout(check);
    auto *top = new QHBoxLayout(this);
    top->addLayout(left, 1);
    top->addLayout(buttons);

    connect(List1, &QListWidget::itemDoubleClicked, this, &PATINKEST::List1_DblClick);
    connect(Command1, &QPushButton::clicked, this, &PATINKEST::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &PATINKEST::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &PATINKEST::Command3_Click);
    connect(Check1, &QCheckBox::toggled, this, &PATINKEST::Check1_Click);
    resize(360, 240);
}

bool PATINKEST::Form_Load() {
    DiaryState &s = m_registry.state();
    List1->clear();
    QList<UserRecord> users;
    try {
        users = UserList(s.folder).readAll();
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
    std::optional<int> autoStart;
    for (int i = 0; i < users.size(); ++i) {
        List1->addItem(users[i].userName);
        if (users[i].isAutoStart()) autoStart = i; // the last marked user wins
    }
    if (autoStart) {
        OpenUserDiary(users[*autoStart].userName);
        if (m_registry.find<PatincoMain>() && m_registry.find<PatincoMain>()->isVisible()) return true;
    }
    showHint();
    // The first user stands chosen, so that Enter opens it and the arrows move from it.
    if (List1->count() > 0 && !List1->currentItem()) List1->setCurrentRow(0);
    show();
    List1->setFocus();
    return false;
}

void PATINKEST::OpenUserDiary(const QString &name) {
    DiaryState &s = m_registry.state();
    if (!diaryUserPart(name)) {
        InfoBox(u"この名前では日記ファイルを開けません: ["_s + trim(name) + u"]\n"_s +
                    unsafeFileNameReason(trim(name.left(9))).value_or(QString()),
                u"注意"_s);
        return;
    }
    PatincoMain *main = m_registry.get<PatincoMain>();
    main->show();
    hide();
    // The card screen follows the opening at once: it starts in this year's diary.
    s.open(name, clock().today().year());
    // As the activation would, which may never come when the window is already active.
    main->Form_Activate();
}

void PATINKEST::OpenSelectedUser() {
    if (QListWidgetItem *item = List1->currentItem()) OpenUserDiary(item->text());
}

void PATINKEST::List1_DblClick() {
    if (List1->currentItem()) OpenSelectedUser();
}

void PATINKEST::Command1_Click() {
    ConfirmUser();
}

void PATINKEST::ConfirmUser() {
    QListWidgetItem *item = List1->currentItem();
    if (List1->count() == 0) {
        InfoBox(kNoUsers, u"注意"_s);
        return;
    }
    if (!item || !item->isSelected() || item->text().isEmpty()) {
        InfoBox(u"使用者を選んでから OK を押してください。"_s, u"注意"_s);
        return;
    }
    if (!Check1->isChecked()) {
        OpenSelectedUser();
        return;
    }
    const QString entry = trimRight(item->text());
    if (ConfirmCancelled(u"次回より　["_s + entry + u"] "_s + u"さんで起動します"_s, u"自動起動の設定"_s))
        return;
    try {
        UserList users(m_registry.state().folder);
        backup::beforeOperation(m_registry.state().folder, backup::Reason::AutoStart, entry);
        const int n = users.markUser(entry);
        OpenUserDiary(users.readAll().at(n - 1).userName);
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
}

void PATINKEST::Check1_Click(bool checked) {
    if (checked) return; // checking only takes effect with OK
    try {
        UserList users(m_registry.state().folder);
        if (!users.autoStartRecord()) return; // nothing to clear
        backup::beforeOperation(m_registry.state().folder, backup::Reason::AutoStart);
        users.clearMarks();
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
}

void PATINKEST::Command2_Click() {
    m_registry.show<NEWNAME>();
}

void PATINKEST::Command3_Click() {
    m_registry.endProgram();
}

void PATINKEST::ShowFromMenu() {
    try {
        const QList<UserRecord> users = UserList(m_registry.state().folder).readAll();
        for (int i = 0; i < users.size(); ++i) {
            if (!users[i].isAutoStart()) continue;
            Check1->setChecked(true);
            if (i < List1->count()) List1->setCurrentRow(i);
        }
    } catch (const StoreError &e) {
        reportStoreError(e);
    }
    bringToFront(this);
}

void PATINKEST::addUserEntry(const QString &storedName) {
    List1->addItem(storedName);
    if (!List1->currentItem()) List1->setCurrentRow(List1->count() - 1);
    showHint();
}

void PATINKEST::showHint() {
    hint->setVisible(List1->count() == 0);
}

void PATINKEST::keyPressEvent(QKeyEvent *e) {
    // Escape steps aside over an open diary, as closing the window does; before any
    // diary it would end the program, which only 終了 does.
    PatincoMain *main = m_registry.find<PatincoMain>();
    if (e->key() == Qt::Key_Escape && main && main->isVisible()) {
        hide();
        return;
    }
    QWidget::keyPressEvent(e);
}

void PATINKEST::closeEvent(QCloseEvent *e) {
    // Over an open diary the window only steps aside; before any diary it ends the program.
    PatincoMain *main = m_registry.find<PatincoMain>();
    if (main && main->isVisible()) {
        e->ignore();
        hide();
        return;
    }
    e->accept();
    m_registry.endProgram();
}

} // namespace tama
