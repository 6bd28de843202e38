#include "tools/cli/publishcommand.h"

#include "tools/carddav/collectionscope.h"
#include "tools/http/davclient.h"

#include <QCommandLineParser>

QString PublishCommand::help() const
{
    return QStringLiteral(R"(Usage: quorvelin-tool [--file PATH] publish URL [--folder PATH] [--user NAME] [--dry-run]
                                             [--timeout SECONDS] [--password-command CMD]

Makes the CardDAV address book at URL (Nextcloud, Radicale, a mail
provider's) hold a vCard 3.0 card (4.0 where it takes no other) for every
telephone entry of the directory, or of the folder PATH with everything
beneath it: FN and N the name, TEL the number, CATEGORIES the folder path
as export writes it (none for the top level), and a UID made from the
entry's code, so that a phone keeps its link to a card when the name or
number changes. The directory is the master: a card whose name, number or
folder was changed on the server is put back as the directory has it,
keeping what a phone added to it, and a card whose entry is gone is
removed.

Only what differs is sent; a second publish with nothing changed sends no
card. Cards publish did not make from this directory are never changed or
removed. Its own are stored as quorvelin-ID-CODE.vcf, ID standing for the
path of the directory file: the same file published from another path
counts as another directory.

  --folder PATH   only this folder with everything beneath it; the cards
                  of other entries published before are removed.
  --user NAME     the user name on the server (else the one in URL, as in
                  https://ann@example.com/...). The password comes from the
                  environment variable QUORVELIN_CARDDAV_PASSWORD, from
                  --password-command, from the desktop keyring (kept there
                  with: secret-tool store --label=Quorvelin service quorvelin
                  url URL user NAME), or is asked on the terminal; never put
                  it in URL.
  --password-command CMD
                  run CMD (with /bin/sh) and take the first line it prints
                  as the password, e.g. "pass show carddav".
  --dry-run       read the address book and list what would be sent;
                  send nothing.
  --timeout SECONDS
                  give up on a request not answered whole within SECONDS,
                  its retry after the password's challenge included (60 by
                  default); once one has run out of time, no further
                  request is sent.

URL is https:// (the system's certificates are checked); plain http:// is
refused except to this computer. The directory file is only read, so
publish runs while Quorvelin has it open. A card changed on the server
while publish runs is reported by name; publishing again finishes the work.

The server is not trusted: an address it names outside the address book
(another path, host or port) is skipped with a warning and never sent
anything, a card without a valid ETag is never changed or removed, and an
answer larger than 64 MB is refused.
)");
}

int PublishCommand::run(const QStringList& arguments)
{
    QCommandLineParser parser;
    addOptions(parser);
    int status = Ok;
    if (!parse(arguments, parser, status))
        return status;
    if (parser.positionalArguments().size() != 1)
        return fail(QStringLiteral("expected one URL. See quorvelin-tool publish --help."));
    const int timeout = seconds(parser);
    const QString file = requireFile();
    const QUrl url = CollectionScope::addressBook(parser.positionalArguments().first());
    const std::unique_ptr<DavClient> client =
        this->client(url, parser.value(m_user), parser.value(m_passwordCommand), true, timeout);
    DirectoryState state(file);
    const CollectionScope scope(url);
    SyncEngine::Options options;
    options.policy = SyncPlan::Policy::Mirror;
    options.folder = parser.value(m_folder);
    options.dryRun = parser.isSet(m_dryRun);
    const SyncEngine::Result result = SyncEngine(*client, scope, listener()).run(file, state, options);

    const SyncPlan& plan = result.plan;
    const QString entries = counted(qsizetype(plan.directoryEntries), QStringLiteral("entry"), QStringLiteral("entries"));
    if (options.dryRun) {
        print(QStringLiteral("Would send to %1:\n").arg(scope.url().toDisplayString()));
        size_t added = 0;
        size_t changed = 0;
        size_t removed = 0;
        for (const SyncPlan::CardWrite& w : plan.cardWrites) {
            if (w.held())
                continue;
            ++(w.made ? added : changed);
            print(QStringLiteral("PUT     %1  (%2 %3)\n")
                      .arg(w.path.section(u'/', -1), w.made ? QStringLiteral("add") : QStringLiteral("change"), w.label));
        }
        for (const SyncPlan::CardRemoval& r : plan.cardRemovals) {
            if (r.held())
                continue;
            ++removed;
            print(QStringLiteral("DELETE  %1  (remove %2)\n").arg(r.path.section(u'/', -1), r.label));
        }
        reportFailures(result, name());
        print(QStringLiteral("%1: %2 to add, %3 to change, %4 to remove, %5 unchanged. Dry run: nothing was sent.\n")
                  .arg(entries, QString::number(added), QString::number(changed), QString::number(removed),
                       QString::number(plan.unchanged)));
        return result.unreadable.empty() ? Ok : Failed;
    }
    const bool done = reportFailures(result, name());
    QString summary = QStringLiteral("%1: %2 added, %3 changed, %4 removed, %5 unchanged")
                          .arg(entries, QString::number(result.cardsMade), QString::number(result.cardsChanged),
                               QString::number(result.cardsRemoved), QString::number(plan.unchanged));
    if (result.cardsFailed)
        summary += QStringLiteral("; %1").arg(
            counted(qsizetype(result.cardsFailed), QStringLiteral("card not done"), QStringLiteral("cards not done")));
    print(summary + QStringLiteral(".\n"));
    return done ? Ok : Failed;
}
