#include "tools/directory/tree.h"

#include "tools/formats/folderpath.h"
#include "tools/formats/toolerror.h"

#include "store/database.h"
#include "store/fieldvalue.h"
#include "store/recordset.h"
#include "store/statements.h"

#include <algorithm>
#include <limits>

namespace {

// The values of a column as the engine stored them. A column may hold text or
// a null where a number belongs in a file another tool wrote.
QVariant stored(const store::RecordSet& rows, int value, int type)
{
    const QString kind = rows.Text(type);
    if (kind == u"null")
        return QVariant();
    const QVariant v = rows.Value(value);
    if (kind == u"blob")
        return QVariant(v.toByteArray());
    return v;
}

} // namespace

Tree Tree::load(store::Database& database)
{
    // Records are told apart by their row numbers: codes may repeat.
    database.requireRowNumbers();
    std::vector<Record> records;
    for (store::RecordSet rows = database.OpenRecordset(store::Statements::AllRecords()); !rows.Eof();
         rows.MoveNext()) {
        Record record;
        record.rowid = rows.Value(0).toLongLong();
        record.code = stored(rows, 1, 2);
        record.name = rows.Text(3);
        record.tel = stored(rows, 4, 5);
        record.parent = stored(rows, 6, 7);
        records.push_back(std::move(record));
    }
    return Tree(std::move(records));
}

Tree::Tree(std::vector<Record> records)
    : m_records(std::move(records))
{
    const size_t count = m_records.size();
    for (size_t i = 0; i < count; ++i) {
        Record& r = m_records[i];
        r.codeValue = store::FieldValue::code(r.code);
        r.telValue = store::FieldValue::isFolder(r.tel) ? std::optional<qint64>(0) : store::FieldValue::number(r.tel);
        r.parentValue = store::FieldValue::parent(r.parent);
        if (!r.codeValue)
            continue;
        const auto it = m_holders.constFind(*r.codeValue);
        if (it == m_holders.cend() || (r.isFolder() && !m_records[*it].isFolder()))
            m_holders.insert(*r.codeValue, i);
    }

    m_folderOf.assign(count, std::nullopt);
    m_children.assign(count + 1, {});
    for (size_t i = 0; i < count; ++i) {
        const Record& r = m_records[i];
        if (!(r.isFolder() || r.isEntry()) || !r.parentValue)
            continue;
        if (*r.parentValue == 0) {
            m_folderOf[i] = Top;
            m_children[count].push_back(i);
            continue;
        }
        const auto h = holder(*r.parentValue);
        if (h && *h != i && m_records[*h].isFolder()) {
            m_folderOf[i] = *h;
            m_children[*h].push_back(i);
        }
    }
    // Codes grow as records are added, so code order is the order the
    // program lists them in and the order they were made.
    auto byCode = [this](size_t a, size_t b) {
        const auto& ra = m_records[a];
        const auto& rb = m_records[b];
        const qint64 ca = ra.codeValue.value_or(std::numeric_limits<qint64>::max());
        const qint64 cb = rb.codeValue.value_or(std::numeric_limits<qint64>::max());
        return ca != cb ? ca < cb : ra.rowid < rb.rowid;
    };
    for (auto& list : m_children)
        std::sort(list.begin(), list.end(), byCode);

    m_reachable.assign(count, false);
    for (const size_t i : walk())
        m_reachable[i] = true;
}

std::optional<size_t> Tree::holder(qint64 code) const
{
    const auto it = m_holders.constFind(code);
    if (it == m_holders.cend())
        return std::nullopt;
    return *it;
}

std::optional<size_t> Tree::folderOf(size_t index) const
{
    return m_folderOf[index];
}

const std::vector<size_t>& Tree::children(size_t folder) const
{
    return m_children[folder == Top ? m_records.size() : folder];
}

size_t Tree::detachedCount() const
{
    return size_t(std::count(m_reachable.begin(), m_reachable.end(), false));
}

std::optional<qint64> Tree::maxCode() const
{
    std::optional<qint64> max;
    for (const Record& r : m_records) {
        if (r.codeValue && (!max || *r.codeValue > *max))
            max = r.codeValue;
    }
    return max;
}

QStringList Tree::pathOf(size_t index) const
{
    QStringList names;
    // Bounded by the record count: a cycle never reaches here from a
    // reachable record, but a caller may ask about a detached one.
    size_t steps = 0;
    for (auto folder = m_folderOf[index]; folder && *folder != Top && steps <= m_records.size();
         folder = m_folderOf[*folder], ++steps)
        names.prepend(m_records[*folder].name);
    return names;
}

std::vector<size_t> Tree::folders(const QStringList& path) const
{
    std::vector<size_t> current{Top};
    for (const QString& name : path) {
        std::vector<size_t> next;
        for (const size_t folder : current) {
            for (const size_t child : children(folder)) {
                if (m_records[child].isFolder() && m_records[child].name == name)
                    next.push_back(child);
            }
        }
        current = std::move(next);
    }
    return current;
}

std::vector<size_t> Tree::scope(const QString& folderPath) const
{
    const QStringList path = FolderPath::parse(folderPath);
    if (path.isEmpty())
        return {Top};
    std::vector<size_t> found = folders(path);
    if (found.empty())
        throw ToolError(QStringLiteral("no folder %1.").arg(FolderPath::format(path)));
    return found;
}

std::vector<size_t> Tree::walk() const
{
    std::vector<size_t> order;
    std::vector<bool> seen(m_records.size(), false);
    // An explicit stack: a directory may be nested deeper than the call
    // stack allows.
    std::vector<size_t> stack(children(Top).rbegin(), children(Top).rend());
    while (!stack.empty()) {
        const size_t i = stack.back();
        stack.pop_back();
        if (seen[i])
            continue;
        seen[i] = true;
        order.push_back(i);
        const auto& inside = children(i);
        stack.insert(stack.end(), inside.rbegin(), inside.rend());
    }
    return order;
}

std::vector<FlatRecord> Tree::flatten(const std::vector<size_t>& tops) const
{
    std::vector<FlatRecord> result;
    for (Placed& placed : place(tops))
        result.push_back(std::move(placed.record));
    return result;
}

std::vector<Tree::Placed> Tree::place(const std::vector<size_t>& tops) const
{
    std::vector<Placed> result;
    struct Step
    {
        size_t index;
        size_t depth;
    };
    std::vector<Step> stack;
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
        if (*it == Top) {
            for (auto c = children(Top).rbegin(); c != children(Top).rend(); ++c)
                stack.push_back({*c, 0});
        } else {
            stack.push_back({*it, 0});
        }
    }
    QStringList path; // of the folder whose contents are being written
    std::vector<bool> seen(m_records.size(), false);
    while (!stack.empty()) {
        const Step step = stack.back();
        stack.pop_back();
        if (seen[step.index])
            continue;
        seen[step.index] = true;
        const Record& r = m_records[step.index];
        path.resize(step.depth);
        result.push_back({step.index, {path, r.name, *r.telValue, 0}});
        if (r.isFolder()) {
            const auto& inside = children(step.index);
            for (auto c = inside.rbegin(); c != inside.rend(); ++c)
                stack.push_back({*c, step.depth + 1});
            path.append(r.name);
        }
    }
    return result;
}
