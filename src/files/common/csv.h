#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>

namespace tama {

// One field quoted the RFC 4180 way: in double quotes, inner quotes doubled, when it
// holds a comma, a quote or a line break; as it is otherwise.
QString csvField(const QString &text);
// The fields joined by commas and ended by CR LF.
QString csvRow(const QStringList &fields);

enum class CsvEncoding { Utf8, Cp932 };

// The CSV text as bytes: UTF-8 with a byte order mark (spreadsheets need it to tell
// UTF-8 from the local code page), or code page 932, where a character it cannot hold
// (the replacement of an undecodable byte) becomes 〓.
QByteArray csvBytes(const QString &text, CsvEncoding encoding);

// CSV rows written as they come, in blocks: the byte order mark first for UTF-8.
class CsvWriter {
  public:
    CsvWriter(QIODevice &out, CsvEncoding encoding);
    ~CsvWriter() { flush(); }
    CsvWriter(const CsvWriter &) = delete;
    CsvWriter &operator=(const CsvWriter &) = delete;

    void row(const QStringList &fields);
    bool flush(); // false when the device would not take what was written

  private:
    QIODevice &m_out;
    CsvEncoding m_encoding;
    QByteArray m_buffer;
    bool m_failed = false;
};

} // namespace tama
