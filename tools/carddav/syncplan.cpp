#include "tools/carddav/syncplan.h"

#include "tools/formats/contactfields.h"
#include "tools/formats/folderpath.h"
#include "tools/formats/numberreader.h"

#include <algorithm>
#include <optional>

namespace {

using Link = SyncPlan::Link;
using Entry = SyncPlan::Entry;
using Number = std::pair<QString, int>; // a card's path, and which of its TEL lines
constexpr int Gone = -1;                // a link's `tel` once its number is not on the card

struct Decision;

// A card of the address book as the plan reads and changes it.
struct Card
{
    Card(ContactFields&& read, const QString& path, const QByteArray& etag, bool unreadable)
        : fields(std::move(read))
        , path(path)
        , etag(etag)
        , unreadable(unreadable || !fields.reading().unfit.isEmpty())
    {
    }

    ContactFields fields;
    QString path;
    QByteArray etag;
    bool unreadable = false;
    // As read, before the plan changes anything.
    QString name;
    std::vector<QString> kinds;
    std::vector<QString> marks;
    std::vector<QString> entryNames;
    QStringList folder;
    std::vector<bool> claimed; // by TEL line: a link holds it

    bool changed = false;
    bool gone = false;           // to be removed whole
    std::vector<size_t> removed; // TEL lines to take off, as the card was read
    size_t confirmedRemoved = 0;
    std::optional<QString> renamed;       // the contact's name one entry gave it
    std::optional<QStringList> moved;     // the folder one entry gave it
    const Decision* movedBy = nullptr;    // that entry's decision
    // Once the plan's changes are made.
    std::vector<QString> finalNames;
    QStringList finalFolder;
    QString label; // of the entry a mirror writes it for

    // "Name" 5550111 in /Work, as the card reads now, whatever part is
    // synced; its file name when it holds no number.
    QString shown(const QString& path) const
    {
        const int first = firstNumber();
        if (first == Gone)
            return name.isEmpty() ? path.section(u'/', -1) : name;
        return SyncPlan::label(fields.entryNames()[size_t(first)], *fields.numbers()[size_t(first)].digits,
                               fields.folder());
    }

    // Whether `mark` names the kind of the number at `tel` as read: its
    // mark, or its kind where the mark has a count added ("mobile 2").
    bool hasKind(size_t tel, const QString& mark) const
    {
        return mark == marks[tel] || mark == (kinds[tel].isEmpty() ? QStringLiteral("other") : kinds[tel]);
    }
    // Whether an entry's name says what the card said of the number at
    // `tel` when read: the name it gives it, or the contact's name with
    // the number's kind.
    bool names(size_t tel, const QString& entryName) const
    {
        if (entryName == entryNames[tel])
            return true;
        if (marks[tel].isEmpty())
            return false;
        const ContactFields::EntryName split = ContactFields::splitEntryName(entryName, marks[tel]);
        return split.contact == name && split.mark && hasKind(tel, *split.mark);
    }

    bool holds(int tel) const
    {
        return tel >= 0 && size_t(tel) < fields.numbers().size() && fields.numbers()[size_t(tel)].digits;
    }
    int firstNumber() const
    {
        for (size_t i = 0; i < kinds.size(); ++i) {
            if (holds(int(i)))
                return int(i);
        }
        return Gone;
    }
    // Where the TEL line `tel` is once the removed ones are gone.
    int finalIndex(int tel) const
    {
        return tel - int(std::lower_bound(removed.begin(), removed.end(), size_t(tel)) - removed.begin());
    }
};

// How one field of a linked entry goes.
enum class Way { Keep, Push, Take, Conflict };

Way way(bool localChanged, bool remoteChanged, bool equal, SyncPlan::Prefer prefer)
{
    if (!localChanged && !remoteChanged)
        return Way::Keep;
    if (!remoteChanged)
        return Way::Push;
    if (!localChanged || equal)
        return equal ? Way::Keep : Way::Take;
    switch (prefer) {
    case SyncPlan::Prefer::Directory:
        return Way::Push;
    case SyncPlan::Prefer::Server:
        return Way::Take;
    case SyncPlan::Prefer::Neither:
        break;
    }
    return Way::Conflict;
}

struct Decision
{
    // Waits: for the card's text, which the plan is made again with, or for
    // an entry the directory holds but this sync leaves out.
    enum class Fate { Keep, Held, Waits, Drop, NewEntry, RemoveEntry, NewCard, AddNumber, RemoveCard, ReplaceCard };
    Link link; // with its number found again on the card
    const Entry* entry = nullptr;
    Card* card = nullptr;
    Fate fate = Fate::Keep;
    Way name = Way::Keep;
    Way number = Way::Keep;
    Way folder = Way::Keep;
};

// The plan worked out step by step on the cards as read, into `plan`.
class Planner
{
public:
    using Settings = SyncPlan::Settings;

