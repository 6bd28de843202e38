#include "tools/formats/csvformat.h"

#include "tools/formats/folderpath.h"
#include "tools/formats/formaterror.h"
#include "tools/formats/phonenumber.h"
#include "tools/formats/utf8text.h"

namespace {

QString quoted(const QString& field)
{
    QString text = field;
    text.replace(u'"', QStringLiteral("\"\""));
    return u'"' + text + u'"';
}

// A field as RFC 4180 wants it: quoted when it holds a separator, a quote or
// a line break, bare otherwise.
QString field(const QString& text)
{
    for (const QChar c : text) {
        if (c == u',' || c == u'"' || c == u'\r' || c == u'\n')
            return quoted(text);
    }
    return text;
}

bool startsLikeFormula(const QString& name)
{
    // The apostrophe is here too, so that a name that really starts with one
    // keeps it after the reader takes the first one off.
    static const QString marks = QStringLiteral("=+-@'\t\r");
    return !name.isEmpty() && marks.contains(name.front());
}

struct Record
{
    QStringList fields;
    int line = 0;
};

// Splits the text into records of fields, with the line each record starts on.
class Reader
{
public:
    Reader(const QString& text, QChar separator)
        : m_text(text)
        , m_separator(separator)
    {
    }

    bool next(Record& record)
    {
        while (m_pos < m_text.size()) {
            record = Record{{}, m_line};
            if (atLineEnd()) { // a blank line
                skipLineEnd();
                continue;
            }
            readRecord(record);
            return true;
        }
        return false;
    }

private:
    bool atLineEnd() const { return m_text[m_pos] == u'\n' || m_text[m_pos] == u'\r'; }

    void skipLineEnd()
    {
        if (m_text[m_pos] == u'\r' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == u'\n')
            ++m_pos;
        ++m_pos;
        ++m_line;
    }

    void readRecord(Record& record)
    {
        for (;;) {
            record.fields.append(readField());
            if (m_pos >= m_text.size())
                return;
            if (atLineEnd()) {
                skipLineEnd();
                return;
            }
            ++m_pos; // the separator
        }
    }

    QString readField()
    {
        QString value;
        if (m_pos < m_text.size() && m_text[m_pos] == u'"') {
            const int opened = m_line;
            ++m_pos;
            for (;;) {
                if (m_pos >= m_text.size())
                    throw FormatError(opened, QStringLiteral("a quoted field opened here is never closed"));
                const QChar c = m_text[m_pos];
                if (c == u'"') {
                    if (m_pos + 1 < m_text.size() && m_text[m_pos + 1] == u'"') {
                        value += u'"';
                        m_pos += 2;
                        continue;
                    }
                    ++m_pos;
                    break;
                }
                if (c == u'\n' || (c == u'\r' && !(m_pos + 1 < m_text.size() && m_text[m_pos + 1] == u'\n')))
                    ++m_line;
                value += c;
                ++m_pos;
            }
            if (m_pos < m_text.size() && m_text[m_pos] != m_separator && !atLineEnd())
                throw FormatError(m_line, QStringLiteral("text after the closing quote of a field"));
            return value;
        }
        while (m_pos < m_text.size() && m_text[m_pos] != m_separator && !atLineEnd()) {
            if (m_text[m_pos] == u'"')
                throw FormatError(m_line, QStringLiteral("a quote inside a field that does not start with one"));
            value += m_text[m_pos++];
        }
        return value;
    }

    const QString& m_text;
    const QChar m_separator;
    qsizetype m_pos = 0;
    int m_line = 1;
};

// The tel column as written by write(), or as a person or a spreadsheet
// would write it; 0 for a folder's empty cell.
qint64 number(QString text, int line)
{
    if (text.startsWith(QStringLiteral("=\"")) && text.endsWith(u'"') && text.size() >= 3)
        text = text.mid(2, text.size() - 3);
    else if (text.startsWith(u'\''))
        text.remove(0, 1);
    if (text.trimmed().isEmpty())
        return 0;
    const auto value = PhoneNumber::value(text);
    if (!value)
        throw FormatError(line, QStringLiteral("\"%1\" is not a telephone number (digits, with spaces, "
                                               "dashes, dots, brackets or a leading + between them)")
                                    .arg(text));
    return *value;
}

} // namespace

QByteArray CsvFormat::write(const std::vector<FlatRecord>& records)
{
    QByteArray text = "\xEF\xBB\xBFpath,name,tel\r\n";
    // Records come folder by folder, so a path is written out once for all
    // the records it holds.
    const QStringList* lastPath = nullptr;
    QByteArray pathField;
    for (const FlatRecord& r : records) {
        if (!lastPath || r.path != *lastPath) {
            pathField = field(FolderPath::format(r.path)).toUtf8();
            lastPath = &r.path;
        }
        text += pathField;
        text += ',';
        text += field(startsLikeFormula(r.name) ? u'\'' + r.name : r.name).toUtf8();
        text += ',';
        // ="5550101", quoted as a field.
        if (!r.isFolder())
            text += "\"=\"\"" + QByteArray::number(r.tel) + "\"\"\"";
        text += "\r\n";
    }
    return text;
}

std::vector<FlatRecord> CsvFormat::read(const QByteArray& data)
{
    const QString text = Utf8Text::decode(data);
    // Spreadsheets where the comma is the decimal mark save with semicolons;
    // the first line tells which, as a path or name there rarely holds either.
    const QString firstLine = text.trimmed().section(u'\n', 0, 0);
    const QChar separator = !firstLine.contains(u',') && firstLine.contains(u';') ? u';' : u',';
    Reader reader(text, separator);
    Record record;
    int pathColumn = 0, nameColumn = 1, telColumn = 2;
    qsizetype width = 3;

    std::vector<FlatRecord> records;
    bool first = true;
    while (reader.next(record)) {
        if (first) {
            first = false;
            QStringList names;
            for (const QString& f : record.fields)
                names.append(f.trimmed().toLower());
            if (names.contains(u"path") && names.contains(u"name") && names.contains(u"tel")) {
                pathColumn = int(names.indexOf(u"path"));
                nameColumn = int(names.indexOf(u"name"));
                telColumn = int(names.indexOf(u"tel"));
                width = names.size();
                continue;
            }
        }
        if (record.fields.size() != width)
            throw FormatError(record.line, QStringLiteral("%1 fields where %2 were expected (path,name,tel)")
                                               .arg(record.fields.size())
                                               .arg(width));
        QString name = record.fields[nameColumn];
        if (name.startsWith(u'\''))
            name.remove(0, 1);
        records.push_back({FolderPath::parse(record.fields[pathColumn]), name,
                           number(record.fields[telColumn], record.line), record.line});
    }
    return records;
}
