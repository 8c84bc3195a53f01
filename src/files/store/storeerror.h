#pragma once

#include <QString>

#include <stdexcept>

namespace tama {

// The one exception type of the core: what went wrong, with which file, in words
// the user can read. Windows show message(); the command-line tool prints it.
class StoreError : public std::runtime_error {
  public:
    enum class Kind {
        Io,       // the file system refused (full disk, no permission, …)
        Encoding, // a character code page 932 cannot hold
        Limit,    // a file at its largest size
        Damaged,  // a file whose length or bytes are not what its format says
        Invalid,  // a request the data cannot satisfy (no such record, unsafe name, …)
    };

    StoreError(Kind kind, QString file, QString reason);

    Kind kind() const { return m_kind; }
    const QString &file() const { return m_file; }
    const QString &reason() const { return m_reason; }
    // "「file」: reason", or only the reason when no file is concerned.
    QString message() const;

    // An I/O error from errno, worded for the user.
    static StoreError fromErrno(int err, const QString &file, const QString &action);

  private:
    Kind m_kind;
    QString m_file;
    QString m_reason;
};

} // namespace tama
