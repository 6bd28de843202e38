#include "tools/carddav/syncplan.h"

#include "tools/carddav/contactfields.h"
#include "tools/formats/entrymaker.h"
#include "tools/formats/vcardformat.h"

#include <QHash>
#include <QSet>

#include <algorithm>
#include <optional>

namespace {

// A card about to be removed has no entry left to name it; what the card
// itself says does, or its file name when it says nothing readable.
QString labelOf(const SyncPlan::Remote& remote)
{
    ImportReport ignored;
    const std::vector<FlatRecord> records = EntryMaker::plainEntries(VCardFormat::read(remote.card.toUtf8(), ignored));
    return records.empty() ? remote.fileName : ContactCard::label(records.front());
}

std::optional<qint64> firstNumber(const ContactFields& fields)
{
    return fields.numbers().empty() ? std::nullopt : fields.numbers().front().digits;
}

// The text that makes the server's copy of a card say what `card` says,
// none when it says that already. Only the name, the number publish wrote
// and the folder are changed on it: what a phone added stays. A copy that
// is not the card publish made (another UID, or unreadable) is replaced.
std::optional<QByteArray> update(const ContactCard& card, const QString& server)
{
    if (card.matches(server))
        return std::nullopt;
    ContactFields there(server, QString());
    const ContactFields wanted(QString::fromUtf8(card.text()), QString());
    if (there.uid() != wanted.uid())
        return card.text();
    bool changed = false;
    if (there.name() != wanted.name()) {
        there.setName(card.entry().name);
        changed = true;
    }
    if (firstNumber(there) != firstNumber(wanted)) {
        if (there.numbers().empty())
            there.addNumber(card.entry().tel);
        else
            there.setNumber(0, card.entry().tel);
        changed = true;
    }
    if (there.folder() != wanted.folder()) {
        there.setFolder(wanted.folder());
        changed = true;
    }
    return changed ? std::optional(there.text()) : std::nullopt;
}

} // namespace

SyncPlan::SyncPlan(const std::vector<ContactCard>& wanted, const std::vector<Remote>& remote)
{
    QHash<QString, const Remote*> onServer;
    for (const Remote& r : remote)
        onServer.insert(r.fileName, &r);
    QSet<QString> kept;
    for (const ContactCard& card : wanted) {
        const QString label = ContactCard::label(card.entry());
        kept.insert(card.fileName());
        const Remote* there = onServer.value(card.fileName());
        if (!there) {
            add({Action::Kind::Add, card.fileName(), QUrl(), QByteArray(), card.text(), label});
            continue;
        }
        if (std::optional<QByteArray> text = update(card, there->card))
            add({Action::Kind::Change, card.fileName(), there->url, there->etag, std::move(*text), label});
        else
            ++m_unchanged;
    }
    for (const Remote& r : remote) {
        if (!kept.contains(r.fileName))
            add({Action::Kind::Remove, r.fileName, r.url, r.etag, QByteArray(), labelOf(r)});
    }
}

void SyncPlan::add(Action action)
{
    if (action.kind != Action::Kind::Add && action.etag.isEmpty())
        m_held.push_back(std::move(action));
    else
        m_actions.push_back(std::move(action));
}

size_t SyncPlan::count(Action::Kind kind) const
{
    return size_t(std::count_if(m_actions.begin(), m_actions.end(), [kind](const Action& a) { return a.kind == kind; }));
}
