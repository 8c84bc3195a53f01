#include "support/testsupport.h"

#include "jsonwriter.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>

#include <limits>

using namespace Qt::Literals::StringLiterals;
using tama::cli::JsonWriter;

namespace {

// Writes v through the writer, object keys in the order the document holds them.
void writeValue(JsonWriter &w, const QJsonValue &v) {
    switch (v.type()) {
    case QJsonValue::Null:
        w.null();
        break;
    case QJsonValue::Bool:
        w.value(v.toBool());
        break;
    case QJsonValue::Double:
        w.value(v.toInteger());
        break;
    case QJsonValue::String:
        w.value(v.toString());
        break;
    case QJsonValue::Array:
        w.beginArray();
        for (const QJsonValue &e : v.toArray())
            writeValue(w, e);
        w.endArray();
        break;
    case QJsonValue::Object: {
        const QJsonObject o = v.toObject();
        w.beginObject();
        for (auto it = o.begin(); it != o.end(); ++it) {
            w.key(it.key());
            writeValue(w, it.value());
        }
        w.endObject();
        break;
    }
    case QJsonValue::Undefined:
        QFAIL("undefined value");
        break;
    }
}

QByteArray streamed(const QJsonValue &top) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        JsonWriter w(buffer);
        writeValue(w, top);
        if (!w.flush()) qWarning("flush failed");
    }
    return buffer.data();
}

QByteArray documentForm(const QJsonValue &top) {
    const QJsonDocument doc = top.isArray() ? QJsonDocument(top.toArray()) : QJsonDocument(top.toObject());
    return doc.toJson(QJsonDocument::Indented);
}

// The first line where two texts differ, for a readable failure.
QByteArray firstDifference(const QByteArray &a, const QByteArray &b) {
    const QList<QByteArray> la = a.split('\n'), lb = b.split('\n');
    for (qsizetype i = 0; i < std::max(la.size(), lb.size()); ++i) {
        const QByteArray x = la.value(i), y = lb.value(i);
        if (x != y)
            return "line " + QByteArray::number(i + 1) + ": streamed <" + x.toHex(' ') + "> document <" +
                   y.toHex(' ') + '>';
    }
    return "same";
}

#define COMPARE_FORMS(value)                                                                                 \
    do {                                                                                                     \
        const QJsonValue v_ = (value);                                                                       \
        const QByteArray s_ = streamed(v_), d_ = documentForm(v_);                                           \
        QVERIFY2(s_ == d_, firstDifference(s_, d_).constData());                                             \
    } while (false)

QString everyAsciiUnit() {
    QString s;
    for (char16_t c = 0; c < 0x80; ++c)
        s += QChar(c);
    return s;
}

// Texts weighted towards what escaping and UTF-8 conversion treat specially.
QString randomText(QRandomGenerator &rng) {
    const int n = rng.bounded(0, 12);
    QString s;
    for (int i = 0; i < n; ++i) {
        switch (rng.bounded(8)) {
        case 0:
            s += QChar(char16_t(rng.bounded(0, 0x20)));
            break;
        case 1:
            s += QChar(char16_t(rng.bounded(0x20, 0x80)));
            break;
        case 2:
            s += QChar(char16_t(rng.bounded(0x80, 0x800)));
            break;
        case 3:
            s += QChar(char16_t(rng.bounded(0xD800, 0xE000)));
            break; // often lone
        case 4: {  // a proper pair
            const char32_t cp = char32_t(rng.bounded(0x10000, 0x110000));
            s += QChar(QChar::highSurrogate(cp));
            s += QChar(QChar::lowSurrogate(cp));
            break;
        }
        case 5:
            s += QChar(char16_t(rng.bounded(0xE000, 0x10000)));
            break;
        case 6:
            s += QChar(char16_t(rng.bounded(0x800, 0xD800)));
            break;
        default:
            s += QChar(u"\"\\/\u2028\u2029\uFFFD\uFEFF\u3000"[rng.bounded(9)]);
            break;
        }
    }
    return s;
}

qint64 randomInteger(QRandomGenerator &rng) {
    switch (rng.bounded(4)) {
    case 0:
        return rng.bounded(-1000, 1000);
    case 1:
        return qint64(rng.generate64() >> rng.bounded(1, 64)) * (rng.bounded(2) ? 1 : -1);
    default:
        return rng.bounded(-40000, 40000);
    }
}

QJsonValue randomValue(QRandomGenerator &rng, int depth);

