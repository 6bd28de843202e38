#pragma once

#include <QString>

// What a CSV header cell says its column holds, told by the words in it
// rather than by one program's list of columns, so that a file whose header
// no known program wrote, or mixes two programs' names, is still read: a
// telephone number of some kind ("Home Phone 2", "Telefon geschäftlich",
// "Handy", "Téléphone mobile"), or one part of a name ("first_name",
// "Nachname", "Company"). The words are those of English, German, French,
// Spanish and Italian exports.
class ColumnMeaning
{
public:
    enum class Part { None, Telephone, Formatted, Given, Middle, Family, Organization, Nickname };

    Part part = Part::None;
    // A telephone's kind: "mobile", "home", "work", "fax", "pager", "main",
    // "other", else the header's words besides the telephone's ("car",
    // "video") where they are few and short, else empty.
    QString kind;

    static ColumnMeaning of(const QString& header);
};
