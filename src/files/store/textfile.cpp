#include "store/textfile.h"

#include "common/codec.h"
#include "store/record.h"
#include "store/recordfile.h"
#include "store/safefile.h"
#include "store/storeerror.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace tama::textfile {

ReadResult readLines(const QString &path) {
    ReadResult r;
    QByteArray bytes = safefile::readBounded(path, kMaxTextBytes, &r.cut);
    if (r.cut) // a line cut at the limit is not read either
        bytes.truncate(bytes.lastIndexOf('\n') + 1);
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        const bool last = end < 0;
        if (last) end = bytes.size();
        qsizetype stop = end;
        if (stop > start && bytes[stop - 1] == '\r') --stop;
        const cp932::DecodeResult d = cp932::decode(bytes.mid(start, stop - start));
        if (!d.ok()) r.undecodable = true;
        r.lines.append(d.text);
        start = end + 1;
    }
    return r;
}

void writeLines(const QString &path, const QStringList &lines, const QString &label) {
    QByteArray bytes;
    for (const QString &line : lines) {
        requireEncodable(line, label);
        bytes += cp932::encode(line).bytes;
        bytes += "\r\n";
    }
    // Not QSaveFile: it lets a failing flush at commit pass and replaces the file by an
    // empty one when the disk is full.
    replaceFile(path, scratchPath(path), bytes);
}

QString scratchPath(const QString &path) {
    return path + u".tmp"_s;
}

void ensureExists(const QString &path) {
    const QByteArray name = QFile::encodeName(path);
    int fd;
    do {
        fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) throw StoreError::fromErrno(errno, path, u"ファイルを作ることが"_s);
    ::close(fd);
}

} // namespace tama::textfile
