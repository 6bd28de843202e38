#include "tools/directory/checker.h"

#include "tools/directory/tree.h"
#include "tools/formats/numberreader.h"

#include "store/database.h"
#include "store/fieldvalue.h"
#include "store/recordset.h"
#include "store/statements.h"

#include <QHash>

#include <algorithm>
#include <cmath>
#include <map>

namespace {

// A stored value as the user can tell its kind: text in quotes, so that
// "12" and 12 differ, and blobs in hexadecimal.
QString shown(const QVariant& value)
{
    if (value.isNull())
        return QStringLiteral("(none)");
    if (value.typeId() == QMetaType::QByteArray)
        return QStringLiteral("x'%1'").arg(QString::fromLatin1(value.toByteArray().toHex()));
    if (value.typeId() == QMetaType::QString)
        return u'"' + value.toString() + u'"';
    return store::FieldValue::text(value);
}

// A real that is not a whole number: no code and no telephone number, and
// said so, since it looks like a number to the user.
bool fraction(const QVariant& value)
{
    if (value.typeId() != QMetaType::Double)
        return false;
    const double real = value.toDouble();
    return std::isfinite(real) && std::trunc(real) != real;
}

// Why a value is no code or number: `otherwise` unless it is a fraction.
QString notAnInteger(const QVariant& value, const QString& otherwise = QStringLiteral("is not a positive integer"))
{
    return fraction(value) ? QStringLiteral("is not a whole number") : otherwise;
}

QString describe(const Tree::Record& r)
{
    if (r.codeValue)
        return QStringLiteral("%1 \"%2\"").arg(*r.codeValue).arg(r.name);
    return QStringLiteral("\"%1\" (row %2, code %3)").arg(r.name, QString::number(r.rowid), shown(r.code));
}

// Walks the links `next` (one per node, or none) and returns each cycle once,
// in link order starting from its lowest node.
std::vector<std::vector<size_t>> cycles(const std::vector<std::optional<size_t>>& next)
{
    std::vector<std::vector<size_t>> found;
    std::vector<int> state(next.size(), 0); // 0 new, 1 on the current walk, 2 done
    for (size_t start = 0; start < next.size(); ++start) {
        std::vector<size_t> walk;
        std::optional<size_t> at = start;
        while (at && state[*at] == 0) {
            state[*at] = 1;
            walk.push_back(*at);
            at = next[*at];
        }
        if (at && state[*at] == 1) {
            const auto from = std::find(walk.begin(), walk.end(), *at);
            std::vector<size_t> cycle(from, walk.end());
            std::rotate(cycle.begin(), std::min_element(cycle.begin(), cycle.end()), cycle.end());
            found.push_back(std::move(cycle));
        }
        for (const size_t i : walk)
            state[i] = 2;
    }
    return found;
}

// Links from each record to the folder it names, where that is a folder.
std::vector<std::optional<size_t>> folderLinks(const Tree& tree)
{
    const auto& records = tree.records();
    std::vector<std::optional<size_t>> next(records.size());
    for (size_t i = 0; i < records.size(); ++i) {
        const auto p = records[i].parentValue;
        if (!p || *p == 0)
            continue;
        const auto h = tree.holder(*p);
        if (h && records[*h].isFolder())
            next[i] = *h;
    }
    return next;
}

// What a `tel` value that is no valid number becomes: the number it is
// written as, read as an import reads it, or a folder (0), with a note for
// the name when anything would be lost: the extension of a number, or the
// whole value.
std::pair<qint64, QString> repairedTel(const QVariant& value, const NumberReader& numbers)
{
    if (value.isNull())
        return {0, QString()};
    // A whole real is read as the integer it is already; a real here is a
    // fraction or beyond every integer, and is kept in the name.
    if (value.typeId() != QMetaType::Double && value.typeId() != QMetaType::QByteArray) {
        const QString text = value.toString();
        if (text.trimmed().isEmpty())
            return {0, QString()};
        const NumberReader::Reading reading = numbers.read(text);
        if (reading.value)
            return {*reading.value,
                    reading.extension.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(reading.extension)};
    }
    const bool text = value.typeId() == QMetaType::QString;
    return {0, QStringLiteral(" [tel: %1]").arg(text ? value.toString() : shown(value))};
}

} // namespace

