#pragma once

#include "tools/carddav/collectionscope.h"
#include "tools/carddav/davclient.h"
#include "tools/carddav/commandoutput.h"
#include "tools/carddav/directorystate.h"
#include "tools/carddav/syncplan.h"
#include "tools/formats/contactcard.h"

#include <QIODevice>
#include <QString>
#include <QUrl>

#include <optional>
#include <vector>

// quorvelin-tool publish: makes a CardDAV address book (RFC 6352) hold a card
// for every telephone entry of the directory or of one folder, sending only
// what differs. The directory file is only read.
class Publisher
{
public:
    struct Options
    {
        QUrl url;         // as addressBook() gives it
        QString folder;   // as --folder takes it; empty for the whole tree
        QString user;     // empty: the one in the URL, if any
        QString password; // for the user, if any
        bool dryRun = false;
        int timeout = 60; // seconds for each request
    };

    // The address book's URL as typed, once it is one the password and the
    // directory may be sent to; throws ToolError otherwise, before anything
    // was sent.
    static QUrl addressBook(const QString& url);

    // `progress`: rewrite a progress line on `err` while requests run.
    Publisher(QIODevice& out, QIODevice& err, bool progress);

    // True when the address book holds what it should (or, in a dry run,
    // once the plan is shown). Failures before anything was changed throw
    // ToolError; a card that could not be sent is reported by name, the
    // others are sent all the same, and the result is false.
    bool run(const QString& file, const Options& options);

    // The start of the file names of the cards made from the directory file
    // at `path`: its UIDs are this and the entry's code.
    static QString cardPrefix(const QString& path);

private:
    std::vector<ContactCard> cards(const QString& file, const QString& folder);
    // Keeps what the server holds now in `book`.
    bool send(DavClient& client, const SyncPlan& plan, size_t entries, DirectoryState::Book& book);
    void showPlan(const SyncPlan& plan, size_t entries);
    void warnHeld(const SyncPlan& plan);

    CommandOutput m_output;
    std::optional<CollectionScope> m_scope;
    QString m_user;
};
