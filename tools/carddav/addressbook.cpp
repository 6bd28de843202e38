#include "tools/carddav/addressbook.h"

#include "tools/formats/printable.h"
#include "tools/formats/toolerror.h"
#include "tools/http/davclient.h"

#include <QStringList>

#include <deque>

namespace {

const QByteArray XmlType = "application/xml; charset=utf-8";
// Named in warnings one by one up to this many; a server listing more
// outside the address book is counted.
constexpr size_t OutsideNamed = 10;
// Cards asked for in one multiget: a bounded answer however big the book.
constexpr size_t FetchedAtOnce = 1000;

bool succeeded(int status)
{
    return status >= 200 && status <= 299;
}

} // namespace

struct AddressBook::Listing
{
    struct Member
    {
        QUrl url;
        QByteArray etag;
    };
    std::map<QString, Member> members; // by decoded path: a card listed twice counts once
    std::set<QString> removed;
    bool tooMany = false; // more members than an address book of the tool's holds
    QString token;
    bool complete = false; // every member, not only the changed ones
    QString version;       // of the cards it takes, where it says
};

AddressBook::AddressBook(DavTransport& client, const CollectionScope& scope, std::function<void(const QString&)> warn)
    : m_client(client)
    , m_scope(scope)
    , m_warn(std::move(warn))
{
}

void AddressBook::skipOutside(const QString& href)
{
    if (++m_outside <= OutsideNamed)
        m_warn(QStringLiteral("skipped %1: the server names it, but it lies outside the address book; nothing is sent "
                              "there.")
                   .arg(Printable::text(href)));
}

void AddressBook::reportOutside()
{
    if (m_outside > OutsideNamed)
        m_warn(QStringLiteral("skipped %1 more addresses outside the address book.").arg(m_outside - OutsideNamed));
    m_outside = 0;
}

void AddressBook::fail(const QByteArray& verb, const DavTransport::Response& response, const QString& what)
{
    throw ToolError(m_client.failure(verb, m_scope.url(), response) + what + QStringLiteral(". Nothing was changed."));
}

void AddressBook::finish(DavXml::MultistatusReader& reader, const DavTransport::Response& answer, const QString& what)
{
    try {
        reader.finish();
    } catch (const ToolError& error) {
        throw ToolError(QStringLiteral("%1: %2%3: %4. Nothing was changed.")
                            .arg(m_scope.url().toDisplayString(), answer.statusText(), what, error.message()));
    }
}

void AddressBook::take(Listing& listing, const QUrl& at, const QByteArray& etag) const
{
    if (!m_wanted(at.fileName(QUrl::FullyDecoded)))
        return;
    if (listing.members.size() >= MaxCards)
        listing.tooMany = true;
    else
        listing.members.try_emplace(at.path(QUrl::FullyDecoded), Listing::Member{at, etag});
}

void AddressBook::take(std::set<QString>& removed, Listing& listing, const QUrl& at) const
{
    if (!m_wanted(at.fileName(QUrl::FullyDecoded)))
        return;
    if (removed.size() >= MaxCards)
        listing.tooMany = true;
    else
        removed.insert(at.path(QUrl::FullyDecoded));
}

std::optional<AddressBook::Listing> AddressBook::changesSince(const QString& token)
{
    Listing listing;
    DavXml::MultistatusReader reader([&](DavXml::Response&& r) {
        const std::optional<QUrl> at = m_scope.resolve(r.href);
        if (!at)
            return skipOutside(r.href);
        if (m_scope.isCollection(*at))
            return;
        if (r.status == 404)
            take(listing.removed, listing, *at);
        else if (!r.collection)
            take(listing, *at, r.etag.toUtf8());
    });
    const DavTransport::Response answer =
        m_client.send({"REPORT", m_scope.url(), DavXml::syncCollection(token), {{"Depth", "0"}, {"Content-Type", XmlType}},
                       [&](QByteArrayView data) { return reader.feed(data); }});
    reportOutside();
    // A server that keeps no tokens, or no longer knows this one, says so
    // in one of several ways; it is then read whole. One that ran out of
    // time said nothing yet, and is asked nothing more.
    if (answer.status == 0 || answer.status == 401 || answer.timedOut)
        fail("REPORT", answer, QString());
    if (answer.status != 207)
        return std::nullopt;
    if (!answer.failure.isEmpty() && reader.error().isEmpty())
        fail("REPORT", answer, QStringLiteral(" (the changes)"));
    finish(reader, answer, QStringLiteral(" (the changes)"));
    listing.token = reader.syncToken();
    return listing;
}

