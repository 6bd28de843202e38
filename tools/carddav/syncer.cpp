#include "tools/carddav/syncer.h"

#include "tools/carddav/addressbook.h"
#include "tools/carddav/collectionscope.h"
#include "tools/carddav/davtransport.h"
#include "tools/carddav/publisher.h"
#include "tools/directory/bookeditor.h"
#include "tools/directory/tree.h"
#include "tools/formats/toolerror.h"

#include "store/database.h"
#include "store/filelock.h"
#include "store/transaction.h"

#include <QDate>
#include <QSet>

namespace {

const QByteArray CardType = "text/vcard; charset=utf-8";
// Cards that could not be read, named one by one up to this many.
constexpr size_t UnreadableNamed = 10;

bool tooMany(size_t removed, size_t of)
{
    return removed > 0 && removed * 2 > of;
}

} // namespace

// The part of the directory synced, as read before the sync.
struct Syncer::Part
{
    std::vector<TwoWayPlan::Entry> entries;
    QString scope; // its top folder's name; empty for the whole directory
};

// What the address book took of the plan.
struct Syncer::Sent
{
    std::set<QString> failed; // cards not written or removed
    size_t written = 0;
    size_t removed = 0;
    size_t confirmedRemoved = 0; // numbers of links there at the last confirmation
};

// What the directory took of it.
struct Syncer::Done
{
    size_t added = 0;
    size_t changed = 0;
    size_t removed = 0;
    size_t confirmedRemoved = 0;
};

Syncer::Syncer(QIODevice& out, QIODevice& err, bool progress)
    : m_output(out, err, QStringLiteral("sync"), progress)
{
}

Syncer::Part Syncer::read(const QString& file, const QString& folder) const
{
    store::Database database(file, store::Database::Access::ReadOnly);
    const Tree tree = Tree::load(database);
    const std::vector<size_t> tops = tree.scope(folder);
    Part part;
    if (tops.front() != Tree::Top)
        part.scope = tree.records()[tops.front()].name;
    QSet<qint64> codes;
    QSet<qint64> twice;
    for (const Tree::Placed& placed : tree.place(tops)) {
        const Tree::Record& r = tree.records()[placed.index];
        if (r.isFolder() || !r.codeValue)
            continue;
        // An entry is linked to its card by its code, which a damaged file
        // may give twice: such entries stay out until check mends them.
        if (codes.contains(*r.codeValue))
            twice.insert(*r.codeValue);
        codes.insert(*r.codeValue);
        part.entries.push_back({*r.codeValue, r.rowid, r.name, *r.telValue, placed.record.path});
    }
    std::erase_if(part.entries, [&](const TwoWayPlan::Entry& e) { return twice.contains(e.code); });
    return part;
}

