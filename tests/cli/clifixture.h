#pragma once

// Running tamanote-cli in the test process, and building the records it reads.
#include "cli/cli.h"
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

    QJsonObject json() const
    {
        QJsonParseError e{};
        const QJsonDocument doc = QJsonDocument::fromJson(out, &e);
        if (e.error != QJsonParseError::NoError)
            qWarning("not JSON (%s): %s", qPrintable(e.errorString()), out.constData());
        return doc.object();
    }
    QString errText() const { return QString::fromUtf8(err); }
    QStringList outLines() const { return QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts); }
};

inline CliResult runCli(const QStringList &arguments)
{
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

inline CliResult runIn(const TempFolder &folder, const QStringList &arguments)
{
    return runCli(QStringList{QStringLiteral("--data"), folder.path()} + arguments);
}

// A field of a record: the bytes, padded with spaces to the width.
inline QByteArray field(const QByteArray &bytes, int width)
{
    Q_ASSERT(bytes.size() <= width);
    return bytes + spaces(width - int(bytes.size()));
}

// Sample cards for the view commands.
namespace samples {

// Shift-JIS of the names the sample cards use.
inline const QByteArray kHonten = hex("96 7B 93 58"); // 本店
inline const QByteArray kShiten = hex("8E 78 93 58"); // 支店
inline const QByteArray kX = hex("82 77");            // Ｘ
inline const QByteArray kY = hex("82 78");            // Ｙ
inline const QByteArray kSat = hex("93 79");          // 土

// A card of the diary as stored; the defaults make an ordinary visit.
struct Card {
    QByteArray date = "19990503" + kSat;
    QByteArray start = "1000", end = "1200";
    QByteArray store = kHonten;
    QByteArray category = "1";
    QByteArray model = kX;
    QByteArray investment = "0150", cashOut = "0040";
    QByteArray dayType = "111";
    QByteArray impression;
    QByteArray bytes() const
    {
        return field(date, 10) + field(start, 4) + field(end, 4) + field(store, 20) + field(category, 1) +
               field(model, 30) + field(investment, 4) + field(cashOut, 4) + field(dayType, 3) +
               field(impression, 160);
    }
};

} // namespace samples

} // namespace tama::test
