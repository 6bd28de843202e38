#include "tools/cli/synccommand.h"

#include "tools/carddav/collectionscope.h"
#include "tools/http/davclient.h"
#include "tools/carddav/directorystate.h"
#include "tools/formats/toolerror.h"

#include "store/storeerror.h"

#include <QCommandLineParser>

QString SyncCommand::help() const
{
    return QStringLiteral(R"help(Usage: quorvelin-tool [--file PATH] sync [URL] [--user NAME] [--folder PATH]
                              [--region CC] [--prefer directory|server] [--force] [--dry-run]
                              [--password-command CMD] [--timeout SECONDS] [--unattended]

Keeps the directory, or the folder PATH with everything beneath it, and the
CardDAV address book at URL in step, both ways, so that a phone, a laptop
and the desk share one directory. Every change made on either side since
the last sync reaches the other: entries added, changed (name, number,
folder) and removed there, contacts added, changed and removed here.

Each entry is linked to one number on one card. A new entry gets a card of
its own (quorvelin-ID-CODE.vcf, as publish makes them); a contact added on
the server comes in as import takes it: one entry for each number, its
kind in the name when there are several ("Anna Berger (mobile)", "(other)"
for a number without one, "(mobile 2)" for a second mobile), in the folder
its first category names (made as needed), else at the top (or in PATH).
Changing an entry changes its number on the card and the card's name and
category; changing only the kind in its name relabels that number;
nothing else on a card is ever touched: e-mail, photo, address, notes,
other numbers, the phone's own groups, unknown properties stay. A number
written another way ("030 1234567" for "+49 30 1234567") is the same
number, and a change of region rewrites none. Removing an entry removes
its number; a card whose last number goes is removed only if sync made it
or nothing else is on it.

The same contact changed on both sides in different ways is a conflict:
neither side changes, both versions are listed, and the sync ends with
status 1 after doing everything else. --prefer chooses the side that wins.
Removed on one side and changed on the other: the change wins.

  URL             the address book, as for publish; left out, the one of
                  the last sync, with its --user, --folder, --region and
                  --password-command, which the same address book written
                  another way keeps too. They are remembered once the
                  server has answered, never after a dry run.
  --user NAME     the user name on the server. The password as for
                  publish: QUORVELIN_CARDDAV_PASSWORD, --password-command,
                  the desktop keyring (secret-tool store --label=Quorvelin
                  service quorvelin url URL user NAME), or the terminal.
  --folder PATH   only this folder with everything beneath it.
  --region CC     the country numbers are dialled from (DE, CH, US...):
                  numbers travel in international form (+49 30 1234567) and
                  come back as the same digits. Left out: the one of the
                  last sync, else the locale's (LC_TELEPHONE, LANG), as for
                  import. With none, numbers travel as the digits they are.
  --prefer directory|server
                  the side that wins a conflict.
  --force         carry out a sync that would remove more than half of
                  either side, which is otherwise refused (an emptied
                  address book, a wrong URL, another file); so is one that
                  would bring what syncs have removed since the last
                  --force (or the first sync) to more than half of what
                  was linked then.
  --dry-run       read both sides and list what would change; change
                  nothing, not even what is remembered.
  --password-command CMD
                  run CMD (with /bin/sh) and take the first line it prints
                  as the password.
  --timeout SECONDS
                  give up on a request not answered whole within SECONDS,
                  its retry after the password's challenge included (60 by
                  default); once one has run out of time, no further
                  request is sent.
  --unattended    for the launcher and the timer: nothing when no sync was
                  set up; a file Quorvelin has open is skipped quietly; the
                  password never asked for.

What sync remembers lives in $XDG_STATE_HOME/quorvelin/ (else
~/.local/state/quorvelin/), one file for each directory file, yours alone:
of each card its ETag and how it reads, not its text. A remembered
--password-command is run only from a file nobody else could write. An
address book of more than 100,000 cards is refused. Losing what is
remembered is safe: the next sync matches contacts by their cards' names
and by name and number, adds nothing twice and removes nothing. The
directory's changes are one transaction, under the lock the window holds:
sync refuses to run while Quorvelin has the file open. A sync cut off
anywhere leaves both sides whole, and the next one finishes the work.

A card the server lists but does not send is named and left as it was on
both sides, and read again next time; only a card the server says is gone
takes its entries with it. A card the server refuses to store is named,
and what the directory would take from it waits for it. The summary counts
what each side accepted. What no card or entry can carry is named and left
as it is on both sides, with what is linked to it: a card with more than
10,000 numbers or 10,000 other lines, or a category deeper than 256
folders (not read again until it changes), and an entry deeper than 256
folders.

Exit status: 0 both sides hold the same; 1 done but conflicts, listed; 2
failed, or a card could not be read or written (named), with both sides
whole and the rest done.
)help");
}

