#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>

namespace tama {

class WindowRegistry;

// The card screen. This first version shows the diary that is open and how many
// cards it holds; the card controls come with the card screen proper.
class PatincoMain : public QMainWindow {
    Q_OBJECT
public:
    explicit PatincoMain(WindowRegistry &registry);

    // The year box: any change of its text is copied to the year label.
    void setYearText(const QString &year);
    QString yearText() const;

    // Reloads the current diary when a reload was requested, then clears the request.
    void Form_Activate();
    void Form_Load();
    void LoadDiary();

protected:
    bool event(QEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

private:
    void Text2_Change();

    WindowRegistry &m_registry;
    QLineEdit *Text2;
    QLabel *Label22;
    QLabel *Label19;
};

} // namespace tama
