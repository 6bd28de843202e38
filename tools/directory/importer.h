#pragma once

#include "tools/formats/flatrecord.h"

#include <vector>

namespace store {
class Database;
}

// Adds records read from a text file to the directory, making the folders
// along each path.
//
// A path names the folder that the latest folder row of that path in the
// file made (this is how sibling folders of one name in an export come back
// apart), else a folder already in the directory, else a new folder. A
// folder row adopts a folder of that name already there (the second row of
// a path the second such sibling, and so on), so importing into a directory
// merges into its folders. An entry whose folder already holds one of the
// same name and number is not added again: importing a file twice adds
// nothing the second time.
class Importer
{
public:
    struct Result
    {
        int folders = 0; // made, including those along the paths
        int entries = 0;
        int duplicates = 0; // entries not added, being there already
    };
    enum class Mode { Write, DryRun };

    // All in one transaction: everything is stored, or nothing. New codes
    // run on from the largest in the file. A dry run works out the same
    // result and writes nothing. Throws store::StoreError.
    static Result run(store::Database& database, const std::vector<FlatRecord>& records, const QStringList& into,
                      Mode mode = Mode::Write);
};
