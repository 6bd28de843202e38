#include "tools/carddav/syncer.h"

#include "tools/carddav/addressbook.h"
#include "tools/carddav/collectionscope.h"
#include "tools/carddav/davclient.h"
#include "tools/carddav/publisher.h"
#include "tools/directory/bookeditor.h"
#include "tools/directory/tree.h"
#include "tools/formats/folderpath.h"
#include "tools/formats/toolerror.h"

#include "store/database.h"
#include "store/filelock.h"
#include "store/transaction.h"

#include <QSet>

#include <set>

namespace {

const QByteArray CardType = "text/vcard; charset=utf-8";

bool succeeded(int status)
{
    return status >= 200 && status <= 299;
}

// The cards the plan writes or removes: their links hold only once that is
// done.
std::set<QString> pendingCards(const TwoWayPlan& plan)
{
    std::set<QString> paths;
    for (const TwoWayPlan::CardWrite& w : plan.cardWrites)
        paths.insert(w.path);
    for (const TwoWayPlan::CardRemoval& r : plan.cardRemovals)
        paths.insert(r.path);
    return paths;
}

// `links` with those the card at `path` had before the sync replaced by the
// plan's, once it is written; an entry made from it meanwhile keeps its own.
void settle(std::vector<DirectoryState::Book::Link>& links, const std::vector<DirectoryState::Book::Link>& before,
            const TwoWayPlan& plan, const QString& path)
{
    QSet<qint64> replaced;
    for (const auto* list : {&before, &plan.links}) {
        for (const DirectoryState::Book::Link& l : *list) {
            if (l.path == path)
                replaced.insert(l.code);
        }
    }
    std::erase_if(links, [&](const DirectoryState::Book::Link& l) { return l.path == path && replaced.contains(l.code); });
    for (const DirectoryState::Book::Link& l : plan.links) {
        if (l.path == path)
            links.push_back(l);
    }
}

} // namespace

Syncer::Syncer(QIODevice& out, QIODevice& err, bool progress)
    : m_output(out, err, QStringLiteral("sync"), progress)
{
}

std::vector<TwoWayPlan::Entry> Syncer::entries(const Tree& tree, const QString& folder) const
{
    std::vector<TwoWayPlan::Entry> entries;
    QSet<qint64> codes;
    QSet<qint64> twice;
    for (const Tree::Placed& placed : tree.place(tree.scope(folder))) {
        const Tree::Record& r = tree.records()[placed.index];
        if (r.isFolder() || !r.codeValue)
            continue;
        // An entry is linked to its card by its code, which a damaged file
        // may give twice: such entries stay out until check mends them.
        if (codes.contains(*r.codeValue))
            twice.insert(*r.codeValue);
        codes.insert(*r.codeValue);
        entries.push_back({*r.codeValue, r.rowid, r.name, *r.telValue, FolderPath::format(placed.record.path)});
    }
    std::erase_if(entries, [&](const TwoWayPlan::Entry& e) { return twice.contains(e.code); });
    return entries;
}

int Syncer::run(const QString& file, DirectoryState& state, const Options& options)
{
    // The lock first and released last: the file is the window's while it
    // runs, and a sync writes to it.
    std::optional<store::FileLock> lock;
    if (!options.dryRun)
        lock.emplace(file);
    const CollectionScope scope(options.url);
    DirectoryState::Book& book = state.book(scope.url().toString());

    std::vector<TwoWayPlan::Entry> local;
    {
        store::Database database(file, store::Database::Access::ReadOnly);
        local = entries(Tree::load(database), options.folder);
    }
    DavClient client(options.user, options.password, options.timeout);
    m_output.progress(QStringLiteral("sync: reading the address book"));
    try {
        AddressBook(client, scope, [this](const QString& message) { m_output.warn(message); })
            .refresh(book, [](const QString&) { return true; });
    } catch (const ToolError&) {
        m_output.progress(QString());
        throw;
    }
    m_output.progress(QString());
    // What was read is kept, whatever happens next.
    state.save();

    const TwoWayPlan plan(local, book,
                          {scope.url().path(QUrl::FullyDecoded), Publisher::cardPrefix(file), options.region,
                           options.prefer});
    const auto tooMany = [](size_t removed, size_t of) { return removed > 0 && removed * 2 > of; };
    if (!options.force && (tooMany(plan.directoryRemoved, plan.directoryEntries) || tooMany(plan.serverRemoved, plan.serverNumbers)))
        throw ToolError(QStringLiteral("this sync would remove %1 of the directory's %2 entries and %3 of the address "
                                       "book's %4 numbers: more than half of one side, as when an address book was "
                                       "emptied or the address or the file is another. Nothing was changed; sync "
                                       "with --force if that is what you want.")
                            .arg(plan.directoryRemoved)
                            .arg(plan.directoryEntries)
                            .arg(plan.serverRemoved)
                            .arg(plan.serverNumbers));
    if (options.dryRun) {
        report(plan, true);
        return plan.conflicts.empty() ? 0 : 1;
    }
    for (const auto& [path, reading] : plan.readings)
        book.cards.at(path).reading = reading;
    const std::vector<DirectoryState::Book::Link> before = book.links;
    applyToDirectory(file, plan, options, book, state);
    const bool written = applyToServer(client, scope, plan, before, book);
    state.save();
    report(plan, false);
    if (!written)
        return 2;
    return plan.conflicts.empty() ? 0 : 1;
}

