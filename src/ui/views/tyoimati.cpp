#include "views/tyoimati.h"

#include <QPainter>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {
constexpr double kTwipsPerPixel = 15;
}

ProgressPicture::ProgressPicture(QWidget *parent) : QWidget(parent) {
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
}

QSize ProgressPicture::sizeHint() const {
    return QSize(int(kWidthTwips / kTwipsPerPixel), int(kHeightTwips / kTwipsPerPixel));
}

void ProgressPicture::drawProgress(int n, int s) {
    if (s <= 0) s = 1;
    const double right = n * (3000.0 / s);
    const int before = int(m_right * width() / kWidthTwips);
    m_right = right;
    // Repaint at once while the caller keeps the event loop waiting, but only when the
    // bar grew by a pixel: a full diary would repaint tens of thousands of times.
    if (isVisible() && int(m_right * width() / kWidthTwips) != before) repaint();
}

void ProgressPicture::paintEvent(QPaintEvent *) {
    if (m_right <= 100) return;
    QPainter p(this);
    p.scale(width() / double(kWidthTwips), height() / double(kHeightTwips));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 255));
    p.drawRect(QRectF(QPointF(100, 100), QPointF(m_right, 500)));
}

tyoimati::tyoimati(WindowRegistry &) {
    setObjectName(u"tyoimati"_s);
    setWindowTitle(u"Just a moment."_s);
    setWindowFlag(Qt::Dialog);
    Picture1 = new ProgressPicture(this);
    Picture1->setObjectName(u"Picture1"_s);
    Label1 = new QLabel(u"しばらくお待ちください"_s, this);
    Label1->setObjectName(u"Label1"_s);
    Label1->setAlignment(Qt::AlignCenter);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Picture1);
}

} // namespace tama
