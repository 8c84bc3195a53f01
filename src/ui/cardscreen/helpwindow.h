#pragma once

#include <QLineEdit>
#include <QListWidget>
#include <QTextBrowser>
#include <QWidget>

namespace tama {

class WindowRegistry;

// The program's own help: pages bundled with it, opened at the contents or at a
// keyword search.
class HelpWindow : public QWidget {
    Q_OBJECT
  public:
    explicit HelpWindow(WindowRegistry &registry);

    void showContents();
    // Lists the pages whose title, keywords or text contain key (every page for an
    // empty key) and puts the cursor in the key box.
    void showSearch(const QString &key);

  private:
    struct Topic {
        QString file;
        QString title;
        QString searchText; // title, keywords and text, for the search
    };
    void loadTopics();
    void filter(const QString &key);
    void openTopic(QListWidgetItem *item);

    QLineEdit *m_keyword;
    QListWidget *m_topics;
    QTextBrowser *m_page;
    QList<Topic> m_all;
};

} // namespace tama