std::vector<Checker::Problem> Checker::structure(const Tree& tree)
{
    using Kind = Problem::Kind;
    std::vector<Problem> problems;
    const auto& records = tree.records();

    std::map<qint64, std::vector<size_t>> byCode;
    for (size_t i = 0; i < records.size(); ++i) {
        const Tree::Record& r = records[i];
        if (r.codeValue)
            byCode[*r.codeValue].push_back(i);
        else
            problems.push_back({Kind::BadCode, QStringLiteral("%1: the code %2").arg(describe(r), notAnInteger(r.code))});
    }
    for (const auto& [code, rows] : byCode) {
        if (rows.size() < 2)
            continue;
        QStringList names;
        for (const size_t i : rows)
            names.append(QStringLiteral("\"%1\"").arg(records[i].name));
        problems.push_back({Kind::DuplicateCode, QStringLiteral("code %1 is used by %2 records: %3")
                                                     .arg(QString::number(code), QString::number(rows.size()),
                                                          names.join(QStringLiteral(", ")))});
    }
    for (const Tree::Record& r : records) {
        if (!r.telValue)
            problems.push_back({Kind::BadTel, QStringLiteral("%1: the number %2 %3")
                                                  .arg(describe(r), shown(r.tel), notAnInteger(r.tel))});
    }
    for (const Tree::Record& r : records) {
        if (!r.parentValue) {
            problems.push_back({Kind::MissingParent,
                                QStringLiteral("%1: its folder %2 %3")
                                    .arg(describe(r), shown(r.parent),
                                         notAnInteger(r.parent, QStringLiteral("is not a code")))});
        } else if (*r.parentValue != 0) {
            const auto h = tree.holder(*r.parentValue);
            if (!h)
                problems.push_back({Kind::MissingParent, QStringLiteral("%1: its folder %2 does not exist")
                                                             .arg(describe(r))
                                                             .arg(*r.parentValue)});
            else if (!records[*h].isFolder())
                problems.push_back({Kind::ParentNotFolder, QStringLiteral("%1: its folder %2 is not a folder")
                                                               .arg(describe(r), describe(records[*h]))});
        }
    }
    for (const auto& cycle : cycles(folderLinks(tree))) {
        QStringList members;
        for (const size_t i : cycle)
            members.append(describe(records[i]));
        members.append(describe(records[cycle.front()]));
        problems.push_back({Kind::Cycle, QStringLiteral("folders inside each other, cut off from the top: %1")
                                             .arg(members.join(QStringLiteral(" in ")))});
    }
    return problems;
}

QStringList Checker::integrity(store::Database& database)
{
    QStringList messages;
    for (store::RecordSet rows = database.OpenRecordset(store::Statements::IntegrityCheck()); !rows.Eof();
         rows.MoveNext()) {
        const QString message = rows.Text(0);
        if (message != u"ok")
            messages.append(message);
    }
    return messages;
}

namespace {

// A repair worked out step by step on a copy of each record's values, the
// plan recording every change as it is decided.
class Repair
{
public:
    Repair(const Tree& tree, Checker::Plan& plan)
        : m_records(tree.records())
        , m_plan(plan)
        , m_next(tree.maxCode().value_or(0) + 1)
    {
        for (const Tree::Record& r : m_records)
            m_w.push_back({r.codeValue, r.telValue.value_or(0), r.parentValue, r.name});
    }

    // Numbers that can be read as numbers become them, with an extension
    // kept in the name; other values make the record a folder whose name
    // keeps the old value.
    void repairNumbers(const NumberReader& numbers)
    {
        for (size_t i = 0; i < m_records.size(); ++i) {
            const Tree::Record& r = m_records[i];
            if (r.telValue)
                continue;
            const auto [tel, note] = repairedTel(r.tel, numbers);
            m_w[i].tel = tel;
            m_w[i].name += note;
            if (tel != 0 && note.isEmpty())
                noteAction(QStringLiteral("%1: number %2 stored as %3").arg(describe(r), shown(r.tel), QString::number(tel)));
            else if (tel != 0)
                noteAction(QStringLiteral("%1: number %2 stored as %3, the rest kept in the name \"%4\"")
                               .arg(describe(r), shown(r.tel), QString::number(tel), m_w[i].name));
            else if (note.isEmpty())
                noteAction(QStringLiteral("%1: had no number; made a folder").arg(describe(r)));
            else
                noteAction(QStringLiteral("%1: number %2 %3; made a folder named \"%4\"")
                          .arg(describe(r), shown(r.tel), notAnInteger(r.tel, QStringLiteral("is no number")),
                               m_w[i].name));
        }
    }

    // Every code used twice or unusable gets a new one; a folder keeps a
    // shared code, so that what names it as its folder stays inside it.
    void renumber()
    {
        std::map<qint64, std::vector<size_t>> byCode;
        for (size_t i = 0; i < m_w.size(); ++i) {
            if (m_w[i].code)
                byCode[*m_w[i].code].push_back(i);
        }
        for (auto& [code, rows] : byCode) {
            const auto keeper = std::find_if(rows.begin(), rows.end(), [&](size_t i) { return m_w[i].tel == 0; });
            const size_t kept = keeper == rows.end() ? rows.front() : *keeper;
            m_holder.insert(code, kept);
            for (const size_t i : rows) {
                if (i == kept)
                    continue;
                m_w[i].code = m_next++;
                noteAction(QStringLiteral("%1: code %2 was taken; given code %3")
                          .arg(describe(m_records[i]), QString::number(code), QString::number(*m_w[i].code)));
            }
        }
        for (size_t i = 0; i < m_w.size(); ++i) {
            if (!m_records[i].codeValue) {
                m_w[i].code = m_next++;
                m_holder.insert(*m_w[i].code, i);
                noteAction(QStringLiteral("%1: given code %2").arg(describe(m_records[i]), QString::number(*m_w[i].code)));
            }
        }
    }

