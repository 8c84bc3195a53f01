// The windows on a screen of another scale (CTest runs this at QT_SCALE_FACTOR 2 and 1.5):
// the picture buttons drawn for the screen's pixels, nothing cut off, list columns whole
// cells wide.
#include "app/fonts.h"
#include "cardscreen/buttonart.h"
#include "cardscreen/picturebutton.h"
#include "master/backupwindow.h"
#include "support/windowfixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetricsF>
#include <QtTest>

using namespace Qt::Literals::StringLiterals;
using namespace tama;
using namespace tama::test;

namespace {

qreal screenScale() {
    return qEnvironmentVariable("QT_SCALE_FACTOR", u"1"_s).toDouble();
}

// Texts a control shows whole only when it is at least as wide as it asks to be.
QStringList clipped(const QWidget *window) {
    QStringList out;
    for (const QLabel *l : window->findChildren<QLabel *>()) {
        if (!l->isVisible() || l->text().isEmpty() || l->wordWrap()) continue;
        if (l->width() + 1 < l->minimumSizeHint().width()) out << l->objectName() + u' ' + l->text();
    }
    for (const QAbstractButton *b : window->findChildren<QAbstractButton *>()) {
        if (!b->isVisible() || b->text().isEmpty()) continue;
        if (b->width() + 1 < b->minimumSizeHint().width()) out << b->objectName() + u' ' + b->text();
    }
    return out;
}

} // namespace

class TstHidpi : public QObject {
    Q_OBJECT

  private slots:
    void pictureButtonsAreDrawnForTheScreen() {
        WindowFixture f;
        PatincoMain *w = f.openCardScreen();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        const qreal scale = screenScale();
        const std::pair<const char *, ButtonArt::Motif> buttons[] = {
            {"Picture1", ButtonArt::Motif::Graph},    {"Picture2", ButtonArt::Motif::List},
            {"Picture3", ButtonArt::Motif::Organise}, {"Picture4", ButtonArt::Motif::Store},
            {"Picture5", ButtonArt::Motif::Model},    {"Picture6", ButtonArt::Motif::Report}};
        for (const auto &[name, motif] : buttons) {
            PictureButton *b = control<PictureButton>(w, name);
            QCOMPARE(b->devicePixelRatioF(), scale);
            QCOMPARE(b->size(), QSize(ButtonArt::kSize, ButtonArt::kSize)); // the same place on any screen
            const QImage shown = b->grab().toImage().convertToFormat(QImage::Format_ARGB32);
            const QImage drawn =
                ButtonArt::picture(motif, false, scale).toImage().convertToFormat(QImage::Format_ARGB32);
            QCOMPARE(shown.size(), drawn.size());
            QCOMPARE(shown.size(), QSize(qRound(ButtonArt::kSize * scale), qRound(ButtonArt::kSize * scale)));
            // Pixel for pixel where the picture is opaque: nothing was scaled, so nothing blurred.
            int differ = 0;
            for (int y = 0; y < drawn.height(); ++y)
                for (int x = 0; x < drawn.width(); ++x)
                    if (qAlpha(drawn.pixel(x, y)) == 255 && shown.pixel(x, y) != drawn.pixel(x, y)) ++differ;
            QVERIFY2(
                differ == 0,
                qPrintable(QStringLiteral("%1: %2 pixels differ").arg(QLatin1StringView(name)).arg(differ)));
        }
    }

    void nothingIsCutOff() {
        WindowFixture f;
        f.folder.write(u"taro.1999.dat"_s, diaryBytes({CardValues::blank()}));
        PatincoMain *w = f.openCardScreen();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QCOMPARE(clipped(w), QStringList());
        BackupWindow *b = f.open<BackupWindow>();
        QCOMPARE(clipped(b), QStringList());
        control<QTabWidget>(b, "Tabs")->setCurrentIndex(1);
        QCOMPARE(clipped(b), QStringList());
    }

    void listColumnsStayWholeCells() {
        // A full-width character is exactly two half-width ones, at every size the lists use.
        for (int points : {9, 10, 11, 12}) {
            QWidget probe;
            probe.setFont(listFont(points));
            const QFontMetricsF m(probe.font(), &probe);
            QCOMPARE(m.horizontalAdvance(u"ＡＢＣ店名"_s), 2 * m.horizontalAdvance(u"ABCDE"_s));
            QCOMPARE(m.horizontalAdvance(u"１２３４"_s), 2 * m.horizontalAdvance(u"1234"_s));
        }
    }
};

TAMA_GUI_TEST_MAIN(TstHidpi)
#include "tst_hidpi.moc"
