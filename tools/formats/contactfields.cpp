#include "tools/formats/contactfields.h"

#include "tools/formats/entrymaker.h"
#include "tools/formats/folderpath.h"
#include "tools/formats/importreport.h"
#include "tools/formats/numberreader.h"
#include "tools/formats/vcard.h"
#include "tools/formats/vcardformat.h"
#include "tools/formats/vcardreader.h"
#include "tools/formats/vcardtext.h"

#include <algorithm>
#include <array>

namespace {

using Parameter = VCardProperty::Parameter;

// The value of the first property of that name, made where the card has none.
void setFirst(VCard& card, QStringView name, const QString& value)
{
    std::vector<VCardProperty>& properties = card.properties();
    const auto it = std::find_if(properties.begin(), properties.end(),
                                 [&](const VCardProperty& p) { return p.isValid() && p.name() == name; });
    if (it != properties.end())
        it->setValue(value);
    else
        properties.emplace_back(QString(), name.toString(), QList<Parameter>(), value);
}

bool isVersion4(const VCard& card)
{
    const VCardProperty* version = card.first(u"VERSION");
    return version && version->text().trimmed() == u"4.0";
}

// Which CATEGORIES value places a card within `scope`.
std::optional<qsizetype> placing(const QStringList& categories, const QString& scope)
{
    for (qsizetype i = 0; i < categories.size(); ++i) {
        if (VCardFormat::isSystemGroup(categories[i]))
            continue;
        if (scope.isEmpty())
            return i;
        const QStringList path = FolderPath::parse(categories[i]);
        if (!path.isEmpty() && path.first() == scope)
            return i;
    }
    return std::nullopt;
}

QStringList words(const QString& text)
{
    return text.split(u' ', Qt::SkipEmptyParts);
}

// N for a new name: the old parts, where the old name read them in order and
// the new one has as many words in each; else the whole name as the given
// name.
QString structuredName(const VCardProperty* n, const QString& was, const QString& name)
{
    const QString whole = QStringLiteral(";%1;;;").arg(VCardText::escaped(name));
    if (!n)
        return whole;
    // family;given;additional;prefix;suffix, read as prefix given additional family suffix.
    const QStringList parts = n->components(u';');
    constexpr std::array<qsizetype, 5> Read{3, 1, 2, 0, 4};
    std::array<qsizetype, 5> counts{};
    QStringList wasWords;
    for (size_t i = 0; i < Read.size(); ++i) {
        const QStringList w = words(parts.value(Read[i]));
        counts[i] = w.size();
        wasWords += w;
    }
    const QStringList newWords = words(name);
    if (wasWords.isEmpty() || wasWords != words(was) || newWords.size() != wasWords.size())
        return whole;
    QStringList result(5);
    qsizetype at = 0;
    for (size_t i = 0; i < Read.size(); ++i) {
        result[Read[i]] = VCardText::escaped(newWords.mid(at, counts[i]).join(u' '));
        at += counts[i];
    }
    return result.join(u';');
}

// The kinds TYPE names, as the tool reads them.
struct Kind
{
    QStringView kind;
    QStringView type;
};
constexpr std::array<Kind, 6> Kinds{{{u"mobile", u"CELL"},
                                     {u"home", u"HOME"},
                                     {u"work", u"WORK"},
                                     {u"fax", u"FAX"},
                                     {u"pager", u"PAGER"},
                                     {u"main", u"MAIN"}}};

// A TYPE value that gives a number its kind, as against VOICE, PREF, TEXT.
bool namesKind(const QString& type)
{
    const QString upper = type.trimmed().toUpper();
    return upper == u"IPHONE" || upper.startsWith(u"X-")
           || std::any_of(Kinds.begin(), Kinds.end(), [&](const Kind& k) { return upper == k.type; });
}

} // namespace

ContactFields::ContactFields(const QString& text, const QString& region, const std::optional<CardReading>& remembered)
    : m_text(text)
    , m_region(region)
{
    if (remembered && remembered->region == region) {
        m_reading = *remembered;
        m_remembered = true;
    } else {
        read();
    }
}

ContactFields ContactFields::remembered(const CardReading& reading, const QString& region)
{
    ContactFields fields(QString(), reading.region, reading);
    fields.m_hasText = false;
    fields.m_region = region;
    if (reading.region != region) {
        const NumberReader reader(region);
        for (Number& n : fields.m_reading.numbers)
            n.digits = reader.read(n.text).value;
        fields.m_reading.region = region;
        fields.m_remembered = false;
    }
    return fields;
}

