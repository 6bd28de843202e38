#pragma once

#include <QString>

// A consistent copy of a directory file, made with the engine's online
// backup (store::OnlineBackup), under a name that takes nothing away: the
// program's lock on the file is only advisory and does not stand in the way.
class Backup
{
public:
    // Copies `source` to `dest`, which must not exist; a folder as `dest`
    // receives a copy named after the time. Returns the path written. On
    // failure nothing is left at `dest`. Throws ToolError or
    // store::StoreError.
    static QString copy(const QString& source, const QString& dest);

    // A free name beside `file` for a copy kept before a repair.
    static QString besideName(const QString& file, const QString& label);
};
