#include "store/recordset.h"

#include "store/database.h"
#include "store/fieldvalue.h"
#include "store/storeerror.h"

#include <QSqlError>
#include <QSqlRecord>

namespace store {

namespace {

QString quoted(const QString& identifier)
{
    QString text = identifier;
    text.replace(u'"', QStringLiteral("\"\""));
    return u'"' + text + u'"';
}

} // namespace

RecordSet::RecordSet(Database& database, const Statement& statement)
    : m_database(&database)
    , m_table(statement.table)
    , m_sql(statement.sql)
    , m_query(database.acquire(statement.sql))
    , m_firstField(statement.table.isEmpty() ? 0 : 1)
{
    // Deleting a folder deletes every row beneath it one at a time, a hundred
    // thousand in a big tree: the text is built once per set, not per row.
    if (!m_table.isEmpty())
        m_deleteSql = QStringLiteral("delete from %1 where rowid=?").arg(quoted(m_table));
    for (int i = 0; i < statement.values.size(); ++i)
        m_query.bindValue(i, statement.values.at(i));
    if (!m_query.exec()) {
        const StoreError error = StoreError::fromEngine(m_query.lastError(), database.fileName());
        close();
        throw error;
    }
    const QSqlRecord record = m_query.record();
    for (int i = m_firstField; i < record.count(); ++i)
        m_fields.append(record.fieldName(i));
    fetch();
}

RecordSet::~RecordSet()
{
    close();
}

RecordSet::RecordSet(RecordSet&& other) noexcept
    : m_database(std::exchange(other.m_database, nullptr))
    , m_table(std::move(other.m_table))
    , m_sql(std::move(other.m_sql))
    , m_deleteSql(std::move(other.m_deleteSql))
    , m_query(std::move(other.m_query))
    , m_fields(std::move(other.m_fields))
    , m_firstField(other.m_firstField)
    , m_eof(std::exchange(other.m_eof, true))
    , m_mode(std::exchange(other.m_mode, Mode::Browsing))
    , m_pending(std::move(other.m_pending))
{
}

RecordSet& RecordSet::operator=(RecordSet&& other) noexcept
{
    if (this != &other) {
        close();
        m_database = std::exchange(other.m_database, nullptr);
        m_table = std::move(other.m_table);
        m_sql = std::move(other.m_sql);
        m_deleteSql = std::move(other.m_deleteSql);
        m_query = std::move(other.m_query);
        m_fields = std::move(other.m_fields);
        m_firstField = other.m_firstField;
        m_eof = std::exchange(other.m_eof, true);
        m_mode = std::exchange(other.m_mode, Mode::Browsing);
        m_pending = std::move(other.m_pending);
    }
    return *this;
}

void RecordSet::close() noexcept
{
    if (m_database)
        m_database->release(m_sql, std::move(m_query));
    m_database = nullptr;
    m_eof = true;
}

void RecordSet::fetch()
{
    m_eof = !m_query.next();
    if (m_eof && m_query.lastError().isValid())
        throw StoreError::fromEngine(m_query.lastError(), m_database->fileName());
}

void RecordSet::MoveNext()
{
    requireRow();
    m_mode = Mode::Browsing;
    m_pending.clear();
    fetch();
}

int RecordSet::FieldIndex(QStringView name) const
{
    for (int i = 0; i < m_fields.size(); ++i) {
        if (QStringView(m_fields.at(i)).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    throw StoreError(QStringLiteral("no such field: ") + name.toString());
}

void RecordSet::requireRow() const
{
    if (m_eof)
        throw StoreError(QStringLiteral("no current row"));
}

QString RecordSet::Field(QStringView name) const
{
    return Text(FieldIndex(name));
}

QString RecordSet::Text(int index) const
{
    return FieldValue::text(stored(index));
}

QVariant RecordSet::Value(int index) const
{
    return FieldValue::normalized(stored(index));
}

QVariant RecordSet::stored(int index) const
{
    requireRow();
    if (index < 0 || index >= m_fields.size())
        throw StoreError(QStringLiteral("no such field: %1").arg(index));
    return m_query.value(index + m_firstField);
}

void RecordSet::AddNew()
{
    if (m_table.isEmpty())
        throw StoreError(QStringLiteral("this result set cannot be updated"));
    m_mode = Mode::Adding;
    m_pending.clear();
}

void RecordSet::Edit()
{
    if (m_table.isEmpty())
        throw StoreError(QStringLiteral("this result set cannot be updated"));
    requireRow();
    m_mode = Mode::Editing;
    m_pending.clear();
}

void RecordSet::SetField(QStringView name, const QVariant& value)
{
    if (m_mode == Mode::Browsing)
        throw StoreError(QStringLiteral("neither a new row nor an edit was begun"));
    const int index = FieldIndex(name);
    for (auto& pending : m_pending) {
        if (pending.first == index) {
            pending.second = value;
            return;
        }
    }
    m_pending.append({index, value});
}

void RecordSet::Update()
{
    QStringList columns;
    QVariantList values;
    for (const auto& [index, value] : m_pending) {
        columns.append(quoted(m_fields.at(index)));
        values.append(value);
    }
    if (m_mode == Mode::Adding) {
        const QString marks = QStringList(columns.size(), QStringLiteral("?")).join(u',');
        run(QStringLiteral("insert into %1 (%2) values (%3)")
                .arg(quoted(m_table), columns.join(u','), marks),
            values);
    } else if (m_mode == Mode::Editing) {
        requireRow();
        if (!columns.isEmpty()) {
            values.append(m_query.value(0));
            run(QStringLiteral("update %1 set %2=? where rowid=?")
                    .arg(quoted(m_table), columns.join(QStringLiteral("=?,"))),
                values);
        }
    } else {
        throw StoreError(QStringLiteral("neither a new row nor an edit was begun"));
    }
    m_mode = Mode::Browsing;
    m_pending.clear();
}

void RecordSet::Delete()
{
    if (m_table.isEmpty())
        throw StoreError(QStringLiteral("this result set cannot be updated"));
    requireRow();
    run(m_deleteSql, {m_query.value(0)});
    m_mode = Mode::Browsing;
    m_pending.clear();
}

void RecordSet::run(const QString& sql, const QVariantList& values)
{
    m_database->execute(sql, values);
}

} // namespace store
