#include "card/cardeditor.h"
#include "store/modellist.h"
#include "support/cardbuilder.h"
#include "support/testsupport.h"

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

const QDate kToday(1999, 3, 15); // a Monday
const QString kDiary = u"taro.1999.dat"_s;

QByteArray padded(QByteArray b, int n) {
    b.append(QByteArray(n - b.size(), ' '));
    return b;
}

// 1999-01-23 (a Saturday, stored with a wrong weekday 月), 9:30 to 14:05 at ＡＢＣホール,
// デジパチ 羽根モデル, 15,000 yen in, nothing out.
QByteArray storedCard(const QString &date = u"19990123"_s) {
    CardValues c = screenCard();
    c.date = date + u"月"_s;
    return cardBytes(c);
}

} // namespace

class TestCardEditor : public QObject {
    Q_OBJECT
  private slots:
    void init() {
        m_folder = std::make_unique<TempFolder>();
        m_data = std::make_unique<DataFolder>(m_folder->path());
        m_editor = CardEditor();
        m_editor.open(*m_data, kDiary, u"1999"_s);
    }

    void emptyFolderOpensOnNewCard() {
        QVERIFY(!m_editor.load(kToday));
        QVERIFY(m_folder->exists(kDiary));
        QCOMPARE(m_editor.number(), 1);
        QCOMPARE(m_editor.state(), CardEditor::State::New);
        const CardControls &c = m_editor.card();
        QCOMPARE((QStringList{c.month, c.day, c.weekday}), (QStringList{u"03"_s, u"15"_s, u"月"_s}));
        QCOMPARE(c.start, (std::array<QString, 4>{u"1"_s, u"0"_s, u"0"_s, u"0"_s}));
        QCOMPARE(c.profit, u"0"_s);
        // The end spinner stands with the start, so its first step leaves 10 o'clock.
        QCOMPARE(m_editor.spinnerValue(3), m_editor.spinnerValue(1));
        m_editor.spin(3, m_editor.spinnerValue(3) - 1);
        QCOMPARE(m_editor.card().end, (std::array<QString, 4>{u"1"_s, u"1"_s, u"0"_s, u"0"_s}));
    }

    void storedCardShowsWhatIsStored() {
        m_folder->write(kDiary, storedCard() + storedCard(u"R9990201"_s));
        m_editor.load(kToday);
        QVERIFY(!m_editor.show(1, kToday));
        const CardControls &c = m_editor.card();
        QCOMPARE(m_editor.state(), CardEditor::State::Stored);
        QCOMPARE(c.store, u"ＡＢＣホール"_s); // no record padding to type behind
        QCOMPARE(c.model, u"羽根モデル"_s);
        QCOMPARE(c.weekday, u"土"_s); // the date's own weekday, not the record's
        QCOMPARE(c.category, 2);
        QCOMPARE(c.investment, (std::array<QString, 4>{QString(), u"1"_s, u"5"_s, u"0"_s}));
        QCOMPARE(c.profit, u"-15,000"_s);
        QVERIFY(m_editor.profitNegative());
        QCOMPARE(c.impression, u"よかった"_s);

        m_editor.show(2, kToday);
        QCOMPARE(m_editor.state(), CardEditor::State::Candidate);
        QCOMPARE(m_editor.card().year, u"R999"_s);
        m_editor.show(3, kToday);
        QCOMPARE(m_editor.state(), CardEditor::State::New);
        QCOMPARE(m_editor.card().year, u"1999"_s);
    }

    void typedAmountsAndDatesFollow() {
        m_editor.load(kToday);
        m_editor.setDigit(9, u"1"_s);  // investment 1万
        m_editor.setDigit(10, u"2"_s); // 2千
        m_editor.setDigit(13, u"3"_s); // cash-out 3万
        QCOMPARE(m_editor.card().profit, u"18,000"_s);
        QVERIFY(!m_editor.profitNegative());

        m_editor.setMonth(u"11"_s);
        m_editor.setDay(u"03"_s);
        QCOMPARE(m_editor.card().weekday, u"水"_s); // 3 November 1999
        m_editor.setMonth(u"0x"_s);
        QCOMPARE(m_editor.card().weekday, QString());
        QVERIFY(!m_editor.dateIsValid());
        QCOMPARE(m_editor.leaveDateBox(DateBox::Month), 1); // no such month: back to 01, one beep
        QCOMPARE(m_editor.card().month, u"01"_s);
        m_editor.setMonth(u"02"_s);
        m_editor.setDay(u"30"_s);
        QCOMPARE(m_editor.repairDate(DateBox::Day), 1);
        QCOMPARE((QStringList{m_editor.card().month, m_editor.card().day, m_editor.card().weekday}),
                 (QStringList{u"02"_s, u"01"_s, u"月"_s}));
    }

    void registrationRefusesWithoutWriting() {
        m_editor.load(kToday);
        fill(u"ＡＢＣ"_s, u"ドリーム"_s);
        m_editor.setMonth(u"13"_s);
        QCOMPARE(m_editor.registerCard().outcome, CardEditor::Registration::Outcome::BadDate);
        m_editor.setMonth(u"03"_s);
        m_editor.setStore(u"ホール😀"_s);
        m_editor.setCategory(2);
        const CardEditor::Registration r = m_editor.registerCard();
        QCOMPARE(r.outcome, CardEditor::Registration::Outcome::Refused);
        QVERIFY(r.error->message().contains(u"店名"_s));
        QCOMPARE(m_folder->files(), QStringList{kDiary});
        QCOMPARE(m_folder->read(kDiary).size(), 0);
        m_editor.setCategory(0);
        QCOMPARE(m_editor.registerCard().outcome, CardEditor::Registration::Outcome::Incomplete);
    }

