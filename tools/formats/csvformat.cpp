#include "tools/formats/csvformat.h"

#include "tools/formats/csvreader.h"
#include "tools/formats/folderpath.h"
#include "tools/formats/formaterror.h"
#include "tools/formats/inputtext.h"

#include <QBuffer>

#include <utility>

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

// Where a spreadsheet may start a cell: it splits on the comma, the
// semicolon and the tab, whichever its settings or its guess take.
bool startsCell(QStringView text, qsizetype i)
{
    return i == 0 || text[i - 1] == u',' || text[i - 1] == u';' || text[i - 1] == u'\t';
}

bool startsFormula(QChar c)
{
    static const QString marks = QStringLiteral("=+-@'\t\r");
    return marks.contains(c);
}

} // namespace

QString CsvFormat::guarded(const QString& text)
{
    QString out;
    qsizetype copied = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (startsCell(text, i) && startsFormula(text[i])) {
            out += QStringView(text).sliced(copied, i - copied);
            out += u'\'';
            copied = i;
        }
    }
    if (out.isEmpty())
        return text;
    out += QStringView(text).sliced(copied);
    return out;
}

QString CsvFormat::unguarded(const QString& text)
{
    // Where a cell may start, guarded() put an apostrophe before every
    // character that could start a formula, the apostrophe included: one
    // there is always its own.
    QString out;
    qsizetype copied = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (startsCell(text, i) && text[i] == u'\'') {
            out += QStringView(text).sliced(copied, i - copied);
            copied = i + 1;
        }
    }
    if (copied == 0)
        return text;
    out += QStringView(text).sliced(copied);
    return out;
}

QByteArray CsvFormat::write(const std::vector<FlatRecord>& records)
{
    QByteArray text = "\xEF\xBB\xBFpath,name,tel\r\n";
    // Records come folder by folder, so a path is written out once for all
    // the records it holds.
    const QStringList* lastPath = nullptr;
    QByteArray pathField;
    for (const FlatRecord& r : records) {
        if (!lastPath || r.path != *lastPath) {
            pathField = field(guarded(FolderPath::format(r.path))).toUtf8();
            lastPath = &r.path;
        }
        text += pathField;
        text += ',';
        text += field(guarded(r.name)).toUtf8();
        text += ',';
        // ="5550101", quoted as a field.
        if (!r.isFolder())
            text += "\"=\"\"" + QByteArray::number(r.tel) + "\"\"\"";
        text += "\r\n";
    }
    return text;
}

void CsvFormat::read(QIODevice& device, std::optional<CsvLayout::Kind> wanted, ImportReport& report,
                     const std::function<void(const Contact&)>& take)
{
    InputText input(device);
    CsvReader reader(input);
    bool guessNoted = false;
    const auto next = [&](CsvReader::Record& record) {
        const bool more = reader.next(record);
        if (reader.guessedFrom() && !guessNoted) {
            guessNoted = true;
            report.add(ImportReport::Kind::Note, reader.guessedFrom(), QString(),
                       QStringLiteral("the text is not UTF-8; read as Windows-1252"));
        }
        return more;
    };
    CsvReader::Record first;
    if (!next(first))
        throw FormatError(1, QStringLiteral("the file holds no rows"));
    const auto unknown = [&] {
        QString seen = first.fields.join(u',');
        if (seen.size() > 120)
            seen = seen.left(117) + QStringLiteral("...");
        return FormatError(first.line,
                           QStringLiteral("%1: the first row is \"%2\" (%3 columns). Known are the tool's own "
                                          "path,name,tel, Google Contacts, Outlook and Thunderbird CSV, and two "
                                          "columns of names and numbers")
                               .arg(wanted ? QStringLiteral("not a %1 file").arg(CsvLayout::describe(*wanted))
                                           : QStringLiteral("not a CSV file this tool knows"),
                                    seen, QString::number(first.fields.size())));
    };
    std::optional<CsvLayout> layout =
        first.problem.isEmpty() ? CsvLayout::fromHeader(first.fields, wanted) : std::nullopt;
    const bool header = layout.has_value();
    std::vector<CsvReader::Record> records;
    if (!header) {
        if (!CsvLayout::mayTellByContent(first.fields.size(), wanted))
            throw unknown();
        records.push_back(first);
        for (CsvReader::Record record; next(record);)
            records.push_back(std::move(record));
        layout = CsvLayout::fromContent(records, wanted);
    }
    if (!layout)
        throw unknown();
    report.source = CsvLayout::describe(layout->kind());

    const auto contact = [&](const CsvReader::Record& record) {
        if (!record.problem.isEmpty())
            report.add(ImportReport::Kind::Skipped, record.line, QString(), record.problem);
        else if (record.fields.size() != layout->width())
            report.add(ImportReport::Kind::Skipped, record.line, QString(),
                       QStringLiteral("%1 fields where %2 were expected").arg(record.fields.size()).arg(layout->width()));
        else
            take(layout->contact(record));
    };
    if (header) {
        for (CsvReader::Record record; next(record);)
            contact(record);
    }
    // Each row goes once its contact is taken.
    for (size_t i = layout->skipsFirst() ? 1 : 0; i < records.size(); ++i)
        contact(std::exchange(records[i], {}));
}

std::vector<Contact> CsvFormat::read(const QByteArray& data, std::optional<CsvLayout::Kind> wanted,
                                     ImportReport& report)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    std::vector<Contact> contacts;
    read(buffer, wanted, report, [&](const Contact& contact) { contacts.push_back(contact); });
    return contacts;
}
