#include "master/exportwindow.h"

#include "app/named.h"
#include "app/storeerrorreport.h"
#include "app/windowhelpers.h"
#include "app/windowregistry.h"
#include "common/csv.h"
#include "common/dialogs.h"
#include "common/text.h"
#include "import/exportlayout.h"
#include "store/diary.h"
#include "store/recordfile.h"
#include "store/storeerror.h"

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

namespace tama {

namespace {

// The export goes where the player says, outside the data folder; it replaces only a
// plain file of its own name, never the target of a link.
std::optional<QString> notReplaceable(const QString &path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return std::nullopt;
    if (S_ISLNK(st.st_mode)) return u"リンクのため書き出せません。ほかの名前にしてください"_s;
    if (!S_ISREG(st.st_mode)) return u"ファイルではないため書き出せません。ほかの名前にしてください"_s;
    if (st.st_nlink > 1)
        return u"ほかの名前からも開けるファイル（ハードリンク）のため書き出せません。ほかの名前にしてください"_s;
    return std::nullopt;
}

} // namespace

ExportWindow::ExportWindow(WindowRegistry &registry) : m_registry(registry), m_db(registry.state()) {
    setObjectName(u"ExportWindow"_s);
    setWindowTitle(u"書き出し"_s);
    FormatBox = named(new QComboBox(this), u"FormatBox"_s);
    FormatBox->addItem(importFormatCaption(ImportFormat::PRecord), int(ImportFormat::PRecord));
    FormatBox->addItem(importFormatCaption(ImportFormat::PShare), int(ImportFormat::PShare));
    FromYear = named(new QComboBox(this), u"FromYear"_s);
    ToYear = named(new QComboBox(this), u"ToYear"_s);
    EncodingBox = named(new QComboBox(this), u"EncodingBox"_s);
    EncodingBox->addItem(u"UTF-8"_s, int(CsvEncoding::Utf8));
    EncodingBox->addItem(u"Shift_JIS（CP932）"_s, int(CsvEncoding::Cp932));
    FileBox = named(new QLineEdit(this), u"FileBox"_s);
    FileBox->setMinimumWidth(380);
    Browse = plainButton(u"Browse"_s, u"参照…(&O)"_s, this);
    WriteButton = plainButton(u"WriteButton"_s, u"書き出す(&W)"_s, this);
    CloseButton = plainButton(u"CloseButton"_s, u"閉じる"_s, this);

    auto *years = new QHBoxLayout;
    years->addWidget(FromYear);
    years->addWidget(buddyLabel(u"年から(&T)"_s, ToYear, this));
    years->addWidget(ToYear);
    years->addWidget(new QLabel(u"年まで"_s, this));
    years->addStretch();
    auto *file = new QHBoxLayout;
    file->addWidget(FileBox, 1);
    file->addWidget(Browse);
    auto *form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    form->addRow(buddyLabel(u"形式(&K)"_s, FormatBox, this), FormatBox);
    form->addRow(buddyLabel(u"年(&Y)"_s, FromYear, this), years);
    form->addRow(buddyLabel(u"文字コード(&C)"_s, EncodingBox, this), EncodingBox);
    form->addRow(buddyLabel(u"ファイル(&F)"_s, FileBox, this), file);
    auto *note = new QLabel(u"削除候補のカードは書き出しません。pRecord の形式には機種の種類・開始時刻・"
                            u"営業日の種類がなく、pShare の形式には店名と機種名もありません。"_s,
                            this);
    note->setWordWrap(true);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(WriteButton);
    buttons->addWidget(CloseButton);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addStretch();
    layout->addLayout(buttons);

    connect(Browse, &QPushButton::clicked, this, &ExportWindow::Browse_Click);
    connect(WriteButton, &QPushButton::clicked, this, &ExportWindow::Write_Click);
    connect(FileBox, &QLineEdit::returnPressed, this, &ExportWindow::Write_Click);
    connect(&m_registry.state(), &DiaryState::diaryChanged, this, &ExportWindow::reload);
    reload();
    resize(560, sizeHint().height());
}

void ExportWindow::reload() {
    const DiaryState &s = m_registry.state();
    const QList<int> years = diaryYears(s.folder, s.user());
    for (QComboBox *box : {FromYear, ToYear}) {
        box->clear();
        for (int y : years)
            box->addItem(QString::number(y), y);
    }
    FromYear->setCurrentIndex(0);
    ToYear->setCurrentIndex(ToYear->count() - 1);
    WriteButton->setEnabled(!years.isEmpty());
}

void ExportWindow::Browse_Click() {
    const QString path = QFileDialog::getSaveFileName(
        this, u"書き出すファイル"_s, FileBox->text(), u"CSV ファイル (*.csv)"_s, nullptr,
        QFileDialog::DontConfirmOverwrite); // asked when writing
    if (!path.isEmpty()) FileBox->setText(path);
}

void ExportWindow::Write_Click() {
    const DiaryState &s = m_registry.state();
    const QString path = trim(FileBox->text());
    if (path.isEmpty()) {
        InfoBox(u"書き出すファイルの名前を入力するか、「参照…」で選んでください。"_s, u"注意"_s);
        FileBox->setFocus();
        return;
    }
    const int from = std::min(FromYear->currentData().toInt(), ToYear->currentData().toInt());
    const int to = std::max(FromYear->currentData().toInt(), ToYear->currentData().toInt());
    const auto layout = ImportFormat(FormatBox->currentData().toInt());

    QString text;
    int cards = 0;
    try {
        if (layout == ImportFormat::PRecord) text += csvRow(precordHeader());
        const PlayDatabase *db = m_db.reading();
        for (int year : diaryYears(s.folder, s.user())) {
            if (year < from || year > to) continue;
            const QString name = DiaryFileName(s.user(), year);
            const DiaryFile diary(s.folder, name, RecordFile::Mode::ReadOnly);
            const QList<QByteArray> raw = diary.readAllRaw();
            const DiaryKeys keys = DiaryKeys::ofRecords(raw);
            const QHash<CardKey, PlayInputs> play = db ? db->playOfDiary(name) : QHash<CardKey, PlayInputs>();
            const QList<CardRecord> all = diary.readAll();
            for (int i = 0; i < all.size(); ++i) {
                if (all[i].isCandidate()) continue;
                if (layout == ImportFormat::PRecord) {
                    const auto p = play.constFind(keys.key(i + 1));
                    text += csvRow(precordRow(all[i], p == play.cend() ? std::nullopt : std::optional(*p)));
                } else {
                    text += csvRow(pshareRow(all[i]));
                }
                ++cards;
            }
        }
    } catch (const StoreError &e) {
        reportStoreError(e);
        return;
    }
    const QString shown = QFileInfo(path).fileName();
    if (const std::optional<QString> why = notReplaceable(path)) {
        reportStoreError(StoreError(StoreError::Kind::Invalid, path, *why));
        return;
    }
    if (QFileInfo::exists(path) &&
        ConfirmCancelled(u"「"_s + shown + u"」はすでにあります。置き換えますか？"_s, u"書き出し"_s))
        return;
    try {
        const QFileInfo target(path);
        replaceFile(path, target.dir().filePath(u"."_s + target.fileName() + u".tamanote-tmp"_s),
                    csvBytes(text, CsvEncoding(EncodingBox->currentData().toInt())));
    } catch (const StoreError &e) {
        reportStoreError(e);
        return;
    }
    InfoBox(QStringLiteral("%1 枚のカードを「%2」に書き出しました。").arg(cards).arg(shown), u"書き出し"_s);
}

void ExportWindow::keyPressEvent(QKeyEvent *e) {
    if (e->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(e);
}

void ExportWindow::closeEvent(QCloseEvent *e) {
    e->accept();
    m_registry.unload<ExportWindow>();
}

} // namespace tama
