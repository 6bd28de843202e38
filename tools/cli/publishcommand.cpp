#include "tools/cli/publishcommand.h"

#include "tools/carddav/publisher.h"
#include "tools/cli/passwordsource.h"

#include <QCommandLineParser>

QString PublishCommand::help() const
{
    return QStringLiteral(R"(Usage: quorvelin-tool [--file PATH] publish URL [--folder PATH] [--user NAME] [--dry-run]
                                             [--timeout SECONDS] [--password-command CMD]

Makes the CardDAV address book at URL (Nextcloud, Radicale, a mail
provider's) hold a vCard 3.0 card for every telephone entry of the
directory, or of the folder PATH with everything beneath it: FN and N the
name, TEL the number, CATEGORIES the folder path as export writes it, and a
UID made from the entry's code, so that a phone keeps its link to a card
when the name or number changes. The directory is the master: a card
changed on the server is put back as the directory has it, and a card
whose entry is gone is removed.

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
                  give up on a request not answered whole within SECONDS
                  (60 by default); once one has run out of time, no further
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
    const QCommandLineOption folder(QStringLiteral("folder"), QString(), QStringLiteral("PATH"));
    const QCommandLineOption user(QStringLiteral("user"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption dryRun(QStringLiteral("dry-run"));
    const QCommandLineOption timeout(QStringLiteral("timeout"), QString(), QStringLiteral("SECONDS"), QStringLiteral("60"));
    const QCommandLineOption passwordCommand(QStringLiteral("password-command"), QString(), QStringLiteral("CMD"));
    parser.addOptions({folder, user, dryRun, timeout, passwordCommand});
    int status = Ok;
    if (!parse(arguments, parser, status))
        return status;
    if (parser.positionalArguments().size() != 1)
        return fail(QStringLiteral("expected one URL. See quorvelin-tool publish --help."));
    bool number = false;
    const int seconds = parser.value(timeout).toInt(&number);
    // A day is longer than any one request of a real address book takes.
    if (!number || seconds < 1 || seconds > 86'400)
        return fail(QStringLiteral("--timeout takes a number of seconds from 1 to 86400, not \"%1\".")
                        .arg(parser.value(timeout)));
    const QString file = requireFile();
    const QUrl url = Publisher::addressBook(parser.positionalArguments().first());
    const QString name = parser.isSet(user) ? parser.value(user) : url.userName();
    Publisher publisher(m_context.out, m_context.err, m_context.progress);
    const bool done = publisher.run(file, {url, parser.value(folder), name,
                                           name.isEmpty() ? QString()
                                                          : PasswordSource::password(name, url, parser.value(passwordCommand), true),
                                           parser.isSet(dryRun),
                                           seconds});
    return done ? Ok : Failed;
}