    Planner(SyncPlan& plan, const std::vector<Entry>& entries, const DirectoryState::Book& book,
            const Settings& settings, const SyncPlan::Unread& unread);

    void run()
    {
        if (mirror()) {
            linkOwnCards();
        } else {
            findRemembered();
            detachReplaced();
            matchTheRest();
        }
        decide();
        changeCards();
        finishCards();
        finishLinks();
    }

private:
    bool mirror() const { return m_settings.policy == SyncPlan::Policy::Mirror; }
    Card* cardAt(const QString& path);
    QString ownPath(qint64 code) const;
    void linkOwnCards();
    void findRemembered();
    void detachReplaced();
    void matchTheRest();
    void decide();
    Decision decide(const Link& link);
    Decision mirror(Decision d);
    void conflict(const Decision& d);
    void changeCards();
    void change(Decision& d);
    // Whether a card can be changed now; one known by its reading alone is
    // wanted whole first.
    bool editable(Card& c);
    void finishCards();
    void finishLinks();
    void finish(const Decision& d);
    // Made anew for `e`: a new card, or over the one with the ETag `over`.
    void makeCard(const Entry& e, const QByteArray& over);

    SyncPlan& m_plan;
    const std::vector<Entry>& m_entries;
    const Settings& m_settings;
    const std::set<QString>& m_unreadable;
    const std::set<qint64>& m_leftOut;
    const NumberReader m_reader;
    std::map<qint64, const Entry*> m_byCode;
    std::map<QString, Card> m_cards;
    std::vector<Link> m_links;   // remembered, then made
    std::vector<Decision> m_decisions;
};

} // namespace

Planner::Planner(SyncPlan& plan, const std::vector<Entry>& entries, const DirectoryState::Book& book,
                 const Settings& settings, const SyncPlan::Unread& unread)
    : m_plan(plan)
    , m_entries(entries)
    , m_settings(settings)
    , m_unreadable(unread.cards)
    , m_leftOut(unread.entries)
    , m_reader(settings.region)
    , m_links(settings.policy == SyncPlan::Policy::BothWays ? book.links : std::vector<Link>())
{
    m_plan.directoryEntries = entries.size();
    for (const Entry& e : entries)
        m_byCode[e.code] = &e;
    for (const auto& [path, stored] : book.cards) {
        // A mirror looks at the cards it made for entries, and at no other.
        if (mirror() && !settings.names.code(QStringView(path).sliced(path.lastIndexOf(u'/') + 1)))
            continue;
        Card card(stored.text.isEmpty() && stored.reading
                      ? ContactFields::remembered(*stored.reading, settings.region)
                      : ContactFields(stored.text, settings.region, stored.reading),
                  path, stored.etag, m_unreadable.contains(path));
        card.name = card.fields.name();
        for (const ContactFields::Number& n : card.fields.numbers())
            card.kinds.push_back(n.kind);
        card.marks = card.fields.marks();
        card.entryNames = card.fields.entryNames();
        card.folder = card.fields.folder(settings.scope);
        card.claimed.resize(card.kinds.size());
        if (!card.unreadable) {
            for (const ContactFields::Number& n : card.fields.numbers())
                m_plan.serverNumbers += n.digits ? 1 : 0;
        }
        m_cards.emplace(path, std::move(card));
    }
}

