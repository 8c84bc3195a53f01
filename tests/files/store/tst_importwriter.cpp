#include "cardbuilder.h"
#include "store/backup.h"
#include "store/catalogue.h"
#include "store/category.h"
#include "store/diary.h"
#include "store/filekind.h"
#include "store/importwriter.h"
#include "store/playdata.h"
#include "store/storefile.h"
#include "store/writehook.h"
#include "testsupport.h"

#include <QDir>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using tama::test::TempFolder;

namespace {

const QString kOld = u"taro.2026.dat"_s, kNew = u"taro.2025.dat"_s;

QByteArray card(const QString &date, const QString &store, int hundreds) {
    test::CardValues v;
    v.date = date;
    v.store = store;
    v.investment = test::digits4(hundreds);
    return test::cardBytes(v);
}

PlayInputs spins(qint64 n, const QString &machine = QString()) {
    PlayInputs p;
    p.spins = n;
    p.machine = machine;
    return p;
}

// The data files' bytes; the database is looked at by its rows.
QMap<QString, QByteArray> dataOf(const TempFolder &f) {
    QMap<QString, QByteArray> out;
    for (const QString &name : f.files())
        if (!name.startsWith(PlayDatabase::fileName())) out.insert(name, f.read(name));
    return out;
}

// Two cards of 2026, the first with play data, a hall and a model.
void prepare(const TempFolder &f) {
    f.write(kOld, card(u"20260105月"_s, u"ＡＢＣ"_s, 150) + card(u"20260110土"_s, u"ＡＢＣ"_s, 200));
    StoreFile(DataFolder(f.path())).add(u"ＡＢＣ"_s);
    ModelCatalogue(DataFolder(f.path()), *categoryByOption(1)).add(u"Ｘ"_s);
    const DataFolder folder(f.path());
    PlayDatabase(folder).setPlay(kOld, DiaryKeys::ofDiary(folder, kOld).key(1), spins(100), 1);
    repairPlayData(folder);
}

// Three cards: two for 2026 (the second with play data), one for a new diary of 2025 with
// play data; a new hall and an old one, a new model.
ImportBatch batch() {
    ImportBatch b;
    b.source = u"imp.csv"_s;
    b.diaries.append({kOld,
                      {card(u"20260201日"_s, u"新店"_s, 300), card(u"20260202月"_s, u"ＡＢＣ"_s, 50)},
                      {PlayInputs(), spins(777, u"12"_s)}});
    b.diaries.append({kNew, {card(u"20250301土"_s, u"新店"_s, 100)}, {spins(555)}});
    b.stores = {u"新店"_s, u"ＡＢＣ"_s};
    b.models = {{1, u"新台"_s}};
    return b;
}

// Throws at the write of one file, as a full disk or a failing device would.
class FailAt : public writehook::BeforeWrite {
  public:
    explicit FailAt(QString name) : m_name(std::move(name)) {}
    void beforeWrite(const QString &path) override {
        if (QFileInfo(path).fileName() == m_name)
            throw StoreError(StoreError::Kind::Io, path, u"書き込むことができませんでした"_s);
    }

  private:
    QString m_name;
};

int playRows(const TempFolder &f, const QString &diary) {
    return int(PlayDatabase(DataFolder(f.path())).playOfDiary(diary).size());
}

} // namespace

class tst_ImportWriter : public QObject {
    Q_OBJECT
  private slots:
    void appendsAll();
    void failureUndoesEverything_data();
    void failureUndoesEverything();
    void refusedBeforeWriting_data();
    void refusedBeforeWriting();
    void leftoverNoteUndoneAtOpen_data();
    void leftoverNoteUndoneAtOpen();
    void undoneLaterFromItsSnapshot();
};

