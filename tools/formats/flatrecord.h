#pragma once

#include <QString>
#include <QStringList>

// One folder or entry as the text formats carry it: by the names of the
// folders above it rather than by codes, which mean nothing in another file.
struct FlatRecord
{
    QStringList path; // folder names from the top level down; empty at the top
    QString name;
    qint64 tel = 0;   // 0 for a folder
    int line = 0;     // where an imported record starts in its file, for messages

    bool isFolder() const { return tel == 0; }
    // The line is where a record was read, not part of what it is.
    bool operator==(const FlatRecord& other) const
    {
        return path == other.path && name == other.name && tel == other.tel;
    }
};