    void registrationWritesAndPreparesNext() {
        m_editor.load(kToday);
        fill(u"abc"_s, u"ドリーム"_s);
        m_editor.setImpression(u"一行目\n二行目"_s);
        const CardEditor::Registration r = m_editor.registerCard();
        QCOMPARE(r.outcome, CardEditor::Registration::Outcome::Written);
        QVERIFY(r.appended);
        QCOMPARE(r.addedStore, std::optional<QString>(u"ａｂｃ"_s));
        QCOMPARE(r.addedModel, std::optional<QString>(u"ドリーム"_s));
        QVERIFY(r.modelMissingFromList);
        const QByteArray expected = QByteArray("19990315") + hex("8C 8E") + "1000" + "1100" +
                                    padded(hex("82 81 82 82 82 83"), 20) + "2" +
                                    padded(hex("83 68 83 8A 81 5B 83 80"), 30) + "0010" + "0000" + "111" +
                                    padded(hex("88 EA 8D 73 96 DA 0D 0A 93 F1 8D 73 96 DA"), 160);
        QCOMPARE(m_folder->read(kDiary), expected);
        // What the boxes show is what was stored.
        QCOMPARE(m_editor.card().store, u"ａｂｃ"_s);
        QCOMPARE(m_editor.card().investment, (std::array<QString, 4>{u"0"_s, u"0"_s, u"1"_s, u"0"_s}));

        m_editor.prepareNextCard(QDate(1999, 3, 14));
        QCOMPARE(m_editor.number(), 2);
        QCOMPARE(m_editor.state(), CardEditor::State::New);
        const CardControls &c = m_editor.card();
        QCOMPARE(c.start, (std::array<QString, 4>{u"1"_s, u"1"_s, u"0"_s, u"0"_s}));
        QCOMPARE(c.end, c.start);
        QCOMPARE(c.store, u"ａｂｃ"_s);
        QCOMPARE((QStringList{c.model, c.profit, c.impression, c.day}),
                 (QStringList{QString(), QString(), QString(), u"14"_s}));
        QCOMPARE(c.category, 0);
    }

    void longNamesAreCutWithANotice() {
        m_editor.load(kToday);
        fill(u"ABCDEFGHIJKL"_s, u"ドリーム"_s);
        const CardEditor::Registration r = m_editor.registerCard();
        QCOMPARE(r.outcome, CardEditor::Registration::Outcome::Written);
        QCOMPARE(r.notices.size(), 1);
        QVERIFY(r.notices.first().contains(u"ＡＢＣＤＥＦＧＨＩＪ"_s));
        QCOMPARE(m_editor.card().store, u"ＡＢＣＤＥＦＧＨＩＪ"_s);
    }

    void markAndEmpty() {
        m_folder->write(kDiary, storedCard());
        m_editor.load(kToday);
        m_editor.show(1, kToday);
        m_editor.markOrEmpty();
        QCOMPARE(m_editor.state(), CardEditor::State::Candidate);
        QCOMPARE(m_editor.card().year, u"R999"_s);
        QCOMPARE(m_folder->read(kDiary), QByteArray("R") + storedCard().mid(1));
        m_editor.markOrEmpty();
        QCOMPARE(m_folder->read(kDiary), storedCard());
        QCOMPARE(m_editor.state(), CardEditor::State::Stored);

        m_editor.show(2, kToday);
        fill(u"ＡＢＣ"_s, u"ドリーム"_s);
        m_editor.markOrEmpty(); // the new card is emptied, nothing written
        QCOMPARE(m_editor.card().store, QString());
        QCOMPARE(m_editor.card().start, (std::array<QString, 4>{}));
        QCOMPARE(m_folder->read(kDiary), storedCard());
    }

    void listFileNamesAreCutByCharacters() {
        // 😀 is two UTF-16 units: the name takes it whole or not at all.
        QCOMPARE(modelListFileName(u"ホ😀"_s), u"ホ😀ホ😀ホ😀"_s);
        QCOMPARE(modelListFileName(u"𠮷野ホール"_s), u"𠮷野ール野ホール"_s);
        const ModelListFile list(*m_data, u"ホール😀"_s);
        QVERIFY_THROWS_EXCEPTION(StoreError, list.ensure());
        QVERIFY(!list.exists());
    }

  private:
    // A complete card: 10:00 to 11:00, デジパチ, 1,000 yen in, nothing out.
    void fill(const QString &store, const QString &model) {
        m_editor.setStore(store);
        m_editor.setCategory(2);
        m_editor.setModel(model);
        m_editor.spin(3, m_editor.spinnerValue(3) - 1);
        m_editor.setDigit(10, u"1"_s);
        m_editor.setDigit(11, u"0"_s);
    }

    std::unique_ptr<TempFolder> m_folder;
    std::unique_ptr<DataFolder> m_data;
    CardEditor m_editor;
};

TAMA_TEST_MAIN(TestCardEditor)
#include "tst_cardeditor.moc"
