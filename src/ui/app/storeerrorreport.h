#pragma once

namespace tama {

class StoreError;

// What the user typed or asked for cannot be stored (a character the code page lacks,
// a full file, an empty name): a caution to correct it. The file system failing or a
// damaged file: an error.
void reportStoreError(const StoreError &e);

} // namespace tama
