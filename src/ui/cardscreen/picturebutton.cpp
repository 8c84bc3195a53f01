#include "cardscreen/picturebutton.h"

#include <QPainter>

namespace tama {

PictureButton::PictureButton(QPixmap normal, QPixmap pressed, QWidget *parent)
    : QAbstractButton(parent), m_normal(std::move(normal)), m_pressed(std::move(pressed)) {
    setCursor(Qt::PointingHandCursor);
    // Reachable by Tab; Space or Enter presses it like a click.
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

PictureButton::PictureButton(Art art, QWidget *parent)
    : PictureButton(art(false, 1.0), art(true, 1.0), parent) {
    m_art = std::move(art);
}

void PictureButton::showPressedImage(bool pressed) {
    if (m_pressedShown == pressed) return;
    m_pressedShown = pressed;
    update();
}

QSize PictureButton::sizeHint() const {
    return m_normal.deviceIndependentSize().toSize();
}

void PictureButton::paintEvent(QPaintEvent *) {
    // A picture of fewer pixels than the screen has would be scaled up, blurred.
    const qreal ratio = devicePixelRatioF();
    if (m_art && !qFuzzyCompare(m_normal.devicePixelRatio(), ratio)) {
        m_normal = m_art(false, ratio);
        m_pressed = m_art(true, ratio);
    }
    QPainter p(this);
    // A window that is not there yet: the picture is shown faded, not greyed into mud.
    if (!isEnabled()) p.setOpacity(0.55);
    const bool down = m_pressedShown || isDown();
    p.drawPixmap(rect(), down ? m_pressed : m_normal);
    if (hasFocus()) {
        p.setOpacity(1.0);
        p.setPen(QPen(palette().color(QPalette::Highlight), 2, Qt::DotLine));
        p.drawRect(rect().adjusted(1, 1, -2, -2));
    }
}

} // namespace tama
