#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What an import takes from one card or one row, before its numbers are read:
// the parts a name can be made of, where it goes, and each number with its
// kind as the file gives it.
struct Contact
{
    struct Name
    {
        QString formatted; // FN, Google's Name, Thunderbird's Display Name
        QString prefix, given, middle, family, suffix;
        QString organization, nickname, email;

        // FN; else the parts put together (prefix, given, middle, family,
        // suffix); else the organisation, the nickname, the e-mail address.
        // Empty when none of them holds more than blanks.
        QString chosen() const;
    };
    struct Phone
    {
        QString text; // as written
        // "mobile", "home", "work", "fax", "pager", "main", "other", or the
        // file's own label ("Praxis"); empty when the file says nothing.
        QString kind;
        int line = 0;
    };

    int line = 0; // where the card or row starts
    Name name;
    // The tool's own name column, taken as it stands, empty or not: what the
    // directory held when it was exported.
    bool exactName = false;
    QStringList folder; // names from the top level down
    bool isFolder = false; // a folder row or group card rather than an entry
    QList<Phone> phones;
};
