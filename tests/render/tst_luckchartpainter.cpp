#include "painters/luckchartpainter.h"
#include "support/testsupport.h"

#include <QGuiApplication>
#include <QPainter>

using namespace Qt::Literals::StringLiterals;
using namespace tama;

namespace {

using S = LuckChartPainter::Series;

PlayDay day(const QDate &date, qint64 runningProfit, qint64 runningEv) {
    PlayDay d;
    d.date = date;
    d.runningProfit = runningProfit;
    d.runningExpectedValue = runningEv;
    return d;
}

// 1 May, 2 May and 11 May: lucky at the end, after poor play.
const QList<PlayDay> kDays = {day(QDate(1999, 5, 1), -10000, 2000), day(QDate(1999, 5, 2), 0, 4000),
                              day(QDate(1999, 5, 11), 30000, -6000)};

bool near(const QImage &image, const QPointF &at, const QColor &colour) {
    for (int dy = -4; dy <= 4; ++dy)
        for (int dx = -4; dx <= 4; ++dx) {
            const QPoint p = at.toPoint() + QPoint(dx, dy);
            if (image.rect().contains(p) && image.pixelColor(p) == colour) return true;
        }
    return false;
}

int count(const QImage &image, const QColor &colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += image.pixelColor(x, y) == colour ? 1 : 0;
    return n;
}

QImage draw(const QList<PlayDay> &days) {
    QImage image(640, 400, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    LuckChartPainter::paint(p, QRectF(0, 0, 640, 400), days, QFont(), u"なし"_s);
    return image;
}

} // namespace

class TestLuckChartPainter : public QObject {
    Q_OBJECT

  private slots:
    // Days along the axis in proportion to time; both lines on one scale that holds 0.
    void pointsShareTimeAndScale() {
        const QRectF plot = LuckChartPainter::plotRect(QRectF(0, 0, 640, 400), QFont());
        auto at = [&](int i, S s) { return LuckChartPainter::pointOf(plot, kDays, i, s); };
        QCOMPARE(at(0, S::Profit).x(), plot.left());
        QCOMPARE(at(2, S::Profit).x(), plot.right());
        QVERIFY(qAbs((at(1, S::Profit).x() - plot.left()) - plot.width() / 10) < 0.01);
        QCOMPARE(at(0, S::Profit).y(), plot.bottom()); // the lowest value of both
        QCOMPARE(at(2, S::Profit).y(), plot.top());
        QCOMPARE(at(1, S::Profit).y(), plot.bottom() - plot.height() / 4); // 0 of -10,000 … 30,000
        QVERIFY(at(2, S::ExpectedValue).y() > at(2, S::Profit).y());
        QCOMPARE(at(2, S::ExpectedValue).y(), plot.bottom() - plot.height() * 4000 / 40000);
    }

    void linesInTheirColoursAndNothingWithoutDays() {
        const QRectF plot = LuckChartPainter::plotRect(QRectF(0, 0, 640, 400), QFont());
        const QImage image = draw(kDays);
        const QColor profit = LuckChartPainter::colour(S::Profit),
                     ev = LuckChartPainter::colour(S::ExpectedValue);
        QVERIFY(profit != ev);
        QCOMPARE(image.pixelColor(LuckChartPainter::pointOf(plot, kDays, 2, S::Profit).toPoint()), profit);
        QVERIFY(near(image, LuckChartPainter::pointOf(plot, kDays, 2, S::ExpectedValue), ev));
        QVERIFY(!near(image, LuckChartPainter::pointOf(plot, kDays, 2, S::ExpectedValue), profit));

        const QImage empty = draw({});
        QCOMPARE(count(empty, profit), 0);
        QCOMPARE(count(empty, ev), 0);
    }
};

TAMA_PAINTER_TEST_MAIN(TestLuckChartPainter)
#include "tst_luckchartpainter.moc"