int SyncCommand::run(const QStringList& arguments)
{
    QCommandLineParser parser;
    addOptions(parser);
    const QCommandLineOption region(QStringLiteral("region"), QString(), QStringLiteral("CC"));
    const QCommandLineOption prefer(QStringLiteral("prefer"), QString(), QStringLiteral("directory|server"));
    const QCommandLineOption force(QStringLiteral("force"));
    const QCommandLineOption unattended(QStringLiteral("unattended"));
    parser.addOptions({region, prefer, force, unattended});
    int status = Ok;
    if (!parse(arguments, parser, status))
        return status;
    if (parser.positionalArguments().size() > 1)
        return fail(QStringLiteral("expected one URL at most. See quorvelin-tool sync --help."));
    const int timeout = seconds(parser);
    SyncEngine::Options options;
    if (parser.isSet(prefer)) {
        const QString side = parser.value(prefer);
        if (side == u"directory")
            options.prefer = SyncPlan::Prefer::Directory;
        else if (side == u"server")
            options.prefer = SyncPlan::Prefer::Server;
        else
            return fail(QStringLiteral("--prefer takes directory or server, not \"%1\".").arg(side));
    }
    const QString file = requireFile();
    const bool quiet = parser.isSet(unattended);
    DirectoryState state(file);

    // What is not given is what the last sync was given.
    DirectoryState::Settings settings = state.lastSync().value_or(DirectoryState::Settings{});
    if (!parser.positionalArguments().isEmpty()) {
        const QString url = parser.positionalArguments().first();
        // Another address book starts from nothing remembered but the URL;
        // the same one written another way keeps what it was given.
        const auto identity = [](const QString& text) {
            return CollectionScope(CollectionScope::addressBook(text)).identity();
        };
        if (settings.url.isEmpty() || identity(url) != identity(settings.url))
            settings = DirectoryState::Settings{url, {}, {}, {}, {}};
    }
    if (settings.url.isEmpty()) {
        if (quiet)
            return Ok;
        return fail(QStringLiteral("no sync has been set up for %1: give the address book's URL. See "
                                   "quorvelin-tool sync --help.")
                        .arg(file));
    }
    if (parser.isSet(m_user))
        settings.user = parser.value(m_user);
    if (parser.isSet(m_folder))
        settings.folder = parser.value(m_folder);
    settings.region = this->region(parser, region, settings.region);
    if (parser.isSet(m_passwordCommand)) {
        settings.passwordCommand = parser.value(m_passwordCommand);
    } else if (!settings.passwordCommand.isEmpty() && !state.trusted()) {
        // A command is run only from a file nobody else could have written.
        warn(QStringLiteral("the password command remembered for %1 is not run: the file it is remembered in is not "
                            "yours alone. Give --password-command again.")
                 .arg(file));
        settings.passwordCommand.clear();
    }

    const QUrl url = CollectionScope::addressBook(settings.url);
    const std::unique_ptr<DavClient> client = this->client(url, settings.user, settings.passwordCommand, !quiet, timeout);
    options.folder = settings.folder;
    options.region = settings.region;
    options.force = parser.isSet(force);
    options.dryRun = parser.isSet(m_dryRun);
    // Remembered only once the address book answered, and never by a dry
    // run: a mistyped address, or an option only tried, does not become
    // what the timer syncs.
    if (!options.dryRun)
        options.settings = settings;

    try {
        return report(SyncEngine(*client, CollectionScope(url), listener()).run(file, state, options), options.dryRun);
    } catch (const store::StoreError& error) {
        // The window has the file: the timer tries again later.
        if (quiet && error.busy())
            return Ok;
        throw;
    }
}

int SyncCommand::report(const SyncEngine::Result& result, bool dryRun)
{
    const SyncPlan& plan = result.plan;
    if (dryRun) {
        for (const SyncPlan::NewEntry& n : plan.newEntries)
            print(QStringLiteral("add to the directory %1\n").arg(SyncPlan::label(n.name, n.number, n.folder)));
        for (const SyncPlan::EntryChange& c : plan.entryChanges)
            print(QStringLiteral("change in the directory %1 to %2\n")
                      .arg(SyncPlan::label(c.was.name, c.was.number, c.was.folder),
                           SyncPlan::label(c.entry.name, c.entry.number, c.entry.folder)));
        for (const SyncPlan::EntryRemoval& r : plan.entryRemovals)
            print(QStringLiteral("remove from the directory %1\n")
                      .arg(SyncPlan::label(r.entry.name, r.entry.number, r.entry.folder)));
        for (const SyncPlan::CardWrite& w : plan.cardWrites)
            print(QStringLiteral("PUT     %1  (%2)\n").arg(w.path.section(u'/', -1), w.label));
        for (const SyncPlan::CardRemoval& r : plan.cardRemovals)
            print(QStringLiteral("DELETE  %1  (%2)\n").arg(r.path.section(u'/', -1), r.label));
        print(QStringLiteral("Would do: Directory: %1 added, %2 changed, %3 removed. Address book: %4 cards written, %5 "
                             "removed. Dry run: nothing was changed.\n")
                  .arg(plan.newEntries.size())
                  .arg(plan.entryChanges.size())
                  .arg(plan.entryRemovals.size())
                  .arg(plan.cardWrites.size())
                  .arg(plan.cardRemovals.size()));
    } else {
        print(QStringLiteral("Directory: %1 added, %2 changed, %3 removed. Address book: %4 cards written, %5 "
                             "removed.\n")
                  .arg(result.entriesAdded)
                  .arg(result.entriesChanged)
                  .arg(result.entriesRemoved)
                  .arg(result.cardsMade + result.cardsChanged)
                  .arg(result.cardsRemoved));
    }
    for (const SyncPlan::Conflict& c : plan.conflicts)
        print(QStringLiteral("Conflict: %1 in the directory, %2 in the address book: changed on both sides, left as "
                             "they are; sync with --prefer directory or --prefer server to choose.\n")
                  .arg(c.directory, c.server));
    if (!reportFailures(result, name()) && !dryRun) {
        warn(QStringLiteral("not everything was done: what could not be read or written is listed above and left as "
                            "it was on both sides; sync again to finish."));
        return Failed;
    }
    if (dryRun && !result.unreadable.empty())
        return Failed;
    return plan.conflicts.empty() ? Ok : NotFound;
}