void Syncer::applyToDirectory(const QString& file, const TwoWayPlan& plan, const Options& options,
                              DirectoryState::Book& book, DirectoryState& state)
{
    std::vector<DirectoryState::Book::Link> newLinks;
    if (!plan.newEntries.empty() || !plan.entryChanges.empty() || !plan.entryRemovals.empty()) {
        store::Database database(file);
        database.useRollbackJournal();
        store::Transaction transaction(database);
        // Read again inside the transaction: the folders and codes seen are
        // the ones the new rows join. The lock kept the file as it was read.
        const Tree tree = Tree::load(database);
        const std::vector<size_t> scope = tree.scope(options.folder);
        const size_t top = scope.front();
        const QStringList above = top == Tree::Top ? QStringList() : tree.pathOf(top);
        // A folder as CATEGORIES names it, inside the part synced.
        const auto folderOf = [&](const QString& categories) {
            QStringList path = FolderPath::parse(categories);
            if (top != Tree::Top && (path.isEmpty() || path.first() != tree.records()[top].name))
                path = QStringList{tree.records()[top].name};
            return above + path;
        };
        BookEditor editor(&database, tree);
        for (const TwoWayPlan::EntryRemoval& r : plan.entryRemovals)
            editor.remove(r.entry.rowid);
        for (const TwoWayPlan::EntryChange& c : plan.entryChanges)
            editor.change(c.entry.rowid, c.entry.name, c.entry.number, editor.folder(folderOf(c.entry.folder)));
        for (const TwoWayPlan::NewEntry& n : plan.newEntries) {
            DirectoryState::Book::Link link = n.link;
            link.code = editor.add(n.name, n.number, editor.folder(folderOf(n.folder)));
            newLinks.push_back(link);
        }
        transaction.Commit();
    }
    // The directory holds its side now. Links that hang on a card still to
    // be written stay as they were until it is.
    const std::set<QString> pending = pendingCards(plan);
    std::vector<DirectoryState::Book::Link> links;
    for (const DirectoryState::Book::Link& l : book.links) {
        if (pending.contains(l.path))
            links.push_back(l);
    }
    for (const DirectoryState::Book::Link& l : plan.links) {
        if (!pending.contains(l.path))
            links.push_back(l);
    }
    links.insert(links.end(), newLinks.begin(), newLinks.end());
    book.links = std::move(links);
    state.save();
}