    // Records whose folder is missing or no folder move into "Recovered".
    void rehomeOrphans()
    {
        for (size_t i = 0; i < m_w.size(); ++i) {
            if (m_w[i].parent == 0 && m_w[i].tel == 0 && m_w[i].name == Checker::RecoveredName
                && (!m_recovered || *m_w[i].code < *m_recovered))
                m_recovered = m_w[i].code;
        }
        for (size_t i = 0; i < m_w.size(); ++i) {
            const auto p = m_w[i].parent;
            if (p && (*p == 0 || isFolder(*p)))
                continue;
            m_w[i].parent = recovered();
            noteAction(QStringLiteral("%1: moved into /%2, as its folder %3 %4")
                      .arg(describe(m_records[i]), Checker::RecoveredName, shown(m_records[i].parent),
                           p && m_holder.contains(*p) ? QStringLiteral("is not a folder")
                                                      : QStringLiteral("does not exist")));
        }
    }

    // Each cycle is cut by moving its lowest code into "Recovered" too.
    void breakCycles()
    {
        std::vector<std::optional<size_t>> links(m_w.size());
        for (size_t i = 0; i < m_w.size(); ++i) {
            if (m_w[i].parent && *m_w[i].parent != 0) {
                const auto it = m_holder.constFind(*m_w[i].parent);
                if (it != m_holder.cend())
                    links[i] = *it;
            }
        }
        for (const auto& cycle : cycles(links)) {
            const size_t lowest = *std::min_element(cycle.begin(), cycle.end(),
                                                    [&](size_t a, size_t b) { return *m_w[a].code < *m_w[b].code; });
            m_w[lowest].parent = recovered();
            noteAction(QStringLiteral("%1: moved into /%2 with everything inside it, which was cut off in a cycle")
                      .arg(describe(m_records[lowest]), Checker::RecoveredName));
        }
    }

    // The rows whose values differ from those stored.
    void collectChanges()
    {
        for (size_t i = 0; i < m_w.size(); ++i) {
            const Tree::Record& r = m_records[i];
            Checker::Change change{r.rowid, {}, {}, {}, {}};
            if (m_w[i].code != r.codeValue)
                change.code = m_w[i].code;
            if (m_w[i].tel != r.telValue)
                change.tel = m_w[i].tel;
            if (m_w[i].parent != r.parentValue)
                change.parent = m_w[i].parent;
            if (m_w[i].name != r.name)
                change.name = m_w[i].name;
            if (change.code || change.tel || change.parent || change.name)
                m_plan.changes.push_back(change);
        }
    }

private:
    struct Working
    {
        std::optional<qint64> code;
        qint64 tel = 0;
        std::optional<qint64> parent;
        QString name;
    };

    void noteAction(const QString& action) { m_plan.actions.append(action); }

    // The folder records are moved into: one already at the top level, or
    // one made the first time it is needed.
    qint64 recovered()
    {
        if (!m_recovered) {
            m_recovered = m_next++;
            m_plan.newRecovered = m_recovered;
            noteAction(QStringLiteral("made the folder /%1 (code %2)").arg(Checker::RecoveredName).arg(*m_recovered));
        }
        return *m_recovered;
    }

    bool isFolder(qint64 code) const
    {
        const auto it = m_holder.constFind(code);
        return it != m_holder.cend() && m_w[*it].tel == 0;
    }

    const std::vector<Tree::Record>& m_records;
    Checker::Plan& m_plan;
    std::vector<Working> m_w;
    qint64 m_next;
    QHash<qint64, size_t> m_holder; // the record each code names, once renumbered
    std::optional<qint64> m_recovered;
};

} // namespace

Checker::Plan Checker::plan(const Tree& tree, bool integrityFailed, const QString& region)
{
    Plan plan;
    plan.reindex = integrityFailed;
    if (integrityFailed)
        plan.actions.append(QStringLiteral("rebuilt the indexes"));
    Repair repair(tree, plan);
    repair.repairNumbers(NumberReader(region));
    repair.renumber();
    repair.rehomeOrphans();
    repair.breakCycles();
    repair.collectChanges();
    return plan;
}

void Checker::apply(store::Database& database, const Plan& plan)
{
    for (const Change& change : plan.changes)
        database.execute(store::Statements::Update(change.rowid, change.code, change.tel, change.parent, change.name));
    if (plan.newRecovered)
        database.execute(store::Statements::Insert(*plan.newRecovered, RecoveredName, 0, 0));
    if (plan.reindex)
        database.execute(store::Statements::Reindex());
}
