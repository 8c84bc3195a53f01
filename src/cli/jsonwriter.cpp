#include "jsonwriter.h"

namespace tama::cli {

namespace {

constexpr qsizetype kFlushBytes = 64 * 1024;

} // namespace

JsonWriter::JsonWriter(QIODevice &out) : m_out(out) {
    m_buffer.reserve(kFlushBytes + 4096);
}

JsonWriter::~JsonWriter() {
    flush();
}

bool JsonWriter::flush() {
    if (!m_buffer.isEmpty() && !m_failed) m_failed = m_out.write(m_buffer) != m_buffer.size();
    m_buffer.clear();
    return !m_failed;
}

void JsonWriter::maybeFlush() {
    if (m_buffer.size() >= kFlushBytes) flush();
}

void JsonWriter::beforeValue() {
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_counts.isEmpty()) return;
    if (m_counts.last()++ > 0) m_buffer += ',';
    m_buffer += '\n';
    m_buffer.append(m_counts.size() * 4, ' ');
}

void JsonWriter::open(char bracket) {
    beforeValue();
    m_buffer += bracket;
    m_counts.append(0);
}

void JsonWriter::close(char bracket) {
    // Even an empty container has its closing bracket on a line of its own.
    m_counts.removeLast();
    m_buffer += '\n';
    m_buffer.append(m_counts.size() * 4, ' ');
    m_buffer += bracket;
    if (m_counts.isEmpty()) m_buffer += '\n';
    maybeFlush();
}

JsonWriter &JsonWriter::beginObject() {
    open('{');
    return *this;
}

JsonWriter &JsonWriter::endObject() {
    close('}');
    return *this;
}

JsonWriter &JsonWriter::beginArray() {
    open('[');
    return *this;
}

JsonWriter &JsonWriter::endArray() {
    close(']');
    return *this;
}

JsonWriter &JsonWriter::key(QStringView name) {
    beforeValue();
    appendString(m_buffer, name);
    m_buffer += ": ";
    m_afterKey = true;
    return *this;
}

JsonWriter &JsonWriter::value(QStringView text) {
    beforeValue();
    appendString(m_buffer, text);
    maybeFlush();
    return *this;
}

JsonWriter &JsonWriter::value(qint64 number) {
    beforeValue();
    m_buffer += QByteArray::number(number);
    return *this;
}

JsonWriter &JsonWriter::tenths(qint64 tenths) {
    beforeValue();
    const qint64 a = tenths < 0 ? -tenths : tenths;
    if (tenths < 0) m_buffer += '-';
    m_buffer += QByteArray::number(a / 10) + '.' + QByteArray::number(a % 10);
    return *this;
}

JsonWriter &JsonWriter::hundredths(qint64 hundredths) {
    beforeValue();
    const qint64 a = hundredths < 0 ? -hundredths : hundredths;
    if (hundredths < 0) m_buffer += '-';
    m_buffer += QByteArray::number(a / 100) + '.' + QByteArray::number(a % 100).rightJustified(2, '0');
    return *this;
}

JsonWriter &JsonWriter::value(bool b) {
    beforeValue();
    m_buffer += b ? "true" : "false";
    return *this;
}

JsonWriter &JsonWriter::null() {
    beforeValue();
    m_buffer += "null";
    return *this;
}

void JsonWriter::appendString(QByteArray &out, QStringView text) {
    // Written straight into the buffer: six bytes are the most one UTF-16 unit becomes.
    const qsizetype n = text.size();
    const qsizetype start = out.size();
    out.resize(start + 2 + 6 * n);
    char *d = out.data() + start;
    static const char digits[] = "0123456789abcdef";
    auto hex4 = [&](unsigned v) {
        *d++ = '\\';
        *d++ = 'u';
        for (int shift = 12; shift >= 0; shift -= 4)
            *d++ = digits[(v >> shift) & 0xF];
    };
    const char16_t *p = text.utf16();
    *d++ = '"';
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = p[i];
        if (c >= 0x20 && c < 0x80 && c != u'"' && c != u'\\') { // the common case first
            *d++ = char(c);
        } else if (c < 0x80) {
            char esc = 0;
            switch (c) {
            case u'"':
                esc = '"';
                break;
            case u'\\':
                esc = '\\';
                break;
            case u'\b':
                esc = 'b';
                break;
            case u'\f':
                esc = 'f';
                break;
            case u'\n':
                esc = 'n';
                break;
            case u'\r':
                esc = 'r';
                break;
            case u'\t':
                esc = 't';
                break;
            default:
                break;
            }
            if (esc) {
                *d++ = '\\';
                *d++ = esc;
            } else if (c < 0x20) {
                hex4(c);
            } else {
                *d++ = char(c);
            }
        } else if (c < 0x800) {
            *d++ = char(0xC0 | (c >> 6));
            *d++ = char(0x80 | (c & 0x3F));
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            if (c <= 0xDBFF && i + 1 < n && p[i + 1] >= 0xDC00 && p[i + 1] <= 0xDFFF) {
                const char32_t u = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (p[i + 1] - 0xDC00);
                *d++ = char(0xF0 | (u >> 18));
                *d++ = char(0x80 | ((u >> 12) & 0x3F));
                *d++ = char(0x80 | ((u >> 6) & 0x3F));
                *d++ = char(0x80 | (u & 0x3F));
                ++i;
            } else {
                hex4(c); // a lone surrogate has no UTF-8 form
            }
        } else {
            *d++ = char(0xE0 | (c >> 12));
            *d++ = char(0x80 | ((c >> 6) & 0x3F));
            *d++ = char(0x80 | (c & 0x3F));
        }
    }
    *d++ = '"';
    out.truncate(d - out.constData());
}

} // namespace tama::cli
