// Any bytes as ".tamanote.journal" beside a diary and a file that is not data; or, when the
// first byte is odd, an entry built from the bytes with the diary's real identity, so that
// the checks of the file's size and bytes are reached. The rollback writes only the diary,
// only at the place of a journal that fits it, never grows it; it creates nothing but one
// journal put aside, never throws, and leaves no journal that is still pending.
#include "fuzzfolder.h"
#include "store/journal.h"
#include "store/storeerror.h"

#include <cstdint>
#include <cstdlib>
#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;
using namespace tama;

namespace {

const QString kDiary = u"taro.1999.dat"_s, kMemo = u"memo.txt"_s;

struct Write {
    qint64 offset = 0, size = 0; // the place the diary may change at
};

quint64 word(const QByteArray &b, qsizetype at) {
    return at + 1 < b.size() ? quint64(quint8(b[at])) | quint64(quint8(b[at + 1])) << 8 : 0;
}

// An entry described by the bytes: which file, where, how much, and whether its identity
// and old bytes are those of the diary now.
QByteArray entryFrom(const QByteArray &b, const QByteArray &cards, Write *w) {
    const char *names[] = {"taro.1999.dat", "memo.txt", "namae.dat", ".tamanote.journal"};
    const QByteArray name = names[b.size() > 1 ? quint8(b[1]) % 4 : 0];
    const qint64 offset = qint64(word(b, 2)), oldSize = qint64(word(b, 4));
    const int flags = b.size() > 6 ? quint8(b[6]) : 0;
    const qsizetype len = (b.size() > 7 ? quint8(b[7]) : 0) + 1;
    const QByteArray fresh = b.mid(8, len).leftJustified(len, 'n');
    const qsizetype oldLen = offset < oldSize ? std::min<qint64>(len, oldSize - offset) : 0;
    const QByteArray old = (flags & 2) ? cards.mid(offset, oldLen).leftJustified(oldLen, 'o')
                                       : b.mid(8 + len, oldLen).leftJustified(oldLen, 'o');
    journal::Identity id{quint64(word(b, 8)), quint64(word(b, 10))};
    struct stat st {};
    if ((flags & 1) && ::stat(QFile::encodeName(fuzz::folder().filePath(kDiary)).constData(), &st) == 0)
        id = {quint64(st.st_dev), quint64(st.st_ino)};
    *w = {offset, len};
    return journal::encodeEntry(name, offset, oldSize, id, old, fresh);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    fuzz::clear();
    const QByteArray cards(720, 'd'), notes("my own notes");
    fuzz::put(kDiary, cards);
    fuzz::put(kMemo, notes);
    Write w{0, cards.size()};
    if (!bytes.isEmpty() && (bytes[0] & 1)) bytes = entryFrom(bytes, cards, &w);
    fuzz::put(journal::fileName(), bytes);
    const QString path = fuzz::folder().path();
    const journal::State before = journal::inspect(path);
    QString notice;
    try {
        notice = journal::recover(path);
    } catch (const StoreError &) {
        abort(); // a journal that cannot be rolled back would block every later write
    }
    const journal::State after = journal::inspect(path);
    if (after.kind != journal::State::None && after.kind != journal::State::Clear) abort();
    QDir dir(path);
    QString aside;
    for (const QString &n : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (n == kDiary || n == kMemo || n == journal::fileName()) continue;
        if (!journal::isAsideName(n) || !aside.isEmpty()) abort();
        aside = n;
    }
    // A journal put aside is kept whole and reported; one that is not never leaves a notice.
    if (aside.isEmpty() != notice.isEmpty()) abort();
    if (!aside.isEmpty()) {
        QFile a(dir.filePath(aside));
        if (!a.open(QIODevice::ReadOnly) || a.readAll() != bytes) abort();
        if (before.kind == journal::State::Pending) abort();
    }
    QFile m(dir.filePath(kMemo));
    if (!m.open(QIODevice::ReadOnly) || m.readAll() != notes) abort();
    QFile f(dir.filePath(kDiary));
    if (!f.open(QIODevice::ReadOnly)) abort();
    const QByteArray now = f.readAll();
    if (now == cards) return 0;
    // Changed: only by the rollback of a journal that fit it, within its write, never grown.
    if (before.kind != journal::State::Pending || before.file != kDiary || now.size() > cards.size()) abort();
    for (qsizetype i = 0; i < now.size(); ++i)
        if (now[i] != cards[i] && (i < w.offset || i >= w.offset + w.size)) abort();
    if (now.size() < std::min<qint64>(w.offset, cards.size())) abort();
    return 0;
}
