#include "tools/cli/importcommand.h"

#include "tools/directory/importer.h"
#include "tools/formats/csvformat.h"
#include "tools/formats/entrymaker.h"
#include "tools/formats/folderpath.h"
#include "tools/formats/formaterror.h"
#include "tools/formats/numberreader.h"
#include "tools/formats/toolerror.h"
#include "tools/formats/vcardformat.h"

#include "store/database.h"
#include "store/lockeddatabase.h"
#include "store/storeerror.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

// --format: vcard, or csv with its layout known by the header row, or one
// layout named.
struct Source
{
    bool vcard = false;
    std::optional<CsvLayout::Kind> layout;
};

std::optional<Source> sourceNamed(const QString& name)
{
    const QString lower = name.toLower();
    if (lower == u"vcard" || lower == u"vcf")
        return Source{true, std::nullopt};
    if (lower == u"csv")
        return Source{};
    static const QList<QPair<QString, CsvLayout::Kind>> layouts = {
        {QStringLiteral("quorvelin"), CsvLayout::Kind::Quorvelin},
        {QStringLiteral("google"), CsvLayout::Kind::Google},
        {QStringLiteral("outlook"), CsvLayout::Kind::Outlook},
        {QStringLiteral("thunderbird"), CsvLayout::Kind::Thunderbird},
        {QStringLiteral("name-number"), CsvLayout::Kind::NameNumber},
    };
    for (const auto& [layoutName, kind] : layouts) {
        if (lower == layoutName)
            return Source{false, kind};
    }
    return std::nullopt;
}

} // namespace

QString ImportCommand::help() const
{
    return QStringLiteral(R"help(Usage: quorvelin-tool [--file PATH] import [--format FORMAT] [--region CC] [--into PATH]
                      [--dry-run] [--strict] FILE

Adds the contacts of FILE ("-" for standard input) to the directory: one
entry for each telephone number, in one transaction. What can be imported
is; a card, row or number that cannot be is left out with a warning naming
its line, its name and why. The run ends with a report: every number stored
otherwise than written and how, the entries and folders added, the entries
not added again because their folder already holds one of the same name
and number (so importing a file twice adds nothing the second time), and
what was left out.

Where the files come from:
  a phone         iPhone: Contacts app on icloud.com, select all, Export
                  vCard; or share contacts from the phone. Android: Contacts
                  app, Settings (or Fix & manage), Export to a .vcf file.
                  Every card with a number comes in, 2.1, 3.0 or 4.0.
  Google Contacts contacts.google.com, Export, "Google CSV" (or vCard).
                  Labels become folders (the first one; myContacts and
                  starred are left out).
  Outlook         File, Open & Export, Import/Export, Export to a file,
                  Comma Separated Values. Its first category is the folder.
  Thunderbird     Address Book, select the book, Export, CSV (comma
                  separated).
  this tool       export writes path,name,tel CSV and vCard 4.0, which
                  come back as the same tree.
  anything else   a CSV file whose header names its columns: every column
                  whose header names a telephone (Phone, Mobile, Cell, Fax,
                  Pager, Tel, Telefon, Handy, Mobil, Téléphone, Teléfono,
                  Telefono...) is read as a number of the kind it names, and
                  the name from columns such as Name, Display Name, First
                  Name, Last Name, Company, in the languages Google's and
                  Outlook's exports use. Exports of the programs above are
                  read this way too for the telephone columns they do not
                  write themselves.

What comes in: the name (FN, a display name or Name column, else the
name's parts put together, else the organisation, the nickname, the e-mail
address; a card with numbers and no name at all names each entry by its own
number); each number, and when a card has more than one, its kind in the
name: "Anna Berger (mobile)", "(home)", "(work)", "(fax)", or the card's
own label, "Anna Berger (Praxis)"; "(other)" for a number whose card or
column gives it no kind, and "(mobile 2)", "(other 2)" where a kind comes
again. The same number twice on a card is one entry. A vCard's first
CATEGORIES value is a folder path, as export writes it; a card with
KIND:group is a folder.

Numbers are read with libphonenumber. With a region, a number of that
region is stored as its national number without the trunk prefix
(030 1234567, +49 (0)30 1234567 and 0049 30 1234567 for DE all give
301234567, as typing 030 1234567 in the window does) and a number of
another country as country code and national number (+41 79 264 88 66
gives 41792648866). Letters become digits (1-800-FLOWERS). An extension,
pause or wait is left out of the number and kept in the name
("(ext. 12)"). sip: and e-mail addresses and codes such as *21# are no
numbers, nor is a text of more than 64 characters (extension and tel:
included). A run of digits that does not start with 0 is taken as it
stands, as this tool's export writes numbers. A number written with a +
that is no country's (+0123456789) keeps its digits without the + and any
leading 0, when they make a number at all, and the report says so and why.

  --format FORMAT  vcard (the default for files named .vcf or .vcard), or
                   csv (the default otherwise), whose layout is known by its
                   header row: the tool's own path,name,tel (the header may
                   be missing, the columns in another order; semicolons or
                   tabs may stand for the commas), Google Contacts (current
                   and older), Outlook, Thunderbird, two columns of names
                   and numbers in either order, with or without a header,
                   or any header that names a telephone column.
                   One layout can be named instead of csv: quorvelin,
                   google, outlook, thunderbird or name-number; a file
                   without a header is then read as path,name,tel in that
                   order, or as names and numbers. A CSV file in no layout
                   it knows and whose header names no telephone column is
                   refused, naming what its first row holds.
                   Files are UTF-8 with or without a byte-order mark,
                   UTF-16 with one; a line that is not UTF-8 is read as
                   Windows-1252, with a warning. A row shorter than the
                   header is read for the fields it has (the tool's own
                   path,name,tel rows only whole); a longer row's extra
                   fields are not read, with a warning. A column not read
                   that holds what looks like a telephone number is named
                   in a warning, once. vCard values may name their own
                   CHARSET, and 2.1's bare QUOTED-PRINTABLE, BASE64, 8BIT
                   and character set names are read as 2.1 means them.
  --region CC      read national numbers as those of this country (two
                   letters: DE, CH, US). Without it, the locale's territory
                   (LC_ALL, else LC_TELEPHONE, else LANG: de_DE.UTF-8 gives
                   DE); without one there either, numbers are read as far as
                   they tell their country themselves.
  --into PATH      put everything inside this folder (made if missing)
                   instead of at the top level.
  --dry-run        print the same warnings and report, and write nothing.
  --strict         import nothing when any card, row or number would be
                   left out (cards and rows with no number at all are left
                   out with a warning even so).

New records get codes above the largest in the file; folders along each
path are made where missing, and a folder already there at the same path
is used.

Limits, far beyond any real file: a card of more than 10,000 TEL lines or
10,000 other properties, and a card or row whose folder path is more than
256 folders deep, is left out whole, with a warning naming it and the
limit; the rest comes in. A line of more than 1 MB, or a field of more (a
CSV row that quotes carry over several lines, a vCard property folded over
several), ends the import, and nothing is imported: an input that never
ends (/dev/zero, an endless pipe) ends there with a message. The file is
read as it comes, so memory holds what is imported, not the file.

Exit status: 0 every number was imported (or was there already); cards
and rows with no number are named in a warning but lose nothing, and do
not change the status. 1 some card, row or number that holds one was left
out, each named in a warning, and the rest imported. 2 nothing was
imported: the file could not be read or holds nothing to import, --strict
found something to leave out, or the directory could not be written.
)help");
}

