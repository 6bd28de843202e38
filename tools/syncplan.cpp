#include "syncplan.h"

#include "vcardformat.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace {

// A card about to be removed has no entry left to name it; what the card
// itself says does, or its file name when it says nothing readable.
QString labelOf(const SyncPlan::Remote& remote)
{
    try {
        const std::vector<FlatRecord> records = VCardFormat::read(remote.card.toUtf8());
        if (!records.empty())
            return ContactCard::label(records.front());
    } catch (const FormatError&) {
    }
    return remote.fileName;
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
        if (!there)
            m_actions.push_back({Action::Kind::Add, card.fileName(), QString(), QString(), card.text(), label});
        else if (!card.matches(there->card))
            m_actions.push_back({Action::Kind::Change, card.fileName(), there->href, there->etag, card.text(), label});
        else
            ++m_unchanged;
    }
    for (const Remote& r : remote) {
        if (!kept.contains(r.fileName))
            m_actions.push_back({Action::Kind::Remove, r.fileName, r.href, r.etag, QByteArray(), labelOf(r)});
    }
}

size_t SyncPlan::count(Action::Kind kind) const
{
    return size_t(std::count_if(m_actions.begin(), m_actions.end(), [kind](const Action& a) { return a.kind == kind; }));
}
