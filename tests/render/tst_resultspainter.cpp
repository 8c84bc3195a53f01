#include "painters/resultspainter.h"
#include "support/testsupport.h"

#include <QGuiApplication>
#include <QPainter>

using namespace Qt::Literals::StringLiterals;
using namespace tama;

namespace {

DayResult day(int d, qint64 total, qint64 peak) {
    DayResult r;
    r.date = QDate(1999, 5, d);
    r.runningTotal = total;
    r.peak = peak;
    return r;
}

// Four days: up to 30,000, down to −10,000 (40,000 below the peak), back up to 30,000.
const QList<DayResult> kDays = {day(1, 30000, 30000), day(2, -10000, 30000), day(3, 10000, 30000),
                                day(4, 30000, 30000)};
const QRectF kArea(0, 0, 640, 400);

QImage draw(const QList<DayResult> &days) {
    QImage image(640, 400, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    ResultsPainter::paint(p, kArea, days, QFont(), u"なし"_s);
    return image;
}

// The shaded pixels in the column through the middle of day i's slot.
int shadedInSlot(const QImage &image, const QRectF &plot, int i, int n) {
    const int x = int(plot.left() + plot.width() * (i + 0.5) / n);
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        count += image.pixelColor(x, y) == ResultsPainter::shadeColour() ? 1 : 0;
    return count;
}

} // namespace

class TestResultsPainter : public QObject {
    Q_OBJECT

  private slots:
    // The scale runs from the lowest total to the highest, with 0 on it.
    void scale() {
        const QRectF plot = ResultsPainter::plotRect(kArea, QFont());
        QCOMPARE(ResultsPainter::yOf(plot, kDays, 30000), plot.top());
        QCOMPARE(ResultsPainter::yOf(plot, kDays, -10000), plot.bottom());
        QCOMPARE(ResultsPainter::yOf(plot, kDays, 0), plot.bottom() - plot.height() / 4);
        // Totals all above 0 still keep 0 at the bottom.
        QCOMPARE(ResultsPainter::yOf(plot, {day(1, 5000, 5000)}, 0), plot.bottom());
    }

    // Shaded between the peak and the total on the days below the peak, nowhere else.
    void drawdownsShaded() {
        const QRectF plot = ResultsPainter::plotRect(kArea, QFont());
        const QImage image = draw(kDays);
        QCOMPARE(shadedInSlot(image, plot, 0, 4), 0);
        QCOMPARE(shadedInSlot(image, plot, 3, 4), 0);
        // Day 2 falls from the top (30,000) to the bottom (−10,000), day 3 half as far.
        const int deep = shadedInSlot(image, plot, 1, 4), half = shadedInSlot(image, plot, 2, 4);
        QVERIFY2(deep > plot.height() * 0.9, qPrintable(QString::number(deep)));
        QVERIFY2(qAbs(half - plot.height() / 2) < 6, qPrintable(QString::number(half)));
        const int x = int(plot.left() + plot.width() * 1.5 / 4);
        QCOMPARE(image.pixelColor(x, int(plot.center().y())), ResultsPainter::shadeColour());
        // The total's line over the last day, back at the peak, with no shade under it.
        const int last = int(plot.left() + plot.width() * 3.5 / 4);
        bool line = false;
        for (int dy = -2; dy <= 2; ++dy)
            line = line || image.pixelColor(last, int(plot.top()) + dy) == ResultsPainter::totalColour();
        QVERIFY(line);
    }

    void nothingWithoutDays() {
        const QImage image = draw({});
        int shaded = 0, line = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                shaded += image.pixelColor(x, y) == ResultsPainter::shadeColour() ? 1 : 0;
                line += image.pixelColor(x, y) == ResultsPainter::totalColour() ? 1 : 0;
            }
        QCOMPARE(shaded, 0);
        QCOMPARE(line, 0);
    }
};

TAMA_PAINTER_TEST_MAIN(TestResultsPainter)
#include "tst_resultspainter.moc"
