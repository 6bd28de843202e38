#include "tools/carddav/syncengine.h"

#include "tools/carddav/addressbook.h"
#include "tools/carddav/collectionscope.h"
#include "tools/directory/bookeditor.h"
#include "tools/directory/tree.h"
#include "tools/formats/folderpath.h"
#include "tools/formats/toolerror.h"

#include "store/database.h"
#include "store/lockeddatabase.h"

#include <QDate>

namespace {

const QByteArray CardType = "text/vcard; charset=utf-8";

bool tooMany(size_t removed, size_t of)
{
    return removed > 0 && removed * 2 > of;
}

} // namespace

// The part of the directory synced, as read before the sync.
struct SyncEngine::Part
{
    std::vector<SyncPlan::Entry> entries;
    std::set<qint64> leftOut; // codes of entries it holds but cannot sync
    QString scope;      // its top folder's name; empty for the whole directory
    size_t damaged = 0; // records left out
};

SyncEngine::SyncEngine(DavTransport& server, const CollectionScope& scope, Listener listener)
    : m_server(server)
    , m_scope(scope)
    , m_listener(std::move(listener))
{
}

SyncEngine::Part SyncEngine::read(store::Database& database, const QString& folder) const
{
    // One statement reads the whole table: the directory as it was at one
    // moment, even while Quorvelin writes to it.
    const Tree tree = Tree::load(database);
    const std::vector<size_t> tops = tree.scope(folder);
    Part part;
    if (tops.front() != Tree::Top)
        part.scope = tree.records()[tops.front()].name;
    part.damaged = tree.detachedCount();
    std::set<qint64> codes;
    size_t tooDeep = 0;
    for (const Tree::Placed& placed : tree.place(tops)) {
        const Tree::Record& r = tree.records()[placed.index];
        if (r.isFolder())
            continue;
        // An entry is linked to its card by its code, which a damaged file
        // may give twice or not at all: such entries stay out until check
        // mends them.
        if (!r.codeValue) {
            ++part.damaged;
            continue;
        }
        if (!codes.insert(*r.codeValue).second)
            part.leftOut.insert(*r.codeValue);
        // No card could carry its folder.
        if (placed.tooDeep) {
            part.leftOut.insert(*r.codeValue);
            ++tooDeep;
            continue;
        }
        part.entries.push_back({*r.codeValue, r.rowid, r.name, *r.telValue, placed.record.path});
    }
    const size_t kept = part.entries.size();
    std::erase_if(part.entries, [&](const SyncPlan::Entry& e) { return part.leftOut.contains(e.code); });
    part.damaged += kept - part.entries.size();
    if (tooDeep) {
        m_listener.warn(QStringLiteral("warning: %1 %2 deeper than %3 folders, which no card can hold, left out: "
                                       "the cards linked to them stay as they are.")
                            .arg(QString::number(tooDeep), tooDeep == 1 ? QStringLiteral("entry lies")
                                                                        : QStringLiteral("entries lie"),
                                 QString::number(FolderPath::MaxDepth)));
    }
    return part;
}