void tst_ImportWriter::appendsAll() {
    TempFolder f;
    prepare(f);
    const QByteArray oldDiary = f.read(kOld);
    const DataFolder folder(f.path());
    const ImportBatch b = batch();
    const ImportResult r = applyImport(folder, b);

    QCOMPARE(r.cards, 3);
    QCOMPARE(r.addedStores, QStringList{u"新店"_s});
    QCOMPARE(r.addedModels, QStringList{u"新台"_s});
    QCOMPARE(f.read(kOld), oldDiary + b.diaries[0].records[0] + b.diaries[0].records[1]);
    QCOMPARE(f.read(kNew), b.diaries[1].records[0]);
    QCOMPARE(StoreFile(folder).list(), (QStringList{u"ＡＢＣ"_s, u"新店"_s}));
    QCOMPARE(ModelCatalogue(folder, *categoryByOption(1)).list(), (QStringList{u"Ｘ"_s, u"新台"_s}));
    QVERIFY(!f.exists(importNoteName()));

    // The old card keeps its row; the new ones have theirs and the card without none.
    const PlayDatabase db(folder);
    const DiaryKeys keys = DiaryKeys::ofDiary(folder, kOld);
    QCOMPARE(db.play(kOld, keys.key(1)), spins(100));
    QVERIFY(!db.play(kOld, keys.key(3)));
    QCOMPARE(db.play(kOld, keys.key(4)), spins(777, u"12"_s));
    QCOMPARE(db.play(kNew, DiaryKeys::ofDiary(folder, kNew).key(1)), spins(555));
    QCOMPARE(db.pendingChanges(), 0);

    // The snapshot before holds the folder as it was, and says what was imported.
    QVERIFY(r.snapshot);
    const std::optional<backup::Snapshot> s = backup::Backups(folder).find(r.snapshot->id);
    QVERIFY(s);
    QCOMPARE(s->reason, backup::Reason::Import);
    QCOMPARE(backup::reasonText(s->reason), u"取り込みの前"_s);
    QCOMPARE(s->detail, u"imp.csv から 3 枚"_s);
    QCOMPARE(test::readFile(s->filePath(kOld)), oldDiary);
    QVERIFY(!s->file(kNew));
}

void tst_ImportWriter::failureUndoesEverything_data() {
    QTest::addColumn<QString>("failing");
    QTest::newRow("the second diary") << kNew;
    QTest::newRow("the store file") << StoreFile::fileName();
    QTest::newRow("the catalogue") << categoryByOption(1)->fileName;
    QTest::newRow("the database") << PlayDatabase::fileName();
}

// A write fails half-way: every file written before is cut back, the new diary removed and
// the new cards' rows gone; the old rows stay.
void tst_ImportWriter::failureUndoesEverything() {
    QFETCH(QString, failing);
    TempFolder f;
    prepare(f);
    const QMap<QString, QByteArray> before = dataOf(f);
    FailAt fail(failing);
    const writehook::Registration hook(fail);
    try {
        applyImport(DataFolder(f.path()), batch());
        QFAIL("the import reported success");
    } catch (const StoreError &e) {
        QVERIFY2(e.message().contains(u"取り込む前の状態に戻しました"_s), qPrintable(e.message()));
    }
    QCOMPARE(dataOf(f), before);
    QCOMPARE(playRows(f, kOld), 1);
    QCOMPARE(playRows(f, kNew), 0);
    QCOMPARE(PlayDatabase(DataFolder(f.path())).detached().size(), 0);
    QCOMPARE(PlayDatabase(DataFolder(f.path())).pendingChanges(), 0);
}

void tst_ImportWriter::refusedBeforeWriting_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<int>("kind");
    QTest::newRow("FIFO") << u"fifo"_s << int(StoreError::Kind::Damaged);
    QTest::newRow("symbolic link") << u"link"_s << int(StoreError::Kind::Invalid);
    QTest::newRow("hard link") << u"hard"_s << int(StoreError::Kind::Invalid);
    QTest::newRow("read-only") << u"readonly"_s << int(StoreError::Kind::Io);
    QTest::newRow("partial tail") << u"tail"_s << int(StoreError::Kind::Damaged);
    QTest::newRow("full") << u"full"_s << int(StoreError::Kind::Limit);
}

// The second diary cannot take the cards: nothing is written, not even a snapshot.
void tst_ImportWriter::refusedBeforeWriting() {
    QFETCH(QString, how);
    QFETCH(int, kind);
    TempFolder f;
    prepare(f);
    const QByteArray path = QFile::encodeName(f.file(kNew));
    if (how == u"fifo"_s) QCOMPARE(::mkfifo(path.constData(), 0600), 0);
    if (how == u"link"_s) QCOMPARE(::symlink("elsewhere.dat", path.constData()), 0);
    if (how == u"hard"_s) {
        f.write(u"elsewhere.dat"_s, card(u"20250101木"_s, u"Ａ"_s, 1));
        QCOMPARE(::link(QFile::encodeName(f.file(u"elsewhere.dat"_s)).constData(), path.constData()), 0);
    }
    if (how == u"readonly"_s) {
        f.write(kNew, card(u"20250101木"_s, u"Ａ"_s, 1));
        QCOMPARE(::chmod(path.constData(), 0444), 0);
    }
    if (how == u"tail"_s) f.write(kNew, card(u"20250101木"_s, u"Ａ"_s, 1) + "torn");
    if (how == u"full"_s) f.write(kNew, card(u"20250101木"_s, u"Ａ"_s, 1).repeated(DiaryFile::kMaxCards));
    const QMap<QString, QByteArray> before = how == u"fifo"_s ? QMap<QString, QByteArray>() : dataOf(f);
    const QByteArray oldDiary = f.read(kOld);
    QCOMPARE(test::storeErrorKind([&] { applyImport(DataFolder(f.path()), batch()); }), kind);
    QCOMPARE(f.read(kOld), oldDiary);
    if (how != u"fifo"_s) QCOMPARE(dataOf(f), before);
    QVERIFY(!QFileInfo::exists(f.file(backup::Backups::folderName())));
    QCOMPARE(playRows(f, kNew), 0);
}