Card* Planner::cardAt(const QString& path)
{
    const auto it = m_cards.find(path);
    return it == m_cards.end() ? nullptr : &it->second;
}

QString Planner::ownPath(qint64 code) const
{
    return m_settings.collectionPath + CardNames::fileName(m_settings.names.uid(code));
}

// Each entry to its first number on the card named after its code; a card
// made for an entry that is gone, to nothing.
void Planner::linkOwnCards()
{
    for (const Entry& e : m_entries) {
        Link link;
        link.code = e.code;
        link.path = ownPath(e.code);
        const Card* card = cardAt(link.path);
        link.tel = card ? card->firstNumber() : Gone;
        if (!card)
            link.path.clear();
        link.agreed = false;
        m_links.push_back(link);
    }
    for (const auto& [path, card] : m_cards) {
        const std::optional<qint64> code = m_settings.names.code(QStringView(path).sliced(path.lastIndexOf(u'/') + 1));
        if (!m_byCode.contains(*code) && !m_leftOut.contains(*code)) {
            Link link;
            link.path = path;
            link.tel = card.firstNumber();
            m_links.push_back(link);
        }
    }
}

// The remembered links, each found again at its number: where it was, else
// where the same number is now on the card (a phone reorders them, or
// removes one before it), else where it was with another number. A number
// on a card that could not be read is taken as it was.
void Planner::findRemembered()
{
    std::map<QString, std::vector<Link*>> onCard;
    for (Link& l : m_links)
        onCard[l.path].push_back(&l);
    for (auto& [path, links] : onCard) {
        Card* card = cardAt(path);
        if (!card || card->unreadable)
            continue;
        const std::vector<ContactFields::Number>& numbers = card->fields.numbers();
        const auto claim = [&](Link* l, int tel) {
            l->tel = tel;
            card->claimed[size_t(tel)] = true;
        };
        const auto free = [&](int tel) { return card->holds(tel) && !card->claimed[size_t(tel)]; };
        std::vector<Link*> lost;
        for (Link* l : links) {
            const bool same = free(l->tel)
                              && (l->telText.isEmpty() ? numbers[size_t(l->tel)].digits == l->number
                                                       : m_reader.same(numbers[size_t(l->tel)].text, l->telText));
            if (same)
                claim(l, l->tel);
            else
                lost.push_back(l);
        }
        if (lost.empty())
            continue;
        std::multimap<qint64, int> byDigits;
        for (size_t i = 0; i < numbers.size(); ++i) {
            if (free(int(i)))
                byDigits.insert({*numbers[i].digits, int(i)});
        }
        std::vector<Link*> changed;
        for (Link* l : lost) {
            const std::optional<qint64> digits =
                l->telText.isEmpty() ? std::optional(l->number) : m_reader.read(l->telText).value;
            const auto found = digits ? byDigits.find(*digits) : byDigits.end();
            if (found == byDigits.end()) {
                changed.push_back(l);
                continue;
            }
            claim(l, found->second);
            byDigits.erase(found);
        }
        for (Link* l : changed) {
            if (free(l->tel))
                claim(l, l->tel);
            else
                l->tel = Gone;
        }
    }
}

// An entry whose name and number both changed since the last sync is taken
// for another entry that got the code of one removed (the window gives a
// new entry the code after the largest): the old one's number leaves its
// card, and the new one is linked anew. A card the tool made for the code
// is the new entry's all the same. And one entry has one link: of several
// (a removal that waits for its card, beside a code given again), the one
// that agreed on its number.
void Planner::detachReplaced()
{
    for (Link& l : m_links) {
        const auto it = m_byCode.find(l.code);
        if (!l.agreed || it == m_byCode.end() || it->second->number == l.number || l.path == ownPath(l.code))
            continue;
        const Card* card = cardAt(l.path);
        if (card && card->unreadable)
            continue;
        const QString mark = card && card->holds(l.tel) ? card->marks[size_t(l.tel)] : QString();
        const auto contact = [&](const QString& name) {
            return mark.isEmpty() ? name : ContactFields::splitEntryName(name, mark).contact;
        };
        if (contact(it->second->name) != contact(l.name))
            l.code = 0;
    }
    std::map<qint64, Link*> linkOf;
    for (Link& l : m_links) {
        const auto it = m_byCode.find(l.code);
        if (it == m_byCode.end())
            continue;
        Link*& kept = linkOf[l.code];
        if (kept && (kept->number == it->second->number || l.number != it->second->number)) {
            l.code = 0;
            continue;
        }
        if (kept)
            kept->code = 0;
        kept = &l;
    }
}