SyncEngine::Result SyncEngine::run(const QString& file, DirectoryState& state, const Options& options)
{
    const bool bothWays = options.policy == SyncPlan::Policy::BothWays;
    // Held for the whole run, as the window holds it, and refused now if it
    // cannot be written: a sync writes to it. A mirror only reads it.
    std::optional<store::LockedDatabase> directory;
    std::optional<store::Database> readOnly;
    if (bothWays && !options.dryRun)
        directory.emplace(file);
    const Part part = read(directory ? directory->database()
                                     : readOnly.emplace(file, store::Database::Access::ReadOnly),
                           options.folder);
    readOnly.reset();
    // Worked on in a copy, which becomes what is remembered only once the
    // run went through: a dry run, or a sync stopped, leaves it as it was.
    DirectoryState::Book book = state.book(m_scope.identity());
    // What is remembered is checked as the server's answers are: a card's
    // path that an edit of the file put outside the address book is none,
    // and gets no request.
    const auto outside = [&](const QString& path) {
        const std::optional<QUrl> at = m_scope.resolve(m_scope.member(path).toString(QUrl::FullyEncoded));
        return !at || m_scope.isCollection(*at) || at->path(QUrl::FullyDecoded) != path;
    };
    std::erase_if(book.cards, [&](const auto& card) { return outside(card.first); });
    std::erase_if(book.links, [&](const DirectoryState::Book::Link& l) { return !l.path.isEmpty() && outside(l.path); });
    const CardNames names(file);

    m_listener.progress(QStringLiteral("reading the address book"));
    AddressBook addressBook(m_server, m_scope, m_listener.warn);
    std::map<QString, QString> unread; // by path
    try {
        // A mirror fetches only the cards it made: an address book may hold
        // many others.
        unread = addressBook.refresh(book, [&](const QString& name) { return bothWays || names.code(name).has_value(); })
                     .unreadable;
    } catch (const ToolError&) {
        m_listener.progress(QString());
        throw;
    }
    m_listener.progress(QString());
    // The address book answered: the settings are worth keeping, whatever
    // happens next.
    if (options.settings && !options.dryRun) {
        state.setLastSync(*options.settings);
        state.save();
    }

    SyncPlan::Unread unreadable{{}, part.leftOut};
    const auto makePlan = [&] {
        for (const auto& [path, why] : unread)
            unreadable.cards.insert(path);
        return SyncPlan(part.entries, book,
                        {options.policy, m_scope.url().path(QUrl::FullyDecoded), names, options.region, part.scope,
                         options.prefer, book.version},
                        unreadable);
    };
    SyncPlan planned = makePlan();
    // Cards known by their readings alone are read whole where the plan
    // changes them, and the plan made again with them: once, and a card
    // still wanted after that counts as one that could not be read.
    for (int round = 0; !planned.needed.empty() && round < 2; ++round) {
        if (round == 0) {
            m_listener.progress(QStringLiteral("reading the cards to change"));
            const std::map<QString, QString> more = addressBook.readWhole(book, planned.needed).unreadable;
            m_listener.progress(QString());
            unread.insert(more.begin(), more.end());
        } else {
            for (const QString& path : planned.needed)
                unread.emplace(path, QStringLiteral("changed while it was read"));
        }
        planned = makePlan();
    }
    std::map<QString, QString> unreadableAt;
    for (const auto& [path, why] : unread)
        unreadableAt[m_scope.member(path).toDisplayString()] = why;
    Result result(std::move(planned), part.damaged, std::move(unreadableAt));
    for (const auto& [path, card] : book.cards) {
        const auto fresh = result.plan.readings.find(path);
        const QString unfit = fresh != result.plan.readings.end() ? fresh->second.unfit
                              : card.reading                      ? card.reading->unfit
                                                                  : QString();
        if (!unfit.isEmpty())
            result.unfit[m_scope.member(path).toDisplayString()] = unfit;
    }
    const SyncPlan& plan = result.plan;
    if (bothWays && !options.force)
        stopIfTooMany(plan, book.removals);
    if (options.dryRun) {
        result.cardsFailed = holdBack(plan, result).size();
        return result;
    }

    for (const auto& [path, reading] : plan.readings)
        book.cards.at(path).reading = reading;
    const std::set<QString> failed = applyToServer(plan, book, result);
    result.cardsFailed = failed.size();
    if (bothWays) {
        applyToDirectory(*directory, options.folder, plan, failed, book, result);
        // Confirmed by --force, or counted for the first time: what is
        // linked now is what later removals are measured against.
        DirectoryState::Book::Removals& removals = book.removals;
        if (options.force || removals.links < 0) {
            removals = {int(book.links.size()), 0, 0, QDate::currentDate().toString(Qt::ISODate)};
            for (DirectoryState::Book::Link& l : book.links)
                l.confirmed = true;
        }
    }
    state.book(m_scope.identity()) = std::move(book);
    state.save();
    return result;
}

