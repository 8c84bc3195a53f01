#include "csv.h"

#include "common/codec.h"

using namespace Qt::Literals::StringLiterals;

namespace tama::cli {

QString csvField(const QString &text) {
    const bool quote =
        text.contains(u',') || text.contains(u'"') || text.contains(u'\r') || text.contains(u'\n');
    if (!quote) return text;
    QString inner = text;
    inner.replace(u"\""_s, u"\"\""_s);
    return u'"' + inner + u'"';
}

QString csvRow(const QStringList &fields) {
    QStringList quoted;
    quoted.reserve(fields.size());
    for (const QString &f : fields)
        quoted.append(csvField(f));
    return quoted.join(u',') + u"\r\n"_s;
}

QByteArray csvBytes(const QString &text, CsvEncoding encoding) {
    if (encoding == CsvEncoding::Utf8) return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    QString rest = text;
    QByteArray out;
    while (true) {
        const cp932::EncodeResult r = cp932::encode(rest);
        out += r.bytes;
        if (r.ok()) return out;
        out += cp932::encode(u"〓"_s).bytes;
        rest = rest.mid(*r.badIndex + r.badChar.size());
    }
}

CsvWriter::CsvWriter(QIODevice &out, CsvEncoding encoding) : m_out(out), m_encoding(encoding) {
    if (encoding == CsvEncoding::Utf8) m_buffer = "\xEF\xBB\xBF";
}

void CsvWriter::row(const QStringList &fields) {
    const QString text = csvRow(fields);
    if (m_encoding == CsvEncoding::Utf8)
        m_buffer += text.toUtf8();
    else
        m_buffer += csvBytes(text, CsvEncoding::Cp932);
    if (m_buffer.size() >= 64 * 1024) flush();
}

bool CsvWriter::flush() {
    if (!m_buffer.isEmpty() && !m_failed) m_failed = m_out.write(m_buffer) != m_buffer.size();
    m_buffer.clear();
    return !m_failed;
}

} // namespace tama::cli
