#include "tools/cli/checkcommand.h"

#include "tools/directory/backup.h"
#include "tools/directory/checker.h"
#include "tools/directory/tree.h"
#include "tools/formats/toolerror.h"

#include "store/lockeddatabase.h"
#include "store/storeerror.h"

#include <QCommandLineParser>

#include <algorithm>
#include <optional>

QString CheckCommand::help() const
{
    return QStringLiteral(R"(Usage: quorvelin-tool [--file PATH] check [--repair [--region CC]]

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
               numbers written as text become numbers, read as import
               reads them ("+49 (0)30 1234567" is 301234567 for region
               DE, 49301234567 without one), an extension kept in the
               name; other values make the record a folder whose name
               keeps the value;
               records sharing a code get new codes (a folder keeps the
               old one, so what is inside it stays);
               records whose folder is missing or not a folder, and one
               folder of each cycle, move into the top-level folder
               "Recovered" (made when there is none);
               indexes the engine found wrong are rebuilt.
             Whole numbers stored as reals are left as they are: a column
             declared REAL turns any number written to it into a real again.
             Then checks again. Refuses while Quorvelin has the file open.
  --region CC
             with --repair, read national numbers as those of this country
             (two letters: DE, CH, US). Without it, the locale's territory
             (LC_ALL, else LC_TELEPHONE, else LANG: de_DE.UTF-8 gives DE);
             without one there either, numbers are read as far as they
             tell their country themselves.
)");
}

int CheckCommand::run(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption repair(QStringLiteral("repair"));
    const QCommandLineOption regionOption(QStringLiteral("region"), QString(), QStringLiteral("CC"));
    parser.addOptions({repair, regionOption});
    int status = Ok;
    if (!parseOptions(arguments, parser, status))
        return status;
    // As import picks it, so that a repaired number is the one an import of
    // the same text stores.
    const QString region = this->region(parser, regionOption);
    const QString target = requireFile();

    // To repair, the file is held as every writer holds it; to check, only
    // read, even while the window has it.
    std::optional<store::LockedDatabase> directory;
    std::optional<store::Database> readOnly;
    if (parser.isSet(repair)) {
        try {
            directory.emplace(target);
        } catch (const store::StoreError& error) {
            throw ToolError(QStringLiteral("cannot repair: %1 Nothing was changed.").arg(error.message()));
        }
    }
    store::Database& database = directory ? directory->database()
                                          : readOnly.emplace(target, store::Database::Access::ReadOnly);

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
    if (!directory) {
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
        store::Transaction transaction = directory->begin();
        plan = Checker::plan(Tree::load(database), integrityFailed, region);
        Checker::apply(database, plan);
        transaction.Commit();
    } catch (const store::StoreError& error) {
        throw ToolError(error.message() + QStringLiteral(". Nothing was changed."));
    }
    print(QStringLiteral("Repaired:\n"));
    for (const QString& action : plan.actions)
        print(QStringLiteral("  %1\n").arg(oneLine(action)));
    if (!report().empty())
        return fail(QStringLiteral("damage remains that this tool cannot repair; the copy %1 holds the "
                                            "file as it was before.")
                                 .arg(copy));
    return Ok;
}
