#include "tools/carddav/publisher.h"

#include "tools/carddav/addressbook.h"
#include "tools/directory/tree.h"
#include "tools/formats/toolerror.h"

#include "store/database.h"

#include <QElapsedTimer>
#include <QSet>

#include <algorithm>
#include <map>

namespace {

const QByteArray CardType = "text/vcard; charset=utf-8";

QString counted(size_t n, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(QString::number(n), QLatin1String(n == 1 ? one : many));
}

bool succeeded(int status)
{
    return status >= 200 && status <= 299;
}

// Publish's own cards are known by their names alone, so that only they are
// fetched: an address book may hold many others.
bool ours(const QString& prefix, const QString& name)
{
    if (!name.startsWith(prefix) || !name.endsWith(QStringLiteral(".vcf")))
        return false;
    const QStringView code = QStringView(name).sliced(prefix.size(), name.size() - prefix.size() - 4);
    return !code.isEmpty() && std::all_of(code.begin(), code.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

} // namespace

Publisher::Publisher(QIODevice& out, QIODevice& err, bool progress)
    : m_output(out, err, QStringLiteral("publish"), progress)
{
}

QString Publisher::cardPrefix(const QString& path)
{
    return QStringLiteral("quorvelin-%1-").arg(DirectoryState::id(path));
}

QUrl Publisher::addressBook(const QString& url)
{
    const QUrl given(url, QUrl::StrictMode);
    if (const auto why = DavClient::refusal(given))
        throw ToolError(QStringLiteral("%1 %2. Nothing was sent.").arg(given.toDisplayString(QUrl::RemovePassword), *why));
    return given;
}

bool Publisher::run(const QString& file, const Options& options)
{
    m_scope.emplace(options.url);
    m_user = options.user.isEmpty() ? options.url.userName() : options.user;

    const std::vector<ContactCard> wanted = cards(file, options.folder);
    DirectoryState state(file);
    DirectoryState::Book& book = state.book(m_scope->identity());
    DavClient client(m_user, options.password, options.timeout);
    const QString prefix = cardPrefix(file);
    m_output.progress(QStringLiteral("publish: reading the address book"));
    AddressBook::Changes changes;
    try {
        changes = AddressBook(client, *m_scope, [this](const QString& message) { m_output.warn(message); })
                      .refresh(book, [&](const QString& name) { return ours(prefix, name); });
    } catch (const ToolError&) {
        m_output.progress(QString());
        throw;
    }
    m_output.progress(QString());
    // Sent all the same: a change to a card read last in another state is
    // refused by its ETag.
    for (const auto& [path, why] : changes.unreadable) {
        QUrl url = m_scope->url();
        url.setPath(path, QUrl::DecodedMode);
        m_output.warn(QStringLiteral("%1: could not be read (%2); publish again to finish.").arg(url.toDisplayString(), why));
    }

    std::vector<SyncPlan::Remote> remote;
    for (const auto& [path, card] : book.cards) {
        QUrl url = m_scope->url();
        url.setPath(path, QUrl::DecodedMode);
        if (ours(prefix, url.fileName(QUrl::FullyDecoded)))
            remote.push_back({url.fileName(QUrl::FullyDecoded), url, card.etag, card.text});
    }
    const SyncPlan plan(wanted, remote);
    bool done = changes.unreadable.empty();
    if (options.dryRun)
        showPlan(plan, wanted.size());
    else
        done = send(client, plan, wanted.size(), book) && done;
    if (!options.dryRun)
        state.save();
    return done;
}

std::vector<ContactCard> Publisher::cards(const QString& file, const QString& folder)
{
    store::Database database(file, store::Database::Access::ReadOnly);
    // One statement reads the whole table: the cards show the directory as
    // it was at one moment, even while Quorvelin writes to it.
    const Tree tree = Tree::load(database);
    const QString prefix = cardPrefix(file);
    std::vector<ContactCard> cards;
    QSet<qint64> codes;
    size_t skipped = tree.detachedCount();
    for (const Tree::Placed& placed : tree.place(tree.scope(folder))) {
        if (placed.record.isFolder())
            continue;
        // A card's UID is its entry's code, which a damaged file may give
        // twice or not at all.
        const std::optional<qint64> code = tree.records()[placed.index].codeValue;
        if (!code || codes.contains(*code)) {
            ++skipped;
            continue;
        }
        codes.insert(*code);
        cards.emplace_back(prefix + QString::number(*code), placed.record);
    }
    if (skipped)
        m_output.warn(QStringLiteral("warning: %1 not published; see quorvelin-tool check.")
                 .arg(counted(skipped, "damaged record was", "damaged records were")));
    return cards;
}


void Publisher::warnHeld(const SyncPlan& plan)
{
    for (const SyncPlan::Action& a : plan.held())
        m_output.warn(QStringLiteral("%1 (%2): the server gave no valid ETag for this card, so it cannot be %3 without "
                            "risking a change made on the server meanwhile; it is left as it is.")
                 .arg(a.url.toDisplayString(), a.label,
                      a.kind == SyncPlan::Action::Kind::Remove ? QStringLiteral("removed") : QStringLiteral("changed")));
}

void Publisher::showPlan(const SyncPlan& plan, size_t entries)
{
    m_output.print(QStringLiteral("Would send to %1:\n").arg(m_scope->url().toDisplayString()));
    for (const SyncPlan::Action& a : plan.actions()) {
        const char* what = a.kind == SyncPlan::Action::Kind::Add      ? "PUT     %1  (add %2)\n"
                           : a.kind == SyncPlan::Action::Kind::Change ? "PUT     %1  (change %2)\n"
                                                                      : "DELETE  %1  (remove %2)\n";
        m_output.print(QString::fromLatin1(what).arg(a.fileName, a.label));
    }
    warnHeld(plan);
    m_output.print(QStringLiteral("%1: %2 to add, %3 to change, %4 to remove, %5 unchanged. Dry run: nothing was sent.\n")
              .arg(counted(entries, "entry", "entries"), QString::number(plan.count(SyncPlan::Action::Kind::Add)),
                   QString::number(plan.count(SyncPlan::Action::Kind::Change)),
                   QString::number(plan.count(SyncPlan::Action::Kind::Remove)), QString::number(plan.unchanged())));
}

bool Publisher::send(DavClient& client, const SyncPlan& plan, size_t entries, DirectoryState::Book& book)
{
    const std::vector<SyncPlan::Action>& actions = plan.actions();
    std::vector<DavClient::Request> requests;
    for (const SyncPlan::Action& a : actions) {
        switch (a.kind) {
        case SyncPlan::Action::Kind::Add:
            requests.push_back({"PUT", *m_scope->resolve(a.fileName), a.card,
                                {{"If-None-Match", "*"}, {"Content-Type", CardType}}});
            break;
        case SyncPlan::Action::Kind::Change:
            requests.push_back({"PUT", a.url, a.card, {{"If-Match", a.etag}, {"Content-Type", CardType}}});
            break;
        case SyncPlan::Action::Kind::Remove:
            requests.push_back({"DELETE", a.url, QByteArray(), {{"If-Match", a.etag}}});
            break;
        }
    }
    warnHeld(plan);

    QElapsedTimer shown;
    shown.start();
    const auto sent = [&](size_t finished) {
        // No more often than the eye follows.
        if (shown.elapsed() >= 100 || finished == requests.size()) {
            m_output.progress(QStringLiteral("publish: %1 of %2 cards sent").arg(finished).arg(requests.size()));
            shown.restart();
        }
    };
    const std::vector<DavClient::Response> responses = client.send(requests, sent);
    m_output.progress(QString());

    std::map<SyncPlan::Action::Kind, size_t> done;
    size_t failed = plan.held().size();
    std::vector<size_t> unsent;
    for (size_t i = 0; i < actions.size(); ++i) {
        const SyncPlan::Action& a = actions[i];
        const DavClient::Request& q = requests[i];
        const DavClient::Response& r = responses[i];
        // Removing a card someone else removed first leaves what was wanted.
        if ((succeeded(r.status) && r.failure.isEmpty())
            || (a.kind == SyncPlan::Action::Kind::Remove && r.status == 404)) {
            ++done[a.kind];
            // As the server now holds it: no need to read it back.
            const QString path = q.url.path(QUrl::FullyDecoded);
            if (a.kind == SyncPlan::Action::Kind::Remove)
                book.cards.erase(path);
            else
                book.cards[path] = {r.etag, QString::fromUtf8(a.card)};
            continue;
        }
        ++failed;
        if (!r.sent)
            unsent.push_back(i);
        else if (r.status == 412)
            m_output.warn(QStringLiteral("%1 (%2): %3: %4; publish again to finish.")
                     .arg(q.url.toDisplayString(), a.label, r.statusText(),
                          a.kind == SyncPlan::Action::Kind::Add ? QStringLiteral("a card of that name was added meanwhile")
                                                                : QStringLiteral("the card changed on the server meanwhile")));
        else
            m_output.warn(QStringLiteral("%1 (%2)").arg(client.failure(q.verb, q.url, r), a.label));
    }
    if (!unsent.empty())
        m_output.warn(QStringLiteral("%1 (%2 first): %3; publish again to finish.")
                 .arg(counted(unsent.size(), "card was not sent", "cards were not sent"), actions[unsent.front()].label,
                      responses[unsent.front()].failure));
    QString summary = QStringLiteral("%1: %2 added, %3 changed, %4 removed, %5 unchanged")
                          .arg(counted(entries, "entry", "entries"), QString::number(done[SyncPlan::Action::Kind::Add]),
                               QString::number(done[SyncPlan::Action::Kind::Change]),
                               QString::number(done[SyncPlan::Action::Kind::Remove]), QString::number(plan.unchanged()));
    if (failed)
        summary += QStringLiteral("; %1 not done").arg(counted(failed, "card", "cards"));
    m_output.print(summary + QStringLiteral(".\n"));
    return failed == 0;
}
