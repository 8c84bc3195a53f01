#pragma once

#include "store/datafolder.h"
#include "store/record.h"
#include "store/recordfile.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace tama {

const RecordLayout &cardLayout();

// The user part (the name cut to 9 characters, trimmed), ".", the year, ".dat".
QString DiaryFileName(const QString &userName, const QString &year);
QString DiaryFileName(const QString &userName, int year);
// The user part of a diary file name: everything before ".year.dat" (a user name may
// hold a dot), or before the first dot of a name that has no year.
QString diaryUserOf(const QString &diaryFileName);
// The user part alone, or nothing when it would not be a safe file name.
std::optional<QString> diaryUserPart(const QString &userName);
// The years for which the user has a diary file, ascending.
QList<int> diaryYears(const DataFolder &folder, const QString &userName);

// One visit. Every field is fixed-width text, exactly as stored.
class CardRecord {
  public:
    enum Field {
        VisitDate,
        StartTime,
        EndTime,
        StoreName,
        Category,
        ModelName,
        Investment,
        CashOut,
        DayType,
        Impression
    };

    CardRecord(); // blank
    explicit CardRecord(Record r);

    QString field(Field f) const { return m_record.field(f); }
    void setField(Field f, const QString &text) { m_record.setField(f, text); }
    const Record &record() const { return m_record; }

    bool isCandidate() const { return m_record.field(VisitDate).startsWith(u'R'); }
    void markCandidate();
    void unmarkCandidate();

    // Amounts in yen (the four digits followed by 00) and the profit or loss.
    qint64 investmentYen() const;
    qint64 cashOutYen() const;
    qint64 profitYen() const { return cashOutYen() - investmentYen(); }

  private:
    Record m_record;
};

// The fields of a card other than the impression, decoded once into one buffer: for
// code that reads every field of many cards, without a text allocated for each.
class CardText {
  public:
    explicit CardText(const CardRecord &card);
    // The same from a record's bytes as read, without making a CardRecord of them.
    static CardText ofBytes(const char *recordBytes);
    // Any field but the impression, exactly as CardRecord::field gives it.
    QStringView field(CardRecord::Field f) const {
        Q_ASSERT(f != CardRecord::Impression);
        return QStringView(m_text + kOffsets[f], kOffsets[f + 1] - kOffsets[f]);
    }

  private:
    CardText() = default;
    static constexpr int kOffsets[] = {0, 10, 14, 18, 38, 39, 69, 73, 77, 80};
    char16_t m_text[80];
};

// Field names in record order, as the command-line tool writes them.
const QStringList &cardFieldNames();

// A user's diary of one year.
class DiaryFile {
  public:
    static constexpr int kMaxCards = 32766;
    static QString scratchName(); // "t#e#m#p.tmp"

    DiaryFile(const DataFolder &folder, const QString &fileName,
              RecordFile::Mode mode = RecordFile::Mode::Create);

    const QString &fileName() const { return m_fileName; }
    QString path() const { return m_file->path(); }
    int count() const { return m_file->count(); }
    int partialTail() const { return m_file->partialTail(); }
    std::optional<CardRecord> read(int n) const;
    CardRecord readOrBlank(int n) const;
    void write(int n, const CardRecord &card);
    void setCandidate(int n, bool candidate);

    // Replaces the file by these records as stored (240 bytes each), written back byte
    // for byte, through the scratch file, crash-safely.
    void rewriteRaw(const QList<QByteArray> &records);
    QList<CardRecord> readAll() const;
    // Calls visit(n, card) for every card in order without holding the whole diary.
    void forEach(const std::function<void(int n, const CardRecord &card)> &visit) const;
    // The same with each card's bytes as stored (240), for a pass that decodes nothing.
    void forEachRaw(const std::function<void(int n, const char *bytes)> &visit) const {
        m_file->forEachRaw(visit);
    }
    QList<QByteArray> readAllRaw() const { return m_file->readAllRaw(); }

  private:
    QString m_folder;
    QString m_fileName;
    std::unique_ptr<RecordFile> m_file;
};

} // namespace tama
