#include "tools/directory/bookeditor.h"

#include "tools/directory/tree.h"

#include "store/database.h"
#include "store/statements.h"

#include <algorithm>
#include <limits>

BookEditor::BookEditor(store::Database* database, const Tree& tree)
    : m_database(database)
    , m_tree(tree)
    , m_next(tree.maxCode().value_or(0) + 1)
{
}

qint64 BookEditor::folder(const QStringList& path)
{
    qint64 parent = 0;
    for (const QString& name : path)
        parent = child(parent, name).code;
    return parent;
}

void BookEditor::declare(const QStringList& path)
{
    const qint64 parent = folder(path.first(path.size() - 1));
    Slot& slot = child(parent, path.last());
    if (!slot.declared) {
        slot.declared = true;
        return;
    }
    const Step step{parent, path.last()};
    const qsizetype nth = ++m_siblings[step];
    const std::vector<qint64> there = existingFolders(parent, path.last());
    m_paths.insert(step, {nth < qsizetype(there.size()) ? there[size_t(nth)] : add(path.last(), 0, parent), true});
}

void BookEditor::keepCodesAbove(qint64 code)
{
    // The largest code is no code to stay above: none is left after it.
    if (code < std::numeric_limits<qint64>::max())
        m_next = std::max(m_next, code + 1);
}

qint64 BookEditor::add(const QString& name, qint64 tel, qint64 parent)
{
    const qint64 code = m_next++;
    if (m_database)
        m_database->execute(store::Statements::Insert(code, name, tel, parent));
    ++(tel == 0 ? m_folders : m_entries);
    return code;
}

bool BookEditor::addNew(const QString& name, qint64 tel, qint64 parent)
{
    if (!m_indexed.contains(parent))
        index(parent);
    const Entry key{{parent, tel}, name};
    if (m_known.contains(key))
        return false;
    m_known.insert(key);
    add(name, tel, parent);
    return true;
}

void BookEditor::change(qint64 rowid, const QString& name, qint64 tel, qint64 parent)
{
    if (m_database)
        m_database->execute(store::Statements::Update(rowid, std::nullopt, tel, parent, name));
}

void BookEditor::remove(qint64 rowid)
{
    if (m_database)
        m_database->execute(store::Statements::DeleteRow(rowid));
}

BookEditor::Slot& BookEditor::child(qint64 parent, const QString& name)
{
    const Step step{parent, name};
    auto it = m_paths.find(step);
    if (it == m_paths.end()) {
        const std::vector<qint64> existing = existingFolders(parent, name);
        it = m_paths.insert(step, {existing.empty() ? add(name, 0, parent) : existing.front(), false});
    }
    return *it;
}

std::vector<qint64> BookEditor::existingFolders(qint64 parent, const QString& name) const
{
    std::vector<qint64> found;
    size_t folder = Tree::Top;
    if (parent != 0) {
        const auto holder = m_tree.holder(parent);
        if (!holder || !m_tree.reachable(*holder))
            return found; // made here: nothing inside yet
        folder = *holder;
    }
    for (const size_t child : m_tree.children(folder)) {
        const Tree::Record& r = m_tree.records()[child];
        if (r.isFolder() && r.name == name && r.codeValue)
            found.push_back(*r.codeValue);
    }
    return found;
}

void BookEditor::index(qint64 parent)
{
    m_indexed.insert(parent);
    const auto folder = parent == 0 ? std::optional<size_t>(Tree::Top) : m_tree.holder(parent);
    if (!folder || (*folder != Tree::Top && !m_tree.reachable(*folder)))
        return; // made here
    for (const size_t child : m_tree.children(*folder)) {
        const Tree::Record& r = m_tree.records()[child];
        if (r.isEntry())
            m_known.insert({{parent, *r.telValue}, r.name});
    }
}
