#include "cli.h"

#include "backup.h"
#include "bookwriter.h"
#include "checker.h"
#include "csvformat.h"
#include "finder.h"
#include "folderpath.h"
#include "importer.h"
#include "publisher.h"
#include "samplebook.h"
#include "tree.h"
#include "vcardformat.h"

#include "store/database.h"
#include "store/filelock.h"
#include "store/storeerror.h"
#include "store/transaction.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>

#include <algorithm>
#include <memory>
#include <optional>

namespace {

const QString Program = QStringLiteral("quorvelin-tool");

const QString MainHelp = QStringLiteral(R"(Usage: quorvelin-tool [--file PATH] COMMAND [OPTIONS]

Works on a Quorvelin directory: quorvelin.mdb in the working directory, or
the file given with --file (before or after the command).

Commands:
  init [--sample]                          make a new directory file
  find TEXT                                entries and folders anywhere in the
                                           tree whose name or number has TEXT
  export [--format csv|vcard] [--folder PATH]
                                           write the tree, or one folder with
                                           all beneath it, to standard output
  import [--format csv|vcard] FILE [--into PATH]
                                           add the folders and entries of FILE
  check [--repair]                         look for damage, and repair it
  backup DEST                              copy the file safely, even while
                                           Quorvelin has it open
  publish URL [--folder PATH] [--user NAME] [--dry-run]
                                           make a CardDAV address book hold
                                           the entries, for phones and mail
                                           clients

Run "quorvelin-tool COMMAND --help" (or "quorvelin-tool help COMMAND") for
the details of a command.

Folder paths: "/" is the top level, "/Work/Sales" the folder Sales in Work.
In a path, a "/" inside a name is written "\/", a "\" as "\\", and an empty
name as "\e".

Import and check --repair refuse to write while Quorvelin has the file open.
Exit status: 0 done; 1 find found nothing, or check found damage; 2 failed.
)");

const QMap<QString, QString> CommandHelp = {
    {QStringLiteral("publish"), Publisher::help()},
    {QStringLiteral("init"), QStringLiteral(R"(Usage: quorvelin-tool [--file PATH] init [--sample]

Makes a new directory file, quorvelin.mdb in the working directory or PATH,
with an empty book table; folders on the way to it are made too. An existing
file is never opened or changed.

  --sample   add a small tree of sample folders and entries
)")},
    {QStringLiteral("find"), QStringLiteral(R"(Usage: quorvelin-tool [--file PATH] find TEXT

Lists every folder and entry anywhere in the tree whose name contains TEXT,
or whose number contains the digits of TEXT. Names match without regard to
case or accents, in any script: Arabic vowel marks and the tatweel are
ignored, and the forms of alef with hamza match a plain alef. In a number,
spaces, dashes, dots, brackets and a leading + are ignored, so
"555-01", "(555) 01" and "+55501" all find 5550101. Digits may be typed in
any script.

One line for each match, in tree order, its fields separated by a tab:
  the path of its folder, its name, and its number (empty for a folder)
for example
  /Work/Sales<TAB>Nora Ellis<TAB>5550111

Exit status 1 when nothing is found. Start TEXT with "--" to look for a
leading dash: quorvelin-tool find -- -0101
)")},
    {QStringLiteral("export"), QStringLiteral(R"(Usage: quorvelin-tool [--file PATH] export [--format csv|vcard] [--folder PATH]

Writes the whole tree, or the folder PATH with everything beneath it, to
standard output. Every folder comes before what it holds, so that import
rebuilds the same tree. With --folder, paths start at the folder's parent:
"export --folder /Work/Sales" writes "/,Sales," then "/Sales,Nora Ellis,...",
and "import --into /Work" puts it back where it was.

  --format csv    (default) RFC 4180 comma-separated text, UTF-8 with a
                  byte-order mark, CRLF line ends, the columns
                      path,name,tel
                  one row for each folder (tel empty) and each entry. The
                  number is written as the formula ="5550111", which Excel,
                  LibreOffice and Google Sheets show as the text 5550111
                  rather than a number they round or reformat. A name that
                  starts with = + - @ or ' gets an apostrophe in front, the
                  spreadsheet mark for text, so no name runs as a formula;
                  import takes it off again.
  --format vcard  vCard 4.0: for each entry a card with FN, TEL and the
                  folder path in CATEGORIES; for each folder a card with
                  KIND:group.
  --folder PATH   only this folder (all folders of that path, when sibling
                  folders share a name) with everything beneath it.

Records that the top level cannot reach (see check) are left out, with a
warning.
)")},
    {QStringLiteral("import"), QStringLiteral(R"(Usage: quorvelin-tool [--file PATH] import [--format csv|vcard] FILE [--into PATH]

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
)")},
    {QStringLiteral("check"), QStringLiteral(R"(Usage: quorvelin-tool [--file PATH] check [--repair]

Looks for damage that hides records from Quorvelin or confuses it:
  - folders inside each other in a cycle, cut off from the top level;
  - records whose folder is missing, or is an entry rather than a folder;
  - codes used by more than one record, or that are not positive integers;
  - numbers (tel) that are neither 0 for a folder nor a positive integer;
  - anything the engine's own integrity check reports.
A code, folder or number stored as a real is a whole number to Quorvelin
when it is one (5550000000.0, as a file converted with mdbtools holds them);
one that is not whole (12.5) is reported.
Exit status 0 when there is none, 1 when there is.

  --repair   first writes a copy of the file beside it (NAME-before-repair-
             TIME.mdb), then, in one transaction, loses nothing:
               numbers written with dashes or spaces become numbers; other
               values make the record a folder whose name keeps the value;
               records sharing a code get new codes (a folder keeps the
               old one, so what is inside it stays);
               records whose folder is missing or not a folder, and one
               folder of each cycle, move into the top-level folder
               "Recovered" (made when there is none);
               indexes the engine found wrong are rebuilt.
             Whole numbers stored as reals are left as they are: a column
             declared REAL turns any number written to it into a real again.
             Then checks again. Refuses while Quorvelin has the file open.
)")},
    {QStringLiteral("backup"), QStringLiteral(R"(Usage: quorvelin-tool [--file PATH] backup DEST

Copies the directory file to DEST with the engine's online backup: the copy
is consistent even while Quorvelin has the file open and is writing to it.
DEST must not exist yet; when DEST is a folder, the copy goes into it as
NAME-backup-TIME.mdb. The copy is a directory file Quorvelin opens as it is.
)")},
};

void write(QIODevice& device, const QString& text)
{
    device.write(text.toUtf8());
}

// Names and values shown one per line: a line break in a name would split it.
QString oneLine(QString text)
{
    for (QChar& c : text) {
        if (c == u'\n' || c == u'\r' || c == u'\t')
            c = u' ';
    }
    return text;
}

QString counted(qsizetype n, const QString& one, const QString& many)
{
    return QStringLiteral("%1 %2").arg(n).arg(n == 1 ? one : many);
}

enum class Format { Csv, VCard };

std::optional<Format> formatNamed(const QString& name)
{
    const QString lower = name.toLower();
    if (lower == u"csv")
        return Format::Csv;
    if (lower == u"vcard" || lower == u"vcf")
        return Format::VCard;
    return std::nullopt;
}

QCommandLineOption fileOption()
{
    return QCommandLineOption({QStringLiteral("f"), QStringLiteral("file")}, QString(), QStringLiteral("PATH"));
}

QCommandLineOption helpOption()
{
    return QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
}

QCommandLineOption formatOption()
{
    return QCommandLineOption(QStringLiteral("format"), QString(), QStringLiteral("csv|vcard"));
}

} // namespace

Cli::Cli(QIODevice& out, QIODevice& err, QIODevice* in)
    : m_out(out)
    , m_err(err)
    , m_in(in)
{
}

void Cli::print(const QString& text)
{
    write(m_out, text);
}

void Cli::warn(const QString& command, const QString& message)
{
    write(m_err, QStringLiteral("%1%2: %3\n").arg(Program, command.isEmpty() ? QString() : u' ' + command, message));
}

int Cli::fail(const QString& command, const QString& message)
{
    warn(command, message);
    return Failed;
}

int Cli::run(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption file = fileOption();
    const QCommandLineOption help = helpOption();
    parser.addOption(file);
    parser.addOption(help);
    if (!parser.parse(arguments))
        return fail(QString(), parser.errorText() + QStringLiteral(" See quorvelin-tool --help."));
    if (parser.isSet(help)) {
        print(MainHelp);
        return Ok;
    }
    if (parser.isSet(file))
        m_file = parser.value(file);
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return fail(QString(), QStringLiteral("no command given. See quorvelin-tool --help."));
    const QString command = positional.first();
    const QStringList rest = positional.mid(1);

    if (command == u"help") {
        if (rest.isEmpty()) {
            print(MainHelp);
            return Ok;
        }
        if (!CommandHelp.contains(rest.first()))
            return fail(QString(), QStringLiteral("no command \"%1\". See quorvelin-tool --help.").arg(rest.first()));
        print(CommandHelp.value(rest.first()));
        return Ok;
    }
    try {
        if (command == u"init")
            return initCommand(rest);
        if (command == u"find")
            return find(rest);
        if (command == u"export")
            return exportBook(rest);
        if (command == u"import")
            return importBook(rest);
        if (command == u"check")
            return check(rest);
        if (command == u"backup")
            return backup(rest);
        if (command == u"publish")
            return publish(rest);
    } catch (const store::StoreError& error) {
        return fail(command, error.message());
    } catch (const ToolError& error) {
        return fail(command, error.message());
    } catch (const std::exception& error) {
        // Out of memory on a huge input, say: still a message and a status.
        return fail(command, QString::fromLocal8Bit(error.what()));
    }
    return fail(QString(), QStringLiteral("no command \"%1\". See quorvelin-tool --help.").arg(command));
}

bool Cli::parse(const QString& command, const QStringList& arguments, QCommandLineParser& parser, int& status)
{
    const QCommandLineOption file = fileOption();
    const QCommandLineOption help = helpOption();
    parser.addOption(file);
    parser.addOption(help);
    if (!parser.parse(QStringList{Program + u' ' + command} + arguments)) {
        status = fail(command, parser.errorText() + QStringLiteral(" See quorvelin-tool %1 --help.").arg(command));
        return false;
    }
    if (parser.isSet(help)) {
        print(CommandHelp.value(command));
        status = Ok;
        return false;
    }
    if (parser.isSet(file))
        m_file = parser.value(file);
    return true;
}

QString Cli::requireFile() const
{
    const QFileInfo info(m_file);
    if (!info.exists())
        throw ToolError(QStringLiteral("%1 does not exist. Make one with \"quorvelin-tool init\", or name "
                                       "another with --file PATH.")
                            .arg(m_file));
    if (!info.isFile())
        throw ToolError(QStringLiteral("%1 is not a file.").arg(m_file));
    return m_file;
}

int Cli::init(const QString& path, bool sample, QIODevice& out, QIODevice& err, const QString& who)
{
    const std::vector<SampleBook::Row> rows = sample ? SampleBook::rows() : std::vector<SampleBook::Row>();
    BookWriter writer(path);
    if (!writer.create(rows)) {
        write(err, QStringLiteral("%1: %2\n").arg(who, writer.errorString()));
        return Failed;
    }
    QString text = QStringLiteral("Created ") + QDir::toNativeSeparators(path);
    if (rows.empty())
        text += QStringLiteral(", an empty directory.\n");
    else
        text += QStringLiteral(" with %1 sample records.\n").arg(rows.size());
    write(out, text);
    return Ok;
}

int Cli::initCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption sample(QStringLiteral("sample"));
    parser.addOption(sample);
    int status = Ok;
    if (!parse(QStringLiteral("init"), arguments, parser, status))
        return status;
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("init"), QStringLiteral("takes no arguments; name the file with --file PATH."));
    return init(QFileInfo(m_file).absoluteFilePath(), parser.isSet(sample), m_out, m_err, Program + QStringLiteral(" init"));
}

int Cli::find(const QStringList& arguments)
{
    const QString command = QStringLiteral("find");
    QCommandLineParser parser;
    int status = Ok;
    if (!parse(command, arguments, parser, status))
        return status;
    // Words given apart are looked for together, as one would type them.
    const QString text = parser.positionalArguments().join(u' ');
    if (text.trimmed().isEmpty())
        return fail(command, QStringLiteral("nothing to look for. Usage: quorvelin-tool find TEXT"));

    store::Database database(requireFile());
    const Tree tree = Tree::load(database);
    const Finder finder(text);
    const std::vector<size_t> found = finder.find(tree);
    for (const size_t i : found) {
        const Tree::Record& r = tree.records()[i];
        print(QStringLiteral("%1\t%2\t%3\n")
                  .arg(oneLine(FolderPath::format(tree.pathOf(i))), oneLine(r.name),
                       r.isFolder() ? QString() : QString::number(*r.telValue)));
    }
    if (const size_t detached = tree.detachedCount())
        warn(command, QStringLiteral("warning: %1 not searched; see quorvelin-tool check.")
                          .arg(counted(qsizetype(detached), QStringLiteral("damaged record was"),
                                       QStringLiteral("damaged records were"))));
    return found.empty() ? NotFound : Ok;
}

int Cli::exportBook(const QStringList& arguments)
{
    const QString command = QStringLiteral("export");
    QCommandLineParser parser;
    const QCommandLineOption format = formatOption();
    const QCommandLineOption folder(QStringLiteral("folder"), QString(), QStringLiteral("PATH"));
    parser.addOption(format);
    parser.addOption(folder);
    int status = Ok;
    if (!parse(command, arguments, parser, status))
        return status;
    if (!parser.positionalArguments().isEmpty())
        return fail(command, QStringLiteral("unexpected argument \"%1\". See quorvelin-tool export --help.")
                                 .arg(parser.positionalArguments().first()));
    const auto kind = formatNamed(parser.isSet(format) ? parser.value(format) : QStringLiteral("csv"));
    if (!kind)
        return fail(command, QStringLiteral("unknown format \"%1\": use csv or vcard.").arg(parser.value(format)));

    store::Database database(requireFile());
    const Tree tree = Tree::load(database);
    const std::vector<FlatRecord> records = tree.flatten(tree.scope(parser.value(folder)));
    const QByteArray data = *kind == Format::Csv ? CsvFormat::write(records) : VCardFormat::write(records);
    if (m_out.write(data) != data.size())
        return fail(command, QStringLiteral("cannot write the output: %1").arg(m_out.errorString()));
    if (const size_t detached = tree.detachedCount())
        warn(command, QStringLiteral("warning: %1 left out; see quorvelin-tool check.")
                          .arg(counted(qsizetype(detached), QStringLiteral("damaged record was"),
                                       QStringLiteral("damaged records were"))));
    return Ok;
}

int Cli::importBook(const QStringList& arguments)
{
    const QString command = QStringLiteral("import");
    QCommandLineParser parser;
    const QCommandLineOption format = formatOption();
    const QCommandLineOption into(QStringLiteral("into"), QString(), QStringLiteral("PATH"));
    parser.addOption(format);
    parser.addOption(into);
    int status = Ok;
    if (!parse(command, arguments, parser, status))
        return status;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return fail(command, QStringLiteral("expected one FILE to import. See quorvelin-tool import --help."));
    const QString input = positional.first();
    const QString suffix = QFileInfo(input).suffix().toLower();
    const QString formatName = parser.isSet(format) ? parser.value(format)
                               : (suffix == u"vcf" || suffix == u"vcard") ? QStringLiteral("vcard")
                                                                          : QStringLiteral("csv");
    const auto kind = formatNamed(formatName);
    if (!kind)
        return fail(command, QStringLiteral("unknown format \"%1\": use csv or vcard.").arg(formatName));
    const QString target = requireFile();

    QByteArray data;
    if (input == u"-") {
        if (!m_in)
            return fail(command, QStringLiteral("no standard input to read."));
        data = m_in->readAll();
    } else {
        QFile file(input);
        if (!file.open(QIODevice::ReadOnly))
            return fail(command, QStringLiteral("cannot read %1: %2").arg(input, file.errorString()));
        data = file.readAll();
    }

    // Read all of it before anything is written: a malformed line must leave
    // the directory as it was.
    std::vector<FlatRecord> records;
    QStringList warnings;
    try {
        records = *kind == Format::Csv ? CsvFormat::read(data) : VCardFormat::read(data, &warnings);
    } catch (const FormatError& error) {
        return fail(command, QStringLiteral("%1:%2: %3. Nothing was imported.")
                                 .arg(input == u"-" ? QStringLiteral("<stdin>") : input)
                                 .arg(error.line())
                                 .arg(error.message()));
    }
    for (const QString& warning : warnings)
        warn(command, QStringLiteral("%1: %2").arg(input, warning));

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

int Cli::check(const QStringList& arguments)
{
    const QString command = QStringLiteral("check");
    QCommandLineParser parser;
    const QCommandLineOption repair(QStringLiteral("repair"));
    parser.addOption(repair);
    int status = Ok;
    if (!parse(command, arguments, parser, status))
        return status;
    if (!parser.positionalArguments().isEmpty())
        return fail(command, QStringLiteral("unexpected argument \"%1\". See quorvelin-tool check --help.")
                                 .arg(parser.positionalArguments().first()));
    const QString target = requireFile();

    std::unique_ptr<store::FileLock> lock;
    if (parser.isSet(repair)) {
        try {
            lock = std::make_unique<store::FileLock>(target);
        } catch (const store::StoreError& error) {
            throw ToolError(QStringLiteral("cannot repair: %1 Nothing was changed.").arg(error.message()));
        }
    }
    store::Database database(target);

    auto report = [&]() {
        const Tree tree = Tree::load(database);
        std::vector<Checker::Problem> problems = Checker::structure(tree);
        for (const QString& message : Checker::integrity(database))
            problems.push_back({Checker::Problem::Kind::Integrity, QStringLiteral("integrity check: ") + message});
        if (problems.empty()) {
            print(QStringLiteral("%1: %2, no problems found.\n")
                      .arg(target, counted(qsizetype(tree.records().size()), QStringLiteral("record"),
                                           QStringLiteral("records"))));
        } else {
            print(QStringLiteral("%1: %2 found:\n")
                      .arg(target, counted(qsizetype(problems.size()), QStringLiteral("problem"),
                                           QStringLiteral("problems"))));
            for (const Checker::Problem& problem : problems)
                print(QStringLiteral("  %1\n").arg(oneLine(problem.text)));
        }
        return problems;
    };

    const std::vector<Checker::Problem> problems = report();
    if (problems.empty())
        return Ok;
    if (!lock) {
        print(QStringLiteral("Run \"quorvelin-tool check --repair\" to repair them; it keeps a copy of the file first.\n"));
        return Damaged;
    }
    const bool integrityFailed = std::any_of(problems.begin(), problems.end(), [](const Checker::Problem& p) {
        return p.kind == Checker::Problem::Kind::Integrity;
    });

    const QString copy = Backup::copy(target, Backup::besideName(target, QStringLiteral("before-repair")));
    print(QStringLiteral("Kept a copy of the file as %1.\n").arg(copy));
    Checker::Plan plan;
    try {
        database.useRollbackJournal();
        store::Transaction transaction(database);
        plan = Checker::plan(Tree::load(database), integrityFailed);
        Checker::apply(database, plan);
        transaction.Commit();
    } catch (const store::StoreError& error) {
        throw ToolError(error.message() + QStringLiteral(". Nothing was changed."));
    }
    print(QStringLiteral("Repaired:\n"));
    for (const QString& action : plan.actions)
        print(QStringLiteral("  %1\n").arg(oneLine(action)));
    if (!report().empty())
        return fail(command, QStringLiteral("damage remains that this tool cannot repair; the copy %1 holds the "
                                            "file as it was before.")
                                 .arg(copy));
    return Ok;
}

int Cli::backup(const QStringList& arguments)
{
    const QString command = QStringLiteral("backup");
    QCommandLineParser parser;
    int status = Ok;
    if (!parse(command, arguments, parser, status))
        return status;
    if (parser.positionalArguments().size() != 1)
        return fail(command, QStringLiteral("expected one DEST. See quorvelin-tool backup --help."));
    const QString written = Backup::copy(requireFile(), parser.positionalArguments().first());
    print(QStringLiteral("Copied %1 to %2.\n").arg(m_file, written));
    return Ok;
}

int Cli::publish(const QStringList& arguments)
{
    const QString command = QStringLiteral("publish");
    QCommandLineParser parser;
    const QCommandLineOption folder(QStringLiteral("folder"), QString(), QStringLiteral("PATH"));
    const QCommandLineOption user(QStringLiteral("user"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"));
    const QCommandLineOption timeout(QStringLiteral("timeout"), QString(), QStringLiteral("SECONDS"), QStringLiteral("60"));
    parser.addOptions({folder, user, dryRun, timeout});
    int status = Ok;
    if (!parse(command, arguments, parser, status))
        return status;
    if (parser.positionalArguments().size() != 1)
        return fail(command, QStringLiteral("expected one URL. See quorvelin-tool publish --help."));
    bool number = false;
    const int seconds = parser.value(timeout).toInt(&number);
    // A day is longer than any one request of a real address book takes.
    if (!number || seconds < 1 || seconds > 86'400)
        return fail(command, QStringLiteral("--timeout takes a number of seconds from 1 to 86400, not \"%1\".")
                                 .arg(parser.value(timeout)));
    Publisher publisher(m_out, m_err, m_progress);
    const bool done = publisher.run(requireFile(), {parser.positionalArguments().first(), parser.value(folder),
                                                    parser.value(user), parser.isSet(dryRun), seconds});
    return done ? Ok : Failed;
}