AddressBook::Listing AddressBook::everything()
{
    Listing listing;
    listing.complete = true;
    std::optional<bool> addressBook; // whether every description of the collection says so
    DavXml::MultistatusReader reader([&](DavXml::Response&& r) {
        const std::optional<QUrl> at = m_scope.resolve(r.href);
        if (!at)
            return skipOutside(r.href);
        if (m_scope.isCollection(*at)) {
            addressBook = addressBook.value_or(true) && r.addressBook;
            if (!r.syncToken.isEmpty())
                listing.token = r.syncToken;
            // 3.0 unless it takes nothing else: every client reads it.
            listing.version = r.vcard4 && !r.vcard3 ? QStringLiteral("4.0") : QStringLiteral("3.0");
        } else if (!r.collection) {
            take(listing, *at, r.etag.toUtf8());
        }
    });
    const DavTransport::Response answer =
        m_client.send({"PROPFIND", m_scope.url(), DavXml::propfind(), {{"Depth", "1"}, {"Content-Type", XmlType}},
                       [&](QByteArrayView data) { return reader.feed(data); }});
    reportOutside();
    const QString where = m_scope.url().toDisplayString();
    if (answer.status != 207) {
        if (succeeded(answer.status) || answer.status == 405 || answer.status == 501)
            throw ToolError(QStringLiteral("%1: %2: not a WebDAV collection, so no address book. Nothing was changed.")
                                .arg(where, answer.statusText()));
        fail("PROPFIND", answer, QString());
    }
    // Stopped for its size or its time, or else for what the reader found.
    if (!answer.failure.isEmpty() && reader.error().isEmpty())
        fail("PROPFIND", answer, QString());
    finish(reader, answer, QString());
    if (!addressBook.value_or(false))
        throw ToolError(QStringLiteral("%1: %2, but not an address book collection: give the address of a CardDAV "
                                       "address book. Nothing was changed.")
                            .arg(where, answer.statusText()));
    return listing;
}

