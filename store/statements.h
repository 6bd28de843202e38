#pragma once

#include "store/statement.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace store {

// Every statement the directory issues against table `book`, built in one place.
class Statements
{
public:
    // One row whose column `mm` is the largest code, null for an empty table.
    static Statement MaxCode();
    // The folders directly inside `parent` (0 is the top level).
    static Statement Folders(qint64 parent);
    // The folder `code` as listed inside `parent`: the one row a command on a
    // listed folder acts on, even where a damaged file repeats the code.
    static Statement Folder(qint64 code, qint64 parent);
    // The telephone entries directly inside `parent`.
    static Statement Telephones(qint64 parent);
    // The record with this code (the folder left when going up a level).
    static Statement Record(qint64 code);
    // The entries of `parent` showing this name and number.
    static Statement Telephone(const QString& name, const QString& tel, qint64 parent);
    // Everything directly inside the folder `code`.
    static Statement Contents(qint64 code);

    // Names the four fields and yields no row: fails, with the engine's
    // message naming the field, on a `book` that lacks one.
    static Statement Fields();
    // Yields no row, and fails on a `book` made WITHOUT ROWID.
    static Statement RowNumbers();

    // The indexes that keep listing and deleting quick on a directory of any
    // size: every record by its folder, and the folders alone by theirs.
    // Each statement creates its index only where it is missing.
    static QStringList Indexes();
    // One row: how many records there are.
    static Statement RecordCount();
    // Every record with its row number, in row order, each value in the
    // storage class it was written in: the whole table at one moment, for
    // the tool's walks. A sixth column, 1, is the number of records a row
    // stands for, as in Candidates().
    static Statement AllRecords();
    // The same walk narrowed for a search: every folder and every record
    // whose number is no positive whole number, and of the entries those
    // whose name is LIKE `namePattern` (a null pattern matches none), whose
    // name holds a character outside ASCII, or whose number holds `digits`
    // (null: none); then, with a null row number, one row for each
    // folder code with how many entries of it were left out. A superset of
    // what folds to a match: the caller checks each record.
    static Statement Candidates(const std::optional<QString>& namePattern, const std::optional<QString>& digits);
    // Sets the values given of the record with row number `rowid`.
    static Statement Update(qint64 rowid, std::optional<qint64> code, std::optional<qint64> tel,
                            std::optional<qint64> parent, const std::optional<QString>& name);
    // Deletes the record with row number `rowid`.
    static Statement DeleteRow(qint64 rowid);
    // The engine's own check of the file: one row "ok", or one per fault.
    static Statement IntegrityCheck();
    // Rebuilds every index from the table.
    static QString Reindex();

    // Table `book`, for a new directory file.
    static QString CreateTable();
    // The table and its indexes.
    static QStringList Schema();
    // A new record. `tel` and `parent` as they are to be stored: normally
    // integers, though a repair may keep a value it cannot read.
    static Statement Insert(qint64 code, const QString& name, const QVariant& tel, const QVariant& parent);

    // The value a text of plain decimal digits stands for, as the integer
    // columns store it ("0123" is 123). Empty, signed, spaced or too large
    // text has none. Any such value, 0 and codes included: what may be
    // stored as a telephone number is TelephoneNumber's narrower rule.
    static std::optional<qint64> integer(QStringView digits);
};

} // namespace store