ContactFields ContactFields::made(const QString& uid, const QString& name, qint64 number, const QStringList& folder,
                                  const QString& region, const QString& version)
{
    ContactFields fields(QString(), region);
    VCard& card = fields.card();
    const bool four = version == u"4.0";
    card.add(QStringLiteral("VERSION"), four ? version : QStringLiteral("3.0"));
    card.add(QStringLiteral("UID"), VCardText::escaped(uid));
    fields.writeName(name);
    card.add(QStringLiteral("TEL"), fields.telValue(number, four),
             four ? QList<Parameter>{{QStringLiteral("VALUE"), QStringLiteral("uri")},
                                     {QStringLiteral("TYPE"), QStringLiteral("voice")}}
                  : QList<Parameter>{{QStringLiteral("TYPE"), QStringLiteral("VOICE")}});
    if (!folder.isEmpty())
        card.add(QStringLiteral("CATEGORIES"), VCardText::escaped(VCardText::printable(FolderPath::format(folder))));
    fields.changed();
    return fields;
}

ContactFields::~ContactFields() = default;
ContactFields::ContactFields(ContactFields&&) noexcept = default;
ContactFields& ContactFields::operator=(ContactFields&&) noexcept = default;

VCard& ContactFields::card() const
{
    // Known by its reading alone, a card has nothing that could be written
    // back.
    Q_ASSERT(m_hasText);
    if (!m_card) {
        std::vector<VCard> cards = VCardReader::read(m_text.toUtf8());
        m_card = std::make_unique<VCard>(cards.empty() ? VCard() : std::move(cards.front()));
    }
    return *m_card;
}

void ContactFields::changed(bool sameLines)
{
    if (!sameLines)
        m_tels.clear();
    m_remembered = false;
    m_edited = true;
    m_stale = true;
}

const CardReading& ContactFields::reading() const
{
    if (m_stale)
        read();
    return m_reading;
}

void ContactFields::read() const
{
    m_stale = false;
    // Parsed, a card is as large again as its text, photos and all: kept
    // only once it is changed, read from the text again when it is.
    const auto done = [this] {
        if (!m_edited) {
            m_card.reset();
            m_tels.clear();
        }
    };
    m_reading = {};
    m_reading.region = m_region;
    // Nothing of a card over a cap is kept: what it holds past the cap was
    // never read.
    if (const std::optional<QString> cap = card().overCap()) {
        m_reading.unfit = *cap;
        return done();
    }
    const VCardProperty* categories = card().first(u"CATEGORIES");
    const QStringList values = categories ? categories->components(u',') : QStringList();
    for (const QString& value : values) {
        if (FolderPath::parse(value).size() > FolderPath::MaxDepth) {
            m_reading.unfit = QStringLiteral("a folder deeper than %1 levels").arg(FolderPath::MaxDepth);
            return done();
        }
    }
    m_reading.categories = values;
    ImportReport ignored;
    const Contact contact = VCardFormat::contact(card(), ignored);
    const VCardProperty* uid = card().first(u"UID");
    m_reading.uid = uid ? uid->text() : QString();
    m_reading.name = contact.name.chosen();
    const NumberReader reader(m_region);
    for (const Contact::Phone& phone : contact.phones)
        m_reading.numbers.push_back({reader.read(phone.text).value, phone.kind, phone.text});
    done();
}

QStringList ContactFields::folder(const QString& scope) const
{
    const QStringList& categories = reading().categories;
    if (const auto at = placing(categories, scope))
        return FolderPath::parse(categories[*at]);
    return scope.isEmpty() ? QStringList() : QStringList{scope};
}

bool ContactFields::holdsNothingElse() const
{
    static const QStringList owned = {QStringLiteral("VERSION"), QStringLiteral("PRODID"), QStringLiteral("REV"),
                                      QStringLiteral("UID"),     QStringLiteral("FN"),     QStringLiteral("N"),
                                      QStringLiteral("TEL"),     QStringLiteral("CATEGORIES")};
    const std::vector<VCardProperty>& properties = card().properties();
    return std::all_of(properties.begin(), properties.end(),
                       [](const VCardProperty& p) { return p.isValid() && owned.contains(p.name()); });
}

