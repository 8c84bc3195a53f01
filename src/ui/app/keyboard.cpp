#include "app/keyboard.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextEdit>
#include <QTranslator>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

bool keepsEscape(const QWidget *window) {
    return window->objectName() == u"PatincoMain"_s || window->objectName() == u"PATINKEST"_s;
}

QPushButton *findButton(QWidget *window, const std::function<bool(QPushButton *)> &match) {
    for (QPushButton *b : window->findChildren<QPushButton *>())
        if (b->isVisible() && b->isEnabled() && b->window() == window && match(b)) return b;
    return nullptr;
}

bool enter(QWidget *focus) {
    // A push button (or picture) takes Enter itself; a check box or option button
    // toggles with Space and leaves Enter to the window, as in a dialog.
    auto *button = qobject_cast<QAbstractButton *>(focus);
    if (button && !qobject_cast<QCheckBox *>(focus) && !qobject_cast<QRadioButton *>(focus)) {
        if (!button->isEnabled()) return false;
        button->click();
        return true;
    }
    // Text that takes a line break, and a combo box choosing its entry, keep Enter.
    if (qobject_cast<QPlainTextEdit *>(focus) || qobject_cast<QTextEdit *>(focus)) return false;
    for (QWidget *w = focus; w; w = w->parentWidget())
        if (qobject_cast<QComboBox *>(w)) return false;
    QWidget *window = focus->window();
    if (qobject_cast<QDialog *>(window)) return false; // a dialog does this itself
    if (QPushButton *b = findButton(window, [](QPushButton *p) { return p->isDefault(); })) {
        b->click();
        return true;
    }
    return false;
}

bool escape(QWidget *focus) {
    QWidget *window = focus->window();
    if (keepsEscape(window) || qobject_cast<QDialog *>(window)) return false;
    static const QStringList backCaptions{u"戻る"_s, u"ｷｬﾝｾﾙ"_s, u"キャンセル"_s};
    if (QPushButton *b =
            findButton(window, [](QPushButton *p) { return backCaptions.contains(p->text()); })) {
        b->click();
        return true;
    }
    window->close();
    return true;
}

} // namespace

bool KeyboardFilter::eventFilter(QObject *watched, QEvent *e) {
    if (e->type() != QEvent::KeyPress || !watched->isWidgetType()) return QObject::eventFilter(watched, e);
    auto *key = static_cast<QKeyEvent *>(e);
    auto *widget = static_cast<QWidget *>(watched);
    // Only the widget the key is meant for, not the parents it bubbles up to.
    if (QWidget *f = QApplication::focusWidget(); f && f != widget && widget->isAncestorOf(f)) return false;
    const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
    if (mods != Qt::NoModifier) return false;
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) return enter(widget);
    if (key->key() == Qt::Key_Escape) return escape(widget);
    return false;
}

bool installJapaneseTranslation() {
    auto *qt = new QTranslator(qApp);
    if (!qt->load(QLocale(QLocale::Japanese, QLocale::Japan), u"qtbase"_s, u"_"_s,
                  QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete qt;
        return false;
    }
    QCoreApplication::installTranslator(qt);
    return true;
}

} // namespace tama
