#pragma once

#include <QString>
#include <QVariantList>

namespace store {

// A query text with its values kept apart: values are always bound, never
// spliced into the text, so no name a user types can change a statement.
struct Statement
{
    // The table a result set of this statement can write to, or empty for a
    // read-only result. A writable statement selects the table's rowid as its
    // first column: rows are edited and deleted by it, never by matching
    // their values again.
    QString table;
    QString sql;
    QVariantList values; // bound in order to the statement's '?' placeholders
};

} // namespace store