bool Syncer::applyToServer(DavClient& client, const CollectionScope& scope, const TwoWayPlan& plan,
                           const std::vector<DirectoryState::Book::Link>& before, DirectoryState::Book& book)
{
    std::vector<DavClient::Request> requests;
    std::vector<QString> paths, labels;
    std::vector<const TwoWayPlan::CardWrite*> writes; // null for a removal
    const auto urlOf = [&](const QString& path) {
        QUrl url = scope.url();
        url.setPath(path, QUrl::DecodedMode);
        return url;
    };
    for (const TwoWayPlan::CardWrite& w : plan.cardWrites) {
        const bool known = book.cards.contains(w.path);
        if (known && w.etag.isEmpty()) {
            m_output.warn(QStringLiteral("%1 (%2): the server gave no valid ETag for this card, so it cannot be changed "
                                "without risking a change made on the server meanwhile; it is left as it is.")
                     .arg(urlOf(w.path).toDisplayString(), w.label));
            continue;
        }
        requests.push_back({"PUT", urlOf(w.path), w.text,
                            {{known ? QByteArray("If-Match") : QByteArray("If-None-Match"), known ? w.etag : "*"},
                             {"Content-Type", CardType}}});
        paths.push_back(w.path);
        labels.push_back(w.label);
        writes.push_back(&w);
    }
    for (const TwoWayPlan::CardRemoval& r : plan.cardRemovals) {
        if (r.etag.isEmpty()) {
            m_output.warn(QStringLiteral("%1 (%2): the server gave no valid ETag for this card, so it cannot be removed "
                                "safely; it is left as it is.")
                     .arg(urlOf(r.path).toDisplayString(), r.label));
            continue;
        }
        requests.push_back({"DELETE", urlOf(r.path), QByteArray(), {{"If-Match", r.etag}}});
        paths.push_back(r.path);
        labels.push_back(r.label);
        writes.push_back(nullptr);
    }
    const std::vector<DavClient::Response> responses = client.send(requests, [&](size_t finished) {
        m_output.progress(QStringLiteral("sync: %1 of %2 cards sent").arg(finished).arg(requests.size()));
    });
    m_output.progress(QString());

    bool all = requests.size() == plan.cardWrites.size() + plan.cardRemovals.size();
    for (size_t i = 0; i < requests.size(); ++i) {
        const DavClient::Response& r = responses[i];
        const bool removal = !writes[i];
        if ((succeeded(r.status) && r.failure.isEmpty()) || (removal && r.status == 404)) {
            if (removal)
                book.cards.erase(paths[i]);
            else
                book.cards[paths[i]] = {r.etag, QString::fromUtf8(writes[i]->text), writes[i]->reading};
            settle(book.links, before, plan, paths[i]);
            continue;
        }
        all = false;
        if (r.status == 412)
            m_output.warn(QStringLiteral("%1 (%2): %3: the card changed on the server meanwhile; sync again to finish.")
                     .arg(requests[i].url.toDisplayString(), labels[i], r.statusText()));
        else
            m_output.warn(QStringLiteral("%1 (%2)").arg(client.failure(requests[i].verb, requests[i].url, r), labels[i]));
    }
    return all;
}

void Syncer::report(const TwoWayPlan& plan, bool dryRun)
{
    if (dryRun) {
        for (const TwoWayPlan::NewEntry& n : plan.newEntries)
            m_output.print(QStringLiteral("add to the directory %1\n").arg(TwoWayPlan::label(n.name, n.number, n.folder)));
        for (const TwoWayPlan::EntryChange& c : plan.entryChanges)
            m_output.print(QStringLiteral("change in the directory %1 to %2\n")
                      .arg(c.was, TwoWayPlan::label(c.entry.name, c.entry.number, c.entry.folder)));
        for (const TwoWayPlan::EntryRemoval& r : plan.entryRemovals)
            m_output.print(QStringLiteral("remove from the directory %1\n")
                      .arg(TwoWayPlan::label(r.entry.name, r.entry.number, r.entry.folder)));
        for (const TwoWayPlan::CardWrite& w : plan.cardWrites)
            m_output.print(QStringLiteral("PUT     %1  (%2)\n").arg(w.path.section(u'/', -1), w.label));
        for (const TwoWayPlan::CardRemoval& r : plan.cardRemovals)
            m_output.print(QStringLiteral("DELETE  %1  (%2)\n").arg(r.path.section(u'/', -1), r.label));
    }
    m_output.print(QStringLiteral("%1Directory: %2 added, %3 changed, %4 removed. Address book: %5 cards written, %6 removed.%7\n")
              .arg(dryRun ? QStringLiteral("Would do: ") : QString())
              .arg(plan.newEntries.size())
              .arg(plan.entryChanges.size())
              .arg(plan.entryRemovals.size())
              .arg(plan.cardWrites.size())
              .arg(plan.cardRemovals.size())
              .arg(dryRun ? QStringLiteral(" Dry run: nothing was changed.") : QString()));
    for (const TwoWayPlan::Conflict& c : plan.conflicts)
        m_output.print(QStringLiteral("Conflict: %1 in the directory, %2 in the address book: changed on both sides, left "
                             "as they are; sync with --prefer directory or --prefer server to choose.\n")
                  .arg(c.directory, c.server));
}
