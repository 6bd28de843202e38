#include "tools/carddav/twowayplan.h"

#include "tools/carddav/contactfields.h"

#include <map>
#include <optional>
#include <set>

namespace {

using Link = DirectoryState::Book::Link;

struct Values
{
    QString name;
    qint64 number = 0;
    QString folder;
    bool operator==(const Values&) const = default;
};

// A card of the address book as the plan reads and changes it.
struct Card
{
    ContactFields fields;
    QByteArray etag;
    bool changed = false;
    std::set<size_t> removed; // numbers to take off, by their index before any is
    size_t added = 0;         // numbers put on after the others

    // The numbers that make entries, those about to be removed left out.
    size_t readable() const
    {
        const std::vector<ContactFields::Number>& numbers = fields.numbers();
        size_t n = 0;
        for (size_t i = 0; i < numbers.size(); ++i)
            n += numbers[i].digits && !removed.contains(i) ? 1 : 0;
        return n;
    }

    // Where the number at `index` will be once the removals are made.
    size_t finalIndex(size_t index) const
    {
        return index - size_t(std::distance(removed.begin(), removed.lower_bound(index)));
    }

    // An entry's values as the number at `index` gives them: the card's
    // name, with the number's kind when the card has several numbers.
    std::optional<Values> values(size_t index) const
    {
        const std::vector<ContactFields::Number>& numbers = fields.numbers();
        if (index >= numbers.size() || !numbers[index].digits || removed.contains(index))
            return std::nullopt;
        QString name = fields.name();
        if (readable() > 1 && !numbers[index].kind.isEmpty())
            name = QStringLiteral("%1 (%2)").arg(name, numbers[index].kind);
        return Values{name, *numbers[index].digits, fields.folder()};
    }

    // Takes the entry's values onto the number at `index`, changing only
    // what differs from what the card gives it now.
    void take(size_t index, const Values& local, const Values& remote)
    {
        if (local.name != remote.name) {
            // "Anna Berger (mobile)" names Anna Berger's mobile number: the
            // card's name is what comes before the kind.
            const QString kind = fields.numbers()[index].kind; // a copy: setName reads the card again
            const QString suffix = QStringLiteral(" (%1)").arg(kind);
            fields.setName(readable() > 1 && !kind.isEmpty() && local.name.endsWith(suffix)
                               ? local.name.chopped(suffix.size())
                               : local.name);
        }
        if (local.number != remote.number)
            fields.setNumber(index, local.number);
        if (local.folder != remote.folder)
            fields.setFolder(local.folder);
        changed = true;
    }
};

Values valuesOf(const TwoWayPlan::Entry& e)
{
    return {e.name, e.number, e.folder};
}

TwoWayPlan::Entry entryWith(const TwoWayPlan::Entry& e, const Values& v)
{
    return {e.code, e.rowid, v.name, v.number, v.folder};
}

} // namespace

QString TwoWayPlan::label(const QString& name, qint64 number, const QString& folder)
{
    return QStringLiteral("\"%1\" %2 in %3").arg(name).arg(number).arg(folder);
}

