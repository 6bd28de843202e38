#include "store/statements.h"

#include <limits>

namespace store {

namespace {
const QString Book = QStringLiteral("book");
}

Statement Statements::MaxCode()
{
    // Only whole-number codes count, whether stored as integers or as reals
    // (a file converted from Jet keeps them as reals): a text code in a
    // damaged file sorts above every number and would start the counter at 1
    // again, and skipping the reals would hand out codes that are taken. A
    // real that is not whole, or beyond the integers, is no code: its cast
    // differs from it. max of the column itself, so that the engine reads
    // the code key backwards and stops at the first row that counts.
    return {QString(),
            QStringLiteral("select max(code) as mm from book "
                           "where typeof(code) in ('integer', 'real') and cast(code as integer) = code"),
            {}};
}

Statement Statements::Folders(qint64 parent)
{
    return {Book, QStringLiteral("select rowid, * from book where (tel=0) and (parent=?)"), {parent}};
}

Statement Statements::Folder(qint64 code, qint64 parent)
{
    return {Book, QStringLiteral("select rowid, * from book where (code=?) and (tel=0) and (parent=?)"),
            {code, parent}};
}

Statement Statements::Telephones(qint64 parent)
{
    return {Book, QStringLiteral("select rowid, * from book where (tel<>0) and (parent=?)"), {parent}};
}

Statement Statements::Record(qint64 code)
{
    return {Book, QStringLiteral("select rowid, * from book where code=?"), {code}};
}

Statement Statements::Telephone(const QString& name, const QString& tel, qint64 parent)
{
    // The grid shows a freshly typed number as typed ("0012"); compare it as
    // the number the column holds. Text that is no number (a damaged record)
    // is compared as the text shown.
    const auto number = integer(tel);
    const QVariant telValue = number ? QVariant(*number) : QVariant(tel);
    return {Book,
            QStringLiteral("select rowid, * from book where (name=?) and (tel=?) and (parent=?)"),
            {name, telValue, parent}};
}

Statement Statements::Contents(qint64 code)
{
    return {Book, QStringLiteral("select rowid, * from book where parent=?"), {code}};
}

Statement Statements::RowNumbers()
{
    return {QString(), QStringLiteral("select rowid from book where 0"), {}};
}

Statement Statements::Fields()
{
    return {QString(), QStringLiteral("select code, name, tel, parent from book where 0"), {}};
}

QStringList Statements::Indexes()
{
    return {QStringLiteral("create index if not exists book_parent on book (parent)"),
            QStringLiteral("create index if not exists book_folders on book (parent) where tel=0")};
}

Statement Statements::RecordCount()
{
    return {QString(), QStringLiteral("select count(*) from book"), {}};
}

Statement Statements::AllRecords()
{
    return {QString(),
            QStringLiteral("select rowid, code, name, tel, parent, 1 from book order by rowid"),
            {}};
}

Statement Statements::Update(qint64 rowid, std::optional<qint64> code, std::optional<qint64> tel,
                             std::optional<qint64> parent, const std::optional<QString>& name)
{
    // Only the columns given: the others keep whatever they hold, which a
    // repair may not be able to read back as it was.
    QStringList columns;
    QVariantList values;
    const auto set = [&](const char* column, const QVariant& value) {
        columns.append(QLatin1String(column) + QStringLiteral("=?"));
        values.append(value);
    };
    if (code)
        set("code", *code);
    if (tel)
        set("tel", *tel);
    if (parent)
        set("parent", *parent);
    if (name)
        set("name", *name);
    values.append(rowid);
    return {QString(), QStringLiteral("update book set %1 where rowid=?").arg(columns.join(u',')), values};
}

Statement Statements::DeleteRow(qint64 rowid)
{
    return {QString(), QStringLiteral("delete from book where rowid=?"), {rowid}};
}

Statement Statements::IntegrityCheck()
{
    return {QString(), QStringLiteral("pragma integrity_check"), {}};
}

QString Statements::Reindex()
{
    return QStringLiteral("reindex");
}

QString Statements::CreateTable()
{
    return QStringLiteral("create table book (code INTEGER PRIMARY KEY, name TEXT, tel INTEGER, parent INTEGER)");
}

Statement Statements::Candidates(const std::optional<QString>& namePattern, const std::optional<QString>& digits)
{
    const QVariant pattern = namePattern ? QVariant(*namePattern) : QVariant();
    const QVariant number = digits ? QVariant(*digits) : QVariant();
    // A readable entry is one whose number is a positive whole number,
    // stored as an integer or a whole real; only those may be left out. A
    // name's length in characters and in bytes differ when it holds any
    // character outside ASCII. A null pattern or digits match nothing, never
    // "unknown", which would leave a record out of both halves.
    const QString candidate = QStringLiteral(
        "(not ((typeof(tel) = 'integer' and tel > 0) or (typeof(tel) = 'real' and tel > 0 and tel = cast(tel as integer))) "
        "or coalesce(name like ? escape '\\', 0) or coalesce(length(name) <> length(cast(name as blob)), 0) "
        "or coalesce(instr(tel, ?), 0) > 0)");
    // The left-out half in table order, not by the parent index: one read
    // of the table instead of one lookup for each row.
    return {QString(),
            QStringLiteral("select rowid, code, name, tel, parent, 1 from book where %1 "
                           "union all select null, null, null, null, parent, count(*) from book not indexed where not %1 "
                           "group by parent order by 1")
                .arg(candidate),
            {pattern, number, pattern, number}};
}

QStringList Statements::Schema()
{
    return QStringList{CreateTable()} + Indexes();
}

Statement Statements::Insert(qint64 code, const QString& name, const QVariant& tel, const QVariant& parent)
{
    return {QString(), QStringLiteral("insert into book (code, name, tel, parent) values (?, ?, ?, ?)"),
            {code, name, tel, parent}};
}

std::optional<qint64> Statements::integer(QStringView digits)
{
    if (digits.isEmpty())
        return std::nullopt;
    qint64 value = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const int d = c.unicode() - u'0';
        if (value > (std::numeric_limits<qint64>::max() - d) / 10)
            return std::nullopt;
        value = value * 10 + d;
    }
    return value;
}

} // namespace store
