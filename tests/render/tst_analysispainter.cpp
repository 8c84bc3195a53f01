#include "painters/analysispainter.h"
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
