#pragma once

#include <QHash>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>

#include <vector>

class Tree;

namespace store {
class Database;
}

// Writes to a directory within the caller's transaction, as import and sync
// do: folders found along a path or made where missing, entries added,
// changed, moved and removed. New codes run on from the largest in the file.
class BookEditor
{
public:
    // `tree` as the file was when the transaction began. Without a
    // database the editor works out the same codes and counts and writes
    // nothing: a dry run.
    BookEditor(store::Database* database, const Tree& tree);

    // The folder a path names (0 for the top level), made along the way
    // where missing. Each step is looked up by the folder above it, so a
    // path costs its length however deep it goes.
    qint64 folder(const QStringList& path);
    // A folder row of an import: a new folder unless the path is only known
    // so far from rows inside it or from the directory. Declared again, a
    // path names a sibling of the same name from then on: the directory's
    // next one of that name where it has one, as when the same export is
    // imported twice, else a new one.
    void declare(const QStringList& path);
    // New codes from above `code` too: one that something outside the file
    // still names (what sync remembers of a removed entry) is not given to
    // another entry.
    void keepCodesAbove(qint64 code);
    // A new record; its code.
    qint64 add(const QString& name, qint64 tel, qint64 parent);
    // A new entry, unless its folder holds one of that name and number
    // already: false then.
    bool addNew(const QString& name, qint64 tel, qint64 parent);
    // The record with this row number takes these values.
    void change(qint64 rowid, const QString& name, qint64 tel, qint64 parent);
    void remove(qint64 rowid);

    int foldersMade() const { return m_folders; }
    int entriesMade() const { return m_entries; }

private:
    struct Slot
    {
        qint64 code;
        bool declared; // made or adopted by a folder row of the file
    };
    using Step = QPair<qint64, QString>; // the folder above, and the name
    using Entry = QPair<QPair<qint64, qint64>, QString>; // folder and number, name

    Slot& child(qint64 parent, const QString& name);
    // The folders of that name that were in the directory before, in the
    // order export writes them.
    std::vector<qint64> existingFolders(qint64 parent, const QString& name) const;
    // The entries a folder held before, looked up once.
    void index(qint64 parent);

    store::Database* m_database;
    const Tree& m_tree;
    qint64 m_next;
    QHash<Step, Slot> m_paths;
    QHash<Step, qsizetype> m_siblings; // folder rows of a path after its first
    QSet<qint64> m_indexed;
    QSet<Entry> m_known;
    int m_folders = 0;
    int m_entries = 0;
};
