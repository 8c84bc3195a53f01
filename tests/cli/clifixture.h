#pragma once

// Running tamanote-cli in the test process, and building the records it reads.
#include "cli.h"
#include "support/cardbuilder.h"
#include "support/testsupport.h"

#include <QBuffer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace tama::test {

struct CliResult {
    int status = -1;
    QByteArray out;
    QByteArray err;

    QJsonObject json() const {
        QJsonParseError e{};
        const QJsonDocument doc = QJsonDocument::fromJson(out, &e);
        if (e.error != QJsonParseError::NoError)
            qWarning("not JSON (%s): %s", qPrintable(e.errorString()), out.constData());
        return doc.object();
    }
    QString outText() const { return QString::fromUtf8(out); }
    QString errText() const { return QString::fromUtf8(err); }
    QStringList outLines() const { return QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts); }
};

inline CliResult runCli(const QStringList &arguments) {
    QBuffer out;
    QBuffer err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    CliResult r;
    r.status = tama::cli::run(QStringList{QStringLiteral("tamanote-cli")} + arguments, out, err);
    r.out = out.data();
    r.err = err.data();
    return r;
}

inline CliResult runIn(const TempFolder &folder, const QStringList &arguments) {
    return runCli(QStringList{QStringLiteral("--data"), folder.path()} + arguments);
}

// A field of a record: the bytes, padded with spaces to the width.
inline QByteArray field(const QByteArray &bytes, int width) {
    Q_ASSERT(bytes.size() <= width);
    return bytes + spaces(width - int(bytes.size()));
}

// Shift-JIS of the names the sample store and model lists use.
namespace samples {

inline const QByteArray kHonten = hex("96 7B 93 58"); // 本店
inline const QByteArray kShiten = hex("8E 78 93 58"); // 支店
inline const QByteArray kX = hex("82 77");            // Ｘ
inline const QByteArray kY = hex("82 78");            // Ｙ

// May 1999 for the statistics: a loss at 本店 and a win at 支店 on Monday the 3rd, and
// a marked card on the 4th.
inline QList<CardValues> may1999() {
    return {{.date = QStringLiteral("19990503月"), .end = QStringLiteral("1230")},
            {.date = QStringLiteral("19990503月"),
             .start = QStringLiteral("1300"),
             .end = QStringLiteral("1500"),
             .store = QStringLiteral("支店"),
             .category = QStringLiteral("2"),
             .model = QStringLiteral("Ｙ"),
             .investment = QStringLiteral("0100"),
             .cashOut = QStringLiteral("0300"),
             .dayType = QStringLiteral("444")},
            {.date = QStringLiteral("R9990504火"),
             .end = QStringLiteral("1100"),
             .investment = QStringLiteral("0050"),
             .cashOut = QStringLiteral("0000")}};
}

// January 2001: a win with nothing put in, on an unknown category and day type, that
// ended before it started.
inline CardValues january2001(const QString &store) {
    return {.date = QStringLiteral("20010106土"),
            .start = QStringLiteral("1800"),
            .end = QStringLiteral("1700"),
            .store = store,
            .category = QStringLiteral("9"),
            .model = QStringLiteral("Ｙ"),
            .investment = QStringLiteral("0000"),
            .cashOut = QStringLiteral("0120"),
            .dayType = QStringLiteral("999")};
}

} // namespace samples

} // namespace tama::test
