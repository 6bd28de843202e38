#pragma once

#include "tools/formats/flatrecord.h"
#include "tools/formats/formaterror.h"

#include <QByteArray>

#include <vector>

// RFC 4180 text with the columns path,name,tel: one row for each folder (with
// an empty tel) and each entry, every folder before what it holds.
//
// Written as spreadsheets read it without asking: UTF-8 with a byte-order mark
// (without which Excel takes Arabic for a Windows code page), CRLF line ends,
// each number as the formula ="5550101", which both Excel and LibreOffice show
// as the text 5550101 instead of turning it into a rounded or exponent number,
// and names that a spreadsheet would run as a formula (starting with = + - @)
// behind an apostrophe, the spreadsheet's own mark for "this is text".
class CsvFormat
{
public:
    static QByteArray write(const std::vector<FlatRecord>& records);

    // Reads what write() writes, and what a spreadsheet saves from it: the
    // header line may be missing or name the columns in another order (other
    // columns are ignored), fields may be separated by semicolons throughout,
    // numbers may be plain or formatted digits, and blank lines are skipped. Throws FormatError on the first line that
    // cannot be read.
    static std::vector<FlatRecord> read(const QByteArray& data);
};