// Every entry and every number that no link joins gets one now: to its twin
// on the other side when there is one (the same code in a card's name, else
// the same name and number: a state that was lost, or the first sync), else
// to nothing, so that it is carried across. None of these links has values
// both sides agreed on.
void Planner::matchTheRest()
{
    std::set<qint64> linked;
    for (const Link& l : m_links)
        linked.insert(l.code);
    std::multimap<std::pair<QString, qint64>, Number> loose; // (entry name, number) -> number on a card
    for (const auto& [path, card] : m_cards) {
        if (card.unreadable)
            continue;
        const std::vector<ContactFields::Number>& numbers = card.fields.numbers();
        for (size_t i = 0; i < numbers.size(); ++i) {
            if (numbers[i].digits && !card.claimed[i])
                loose.insert({{card.entryNames[i], *numbers[i].digits}, {path, int(i)}});
        }
    }
    std::map<Number, decltype(loose)::iterator> looseAt;
    for (auto it = loose.begin(); it != loose.end(); ++it)
        looseAt[it->second] = it;
    for (const Entry& e : m_entries) {
        if (linked.contains(e.code))
            continue;
        const QString own = ownPath(e.code);
        // Its own card could not be read: nothing is known of it this time.
        if (m_unreadable.contains(own))
            continue;
        std::optional<Number> twin;
        if (const Card* card = cardAt(own)) {
            const std::vector<ContactFields::Number>& numbers = card->fields.numbers();
            for (size_t i = 0; i < numbers.size() && !twin; ++i) {
                if (numbers[i].digits && !card->claimed[i])
                    twin = Number(own, int(i));
            }
        }
        if (!twin) {
            if (const auto it = loose.find({e.name, e.number}); it != loose.end())
                twin = it->second;
        }
        if (twin) {
            if (const auto at = looseAt.find(*twin); at != looseAt.end()) {
                loose.erase(at->second);
                looseAt.erase(at);
            }
            cardAt(twin->first)->claimed[size_t(twin->second)] = true;
        }
        Link link;
        link.code = e.code;
        link.path = twin ? twin->first : QString();
        link.tel = twin ? twin->second : Gone;
        link.agreed = false;
        m_links.push_back(link);
    }
    for (const auto& [values, number] : loose) {
        Link link;
        link.path = number.first;
        link.tel = number.second;
        link.agreed = false;
        m_links.push_back(link);
    }
}

// Each link's fate, decided on the cards as they were read.
void Planner::decide()
{
    m_decisions.reserve(m_links.size());
    for (const Link& l : m_links)
        m_decisions.push_back(decide(l));
}