std::vector<QString> ContactFields::marks() const
{
    // Most cards have one number, which needs no mark.
    if (std::count_if(numbers().begin(), numbers().end(), [](const Number& n) { return n.digits; }) < 2)
        return std::vector<QString>(numbers().size());
    QStringList kinds;
    std::vector<size_t> readable;
    for (size_t i = 0; i < numbers().size(); ++i) {
        if (numbers()[i].digits) {
            kinds.append(numbers()[i].kind);
            readable.push_back(i);
        }
    }
    const QStringList marks = EntryMaker::marks(kinds);
    std::vector<QString> byTel(numbers().size());
    for (qsizetype k = 0; k < marks.size(); ++k)
        byTel[readable[size_t(k)]] = marks[k];
    return byTel;
}

std::vector<QString> ContactFields::entryNames() const
{
    const std::vector<QString> own = marks();
    std::vector<QString> names(numbers().size());
    for (size_t i = 0; i < names.size(); ++i) {
        if (!numbers()[i].digits)
            continue;
        const QString& named = name().trimmed().isEmpty() ? numbers()[i].text.trimmed() : name();
        names[i] = own[i].isEmpty() ? named : QStringLiteral("%1 (%2)").arg(named, own[i]);
    }
    return names;
}

ContactFields::EntryName ContactFields::splitEntryName(const QString& entryName, const QString& mark)
{
    const QString suffix = QStringLiteral(" (%1)").arg(mark);
    if (!mark.isEmpty() && entryName.endsWith(suffix) && entryName.size() > suffix.size())
        return {entryName.chopped(suffix.size()), mark};
    const qsizetype open = entryName.lastIndexOf(u" (");
    if (open > 0 && entryName.endsWith(u')'))
        return {entryName.left(open), entryName.sliced(open + 2).chopped(1)};
    return {entryName, std::nullopt};
}

void ContactFields::setName(const QString& name)
{
    writeName(name);
    changed();
}

void ContactFields::writeName(const QString& name)
{
    const QString shown = VCardText::printable(name);
    const QString n = structuredName(card().first(u"N"), reading().name, shown);
    setFirst(card(), u"FN", VCardText::escaped(shown));
    setFirst(card(), u"N", n);
}

QString ContactFields::telValue(qint64 digits, bool uri) const
{
    // Without a region a stored number does not say which country it is
    // of: it travels as the digits it is.
    const std::optional<QString> international =
        m_region.isEmpty() ? std::nullopt : NumberReader(m_region).international(digits);
    const QString text = international.value_or(QString::number(digits));
    // RFC 3966 separates with dashes.
    return uri ? QStringLiteral("tel:") + QString(text).replace(u' ', u'-') : text;
}

size_t ContactFields::telAt(size_t index) const
{
    const std::vector<VCardProperty>& properties = card().properties();
    if (m_tels.empty()) {
        for (size_t i = 0; i < properties.size(); ++i) {
            if (properties[i].isValid() && properties[i].name() == u"TEL")
                m_tels.push_back(i);
        }
    }
    return index < m_tels.size() ? m_tels[index] : properties.size();
}

void ContactFields::setNumber(size_t index, qint64 digits)
{
    const size_t at = telAt(index);
    if (at == card().properties().size())
        return;
    VCardProperty& tel = card().properties()[at];
    tel.setValue(telValue(digits, tel.rawValue().trimmed().toLower().startsWith("tel:")));
    changed(true);
}

