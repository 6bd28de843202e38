#pragma once

#include "store/statement.h"

#include <QList>
#include <QPair>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace store {

class Database;

// The rows of one statement, walked forward one at a time, through which rows
// of its table are appended, edited and deleted. Several may be open at once;
// deleting the current row and moving on continues with the row that followed.
class RecordSet
{
public:
    // Runs the statement; the set is on its first row, or at its end when empty.
    RecordSet(Database& database, const Statement& statement);
    ~RecordSet();

    RecordSet(RecordSet&& other) noexcept;
    RecordSet& operator=(RecordSet&& other) noexcept;
    RecordSet(const RecordSet&) = delete;
    RecordSet& operator=(const RecordSet&) = delete;

    bool Eof() const { return m_eof; }
    void MoveNext();

    // Field names match without regard to case; a name the statement does not
    // yield raises StoreError.
    int FieldIndex(QStringView name) const;
    // The current row's value as text (null reads as the empty text), a
    // number as plain digits. Value gives a whole-number real as an integer.
    QString Field(QStringView name) const;
    QString Text(int index) const;
    QVariant Value(int index) const;

    // Begin a new row, or begin editing the current one; SetField fills it and
    // Update stores it. Delete removes the current row at once.
    void AddNew();
    void Edit();
    void SetField(QStringView name, const QVariant& value);
    void Update();
    void Delete();

private:
    enum class Mode { Browsing, Adding, Editing };

    void close() noexcept;
    void fetch();
    void requireRow() const;
    QVariant stored(int index) const; // the current row's value as the engine gives it
    void run(const QString& sql, const QVariantList& values);

    Database* m_database = nullptr;
    QString m_table;
    QString m_sql;
    QString m_deleteSql;
    QSqlQuery m_query;
    QStringList m_fields;  // the statement's columns, without the row key
    int m_firstField = 0;  // 1 when column 0 holds the row key
    bool m_eof = true;
    Mode m_mode = Mode::Browsing;
    QList<QPair<int, QVariant>> m_pending;
};

} // namespace store
