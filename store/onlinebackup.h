#pragma once

#include <QString>

namespace store {

// The engine's online backup of a directory file. It reads under the
// engine's own locks, so a copy taken while the program writes holds the
// file as it was before or after a change, never half of one. Qt's SQL
// module has no call for it, so this is the one place the store speaks to
// the engine's library directly.
class OnlineBackup
{
public:
    // Copies `source` into `dest`, an existing empty file, which the engine
    // takes as an empty database. Throws StoreError.
    static void copy(const QString& source, const QString& dest);
};

} // namespace store
