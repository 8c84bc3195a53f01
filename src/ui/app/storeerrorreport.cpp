#include "app/storeerrorreport.h"

#include "common/dialogs.h"
#include "store/storeerror.h"

using namespace Qt::Literals::StringLiterals;

namespace tama {

void reportStoreError(const StoreError &e) {
    switch (e.kind()) {
    case StoreError::Kind::Encoding:
    case StoreError::Kind::Limit:
    case StoreError::Kind::Invalid:
        InfoBox(e.message(), u"注意"_s);
        break;
    case StoreError::Kind::Io:
    case StoreError::Kind::Damaged:
        ErrorBox(e.message());
        break;
    }
}

} // namespace tama
