#include "store/catalogue.h"

#include "common/text.h"
#include "store/recordfile.h"
#include "store/storefile.h"
#include "store/storeerror.h"

#include <QDir>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

QList<FieldDef> fieldsOf(std::initializer_list<int> detailWidths)
{
    QList<FieldDef> f{{u"ModelName"_s, u"機種名"_s, 30}};
    int i = 1;
    for (int w : detailWidths)
        f.append({QStringLiteral("Detail%1").arg(i++), u"詳細"_s, w});
    return f;
}

} // namespace

const QList<CategoryInfo> &categories()
{
    static const RecordLayout hane(u"hirapati.dat"_s,
                                   fieldsOf({2, 2, 2, 4, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 109}),
                                   ModelCatalogue::kMaxModels);
    static const RecordLayout degi(u"DEGIpati.dat"_s, fieldsOf({5, 1, 3, 4, 4, 2, 2, 2, 20, 87}),
                                   ModelCatalogue::kMaxModels);
    static const RecordLayout ken(u"KENpati.dat"_s, fieldsOf({5, 5, 5, 5, 5, 5, 2, 2, 2, 4, 1, 3, 1, 85}),
                                  ModelCatalogue::kMaxModels);
    static const RecordLayout slot(u"SLOTpati.dat"_s, fieldsOf({5, 5, 5, 5, 5, 5, 2, 2, 2, 4, 1, 3, 86}),
                                   ModelCatalogue::kMaxModels);
    static const RecordLayout cr(u"CRpati.dat"_s, fieldsOf({5, 5, 5, 5, 5, 5, 2, 2, 2, 4, 3, 4, 83}),
                                 ModelCatalogue::kMaxModels);
    static const QList<CategoryInfo> list = {
        {u"羽物"_s, u"hirapati.dat"_s, 3, u"1"_s, &hane},
        {u"デジパチ"_s, u"DEGIpati.dat"_s, 2, u"2"_s, &degi},
        {u"権利物"_s, u"KENpati.dat"_s, 4, u"4"_s, &ken},
        {u"一般電役"_s, u"SLOTpati.dat"_s, 5, u"5"_s, &slot},
        {u"ＣＲデジパチ"_s, u"CRpati.dat"_s, 6, u"3"_s, &cr},
    };
    return list;
}

const CategoryInfo *categoryBySection(int sectionCode)
{
    for (const CategoryInfo &c : categories())
        if (c.sectionCode == sectionCode)
            return &c;
    return nullptr;
}

const CategoryInfo *categoryByCardCode(const QString &code)
{
    for (const CategoryInfo &c : categories())
        if (c.cardCode == code)
            return &c;
    return nullptr;
}

const CategoryInfo *categoryByCaption(const QString &caption)
{
    for (const CategoryInfo &c : categories())
        if (c.caption == caption)
            return &c;
    return nullptr;
}

QString storedModelName(const QString &text) { return trimRight(toFullWidth(text).left(15)); }

QString cataloguePath(const DataFolder &folder, const CategoryInfo &category)
{
    const QDir dir(folder.path());
    const QString wanted = category.fileName.toLower();
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden))
        if (name.toLower() == wanted)
            return dir.filePath(name);
    return dir.filePath(category.fileName);
}

ModelCatalogue::ModelCatalogue(const DataFolder &folder, const CategoryInfo &category, bool readOnly)
    : m_folder(folder.path()), m_path(cataloguePath(folder, category)), m_category(&category),
      m_readOnly(readOnly)
{
}

QStringList ModelCatalogue::list() const
{
    QStringList out;
    forEachName([&](const QString &name) { out.append(name); });
    return out;
}

void ModelCatalogue::forEachName(const std::function<void(const QString &name)> &visit) const
{
    const RecordLayout &layout = *m_category->layout;
    const RecordFile f(m_path, layout, m_readOnly ? RecordFile::Mode::ReadOnly : RecordFile::Mode::Create);
    f.forEachRaw([&](int, const char *bytes) { visit(trimRight(fieldOf(layout, 0, bytes))); });
}

std::optional<QString> ModelCatalogue::add(const QString &text)
{
    const QString stored = storedModelName(text);
    if (stored.isEmpty())
        throw StoreError(StoreError::Kind::Invalid, QString(), u"機種名が空です"_s);
    requireEncodable(stored, u"機種名"_s);
    RecordFile f(m_path, *m_category->layout);
    bool present = false;
    f.forEachRaw([&](int, const char *bytes) {
        present = present || trimRight(fieldOf(*m_category->layout, 0, bytes).left(15)) == stored;
    });
    if (present)
        return std::nullopt;
    Record r(*m_category->layout);
    r.setField(0, stored);
    f.append(r);
    return stored;
}

void ModelCatalogue::deleteAt(int p)
{
    RecordFile f(m_path, *m_category->layout);
    QList<QByteArray> raw = f.readAllRaw();
    if (p < 0 || p >= raw.size())
        throw StoreError(StoreError::Kind::Invalid, m_path, u"削除する機種が選ばれていません"_s);
    raw.removeAt(p);
    rewriteRecords(m_folder, m_path, StoreFile::scratchName(), *m_category->layout, raw);
}

} // namespace tama
