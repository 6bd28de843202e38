#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class Tree;

namespace store {
class Database;
}

// Finds the damage that makes records vanish from the program or confuse it,
// and plans a repair that loses nothing: records are moved, renumbered or
// made folders, never deleted.
class Checker
{
public:
    struct Problem
    {
        enum class Kind { Cycle, MissingParent, ParentNotFolder, DuplicateCode, BadCode, BadTel, Integrity };
        Kind kind;
        QString text;
    };

    // Cycles of parents, records whose folder is missing or is no folder,
    // codes used twice or not positive integers, numbers that are not.
    static std::vector<Problem> structure(const Tree& tree);
    // The engine's own check of the file: empty when it passes.
    static QStringList integrity(store::Database& database);

    struct Change
    {
        qint64 rowid;
        std::optional<qint64> code, tel, parent;
        std::optional<QString> name;
    };
    struct Plan
    {
        std::vector<Change> changes;
        std::optional<qint64> newRecovered; // the code of a Recovered folder to make
        bool reindex = false;               // rebuild the indexes the engine found wrong
        QStringList actions;                // what the changes do, for the user
        bool empty() const { return changes.empty() && !newRecovered && !reindex; }
    };

    // In order: numbers that can be read as numbers become them, read as an
    // import reads them for `region` (empty for none), with an extension
    // kept in the name; other values make the record a folder whose name
    // keeps the old value; every code used twice or unusable is given a new
    // one (a folder keeps the shared code, so what is inside stays inside);
    // records whose folder is missing or no folder move into the top-level
    // folder "Recovered" (made when there is none); and each cycle is cut by
    // moving its lowest code there too.
    static Plan plan(const Tree& tree, bool integrityFailed, const QString& region = QString());
    // Within the caller's transaction. Throws store::StoreError.
    static void apply(store::Database& database, const Plan& plan);

    static inline const QString RecoveredName = QStringLiteral("Recovered");
};
