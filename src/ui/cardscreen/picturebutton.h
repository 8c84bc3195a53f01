#pragma once

#include <QAbstractButton>
#include <QPixmap>

namespace tama {

// A picture box used as a button: it shows its normal picture, or its pressed one from
// a click until the main window is activated again.
class PictureButton : public QAbstractButton {
    Q_OBJECT
  public:
    PictureButton(QPixmap normal, QPixmap pressed, QWidget *parent = nullptr);

    void showPressedImage(bool pressed);
    bool showsPressedImage() const { return m_pressedShown; }

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent *e) override;

  private:
    QPixmap m_normal;
    QPixmap m_pressed;
    bool m_pressedShown = false;
};

} // namespace tama