int Syncer::run(const QString& file, DirectoryState& state, const CollectionScope& scope, DavTransport& server,
                const Options& options)
{
    // The lock first and released last: the file is the window's while it
    // runs, and a sync writes to it.
    std::optional<store::FileLock> lock;
    if (!options.dryRun)
        lock.emplace(file);
    // Worked on in a copy, which becomes what is remembered only once the
    // sync went through: a dry run or a sync stopped leaves it as it was.
    DirectoryState::Book book = state.book(scope.identity());
    const Part part = read(file, options.folder);

    m_output.progress(QStringLiteral("sync: reading the address book"));
    AddressBook::Changes changes;
    try {
        changes = AddressBook(server, scope, [this](const QString& message) { m_output.warn(message); })
                      .refresh(book, [](const QString&) { return true; });
    } catch (const ToolError&) {
        m_output.progress(QString());
        throw;
    }
    m_output.progress(QString());
    // The address book answered: the settings are worth keeping, whatever
    // happens next.
    if (options.settings) {
        state.setLastSync(*options.settings);
        state.save();
    }
    warnUnreadable(scope, changes.unreadable);
    std::set<QString> unreadable;
    for (const auto& [path, why] : changes.unreadable)
        unreadable.insert(path);

    const TwoWayPlan plan(part.entries, book,
                          {scope.url().path(QUrl::FullyDecoded), Publisher::cardPrefix(file), options.region, part.scope,
                           options.prefer},
                          unreadable);
    if (!options.force)
        stopIfTooMany(plan, book.removals);
    if (options.dryRun) {
        reportPlan(plan);
        return !unreadable.empty() ? 2 : plan.conflicts.empty() ? 0 : 1;
    }

    for (const auto& [path, reading] : plan.readings)
        book.cards.at(path).reading = reading;
    const Sent sent = applyToServer(server, scope, plan, book);
    const Done done = applyToDirectory(file, options.folder, plan, sent.failed, book);

    DirectoryState::Book::Removals& removals = book.removals;
    removals.fromDirectory += int(done.confirmedRemoved);
    removals.fromServer += int(sent.confirmedRemoved);
    // Confirmed by --force, or counted for the first time: what is linked
    // now is what later removals are measured against.
    if (options.force || removals.links < 0) {
        removals = {int(book.links.size()), 0, 0, QDate::currentDate().toString(Qt::ISODate)};
        for (DirectoryState::Book::Link& l : book.links)
            l.confirmed = true;
    }
    state.book(scope.identity()) = std::move(book);
    state.save();

    m_output.print(QStringLiteral("Directory: %1 added, %2 changed, %3 removed. Address book: %4 cards written, %5 "
                                  "removed.\n")
                       .arg(done.added)
                       .arg(done.changed)
                       .arg(done.removed)
                       .arg(sent.written)
                       .arg(sent.removed));
    for (const TwoWayPlan::Conflict& c : plan.conflicts)
        m_output.print(QStringLiteral("Conflict: %1 in the directory, %2 in the address book: changed on both sides, "
                                      "left as they are; sync with --prefer directory or --prefer server to choose.\n")
                           .arg(c.directory, c.server));
    if (!sent.failed.empty() || !unreadable.empty()) {
        m_output.warn(QStringLiteral("not everything was done: what could not be read or written is listed above and "
                                     "left as it was on both sides; sync again to finish."));
        return 2;
    }
    return plan.conflicts.empty() ? 0 : 1;
}

void Syncer::warnUnreadable(const CollectionScope& scope, const std::map<QString, QString>& unreadable)
{
    size_t named = 0;
    for (const auto& [path, why] : unreadable) {
        if (++named > UnreadableNamed)
            break;
        QUrl url = scope.url();
        url.setPath(path, QUrl::DecodedMode);
        m_output.warn(QStringLiteral("%1: could not be read (%2); it is left as it was on both sides and asked for "
                                     "again next time.")
                          .arg(url.toDisplayString(), why));
    }
    if (unreadable.size() > UnreadableNamed)
        m_output.warn(QStringLiteral("%1 more cards could not be read.").arg(unreadable.size() - UnreadableNamed));
}

void Syncer::stopIfTooMany(const TwoWayPlan& plan, const DirectoryState::Book::Removals& removals) const
{
    size_t fromDirectory = 0;
    for (const TwoWayPlan::EntryRemoval& r : plan.entryRemovals)
        fromDirectory += r.confirmed ? 1 : 0;
    size_t fromServer = 0;
    for (const TwoWayPlan::CardWrite& w : plan.cardWrites)
        fromServer += w.confirmedRemoved;
    for (const TwoWayPlan::CardRemoval& r : plan.cardRemovals)
        fromServer += r.confirmedRemoved;
    const QString would = QStringLiteral("this sync would remove %1 of the directory's %2 entries and %3 of the address "
                                         "book's %4 numbers")
                              .arg(QString::number(plan.directoryRemoved), QString::number(plan.directoryEntries),
                                   QString::number(plan.serverRemoved), QString::number(plan.serverNumbers));
    const auto drained = [&](int already, size_t now) {
        return now > 0 && (size_t(already) + now) * 2 > size_t(removals.links);
    };
    QString why;
    if (tooMany(plan.directoryRemoved, plan.directoryEntries) || tooMany(plan.serverRemoved, plan.serverNumbers)) {
        why = QStringLiteral(": more than half of one side, as when an address book was emptied or the address or the "
                             "file is another");
    } else if (removals.links >= 0
               && (drained(removals.fromDirectory, fromDirectory) || drained(removals.fromServer, fromServer))) {
        why = QStringLiteral(", which with the %1 entries and %2 numbers sync removed since %3 makes more than half of "
                             "the %4 contacts linked then, as when a server loses its cards a few at a time")
                  .arg(QString::number(removals.fromDirectory), QString::number(removals.fromServer), removals.since,
                       QString::number(removals.links));
    } else {
        return;
    }
    throw ToolError(would + why
                    + QStringLiteral(". Nothing was changed. See what it would do with --dry-run, and sync with "
                                     "--force if that is what you want."));
}

