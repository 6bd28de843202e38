#pragma once

#include "tools/directory/samplebook.h"

#include <QString>
#include <QtGlobal>

#include <vector>

// The directory every figure is measured on: a million records whose top
// level holds 100 folders and 1,000 entries. Three of the top-level folders
// carry the big cases; the other 97 share the remaining entries. Entries were
// added over time in every folder at once, so a folder's rows lie scattered
// through the file as they would in a directory that grew by use.
struct BenchBook
{
    static constexpr int Records = 1'000'000;
    static constexpr int TopFolders = 100;
    static constexpr int TopEntries = 1'000;
    static constexpr int BigLevelEntries = 100'000;
    static constexpr int ManyFolders = 10'000;
    static constexpr int TreeDepth = 10;
    static constexpr int TreeFoldersPerLevel = 1'000;
    static constexpr int TreeEntries = 100'000;

    qint64 bigLevel = 0;    // holds BigLevelEntries entries and no folders
    qint64 manyFolders = 0; // holds ManyFolders empty folders and no entries
    qint64 bigTree = 0;     // holds TreeDepth levels of folders and TreeEntries entries beneath them
    qint64 treeRecords = 0; // records beneath bigTree, its own excluded
    qint64 records = 0;
};

// Writes a new file at `path` with the table and indexes of a new directory,
// all in one transaction. Throws std::runtime_error on failure.
BenchBook writeBenchBook(const QString& path);

// A name and a number such as a user types, drawn from `seed`.
QString benchName(quint64 seed);
qint64 benchNumber(quint64 seed);

// A directory such as publishing and syncing are measured on: 100 folders
// at the top level (codes 1 to 100) and `entries` entries spread over them.
std::vector<SampleBook::Row> contactRows(int entries);
