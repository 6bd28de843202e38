#pragma once

#include <QtGlobal>

namespace store {

class Database;

// A folder deleted with everything beneath it, on a file of any shape: the
// window's Delete, driven here without a window by the tests.
class FolderRemoval
{
public:
    // Within the caller's transaction, deletes the folder `code` as listed
    // inside `parent`, and everything whose folder is one deleted. False
    // when that folder is no longer there, and nothing was deleted. Throws
    // StoreError.
    static bool remove(Database& database, qint64 code, qint64 parent);
};

} // namespace store
