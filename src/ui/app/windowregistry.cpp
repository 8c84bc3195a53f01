#include "app/windowregistry.h"

#include "app/datafolderopening.h"
#include "app/keyboard.h"

#include <QCoreApplication>
#include <QEvent>

namespace tama {

WindowRegistry::WindowRegistry(DiaryState &state, QObject *parent)
    : QObject(parent), m_state(state), m_keys(new KeyboardFilter(this)) {
    // Enter and Escape work alike in every window the registry makes.
    if (QCoreApplication *app = QCoreApplication::instance()) app->installEventFilter(m_keys);
}

WindowRegistry::~WindowRegistry() {
    for (auto &[type, w] : m_windows)
        delete w.data();
}

void WindowRegistry::unload(std::type_index type) {
    auto it = m_windows.find(type);
    if (it == m_windows.end()) return;
    QPointer<QWidget> w = it->second;
    m_windows.erase(it);
    if (w) {
        w->hide();
        w->deleteLater(); // it may be the window whose handler asked for this
    }
}

void WindowRegistry::adopt(QWidget *w) {
    if (!m_state.readOnly()) return;
    markTitle(w);
    w->installEventFilter(this); // the card screen names its diary in the title later
}

void WindowRegistry::markTitle(QWidget *w) {
    const QString title = w->windowTitle();
    if (!title.endsWith(readOnlyTitleSuffix())) w->setWindowTitle(title + readOnlyTitleSuffix());
}

bool WindowRegistry::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::WindowTitleChange && watched->isWidgetType())
        markTitle(static_cast<QWidget *>(watched));
    return QObject::eventFilter(watched, event);
}

void WindowRegistry::unloadAllExcept(const QWidget *keep) {
    std::vector<std::type_index> types;
    for (auto &[type, w] : m_windows)
        if (w.data() != keep) types.push_back(type);
    for (const auto &t : types)
        unload(t);
}

void WindowRegistry::endProgram() {
    unloadAll();
    QCoreApplication::quit();
}

} // namespace tama
