#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QList>
#include <QStringView>

namespace tama::cli {

// Writes JSON as it goes, in the same layout as QJsonDocument::Indented, so that a
// command can print a whole diary without first building it as a document. Keys come
// out in the order they are written: callers write them in sorted order to match the
// document form.
class JsonWriter {
  public:
    explicit JsonWriter(QIODevice &out);
    ~JsonWriter(); // flushes

    JsonWriter(const JsonWriter &) = delete;
    JsonWriter &operator=(const JsonWriter &) = delete;

    JsonWriter &beginObject();
    JsonWriter &endObject();
    JsonWriter &beginArray();
    JsonWriter &endArray();
    JsonWriter &key(QStringView name);
    JsonWriter &value(QStringView text);
    JsonWriter &value(const char16_t *text) { return value(QStringView(text)); }
    JsonWriter &value(qint64 number);
    JsonWriter &value(int number) { return value(qint64(number)); }
    JsonWriter &value(bool b);
    // A number given in tenths, written with one decimal: 794 → 79.4.
    JsonWriter &tenths(qint64 tenths);
    // The same in hundredths, with two decimals: 1864 → 18.64, -5 → -0.05.
    JsonWriter &hundredths(qint64 hundredths);
    JsonWriter &null();

    // Hands what is buffered to the device; returns false when it would not take it.
    bool flush();

    // A string in JSON's quotes, escaped as QJsonDocument escapes it.
    static void appendString(QByteArray &out, QStringView text);

  private:
    void beforeValue();
    void open(char bracket);
    void close(char bracket);
    void maybeFlush();

    QIODevice &m_out;
    QByteArray m_buffer;
    QList<int> m_counts; // entries so far in each open container
    bool m_afterKey = false;
    bool m_failed = false;
};

} // namespace tama::cli
