#pragma once

#include "store/datafolder.h"
#include "store/record.h"

#include <QList>
#include <QString>

#include <optional>

namespace tama {

// "namae.dat": one 20-byte record per user, in the order they were added.
struct UserRecord {
    QString autoStartMark; // "自" for the auto-start user, "　" otherwise (2 bytes)
    QString userName;      // 18 bytes, as read (space-padded)
    bool isAutoStart() const;
};

const RecordLayout &userLayout();

class UserList {
  public:
    static constexpr int kMaxUsers = 254;
    static QString fileName();

    explicit UserList(const DataFolder &folder, bool readOnly = false);

    // Every user in record order. A missing file is created empty (unless read-only).
    QList<UserRecord> readAll() const;
    // The last record marked "自", numbered from 1.
    std::optional<int> autoStartRecord() const;
    // Rewrites in place every marked record with "　"; others are not touched.
    void clearMarks();
    // Clears all marks, then marks the first record whose trimmed name equals the
    // trimmed name given. Returns its number; throws when there is no such user.
    int markUser(const QString &name);
    // Appends the name, trimmed at both ends, without the auto-start mark. Refuses an
    // empty name, an unsafe one, and a full list. Returns the record number.
    int append(const QString &name);

    QString path() const { return m_path; }

  private:
    QString m_path;
    bool m_readOnly;
};

} // namespace tama