void ContactFields::setKind(size_t index, const QString& kind)
{
    std::vector<VCardProperty>& properties = card().properties();
    if (telAt(index) == properties.size())
        return;
    // The old kind's label goes with it.
    QString group = properties[telAt(index)].group();
    if (!group.isEmpty()) {
        std::erase_if(properties, [&](const VCardProperty& p) {
            return p.isValid() && p.name() == u"X-ABLABEL" && p.group().compare(group, Qt::CaseInsensitive) == 0;
        });
        m_tels.clear();
    }
    const size_t at = telAt(index);
    const VCardProperty& tel = properties[at];
    QList<Parameter> parameters;
    for (const Parameter& p : tel.parameters()) {
        if (p.name == u"ENCODING" || p.name == u"CHARSET")
            continue;
        QStringList kept;
        for (const QString& type : p.name == u"TYPE" ? p.value.split(u',') : QStringList{p.value}) {
            if (p.name != u"TYPE" || !namesKind(type))
                kept.append(type);
        }
        if (!kept.isEmpty())
            parameters.append({p.name, kept.join(u',')});
    }
    const auto known = std::find_if(Kinds.begin(), Kinds.end(), [&](const Kind& k) {
        return kind.trimmed().compare(k.kind, Qt::CaseInsensitive) == 0;
    });
    QString label;
    if (known != Kinds.end()) {
        const QString type = known->type.toString();
        parameters.append({QStringLiteral("TYPE"), isVersion4(card()) ? type.toLower() : type});
    } else if (kind.trimmed().compare(u"other", Qt::CaseInsensitive) != 0) {
        label = kind;
    }
    if (!label.isEmpty() && group.isEmpty()) {
        // The first itemN no property of the card uses.
        for (int n = 1; group.isEmpty(); ++n) {
            const QString candidate = QStringLiteral("item%1").arg(n);
            if (std::none_of(properties.begin(), properties.end(), [&](const VCardProperty& p) {
                    return p.group().compare(candidate, Qt::CaseInsensitive) == 0;
                }))
                group = candidate;
        }
    }
    properties[at] = VCardProperty(label.isEmpty() ? tel.group() : group, QStringLiteral("TEL"), parameters, tel.value());
    if (!label.isEmpty())
        properties.insert(properties.begin() + qsizetype(at) + 1,
                          VCardProperty(group, QStringLiteral("X-ABLabel"), {}, VCardText::escaped(VCardText::printable(label))));
    changed();
}

void ContactFields::removeNumber(size_t index)
{
    std::vector<VCardProperty>& properties = card().properties();
    const size_t at = telAt(index);
    if (at == properties.size())
        return;
    const QString group = properties[at].group();
    properties.erase(properties.begin() + qsizetype(at));
    if (!group.isEmpty()) {
        std::erase_if(properties, [&](const VCardProperty& p) {
            return p.group().compare(group, Qt::CaseInsensitive) == 0;
        });
    }
    changed();
}

void ContactFields::addNumber(qint64 digits)
{
    std::vector<VCardProperty>& properties = card().properties();
    const bool version4 = isVersion4(card());
    const QList<Parameter> parameters =
        version4 ? QList<Parameter>{{QStringLiteral("VALUE"), QStringLiteral("uri")},
                                    {QStringLiteral("TYPE"), QStringLiteral("voice")}}
                 : QList<Parameter>{{QStringLiteral("TYPE"), QStringLiteral("VOICE")}};
    // After the card's other numbers, where a person reading it looks.
    const auto lastTel = std::find_if(properties.rbegin(), properties.rend(),
                                      [](const VCardProperty& p) { return p.isValid() && p.name() == u"TEL"; });
    const size_t last = lastTel == properties.rend() ? properties.size() : size_t(properties.rend() - lastTel);
    properties.insert(properties.begin() + qsizetype(last),
                      VCardProperty(QString(), QStringLiteral("TEL"), parameters, telValue(digits, version4)));
    changed();
}

void ContactFields::setFolder(const QStringList& folder, const QString& scope)
{
    std::vector<VCardProperty>& properties = card().properties();
    const auto it = std::find_if(properties.begin(), properties.end(),
                                 [](const VCardProperty& p) { return p.isValid() && p.name() == u"CATEGORIES"; });
    QStringList values = it == properties.end() ? QStringList() : it->components(u',');
    const std::optional<qsizetype> at = placing(values, scope);
    if (folder.isEmpty() && at)
        values.removeAt(*at);
    else if (!folder.isEmpty() && at)
        values[*at] = FolderPath::format(folder);
    else if (!folder.isEmpty())
        values.append(FolderPath::format(folder));
    QStringList escaped;
    for (const QString& v : values)
        escaped.append(VCardText::escaped(VCardText::printable(v)));
    if (it != properties.end() && escaped.isEmpty())
        properties.erase(it);
    else if (it != properties.end())
        it->setValue(escaped.join(u','));
    else if (!escaped.isEmpty())
        properties.emplace_back(QString(), QStringLiteral("CATEGORIES"), QList<Parameter>(), escaped.join(u','));
    changed();
}

QByteArray ContactFields::text() const
{
    return card().toBytes();
}