void AddressBook::fetch(DirectoryState::Book& book, const std::map<QString, QByteArray>& wanted, Changes& changes)
{
    // Path -> the listing's ETag, FetchedAtOnce to a request.
    std::deque<std::map<QString, QByteArray>> batches;
    for (auto it = wanted.begin(); it != wanted.end();) {
        std::map<QString, QByteArray>& batch = batches.emplace_back();
        while (it != wanted.end() && batch.size() < FetchedAtOnce)
            batch.insert(*it++);
    }
    while (!batches.empty()) {
        std::map<QString, QByteArray> asked = std::move(batches.front());
        batches.pop_front();
        QStringList hrefs;
        for (const auto& [path, etag] : asked)
            hrefs.append(m_scope.member(path).path(QUrl::FullyEncoded));
        DavXml::MultistatusReader reader([&](DavXml::Response&& r) {
            const std::optional<QUrl> at = m_scope.resolve(r.href);
            if (!at)
                return skipOutside(r.href);
            const auto it = asked.find(at->path(QUrl::FullyDecoded));
            // A card not asked for is not taken.
            if (it == asked.end())
                return;
            if (!succeeded(r.status) || !r.addressData) {
                changes.unreadable[it->first] = succeeded(r.status) ? QStringLiteral("the answer held no card")
                                                                    : QStringLiteral("answered %1").arg(r.status);
                asked.erase(it);
                return;
            }
            // The card's own ETag, else the listing's; one that is no entity
            // tag is none, and the card is read again next time.
            QByteArray etag = r.etag.toUtf8();
            if (!DavClient::isEntityTag(etag))
                etag = it->second;
            if (!DavClient::isEntityTag(etag))
                etag.clear();
            book.cards[it->first] = {etag, std::move(*r.addressData)};
            changes.changed.insert(it->first);
            asked.erase(it);
        });
        const DavTransport::Response answer =
            m_client.send({"REPORT", m_scope.url(), DavXml::multiget(hrefs), {{"Depth", "0"}, {"Content-Type", XmlType}},
                           [&](QByteArrayView data) { return reader.feed(data); }});
        reportOutside();
        // Cards with photos fill the client's answer cap long before a
        // thousand of them: what was taken whole is kept, and the rest is
        // asked for again in halves. An answer that held no card whole
        // before the cap is not asked again: no real card is that large,
        // and a server sending as much for nothing would get as many
        // requests as there are cards.
        if (answer.status == 207 && answer.tooLarge && reader.error().isEmpty()) {
            if (asked.size() == size_t(hrefs.size())) {
                for (const auto& [path, etag] : asked)
                    changes.unreadable[path] = answer.failure;
            } else if (!asked.empty()) {
                std::map<QString, QByteArray> half;
                for (size_t n = asked.size() / 2; n > 0; --n)
                    half.insert(asked.extract(asked.begin()));
                batches.push_front(std::move(asked));
                if (!half.empty())
                    batches.push_front(std::move(half));
            }
            continue;
        }
        if (answer.status != 207 || (!answer.failure.isEmpty() && reader.error().isEmpty()))
            fail("REPORT", answer, QStringLiteral(" (reading the cards)"));
        finish(reader, answer, QStringLiteral(" (reading the cards)"));
        // Left out of the answer: gone since the listing, or a server that
        // could not find it just then. Only a listing says it is gone.
        for (const auto& [path, etag] : asked)
            changes.unreadable[path] = QStringLiteral("left out of the server's answer");
    }
}

AddressBook::Changes AddressBook::readWhole(DirectoryState::Book& book, const std::set<QString>& paths)
{
    std::map<QString, QByteArray> wanted;
    for (const QString& path : paths)
        wanted[path] = book.cards[path].etag;
    Changes changes;
    fetch(book, wanted, changes);
    return changes;
}

AddressBook::Changes AddressBook::refresh(DirectoryState::Book& book,
                                          const std::function<bool(const QString& name)>& wanted)
{
    m_wanted = wanted;
    std::optional<Listing> listing;
    if (!book.token.isEmpty())
        listing = changesSince(book.token);
    if (!listing)
        listing = everything();
    if (listing->tooMany)
        throw ToolError(QStringLiteral("%1 lists more than %2 cards, more than an address book the tool keeps in step "
                                       "holds. Nothing was changed.")
                            .arg(m_scope.url().toDisplayString(), QString::number(MaxCards)));

    // Everything changes in a copy, which becomes the state only once all
    // of it was read.
    DirectoryState::Book read = book;
    Changes changes;
    for (const QString& path : listing->removed)
        changes.removed.insert(path);
    if (listing->complete) {
        for (const auto& [path, card] : read.cards) {
            if (!listing->members.contains(path))
                changes.removed.insert(path);
        }
    }
    std::map<QString, QByteArray> stale;
    for (const auto& [path, member] : listing->members) {
        const auto known = read.cards.find(path);
        if (known == read.cards.end() || known->second.etag.isEmpty() || known->second.etag != member.etag
            || (known->second.text.isEmpty() && !known->second.reading))
            stale.insert({path, member.etag});
    }
    fetch(read, stale, changes);
    for (const QString& path : changes.removed) {
        read.cards.erase(path);
        changes.changed.erase(path);
    }
    // The token covers every card it listed: kept only once each was read.
    if (changes.unreadable.empty())
        read.token = listing->token;
    if (listing->complete)
        read.version = listing->version;
    book = std::move(read);
    return changes;
}