QJsonObject randomObject(QRandomGenerator &rng, int depth) {
    QJsonObject o;
    const int n = rng.bounded(0, 5);
    for (int i = 0; i < n; ++i)
        o.insert(rng.bounded(3) == 0 ? randomText(rng) : QString(QChar(char16_t(u'a' + rng.bounded(26)))),
                 randomValue(rng, depth + 1));
    return o;
}

QJsonArray randomArray(QRandomGenerator &rng, int depth) {
    QJsonArray a;
    const int n = rng.bounded(0, 5);
    for (int i = 0; i < n; ++i)
        a.append(randomValue(rng, depth + 1));
    return a;
}

QJsonValue randomValue(QRandomGenerator &rng, int depth) {
    const int kinds = depth >= 4 ? 5 : 7;
    switch (rng.bounded(kinds)) {
    case 0:
        return QJsonValue();
    case 1:
        return rng.bounded(2) == 1;
    case 2:
        return randomInteger(rng);
    case 3:
    case 4:
        return randomText(rng);
    case 5:
        return randomArray(rng, depth);
    default:
        return randomObject(rng, depth);
    }
}

// A device that takes at most limit bytes in all, then refuses.
class LimitedDevice : public QIODevice {
  public:
    explicit LimitedDevice(qint64 limit) : m_limit(limit) { open(QIODevice::WriteOnly); }
    QByteArray taken;

  protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 len) override {
        const qint64 room = m_limit - taken.size();
        if (room <= 0) return -1;
        const qint64 n = std::min(room, len);
        taken.append(data, n);
        return n;
    }

  private:
    qint64 m_limit;
};

} // namespace

class TestJsonWriter : public QObject {
    Q_OBJECT

  private slots:
    void sameAsDocument_data();
    void sameAsDocument();
    void randomDocuments();
    void largeDocumentAcrossFlushes();
    void refusedWrites();
    void hundredthsKeepTwoDecimals_data();
    void hundredthsKeepTwoDecimals();
};

void TestJsonWriter::sameAsDocument_data() {
    QTest::addColumn<QJsonValue>("value");

    QTest::newRow("empty object") << QJsonValue(QJsonObject());
    QTest::newRow("empty array") << QJsonValue(QJsonArray());
    QTest::newRow("empty containers at depth 1 to 3") << QJsonValue(
        QJsonObject{{u"a"_s, QJsonArray()},
                    {u"b"_s, QJsonObject()},
                    {u"c"_s, QJsonArray{QJsonArray(), QJsonObject(), QJsonArray{QJsonObject()}}},
                    {u"d"_s, QJsonObject{{u"e"_s, QJsonObject{{u"f"_s, QJsonArray()}}}}}});
    QTest::newRow("scalars") << QJsonValue(QJsonArray{true, false, QJsonValue(), 0, -1, 1, 32766, -32766});
    QTest::newRow("large integers") << QJsonValue(
        QJsonArray{qint64(1) << 31, -(qint64(1) << 31), qint64(9007199254740992), -qint64(9007199254740992),
                   qint64(-123456789012), qint64(4294967296), std::numeric_limits<qint64>::min(),
                   std::numeric_limits<qint64>::max(), qint64(-999999999999999999)});
    QTest::newRow("nested") << QJsonValue(QJsonObject{
        {u"cards"_s,
         QJsonArray{QJsonObject{{u"no"_s, 1}, {u"candidate"_s, false}, {u"StoreName"_s, u"Ａ店 "_s}},
                    QJsonObject{{u"no"_s, 2}, {u"candidate"_s, true}, {u"x"_s, QJsonValue()}}}},
        {u"count"_s, 2},
        {u"file"_s, u"taro.1999.dat"_s}});
    QTest::newRow("every unit below 0x80") << QJsonValue(QJsonArray{everyAsciiUnit()});
    QTest::newRow("every unit below 0x80 as a key")
        << QJsonValue(QJsonObject{{everyAsciiUnit(), everyAsciiUnit()}});
    QTest::newRow("non-ASCII BMP") << QJsonValue(QJsonArray{u"é¢߿ࠀ自動ｱ　\uFFFF\uFFFE\uE000"_s});
    QTest::newRow("surrogate pairs") << QJsonValue(QJsonArray{u"😀𠮷野家\U0010FFFF\U00010000"_s});
    QTest::newRow("lone high surrogates")
        << QJsonValue(QJsonArray{QString(QChar(0xD800)), QString(QChar(0xDBFF)) + u'a',
                                 QString(QChar(0xD83D)) + QChar(0xD83D) + QChar(0xDE00)});
    QTest::newRow("lone low surrogates") << QJsonValue(
        QJsonArray{QString(QChar(0xDC00)), u"a"_s + QChar(0xDFFF) + u'b',
                   QString(QChar(0xDE00)) + QChar(0xD83D), QString(QChar(0xDC00)) + QChar(0xDC01)});
    QTest::newRow("line and paragraph separators, replacement")
        << QJsonValue(QJsonArray{u"\u2028\u2029\uFFFD"_s, u"\uFEFFbom"_s});
    QTest::newRow("keys with escapes")
        << QJsonValue(QJsonObject{{u"a\"b"_s, 1}, {u"\n"_s, 2}, {u"自"_s, 3}, {QString(QChar(0xD800)), 4}});
}

