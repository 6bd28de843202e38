#include "tools/cli/exportcommand.h"

#include "tools/directory/tree.h"
#include "tools/formats/csvformat.h"
#include "tools/formats/folderpath.h"
#include "tools/formats/vcardformat.h"

#include "store/database.h"

#include <QCommandLineParser>

QString ExportCommand::help() const
{
    return QStringLiteral(R"(Usage: quorvelin-tool [--file PATH] export [--format csv|vcard] [--folder PATH]

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
                  rather than a number they round or reformat. Where a
                  name or path starts with = + - @ or ', or has one after
                  a comma, semicolon or tab (where a spreadsheet may split
                  it into cells), it gets an apostrophe there, the
                  spreadsheet mark for text, so that nothing runs as a
                  formula; import takes it off again.
  --format vcard  vCard 4.0: for each entry a card with FN, TEL and the
                  folder path in CATEGORIES; for each folder a card with
                  KIND:group.
  --folder PATH   only this folder (all folders of that path, when sibling
                  folders share a name) with everything beneath it.

Records that the top level cannot reach (see check), and those deeper than
256 folders, which import would refuse, are left out, with a warning.
)");
}

int ExportCommand::run(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption format = formatOption();
    const QCommandLineOption folder(QStringLiteral("folder"), QString(), QStringLiteral("PATH"));
    parser.addOption(format);
    parser.addOption(folder);
    int status = Ok;
    if (!parseOptions(arguments, parser, status))
        return status;
    const auto kind = formatNamed(parser.isSet(format) ? parser.value(format) : QStringLiteral("csv"));
    if (!kind)
        return fail(QStringLiteral("unknown format \"%1\": use csv or vcard.").arg(parser.value(format)));

    store::Database database(requireFile(), store::Database::Access::ReadOnly);
    const Tree tree = Tree::load(database);
    std::vector<FlatRecord> records;
    qsizetype tooDeep = 0;
    for (Tree::Placed& placed : tree.place(tree.scope(parser.value(folder)))) {
        if (placed.tooDeep)
            ++tooDeep;
        else
            records.push_back(std::move(placed.record));
    }
    const QByteArray data = *kind == Format::Csv ? CsvFormat::write(records) : VCardFormat::write(records);
    if (m_context.out.write(data) != data.size())
        return fail(QStringLiteral("cannot write the output: %1").arg(m_context.out.errorString()));
    if (tooDeep)
        warn(QStringLiteral("warning: %1 deeper than %2 folders, which no file can carry back in, left out.")
                 .arg(counted(tooDeep, QStringLiteral("record lies"), QStringLiteral("records lie")),
                      QString::number(FolderPath::MaxDepth)));
    if (const size_t detached = tree.detachedCount())
        warn(QStringLiteral("warning: %1 left out; see quorvelin-tool check.")
                          .arg(counted(qsizetype(detached), QStringLiteral("damaged record was"),
                                       QStringLiteral("damaged records were"))));
    return Ok;
}
