#include "store/recordfile.h"

#include "store/journal.h"
#include "store/safefile.h"
#include "store/storeerror.h"
#include "store/writehook.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace tama {

using safefile::readFully;
using safefile::writeFully;

namespace {

QByteArray nativeName(const QString &path) {
    return QFile::encodeName(path);
}

} // namespace

RecordFile::RecordFile(const QString &path, const RecordLayout &layout, Mode mode)
    : m_path(path), m_layout(&layout) {
    // Nothing is created, opened to write or rolled back in a read-only data folder.
    if (writehook::isReadOnly(path)) mode = Mode::ReadOnly;
    const int flags = mode == Mode::Create ? (O_RDWR | O_CREAT) : O_RDONLY;
    m_fd = safefile::openRegular(path, flags);
    if (m_fd >= 0) {
        m_writable = mode == Mode::Create;
        if (m_writable) {
            struct stat st {};
            if (::fstat(m_fd, &st) == 0 && (st.st_mode & 0222) == 0)
                m_writeError = EACCES; // made read-only on purpose; root would write it anyway
            else
                journal::recover(QFileInfo(path).absolutePath());
        }
        return;
    }
    const int err = errno;
    if (mode == Mode::ReadOnly && err == ENOENT) return; // a missing file reads as empty
    if (err == EACCES || err == EPERM || err == EROFS || err == ELOOP) {
        // A file that may not be written can still be read; writing reports why not.
        // A link is read through but never written through.
        m_fd = safefile::openRegular(path, O_RDONLY);
        if (m_fd >= 0) {
            m_writeError = err;
            return;
        }
    }
    throw StoreError::fromErrno(err, path, u"ファイルを開くことが"_s);
}

RecordFile::~RecordFile() {
    if (m_fd >= 0) ::close(m_fd);
}

qint64 RecordFile::size() const {
    if (m_fd < 0) return 0;
    struct stat st {};
    if (::fstat(m_fd, &st) != 0)
        throw StoreError::fromErrno(errno, m_path, u"ファイルの大きさを調べることが"_s);
    return qint64(st.st_size);
}

int RecordFile::count() const {
    const qint64 n = size() / m_layout->length();
    return n > INT_MAX ? INT_MAX : int(n);
}

QByteArray RecordFile::readRaw(int n) const {
    if (n < 1 || m_fd < 0) return {};
    const qint64 len = m_layout->length();
    QByteArray bytes(len, Qt::Uninitialized);
    qint64 got = 0;
    if (!readFully(m_fd, bytes.data(), len, (qint64(n) - 1) * len, &got))
        throw StoreError::fromErrno(errno, m_path, u"読み込むことが"_s);
    if (got < len) return {}; // beyond the end, or a partial tail, which is not a record
    return bytes;
}

std::optional<Record> RecordFile::read(int n) const {
    const QByteArray bytes = readRaw(n);
    if (bytes.isEmpty()) return std::nullopt;
    return Record::fromBytes(*m_layout, bytes);
}

Record RecordFile::readOrBlank(int n) const {
    if (auto r = read(n)) return *r;
    return Record(*m_layout);
}

QList<QByteArray> RecordFile::readAllRaw() const {
    QList<QByteArray> out;
    out.reserve(count());
    const qsizetype len = m_layout->length();
    forEachRaw([&](int, const char *bytes) { out.append(QByteArray(bytes, len)); });
    return out;
}

void RecordFile::forEachRaw(const std::function<void(int n, const char *bytes)> &visit) const {
    // Nothing past the format's limit can matter; the folder check reports it.
    const int n = std::min(count(), m_layout->maxRecords());
    if (n == 0) return;
    const qint64 len = m_layout->length();
    constexpr qint64 kBlockBytes = 64 * 1024;
    const qint64 perBlock = std::max<qint64>(1, kBlockBytes / len);
    QByteArray block(perBlock * len, Qt::Uninitialized);
    int done = 0;
    while (done < n) {
        const qint64 want = std::min<qint64>(perBlock, n - done) * len;
        qint64 got = 0;
        if (!readFully(m_fd, block.data(), want, qint64(done) * len, &got))
            throw StoreError::fromErrno(errno, m_path, u"読み込むことが"_s);
        for (qint64 i = 0; i + len <= got; i += len)
            visit(++done, block.constData() + i);
        if (got < want) return; // the file shrank while it was read
    }
}

