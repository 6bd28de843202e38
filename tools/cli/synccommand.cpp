#include "tools/cli/synccommand.h"

#include "tools/carddav/collectionscope.h"
#include "tools/carddav/davclient.h"
#include "tools/carddav/directorystate.h"
#include "tools/carddav/publisher.h"
#include "tools/carddav/syncer.h"
#include "tools/cli/passwordsource.h"
#include "tools/formats/numberreader.h"
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
                  give up on a request not answered whole within SECONDS
                  (60 by default).
  --unattended    for the launcher and the timer: nothing when no sync was
                  set up; a file Quorvelin has open is skipped quietly; the
                  password never asked for.

What sync remembers lives in $XDG_STATE_HOME/quorvelin/ (else
~/.local/state/quorvelin/), one file for each directory file; losing it is
safe: the next sync matches contacts by their cards' names and by name and
number, adds nothing twice and removes nothing. The directory's changes are
one transaction, under the lock the window holds: sync refuses to run while
Quorvelin has the file open. A sync cut off anywhere leaves both sides
whole, and the next one finishes the work.

A card the server lists but does not send is named and left as it was on
both sides, and read again next time; only a card the server says is gone
takes its entries with it. A card the server refuses to store is named,
and what the directory would take from it waits for it. The summary counts
what each side accepted.

Exit status: 0 both sides hold the same; 1 done but conflicts, listed; 2
failed, or a card could not be read or written (named), with both sides
whole and the rest done.
)help");
}

int SyncCommand::run(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption user(QStringLiteral("user"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption folder(QStringLiteral("folder"), QString(), QStringLiteral("PATH"));
    const QCommandLineOption region(QStringLiteral("region"), QString(), QStringLiteral("CC"));
    const QCommandLineOption prefer(QStringLiteral("prefer"), QString(), QStringLiteral("directory|server"));
    const QCommandLineOption force(QStringLiteral("force"));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"));
    const QCommandLineOption passwordCommand(QStringLiteral("password-command"), QString(), QStringLiteral("CMD"));
    const QCommandLineOption timeout(QStringLiteral("timeout"), QString(), QStringLiteral("SECONDS"), QStringLiteral("60"));
    const QCommandLineOption unattended(QStringLiteral("unattended"));
    parser.addOptions({user, folder, region, prefer, force, dryRun, passwordCommand, timeout, unattended});
    int status = Ok;
    if (!parse(arguments, parser, status))
        return status;
    if (parser.positionalArguments().size() > 1)
        return fail(QStringLiteral("expected one URL at most. See quorvelin-tool sync --help."));
    bool number = false;
    const int seconds = parser.value(timeout).toInt(&number);
    if (!number || seconds < 1 || seconds > 86'400)
        return fail(QStringLiteral("--timeout takes a number of seconds from 1 to 86400, not \"%1\".")
                        .arg(parser.value(timeout)));
    Syncer::Options options;
    if (parser.isSet(prefer)) {
        const QString side = parser.value(prefer);
        if (side == u"directory")
            options.prefer = TwoWayPlan::Prefer::Directory;
        else if (side == u"server")
            options.prefer = TwoWayPlan::Prefer::Server;
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
            return CollectionScope(Publisher::addressBook(text)).identity();
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
    if (parser.isSet(user))
        settings.user = parser.value(user);
    if (parser.isSet(folder))
        settings.folder = parser.value(folder);
    if (parser.isSet(region)) {
        settings.region = parser.value(region).toUpper();
        if (!NumberReader::isRegion(settings.region))
            return fail(QStringLiteral("unknown region \"%1\": give a country's two letters, such as DE or US.")
                            .arg(parser.value(region)));
    } else if (settings.region.isEmpty()) {
        settings.region = NumberReader::regionFromEnvironment();
    }
    if (parser.isSet(passwordCommand))
        settings.passwordCommand = parser.value(passwordCommand);

    const QUrl url = Publisher::addressBook(settings.url);
    const QString name = settings.user.isEmpty() ? url.userName() : settings.user;
    DavClient client(name, name.isEmpty() ? QString() : PasswordSource::password(name, url, settings.passwordCommand, !quiet),
                     seconds);
    options.folder = settings.folder;
    options.region = settings.region;
    options.force = parser.isSet(force);
    options.dryRun = parser.isSet(dryRun);
    // Remembered only once a sync went through: a mistyped address or an
    // option tried in a dry run does not become what the timer syncs.
    if (!options.dryRun)
        options.settings = settings;

    Syncer syncer(m_context.out, m_context.err, m_context.progress);
    try {
        return syncer.run(file, state, CollectionScope(url), client, options);
    } catch (const store::StoreError& error) {
        // The window has the file: the timer tries again later.
        if (quiet && error.busy())
            return Ok;
        throw;
    }
}
