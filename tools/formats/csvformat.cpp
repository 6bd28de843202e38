#include "tools/formats/csvformat.h"

#include "tools/formats/csvreader.h"
#include "tools/formats/folderpath.h"
#include "tools/formats/formaterror.h"
#include "tools/formats/inputtext.h"

#include <QBuffer>

#include <algorithm>
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
                                          "path,name,tel, Google Contacts, Outlook and Thunderbird CSV, two "
                                          "columns of names and numbers, and any header naming a telephone "
                                          "column (Phone, Mobile, Fax, Telefon, Handy, Téléphone...)")
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

    // The columns not read, watched until one holds what looks like a
    // telephone number, which the report then names: a header may name one
    // in words no layout knows.
    std::vector<bool> watched = header ? layout->readColumns() : std::vector<bool>();
    watched.flip();
    const qsizetype width = layout->width();
    const auto contact = [&](const CsvReader::Record& record) {
        const Contact made = layout->contact(record);
        const QString name = made.exactName ? made.name.formatted : made.name.chosen();
        if (!record.problem.isEmpty()) {
            report.add(ImportReport::Kind::Skipped, record.line, name, record.problem);
            return;
        }
        // The tool's own rows are whole: one missing its number would read as a folder.
        if (layout->kind() == CsvLayout::Kind::Quorvelin && record.fields.size() < width) {
            report.add(ImportReport::Kind::Skipped, record.line, name,
                       QStringLiteral("%1 fields where %2 were expected").arg(record.fields.size()).arg(width));
            return;
        }
        if (record.fields.size() > width)
            report.add(ImportReport::Kind::Note, record.line, name,
                       QStringLiteral("%1 fields where %2 were expected; the last %3 are not read")
                           .arg(record.fields.size())
                           .arg(width)
                           .arg(record.fields.size() - width));
        // A row costs what its own fields hold, however wide the header.
        for (qsizetype c = 0; c < std::min(record.fields.size(), qsizetype(watched.size())); ++c) {
            if (!watched[size_t(c)] || !CsvLayout::holdsTelephone(record.fields[c]))
                continue;
            watched[size_t(c)] = false;
            const auto shortened = [](const QString& text) {
                const QString trimmed = text.trimmed();
                return trimmed.size() > 64 ? trimmed.left(61) + QStringLiteral("...") : trimmed;
            };
            report.add(ImportReport::Kind::Note, record.line, name,
                       QStringLiteral("the column \"%1\" is not read, but holds what looks like a telephone "
                                      "number: \"%2\"")
                           .arg(shortened(first.fields[c]), shortened(record.fields[c])));
        }
        take(made);
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
