#include "painters/analysispainter.h"
#include "support/cardbuilder.h"
#include "support/testsupport.h"

#include <QGuiApplication>
#include <QPainter>

using namespace Qt::Literals::StringLiterals;
using namespace tama;

namespace {

struct Run {
    int from = 0, length = 0;
};

// The longest horizontal run of a pure colour: a bar, never a smoothed letter.
Run longestRun(const QImage &image, bool red) {
    Run best;
    for (int y = 0; y < image.height(); ++y) {
        int start = 0, n = 0;
        for (int x = 0; x <= image.width(); ++x) {
            const QColor c = x < image.width() ? image.pixelColor(x, y) : QColor(Qt::white);
            const bool on = red ? c == QColor(255, 0, 0) : c == QColor(0, 0, 255);
            if (on) {
                if (n++ == 0) start = x;
            } else {
                if (n > best.length) best = {start, n};
                n = 0;
            }
        }
    }
    return best;
}

// The calendar face the window and the command line draw in.
QFont calendarFont() {
    QFont font;
    font.setFamilies({u"IPAGothic"_s, u"Noto Sans Mono CJK JP"_s});
    font.setPixelSize(14);
    return font;
}

// Pixels of a rectangle drawn in pure red or blue (the cores of antialiased letters).
int colouredPixels(const QImage &image, const QRect &r, bool red) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            const int on = red ? c.red() : c.blue(), other = red ? c.blue() : c.red();
            n += on > 200 && other < 110 && c.green() < 110;
        }
    return n;
}

// The line of a cell's day number: its top left, above the day's result.
QRect numberBand(const QRectF &cell) {
    return QRectF(cell.left() + 1, cell.top() + 1, cell.width() / 2, 17).toRect();
}

} // namespace

class TestAnalysisPainter : public QObject {
    Q_OBJECT

  private slots:
    void yenTexts() {
        QCOMPARE(yenText(0), u"0"_s);
        QCOMPARE(yenText(999), u"999"_s);
        QCOMPARE(yenText(1000), u"1,000"_s);
        QCOMPARE(yenText(-1234567), u"-1,234,567"_s);
        QCOMPARE(signedYenText(25400), u"+25,400"_s);
        QCOMPARE(signedYenText(-100), u"-100"_s);
        QCOMPARE(signedYenText(0), u"0"_s);
    }

    // Weeks begin on Monday; every day is found again at the middle of its own cell.
    void calendarCells() {
        const QRectF area(0, 0, 700, 560);
        const QFont font;
        const MonthCalendar may(1999, 5, false); // 1 May 1999 was a Saturday; six weeks
        const QRectF first = CalendarPainter::dayRect(area, may, font, 1);
        const QRectF third = CalendarPainter::dayRect(area, may, font, 3);
        QVERIFY(first.left() > area.width() * 5 / 7 - 10);
        QCOMPARE(third.top(), first.bottom());
        QVERIFY(third.left() < area.width() / 7);
        for (int d = 1; d <= 31; ++d)
            QCOMPARE(CalendarPainter::dayAt(area, may, font,
                                            CalendarPainter::dayRect(area, may, font, d).center()),
                     d);
        QVERIFY(CalendarPainter::dayRect(area, may, font, 32).isNull());
        QCOMPARE(CalendarPainter::dayAt(area, may, font, QPointF(5, 5)), 0); // the title
        QCOMPARE(CalendarPainter::dayAt(area, may, font, first.center() - QPointF(first.width(), 0)),
                 0); // 30 April

        // February 2010 starts on a Monday and fills four rows exactly.
        const MonthCalendar february(2010, 2, false);
        QCOMPARE(february.firstColumn(), 0);
        const QRectF a = CalendarPainter::dayRect(area, february, font, 1);
        const QRectF b = CalendarPainter::dayRect(area, february, font, 28);
        QCOMPARE(b.height(), a.height());
        QVERIFY(b.height() > third.height()); // four rows share the height six did
        QCOMPARE(b.right(), CalendarPainter::dayRect(area, february, font, 7).right());
    }

