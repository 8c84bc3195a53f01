#include "patincomain.h"

#include "app/windowregistry.h"
#include "common/dialogs.h"
#include "store/diary.h"
#include "store/storeerror.h"

#include <QCloseEvent>
#include <QFormLayout>

using namespace Qt::Literals::StringLiterals;

namespace tama {

PatincoMain::PatincoMain(WindowRegistry &registry) : m_registry(registry)
{
    setObjectName(u"PatincoMain"_s);
    auto *central = new QWidget(this);
    auto *form = new QFormLayout(central);
    Text2 = new QLineEdit(central);
    Text2->setObjectName(u"Text2"_s);
    Text2->hide();
    Label22 = new QLabel(central);
    Label22->setObjectName(u"Label22"_s);
    Label19 = new QLabel(central);
    Label19->setObjectName(u"Label19"_s);
    form->addRow(u"年"_s, Label22);
    form->addRow(u"新規カード番号"_s, Label19);
    setCentralWidget(central);
    connect(Text2, &QLineEdit::textChanged, this, &PatincoMain::Text2_Change);
    resize(480, 160);
}

void PatincoMain::setYearText(const QString &year) { Text2->setText(year); }
QString PatincoMain::yearText() const { return Text2->text(); }

void PatincoMain::Text2_Change() { Label22->setText(Text2->text()); }

void PatincoMain::Form_Load()
{
    Text2->setText(m_registry.state().year);
    LoadDiary();
}

void PatincoMain::LoadDiary()
{
    DiaryState &s = m_registry.state();
    setWindowTitle(u"タマノート Ver2.0  [ "_s + s.diaryFile + u" ]"_s);
    try {
        DiaryFile diary(s.folder, s.diaryFile);
        s.newCardNumber = diary.count() + 1;
        Label19->setText(QString::number(s.newCardNumber));
    } catch (const StoreError &e) {
        ErrorBox(e.message());
    }
}

void PatincoMain::Form_Activate()
{
    if (!m_registry.state().reloadRequested)
        return;
    m_registry.state().reloadRequested = false;
    Form_Load();
}

bool PatincoMain::event(QEvent *e)
{
    if (e->type() == QEvent::WindowActivate)
        Form_Activate();
    return QMainWindow::event(e);
}

void PatincoMain::closeEvent(QCloseEvent *e)
{
    e->accept();
    m_registry.endProgram();
}

} // namespace tama
