#pragma once

#include "store/database.h"
#include "store/filelock.h"
#include "store/transaction.h"

#include <QString>

#include <optional>

namespace store {

// A directory file held for writing: no other copy of the program writes to
// it while this lives. The lock is taken before the file is opened and let
// go after it is closed, since closing any descriptor of the file drops the
// engine's own locks on it. Every check a writer needs comes before its first
// write, the journal mode's included, so a file that is refused is left byte
// for byte as it was.
//
// Opening is left until it is needed, so that a caller may hold the file
// for a whole run and open it only once it has something to write.
class LockedDatabase
{
public:
    // Takes the lock and opens nothing yet. Throws StoreError when another
    // copy holds the file (busy()) or the lock cannot be taken; a missing
    // file is refused in the engine's words, as Database refuses it.
    explicit LockedDatabase(const QString& fileName);

    LockedDatabase(const LockedDatabase&) = delete;
    LockedDatabase& operator=(const LockedDatabase&) = delete;

    // The file opened for reading and writing, the first time after the
    // checks every writer needs: a `book` with its four fields and row
    // numbers, in a file the engine can write. Throws StoreError, having
    // changed nothing, when one of them fails; opening it still keeps the
    // journal mode the file has.
    Database& database();

    // Keeps the file with a rollback journal from now on. A caller with
    // checks of its own makes them first and then calls this; begin() does
    // otherwise. Throws StoreError.
    void useRollbackJournal();

    // A transaction on the file, kept with the rollback journal: rolled back
    // unless committed. Throws StoreError.
    [[nodiscard]] Transaction begin();

private:
    QString m_fileName;
    FileLock m_lock;
    std::optional<Database> m_database;
    bool m_rollbackJournal = false;
};

} // namespace store
