#include "common/csvreader.h"

#include "common/codec.h"

#include <QFile>
#include <QFileInfo>
#include <QStringView>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

// The offset of the first byte that does not belong to well-formed UTF-8 (no overlong
// forms, no surrogates, nothing past U+10FFFF), or -1. *ascii tells whether every byte
// is below 0x80.
qsizetype findInvalidUtf8(const QByteArray &bytes, bool *ascii) {
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype n = bytes.size();
    *ascii = true;
    qsizetype i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        *ascii = false;
        int length = 0;
        unsigned char low = 0x80, high = 0xBF; // the allowed range of the second byte
        if (b >= 0xC2 && b <= 0xDF) {
            length = 2;
        } else if (b >= 0xE0 && b <= 0xEF) {
            length = 3;
            if (b == 0xE0) low = 0xA0;  // overlong
            if (b == 0xED) high = 0x9F; // surrogates
        } else if (b >= 0xF0 && b <= 0xF4) {
            length = 4;
            if (b == 0xF0) low = 0x90;  // overlong
            if (b == 0xF4) high = 0x8F; // past U+10FFFF
        } else {
            return i;
        }
        if (i + length > n || p[i + 1] < low || p[i + 1] > high) return i;
        for (int k = 2; k < length; ++k)
            if ((p[i + k] & 0xC0) != 0x80) return i;
        i += length;
    }
    return -1;
}

struct Decoded {
    QString text;
    TextEncoding encoding = TextEncoding::Ascii;
    std::optional<QString> problem;
};

Decoded decodeText(const QByteArray &bytes) {
    Decoded d;
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        const QByteArray rest = bytes.sliced(3);
        bool ascii = false;
        const qsizetype bad = findInvalidUtf8(rest, &ascii);
        if (bad >= 0) {
            // The mark promises UTF-8; the offset counts the mark's three bytes.
            d.problem = u"UTF-8（BOM付き）のはずが、%1 バイト目が UTF-8 として読めません"_s.arg(bad + 4);
            return d;
        }
        d.text = QString::fromUtf8(rest);
        d.encoding = TextEncoding::Utf8Bom;
        return d;
    }
    bool ascii = false;
    const qsizetype badUtf8 = findInvalidUtf8(bytes, &ascii);
    if (badUtf8 < 0) {
        d.text = QString::fromUtf8(bytes);
        d.encoding = ascii ? TextEncoding::Ascii : TextEncoding::Utf8;
        return d;
    }
    const qsizetype badCp932 = cp932::findUndecodable(bytes.constData(), bytes.size());
    if (badCp932 < 0) {
        d.text = cp932::decode(bytes).text;
        d.encoding = TextEncoding::Cp932;
        return d;
    }
    // The reading that got further is the likelier one; its first bad byte is named.
    d.problem = u"文字コードが UTF-8 でも Shift_JIS（CP932）でもありません（%1 バイト目）"_s.arg(
        std::max(badUtf8, badCp932) + 1);
    return d;
}

// RFC 4180, leniently: text after a closing quote up to the next comma is kept with the
// field ("ab"c → abc), a quote inside an unquoted field is a character, and a quote
// the file never closes takes the rest of the file.
QList<CsvRow> splitRows(QStringView text) {
    QList<CsvRow> rows;
    const qsizetype n = text.size();
    const QChar *s = text.data();
    qsizetype pos = 0;
    int line = 1;
    qsizetype width = 0; // the last row's field count: rows are mostly alike
    while (pos < n) {
        CsvRow row;
        row.line = line;
        row.fields.reserve(width);
        while (true) {
            QString field;
            if (s[pos] == u'"') {
                ++pos;
                qsizetype from = pos;
                bool closed = false;
                while (pos < n) {
                    const char16_t c = s[pos].unicode();
                    if (c == u'"') {
                        field += text.sliced(from, pos - from);
                        if (pos + 1 < n && s[pos + 1] == u'"') {
                            field += u'"';
                            pos += 2;
                            from = pos;
                            continue;
                        }
                        ++pos;
                        closed = true;
                        break;
                    }
                    if (c == u'\r' || c == u'\n') {
                        // Line breaks inside quotes are kept as LF, and counted.
                        field += text.sliced(from, pos - from);
                        field += u'\n';
                        pos += (c == u'\r' && pos + 1 < n && s[pos + 1] == u'\n') ? 2 : 1;
                        ++line;
                        from = pos;
                        continue;
                    }
                    ++pos;
                }
                if (!closed) {
                    field += text.sliced(from, pos - from);
                    row.unclosedQuote = true;
                }
            }
            const qsizetype from = pos;
            while (pos < n && s[pos] != u',' && s[pos] != u'\r' && s[pos] != u'\n')
                ++pos;
            if (pos > from) {
                if (field.isEmpty())
                    field = text.sliced(from, pos - from).toString();
                else
                    field += text.sliced(from, pos - from);
            }
            row.fields.append(std::move(field));
            if (pos < n && s[pos] == u',') {
                ++pos;
                if (pos < n) continue;
                row.fields.append(QString()); // a comma ends the file: one more empty field
            }
            break;
        }
        if (pos < n) {
            pos += (s[pos] == u'\r' && pos + 1 < n && s[pos + 1] == u'\n') ? 2 : 1;
            ++line;
        }
        const bool blank = row.fields.size() == 1 && row.fields.first().isEmpty() && !row.unclosedQuote;
        if (blank) continue;
        width = row.fields.size();
        rows.append(std::move(row));
    }
    return rows;
}

