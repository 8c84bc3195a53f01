#include "store/record.h"

#include "common/codec.h"
#include "common/text.h"
#include "store/storeerror.h"

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace tama {

RecordLayout::RecordLayout(QString fileKind, std::initializer_list<FieldDef> fields, int maxRecords)
    : RecordLayout(std::move(fileKind), QList<FieldDef>(fields), maxRecords) {}

RecordLayout::RecordLayout(QString fileKind, QList<FieldDef> fields, int maxRecords)
    : m_fileKind(std::move(fileKind)), m_fields(std::move(fields)), m_maxRecords(maxRecords) {
    for (const FieldDef &f : m_fields) {
        m_offsets.append(m_length);
        m_length += f.width;
    }
}

int RecordLayout::indexOf(const QString &name) const {
    for (int i = 0; i < fieldCount(); ++i)
        if (m_fields[i].name == name) return i;
    Q_ASSERT_X(false, "RecordLayout::indexOf", "unknown field");
    return 0;
}

Record::Record(const RecordLayout &layout) : m_layout(&layout), m_raw(layout.length(), ' ') {}

Record::Record(const RecordLayout &layout, QByteArray raw) : m_layout(&layout), m_raw(std::move(raw)) {}

Record Record::fromBytes(const RecordLayout &layout, const QByteArray &bytes) {
    QByteArray raw = bytes.size() == layout.length() ? bytes : bytes.left(layout.length());
    if (raw.size() < layout.length()) raw.append(QByteArray(layout.length() - raw.size(), ' '));
    return Record(layout, std::move(raw));
}

QString Record::field(int i) const {
    if (isChanged(i)) return m_edits[i];
    QString text(m_layout->field(i).width, Qt::Uninitialized);
    fieldInto(i, reinterpret_cast<char16_t *>(text.data()));
    return text;
}

void Record::fieldInto(int i, char16_t *out) const {
    const int w = m_layout->field(i).width;
    if (isChanged(i)) {
        std::copy_n(reinterpret_cast<const char16_t *>(m_edits[i].constData()), w, out);
        return;
    }
    // w bytes never decode to more than w characters; the rest is padding.
    qsizetype bad = -1;
    const qsizetype n = cp932::decodeInto(m_raw.constData() + m_layout->offset(i), w, out, &bad);
    std::fill(out + n, out + w, u' ');
}

bool Record::hadUndecodableBytes() const {
    // Field by field, as they are decoded: a lead byte at the end of a field is bad
    // even when the next field's first byte would complete it.
    for (int i = 0; i < m_layout->fieldCount(); ++i)
        if (cp932::findUndecodable(m_raw.constData() + m_layout->offset(i), m_layout->field(i).width) >= 0)
            return true;
    return false;
}

void Record::setField(int i, const QString &text) {
    const QString fitted = fitText(text, m_layout->field(i).width);
    if (fitted == field(i)) return; // unchanged: keep the bytes as read
    if (m_edits.isEmpty()) m_edits.resize(m_layout->fieldCount());
    m_edits[i] = fitted;
    m_changed |= 1u << i;
}

QByteArray Record::toBytes() const {
    QByteArray out = m_raw;
    for (int i = 0; i < m_layout->fieldCount(); ++i) {
        if (!isChanged(i)) continue;
        const FieldDef &f = m_layout->field(i);
        requireEncodable(m_edits[i], f.label);
        out.replace(m_layout->offset(i), f.width, cp932::encodeField(m_edits[i], f.width));
    }
    return out;
}

QString fieldOf(const RecordLayout &layout, int i, const char *recordBytes) {
    const int w = layout.field(i).width;
    QString text(w, Qt::Uninitialized);
    auto *out = reinterpret_cast<char16_t *>(text.data());
    qsizetype bad = -1;
    const qsizetype n = cp932::decodeInto(recordBytes + layout.offset(i), w, out, &bad);
    std::fill(out + n, out + w, u' ');
    return text;
}

void requireEncodable(const QString &text, const QString &label) {
    if (auto bad = cp932::firstUnencodable(text))
        throw StoreError(StoreError::Kind::Encoding, QString(),
                         label + u"に保存できない文字があります: "_s + cp932::describeChar(*bad));
}

} // namespace tama
