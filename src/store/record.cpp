#include "record.h"

#include "../common/codec.h"
#include "../common/text.h"
#include "storeerror.h"

using namespace Qt::Literals::StringLiterals;

namespace tama {

RecordLayout::RecordLayout(QString fileKind, std::initializer_list<FieldDef> fields, int maxRecords)
    : RecordLayout(std::move(fileKind), QList<FieldDef>(fields), maxRecords)
{
}

RecordLayout::RecordLayout(QString fileKind, QList<FieldDef> fields, int maxRecords)
    : m_fileKind(std::move(fileKind)), m_fields(std::move(fields)), m_maxRecords(maxRecords)
{
    for (const FieldDef &f : m_fields) {
        m_offsets.append(m_length);
        m_length += f.width;
    }
}

int RecordLayout::indexOf(const QString &name) const
{
    for (int i = 0; i < fieldCount(); ++i)
        if (m_fields[i].name == name)
            return i;
    Q_ASSERT_X(false, "RecordLayout::indexOf", "unknown field");
    return 0;
}

Record::Record(const RecordLayout &layout) : m_layout(&layout), m_raw(layout.length(), ' ')
{
    m_text.reserve(layout.fieldCount());
    for (int i = 0; i < layout.fieldCount(); ++i)
        m_text.append(QString(layout.field(i).width, u' '));
}

Record::Record(const RecordLayout &layout, QByteArray raw) : m_layout(&layout), m_raw(std::move(raw)) {}

Record Record::fromBytes(const RecordLayout &layout, const QByteArray &bytes)
{
    QByteArray raw = bytes.size() == layout.length() ? bytes : bytes.left(layout.length());
    if (raw.size() < layout.length())
        raw.append(QByteArray(layout.length() - raw.size(), ' '));
    Record r(layout, std::move(raw));
    r.m_text.reserve(layout.fieldCount());
    const char *data = r.m_raw.constData();
    for (int i = 0; i < layout.fieldCount(); ++i) {
        const int w = layout.field(i).width;
        // w bytes never decode to more than w characters: decode straight into the padded field.
        QString text(w, u' ');
        qsizetype bad = -1;
        cp932::decodeInto(data + layout.offset(i), w, reinterpret_cast<char16_t *>(text.data()), &bad);
        if (bad >= 0)
            r.m_undecodable = true;
        r.m_text.append(std::move(text));
    }
    return r;
}

void Record::setField(int i, const QString &text)
{
    const QString fitted = fitText(text, m_layout->field(i).width);
    if (fitted == m_text[i])
        return; // unchanged: keep the bytes as read
    m_text[i] = fitted;
    m_changed |= 1u << i;
}

QByteArray Record::toBytes() const
{
    QByteArray out = m_raw;
    for (int i = 0; i < m_layout->fieldCount(); ++i) {
        if (!(m_changed & (1u << i)))
            continue;
        const FieldDef &f = m_layout->field(i);
        requireEncodable(m_text[i], f.label);
        out.replace(m_layout->offset(i), f.width, cp932::encodeField(m_text[i], f.width));
    }
    return out;
}

void requireEncodable(const QString &text, const QString &label)
{
    if (auto bad = cp932::firstUnencodable(text))
        throw StoreError(StoreError::Kind::Encoding, QString(),
                         label + u"に保存できない文字があります: "_s + cp932::describeChar(*bad));
}

} // namespace tama
