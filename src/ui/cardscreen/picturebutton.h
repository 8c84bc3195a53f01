#pragma once

#include <QAbstractButton>
#include <QPixmap>

#include <functional>

namespace tama {

// A picture box used as a button: it shows its normal picture, or its pressed one from
// a click until the main window is activated again.
class PictureButton : public QAbstractButton {
    Q_OBJECT
  public:
    PictureButton(QPixmap normal, QPixmap pressed, QWidget *parent = nullptr);
    // Pictures drawn for the screen the button is on: art(pressed, devicePixelRatio), drawn
    // again when the button moves to a screen of another scale.
    using Art = std::function<QPixmap(bool pressed, qreal devicePixelRatio)>;
    PictureButton(Art art, QWidget *parent = nullptr);

    // The picture as painted now; its ratio follows the screen's once shown.
    const QPixmap &picture(bool pressed) const { return pressed ? m_pressed : m_normal; }

    void showPressedImage(bool pressed);
    bool showsPressedImage() const { return m_pressedShown; }

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent *e) override;

  private:
    QPixmap m_normal;
    QPixmap m_pressed;
    Art m_art;
    bool m_pressedShown = false;
};

} // namespace tama
