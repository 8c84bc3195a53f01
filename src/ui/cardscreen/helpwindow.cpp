#include "cardscreen/helpwindow.h"
#include "app/windowhelpers.h"

#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QLabel>
#include <QRegularExpression>
#include <QSplitter>
#include <QTextDocument>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {
const QString kHelpRoot = u":/help/"_s;
}

HelpWindow::HelpWindow(WindowRegistry &) {
    setObjectName(u"HelpWindow"_s);
    setWindowTitle(u"タマノート ヘルプ"_s);
    m_keyword = new QLineEdit(this);
    m_keyword->setObjectName(u"keyword"_s);
    m_keyword->setPlaceholderText(u"キーワード"_s);
    m_keyword->setClearButtonEnabled(true);
    m_topics = new QListWidget(this);
    m_topics->setObjectName(u"topics"_s);
    m_page = new QTextBrowser(this);
    m_page->setObjectName(u"page"_s);
    m_page->setSearchPaths({kHelpRoot});
    m_page->setOpenLinks(true);

    auto *left = new QWidget(this);
    auto *leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    auto *label = new QLabel(u"検索するキーワード(&K)"_s, left);
    label->setBuddy(m_keyword);
    leftLayout->addWidget(label);
    leftLayout->addWidget(m_keyword);
    leftLayout->addWidget(m_topics, 1);
    auto *split = new QSplitter(this);
    split->addWidget(left);
    split->addWidget(m_page);
    split->setStretchFactor(1, 1);
    split->setSizes({200, 520});
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(split);

    loadTopics();
    filter(QString());
    connect(m_keyword, &QLineEdit::textChanged, this, &HelpWindow::filter);
    connect(m_topics, &QListWidget::itemActivated, this, &HelpWindow::openTopic);
    connect(m_topics, &QListWidget::itemClicked, this, &HelpWindow::openTopic);
    resize(760, 520);
}

void HelpWindow::loadTopics() {
    const QStringList files = QDir(kHelpRoot).entryList({u"*.html"_s}, QDir::Files, QDir::Name);
    static const QRegularExpression title(u"<title>(.*?)</title>"_s);
    static const QRegularExpression keywords(uR"re(<meta name="keywords" content="([^"]*)")re"_s);
    for (const QString &file : files) {
        QFile f(kHelpRoot + file);
        if (!f.open(QIODevice::ReadOnly)) continue;
        const QString html = QString::fromUtf8(f.readAll());
        QTextDocument doc;
        doc.setHtml(html);
        Topic t{file, title.match(html).captured(1), QString()};
        t.searchText = t.title + u' ' + keywords.match(html).captured(1) + u' ' + doc.toPlainText();
        m_all.append(t);
    }
    // Topics in the order of the contents page, the contents first.
    QStringList order{u"index.html"_s};
    for (const Topic &t : std::as_const(m_all)) {
        if (t.file != u"index.html"_s) continue;
        QFile f(kHelpRoot + t.file);
        if (f.open(QIODevice::ReadOnly)) {
            static const QRegularExpression link(uR"re(href="([^"]+\.html)")re"_s);
            auto it = link.globalMatch(QString::fromUtf8(f.readAll()));
            while (it.hasNext())
                order << it.next().captured(1);
        }
    }
    std::stable_sort(m_all.begin(), m_all.end(), [&order](const Topic &a, const Topic &b) {
        auto rank = [&order](const QString &f) {
            const qsizetype i = order.indexOf(f);
            return i < 0 ? order.size() : i;
        };
        return rank(a.file) < rank(b.file);
    });
}

void HelpWindow::filter(const QString &key) {
    m_topics->clear();
    const QString k = key.trimmed();
    for (const Topic &t : m_all) {
        if (!k.isEmpty() && !t.searchText.contains(k, Qt::CaseInsensitive)) continue;
        auto *item = new QListWidgetItem(t.title, m_topics);
        item->setData(Qt::UserRole, t.file);
    }
}

void HelpWindow::openTopic(QListWidgetItem *item) {
    if (item) m_page->setSource(QUrl(u"qrc"_s + kHelpRoot + item->data(Qt::UserRole).toString()));
}

void HelpWindow::showContents() {
    m_page->setSource(QUrl(u"qrc:/help/index.html"_s));
    bringToFront(this);
}

void HelpWindow::showSearch(const QString &key) {
    m_keyword->setText(key);
    filter(key);
    if (m_page->source().isEmpty()) m_page->setSource(QUrl(u"qrc:/help/index.html"_s));
    bringToFront(this);
    m_keyword->setFocus();
}

} // namespace tama
