#pragma once

#include "tools/carddav/collectionscope.h"
#include "tools/http/davtransport.h"
#include "tools/carddav/davxml.h"
#include "tools/carddav/directorystate.h"

#include <QString>

#include <functional>
#include <map>
#include <set>

// An address book as publish and sync read it: whole the first time, then
// only what changed since (RFC 6578 sync-collection, where the server keeps
// sync tokens; else one listing of ETags), each card fetched only when its
// ETag is new. What was read is kept in the book's remembered state, so an
// address book where nothing changed costs one request. A card is gone only
// when the server says so: absent from a whole listing, or reported removed
// by a sync-collection; one listed but not delivered is read again next time.
class AddressBook
{
public:
    // Generous for any real address book, and a bound on what a listing
    // costs.
    static constexpr size_t MaxCards = 100'000;

    // `warn` hears each address the server names outside the address book,
    // which is skipped.
    AddressBook(DavTransport& client, const CollectionScope& scope, std::function<void(const QString&)> warn);

    struct Changes
    {
        std::set<QString> changed; // paths of cards new or changed since the state was last brought up to date
        std::set<QString> removed;
        // Listed as new or changed but not delivered whole, with why: what
        // the book holds of them is as it was, and the sync token too, so
        // that they are asked for again next time.
        std::map<QString, QString> unreadable;
    };

    // Brings `book` up to date with the server for the cards whose file
    // names `wanted` accepts, the others never kept, not even listed: their
    // texts and ETags, and the sync token once every one of them was read.
    // An address book of more than MaxCards of them is refused.
    // Throws ToolError, naming the request and the answer, with `book` as it
    // was; nothing is sent but PROPFIND and REPORT.
    Changes refresh(DirectoryState::Book& book, const std::function<bool(const QString& name)>& wanted);

    // The texts of `paths`, cards of `book` known by their readings alone,
    // read again whole: what a change to them needs. The ETags and texts of
    // those read go into `book`; the others come back as unreadable.
    Changes readWhole(DirectoryState::Book& book, const std::set<QString>& paths);

private:
    struct Listing;
    // The members changed since `token` (all for an empty one), or nothing
    // when the server keeps no tokens or no longer knows this one.
    std::optional<Listing> changesSince(const QString& token);
    // Every member, from a PROPFIND that also checks this is an address book.
    Listing everything();
    void fetch(DirectoryState::Book& book, const std::map<QString, QByteArray>& wanted, Changes& changes);
    // A member listed, or one listed as removed: kept where wanted.
    void take(Listing& listing, const QUrl& at, const QByteArray& etag) const;
    void take(std::set<QString>& removed, Listing& listing, const QUrl& at) const;
    void skipOutside(const QString& href);
    void reportOutside();
    [[noreturn]] void fail(const QByteArray& verb, const DavTransport::Response& response, const QString& what);
    // The end of an answer read as it came; throws ToolError, naming `what`
    // was asked for, when the document was cut short or broken.
    void finish(DavXml::MultistatusReader& reader, const DavTransport::Response& answer, const QString& what);

    DavTransport& m_client;
    const CollectionScope& m_scope;
    std::function<void(const QString&)> m_warn;
    size_t m_outside = 0;
    std::function<bool(const QString& name)> m_wanted;
};
