#pragma once

#include "store/storeerror.h"

#include <QByteArray>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>

namespace tama::test {

// Bytes from a hex literal: "82 60 20" → {0x82, 0x60, 0x20}. Spaces are ignored.
QByteArray hex(const char *text);
// n space bytes.
QByteArray spaces(int n);

QByteArray readFile(const QString &path);
void writeFile(const QString &path, const QByteArray &bytes);

// A data folder of its own for each test.
class TempFolder {
  public:
    TempFolder();
    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }
    QByteArray read(const QString &name) const { return readFile(file(name)); }
    void write(const QString &name, const QByteArray &bytes) const { writeFile(file(name), bytes); }
    bool exists(const QString &name) const;
    QStringList files() const; // every file name, sorted

  private:
    QTemporaryDir m_dir;
};

// The kind of store error action throws, as a number for QCOMPARE; -1 when it throws none.
template <class Action> int storeErrorKind(Action &&action) {
    try {
        action();
    } catch (const StoreError &e) {
        return int(e.kind());
    }
    return -1;
}

inline void useOffscreenPlatform() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
}

} // namespace tama::test

// Test mains that work without a display, from CTest and from a plain run. The user's
// own settings are never read or written: Qt's test locations stand in for them.
#define TAMA_TEST_MAIN(TestObject)                                                                           \
    int main(int argc, char **argv) {                                                                        \
        tama::test::useOffscreenPlatform();                                                                  \
        QStandardPaths::setTestModeEnabled(true);                                                            \
        QCoreApplication app(argc, argv);                                                                    \
        TestObject tc;                                                                                       \
        return QTest::qExec(&tc, argc, argv);                                                                \
    }

// Pictures drawn without windows: Qt Gui only.
#define TAMA_PAINTER_TEST_MAIN(TestObject)                                                                   \
    int main(int argc, char **argv) {                                                                        \
        tama::test::useOffscreenPlatform();                                                                  \
        QStandardPaths::setTestModeEnabled(true);                                                            \
        QGuiApplication app(argc, argv);                                                                     \
        TestObject tc;                                                                                       \
        return QTest::qExec(&tc, argc, argv);                                                                \
    }

#define TAMA_GUI_TEST_MAIN(TestObject)                                                                       \
    int main(int argc, char **argv) {                                                                        \
        tama::test::useOffscreenPlatform();                                                                  \
        QStandardPaths::setTestModeEnabled(true);                                                            \
        QApplication app(argc, argv);                                                                        \
        TestObject tc;                                                                                       \
        return QTest::qExec(&tc, argc, argv);                                                                \
    }
