#include "publisher.h"

#include "davxml.h"
#include "terminal.h"
#include "tree.h"

#include "store/database.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <map>

namespace {

const QByteArray XmlType = "application/xml; charset=utf-8";
const QByteArray CardType = "text/vcard; charset=utf-8";

QString counted(size_t n, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(QString::number(n), QLatin1String(n == 1 ? one : many));
}

bool succeeded(int status)
{
    return status >= 200 && status <= 299;
}

// Collections are named with and without their final slash.
QString collectionPath(const QUrl& url)
{
    QString path = url.path(QUrl::FullyDecoded);
    if (!path.endsWith(u'/'))
        path += u'/';
    return path;
}

} // namespace

Publisher::Publisher(QIODevice& out, QIODevice& err, bool progress)
    : m_out(out)
    , m_err(err)
    , m_progress(progress)
{
}

QString Publisher::help()
{
    return QStringLiteral(R"(Usage: quorvelin-tool [--file PATH] publish URL [--folder PATH] [--user NAME] [--dry-run]

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
                  environment variable QUORVELIN_CARDDAV_PASSWORD, or is
                  asked on the terminal; never put it in URL.
  --dry-run       read the address book and list what would be sent;
                  send nothing.

URL is https:// (the system's certificates are checked); plain http:// is
refused except to this computer. The directory file is only read, so
publish runs while Quorvelin has it open. A card changed on the server
while publish runs is reported by name; publishing again finishes the work.
)");
}

QString Publisher::cardPrefix(const QString& path)
{
    // Two directories published into one address book must not take each
    // other's cards for their own, and the file holds no name of its own
    // that publish could use without writing to it: its path must do.
    const QFileInfo info(path);
    const QString where = info.canonicalFilePath().isEmpty() ? info.absoluteFilePath() : info.canonicalFilePath();
    const QByteArray hash = QCryptographicHash::hash(where.toUtf8(), QCryptographicHash::Sha256).toHex();
    return QStringLiteral("quorvelin-%1-").arg(QString::fromLatin1(hash.left(8)));
}

void Publisher::print(const QString& text)
{
    m_out.write(text.toUtf8());
}

void Publisher::progress(const QString& text)
{
    // Rewritten in place, and cleared with an empty text.
    if (m_progress)
        m_err.write((QStringLiteral("\r\033[K") + text).toUtf8());
}

void Publisher::warn(const QString& message)
{
    m_err.write(QStringLiteral("quorvelin-tool publish: %1\n").arg(message).toUtf8());
}

bool Publisher::run(const QString& file, const Options& options)
{
    const QUrl given(options.url, QUrl::StrictMode);
    if (const auto why = DavClient::refusal(given))
        throw ToolError(QStringLiteral("%1 %2. Nothing was sent.").arg(given.toDisplayString(QUrl::RemovePassword), *why));
    m_collection = given.adjusted(QUrl::RemoveUserInfo);
    m_collection.setPath(collectionPath(m_collection), QUrl::DecodedMode);
    m_user = options.user.isEmpty() ? given.userName() : options.user;

    const std::vector<ContactCard> wanted = cards(file, options.folder);
    DavClient client(m_user, m_user.isEmpty() ? QString() : password(m_user));
    progress(QStringLiteral("publish: reading the address book"));
    const std::vector<SyncPlan::Remote> remote = [&] {
        try {
            return readCollection(client, cardPrefix(file));
        } catch (const ToolError&) {
            progress(QString());
            throw;
        }
    }();
    progress(QString());
    const SyncPlan plan(wanted, remote);
    if (options.dryRun) {
        showPlan(plan, wanted.size());
        return true;
    }
    return send(client, plan, wanted.size());
}

std::vector<ContactCard> Publisher::cards(const QString& file, const QString& folder)
{
    store::Database database(file, store::Database::Access::ReadOnly);
    // One statement reads the whole table: the cards show the directory as
    // it was at one moment, even while Quorvelin writes to it.
    const Tree tree = Tree::load(database);
    const QString prefix = cardPrefix(file);
    std::vector<ContactCard> cards;
    QSet<qint64> codes;
    size_t skipped = tree.detachedCount();
    for (const Tree::Placed& placed : tree.place(tree.scope(folder))) {
        if (placed.record.isFolder())
            continue;
        // A card's UID is its entry's code, which a damaged file may give
        // twice or not at all.
        const std::optional<qint64> code = tree.records()[placed.index].codeValue;
        if (!code || codes.contains(*code)) {
            ++skipped;
            continue;
        }
        codes.insert(*code);
        cards.emplace_back(prefix + QString::number(*code), placed.record);
    }
    if (skipped)
        warn(QStringLiteral("warning: %1 not published; see quorvelin-tool check.")
                 .arg(counted(skipped, "damaged record was", "damaged records were")));
    return cards;
}

