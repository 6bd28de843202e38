#pragma once

#include "tools/http/davtransport.h"
#include "tools/carddav/directorystate.h"
#include "tools/carddav/syncplan.h"

#include <QString>
#include <QUrl>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <vector>

class CollectionScope;

namespace store {
class Database;
class LockedDatabase;
}

// Keeps the directory, or one folder of it, and a CardDAV address book in
// step by a plan of either policy (SyncPlan): both ways for sync, the
// directory mirrored for publish. It reads the address book, plans, writes
// the address book, then (both ways) the directory in one transaction under
// the lock the window holds, and what is remembered last; cut off anywhere,
// both sides stay whole and the next run finishes the work. It says nothing
// itself: what it did comes back, and what happens meanwhile goes to the
// listener.
class SyncEngine
{
public:
    struct Options
    {
        SyncPlan::Policy policy = SyncPlan::Policy::BothWays;
        QString folder; // as --folder takes it; empty for the whole tree
        QString region; // empty: numbers travel as the digits they are
        SyncPlan::Prefer prefer = SyncPlan::Prefer::Neither;
        bool force = false;
        bool dryRun = false;
        // Both ways: remembered for the next sync once the address book has
        // answered.
        std::optional<DirectoryState::Settings> settings;
    };

    struct Listener
    {
        std::function<void(const QString&)> warn;
        // A line of progress, rewritten in place; an empty one when done.
        std::function<void(const QString&)> progress;
    };

    // What the address book did not take: a card, with the request and the
    // answer, or those not sent once the server stopped answering.
    struct Failure
    {
        QString message;
        bool retry = false; // running again finishes the work
    };

    struct Result
    {
        Result(SyncPlan&& plan, size_t damaged, std::map<QString, QString>&& unreadable)
            : plan(std::move(plan))
            , damaged(damaged)
            , unreadable(std::move(unreadable))
        {
        }

        SyncPlan plan;
        size_t damaged = 0; // records left out, which check mends
        std::map<QString, QString> unreadable; // cards listed but not read, by address, with why
        // Cards read but not taken (over a cap, a folder too deep), by
        // address, with why: left as they are until they change.
        std::map<QString, QString> unfit;
        std::vector<Failure> failures;
        size_t cardsFailed = 0; // not written or removed, held back or refused
        // What each side took.
        size_t cardsMade = 0;
        size_t cardsChanged = 0;
        size_t cardsRemoved = 0;
        size_t entriesAdded = 0;
        size_t entriesChanged = 0;
        size_t entriesRemoved = 0;

        bool complete() const { return unreadable.empty() && failures.empty(); }
    };

    SyncEngine(DavTransport& server, const CollectionScope& scope, Listener listener);

    // Throws ToolError or store::StoreError when it cannot start, or (both
    // ways) would remove too much, with nothing changed. `state` is the
    // file's, held for the whole run; a dry run leaves it as it was.
    Result run(const QString& file, DirectoryState& state, const Options& options);

private:
    struct Part;
    Part read(store::Database& database, const QString& folder) const;
    void stopIfTooMany(const SyncPlan& plan, const DirectoryState::Book::Removals& removals) const;
    // The cards the plan holds back, for want of an ETag.
    std::set<QString> holdBack(const SyncPlan& plan, Result& result) const;
    // The cards not written or removed.
    std::set<QString> applyToServer(const SyncPlan& plan, DirectoryState::Book& book, Result& result);
    void applyToDirectory(store::LockedDatabase& directory, const QString& folder, const SyncPlan& plan,
                          const std::set<QString>& failed, DirectoryState::Book& book, Result& result);

    DavTransport& m_server;
    const CollectionScope& m_scope;
    Listener m_listener;
};
