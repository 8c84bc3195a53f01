#include "windowfixture.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QInputMethodEvent>

namespace tama::test {

PatincoMain *WindowFixture::openCardScreen(const QString &file, const QString &year) {
    PatincoMain *w = registry.get<PatincoMain>();
    w->show();
    state.open(diaryUserOf(file), year.toInt());
    w->Form_Activate();
    return w;
}

PatincoMain *WindowFixture::loadCardScreen(const QString &file, const QString &year) {
    const bool following = registry.find<PatincoMain>();
    state.open(diaryUserOf(file), year.toInt());
    PatincoMain *w = registry.get<PatincoMain>();
    if (!following) w->Form_Load();
    return w;
}

void WindowFixture::writeDiary(const QList<CardValues> &cards) {
    folder.write(state.diaryFile(), diaryBytes(cards));
}

void stepUp(QScrollBar *bar, int times) {
    for (int i = 0; i < times; ++i)
        bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
}

void stepDown(QScrollBar *bar, int times) {
    for (int i = 0; i < times; ++i)
        bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
}

void clickOption(QRadioButton *option) {
    QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(6, option->height() / 2));
}

void chooseEntry(QComboBox *box, int row) {
    box->showPopup();
    QAbstractItemView *view = box->view();
    view->setCurrentIndex(view->model()->index(row, 0));
    QTest::keyClick(view, Qt::Key_Return);
}

void typeJapanese(QWidget *target, const QString &text) {
    QInputMethodEvent e;
    e.setCommitString(text);
    QApplication::sendEvent(target, &e);
}

QStringList CardScreenTest::boxes(std::initializer_list<const char *> names) const {
    QStringList r;
    for (const char *n : names)
        r << t(n);
    return r;
}

void enterBox(QWidget *window, QComboBox *box, How how, const QString &text) {
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window)) qFatal("window not active");
    QTest::mouseClick(box->lineEdit(), Qt::LeftButton);
    if (!box->hasFocus()) qFatal("the box did not take the focus");
    switch (how) {
    case Typed:
        QTest::keyClicks(box->lineEdit(), text);
        break;
    case Composed:
        typeJapanese(box->lineEdit(), text);
        break;
    case Chosen:
        chooseEntry(box, box->findText(text));
        break;
    }
}

QStringList items(const QComboBox *box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

QStringList texts(const QAbstractItemView *list) {
    QStringList out;
    const QAbstractItemModel *m = list->model();
    for (int i = 0; i < m->rowCount(); ++i)
        out.append(m->index(i, 0).data().toString());
    return out;
}

} // namespace tama::test
