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

} // namespace tama::test
