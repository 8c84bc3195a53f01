#pragma once

#include "app/windowregistry.h"
#include "cardscreen/patincomain.h"
#include "common/clock.h"
#include "support/cardbuilder.h"
#include "support/recordingdialogs.h"
#include "support/testsupport.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QtTest>

#include <memory>

namespace tama::test {

// What a window test starts from: a data folder of its own, the program's state and
// windows on it, recorded dialogs and a fixed clock (a Monday afternoon unless told).
struct WindowFixture {
    explicit WindowFixture(const QDateTime &now = QDateTime(QDate(1999, 3, 15), QTime(14, 5))) : clock(now) {}
    WindowFixture(const WindowFixture &) = delete;
    WindowFixture &operator=(const WindowFixture &) = delete;

    // In this order so that the windows go first and the clock last.
    FixedClock clock;

  private:
    struct ClockInUse {
        explicit ClockInUse(const Clock *c) { setClock(c); }
        ~ClockInUse() { setClock(nullptr); }
    } m_clockInUse{&clock};

  public:
    RecordingDialogs dialogs;
    TempFolder folder;
    DiaryState state{folder.path()};
    WindowRegistry registry{state};

    // A window shown and on screen, as a menu opens it.
    template <class W> W *open() {
        W *w = registry.get<W>();
        w->show();
        if (!QTest::qWaitForWindowExposed(w)) qFatal("window not exposed");
        return w;
    }
    // The card screen on a user's diary of a year, as the user window opens it.
    PatincoMain *openCardScreen(const QString &file = QStringLiteral("taro.1999.dat"),
                                const QString &year = QStringLiteral("1999"));
    // The card screen loaded but not shown, for the windows that read what it holds.
    PatincoMain *loadCardScreen(const QString &file = QStringLiteral("taro.1999.dat"),
                                const QString &year = QStringLiteral("1999"));
    // The state's diary written from cards; the next new card follows them.
    void writeDiary(const QList<CardValues> &cards);
};

// A control of a window by its object name; without it no check could go on.
template <class W = QLineEdit> W *control(const QObject *window, const char *name) {
    W *w = window->findChild<W *>(QString::fromLatin1(name));
    if (!w) qFatal("no control %s", name);
    return w;
}

void stepUp(QScrollBar *bar, int times = 1);
void stepDown(QScrollBar *bar, int times = 1);
// A click on the button's circle, where a person clicks.
void clickOption(QRadioButton *option);
// The entry at row chosen from the open list with the keyboard.
void chooseEntry(QComboBox *box, int row);
// Text as the input method commits it: how Japanese text arrives.
void typeJapanese(QWidget *target, const QString &text);
QStringList items(const QComboBox *box);
// How a person fills an editable combo box, after clicking into it in the active window:
// typed with keys, committed by the input method, or the entry picked from its list.
enum How { Typed, Composed, Chosen };
void enterBox(QWidget *window, QComboBox *box, How how, const QString &text);
// The lines of any list: a list widget's, the year list's, a selection list's.
QStringList texts(const QAbstractItemView *list);

// For the tests that drive the card screen: a fixture of their own for each test and
// its controls by name.
class CardScreenTest {
  protected:
    // From each test's init() and cleanup().
    void start() { m_f = std::make_unique<WindowFixture>(); }
    void finish() {
        m_window = nullptr;
        m_f.reset();
    }
    void open(const QString &file = QStringLiteral("taro.1999.dat"),
              const QString &year = QStringLiteral("1999")) {
        m_window = m_f->openCardScreen(file, year);
    }

    template <class W = QLineEdit> W *c(const char *name) const { return control<W>(m_window, name); }
    QString t(const char *name) const { return c<QLineEdit>(name)->text(); }
    QString l(const char *name) const { return c<QLabel>(name)->text(); }
    QColor colour(const char *name) const { return c<QLabel>(name)->palette().color(QPalette::WindowText); }
    QScrollBar *bar(const char *name) const { return c<QScrollBar>(name); }
    QComboBox *combo(const char *name) const { return c<QComboBox>(name); }
    QStringList boxes(std::initializer_list<const char *> names) const;
    // Each time's four boxes, joined with |.
    QString startTime() const { return boxes({"Text6", "Text7", "Text18", "Text19"}).join(u'|'); }
    QString endTime() const { return boxes({"Text8", "Text9", "Text20", "Text21"}).join(u'|'); }
    static void up(QScrollBar *b, int times = 1) { stepUp(b, times); }
    static void down(QScrollBar *b, int times = 1) { stepDown(b, times); }

    std::unique_ptr<WindowFixture> m_f;
    PatincoMain *m_window = nullptr;
};

} // namespace tama::test
