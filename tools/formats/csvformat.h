#pragma once

#include "tools/formats/contact.h"
#include "tools/formats/csvlayout.h"
#include "tools/formats/flatrecord.h"
#include "tools/formats/importreport.h"

#include <QByteArray>

#include <functional>
#include <optional>
#include <vector>

class QIODevice;

// RFC 4180 text with the columns path,name,tel: one row for each folder (with
// an empty tel) and each entry, every folder before what it holds.
//
// Written as spreadsheets read it without asking: UTF-8 with a byte-order mark
// (without which Excel takes Arabic for a Windows code page), CRLF line ends,
// each number as the formula ="5550101", which both Excel and LibreOffice show
// as the text 5550101 instead of turning it into a rounded or exponent number,
// and paths and names that a spreadsheet would run as a formula guarded().
class CsvFormat
{
public:
    static QByteArray write(const std::vector<FlatRecord>& records);

    // The contacts of a CSV file in any of CsvLayout's layouts, known by its
    // header row (or, with `wanted`, read as that one): what write() writes,
    // and what spreadsheets save from it (columns in another order, other
    // columns, semicolons or tabs for commas, blank lines); Google's, Outlook's
    // and Thunderbird's exports; any header naming a telephone column. Rows
    // of any length are read for the fields they have, but for the tool's
    // own, which are whole or left out; a column left unread is named in
    // `report` where it holds what looks like a telephone number. UTF-8
    // with or without a byte-order mark, UTF-16 with one, else Windows-1252
    // with a note. A row that cannot be read is left out, with why, in
    // `report`. Throws FormatError when the file is in no layout it knows,
    // or at a line or row over InputText's cap.
    //
    // Each row's contact goes to `take` as the row is read, when the file has
    // a header; without one, what the columns hold tells the layout, so the
    // rows are all read first.
    static void read(QIODevice& input, std::optional<CsvLayout::Kind> wanted, ImportReport& report,
                     const std::function<void(const Contact&)>& take);
    static std::vector<Contact> read(const QByteArray& data, std::optional<CsvLayout::Kind> wanted,
                                     ImportReport& report);

    // Text a spreadsheet cannot run as a formula: an apostrophe, the
    // spreadsheet's mark for text, before = + - @ where the text or a part a
    // spreadsheet may split off as a cell of its own (after a comma, a
    // semicolon or a tab) starts with one. The apostrophe is guarded too,
    // and a tab and a CR, which spreadsheets skip to find a formula, so that
    // unguarded() gives back any text as it was.
    static QString guarded(const QString& text);
    static QString unguarded(const QString& text);
};
