#include "tools/cli/cli.h"

#include "tools/cli/backupcommand.h"
#include "tools/cli/checkcommand.h"
#include "tools/cli/exportcommand.h"
#include "tools/cli/findcommand.h"
#include "tools/cli/importcommand.h"
#include "tools/cli/initcommand.h"
#include "tools/cli/printcommand.h"
#include "tools/cli/publishcommand.h"
#include "tools/cli/synccommand.h"
#include "tools/formats/printable.h"
#include "tools/formats/toolerror.h"

#include "store/storeerror.h"

#include <QCommandLineParser>

#include <exception>

namespace {

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
  print [--folder PATH] [--output FILE.pdf] [--printer [NAME]]
        [--paper a4|letter] [--columns N] [--region CC]
                                           a phone list of the tree or a
                                           folder, in a PDF or on a printer
  import [--format FORMAT] [--region CC] [--into PATH] [--dry-run] [--strict] FILE
                                           add the contacts of FILE: a phone's
                                           vCard export, Google, Outlook or
                                           Thunderbird CSV, or an export
  check [--repair]                         look for damage, and repair it
  backup DEST                              copy the file safely, even while
                                           Quorvelin has it open
  publish URL [--folder PATH] [--user NAME] [--dry-run]
                                           make a CardDAV address book hold
                                           the entries, for phones and mail
                                           clients
  sync [URL] [--user NAME] [--folder PATH] [--region CC] [--prefer SIDE]
                                           keep the directory and a CardDAV
                                           address book in step, both ways

Run "quorvelin-tool COMMAND --help" (or "quorvelin-tool help COMMAND") for
the details of a command.

Folder paths: "/" is the top level, "/Work/Sales" the folder Sales in Work.
In a path, a "/" inside a name is written "\/", a "\" as "\\", and an empty
name as "\e".

Import, check --repair and sync refuse to write while Quorvelin has the file
open. Exit status: 0 done; 1 find found nothing, check found damage, import
left cards, rows or numbers out (and imported the rest), or sync left
conflicts; 2 failed.
)");

} // namespace

Cli::Cli(QIODevice& out, QIODevice& err, QIODevice* in)
    : m_context{out, err, in}
{
    m_commands.push_back(std::make_unique<InitCommand>(m_context));
    m_commands.push_back(std::make_unique<FindCommand>(m_context));
    m_commands.push_back(std::make_unique<ExportCommand>(m_context));
    m_commands.push_back(std::make_unique<PrintCommand>(m_context));
    m_commands.push_back(std::make_unique<ImportCommand>(m_context));
    m_commands.push_back(std::make_unique<CheckCommand>(m_context));
    m_commands.push_back(std::make_unique<BackupCommand>(m_context));
    m_commands.push_back(std::make_unique<PublishCommand>(m_context));
    m_commands.push_back(std::make_unique<SyncCommand>(m_context));
}

Cli::~Cli() = default;

Command* Cli::command(const QString& name) const
{
    for (const auto& command : m_commands) {
        if (command->name() == name)
            return command.get();
    }
    return nullptr;
}

void Cli::print(const QString& text)
{
    m_context.out.write(text.toUtf8());
}

int Cli::fail(const QString& message, const QString& command)
{
    // The message may hold what was typed, or a name from the file.
    const QString who =
        command.isEmpty() ? QStringLiteral("quorvelin-tool") : QStringLiteral("quorvelin-tool ") + command;
    m_context.err.write(QStringLiteral("%1: %2\n").arg(who, Printable::text(message)).toUtf8());
    return Command::Failed;
}

bool Cli::parseGeneral(QCommandLineParser& parser, const QStringList& arguments)
{
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    parser.addOption(Command::fileOption());
    parser.addOption(Command::helpOption());
    return parser.parse(arguments);
}

bool Cli::laysOutText(const QStringList& arguments)
{
    QCommandLineParser parser;
    return parseGeneral(parser, arguments) && parser.positionalArguments().value(0) == u"print";
}

int Cli::run(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption file = Command::fileOption();
    const QCommandLineOption help = Command::helpOption();
    if (!parseGeneral(parser, arguments))
        return fail(parser.errorText() + QStringLiteral(" See quorvelin-tool --help."));
    if (parser.isSet(help)) {
        print(MainHelp);
        return Command::Ok;
    }
    if (parser.isSet(file))
        m_context.file = parser.value(file);
    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return fail(QStringLiteral("no command given. See quorvelin-tool --help."));
    const QString name = positional.first();
    const QStringList rest = positional.mid(1);

    if (name == u"help") {
        if (rest.isEmpty()) {
            print(MainHelp);
            return Command::Ok;
        }
        const Command* asked = command(rest.first());
        if (!asked)
            return fail(QStringLiteral("no command \"%1\". See quorvelin-tool --help.").arg(rest.first()));
        print(asked->help());
        return Command::Ok;
    }
    Command* chosen = command(name);
    if (!chosen)
        return fail(QStringLiteral("no command \"%1\". See quorvelin-tool --help.").arg(name));
    try {
        return chosen->run(rest);
    } catch (const store::StoreError& error) {
        return fail(error.message(), name);
    } catch (const ToolError& error) {
        return fail(error.message(), name);
    } catch (const std::exception& error) {
        // Out of memory on a huge input, say: still a message and a status.
        return fail(QString::fromLocal8Bit(error.what()), name);
    }
}
