#include "tools/directory/tree.h"

#include "tools/formats/folderpath.h"
#include "tools/formats/toolerror.h"

#include "store/database.h"
#include "store/fieldvalue.h"
#include "store/recordset.h"
#include "store/statements.h"

#include <algorithm>
#include <limits>

void Tree::read(Record& r)
{
    r.codeValue = store::FieldValue::code(r.code);
    r.telValue = store::FieldValue::isFolder(r.tel) ? std::optional<qint64>(0) : store::FieldValue::number(r.tel);
    r.parentValue = store::FieldValue::parent(r.parent);
}

Tree Tree::load(store::Database& database)
{
    // Records are told apart by their row numbers: codes may repeat.
    database.requireRowNumbers();
    return load(database, store::Statements::AllRecords(),
                size_t(database.OpenRecordset(store::Statements::RecordCount()).Value(0).toLongLong()), {});
}

Tree Tree::load(store::Database& database, const store::Statement& walk, const std::function<bool(const Record&)>& keep)
{
    database.requireRowNumbers();
    return load(database, walk, 0, keep);
}

Tree Tree::load(store::Database& database, const store::Statement& walk, size_t expected,
                const std::function<bool(const Record&)>& keep)
{
    std::vector<Record> records;
    records.reserve(expected);
    LeftOut leftOut;
    for (store::RecordSet rows = database.OpenRecordset(walk); !rows.Eof(); rows.MoveNext()) {
        if (rows.Value(0).isNull()) {
            leftOut.add(store::FieldValue::parent(rows.Value(4)).value_or(-1), rows.Value(5).toLongLong());
            continue;
        }
        Record record;
        record.rowid = rows.Value(0).toLongLong();
        record.code = rows.Value(1);
        record.name = rows.Text(2);
        record.tel = rows.Value(3);
        record.parent = rows.Value(4);
        read(record);
        if (keep && !record.isFolder() && !keep(record)) {
            leftOut.add(record.isEntry() && record.parentValue ? *record.parentValue : -1, 1);
            continue;
        }
        records.push_back(std::move(record));
    }
    Tree tree(std::move(records), Read);
    tree.m_leftOut = std::move(leftOut);
    return tree;
}

Tree::Tree(std::vector<Record> records)
    : Tree(std::move(records), Unread)
{
}

