#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QStringView>

namespace tama::cli {

// Lines of UTF-8 text, handed to the device in large blocks rather than one write a line.
class TextWriter {
  public:
    explicit TextWriter(QIODevice &out) : m_out(out) {}
    ~TextWriter() { flush(); }
    TextWriter(const TextWriter &) = delete;
    TextWriter &operator=(const TextWriter &) = delete;

    void line(QStringView text) {
        m_buffer += text.toUtf8();
        m_buffer += '\n';
        if (m_buffer.size() >= 64 * 1024) flush();
    }
    // False when the device would not take what was written.
    bool flush() {
        if (!m_buffer.isEmpty() && !m_failed) m_failed = m_out.write(m_buffer) != m_buffer.size();
        m_buffer.clear();
        return !m_failed;
    }

  private:
    QIODevice &m_out;
    QByteArray m_buffer;
    bool m_failed = false;
};

} // namespace tama::cli