int ImportCommand::run(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption format(QStringLiteral("format"), QString(), QStringLiteral("FORMAT"));
    const QCommandLineOption into(QStringLiteral("into"), QString(), QStringLiteral("PATH"));
    const QCommandLineOption regionOption(QStringLiteral("region"), QString(), QStringLiteral("CC"));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"));
    const QCommandLineOption strict(QStringLiteral("strict"));
    parser.addOptions({format, into, regionOption, dryRun, strict});
    int status = Ok;
    if (!parse(arguments, parser, status))
        return status;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return fail(QStringLiteral("expected one FILE to import. See quorvelin-tool import --help."));
    const QString input = positional.first();
    const QString suffix = QFileInfo(input).suffix().toLower();
    const QString formatName = parser.isSet(format) ? parser.value(format)
                               : (suffix == u"vcf" || suffix == u"vcard") ? QStringLiteral("vcard")
                                                                          : QStringLiteral("csv");
    const auto source = sourceNamed(formatName);
    if (!source)
        return fail(QStringLiteral("unknown format \"%1\": use vcard, csv, quorvelin, google, outlook, "
                                   "thunderbird or name-number.")
                        .arg(formatName));
    const QString region = this->region(parser, regionOption);
    const QString target = requireFile();
    const QStringList path = FolderPath::parse(parser.value(into));
    if (path.size() > FolderPath::MaxDepth)
        return fail(QStringLiteral("--into names a folder %1 deep, deeper than the %2 any directory needs.")
                        .arg(QString::number(path.size()), QString::number(FolderPath::MaxDepth)));

    // Read all of it before anything is written, each card or row made into
    // entries as it is read: memory holds the entries, not the file.
    const QString shown = input == u"-" ? QStringLiteral("<stdin>") : input;
    ImportReport report;
    report.region = region;
    std::vector<FlatRecord> records;
    {
        QFile file(input);
        QIODevice* device = m_context.in;
        if (input != u"-") {
            if (!file.open(QIODevice::ReadOnly))
                return fail(QStringLiteral("cannot read %1: %2").arg(input, file.errorString()));
            device = &file;
        } else if (!device) {
            return fail(QStringLiteral("no standard input to read."));
        }
        const NumberReader numbers(region);
        EntryMaker maker(numbers, report, path.size());
        const auto take = [&](const Contact& contact) { maker.add(contact, records); };
        try {
            if (source->vcard)
                VCardFormat::read(*device, report, take);
            else
                CsvFormat::read(*device, source->layout, report, take);
        } catch (const FormatError& error) {
            return fail(QStringLiteral("%1:%2: %3. Nothing was imported.").arg(shown, QString::number(error.line()), error.message()));
        }
    }

    const auto where = [&](const ImportReport::Item& item) {
        const QString place = QStringLiteral("%1:%2: ").arg(shown, QString::number(item.line));
        return item.name.isEmpty() ? place : place + QStringLiteral("\"%1\": ").arg(oneLine(item.name));
    };
    // The reader's notes on the file come before the cards they are about.
    std::vector<ImportReport::Item> items = report.items();
    std::stable_sort(items.begin(), items.end(), [](const auto& a, const auto& b) { return a.line < b.line; });
    for (const ImportReport::Item& item : items) {
        if (item.kind == ImportReport::Kind::Note)
            warn(where(item) + item.text);
        else if (item.kind != ImportReport::Kind::Changed)
            warn(where(item) + QStringLiteral("left out: ") + item.text);
    }
    const qsizetype unreadable = report.count(ImportReport::Kind::Skipped);
    const qsizetype numberless = report.count(ImportReport::Kind::NoNumber);
    if (parser.isSet(strict) && unreadable > 0)
        return fail(QStringLiteral("%1 left out (see above); with --strict nothing was imported.")
                        .arg(counted(unreadable, QStringLiteral("card, row or number would be"),
                                     QStringLiteral("cards, rows or numbers would be"))));
    if (records.empty())
        return fail(QStringLiteral("%1 holds nothing that can be imported. Nothing was imported.").arg(shown));

    Importer::Result result;
    if (parser.isSet(dryRun)) {
        store::Database database(target, store::Database::Access::ReadOnly);
        result = Importer::run(database, records, path, Importer::Mode::DryRun);
    } else {
        store::LockedDatabase directory = [&] {
            try {
                return store::LockedDatabase(target);
            } catch (const store::StoreError& error) {
                throw ToolError(QStringLiteral("cannot write: %1 Nothing was imported.").arg(error.message()));
            }
        }();
        try {
            directory.useRollbackJournal();
            result = Importer::run(directory.database(), records, path);
        } catch (const store::StoreError& error) {
            // The import's transaction was rolled back as the error left it.
            throw ToolError(error.message() + QStringLiteral(". Nothing was imported."));
        }
    }

    QString out = QStringLiteral("%1: %2, numbers read %3.\n")
                      .arg(shown, report.source,
                           region.isEmpty() ? QStringLiteral("without a region (see --region)")
                                            : QStringLiteral("for region %1").arg(region));
    if (const qsizetype changed = report.count(ImportReport::Kind::Changed)) {
        out += QStringLiteral("%1 stored otherwise than written:\n")
                   .arg(counted(changed, QStringLiteral("number"), QStringLiteral("numbers")));
        for (const ImportReport::Item& item : items) {
            if (item.kind == ImportReport::Kind::Changed)
                out += QStringLiteral("  ") + where(item) + oneLine(item.text) + u'\n';
        }
    }
    out += QStringLiteral("%1 %2 and %3 in %4 of %5.\n")
               .arg(parser.isSet(dryRun) ? QStringLiteral("Would add") : QStringLiteral("Added"),
                    counted(result.entries, QStringLiteral("entry"), QStringLiteral("entries")),
                    counted(result.folders, QStringLiteral("folder"), QStringLiteral("folders")),
                    FolderPath::format(path), target);
    if (result.duplicates > 0)
        out += QStringLiteral("Not added again: %1 already there.\n")
                   .arg(counted(result.duplicates, QStringLiteral("entry"), QStringLiteral("entries")));
    if (unreadable + numberless > 0) {
        QStringList parts;
        if (numberless)
            parts.append(counted(numberless, QStringLiteral("card or row without a number"),
                                 QStringLiteral("cards or rows without a number")));
        if (unreadable)
            parts.append(counted(unreadable, QStringLiteral("card, row or number that could not be read"),
                                 QStringLiteral("cards, rows or numbers that could not be read")));
        out += QStringLiteral("Left out: %1 (see the warnings).\n").arg(parts.join(QStringLiteral("; ")));
    }
    if (parser.isSet(dryRun))
        out += QStringLiteral("Nothing was written (--dry-run).\n");
    print(out);
    // A card without a number loses nothing: a script checks for lost numbers.
    return unreadable > 0 ? NotFound : Ok;
}
