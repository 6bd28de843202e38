#pragma once

#include "tools/carddav/commandoutput.h"
#include "tools/carddav/directorystate.h"
#include "tools/carddav/twowayplan.h"

#include <QIODevice>
#include <QString>
#include <QUrl>

#include <optional>

class CollectionScope;
class DavClient;

// quorvelin-tool sync: keeps the directory, or one folder of it, and a
// CardDAV address book in step, both ways. Each side's changes since the
// last sync reach the other; a card is changed only where the tool owns it,
// everything else on it kept; a conflict changes neither side.
class Syncer
{
public:
    struct Options
    {
        QUrl url;         // checked already (Publisher::addressBook)
        QString user;
        QString password; // for the user, if any
        QString folder;   // as --folder takes it; empty for the whole tree
        QString region;   // empty: numbers travel as the digits they are
        TwoWayPlan::Prefer prefer = TwoWayPlan::Prefer::Neither;
        bool force = false;
        bool dryRun = false;
        int timeout = 60;
    };

    Syncer(QIODevice& out, QIODevice& err, bool progress);

    // 0 when both sides hold the same; 1 when all is done but conflicts,
    // which are listed. Throws ToolError or store::StoreError when it cannot
    // start or a side refuses a change; whatever was done is remembered,
    // and syncing again finishes the work.
    // `state` is the file's, held for the whole sync.
    int run(const QString& file, DirectoryState& state, const Options& options);

private:
    std::vector<TwoWayPlan::Entry> entries(const class Tree& tree, const QString& folder) const;
    void applyToDirectory(const QString& file, const TwoWayPlan& plan, const Options& options,
                          DirectoryState::Book& book, DirectoryState& state);
    // False when a card could not be written; what was written is kept in `book`.
    bool applyToServer(DavClient& client, const CollectionScope& scope, const TwoWayPlan& plan,
                       const std::vector<DirectoryState::Book::Link>& before, DirectoryState::Book& book);
    void report(const TwoWayPlan& plan, bool dryRun);

    CommandOutput m_output;
};