QString sizeInMegabytes(qint64 bytes) {
    // Rounded up to a tenth, so that a file just over the limit never reads as the limit.
    const double tenths = std::ceil(double(bytes) * 10.0 / (1024.0 * 1024.0));
    if (std::fmod(tenths, 10.0) == 0.0) return QString::number(qint64(tenths / 10.0));
    return QString::number(tenths / 10.0, 'f', 1);
}

QString quoted(const QString &path) {
    return u"「"_s + QFileInfo(path).fileName() + u"」"_s;
}

CsvTable failed(const QString &problem) {
    CsvTable t;
    t.problem = problem;
    return t;
}

QString kindOf(mode_t mode) {
    if (S_ISDIR(mode)) return u"フォルダ"_s;
    if (S_ISFIFO(mode)) return u"FIFO"_s;
    if (S_ISCHR(mode) || S_ISBLK(mode)) return u"装置"_s;
    if (S_ISSOCK(mode)) return u"ソケット"_s;
    return u"通常でないファイル"_s;
}

QString errnoText(int err) {
    switch (err) {
    case ENOENT:
        return u"ファイルがありません"_s;
    case EACCES:
    case EPERM:
        return u"アクセスが許可されていません"_s;
    case EIO:
        return u"入出力エラーが起きました"_s;
    case ENAMETOOLONG:
        return u"ファイル名が長すぎます"_s;
    default:
        return QString::fromLocal8Bit(std::strerror(err));
    }
}

} // namespace

QString textEncodingName(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Ascii:
        return u"ASCII"_s;
    case TextEncoding::Utf8:
        return u"UTF-8"_s;
    case TextEncoding::Utf8Bom:
        return u"UTF-8（BOM付き）"_s;
    case TextEncoding::Cp932:
        return u"Shift_JIS（CP932）"_s;
    }
    return QString();
}

CsvTable readCsv(const QByteArray &bytes) {
    const char *nul = static_cast<const char *>(std::memchr(bytes.constData(), 0, size_t(bytes.size())));
    if (nul)
        return failed(u"バイナリファイルのようです（%1 バイト目が NUL）。CSV のテキストではありません"_s.arg(
            nul - bytes.constData() + 1));
    Decoded d = decodeText(bytes);
    if (d.problem) return failed(*d.problem);
    CsvTable table;
    table.encoding = d.encoding;
    table.rows = splitRows(d.text);
    if (table.rows.isEmpty()) return failed(u"ファイルが空です"_s);
    return table;
}

CsvTable readCsvFile(const QString &path) {
    // A FIFO or a device is refused before it is opened; the open does not block, so one put
    // in the file's place since is refused below, never waited on.
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::stat(name.constData(), &st) != 0)
        return failed(quoted(path) + u"を読み込めません（"_s + errnoText(errno) + u"）"_s);
    if (!S_ISREG(st.st_mode))
        return failed(quoted(path) + u"は"_s + kindOf(st.st_mode) + u"です。CSV ファイルを選んでください"_s);
    const QString file = QFileInfo(path).fileName();
    const QString limit = sizeInMegabytes(kMaxCsvImportBytes);
    if (qint64(st.st_size) > kMaxCsvImportBytes)
        return failed(u"「%1」は %2 MB あります。取り込めるのは %3 MB までです。"_s.arg(
            file, sizeInMegabytes(st.st_size), limit));

    int fd;
    do {
        fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return failed(quoted(path) + u"を読み込めません（"_s + errnoText(errno) + u"）"_s);
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        return failed(quoted(path) + u"を読み込めません（"_s + errnoText(err) + u"）"_s);
    }
    if (!S_ISREG(st.st_mode)) {
        const mode_t mode = st.st_mode;
        ::close(fd);
        return failed(quoted(path) + u"は"_s + kindOf(mode) + u"です。CSV ファイルを選んでください"_s);
    }
    // Read to the end, one byte past the limit, in case the file grew since it was looked at.
    QByteArray bytes(std::min<qint64>(qint64(st.st_size), kMaxCsvImportBytes) + 1, Qt::Uninitialized);
    qint64 got = 0;
    while (true) {
        if (got == bytes.size()) {
            if (got > kMaxCsvImportBytes) break;
            bytes.resize(std::min<qint64>(got * 2, kMaxCsvImportBytes + 1));
        }
        const ssize_t r = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
        if (r < 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd);
            return failed(quoted(path) + u"を読み込めません（"_s + errnoText(err) + u"）"_s);
        }
        if (r == 0) break;
        got += r;
    }
    ::close(fd);
    if (got > kMaxCsvImportBytes)
        return failed(u"「%1」は %2 MB を超えています。取り込めるのは %2 MB までです。"_s.arg(file, limit));
    bytes.truncate(got);

    CsvTable table = readCsv(bytes);
    if (table.problem) table.problem = quoted(path) + u": "_s + *table.problem;
    return table;
}

} // namespace tama