void RecordFile::write(int n, const Record &record) {
    writehook::checkWritable(m_path);
    if (m_writeError == ELOOP)
        throw StoreError(
            StoreError::Kind::Invalid, m_path,
            u"シンボリックリンクのため書き込めません。リンク先のファイルをデータフォルダに移してください"_s);
    if (m_writeError != 0) throw StoreError::fromErrno(m_writeError, m_path, u"書き込むことが"_s);
    if (!m_writable)
        throw StoreError(StoreError::Kind::Invalid, m_path,
                         u"読み取り専用で開いたファイルには書き込めません"_s);
    const QByteArray bytes = record.toBytes(); // refuses unencodable text before touching the file
    const qint64 len = m_layout->length();
    const qint64 sz = size();
    const int cnt = int(sz / len);
    if (n < 1 || n > cnt + 1)
        throw StoreError(
            StoreError::Kind::Invalid, m_path,
            QStringLiteral("レコード %1 には書き込めません（ファイルには %2 件あります）").arg(n).arg(cnt));
    const bool appending = n == cnt + 1;
    if (appending && sz % len != 0)
        throw StoreError(StoreError::Kind::Damaged, m_path,
                         u"ファイルの末尾に不完全なレコードがあるため、追加できません"_s);
    if (appending && n > m_layout->maxRecords())
        throw StoreError(StoreError::Kind::Limit, m_path,
                         QStringLiteral("これ以上登録できません（%1件まで）").arg(m_layout->maxRecords()));
    writeAt((qint64(n) - 1) * len, bytes);
}

int RecordFile::append(const Record &record) {
    const int n = count() + 1;
    write(n, record);
    return n;
}

void RecordFile::writeAt(qint64 offset, const QByteArray &bytes) {
    writehook::beforeWrite(m_path);
    // The old bytes are on disk before the record is touched, so that a torn write is
    // rolled back at the next open.
    journal::Guard guard(m_path, m_fd, offset, bytes);
    if (!writeFully(m_fd, bytes.constData(), bytes.size(), offset) || ::fdatasync(m_fd) != 0) {
        const int err = errno;
        guard.restore(); // takes back whatever part of the record reached the file
        throw StoreError::fromErrno(err, m_path, u"書き込むことが"_s);
    }
    try {
        guard.commit();
    } catch (const StoreError &) {
        guard.restore(); // a journal that stays would undo the write later: undo it now
        throw;
    }
}

void RecordFile::rewrite(const QString &target, const QString &scratch, const RecordLayout &layout,
                         const QList<QByteArray> &records) {
    QByteArray all;
    all.reserve(qsizetype(records.size()) * layout.length());
    for (const QByteArray &r : records) {
        Q_ASSERT(r.size() == layout.length());
        all.append(r);
    }
    replaceFile(target, scratch, all);
}

void replaceFile(const QString &target, const QString &scratch, const QByteArray &all) {
    writehook::beforeWrite(target);
    safefile::checkReplaceable(target);
    const int fd = safefile::createScratch(scratch, target);
    if (const int err = safefile::finishNewFile(fd, AT_FDCWD, nativeName(scratch), all))
        throw StoreError::fromErrno(err, scratch, u"作業ファイルに書き込むことが"_s);
    if (RecordFile::beforeReplaceHook) RecordFile::beforeReplaceHook();
    // One step: a crash leaves either the old file or the new one.
    if (::rename(nativeName(scratch).constData(), nativeName(target).constData()) != 0) {
        const int err = errno;
        ::unlink(nativeName(scratch).constData());
        throw StoreError::fromErrno(err, target, u"ファイルを置き換えることが"_s);
    }
    try {
        safefile::syncFolder(QFileInfo(target).absolutePath());
    } catch (const StoreError &e) {
        // The new file is in place but may not survive a power cut: say so.
        throw StoreError(StoreError::Kind::Io, target, u"書き換えは済みましたが、"_s + e.reason());
    }
}

void rewriteRecords(const QString &folder, const QString &target, const QString &scratchName,
                    const RecordLayout &layout, const QList<QByteArray> &records) {
    {
        RecordFile f(target, layout);
        if (f.partialTail() != 0)
            throw StoreError(StoreError::Kind::Damaged, target,
                             u"ファイルの末尾に不完全なレコードがあるため、書き直せません"_s);
        if (f.count() > layout.maxRecords()) // the records past the limit were never read
            throw StoreError(
                StoreError::Kind::Damaged, target,
                QStringLiteral("レコードが %1 件を超えているため、書き直せません").arg(layout.maxRecords()));
    }
    RecordFile::rewrite(target, QDir(folder).filePath(scratchName), layout, records);
}

} // namespace tama
