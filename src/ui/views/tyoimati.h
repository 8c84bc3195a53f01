#pragma once

#include <QLabel>
#include <QWidget>

namespace tama {

class WindowRegistry;

// The picture box that the year list draws its progress bar in, in twips.
class ProgressPicture : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kWidthTwips = 3200;
    static constexpr int kHeightTwips = 600;

    explicit ProgressPicture(QWidget *parent = nullptr);

    // The blue box from (100, 100) to (n × 3000 ÷ s, 500).
    void drawProgress(int n, int s);
    double rightTwips() const { return m_right; }

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent *e) override;

  private:
    double m_right = 0;
};

// "Just a moment.": shown while the year list loads.
class tyoimati : public QWidget {
    Q_OBJECT
  public:
    explicit tyoimati(WindowRegistry &registry);

  public slots:
    // n of s steps done.
    void showProgress(int n, int s) { Picture1->drawProgress(n, s); }

  private:
    ProgressPicture *Picture1;
    QLabel *Label1;
};

} // namespace tama
