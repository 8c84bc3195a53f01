#include "cardscreen/ver.h"

#include "app/windowregistry.h"
#include "common/version.h"

#include <QGridLayout>
#include <QIcon>

using namespace Qt::Literals::StringLiterals;

namespace tama {

ver::ver(WindowRegistry &registry) : m_registry(registry) {
    setObjectName(u"ver"_s);
    setWindowTitle(u"バージョン情報"_s);
    Image1 = new QLabel(this);
    Image1->setObjectName(u"Image1"_s);
    Image1->setPixmap(QIcon(u":/icons/tamanote.png"_s).pixmap(64, 64));
    Label1 = new QLabel(u"タマノート君  Ver"_s + programVersion(), this);
    Label1->setObjectName(u"Label1"_s);
    QFont big = Label1->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    Label1->setFont(big);
    Label2 = new QLabel(u"1998/12/22  　タマノート製作委員会"_s, this);
    Label2->setObjectName(u"Label2"_s);
    Command1 = new QPushButton(u"戻る"_s, this);
    Command1->setObjectName(u"Command1"_s);
    Command1->setDefault(true);

    auto *grid = new QGridLayout(this);
    grid->addWidget(Image1, 0, 0, 2, 1, Qt::AlignTop);
    grid->addWidget(Label1, 0, 1);
    grid->addWidget(Label2, 1, 1);
    grid->addWidget(Command1, 2, 1, Qt::AlignRight);
    grid->setHorizontalSpacing(16);
    connect(Command1, &QPushButton::clicked, this, &ver::Command1_Click);
}

void ver::Command1_Click() {
    m_registry.unload<ver>();
}

} // namespace tama
