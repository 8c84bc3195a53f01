// The largest diary (32766 cards), written once into a folder of its own with the store
// file and the catalogues the year list's filter reads; shared by the view benchmarks.
#pragma once

#include "store/catalogue.h"
#include "store/diary.h"
#include "store/storefile.h"
#include "support/cardbuilder.h"

#include <QTemporaryDir>

#include <cstdlib>

namespace tama::bench {

using namespace Qt::Literals::StringLiterals;

inline constexpr int kCards = tama::DiaryFile::kMaxCards;
inline const QString kDiary = u"bench.1999.dat"_s;

// A full year in date order, about 90 cards a day, with names and amounts that vary.
class FullDiary {
  public:
    FullDiary() {
        if (!m_dir.isValid()) std::abort();
        const tama::DataFolder f = folder();
        tama::StoreFile stores(f);
        QStringList storeNames, modelNames;
        for (int i = 0; i < 40; ++i)
            storeNames.append(*stores.add(u"店舗"_s + QString::number(i)));
        for (int i = 0; i < 150; ++i) {
            const tama::CategoryInfo &c = *tama::categoryByCardCode(QString::number(i % 5 + 1));
            modelNames.append(*tama::ModelCatalogue(f, c).add(u"機種"_s + QString::number(i)));
        }

        QList<tama::CardRecord> cards;
        cards.reserve(kCards);
        quint32 seed = 12345;
        auto next = [&seed](int n) {
            seed = seed * 1103515245u + 12345u;
            return int((seed >> 8) % quint32(n));
        };
        static const QString weekdays[] = {u"日"_s, u"月"_s, u"火"_s, u"水"_s, u"木"_s, u"金"_s, u"土"_s};
        const QDate first(1999, 1, 1);
        for (int i = 0; i < kCards; ++i) {
            const QDate d = first.addDays(i * 365 / kCards);
            const int model = next(150);
            const int start = 9 + next(10);
            // Each field's draws in the order they always were, so the diary stays the same.
            const QString date = d.toString(u"yyyyMMdd"_s) + weekdays[d.dayOfWeek() % 7];
            const QString startTime = QString::number(start * 100 + next(60)).rightJustified(4);
            const QString endTime = QString::number((start + next(5)) * 100 + next(60));
            const QString store = storeNames[next(40)];
            const QString investment = tama::test::digits4(next(500));
            const QString cashOut = tama::test::digits4(next(900));
            const QString dayType = QString::number((next(4) + 1) * 111);
            tama::CardRecord c = tama::test::makeCard({.date = date,
                                                       .start = startTime,
                                                       .end = endTime,
                                                       .store = store,
                                                       .category = QString::number(model % 5 + 1),
                                                       .model = modelNames[model],
                                                       .investment = investment,
                                                       .cashOut = cashOut,
                                                       .dayType = dayType});
            if (next(50) == 0) c.markCandidate();
            cards.append(c);
        }
        tama::test::writeDiary(m_dir.path(), kDiary, cards);
        m_cards = diary().readAll();
        if (m_cards.size() != kCards) std::abort();
    }

    tama::DataFolder folder() const { return tama::DataFolder(m_dir.path()); }
    tama::DiaryFile diary() const {
        return tama::DiaryFile(folder(), kDiary, tama::RecordFile::Mode::ReadOnly);
    }
    const QList<tama::CardRecord> &cards() const { return m_cards; }

  private:
    QTemporaryDir m_dir;
    QList<tama::CardRecord> m_cards;
};

inline const FullDiary &full() {
    static const FullDiary d;
    return d;
}

} // namespace tama::bench
