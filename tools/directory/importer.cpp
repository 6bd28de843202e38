#include "tools/directory/importer.h"

#include "tools/directory/tree.h"

#include "store/database.h"
#include "store/statements.h"
#include "store/transaction.h"

#include <QHash>

namespace {

class Builder
{
public:
    Builder(store::Database& database, const Tree& tree)
        : m_database(database)
        , m_tree(tree)
        , m_next(tree.maxCode().value_or(0) + 1)
    {
    }

    // The folder a path names, made along the way where missing. Each step
    // is looked up by the folder above it, so a path costs its length
    // however deep it goes.
    qint64 folder(const QStringList& path)
    {
        qint64 parent = 0;
        for (const QString& name : path)
            parent = child(parent, name).code;
        return parent;
    }

    // A folder row: a new folder unless the path is only known so far from
    // rows inside it or from the directory.
    void declare(const QStringList& path)
    {
        const qint64 parent = folder(path.first(path.size() - 1));
        Slot& slot = child(parent, path.last());
        if (!slot.declared) {
            slot.declared = true;
            return;
        }
        // Declared before: a sibling of the same name, which from now on is
        // the one the path names.
        m_folders.insert({parent, path.last()}, {add(path.last(), 0, parent), true});
    }

    qint64 add(const QString& name, qint64 tel, qint64 parent)
    {
        const qint64 code = m_next++;
        m_database.execute(store::Statements::Insert(code, name, tel, parent));
        ++(tel == 0 ? m_result.folders : m_result.entries);
        return code;
    }

    Importer::Result result() const { return m_result; }

private:
    struct Slot
    {
        qint64 code;
        bool declared; // made or adopted by a folder row of the file
    };
    using Step = QPair<qint64, QString>; // the folder above, and the name

    Slot& child(qint64 parent, const QString& name)
    {
        const Step step{parent, name};
        auto it = m_folders.find(step);
        if (it == m_folders.end()) {
            const auto existing = existingFolder(parent, name);
            it = m_folders.insert(step, {existing ? *existing : add(name, 0, parent), false});
        }
        return *it;
    }

    // A folder that was in the directory before the import.
    std::optional<qint64> existingFolder(qint64 parent, const QString& name) const
    {
        size_t folder = Tree::Top;
        if (parent != 0) {
            const auto holder = m_tree.holder(parent);
            if (!holder || !m_tree.reachable(*holder))
                return std::nullopt; // made by this import: nothing inside yet
            folder = *holder;
        }
        for (const size_t child : m_tree.children(folder)) {
            const Tree::Record& r = m_tree.records()[child];
            if (r.isFolder() && r.name == name && r.codeValue)
                return r.codeValue;
        }
        return std::nullopt;
    }

    store::Database& m_database;
    const Tree& m_tree;
    qint64 m_next;
    QHash<Step, Slot> m_folders;
    Importer::Result m_result;
};

} // namespace

Importer::Result Importer::run(store::Database& database, const std::vector<FlatRecord>& records,
                               const QStringList& into)
{
    store::Transaction transaction(database);
    // Read inside the transaction: the codes and folders seen are the ones
    // the new rows join.
    const Tree tree = Tree::load(database);
    Builder builder(database, tree);
    builder.folder(into);
    for (const FlatRecord& r : records) {
        if (r.isFolder())
            builder.declare(into + r.path + QStringList{r.name});
        else
            builder.add(r.name, r.tel, builder.folder(into + r.path));
    }
    transaction.Commit();
    return builder.result();
}