void TestJsonWriter::sameAsDocument() {
    QFETCH(QJsonValue, value);
    COMPARE_FORMS(value);
}

void TestJsonWriter::randomDocuments() {
    QRandomGenerator rng(20261207);
    for (int i = 0; i < 3000; ++i) {
        const QJsonValue top =
            rng.bounded(2) ? QJsonValue(randomObject(rng, 0)) : QJsonValue(randomArray(rng, 0));
        const QByteArray s = streamed(top), d = documentForm(top);
        QVERIFY2(s == d, (QByteArray::number(i) + ' ' + firstDifference(s, d)).constData());
    }
}

// More than the writer buffers, so that it hands blocks to the device along the way.
void TestJsonWriter::largeDocumentAcrossFlushes() {
    QJsonArray cards;
    for (int i = 0; i < 3000; ++i)
        cards.append(QJsonObject{{u"no"_s, i + 1}, {u"text"_s, u"大当たり「%1」\t\"x\"\r\n"_s.arg(i)}});
    COMPARE_FORMS(QJsonObject({{u"cards"_s, cards}, {u"count"_s, 3000}}));

    QByteArray longText(200000, 'x');
    COMPARE_FORMS(QJsonArray({QString::fromLatin1(longText), QString(70000, QChar(0x81EA))}));
}

void TestJsonWriter::refusedWrites() {
    // Refused from the start.
    {
        LimitedDevice dev(0);
        JsonWriter w(dev);
        w.beginObject().key(u"a").value(1).endObject();
        QVERIFY(!w.flush());
        QVERIFY(!w.flush()); // stays failed
    }
    // Takes part of a block: the rest is lost, which is a failure.
    {
        LimitedDevice dev(10);
        JsonWriter w(dev);
        w.beginArray().value(u"0123456789abcdef").endArray();
        QVERIFY(!w.flush());
    }
    // Fails in the middle of a large document, then stays failed though nothing more is sent.
    {
        LimitedDevice dev(100000);
        JsonWriter w(dev);
        w.beginArray();
        for (int i = 0; i < 20000; ++i)
            w.value(u"some text to fill the buffer");
        w.endArray();
        QVERIFY(!w.flush());
        QVERIFY(dev.taken.size() <= 100000);
    }
    // A device that takes everything: flush succeeds and the destructor hands over the rest.
    {
        LimitedDevice dev(1 << 20);
        {
            JsonWriter w(dev);
            w.beginArray().value(true).endArray();
            QVERIFY(w.flush());
            w.beginArray().endArray(); // a second top-level value, left to the destructor
        }
        QCOMPARE(dev.taken, QByteArray("[\n    true\n]\n[\n]\n"));
    }
}

void TestJsonWriter::hundredthsKeepTwoDecimals_data() {
    QTest::addColumn<qint64>("hundredths");
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("zero") << qint64(0) << QByteArray("0.00");
    QTest::newRow("below zero, under one") << qint64(-5) << QByteArray("-0.05");
    QTest::newRow("below zero") << qint64(-1207) << QByteArray("-12.07");
}

void TestJsonWriter::hundredthsKeepTwoDecimals() {
    QFETCH(qint64, hundredths);
    QFETCH(QByteArray, text);
    LimitedDevice dev(1 << 20);
    {
        JsonWriter w(dev);
        w.beginArray().hundredths(hundredths).endArray();
    }
    QCOMPARE(dev.taken, "[\n    " + text + "\n]\n");
}

TAMA_TEST_MAIN(TestJsonWriter)
#include "tst_jsonwriter.moc"