    // Saturdays' numbers in blue; Sundays' and holidays' in red, a Saturday holiday's too.
    void dayNumberColours_data() {
        QTest::addColumn<QDate>("date");
        QTest::addColumn<QString>("colour");
        QTest::newRow("Saturday") << QDate(2026, 11, 7) << u"blue"_s;
        QTest::newRow("Sunday") << QDate(2026, 11, 8) << u"red"_s;
        QTest::newRow("holiday on a Tuesday") << QDate(2026, 11, 3) << u"red"_s;
        QTest::newRow("weekday") << QDate(2026, 11, 4) << u"none"_s;
        QTest::newRow("holiday on a Saturday") << QDate(2025, 5, 3) << u"red"_s;
        QTest::newRow("substitute holiday") << QDate(2025, 5, 6) << u"red"_s;
        QTest::newRow("Friday") << QDate(2025, 5, 9) << u"none"_s;
    }

    void dayNumberColours() {
        QFETCH(QDate, date);
        QFETCH(QString, colour);
        const MonthCalendar calendar(date.year(), date.month(), false);
        const QSize size(800, 600);
        const QImage image = CalendarPainter::render(calendar, size, calendarFont());
        const QRect band = numberBand(CalendarPainter::dayRect(QRectF(QPointF(0, 0), QSizeF(size)), calendar,
                                                               calendarFont(), date.day()));
        const int red = colouredPixels(image, band, true), blue = colouredPixels(image, band, false);
        QCOMPARE(red > 3, colour == u"red"_s);
        QCOMPARE(blue > 3, colour == u"blue"_s);
    }

    // The heads of the weekday columns: 土 blue, 日 red, the others neither.
    void weekdayHeadColours() {
        const MonthCalendar calendar(2026, 11, false);
        const QSize size(800, 600);
        const QImage image = CalendarPainter::render(calendar, size, calendarFont());
        const QRectF area(QPointF(0, 0), QSizeF(size));
        // 2 November 2026 is a Monday: the 2nd to the 8th give the columns.
        for (int day = 2; day <= 8; ++day) {
            const QRectF cell = CalendarPainter::dayRect(area, calendar, calendarFont(), day);
            const QRectF head = CalendarPainter::dayRect(area, calendar, calendarFont(), 1);
            const QRect band = QRectF(cell.left(), head.top() - 20, cell.width(), 18).toRect();
            QCOMPARE(colouredPixels(image, band, true) > 3, day == 8);
            QCOMPARE(colouredPixels(image, band, false) > 3, day == 7);
        }
    }

    // A day played to break even shows ±0, wider than a bare 0, in black.
    void breakEvenDay() {
        MonthCalendar calendar(2026, 11, false);
        test::CardValues even;
        even.date = u"20261104水"_s;
        even.investment = test::digits4(100);
        even.cashOut = test::digits4(100);
        calendar.add(1, test::makeCard(even));
        const QSize size(800, 600);
        const QFont font = calendarFont();
        const QImage image = CalendarPainter::render(calendar, size, font);
        const QRectF cell = CalendarPainter::dayRect(QRectF(QPointF(0, 0), QSizeF(size)), calendar, font, 4);
        // The result sits in the middle of the cell, between the number and the visits.
        const QRect middle =
            QRectF(cell.left() + 2, cell.top() + cell.height() * 0.3, cell.width() - 4, cell.height() * 0.4)
                .toRect();
        int left = middle.right(), right = middle.left();
        for (int y = middle.top(); y <= middle.bottom(); ++y)
            for (int x = middle.left(); x <= middle.right(); ++x)
                if (qGray(image.pixel(x, y)) < 128) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                }
        QVERIFY2(right > left, "nothing drawn for the day");
        QVERIFY2(right - left > 1.5 * QFontMetricsF(font).horizontalAdvance(u"0"_s),
                 qPrintable(QString::number(right - left)));
        QCOMPARE(colouredPixels(image, middle, true) + colouredPixels(image, middle, false), 0);
    }

    // Losses to the left of the zero line in red, gains to the right in blue.
    void barsAroundTheZeroLine() {
        QImage image(600, 200, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter p(&image);
            BarChartPainter::paint(p, QRectF(0, 0, 600, 200), u"店別 損益額"_s,
                                   {{u"Ａ"_s, -30000, {}}, {u"Ｂ"_s, 60000, {}}}, QFont());
        }
        // Bars in proportion, the loss ending where the gain begins (at the zero line).
        const Run loss = longestRun(image, true), gain = longestRun(image, false);
        QVERIFY(loss.length > 20);
        QVERIFY(qAbs(gain.length - 2 * loss.length) <= 2);
        QVERIFY(loss.from + loss.length <= gain.from);
        QVERIFY(gain.from - (loss.from + loss.length) <= 2);
    }
};

TAMA_PAINTER_TEST_MAIN(TestAnalysisPainter)
#include "tst_analysispainter.moc"