Decision Planner::decide(const Link& l)
{
    Decision d{l, nullptr, cardAt(l.path)};
    if (const auto it = m_byCode.find(l.code); it != m_byCode.end())
        d.entry = it->second;
    const Entry* e = d.entry;
    Card* card = d.card;
    if (card && card->unreadable) {
        d.fate = Decision::Fate::Held;
        return d;
    }
    if (!e && m_leftOut.contains(l.code)) {
        d.fate = Decision::Fate::Waits;
        return d;
    }
    if (mirror())
        return mirror(d);
    const bool there = card && card->holds(l.tel);
    if (!e && !there) {
        d.fate = Decision::Fate::Drop;
        return d;
    }
    const ContactFields::Number* number = there ? &card->fields.numbers()[size_t(l.tel)] : nullptr;
    const auto remoteChanged = [&] {
        const bool name = card->entryNames[size_t(l.tel)] != l.name;
        const bool tel = l.telText.isEmpty() ? number->digits != l.number : !m_reader.same(number->text, l.telText);
        return std::tuple(name, tel, card->folder != l.cardFolder);
    };
    const auto localChanged = [&] {
        return std::tuple(e->name != l.name, e->number != l.number, e->folder != l.folder);
    };
    const std::tuple nothing{false, false, false};
    if (!e) {
        // Gone from the directory: the number goes too, unless it changed
        // on the server meanwhile, or was never the directory's.
        if (l.agreed && remoteChanged() == nothing) {
            if (!editable(*card)) {
                d.fate = Decision::Fate::Waits;
                return d;
            }
            card->removed.push_back(size_t(l.tel));
            card->confirmedRemoved += l.confirmed ? 1 : 0;
            card->changed = true;
            d.fate = Decision::Fate::Drop;
        } else {
            d.fate = Decision::Fate::NewEntry;
        }
    } else if (!there) {
        // Gone from the server: the entry goes too, unless it changed in
        // the directory meanwhile; then its number goes back.
        if (l.agreed && localChanged() == nothing)
            d.fate = Decision::Fate::RemoveEntry;
        else
            d.fate = card ? Decision::Fate::AddNumber : Decision::Fate::NewCard;
    } else {
        const std::tuple everything{true, true, true};
        const auto [localName, localNumber, localFolder] = l.agreed ? localChanged() : everything;
        const auto [remoteName, remoteNumber, remoteFolder] = l.agreed ? remoteChanged() : everything;
        const SyncPlan::Prefer prefer = m_settings.prefer;
        d.name = way(localName, remoteName, card->names(size_t(l.tel), e->name), prefer);
        d.number = way(localNumber, remoteNumber, e->number == number->digits, prefer);
        d.folder = way(localFolder, remoteFolder, e->folder == card->folder, prefer);
        if (d.name == Way::Conflict || d.number == Way::Conflict || d.folder == Way::Conflict)
            d.fate = Decision::Fate::Held;
    }
    return d;
}

// The directory wins: a card made for an entry that is gone goes whole, a
// missing one is made, and what differs is put right.
Decision Planner::mirror(Decision d)
{
    const Entry* e = d.entry;
    Card* card = d.card;
    if (!e) {
        d.fate = Decision::Fate::RemoveCard;
        card->gone = true;
        return d;
    }
    if (!card) {
        d.fate = Decision::Fate::NewCard;
        return d;
    }
    if (card->fields.uid() != m_settings.names.uid(e->code)) {
        d.fate = Decision::Fate::ReplaceCard;
        return d;
    }
    const auto differs = [](bool different) { return different ? Way::Push : Way::Keep; };
    d.name = differs(e->name != card->name);
    d.folder = differs(e->folder != card->folder);
    if (!card->holds(d.link.tel)) {
        d.fate = Decision::Fate::AddNumber;
        return d;
    }
    d.number = differs(e->number != card->fields.numbers()[size_t(d.link.tel)].digits);
    if (d.name == Way::Keep && d.number == Way::Keep && d.folder == Way::Keep)
        ++m_plan.unchanged;
    return d;
}

void Planner::conflict(const Decision& d)
{
    const Card& c = *d.card;
    const size_t tel = size_t(d.link.tel);
    m_plan.conflicts.push_back({SyncPlan::label(d.entry->name, d.entry->number, d.entry->folder),
                                SyncPlan::label(c.entryNames[tel], *c.fields.numbers()[tel].digits, c.folder)});
}

// The directory's changes made on the cards, one entry after another.
void Planner::changeCards()
{
    for (Decision& d : m_decisions) {
        if (d.fate == Decision::Fate::Held && d.card && !d.card->unreadable)
            conflict(d);
        else if (d.fate == Decision::Fate::AddNumber || d.fate == Decision::Fate::Keep)
            change(d);
    }
}

bool Planner::editable(Card& c)
{
    if (!c.fields.hasText())
        m_plan.needed.insert(c.path);
    return c.fields.hasText();
}