void SyncEngine::stopIfTooMany(const SyncPlan& plan, const DirectoryState::Book::Removals& removals) const
{
    size_t fromDirectory = 0;
    for (const SyncPlan::EntryRemoval& r : plan.entryRemovals)
        fromDirectory += r.confirmed ? 1 : 0;
    size_t fromServer = 0;
    for (const SyncPlan::CardWrite& w : plan.cardWrites)
        fromServer += w.confirmedRemoved;
    for (const SyncPlan::CardRemoval& r : plan.cardRemovals)
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

std::set<QString> SyncEngine::holdBack(const SyncPlan& plan, Result& result) const
{
    std::set<QString> held;
    const auto hold = [&](const QString& path, const QString& label, const char* what) {
        result.failures.push_back({QStringLiteral("%1 (%2): the server gave no valid ETag for this card, so it cannot be "
                                                  "%3 without risking a change made on the server meanwhile; it is "
                                                  "left as it is.")
                                       .arg(m_scope.member(path).toDisplayString(), label, QLatin1String(what))});
        held.insert(path);
    };
    for (const SyncPlan::CardWrite& w : plan.cardWrites) {
        if (w.held())
            hold(w.path, w.label, "changed");
    }
    for (const SyncPlan::CardRemoval& r : plan.cardRemovals) {
        if (r.held())
            hold(r.path, r.label, "removed");
    }
    return held;
}

std::set<QString> SyncEngine::applyToServer(const SyncPlan& plan, DirectoryState::Book& book, Result& result)
{
    struct Change
    {
        QString path;
        QString label;
        const SyncPlan::CardWrite* write; // null for a removal
        size_t confirmedRemoved;
    };
    std::set<QString> failed = holdBack(plan, result);
    std::vector<DavTransport::Request> requests;
    std::vector<Change> changes;
    for (const SyncPlan::CardWrite& w : plan.cardWrites) {
        if (w.held())
            continue;
        requests.push_back({"PUT", m_scope.member(w.path), w.text,
                            {{w.made ? QByteArray("If-None-Match") : QByteArray("If-Match"), w.made ? "*" : w.etag},
                             {"Content-Type", CardType}}});
        changes.push_back({w.path, w.label, &w, w.confirmedRemoved});
    }
    for (const SyncPlan::CardRemoval& r : plan.cardRemovals) {
        if (r.held())
            continue;
        requests.push_back({"DELETE", m_scope.member(r.path), QByteArray(), {{"If-Match", r.etag}}});
        changes.push_back({r.path, r.label, nullptr, r.confirmedRemoved});
    }
    const std::vector<DavTransport::Response> responses = m_server.send(requests, [&](size_t finished) {
        m_listener.progress(QStringLiteral("%1 of %2 cards sent").arg(finished).arg(requests.size()));
    });
    m_listener.progress(QString());

    std::vector<size_t> unsent;
    for (size_t i = 0; i < requests.size(); ++i) {
        const DavTransport::Response& r = responses[i];
        const Change& c = changes[i];
        // Removing a card someone else removed first leaves what was wanted.
        if (r.succeeded() || (!c.write && r.status == 404)) {
            // As the server now holds it: no need to read it back.
            if (c.write) {
                book.cards[c.path] = {r.etag, QString::fromUtf8(c.write->text), c.write->reading};
                ++(c.write->made ? result.cardsMade : result.cardsChanged);
            } else {
                book.cards.erase(c.path);
                ++result.cardsRemoved;
            }
            book.removals.fromServer += int(c.confirmedRemoved);
            continue;
        }
        failed.insert(c.path);
        if (!r.sent) {
            unsent.push_back(i);
        } else if (r.status == 412) {
            const QString why = c.write && c.write->made ? QStringLiteral("a card of that name was added meanwhile")
                                                         : QStringLiteral("the card changed on the server meanwhile");
            result.failures.push_back({QStringLiteral("%1 (%2): %3: %4")
                                           .arg(requests[i].url.toDisplayString(), c.label, r.statusText(), why),
                                       true});
        } else {
            result.failures.push_back(
                {QStringLiteral("%1 (%2)").arg(m_server.failure(requests[i].verb, requests[i].url, r), c.label)});
        }
    }
    if (!unsent.empty()) {
        const size_t first = unsent.front();
        result.failures.push_back({QStringLiteral("%1 (%2 first): %3")
                                       .arg(unsent.size() == 1 ? QStringLiteral("1 card was not sent")
                                                               : QStringLiteral("%1 cards were not sent").arg(unsent.size()),
                                            changes[first].label, responses[first].failure),
                                   true});
    }
    return failed;
}

void SyncEngine::applyToDirectory(store::LockedDatabase& directory, const QString& folder, const SyncPlan& plan,
                                  const std::set<QString>& failed, DirectoryState::Book& book, Result& result)
{
    // What comes from a card that could not be written waits for it: its
    // links stay as they were.
    const auto waits = [&](const QString& path) { return failed.contains(path); };
    std::vector<qint64> codes(plan.newEntries.size(), 0);
    const bool any =
        std::any_of(plan.newEntries.begin(), plan.newEntries.end(), [&](const auto& n) { return !waits(n.link.path); })
        || std::any_of(plan.entryChanges.begin(), plan.entryChanges.end(), [&](const auto& c) { return !waits(c.path); })
        || std::any_of(plan.entryRemovals.begin(), plan.entryRemovals.end(), [&](const auto& r) { return !waits(r.path); });
    if (any) {
        store::Transaction transaction = directory.begin();
        store::Database& database = directory.database();
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
        size_t confirmedRemoved = 0;
        for (const SyncPlan::EntryRemoval& r : plan.entryRemovals) {
            if (waits(r.path))
                continue;
            editor.remove(r.entry.rowid);
            ++result.entriesRemoved;
            confirmedRemoved += r.confirmed ? 1 : 0;
        }
        for (const SyncPlan::EntryChange& c : plan.entryChanges) {
            if (waits(c.path))
                continue;
            editor.change(c.entry.rowid, c.entry.name, c.entry.number, editor.folder(above + c.entry.folder));
            ++result.entriesChanged;
        }
        for (size_t i = 0; i < plan.newEntries.size(); ++i) {
            const SyncPlan::NewEntry& n = plan.newEntries[i];
            if (waits(n.link.path))
                continue;
            codes[i] = editor.add(n.name, n.number, editor.folder(above + n.folder));
            ++result.entriesAdded;
        }
        transaction.Commit();
        book.removals.fromDirectory += int(confirmedRemoved);
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
}
