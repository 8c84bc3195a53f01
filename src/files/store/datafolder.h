#pragma once

#include <QString>

#include <optional>

namespace tama {

// The folder that holds every data file. Names inside it are plain file names.
class DataFolder {
  public:
    explicit DataFolder(QString path);
    const QString &path() const { return m_path; }
    QString file(const QString &name) const; // path of a file in the folder

    // The platform's application data folder ($XDG_DATA_HOME/tamanote), not created here:
    // the program makes it, the command-line tool only reads it.
    static QString defaultPath();

  private:
    QString m_path;
};

// Why a name cannot name files in the data folder (a path separator, "..", a control
// character, a character Windows forbids, a reserved device name), or nothing when
// it is safe. The messages are for the user.
std::optional<QString> unsafeFileNameReason(const QString &name);

// A name that stays inside a folder: not empty, not "." or "..", no separator, no
// control character.
bool isPlainFileName(const QString &name);

} // namespace tama