void Planner::change(Decision& d)
{
    Card& c = *d.card;
    const bool edits = d.fate == Decision::Fate::AddNumber || d.name == Way::Push || d.number == Way::Push
                       || d.folder == Way::Push;
    if (edits && !editable(c)) {
        d.fate = Decision::Fate::Waits;
        return;
    }
    if (mirror())
        c.label = SyncPlan::label(d.entry->name, d.entry->number, d.entry->folder);
    if (d.fate == Decision::Fate::AddNumber) {
        c.fields.addNumber(d.entry->number);
        d.link.tel = int(c.fields.numbers().size() - 1);
        c.changed = true;
        // The entry's mark goes with its number, where it has company.
        const ContactFields::EntryName split = ContactFields::splitEntryName(d.entry->name);
        if (!mirror() && split.mark && !c.fields.marks()[size_t(d.link.tel)].isEmpty())
            c.fields.setKind(size_t(d.link.tel), *split.mark);
        if (!mirror())
            return;
    }
    const size_t tel = size_t(d.link.tel);
    // A mirror writes the entry's name whole; both ways, the entry of one of
    // several numbers names the contact and the number's mark.
    const ContactFields::EntryName split = mirror() || c.marks[tel].isEmpty()
                                               ? ContactFields::EntryName{d.entry->name, std::nullopt}
                                               : ContactFields::splitEntryName(d.entry->name, c.marks[tel]);
    const bool rename = d.name == Way::Push && split.contact != c.name;
    const bool relabel = d.name == Way::Push && split.mark && !c.hasKind(tel, *split.mark);
    // Two entries of one contact that rename it or move it differently are
    // a conflict, which the second one is.
    if ((rename && c.renamed && *c.renamed != split.contact)
        || (d.folder == Way::Push && c.moved && *c.moved != d.entry->folder)) {
        d.fate = Decision::Fate::Held;
        conflict(d);
        return;
    }
    if (rename) {
        c.fields.setName(split.contact);
        c.renamed = split.contact;
    }
    if (relabel)
        c.fields.setKind(tel, *split.mark);
    if (d.number == Way::Push)
        c.fields.setNumber(tel, d.entry->number);
    if (d.folder == Way::Push) {
        c.fields.setFolder(d.entry->folder, m_settings.scope);
        c.moved = d.entry->folder;
        c.movedBy = &d;
    }
    c.changed = c.changed || rename || relabel || d.number == Way::Push || d.folder == Way::Push;
}

// Each card as the plan leaves it: written, removed, or as it was.
void Planner::finishCards()
{
    for (auto& [path, c] : m_cards) {
        if (c.gone) {
            m_plan.cardRemovals.push_back({path, c.etag, c.shown(path)});
            continue;
        }
        std::sort(c.removed.begin(), c.removed.end());
        if (!c.changed) {
            if (!c.fields.remembered())
                m_plan.readings.emplace(path, c.fields.reading());
            c.finalNames = c.entryNames;
            c.finalFolder = c.folder;
            continue;
        }
        for (auto it = c.removed.rbegin(); it != c.removed.rend(); ++it)
            c.fields.removeNumber(*it);
        c.finalNames = c.fields.entryNames();
        c.finalFolder = c.fields.folder(m_settings.scope);
        m_plan.serverRemoved += c.removed.size();
        const bool made = m_settings.names.isMade(QStringView(path).sliced(path.lastIndexOf(u'/') + 1));
        if (!c.removed.empty() && c.fields.numbers().empty() && (made || c.fields.holdsNothingElse()))
            m_plan.cardRemovals.push_back({path, c.etag, c.shown(path), c.removed.size(), c.confirmedRemoved});
        else
            m_plan.cardWrites.push_back({path, c.etag, c.fields.text(), c.label.isEmpty() ? c.fields.name() : c.label,
                                         c.fields.reading(), false, c.removed.size(), c.confirmedRemoved});
    }
}

// What each entry and link becomes.
void Planner::finishLinks()
{
    for (const Decision& d : m_decisions)
        finish(d);
}

