#include "checker.h"

#include "phonenumber.h"
#include "tree.h"

#include "store/database.h"
#include "store/fieldvalue.h"
#include "store/recordset.h"

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
    return QStringLiteral("\"%1\" (row %2, code %3)").arg(r.name).arg(r.rowid).arg(shown(r.code));
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

// What a `tel` value that is no valid number becomes: the number it spells,
// or a folder (0), with a note for the name when a value would be lost.
std::pair<qint64, QString> repairedTel(const QVariant& value)
{
    if (value.isNull())
        return {0, QString()};
    // A whole real is read as the integer it is already; a real here is a
    // fraction or beyond every integer, and is kept in the name.
    if (value.typeId() != QMetaType::Double && value.typeId() != QMetaType::QByteArray) {
        const QString text = value.toString();
        if (text.trimmed().isEmpty())
            return {0, QString()};
        if (const auto number = PhoneNumber::value(text))
            return {*number, QString()};
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
                                                     .arg(code)
                                                     .arg(rows.size())
                                                     .arg(names.join(QStringLiteral(", ")))});
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
    const store::Statement check{QString(), QStringLiteral("pragma integrity_check"), {}};
    for (store::RecordSet rows = database.OpenRecordset(check); !rows.Eof(); rows.MoveNext()) {
        const QString message = rows.Text(0);
        if (message != u"ok")
            messages.append(message);
    }
    return messages;
}

Checker::Plan Checker::plan(const Tree& tree, bool integrityFailed)
{
    const auto& records = tree.records();
    const size_t count = records.size();
    struct Working
    {
        std::optional<qint64> code;
        qint64 tel = 0;
        std::optional<qint64> parent;
        QString name;
    };
    std::vector<Working> w(count);
    Plan plan;
    plan.reindex = integrityFailed;
    if (integrityFailed)
        plan.actions.append(QStringLiteral("rebuilt the indexes"));

    for (size_t i = 0; i < count; ++i) {
        const Tree::Record& r = records[i];
        w[i] = {r.codeValue, r.telValue.value_or(0), r.parentValue, r.name};
        if (r.telValue)
            continue;
        const auto [tel, note] = repairedTel(r.tel);
        w[i].tel = tel;
        w[i].name += note;
        if (tel != 0)
            plan.actions.append(QStringLiteral("%1: number %2 stored as %3").arg(describe(r), shown(r.tel)).arg(tel));
        else if (note.isEmpty())
            plan.actions.append(QStringLiteral("%1: had no number; made a folder").arg(describe(r)));
        else
            plan.actions.append(QStringLiteral("%1: number %2 %3; made a folder named \"%4\"")
                                    .arg(describe(r), shown(r.tel),
                                         notAnInteger(r.tel, QStringLiteral("is no number")), w[i].name));
    }

    qint64 next = tree.maxCode().value_or(0) + 1;
    std::map<qint64, std::vector<size_t>> byCode;
    for (size_t i = 0; i < count; ++i) {
        if (w[i].code)
            byCode[*w[i].code].push_back(i);
    }
    QHash<qint64, size_t> holder;
    for (auto& [code, rows] : byCode) {
        // A folder keeps a shared code, so that what names it as its folder
        // stays inside it.
        const auto keeper = std::find_if(rows.begin(), rows.end(), [&](size_t i) { return w[i].tel == 0; });
        const size_t kept = keeper == rows.end() ? rows.front() : *keeper;
        holder.insert(code, kept);
        for (const size_t i : rows) {
            if (i == kept)
                continue;
            w[i].code = next++;
            plan.actions.append(QStringLiteral("%1: code %2 was taken; given code %3")
                                    .arg(describe(records[i]))
                                    .arg(code)
                                    .arg(*w[i].code));
        }
    }
    for (size_t i = 0; i < count; ++i) {
        if (!records[i].codeValue) {
            w[i].code = next++;
            holder.insert(*w[i].code, i);
            plan.actions.append(QStringLiteral("%1: given code %2").arg(describe(records[i])).arg(*w[i].code));
        }
    }

    std::optional<qint64> recovered;
    for (size_t i = 0; i < count; ++i) {
        if (w[i].parent == 0 && w[i].tel == 0 && w[i].name == RecoveredName && (!recovered || *w[i].code < *recovered))
            recovered = w[i].code;
    }
    auto recover = [&]() {
        if (!recovered) {
            recovered = next++;
            plan.newRecovered = recovered;
            plan.actions.append(QStringLiteral("made the folder /%1 (code %2)").arg(RecoveredName).arg(*recovered));
        }
        return *recovered;
    };
    auto isFolder = [&](qint64 code) {
        const auto it = holder.constFind(code);
        return it != holder.cend() && w[*it].tel == 0;
    };

    for (size_t i = 0; i < count; ++i) {
        const auto p = w[i].parent;
        if (p && (*p == 0 || isFolder(*p)))
            continue;
        w[i].parent = recover();
        plan.actions.append(QStringLiteral("%1: moved into /%2, as its folder %3 %4")
                                .arg(describe(records[i]), RecoveredName, shown(records[i].parent),
                                     p && holder.contains(*p) ? QStringLiteral("is not a folder")
                                                              : QStringLiteral("does not exist")));
    }

    std::vector<std::optional<size_t>> links(count);
    for (size_t i = 0; i < count; ++i) {
        if (w[i].parent && *w[i].parent != 0) {
            const auto it = holder.constFind(*w[i].parent);
            if (it != holder.cend())
                links[i] = *it;
        }
    }
    for (const auto& cycle : cycles(links)) {
        const size_t lowest = *std::min_element(cycle.begin(), cycle.end(),
                                                [&](size_t a, size_t b) { return *w[a].code < *w[b].code; });
        w[lowest].parent = recover();
        plan.actions.append(QStringLiteral("%1: moved into /%2 with everything inside it, which was cut off in a cycle")
                                .arg(describe(records[lowest]), RecoveredName));
    }

    for (size_t i = 0; i < count; ++i) {
        const Tree::Record& r = records[i];
        Change change{r.rowid, {}, {}, {}, {}};
        if (w[i].code != r.codeValue)
            change.code = w[i].code;
        if (w[i].tel != r.telValue)
            change.tel = w[i].tel;
        if (w[i].parent != r.parentValue)
            change.parent = w[i].parent;
        if (w[i].name != r.name)
            change.name = w[i].name;
        if (change.code || change.tel || change.parent || change.name)
            plan.changes.push_back(change);
    }
    return plan;
}

void Checker::apply(store::Database& database, const Plan& plan)
{
    for (const Change& change : plan.changes) {
        QStringList columns;
        QVariantList values;
        if (change.code) {
            columns.append(QStringLiteral("code=?"));
            values.append(*change.code);
        }
        if (change.tel) {
            columns.append(QStringLiteral("tel=?"));
            values.append(*change.tel);
        }
        if (change.parent) {
            columns.append(QStringLiteral("parent=?"));
            values.append(*change.parent);
        }
        if (change.name) {
            columns.append(QStringLiteral("name=?"));
            values.append(*change.name);
        }
        values.append(change.rowid);
        database.execute(QStringLiteral("update book set %1 where rowid=?").arg(columns.join(u',')), values);
    }
    if (plan.newRecovered)
        database.execute(QStringLiteral("insert into book (code, name, tel, parent) values (?, ?, 0, 0)"),
                         {*plan.newRecovered, RecoveredName});
    if (plan.reindex)
        database.execute(QStringLiteral("reindex"));
}
