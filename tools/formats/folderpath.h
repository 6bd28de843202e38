#pragma once

#include <QString>
#include <QStringList>

// Folder paths as the tool prints and reads them: "/" for the top level,
// "/Work/Sales" below it. A name may hold any character, so inside a path a
// slash in a name is written "\/", a backslash "\\", and an empty name "\e";
// every path then names exactly one list of folders.
class FolderPath
{
public:
    // The most names a folder path from outside (a file's row or card, an
    // address book's card) may hold: far beyond any real tree, and a bound
    // on the folders a hostile path makes. parse() reads a path of any
    // depth; who takes one deeper refuses it.
    static constexpr qsizetype MaxDepth = 256;

    static QString format(const QStringList& names);
    // The leading slash may be left out, and empty steps ("//", a trailing
    // "/") are skipped, as people type paths that way.
    static QStringList parse(QStringView text);
};
