#include "tools/cli/findcommand.h"

#include "tools/directory/finder.h"
#include "tools/directory/tree.h"
#include "tools/formats/folderpath.h"

#include "store/database.h"

#include <QCommandLineParser>

QString FindCommand::help() const
{
    return QStringLiteral(R"(Usage: quorvelin-tool [--file PATH] find TEXT

Lists every folder and entry anywhere in the tree whose name contains TEXT,
or whose number contains the digits of TEXT. Names match without regard to
case or accents, in any script: Arabic vowel marks and the tatweel are
ignored, and the forms of alef with hamza match a plain alef. In a number,
spaces, dashes, dots, brackets and a leading + are ignored, so
"555-01", "(555) 01" and "+55501" all find 5550101. Digits may be typed in
any script. They are looked for as typed, with no region: 301234567, as
import --region DE stores 030 1234567, is found by "30 123", not "030 123".

One line for each match, in tree order, its fields separated by a tab:
  the path of its folder, its name, and its number (empty for a folder)
for example
  /Work/Sales<TAB>Nora Ellis<TAB>5550111

Exit status 1 when nothing is found. Start TEXT with "--" to look for a
leading dash: quorvelin-tool find -- -0101
)");
}

int FindCommand::run(const QStringList& arguments)
{
    QCommandLineParser parser;
    int status = Ok;
    if (!parse(arguments, parser, status))
        return status;
    // Words given apart are looked for together, as one would type them.
    const QString text = parser.positionalArguments().join(u' ');
    if (text.trimmed().isEmpty())
        return fail(QStringLiteral("nothing to look for. Usage: quorvelin-tool find TEXT"));

    store::Database database(requireFile(), store::Database::Access::ReadOnly);
    const Finder finder(text);
    // Of the records that are no folders only the matches are kept.
    const Tree tree = Tree::load(database, finder.candidates(),
                                 [&](const Tree::Record& r) { return finder.matches(r.name, r.telValue.value_or(0)); });
    const std::vector<size_t> found = finder.find(tree);
    for (const size_t i : found) {
        const Tree::Record& r = tree.records()[i];
        print(QStringLiteral("%1\t%2\t%3\n")
                  .arg(oneLine(FolderPath::format(tree.pathOf(i))), oneLine(r.name),
                       r.isFolder() ? QString() : QString::number(*r.telValue)));
    }
    if (const size_t detached = tree.detachedCount())
        warn(QStringLiteral("warning: %1 not searched; see quorvelin-tool check.")
                          .arg(counted(qsizetype(detached), QStringLiteral("damaged record was"),
                                       QStringLiteral("damaged records were"))));
    return found.empty() ? NotFound : Ok;
}
