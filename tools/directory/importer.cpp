#include "tools/directory/importer.h"

#include "tools/directory/tree.h"

#include "store/database.h"
#include "store/statements.h"
#include "store/transaction.h"

#include <QHash>
#include <QSet>

namespace {

struct Row
{
    qint64 code;
    QString name;
    qint64 tel;
    qint64 parent;
};

// Works out the rows an import adds, in the order they are to be inserted.
class Builder
{
public:
    explicit Builder(const Tree& tree)
        : m_tree(tree)
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
        // the one the path names; the directory's next one of that name,
        // where it has one, as when the same export is imported again.
        const Step step{parent, path.last()};
        const qsizetype nth = ++m_siblings[step];
        const std::vector<qint64> there = existingFolders(parent, path.last());
        m_folders.insert(step, {nth < qsizetype(there.size()) ? there[nth] : add(path.last(), 0, parent), true});
    }

    // An entry, unless its folder holds one of that name and number.
    void entry(const QString& name, qint64 tel, qint64 parent)
    {
        if (!m_indexed.contains(parent))
            index(parent);
        const Entry key{{parent, tel}, name};
        if (m_entries.contains(key)) {
            ++m_result.duplicates;
            return;
        }
        m_entries.insert(key);
        add(name, tel, parent);
    }

    Importer::Result result() const { return m_result; }
    const std::vector<Row>& rows() const { return m_rows; }

private:
    struct Slot
    {
        qint64 code;
        bool declared; // made or adopted by a folder row of the file
    };
    using Step = QPair<qint64, QString>; // the folder above, and the name
    using Entry = QPair<QPair<qint64, qint64>, QString>; // folder and number, name

    qint64 add(const QString& name, qint64 tel, qint64 parent)
    {
        const qint64 code = m_next++;
        m_rows.push_back({code, name, tel, parent});
        ++(tel == 0 ? m_result.folders : m_result.entries);
        return code;
    }

    // The entries a folder held before the import, looked up once.
    void index(qint64 parent)
    {
        m_indexed.insert(parent);
        const auto folder = parent == 0 ? std::optional<size_t>(Tree::Top) : m_tree.holder(parent);
        if (!folder || (*folder != Tree::Top && !m_tree.reachable(*folder)))
            return; // made by this import
        for (const size_t child : m_tree.children(*folder)) {
            const Tree::Record& r = m_tree.records()[child];
            if (r.isEntry())
                m_entries.insert({{parent, *r.telValue}, r.name});
        }
    }

    Slot& child(qint64 parent, const QString& name)
    {
        const Step step{parent, name};
        auto it = m_folders.find(step);
        if (it == m_folders.end()) {
            const std::vector<qint64> existing = existingFolders(parent, name);
            it = m_folders.insert(step, {existing.empty() ? add(name, 0, parent) : existing.front(), false});
        }
        return *it;
    }

    // The folders of that name that were in the directory before the import,
    // in the order export writes them.
    std::vector<qint64> existingFolders(qint64 parent, const QString& name) const
    {
        std::vector<qint64> found;
        size_t folder = Tree::Top;
        if (parent != 0) {
            const auto holder = m_tree.holder(parent);
            if (!holder || !m_tree.reachable(*holder))
                return found; // made by this import: nothing inside yet
            folder = *holder;
        }
        for (const size_t child : m_tree.children(folder)) {
            const Tree::Record& r = m_tree.records()[child];
            if (r.isFolder() && r.name == name && r.codeValue)
                found.push_back(*r.codeValue);
        }
        return found;
    }

    const Tree& m_tree;
    qint64 m_next;
    QHash<Step, Slot> m_folders;
    QHash<Step, qsizetype> m_siblings; // folder rows of a path after its first
    QSet<qint64> m_indexed;
    QSet<Entry> m_entries;
    std::vector<Row> m_rows;
    Importer::Result m_result;
};

} // namespace

Importer::Result Importer::run(store::Database& database, const std::vector<FlatRecord>& records,
                               const QStringList& into, Mode mode)
{
    const auto build = [&](const Tree& tree) {
        Builder builder(tree);
        builder.folder(into);
        for (const FlatRecord& r : records) {
            if (r.isFolder())
                builder.declare(into + r.path + QStringList{r.name});
            else
                builder.entry(r.name, r.tel, builder.folder(into + r.path));
        }
        return builder;
    };
    if (mode == Mode::DryRun)
        return build(Tree::load(database)).result();
    store::Transaction transaction(database);
    // Read inside the transaction: the codes and folders seen are the ones
    // the new rows join.
    const Tree tree = Tree::load(database);
    const Builder builder = build(tree);
    for (const Row& row : builder.rows())
        database.execute(store::Statements::Insert(row.code, row.name, row.tel, row.parent));
    transaction.Commit();
    return builder.result();
}
