#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <initializer_list>

namespace tama {

struct FieldDef {
    QString name;  // the field's name (StoreName)
    QString label; // what the user calls it, for messages (店名)
    int width;     // bytes on disk
};

// A record type: fixed-width text fields, back to back, and the largest number of
// records its file may hold.
class RecordLayout {
  public:
    RecordLayout(QString fileKind, std::initializer_list<FieldDef> fields, int maxRecords);
    RecordLayout(QString fileKind, QList<FieldDef> fields, int maxRecords);

    const QString &fileKind() const { return m_fileKind; }
    int length() const { return m_length; }
    int fieldCount() const { return int(m_fields.size()); }
    const FieldDef &field(int i) const { return m_fields[i]; }
    int offset(int i) const { return m_offsets[i]; }
    int indexOf(const QString &name) const;
    int maxRecords() const { return m_maxRecords; }

  private:
    QString m_fileKind;
    QList<FieldDef> m_fields;
    QList<int> m_offsets;
    int m_length = 0;
    int m_maxRecords;
};

// One record in memory. Each field is a text of exactly its width in characters.
// The bytes read are kept: a field that is not changed is written back byte for byte,
// so fields this program never interprets survive every rewrite. A field is decoded
// when it is asked for, so a record costs its bytes and little more: a whole diary
// read for a list decodes only the fields the list shows.
class Record {
  public:
    explicit Record(const RecordLayout &layout); // blank: every field spaces
    static Record fromBytes(const RecordLayout &layout, const QByteArray &bytes);

    const RecordLayout &layout() const { return *m_layout; }
    QString field(int i) const;
    QString field(const QString &name) const { return field(m_layout->indexOf(name)); }
    // The same text written to out, which has room for the field's width in characters.
    void fieldInto(int i, char16_t *out) const;
    // Left-aligned, padded with spaces or cut to the field's width in characters.
    void setField(int i, const QString &text);
    void setField(const QString &name, const QString &text) { setField(m_layout->indexOf(name), text); }

    // Encodes every changed field; throws StoreError(Encoding) naming the field and the
    // character when code page 932 cannot hold it.
    QByteArray toBytes() const;
    // True when some field held bytes that are not code page 932.
    bool hadUndecodableBytes() const;
    // The bytes as read (or blank), before any change.
    const QByteArray &rawBytes() const { return m_raw; }

  private:
    Record(const RecordLayout &layout, QByteArray raw);

    bool isChanged(int i) const { return m_changed & (1u << i); }

    const RecordLayout *m_layout;
    QByteArray m_raw;
    QList<QString> m_edits; // the changed fields' texts; empty until a field changes
    quint32 m_changed = 0;  // one bit per field; layouts have fewer than 32 fields
};

// Field i of a record's bytes, decoded as Record::field would, without making a record.
QString fieldOf(const RecordLayout &layout, int i, const char *recordBytes);

// Checks that every character of text can be stored; throws StoreError(Encoding)
// naming the label and the character otherwise.
void requireEncodable(const QString &text, const QString &label);

} // namespace tama
