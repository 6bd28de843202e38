#include "tools/carddav/publisher.h"

#include "tools/carddav/davxml.h"
#include "tools/directory/tree.h"
#include "tools/formats/toolerror.h"

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

// Named in warnings one by one up to this many; a server listing more
// outside the address book is counted.
constexpr size_t OutsideNamed = 10;

} // namespace

Publisher::Publisher(QIODevice& out, QIODevice& err, bool progress)
    : m_out(out)
    , m_err(err)
    , m_progress(progress)
{
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

QUrl Publisher::addressBook(const QString& url)
{
    const QUrl given(url, QUrl::StrictMode);
    if (const auto why = DavClient::refusal(given))
        throw ToolError(QStringLiteral("%1 %2. Nothing was sent.").arg(given.toDisplayString(QUrl::RemovePassword), *why));
    return given;
}

bool Publisher::run(const QString& file, const Options& options)
{
    m_scope.emplace(options.url);
    m_user = options.user.isEmpty() ? options.url.userName() : options.user;

    const std::vector<ContactCard> wanted = cards(file, options.folder);
    DavClient client(m_user, options.password, options.timeout);
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

QString Publisher::failure(const QByteArray& verb, const QUrl& url, const DavClient::Response& response) const
{
    const QString where = QStringLiteral("%1 %2").arg(QString::fromLatin1(verb), url.toDisplayString());
    if (response.status == 0)
        return QStringLiteral("%1: %2").arg(where, response.failure);
    QString why;
    if (!response.failure.isEmpty())
        why = response.failure;
    else if (response.status == 401)
        why = m_user.isEmpty() ? QStringLiteral("the server asks for a user name and password; give --user NAME")
                               : QStringLiteral("the server refused the user name %1 or its password").arg(m_user);
    else if (response.status == 403)
        why = QStringLiteral("the server does not let %1 do this").arg(m_user.isEmpty() ? QStringLiteral("anyone") : m_user);
    else if (response.status == 404)
        why = QStringLiteral("there is nothing at this address");
    else if (response.status >= 300 && response.status <= 399 && !response.location.isEmpty())
        why = QStringLiteral("the server sends clients on to %1; publish to that address if it is the address book")
                  .arg(CollectionScope::printable(url.resolved(QUrl(response.location)).toString(QUrl::RemoveUserInfo | QUrl::FullyEncoded)));
    else
        why = QStringLiteral("the server did not do it");
    return QStringLiteral("%1: %2: %3").arg(where, response.statusText(), why);
}

void Publisher::skipOutside(const QString& href)
{
    if (++m_outside <= OutsideNamed)
        warn(QStringLiteral("skipped %1: the server names it, but it lies outside the address book; nothing is sent "
                            "there.")
                 .arg(CollectionScope::printable(href)));
}

void Publisher::reportOutside()
{
    if (m_outside > OutsideNamed)
        warn(QStringLiteral("skipped %1 more addresses outside the address book.").arg(m_outside - OutsideNamed));
    m_outside = 0;
}

std::vector<SyncPlan::Remote> Publisher::readCollection(DavClient& client, const QString& prefix)
{
    const QUrl& collection = m_scope->url();
    // Publish's own cards are known by their names alone, so that only they
    // are fetched: an address book may hold many others, which the listing
    // passes over as it arrives.
    const auto ours = [&](const QString& name) {
        if (!name.startsWith(prefix) || !name.endsWith(QStringLiteral(".vcf")))
            return false;
        const QStringView code = QStringView(name).sliced(prefix.size(), name.size() - prefix.size() - 4);
        return !code.isEmpty() && std::all_of(code.begin(), code.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    };
    struct Listed
    {
        QUrl url;
        QByteArray etag;
    };
    std::optional<bool> addressBook; // whether every description of the collection says so
    std::map<QString, Listed> listed; // by decoded path: an href listed twice counts once
    DavXml::MultistatusReader listing([&](DavXml::Response&& r) {
        const std::optional<QUrl> at = m_scope->resolve(r.href);
        if (!at)
            return skipOutside(r.href);
        if (m_scope->isCollection(*at))
            addressBook = addressBook.value_or(true) && r.addressBook;
        else if (!r.collection && ours(at->fileName(QUrl::FullyDecoded)))
            listed.try_emplace(at->path(QUrl::FullyDecoded), Listed{*at, r.etag.toUtf8()});
    });
    const DavClient::Response answer =
        client.send({"PROPFIND", collection, DavXml::propfind(), {{"Depth", "1"}, {"Content-Type", XmlType}},
                     [&](QByteArrayView data) { return listing.feed(data); }});
    reportOutside();
    if (answer.status != 207) {
        if (succeeded(answer.status) || answer.status == 405 || answer.status == 501)
            throw ToolError(QStringLiteral("%1: %2: not a WebDAV collection, so no address book. Nothing was changed.")
                                .arg(collection.toDisplayString(), answer.statusText()));
        throw ToolError(failure("PROPFIND", collection, answer) + QStringLiteral(". Nothing was changed."));
    }
    // Stopped for its size or its time, or else for what the reader found.
    if (!answer.failure.isEmpty() && listing.error().isEmpty())
        throw ToolError(failure("PROPFIND", collection, answer) + QStringLiteral(". Nothing was changed."));
    try {
        listing.finish();
    } catch (const ToolError& error) {
        throw ToolError(QStringLiteral("%1: %2: %3. Nothing was changed.")
                            .arg(collection.toDisplayString(), answer.statusText(), error.message()));
    }
    if (!addressBook.value_or(false))
        throw ToolError(QStringLiteral("%1: %2, but not an address book collection: give the address of a CardDAV "
                                       "address book. Nothing was changed.")
                            .arg(collection.toDisplayString(), answer.statusText()));
    if (listed.empty())
        return {};

    QStringList hrefs;
    for (const auto& [path, card] : listed)
        hrefs.append(card.url.path(QUrl::FullyEncoded));
    std::vector<SyncPlan::Remote> remote;
    DavXml::MultistatusReader cards([&](DavXml::Response&& r) {
        const std::optional<QUrl> at = m_scope->resolve(r.href);
        if (!at)
            return skipOutside(r.href);
        const auto asked = listed.find(at->path(QUrl::FullyDecoded));
        // A card gone since the listing is simply not there; one not asked
        // for is not taken.
        if (asked == listed.end() || !succeeded(r.status) || !r.addressData)
            return;
        // The card's own ETag, else the listing's; one that is no entity
        // tag is none.
        QByteArray etag = r.etag.toUtf8();
        if (!DavClient::isEntityTag(etag))
            etag = asked->second.etag;
        if (!DavClient::isEntityTag(etag))
            etag.clear();
        remote.push_back({at->fileName(QUrl::FullyDecoded), asked->second.url, etag, std::move(*r.addressData)});
        listed.erase(asked);
    });
    const DavClient::Response fetched =
        client.send({"REPORT", collection, DavXml::multiget(hrefs), {{"Depth", "0"}, {"Content-Type", XmlType}},
                     [&](QByteArrayView data) { return cards.feed(data); }});
    reportOutside();
    if (fetched.status != 207)
        throw ToolError(failure("REPORT", collection, fetched) + QStringLiteral(" (reading the cards). Nothing was changed."));
    if (!fetched.failure.isEmpty() && cards.error().isEmpty())
        throw ToolError(failure("REPORT", collection, fetched) + QStringLiteral(" (reading the cards). Nothing was changed."));
    try {
        cards.finish();
    } catch (const ToolError& error) {
        throw ToolError(QStringLiteral("%1: %2 (reading the cards): %3. Nothing was changed.")
                            .arg(collection.toDisplayString(), fetched.statusText(), error.message()));
    }
    return remote;
}

void Publisher::warnHeld(const SyncPlan& plan)
{
    for (const SyncPlan::Action& a : plan.held())
        warn(QStringLiteral("%1 (%2): the server gave no valid ETag for this card, so it cannot be %3 without "
                            "risking a change made on the server meanwhile; it is left as it is.")
                 .arg(a.url.toDisplayString(), a.label,
                      a.kind == SyncPlan::Action::Kind::Remove ? QStringLiteral("removed") : QStringLiteral("changed")));
}

void Publisher::showPlan(const SyncPlan& plan, size_t entries)
{
    print(QStringLiteral("Would send to %1:\n").arg(m_scope->url().toDisplayString()));
    for (const SyncPlan::Action& a : plan.actions()) {
        const char* what = a.kind == SyncPlan::Action::Kind::Add      ? "PUT     %1  (add %2)\n"
                           : a.kind == SyncPlan::Action::Kind::Change ? "PUT     %1  (change %2)\n"
                                                                      : "DELETE  %1  (remove %2)\n";
        print(QString::fromLatin1(what).arg(a.fileName, a.label));
    }
    warnHeld(plan);
    print(QStringLiteral("%1: %2 to add, %3 to change, %4 to remove, %5 unchanged. Dry run: nothing was sent.\n")
              .arg(counted(entries, "entry", "entries"), QString::number(plan.count(SyncPlan::Action::Kind::Add)),
                   QString::number(plan.count(SyncPlan::Action::Kind::Change)),
                   QString::number(plan.count(SyncPlan::Action::Kind::Remove)), QString::number(plan.unchanged())));
}

bool Publisher::send(DavClient& client, const SyncPlan& plan, size_t entries)
{
    const std::vector<SyncPlan::Action>& actions = plan.actions();
    std::vector<DavClient::Request> requests;
    for (const SyncPlan::Action& a : actions) {
        switch (a.kind) {
        case SyncPlan::Action::Kind::Add:
            requests.push_back({"PUT", *m_scope->resolve(a.fileName), a.card,
                                {{"If-None-Match", "*"}, {"Content-Type", CardType}}});
            break;
        case SyncPlan::Action::Kind::Change:
            requests.push_back({"PUT", a.url, a.card, {{"If-Match", a.etag}, {"Content-Type", CardType}}});
            break;
        case SyncPlan::Action::Kind::Remove:
            requests.push_back({"DELETE", a.url, QByteArray(), {{"If-Match", a.etag}}});
            break;
        }
    }
    warnHeld(plan);

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
    size_t failed = plan.held().size();
    std::vector<size_t> unsent;
    for (size_t i = 0; i < actions.size(); ++i) {
        const SyncPlan::Action& a = actions[i];
        const DavClient::Request& q = requests[i];
        const DavClient::Response& r = responses[i];
        // Removing a card someone else removed first leaves what was wanted.
        if ((succeeded(r.status) && r.failure.isEmpty())
            || (a.kind == SyncPlan::Action::Kind::Remove && r.status == 404)) {
            ++done[a.kind];
            continue;
        }
        ++failed;
        if (!r.sent)
            unsent.push_back(i);
        else if (r.status == 412)
            warn(QStringLiteral("%1 (%2): %3: %4; publish again to finish.")
                     .arg(q.url.toDisplayString(), a.label, r.statusText(),
                          a.kind == SyncPlan::Action::Kind::Add ? QStringLiteral("a card of that name was added meanwhile")
                                                                : QStringLiteral("the card changed on the server meanwhile")));
        else
            warn(QStringLiteral("%1 (%2)").arg(failure(q.verb, q.url, r), a.label));
    }
    if (!unsent.empty())
        warn(QStringLiteral("%1 (%2 first): %3; publish again to finish.")
                 .arg(counted(unsent.size(), "card was not sent", "cards were not sent"), actions[unsent.front()].label,
                      responses[unsent.front()].failure));
    QString summary = QStringLiteral("%1: %2 added, %3 changed, %4 removed, %5 unchanged")
                          .arg(counted(entries, "entry", "entries"), QString::number(done[SyncPlan::Action::Kind::Add]),
                               QString::number(done[SyncPlan::Action::Kind::Change]),
                               QString::number(done[SyncPlan::Action::Kind::Remove]), QString::number(plan.unchanged()));
    if (failed)
        summary += QStringLiteral("; %1 not done").arg(counted(failed, "card", "cards"));
    print(summary + QStringLiteral(".\n"));
    return failed == 0;
}