QString Publisher::password(const QString& user) const
{
    if (qEnvironmentVariableIsSet("QUORVELIN_CARDDAV_PASSWORD"))
        return qEnvironmentVariable("QUORVELIN_CARDDAV_PASSWORD");
    const auto typed = Terminal::readHidden(
        QStringLiteral("Password for %1 at %2: ").arg(user, m_collection.toDisplayString()));
    if (!typed)
        throw ToolError(QStringLiteral("needs the password of %1 at %2: set QUORVELIN_CARDDAV_PASSWORD, or run it on a "
                                       "terminal to type it. Nothing was sent.")
                            .arg(user, m_collection.toDisplayString()));
    return *typed;
}

QString Publisher::failure(const QUrl& url, const DavClient::Response& response) const
{
    const QString where = url.toDisplayString();
    if (response.status == 0)
        return QStringLiteral("%1: cannot reach the server: %2").arg(where, response.failure);
    QString why;
    if (response.status == 401)
        why = m_user.isEmpty() ? QStringLiteral("the server asks for a user name and password; give --user NAME")
                               : QStringLiteral("the server refused the user name %1 or its password").arg(m_user);
    else if (response.status == 403)
        why = QStringLiteral("the server does not let %1 do this").arg(m_user.isEmpty() ? QStringLiteral("anyone") : m_user);
    else if (response.status == 404)
        why = QStringLiteral("there is nothing at this address");
    else if (response.status >= 300 && response.status <= 399 && !response.location.isEmpty())
        why = QStringLiteral("the server sends clients on to %1; publish to that address if it is the address book")
                  .arg(url.resolved(QUrl(response.location)).toDisplayString(QUrl::RemoveUserInfo));
    else
        why = QStringLiteral("the server did not do it");
    return QStringLiteral("%1: %2: %3").arg(where, response.statusText(), why);
}