Syncer::Sent Syncer::applyToServer(DavTransport& server, const CollectionScope& scope, const TwoWayPlan& plan,
                                   DirectoryState::Book& book)
{
    struct Change
    {
        QString path;
        QString label;
        const TwoWayPlan::CardWrite* write; // null for a removal
        size_t confirmedRemoved;
    };
    Sent sent;
    std::vector<DavTransport::Request> requests;
    std::vector<Change> changes;
    const auto urlOf = [&](const QString& path) {
        QUrl url = scope.url();
        url.setPath(path, QUrl::DecodedMode);
        return url;
    };
    const auto unsafe = [&](const QString& path, const QString& label, const char* what) {
        m_output.warn(QStringLiteral("%1 (%2): the server gave no valid ETag for this card, so it cannot be %3 without "
                                     "risking a change made on the server meanwhile; it is left as it is.")
                          .arg(urlOf(path).toDisplayString(), label, QLatin1String(what)));
        sent.failed.insert(path);
    };
    for (const TwoWayPlan::CardWrite& w : plan.cardWrites) {
        const bool known = book.cards.contains(w.path);
        if (known && w.etag.isEmpty()) {
            unsafe(w.path, w.label, "changed");
            continue;
        }
        requests.push_back({"PUT", urlOf(w.path), w.text,
                            {{known ? QByteArray("If-Match") : QByteArray("If-None-Match"), known ? w.etag : "*"},
                             {"Content-Type", CardType}}});
        changes.push_back({w.path, w.label, &w, w.confirmedRemoved});
    }
    for (const TwoWayPlan::CardRemoval& r : plan.cardRemovals) {
        if (r.etag.isEmpty()) {
            unsafe(r.path, r.label, "removed");
            continue;
        }
        requests.push_back({"DELETE", urlOf(r.path), QByteArray(), {{"If-Match", r.etag}}});
        changes.push_back({r.path, r.label, nullptr, r.confirmedRemoved});
    }
    const std::vector<DavTransport::Response> responses = server.send(requests, [&](size_t finished) {
        m_output.progress(QStringLiteral("sync: %1 of %2 cards sent").arg(finished).arg(requests.size()));
    });
    m_output.progress(QString());

    for (size_t i = 0; i < requests.size(); ++i) {
        const DavTransport::Response& r = responses[i];
        const Change& c = changes[i];
        // Removing a card someone else removed first leaves what was wanted.
        if (r.succeeded() || (!c.write && r.status == 404)) {
            if (c.write) {
                book.cards[c.path] = {r.etag, QString::fromUtf8(c.write->text), c.write->reading};
                ++sent.written;
            } else {
                book.cards.erase(c.path);
                ++sent.removed;
            }
            sent.confirmedRemoved += c.confirmedRemoved;
            continue;
        }
        sent.failed.insert(c.path);
        if (r.status == 412)
            m_output.warn(QStringLiteral("%1 (%2): %3: the card changed on the server meanwhile; sync again to finish.")
                              .arg(requests[i].url.toDisplayString(), c.label, r.statusText()));
        else
            m_output.warn(QStringLiteral("%1 (%2)").arg(server.failure(requests[i].verb, requests[i].url, r), c.label));
    }
    return sent;
}