Tree::Tree(std::vector<Record> records, Readings readings)
    : m_records(std::move(records))
{
    const size_t count = m_records.size();
    qint64 maxCode = 0;
    for (Record& r : m_records) {
        if (readings == Unread)
            read(r);
        maxCode = std::max(maxCode, r.codeValue.value_or(0));
    }
    // Codes are given one after another, so a table of them by code is
    // small; a file whose codes are spread far apart gets a hash instead.
    const bool dense = quint64(maxCode) <= 2 * quint64(count) + 1024;
    if (dense)
        m_holderByCode.assign(size_t(maxCode) + 1, NoRecord);
    for (size_t i = 0; i < count; ++i) {
        const Record& r = m_records[i];
        if (!r.codeValue)
            continue;
        const std::optional<size_t> held = holder(*r.codeValue);
        if (held && !(r.isFolder() && !m_records[*held].isFolder()))
            continue;
        if (dense)
            m_holderByCode[size_t(*r.codeValue)] = i;
        else
            m_holders.insert(*r.codeValue, i);
    }

    // Each record's folder, then the records of each folder side by side,
    // the top level's last.
    m_folderOf.assign(count, std::nullopt);
    m_childStart.assign(count + 2, 0);
    for (size_t i = 0; i < count; ++i) {
        const Record& r = m_records[i];
        if (!(r.isFolder() || r.isEntry()) || !r.parentValue)
            continue;
        if (*r.parentValue == 0) {
            m_folderOf[i] = Top;
        } else {
            const auto h = holder(*r.parentValue);
            if (!h || *h == i || !m_records[*h].isFolder())
                continue;
            m_folderOf[i] = *h;
        }
        ++m_childStart[slot(*m_folderOf[i]) + 1];
    }
    for (size_t s = 1; s < m_childStart.size(); ++s)
        m_childStart[s] += m_childStart[s - 1];
    m_childIndex.resize(m_childStart.back());
    std::vector<size_t> filled(m_childStart.begin(), m_childStart.end() - 1);
    for (size_t i = 0; i < count; ++i) {
        if (m_folderOf[i])
            m_childIndex[filled[slot(*m_folderOf[i])]++] = i;
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
    for (size_t s = 0; s + 1 < m_childStart.size(); ++s)
        std::sort(m_childIndex.begin() + qsizetype(m_childStart[s]), m_childIndex.begin() + qsizetype(m_childStart[s + 1]),
                  byCode);

    m_reachable.assign(count, false);
    for (const size_t i : walk())
        m_reachable[i] = true;
}

size_t Tree::slot(size_t folder) const
{
    return folder == Top ? m_records.size() : folder;
}

std::optional<size_t> Tree::holder(qint64 code) const
{
    if (!m_holderByCode.empty()) {
        if (code < 0 || quint64(code) >= m_holderByCode.size() || m_holderByCode[size_t(code)] == NoRecord)
            return std::nullopt;
        return m_holderByCode[size_t(code)];
    }
    const auto it = m_holders.constFind(code);
    if (it == m_holders.cend())
        return std::nullopt;
    return *it;
}

std::optional<size_t> Tree::folderOf(size_t index) const
{
    return m_folderOf[index];
}

std::span<const size_t> Tree::children(size_t folder) const
{
    const size_t s = slot(folder);
    return {m_childIndex.data() + m_childStart[s], m_childStart[s + 1] - m_childStart[s]};
}

void Tree::LeftOut::add(qint64 folder, qint64 records)
{
    // Codes are small where they are given one after another: counted in a
    // table by code, and only far-flung ones in the hash.
    if (folder >= 0 && folder < DenseCodes) {
        if (size_t(folder) >= byCode.size())
            byCode.resize(std::max(byCode.size() * 2, size_t(folder) + 1), 0);
        byCode[size_t(folder)] += records;
    } else {
        others[folder] += records;
    }
}

size_t Tree::detachedCount() const
{
    size_t detached = size_t(std::count(m_reachable.begin(), m_reachable.end(), false));
    const auto count = [&](qint64 folder, qint64 records) {
        const auto h = folder > 0 ? holder(folder) : std::nullopt;
        if (folder != 0 && !(h && m_records[*h].isFolder() && m_reachable[*h]))
            detached += size_t(records);
    };
    for (size_t folder = 0; folder < m_leftOut.byCode.size(); ++folder) {
        if (m_leftOut.byCode[folder])
            count(qint64(folder), m_leftOut.byCode[folder]);
    }
    for (auto it = m_leftOut.others.cbegin(); it != m_leftOut.others.cend(); ++it)
        count(it.key(), it.value());
    return detached;
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
    for (Placed& placed : place(tops)) {
        if (!placed.tooDeep)
            result.push_back(std::move(placed.record));
    }
    return result;
}

std::vector<Tree::Placed> Tree::place(const std::vector<size_t>& tops) const
{
    std::vector<Placed> result;
    struct Step
    {
        size_t index;
        qsizetype depth;
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
        const bool tooDeep = step.depth > FolderPath::MaxDepth;
        // Resized only when the depth changes: the records of one folder
        // share one list.
        if (!tooDeep && path.size() != step.depth)
            path.resize(step.depth);
        result.push_back({step.index, {tooDeep ? QStringList() : path, r.name, *r.telValue, 0}, tooDeep});
        if (r.isFolder()) {
            const auto& inside = children(step.index);
            for (auto c = inside.rbegin(); c != inside.rend(); ++c)
                stack.push_back({*c, step.depth + 1});
            if (step.depth < FolderPath::MaxDepth)
                path.append(r.name);
        }
    }
    return result;
}