void tst_ImportWriter::leftoverNoteUndoneAtOpen_data() {
    QTest::addColumn<bool>("changedSince");
    QTest::newRow("cut short after the appends") << false;
    QTest::newRow("a diary changed by another program since") << true;
}

// A crash left the note: the next open cuts each file back and removes the one made;
// a file whose first bytes are no longer those noted is left alone and named.
void tst_ImportWriter::leftoverNoteUndoneAtOpen() {
    QFETCH(bool, changedSince);
    TempFolder f;
    const DataFolder folder(f.path());
    const QByteArray a(240, 'a'), b(240, 'b');
    f.write(kOld, (changedSince ? QByteArray(240, 'c') : a) + b);
    f.write(kNew, b);
    f.write(u"patishop.dat"_s, QByteArray(80, 's') + QByteArray(80, 't'));
    const CardKey appended = DiaryKeys::ofRecords({a, b}).key(2);
    {
        PlayDatabase db(folder);
        db.setPlay(kOld, DiaryKeys::ofDiary(folder, kOld).key(1), spins(1), 1);
        db.setPlay(kOld, appended, spins(2), 2);
    }
    repairPlayData(folder);
    const QByteArray note =
        "tamanote-import 1\n"
        "snapshot 20261208-101500-import\n"
        "file 1 240 9b3043905ca79556acb1d2d12f9a4c0bed8ced2bd1a82e7cdf26743069be53e3 taro.2026.dat\n"
        "file 0 0 e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855 taro.2025.dat\n"
        "file 1 80 e4a44013b54f5ed7fc3e0f8fb09a44d9faf71a79658f46033499b78b35d2ec89 patishop.dat\n"
        "play " +
        appended.fingerprint.toHex() + " 0 taro.2026.dat\nend\n";
    f.write(importNoteName(), note);

    const std::optional<QString> message = finishInterruptedImport(folder);
    QVERIFY(message);
    QVERIFY2(message->startsWith(u"前回の取り込みは終わっていなかったため"_s), qPrintable(*message));
    QCOMPARE(message->contains(u"taro.2026.dat"_s), changedSince);
    QCOMPARE(f.read(kOld), changedSince ? QByteArray(240, 'c') + b : a);
    QVERIFY(!f.exists(kNew));
    QCOMPARE(f.read(u"patishop.dat"_s), QByteArray(80, 's'));
    QVERIFY(!f.exists(importNoteName()));
    // The appended card's row goes with it; a diary left alone keeps its rows.
    QCOMPARE(playRows(f, kOld), changedSince ? 2 : 1);
    QCOMPARE(PlayDatabase(folder).pendingChanges(), 0);
    // Done once: the next open has nothing to do.
    QVERIFY(!finishInterruptedImport(folder));

    // A note cut short while it was written: nothing had changed, and nothing is cut.
    const QByteArray now = f.read(kOld);
    f.write(importNoteName(), note.left(note.size() / 2));
    QVERIFY(!finishInterruptedImport(folder));
    QCOMPARE(f.read(kOld), now);
    QVERIFY(!f.exists(importNoteName()));
}

// A finished import undone from its snapshot: the files as before, the new cards' rows
// gone with them (none set aside), the old rows kept.
void tst_ImportWriter::undoneLaterFromItsSnapshot() {
    TempFolder f;
    prepare(f);
    const DataFolder folder(f.path());
    const QMap<QString, QByteArray> before = dataOf(f);
    const ImportResult r = applyImport(folder, batch());
    const backup::Snapshot s = *backup::Backups(folder).find(r.snapshot->id);
    const QList<ImportedFile> files = importedFiles(s);
    QCOMPARE(files.size(), 4); // two diaries, the hall file and the catalogue
    QVERIFY(changedSinceImport(folder, files).isEmpty());
    f.write(kNew, f.read(kNew) + card(u"20250302日"_s, u"新店"_s, 100));
    QCOMPARE(changedSinceImport(folder, files), QStringList{kNew});

    undoImport(folder, s);
    QCOMPARE(dataOf(f), before);
    QCOMPARE(playRows(f, kOld), 1);
    QCOMPARE(playRows(f, kNew), 0);
    QCOMPARE(PlayDatabase(folder).detached().size(), 0);
}

TAMA_TEST_MAIN(tst_ImportWriter)
#include "tst_importwriter.moc"
