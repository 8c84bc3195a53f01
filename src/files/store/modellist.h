#pragma once

#include "store/datafolder.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace tama {

// The text file that lists the models installed in one store, by section.
struct ModelListEntry {
    QString model; // the line as read (readers trim it at the right to compare or show)
    int section; // 2 デジパチ, 3 羽物, 4 権利物, 5 一般電役, 6 ＣＲデジパチ (1: before any header)
    bool operator==(const ModelListEntry &) const = default;
};

// W = the store name as the store file keeps it (full-width, first 10 characters, trimmed
// at the right); the file name is the first 2, the last 2 and the last 4 characters of W.
// Empty for an empty W.
QString modelListFileName(const QString &storeName);

class ModelListFile {
  public:
    // Refuses (StoreError) a store name that names no file.
    ModelListFile(const DataFolder &folder, const QString &storeName);

    QString fileName() const { return m_fileName; }
    QString path() const { return m_path; }
    bool exists() const;
    // Creates the file empty when it does not exist and no older list stands in for it.
    void ensure() const;

    // Reading takes the list of the same store named from the whole name longer than the
    // store file keeps, as older versions named it, while the file of the kept name does not
    // exist; writing always writes the file of the kept name.

    // Reads the entries, creating the file first when create is set (the windows' way)
    // and the folder can be written; otherwise a missing file is an empty list.
    QList<ModelListEntry> read(bool create = true) const;
    // The model lines of the section whose header line starts with marker ("# 3"):
    // the lines after it up to the next line beginning with "#".
    QStringList section(const QString &marker, bool create = true) const;
    // Every line as read, section headers included; a missing file has none.
    QStringList lines() const;
    // Writes the five sections in order with their entries (stable by section) and the
    // end line; entries of other sections are dropped.
    void write(const QList<ModelListEntry> &entries) const;

    // Parses lines the way every reader does (headers counted, not parsed).
    static QList<ModelListEntry> parse(const QStringList &lines);
    static QStringList compose(const QList<ModelListEntry> &entries);

  private:
    void ensureForReading() const;
    // The file read: this one, or the older list standing in for it.
    QString readPath() const;

    QString m_storeName;
    QString m_fileName;
    QString m_path;
    QString m_olderPath; // empty when the whole name gives the same file name
};

} // namespace tama
