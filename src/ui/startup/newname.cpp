#include "startup/newname.h"
#include "app/storeerrorreport.h"

#include "app/windowregistry.h"
#include "common/dialogs.h"
#include "common/text.h"
#include "startup/patinkest.h"
#include "store/storeerror.h"
#include "store/userlist.h"

#include <QGridLayout>

using namespace Qt::Literals::StringLiterals;

namespace tama {

NEWNAME::NEWNAME(WindowRegistry &registry) : m_registry(registry) {
    setObjectName(u"NEWNAME"_s);
    setWindowTitle(u"新規登録"_s);
    Label1 = new QLabel(u"お名前"_s, this);
    Label1->setObjectName(u"Label1"_s);
    Text1 = new QLineEdit(this);
    Text1->setObjectName(u"Text1"_s);
    Label1->setBuddy(Text1);
    Command1 = new QPushButton(u"OK"_s, this);
    Command1->setObjectName(u"Command1"_s);
    Command1->setDefault(true);
    Command2 = new QPushButton(u"ｷｬﾝｾﾙ"_s, this);
    Command2->setObjectName(u"Command2"_s);

    auto *grid = new QGridLayout(this);
    grid->addWidget(Label1, 0, 0);
    grid->addWidget(Text1, 0, 1, 1, 2);
    grid->addWidget(Command1, 1, 1);
    grid->addWidget(Command2, 1, 2);
    grid->setColumnStretch(0, 0);

    connect(Command1, &QPushButton::clicked, this, &NEWNAME::Command1_Click);
    connect(Text1, &QLineEdit::returnPressed, this, &NEWNAME::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &NEWNAME::Command2_Click);
    resize(320, 100);
}

void NEWNAME::Command1_Click() {
    if (trimRight(Text1->text()).isEmpty()) {
        hide();
        return;
    }
    try {
        UserList users(m_registry.state().folder);
        const int n = users.append(Text1->text());
        m_registry.get<PATINKEST>()->addUserEntry(users.readAll().at(n - 1).userName);
    } catch (const StoreError &e) {
        // A name that cannot be used is the user's to correct: keep the window open.
        reportStoreError(e);
        return;
    }
    hide();
}

void NEWNAME::Command2_Click() {
    hide();
}

} // namespace tama
