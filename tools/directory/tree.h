#pragma once

#include "tools/formats/flatrecord.h"
#include "tools/formats/toolerror.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace store {
class Database;
struct Statement;
}

// The whole `book` table read once, with the links between its rows worked
// out: which folder holds each record, the path to it, and which records the
// top level cannot reach. Damaged tables load too; the links simply leave
// the damaged rows out.
class Tree
{
public:
    static constexpr size_t Top = size_t(-1); // the top level, which has no row

    struct Record
    {
        qint64 rowid = 0;
        // Each column as stored, with the value it stands for when that is a
        // whole number of the right kind (store::FieldValue).
        QVariant code, tel, parent;
        QString name;
        std::optional<qint64> codeValue;   // a positive integer
        std::optional<qint64> telValue;    // 0 for a folder, above 0 for an entry
        std::optional<qint64> parentValue; // 0 for the top level, else a code

        bool isFolder() const { return telValue == 0; }
        bool isEntry() const { return telValue && *telValue > 0; }
    };

    // The whole table. Throws store::StoreError.
    static Tree load(store::Database& database);
    // The records `walk` yields (AllRecords() or one narrowed as
    // Candidates() is), of which the folders and those other records `keep`
    // accepts are kept; the others are counted where they hang, with those
    // the walk counted itself. A search of the whole table that holds little
    // of it.
    static Tree load(store::Database& database, const store::Statement& walk,
                     const std::function<bool(const Record&)>& keep);
    // Records in rowid order; the derived values are worked out here.
    explicit Tree(std::vector<Record> records);

    const std::vector<Record>& records() const { return m_records; }

    // The record that `code` stands for when it is a parent: of several rows
    // sharing the code, a folder before an entry, then the first stored.
    std::optional<size_t> holder(qint64 code) const;
    // The folder holding record `index`, or Top; nullopt when it is detached.
    std::optional<size_t> folderOf(size_t index) const;
    // Folders and entries directly inside `folder` (or Top), by code.
    std::span<const size_t> children(size_t folder) const;
    bool reachable(size_t index) const { return m_reachable[index]; }
    // Records that the top level does not reach: damaged rows and what hangs
    // beneath them, those load() left out included.
    size_t detachedCount() const;
    std::optional<qint64> maxCode() const;

    // The names of the folders holding a reachable record, from the top down.
    QStringList pathOf(size_t index) const;
    // The folders a path names; several when sibling folders share a name.
    std::vector<size_t> folders(const QStringList& path) const;
    // What a --folder option names: its folders, or Top for "/" or nothing.
    // Throws ToolError when it names no folder.
    std::vector<size_t> scope(const QString& folderPath) const;

    // `tops` (records, or Top for everything) and all beneath them, each folder
    // followed by what it holds, with paths starting at the parent of `tops`.
    // This is the order an import reads back into the same tree. What lies
    // deeper than FolderPath::MaxDepth is left out: no file could carry it
    // back in.
    std::vector<FlatRecord> flatten(const std::vector<size_t>& tops) const;
    struct Placed
    {
        size_t index;
        FlatRecord record; // without a path where it is too deep
        bool tooDeep;      // its path would hold more than FolderPath::MaxDepth names
    };
    // The same, each with the record it was made from, those too deep
    // included. The records of one folder share one path, and the paths of
    // those too deep are never made: the memory grows with the records and
    // not with how deep they lie.
    std::vector<Placed> place(const std::vector<size_t>& tops) const;
    // The same walk as indexes: reachable records in tree order.
    std::vector<size_t> walk() const;

private:
    static constexpr size_t NoRecord = size_t(-1);
    enum Readings { Unread, Read };
    static Tree load(store::Database& database, const store::Statement& walk, size_t expected,
                     const std::function<bool(const Record&)>& keep);
    // The values each column stands for.
    static void read(Record& record);
    Tree(std::vector<Record> records, Readings readings);
    // Where a folder's children are kept: its own index, the top level's last.
    size_t slot(size_t folder) const;

    std::vector<Record> m_records;
    // The holder of each code: by code where codes are close together, else
    // in the hash.
    std::vector<size_t> m_holderByCode;
    QHash<qint64, size_t> m_holders;
    std::vector<std::optional<size_t>> m_folderOf;
    // The children of every folder side by side, each folder's in code order,
    // starting at m_childStart[slot] and ending where the next slot's start.
    std::vector<size_t> m_childIndex;
    std::vector<size_t> m_childStart;
    std::vector<bool> m_reachable;
    // Records load() left out, counted by the folder code they name (-1:
    // none, as an unreadable number or folder leaves them detached).
    struct LeftOut
    {
        static constexpr qint64 DenseCodes = qint64(1) << 24;
        void add(qint64 folder, qint64 records);
        std::vector<qint64> byCode;
        QHash<qint64, qint64> others;
    };
    LeftOut m_leftOut;
};
