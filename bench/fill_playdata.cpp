// Gives every card of the diaries in a folder play data, for the statistics benchmark
// (bench/stats_vs_iconv.sh): terms for the halls 店舗0 … 店舗39 and 機種スペック for the models
// 機種0 … 機種149 that the script's diaries use, and spins, own balls and hits for every
// card, one change per diary through the database's own interface.
// Usage: fill_playdata DIR
#include "store/category.h"
#include "store/diary.h"
#include "store/playdata.h"
#include "store/storeerror.h"

#include <QCoreApplication>
#include <QDir>
#include <QRandomGenerator>

#include <cstdio>

using namespace Qt::Literals::StringLiterals;
using namespace tama;

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: fill_playdata DIR\n");
        return 2;
    }
    try {
        const DataFolder folder(QString::fromLocal8Bit(argv[1]));
        PlayDatabase db(folder);
        if (!db.isOpen()) {
            std::fprintf(stderr, "fill_playdata: %s\n", qPrintable(db.reason()));
            return 1;
        }
        for (int i = 0; i < 40; ++i) {
            HallTerms t;
            t.store = u"店舗"_s + QString::number(i);
            t.from = QDate(1990, 1, 1);
            t.lend = i % 4 ? 4 : 1;
            t.exchange = i % 2 ? 28 : 25;
            db.setHallTerms(t);
        }
        for (int m = 0; m < 150; ++m) {
            ModelSpec s;
            s.category = categoryByCardCode(QString::number(m % 5 + 1))->option; // the script's card codes
            s.model = u"機種"_s + QString::number(m);
            if (m % 3) {
                s.probability = 99.9 + m;
                s.payout = 1500 + 20 * m;
            } else {
                s.border = 15 + m % 10;
            }
            db.setModelSpec(s);
        }
        QRandomGenerator rnd(4321);
        const QStringList names = QDir(folder.path()).entryList({u"*.dat"_s}, QDir::Files, QDir::Name);
        for (const QString &name : names) {
            const DiaryFile diary(folder, name, RecordFile::Mode::ReadOnly);
            QList<QByteArray> records;
            records.reserve(diary.count());
            diary.forEachRaw([&](int, const char *bytes) { records.append(QByteArray(bytes, 240)); });
            const DiaryKeys keys = DiaryKeys::ofRecords(records);
            PlayChange change(name);
            for (int n = 1; n <= keys.count(); ++n) {
                PlayInputs p;
                p.spins = 100 + rnd.bounded(1900);
                if (n % 3 == 0) p.ownBalls = rnd.bounded(3000);
                p.hits = rnd.bounded(12);
                change.set(keys.key(n), p, n);
            }
            db.commit(db.prepare(change, DiaryExpectation::fileWritten(records)));
            std::printf("%s: %d cards\n", qPrintable(name), keys.count());
        }
    } catch (const StoreError &e) {
        std::fprintf(stderr, "fill_playdata: %s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
