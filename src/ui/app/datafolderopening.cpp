#include "app/datafolderopening.h"

#include "common/dialogs.h"
#include "store/backup.h"
#include "store/importwriter.h"
#include "store/journal.h"
#include "store/playdata.h"
#include "store/storeerror.h"
#include "store/writehook.h"

using namespace Qt::Literals::StringLiterals;

namespace tama {

std::unique_ptr<DataFolderLock> openDataFolder(const QString &folderPath) {
    const DataFolder folder(folderPath);
    auto lock = std::make_unique<DataFolderLock>(folder, DataFolderLock::Holder::Program);
    if (lock->readOnly()) {
        writehook::setReadOnlyFolder(folderPath);
        return lock;
    }
    if (!lock->held()) {
        ErrorBox(lock->refusal() + u"\n"_s + folderPath);
        return nullptr;
    }
    writehook::setReadOnlyFolder({});
    // Space for the rollback journal now, so that changing a card works on a full disk. A
    // journal that does not fit its file any more was put aside: the user hears of it once.
    if (const QString notice = journal::reserve(folderPath); !notice.isEmpty())
        InfoBox(notice, u"書き込みの控え"_s);
    // A restore that a crash cut short between its renames is finished before any write.
    try {
        if (const std::optional<QString> done = backup::Backups(folder).finishInterruptedRestore())
            InfoBox(*done, u"復元"_s);
    } catch (const StoreError &e) {
        ErrorBox(e.message());
    }
    // So is an import: undone, so that no diary keeps half of one.
    try {
        if (const std::optional<QString> done = finishInterruptedImport(folder))
            InfoBox(*done, u"取り込み"_s);
    } catch (const StoreError &e) {
        ErrorBox(e.message());
    }
    // Snapshots before the first write of each day and before operations that drop data.
    backup::setAutomatic(folder, backup::Settings::load());
    // Play rows whose diary write a crash cut short are finished, rows whose card is gone set aside.
    if (const std::optional<QString> notice = repairPlayData(folder)) InfoBox(*notice, u"稼働データ"_s);
    return lock;
}

QString readOnlyTitleSuffix() {
    return u"（読み取り専用）"_s;
}

} // namespace tama
