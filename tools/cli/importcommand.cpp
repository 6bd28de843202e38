#include "tools/cli/importcommand.h"

#include "tools/directory/importer.h"
#include "tools/formats/csvformat.h"
#include "tools/formats/folderpath.h"
#include "tools/formats/formaterror.h"
#include "tools/formats/toolerror.h"
#include "tools/formats/vcardformat.h"

#include "store/database.h"
#include "store/filelock.h"
#include "store/storeerror.h"

#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>

QString ImportCommand::help() const
{
    return QStringLiteral(R"(Usage: quorvelin-tool [--file PATH] import [--format csv|vcard] FILE [--into PATH]

Adds the folders and entries of FILE ("-" for standard input) to the
directory, in one transaction: all of them, or, when any line is malformed,
none, with the line number on standard error. New records get codes above
the largest in the file; folders along each path are made where missing,
and a folder that is already there at the same path is used. An export
imported into an empty file rebuilds the same tree.

  --format csv    the columns path,name,tel (see export --help); the header
                  line may be missing or put the columns in another order,
                  and semicolons may stand for the commas. FILE is UTF-8.
                  tel is empty for a folder, or a number written as
                  ="5550111", '5550111 or 5550111, with spaces, dashes,
                  dots, brackets or a leading + allowed between the digits.
                  A leading zero is not kept: numbers are stored as numbers.
  --format vcard  vCard 2.1, 3.0 or 4.0. A card's name is FN (else N); each
                  TEL becomes an entry of that name; the first CATEGORIES
                  value is the folder path (the top level when missing); a
                  card with KIND:group is a folder. Cards with no TEL are
                  skipped with a warning.
                  The format defaults to vcard for files named .vcf or
                  .vcard, else csv.
  --into PATH     put everything inside this folder (made if missing)
                  instead of at the top level.
)");
}

int ImportCommand::run(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption format = formatOption();
    const QCommandLineOption into(QStringLiteral("into"), QString(), QStringLiteral("PATH"));
    parser.addOption(format);
    parser.addOption(into);
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
    const auto kind = formatNamed(formatName);
    if (!kind)
        return fail(QStringLiteral("unknown format \"%1\": use csv or vcard.").arg(formatName));
    const QString target = requireFile();

    QByteArray data;
    if (input == u"-") {
        if (!m_context.in)
            return fail(QStringLiteral("no standard input to read."));
        data = m_context.in->readAll();
    } else {
        QFile file(input);
        if (!file.open(QIODevice::ReadOnly))
            return fail(QStringLiteral("cannot read %1: %2").arg(input, file.errorString()));
        data = file.readAll();
    }

    // Read all of it before anything is written: a malformed line must leave
    // the directory as it was.
    std::vector<FlatRecord> records;
    QStringList warnings;
    try {
        records = *kind == Format::Csv ? CsvFormat::read(data) : VCardFormat::read(data, &warnings);
    } catch (const FormatError& error) {
        return fail(QStringLiteral("%1:%2: %3. Nothing was imported.")
                                 .arg(input == u"-" ? QStringLiteral("<stdin>") : input)
                                 .arg(error.line())
                                 .arg(error.message()));
    }
    for (const QString& warning : warnings)
        warn(QStringLiteral("%1: %2").arg(input, warning));

    const QStringList path = FolderPath::parse(parser.value(into));
    Importer::Result result;
    {
        // The lock first and released last: closing its descriptor would
        // drop the engine's own locks on the file.
        const store::FileLock lock = [&] {
            try {
                return store::FileLock(target);
            } catch (const store::StoreError& error) {
                throw ToolError(QStringLiteral("cannot write: %1 Nothing was imported.").arg(error.message()));
            }
        }();
        try {
            store::Database database(target);
            database.useRollbackJournal();
            result = Importer::run(database, records, path);
        } catch (const store::StoreError& error) {
            // The transaction was rolled back with the database.
            throw ToolError(error.message() + QStringLiteral(". Nothing was imported."));
        }
    }
    print(QStringLiteral("Imported %1 and made %2 in %3 of %4.\n")
              .arg(counted(result.entries, QStringLiteral("entry"), QStringLiteral("entries")),
                   counted(result.folders, QStringLiteral("folder"), QStringLiteral("folders")),
                   FolderPath::format(path), target));
    return Ok;
}