void Planner::finish(const Decision& d)
{
    const Entry* e = d.entry;
    Link link = d.link;
    switch (d.fate) {
    case Decision::Fate::Drop:
        return;
    case Decision::Fate::Held:
    case Decision::Fate::Waits:
        if (d.card && link.tel != Gone)
            link.tel = d.card->finalIndex(link.tel);
        if (!mirror())
            m_plan.links.push_back(link);
        return;
    case Decision::Fate::RemoveEntry:
        m_plan.entryRemovals.push_back({*e, link.path, link.confirmed});
        ++m_plan.directoryRemoved;
        return;
    case Decision::Fate::NewCard:
        makeCard(*e, QByteArray());
        return;
    case Decision::Fate::ReplaceCard:
        makeCard(*e, d.card->etag);
        return;
    case Decision::Fate::RemoveCard:
        return;
    case Decision::Fate::NewEntry:
    case Decision::Fate::AddNumber:
    case Decision::Fate::Keep:
        break;
    }
    // A mirror remembers no links, and changes no entry.
    if (mirror())
        return;
    const Card& c = *d.card;
    const int tel = c.finalIndex(link.tel);
    const ContactFields::Number& number = c.fields.numbers()[size_t(tel)];
    // A number the tool wrote that reads as none (more digits than an
    // entry holds, in the region's form) is left to the next sync.
    if (!number.digits) {
        link.tel = tel;
        if (d.fate != Decision::Fate::NewEntry)
            m_plan.links.push_back(link);
        return;
    }
    Entry now{0, 0, c.finalNames[size_t(tel)], *number.digits, c.finalFolder};
    if (d.fate == Decision::Fate::NewEntry) {
        m_plan.newEntries.push_back({now.name, now.number, now.folder,
                                     {0, link.path, tel, now.name, now.number, now.folder, number.text, c.finalFolder,
                                      true, false}});
        return;
    }
    now.code = e->code;
    now.rowid = e->rowid;
    if (d.number != Way::Take)
        now.number = e->number;
    // Where another entry of the contact moved its card, this one follows.
    if (d.folder != Way::Take && !(c.moved && c.movedBy != &d))
        now.folder = e->folder;
    if (now.name != e->name || now.number != e->number || now.folder != e->folder)
        m_plan.entryChanges.push_back({now, *e, link.path});
    m_plan.links.push_back({e->code, link.path, tel, now.name, now.number, now.folder, number.text, c.finalFolder, true,
                            link.confirmed});
}

// A card of its own for an entry: named after its code, unless a card of
// that name is another entry's still (the code of a removed entry, given
// again), with a name and UID of its own then.
void Planner::makeCard(const Entry& e, const QByteArray& over)
{
    const auto taken = [&](const QString& uid) {
        const QString path = m_settings.collectionPath + CardNames::fileName(uid);
        return m_cards.contains(path) || m_unreadable.contains(path);
    };
    QString uid = m_settings.names.uid(e.code);
    for (int nth = 2; over.isEmpty() && taken(uid); ++nth)
        uid = m_settings.names.uid(e.code, nth);
    const QString path = m_settings.collectionPath + CardNames::fileName(uid);
    const ContactFields card = ContactFields::made(uid, e.name, e.number, e.folder, m_settings.region, m_settings.version);
    m_plan.cardWrites.push_back({path, over, card.text(), SyncPlan::label(e.name, e.number, e.folder), card.reading(),
                                 over.isEmpty()});
    if (!mirror())
        m_plan.links.push_back({e.code, path, 0, e.name, e.number, e.folder, card.numbers().front().text,
                                card.folder(m_settings.scope), true, false});
}

QString SyncPlan::label(const QString& name, qint64 number, const QStringList& folder)
{
    // One arg() for all three: a name may hold "%2" itself.
    return QStringLiteral("\"%1\" %2 in %3")
        .arg(name.simplified(), QString::number(number), FolderPath::format(folder).simplified());
}

SyncPlan::SyncPlan(const std::vector<Entry>& entries, const DirectoryState::Book& book, const Settings& settings,
                   const Unread& unread)
{
    Planner(*this, entries, book, settings, unread).run();
}
