#pragma once

#include "tools/formats/columnmeaning.h"
#include "tools/formats/contact.h"
#include "tools/formats/csvreader.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <unordered_map>
#include <vector>

// Which program wrote a CSV file and where each part of a contact is in it:
// the tool's own path,name,tel; Google Contacts, current and older; Outlook;
// Thunderbird; two columns of names and numbers in either order; or any
// other header with a column that names a telephone (ColumnMeaning). In the
// layouts of other programs every column whose header names a telephone is
// read, whether the program writes it or not, and a name column the layout
// lacks is found by its header too.
class CsvLayout
{
public:
    enum class Kind { Quorvelin, Google, GoogleOlder, Outlook, Thunderbird, NameNumber, Named };
    static QString describe(Kind kind);

    // The layout a header row names; with `wanted`, that one only. Nothing
    // when the row names no layout (of that kind).
    static std::optional<CsvLayout> fromHeader(const QStringList& header, std::optional<Kind> wanted);
    // Whether fromContent() may find a layout in rows as wide as a file's
    // first: when it cannot, the rest of the file need not be read.
    static bool mayTellByContent(qsizetype width, std::optional<Kind> wanted);
    // A file without a header row, told apart by what its columns hold: three
    // with paths starting "/", names and numbers are the tool's own, two with
    // names and numbers are names and numbers. With `wanted` Quorvelin, the
    // columns path,name,tel in that order. Nothing when they cannot be told
    // apart. A first row that holds no number where the others do is taken
    // as a header (skipsFirst).
    static std::optional<CsvLayout> fromContent(const std::vector<CsvReader::Record>& records,
                                                std::optional<Kind> wanted);

    Kind kind() const { return m_kind; }
    qsizetype width() const { return m_width; }
    bool skipsFirst() const { return m_skipsFirst; }
    // The contact a row holds, from the fields it has: a row shorter than
    // the header has nothing in the columns it lacks, and the fields of a
    // longer one past width() are not read.
    Contact contact(const CsvReader::Record& record) const;
    // Whether the layout reads a column into a contact.
    std::vector<bool> readColumns() const;
    // Whether a cell holds what reads as a telephone number of seven digits
    // or more: too long for a postal code, a year or a date.
    static bool holdsTelephone(const QString& cell);

private:
    struct Phone
    {
        int value;
        int kindColumn; // -1: the kind is fixed
        QString kind;
    };
    // A header's names, each with the first column it heads.
    using Columns = std::unordered_map<QString, int>;

    explicit CsvLayout(Kind kind, qsizetype width);
    void mapHeader(const QStringList& names, const Columns& columns);
    // The columns the program's own names left unread, by what their headers
    // mean.
    void mapByMeaning(const std::vector<ColumnMeaning>& meanings);

    Kind m_kind;
    qsizetype m_width;
    bool m_skipsFirst = false;
    // Columns, -1 where the file has none.
    int m_path = -1, m_formatted = -1, m_prefix = -1, m_given = -1, m_middle = -1, m_family = -1, m_suffix = -1;
    int m_organization = -1, m_nickname = -1, m_email = -1, m_groups = -1;
    QList<Phone> m_phones;
    // Indexes of m_phones in the order of their columns, for rows shorter
    // than the header; made for layouts known by their header.
    std::vector<qsizetype> m_byColumn;
};