std::vector<SyncPlan::Remote> Publisher::readCollection(DavClient& client, const QString& prefix)
{
    const DavClient::Response listing =
        client.send({"PROPFIND", m_collection, DavXml::propfind(), {{"Depth", "1"}, {"Content-Type", XmlType}}});
    if (listing.status != 207) {
        if (succeeded(listing.status) || listing.status == 405 || listing.status == 501)
            throw ToolError(QStringLiteral("%1: %2: not a WebDAV collection, so no address book. Nothing was changed.")
                                .arg(m_collection.toDisplayString(), listing.statusText()));
        throw ToolError(failure(m_collection, listing) + QStringLiteral(". Nothing was changed."));
    }
    const auto notAddressBook = [&] {
        return ToolError(QStringLiteral("%1: %2, but not an address book collection: give the address of a CardDAV "
                                        "address book. Nothing was changed.")
                             .arg(m_collection.toDisplayString(), listing.statusText()));
    };
    std::vector<DavXml::Response> responses;
    try {
        responses = DavXml::multistatus(listing.body);
    } catch (const ToolError& error) {
        throw ToolError(QStringLiteral("%1: %2: %3. Nothing was changed.")
                            .arg(m_collection.toDisplayString(), listing.statusText(), error.message()));
    }

    // Publish's own cards are known by their names alone, so that only they
    // are fetched: an address book may hold many others.
    const auto ours = [&](const QString& name) {
        if (!name.startsWith(prefix) || !name.endsWith(QStringLiteral(".vcf")))
            return false;
        const QStringView code = QStringView(name).sliced(prefix.size(), name.size() - prefix.size() - 4);
        return !code.isEmpty() && std::all_of(code.begin(), code.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    };
    bool described = false;
    QStringList hrefs;
    QHash<QString, QString> etags; // by href, from the listing
    for (const DavXml::Response& r : responses) {
        const QUrl at = m_collection.resolved(QUrl(r.href));
        if (collectionPath(at) == collectionPath(m_collection)) {
            if (!r.addressBook)
                throw notAddressBook();
            described = true;
        } else if (!r.collection && ours(at.fileName(QUrl::FullyDecoded))) {
            hrefs.append(r.href);
            etags.insert(r.href, r.etag);
        }
    }
    if (!described)
        throw notAddressBook();
    if (hrefs.isEmpty())
        return {};

    const DavClient::Response fetched =
        client.send({"REPORT", m_collection, DavXml::multiget(hrefs), {{"Depth", "0"}, {"Content-Type", XmlType}}});
    if (fetched.status != 207)
        throw ToolError(failure(m_collection, fetched) + QStringLiteral(" (reading the cards). Nothing was changed."));
    std::vector<SyncPlan::Remote> remote;
    try {
        for (const DavXml::Response& r : DavXml::multistatus(fetched.body)) {
            // A card gone since the listing is simply not there.
            if (!succeeded(r.status) || !r.addressData)
                continue;
            const QUrl at = m_collection.resolved(QUrl(r.href));
            remote.push_back({at.fileName(QUrl::FullyDecoded), r.href, r.etag.isEmpty() ? etags.value(r.href) : r.etag,
                              *r.addressData});
        }
    } catch (const ToolError& error) {
        throw ToolError(QStringLiteral("%1: %2 (reading the cards): %3. Nothing was changed.")
                            .arg(m_collection.toDisplayString(), fetched.statusText(), error.message()));
    }
    return remote;
}

void Publisher::showPlan(const SyncPlan& plan, size_t entries)
{
    print(QStringLiteral("Would send to %1:\n").arg(m_collection.toDisplayString()));
    for (const SyncPlan::Action& a : plan.actions()) {
        const char* what = a.kind == SyncPlan::Action::Kind::Add      ? "PUT     %1  (add %2)\n"
                           : a.kind == SyncPlan::Action::Kind::Change ? "PUT     %1  (change %2)\n"
                                                                      : "DELETE  %1  (remove %2)\n";
        print(QString::fromLatin1(what).arg(a.fileName, a.label));
    }
    print(QStringLiteral("%1: %2 to add, %3 to change, %4 to remove, %5 unchanged. Dry run: nothing was sent.\n")
              .arg(counted(entries, "entry", "entries"), QString::number(plan.count(SyncPlan::Action::Kind::Add)),
                   QString::number(plan.count(SyncPlan::Action::Kind::Change)),
                   QString::number(plan.count(SyncPlan::Action::Kind::Remove)), QString::number(plan.unchanged())));
}

bool Publisher::send(DavClient& client, const SyncPlan& plan, size_t entries)
{
    const std::vector<SyncPlan::Action>& actions = plan.actions();
    std::vector<DavClient::Request> requests;
    std::vector<QUrl> urls;
    for (const SyncPlan::Action& a : actions) {
        const QUrl url = m_collection.resolved(QUrl(a.href.isEmpty() ? a.fileName : a.href));
        urls.push_back(url);
        switch (a.kind) {
        case SyncPlan::Action::Kind::Add:
            requests.push_back({"PUT", url, a.card, {{"If-None-Match", "*"}, {"Content-Type", CardType}}});
            break;
        case SyncPlan::Action::Kind::Change:
            requests.push_back({"PUT", url, a.card, {{"If-Match", a.etag.toLatin1()}, {"Content-Type", CardType}}});
            break;
        case SyncPlan::Action::Kind::Remove:
            requests.push_back({"DELETE", url, QByteArray(), {{"If-Match", a.etag.toLatin1()}}});
            break;
        }
    }

    QElapsedTimer shown;
    shown.start();
    const auto sent = [&](size_t finished) {
        // No more often than the eye follows.
        if (shown.elapsed() >= 100 || finished == requests.size()) {
            progress(QStringLiteral("publish: %1 of %2 cards sent").arg(finished).arg(requests.size()));
            shown.restart();
        }
    };
    const std::vector<DavClient::Response> responses = client.send(requests, sent);
    progress(QString());

    std::map<SyncPlan::Action::Kind, size_t> done;
    size_t failed = 0;
    for (size_t i = 0; i < actions.size(); ++i) {
        const SyncPlan::Action& a = actions[i];
        const DavClient::Response& r = responses[i];
        // Removing a card someone else removed first leaves what was wanted.
        if (succeeded(r.status) || (a.kind == SyncPlan::Action::Kind::Remove && r.status == 404)) {
            ++done[a.kind];
            continue;
        }
        ++failed;
        if (r.status == 412)
            warn(QStringLiteral("%1 (%2): %3: %4; publish again to finish.")
                     .arg(urls[i].toDisplayString(), a.label, r.statusText(),
                          a.kind == SyncPlan::Action::Kind::Add ? QStringLiteral("a card of that name was added meanwhile")
                                                                : QStringLiteral("the card changed on the server meanwhile")));
        else
            warn(QStringLiteral("%1 (%2)").arg(failure(urls[i], r), a.label));
    }
    QString summary = QStringLiteral("%1: %2 added, %3 changed, %4 removed, %5 unchanged")
                          .arg(counted(entries, "entry", "entries"), QString::number(done[SyncPlan::Action::Kind::Add]),
                               QString::number(done[SyncPlan::Action::Kind::Change]),
                               QString::number(done[SyncPlan::Action::Kind::Remove]), QString::number(plan.unchanged()));
    if (failed)
        summary += QStringLiteral("; %1 not done").arg(counted(failed, "card", "cards"));
    print(summary + QStringLiteral(".\n"));
    return failed == 0;
}
