#pragma once

#include "tools/carddav/cardnames.h"
#include "tools/carddav/directorystate.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <map>
#include <set>
#include <vector>

// What a sync does on either side, worked out before anything is done.
//
// Both ways (sync): each entry is linked to one number on one card, and the
// link remembers what both sides held when they last agreed, each side in
// its own terms (the entry's digits and the card's TEL as written, the
// entry's folder and the folder the card's categories give). What changed
// on one side since then goes to the other, field by field (name, number,
// folder); a field changed on both sides to different values is a conflict
// that neither side takes, unless told which side wins. A removal meets a
// change: the change wins.
//
// Mirror (publish): the directory wins and nothing comes back. Each entry
// has the card named after its code, which is made, or changed where its
// name, number or folder differs; a card made for an entry that is gone is
// removed. No other card is looked at, and nothing is remembered of links.
//
// Either way a card is changed only in what the tool owns on it; the rest (a
// phone's e-mail, photo, notes, groups) stays. Everything the directory
// takes from a card, and every link on it, holds only once what the plan
// writes to that card is done: a card whose write fails leaves its links as
// they were, and the next sync tries again.
class SyncPlan
{
public:
    enum class Policy { BothWays, Mirror };
    enum class Prefer { Neither, Directory, Server };
    using Link = DirectoryState::Book::Link;

    // An entry of the directory in the part synced.
    struct Entry
    {
        qint64 code = 0;
        qint64 rowid = 0;
        QString name;
        qint64 number = 0;
        QStringList folder; // from the directory's top level, the part synced's top folder first
    };

    struct Settings
    {
        Policy policy = Policy::BothWays;
        QString collectionPath; // the address book's, decoded, ending in "/"
        CardNames names;
        QString region;
        QString scope; // the name of the folder the sync is limited to; empty for the whole directory
        Prefer prefer = Prefer::Neither;
        QString version; // of the cards made: "4.0", else 3.0
    };

    // What either side holds that cannot be taken this time: cards listed
    // as changed that could not be read, whose remembered text is stale,
    // and entries left out of `entries` (a code given twice, a folder too
    // deep). Nothing on either side is decided from them: what is linked to
    // them stays as it is.
    struct Unread
    {
        std::set<QString> cards; // by path
        std::set<qint64> entries; // by code
    };
    SyncPlan(const std::vector<Entry>& entries, const DirectoryState::Book& book, const Settings& settings,
             const Unread& unread = {});

    // The directory's side. Each names the card it comes from (`path`).
    struct NewEntry
    {
        QString name;
        qint64 number = 0;
        QStringList folder;
        Link link; // completed with the entry's code once it is made
    };
    struct EntryChange
    {
        Entry entry; // the values it takes
        Entry was;
        QString path;
    };
    struct EntryRemoval
    {
        Entry entry;
        QString path;
        bool confirmed = false; // of a link there when removals were last confirmed
    };
    // The server's side: a card written whole (only what the tool owns
    // changed on it, or made new), or removed. An empty ETag: the card is
    // new, or the server gave it none, which holds it back.
    struct CardWrite
    {
        QString path;
        QByteArray etag;
        QByteArray text;
        QString label;
        CardReading reading; // of `text`
        bool made = false;   // new to the address book
        size_t removed = 0;  // numbers it takes off the card
        size_t confirmedRemoved = 0;
        // Without an ETag to make it conditional on, a change would
        // overwrite unseen whatever a phone did to the card meanwhile.
        bool held() const { return !made && etag.isEmpty(); }
    };
    struct CardRemoval
    {
        QString path;
        QByteArray etag;
        QString label;
        size_t removed = 0;
        size_t confirmedRemoved = 0;
        bool held() const { return etag.isEmpty(); }
    };
    struct Conflict
    {
        QString directory; // the entry as the directory has it
        QString server;    // the number on the card, as the server has it
    };

    std::vector<NewEntry> newEntries;
    std::vector<EntryChange> entryChanges;
    std::vector<EntryRemoval> entryRemovals;
    std::vector<CardWrite> cardWrites;
    std::vector<CardRemoval> cardRemovals;
    std::vector<Conflict> conflicts;
    // Every link once the plan is carried out, but the new entries'.
    std::vector<Link> links;
    // How each card the plan leaves as it is reads, by path, where it was
    // read now: remembered beside it, it is not read again until it
    // changes.
    std::map<QString, CardReading> readings;
    // Cards known by their readings alone that the plan would change: their
    // texts are wanted, and the plan made again with them. Until then the
    // plan leaves them, and what hangs on them, as they are.
    std::set<QString> needed;

    // How many numbers each side holds, and how many the plan removes from
    // it, for the stop before a sync that takes too much.
    size_t directoryEntries = 0;
    size_t serverNumbers = 0;
    size_t directoryRemoved = 0;
    size_t serverRemoved = 0;
    // Mirror: the entries whose cards need nothing.
    size_t unchanged = 0;

    bool empty() const
    {
        return newEntries.empty() && entryChanges.empty() && entryRemovals.empty() && cardWrites.empty()
               && cardRemovals.empty();
    }

    // "Name" 5550111 in /Work, as messages show an entry.
    static QString label(const QString& name, qint64 number, const QStringList& folder);
};
