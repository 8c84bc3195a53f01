#pragma once

#include "card/diarystate.h"
#include "app/windowhelpers.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <map>
#include <typeindex>

namespace tama {

// Every window exists at most once: created on first use, the same instance shown
// afterwards, and unloaded (deleted) on request so its next use starts afresh.
// Windows reach each other only through here.
class WindowRegistry : public QObject {
    Q_OBJECT
  public:
    explicit WindowRegistry(DiaryState &state, QObject *parent = nullptr);
    ~WindowRegistry() override;

    DiaryState &state() { return m_state; }

    // The window of type W, created (not shown) on first use. W is constructed as
    // W(WindowRegistry &).
    template <class W> W *get() {
        if (W *w = find<W>()) return w;
        W *w = new W(*this);
        m_windows[std::type_index(typeid(W))] = w;
        adopt(w);
        return w;
    }

    // The window of type W, created on first use, shown in front of the others.
    template <class W> W *show() {
        W *w = get<W>();
        bringToFront(w);
        return w;
    }

    // The window of type W if it exists.
    template <class W> W *find() const {
        auto it = m_windows.find(std::type_index(typeid(W)));
        return it == m_windows.end() ? nullptr : qobject_cast<W *>(it->second.data());
    }

    template <class W> void unload() { unload(std::type_index(typeid(W))); }
    // Unloads every window except keep.
    void unloadAllExcept(const QWidget *keep);
    void unloadAll() { unloadAllExcept(nullptr); }

    // The program ends: every window is unloaded and the event loop quits.
    void endProgram();

  protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

  private:
    void unload(std::type_index type);
    void adopt(QWidget *w);
    void markTitle(QWidget *w);

    DiaryState &m_state;
    QObject *m_keys;
    std::map<std::type_index, QPointer<QWidget>> m_windows;
};

} // namespace tama