TwoWayPlan::TwoWayPlan(const std::vector<Entry>& entries, const DirectoryState::Book& book, const Settings& settings)
{
    directoryEntries = entries.size();
    std::map<qint64, const Entry*> byCode;
    for (const Entry& e : entries)
        byCode[e.code] = &e;
    std::map<QString, Card> cards;
    for (const auto& [path, stored] : book.cards) {
        Card& card = cards.emplace(path, Card{ContactFields(stored.text, settings.region, stored.reading), stored.etag, false, {}, 0}).first->second;
        serverNumbers += card.readable();
    }

    // Every entry and every number that no link joins gets one now: to its
    // twin on the other side when there is one (the same code in a card's
    // name, else the same name and number: a state that was lost, or the
    // first sync), else to nothing, so that it is carried across. None of
    // these links has values both sides agreed on.
    std::vector<Link> all = book.links;
    std::set<qint64> linkedCodes;
    std::set<std::pair<QString, int>> linkedNumbers;
    for (const Link& l : all) {
        linkedCodes.insert(l.code);
        linkedNumbers.insert({l.path, l.tel});
    }
    std::multimap<std::pair<QString, qint64>, std::pair<QString, int>> loose; // (name, number) -> number on a card
    for (const auto& [path, card] : cards) {
        const std::vector<ContactFields::Number>& numbers = card.fields.numbers();
        for (size_t i = 0; i < numbers.size(); ++i) {
            if (numbers[i].digits && !linkedNumbers.contains({path, int(i)}))
                loose.insert({{card.values(i)->name, *numbers[i].digits}, {path, int(i)}});
        }
    }
    std::map<std::pair<QString, int>, decltype(loose)::iterator> looseAt;
    for (auto it = loose.begin(); it != loose.end(); ++it)
        looseAt[it->second] = it;
    const auto take = [&](const std::pair<QString, int>& number) {
        if (const auto at = looseAt.find(number); at != looseAt.end()) {
            loose.erase(at->second);
            looseAt.erase(at);
        }
    };
    for (const Entry& e : entries) {
        if (linkedCodes.contains(e.code))
            continue;
        std::optional<std::pair<QString, int>> twin;
        const QString own = settings.collectionPath + settings.cardPrefix + QString::number(e.code) + QStringLiteral(".vcf");
        if (const auto c = cards.find(own); c != cards.end()) {
            const std::vector<ContactFields::Number>& numbers = c->second.fields.numbers();
            for (size_t i = 0; i < numbers.size() && !twin; ++i) {
                if (numbers[i].digits && !linkedNumbers.contains({own, int(i)}))
                    twin = std::pair(own, int(i));
            }
        }
        if (!twin) {
            if (const auto it = loose.find({e.name, e.number}); it != loose.end())
                twin = it->second;
        }
        if (twin) {
            take(*twin);
            linkedNumbers.insert(*twin);
        }
        all.push_back({e.code, twin ? twin->first : QString(), twin ? twin->second : 0, QString(), 0, QString()});
    }
    for (const auto& [values, number] : loose)
        all.push_back({0, number.first, number.second, QString(), 0, QString()});

    // Each link's fate, decided on the cards as they are. The cards are
    // changed as decided; then each entry takes what its number gives it,
    // which carries a card's new name to all its numbers' entries.
    enum class Fate { Keep, Conflict, Drop, NewEntry, RemoveEntry, NewCard };
    struct Decision
    {
        Link link;
        const Entry* entry;
        Fate fate;
    };
    std::vector<Decision> decisions;
    for (const Link& l : all) {
        const Entry* entry = byCode.contains(l.code) ? byCode.at(l.code) : nullptr;
        Card* card = cards.contains(l.path) ? &cards.at(l.path) : nullptr;
        const std::optional<Values> remote = card ? card->values(size_t(l.tel)) : std::nullopt;
        const Values agreed{l.name, l.number, l.folder};
        Decision d{l, entry, Fate::Keep};
        if (!entry && !remote) {
            d.fate = Fate::Drop;
        } else if (!entry) {
            // Gone from the directory: the number goes too, unless it
            // changed on the server meanwhile, or was never the directory's.
            if (*remote != agreed) {
                d.fate = Fate::NewEntry;
            } else {
                card->removed.insert(size_t(l.tel));
                card->changed = true;
                ++serverRemoved;
                d.fate = Fate::Drop;
            }
        } else if (!remote) {
            // Gone from the server: the entry goes too, unless it changed
            // in the directory meanwhile; then its number goes back.
            if (valuesOf(*entry) == agreed) {
                d.fate = Fate::RemoveEntry;
            } else if (card) {
                card->fields.addNumber(entry->number);
                d.link.tel = int(card->fields.numbers().size() - 1);
                card->changed = true;
            } else {
                d.fate = Fate::NewCard;
            }
        } else if (const Values local = valuesOf(*entry); local != *remote) {
            const bool localChanged = local != agreed;
            const bool remoteChanged = *remote != agreed;
            const bool push = localChanged && (!remoteChanged || settings.prefer == Prefer::Directory);
            const bool conflict = localChanged && remoteChanged && settings.prefer == Prefer::Neither;
            if (push) {
                card->take(size_t(l.tel), local, *remote);
            } else if (conflict) {
                d.fate = Fate::Conflict;
                conflicts.push_back({label(local.name, local.number, local.folder),
                                     label(remote->name, remote->number, remote->folder)});
            }
        }
        decisions.push_back(d);
    }

    for (Decision& d : decisions) {
        const Entry* entry = d.entry;
        if (d.fate == Fate::Drop)
            continue;
        if (d.fate == Fate::RemoveEntry) {
            entryRemovals.push_back({*entry});
            ++directoryRemoved;
            continue;
        }
        if (d.fate == Fate::NewCard) {
            const QString code = QString::number(entry->code);
            const QString path = settings.collectionPath + settings.cardPrefix + code + QStringLiteral(".vcf");
            const ContactFields card =
                ContactFields::made(settings.cardPrefix + code, entry->name, entry->number, entry->folder, settings.region);
            cardWrites.push_back(
                {path, QByteArray(), card.text(), label(entry->name, entry->number, entry->folder), card.reading()});
            links.push_back({entry->code, path, 0, entry->name, entry->number, entry->folder});
            continue;
        }
        Card& card = cards.at(d.link.path);
        Link link = d.link;
        // Where its number will be once the removed ones are gone.
        link.tel = int(card.finalIndex(size_t(d.link.tel)));
        if (d.fate == Fate::Conflict) {
            links.push_back(link);
            continue;
        }
        const Values now = *card.values(size_t(d.link.tel));
        link.name = now.name;
        link.number = now.number;
        link.folder = now.folder;
        if (d.fate == Fate::NewEntry) {
            newEntries.push_back({now.name, now.number, now.folder, link});
            continue;
        }
        if (valuesOf(*entry) != now)
            entryChanges.push_back({entryWith(*entry, now), label(entry->name, entry->number, entry->folder)});
        links.push_back(link);
    }

    for (auto& [path, card] : cards) {
        if (!card.changed) {
            readings.emplace(path, card.fields.reading());
            continue;
        }
        for (auto it = card.removed.rbegin(); it != card.removed.rend(); ++it)
            card.fields.removeNumber(*it);
        const bool made = path.section(u'/', -1).startsWith(settings.cardPrefix);
        const QString name = card.fields.name();
        if (card.fields.numbers().empty() && (made || card.fields.holdsNothingElse()))
            cardRemovals.push_back({path, card.etag, name});
        else
            cardWrites.push_back({path, card.etag, card.fields.text(), name, card.fields.reading()});
    }
}
