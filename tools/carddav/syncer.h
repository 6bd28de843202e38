#pragma once

#include "tools/carddav/commandoutput.h"
#include "tools/carddav/directorystate.h"
#include "tools/carddav/twowayplan.h"

#include <QIODevice>
#include <QString>

#include <optional>
#include <set>

class CollectionScope;
class DavTransport;

// quorvelin-tool sync: keeps the directory, or one folder of it, and a
// CardDAV address book in step, both ways. Each side's changes since the
// last sync reach the other; a card is changed only where the tool owns it,
// everything else on it kept; a conflict changes neither side.
//
// The address book is written first, then the directory takes what the
// cards that were written (or needed no writing) give it, in one
// transaction; what is remembered is written last. Cut off anywhere, both
// sides stay whole and the next sync finishes the work.
class Syncer
{
public:
    struct Options
    {
        QString folder; // as --folder takes it; empty for the whole tree
        QString region; // empty: numbers travel as the digits they are
        TwoWayPlan::Prefer prefer = TwoWayPlan::Prefer::Neither;
        bool force = false;
        bool dryRun = false;
        // Remembered for the next sync once the address book has answered.
        std::optional<DirectoryState::Settings> settings;
    };

    Syncer(QIODevice& out, QIODevice& err, bool progress);

    // 0 when both sides hold the same; 1 when all is done but conflicts,
    // which are listed; 2 when a card could not be read or written, each
    // named, the rest done. Throws ToolError or store::StoreError when it
    // cannot start, or would remove too much, with nothing changed.
    // `state` is the file's, held for the whole sync; a dry run leaves it
    // as it was.
    int run(const QString& file, DirectoryState& state, const CollectionScope& scope, DavTransport& server,
            const Options& options);

private:
    struct Part;
    struct Sent;
    Part read(const QString& file, const QString& folder) const;
    void stopIfTooMany(const TwoWayPlan& plan, const DirectoryState::Book::Removals& removals) const;
    Sent applyToServer(DavTransport& server, const CollectionScope& scope, const TwoWayPlan& plan,
                       DirectoryState::Book& book);
    struct Done;
    Done applyToDirectory(const QString& file, const QString& folder, const TwoWayPlan& plan,
                          const std::set<QString>& failed, DirectoryState::Book& book);
    void reportPlan(const TwoWayPlan& plan);
    void warnUnreadable(const CollectionScope& scope, const std::map<QString, QString>& unreadable);

    CommandOutput m_output;
};
