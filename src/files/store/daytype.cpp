#include "store/daytype.h"

using namespace Qt::Literals::StringLiterals;

namespace tama {

const QList<DayTypeInfo> &dayTypes() {
    static const QList<DayTypeInfo> list = {
        {1, u"111"_s, u"平常開店"_s, u"平常"_s, false},
        {2, u"222"_s, u"新規開店"_s, u"新規"_s, true},
        {3, u"333"_s, u"新装開店"_s, u"新装"_s, true},
        {4, u"444"_s, u"新台入替"_s, u"新台"_s, true},
    };
    return list;
}

const DayTypeInfo *dayTypeByCode(QStringView code) {
    for (const DayTypeInfo &d : dayTypes())
        if (d.code == code) return &d;
    return nullptr;
}

const DayTypeInfo &dayTypeByValue(qint64 value) {
    for (const DayTypeInfo &d : dayTypes())
        if (d.code.toLongLong() == value) return d;
    return ordinaryDay();
}

const DayTypeInfo &ordinaryDay() {
    return dayTypes().first();
}

} // namespace tama