Syncer::Done Syncer::applyToDirectory(const QString& file, const QString& folder, const TwoWayPlan& plan,
                                      const std::set<QString>& failed, DirectoryState::Book& book)
{
    // What comes from a card that could not be written waits for it: its
    // links stay as they were.
    const auto waits = [&](const QString& path) { return failed.contains(path); };
    Done done;
    std::vector<qint64> codes(plan.newEntries.size(), 0);
    const bool any = std::any_of(plan.newEntries.begin(), plan.newEntries.end(), [&](const auto& n) { return !waits(n.link.path); })
                     || std::any_of(plan.entryChanges.begin(), plan.entryChanges.end(), [&](const auto& c) { return !waits(c.path); })
                     || std::any_of(plan.entryRemovals.begin(), plan.entryRemovals.end(), [&](const auto& r) { return !waits(r.path); });
    if (any) {
        store::Database database(file);
        database.useRollbackJournal();
        store::Transaction transaction(database);
        // Read again inside the transaction: the folders and codes seen are
        // the ones the new rows join. The lock kept the file as it was read.
        const Tree tree = Tree::load(database);
        const size_t top = tree.scope(folder).front();
        const QStringList above = top == Tree::Top ? QStringList() : tree.pathOf(top);
        BookEditor editor(&database, tree);
        for (const std::vector<DirectoryState::Book::Link>* links : {&std::as_const(book.links), &plan.links}) {
            for (const DirectoryState::Book::Link& l : *links)
                editor.keepCodesAbove(l.code);
        }
        for (const TwoWayPlan::EntryRemoval& r : plan.entryRemovals) {
            if (waits(r.path))
                continue;
            editor.remove(r.entry.rowid);
            ++done.removed;
            done.confirmedRemoved += r.confirmed ? 1 : 0;
        }
        for (const TwoWayPlan::EntryChange& c : plan.entryChanges) {
            if (waits(c.path))
                continue;
            editor.change(c.entry.rowid, c.entry.name, c.entry.number, editor.folder(above + c.entry.folder));
            ++done.changed;
        }
        for (size_t i = 0; i < plan.newEntries.size(); ++i) {
            const TwoWayPlan::NewEntry& n = plan.newEntries[i];
            if (waits(n.link.path))
                continue;
            codes[i] = editor.add(n.name, n.number, editor.folder(above + n.folder));
            ++done.added;
        }
        transaction.Commit();
    }

    std::vector<DirectoryState::Book::Link> links;
    for (const DirectoryState::Book::Link& l : book.links) {
        if (waits(l.path))
            links.push_back(l);
    }
    for (const DirectoryState::Book::Link& l : plan.links) {
        if (!waits(l.path))
            links.push_back(l);
    }
    for (size_t i = 0; i < plan.newEntries.size(); ++i) {
        if (!codes[i])
            continue;
        DirectoryState::Book::Link link = plan.newEntries[i].link;
        link.code = codes[i];
        links.push_back(link);
    }
    book.links = std::move(links);
    return done;
}

void Syncer::reportPlan(const TwoWayPlan& plan)
{
    for (const TwoWayPlan::NewEntry& n : plan.newEntries)
        m_output.print(QStringLiteral("add to the directory %1\n").arg(TwoWayPlan::label(n.name, n.number, n.folder)));
    for (const TwoWayPlan::EntryChange& c : plan.entryChanges)
        m_output.print(QStringLiteral("change in the directory %1 to %2\n")
                           .arg(TwoWayPlan::label(c.was.name, c.was.number, c.was.folder),
                                TwoWayPlan::label(c.entry.name, c.entry.number, c.entry.folder)));
    for (const TwoWayPlan::EntryRemoval& r : plan.entryRemovals)
        m_output.print(QStringLiteral("remove from the directory %1\n")
                           .arg(TwoWayPlan::label(r.entry.name, r.entry.number, r.entry.folder)));
    for (const TwoWayPlan::CardWrite& w : plan.cardWrites)
        m_output.print(QStringLiteral("PUT     %1  (%2)\n").arg(w.path.section(u'/', -1), w.label));
    for (const TwoWayPlan::CardRemoval& r : plan.cardRemovals)
        m_output.print(QStringLiteral("DELETE  %1  (%2)\n").arg(r.path.section(u'/', -1), r.label));
    m_output.print(QStringLiteral("Would do: Directory: %1 added, %2 changed, %3 removed. Address book: %4 cards "
                                  "written, %5 removed. Dry run: nothing was changed.\n")
                       .arg(plan.newEntries.size())
                       .arg(plan.entryChanges.size())
                       .arg(plan.entryRemovals.size())
                       .arg(plan.cardWrites.size())
                       .arg(plan.cardRemovals.size()));
    for (const TwoWayPlan::Conflict& c : plan.conflicts)
        m_output.print(QStringLiteral("Conflict: %1 in the directory, %2 in the address book: changed on both sides, "
                                      "left as they are; sync with --prefer directory or --prefer server to choose.\n")
                           .arg(c.directory, c.server));
}
