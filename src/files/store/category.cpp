#include "store/category.h"

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

QList<FieldDef> fieldsOf(std::initializer_list<int> detailWidths) {
    QList<FieldDef> f{{u"ModelName"_s, u"機種名"_s, 30}};
    int i = 1;
    for (int w : detailWidths)
        f.append({QStringLiteral("Detail%1").arg(i++), u"詳細"_s, w});
    return f;
}

} // namespace

const QList<CategoryInfo> &categories() {
    static const RecordLayout hane(
        u"hirapati.dat"_s, fieldsOf({2, 2, 2, 4, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 109}), kMaxCatalogueModels);
    static const RecordLayout degi(u"DEGIpati.dat"_s, fieldsOf({5, 1, 3, 4, 4, 2, 2, 2, 20, 87}),
                                   kMaxCatalogueModels);
    static const RecordLayout ken(u"KENpati.dat"_s, fieldsOf({5, 5, 5, 5, 5, 5, 2, 2, 2, 4, 1, 3, 1, 85}),
                                  kMaxCatalogueModels);
    static const RecordLayout slot(u"SLOTpati.dat"_s, fieldsOf({5, 5, 5, 5, 5, 5, 2, 2, 2, 4, 1, 3, 86}),
                                   kMaxCatalogueModels);
    static const RecordLayout cr(u"CRpati.dat"_s, fieldsOf({5, 5, 5, 5, 5, 5, 2, 2, 2, 4, 3, 4, 83}),
                                 kMaxCatalogueModels);
    static const QList<CategoryInfo> list = {
        {1, u"羽物"_s, u"羽物"_s, u"羽根物"_s, u"hirapati.dat"_s, 3, u"1"_s, &hane},
        {2, u"デジパチ"_s, u"デジパチ"_s, u"デジパチ"_s, u"DEGIpati.dat"_s, 2, u"2"_s, &degi},
        {3, u"権利物"_s, u"権利物"_s, u"権利物"_s, u"KENpati.dat"_s, 4, u"4"_s, &ken},
        {4, u"一般電役"_s, u"一般電役、一般機"_s, u"一般電役"_s, u"SLOTpati.dat"_s, 5, u"5"_s, &slot},
        {5, u"ＣＲデジパチ"_s, u"ＣＲデジパチ"_s, u"ＣＲデジ"_s, u"CRpati.dat"_s, 6, u"3"_s, &cr},
    };
    return list;
}

const QList<const CategoryInfo *> &categoriesByCardCode() {
    static const QList<const CategoryInfo *> list = [] {
        QList<const CategoryInfo *> l;
        for (const CategoryInfo &c : categories())
            l.append(&c);
        std::sort(l.begin(), l.end(), [](const auto *a, const auto *b) { return a->cardCode < b->cardCode; });
        return l;
    }();
    return list;
}

const CategoryInfo *categoryByOption(int option) {
    return option >= 1 && option <= categories().size() ? &categories()[option - 1] : nullptr;
}

const CategoryInfo *categoryBySection(int sectionCode) {
    for (const CategoryInfo &c : categories())
        if (c.sectionCode == sectionCode) return &c;
    return nullptr;
}

const CategoryInfo *categoryByCardCode(QStringView code) {
    for (const CategoryInfo &c : categories())
        if (c.cardCode == code) return &c;
    return nullptr;
}

const CategoryInfo *categoryByCaption(const QString &caption) {
    for (const CategoryInfo &c : categories())
        if (c.caption == caption) return &c;
    return nullptr;
}

} // namespace tama
