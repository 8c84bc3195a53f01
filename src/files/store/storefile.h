#pragma once

#include "store/datafolder.h"
#include "store/record.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace tama {

const RecordLayout &storeLayout();

// The stored form of a store name: full-width, first 10 characters, trimmed at the right.
QString storedStoreName(const QString &text);

// "patishop.dat": the halls, one 80-byte record each, in most-recently-chosen order.
class StoreFile {
  public:
    static constexpr int kMaxStores = 32766;
    static QString fileName();    // "patishop.dat"
    static QString scratchName(); // "t#e#m#p#.tmp"

    explicit StoreFile(const DataFolder &folder, bool readOnly = false);

    // StoreName of every record, trimmed at the right, in record order.
    QStringList list() const;
    // The same names one at a time, without holding the list.
    void forEachName(const std::function<void(const QString &name)> &visit) const;
    // Adds the stored form of text unless that store exists. Returns the name added,
    // or nothing when it was already there. Refuses an empty name and a full file.
    std::optional<QString> add(const QString &text);
    // Removes the store at list position p (record p + 1), keeping every other record
    // byte for byte. Refuses a position that names no record.
    void deleteAt(int p);
    // Moves the last record whose name equals entry (both trimmed at the right) to the
    // front, whole, the records before it one place down. Returns false when no record
    // matches (nothing is written).
    bool moveToFront(const QString &entry);

    QString path() const { return m_path; }

  private:
    QString m_folder;
    QString m_path;
    bool m_readOnly;
};

} // namespace tama
