#include "tools/carddav/contactfields.h"

#include "tools/formats/contactcard.h"
#include "tools/formats/folderpath.h"
#include "tools/formats/importreport.h"
#include "tools/formats/numberreader.h"
#include "tools/formats/vcard.h"
#include "tools/formats/vcardformat.h"
#include "tools/formats/vcardreader.h"
#include "tools/formats/vcardtext.h"

#include <algorithm>

namespace {

// The value of the first property of that name, made where the card has none.
void setFirst(VCard& card, QStringView name, const QString& value)
{
    std::vector<VCardProperty>& properties = card.properties();
    const auto it = std::find_if(properties.begin(), properties.end(),
                                 [&](const VCardProperty& p) { return p.isValid() && p.name() == name; });
    if (it != properties.end())
        it->setValue(value);
    else
        properties.emplace_back(QString(), name.toString(), QList<VCardProperty::Parameter>(), value);
}

bool isVersion4(const VCard& card)
{
    const VCardProperty* version = card.first(u"VERSION");
    return version && version->text().trimmed() == u"4.0";
}

} // namespace

ContactFields::ContactFields(const QString& text, const QString& region, const std::optional<CardReading>& remembered)
    : m_text(text)
    , m_region(region)
{
    if (remembered && remembered->region == region) {
        m_reading = *remembered;
        m_folder = FolderPath::format(m_reading.folder);
    } else {
        reread();
    }
}

ContactFields ContactFields::made(const QString& uid, const QString& name, qint64 number, const QString& folder,
                                  const QString& region)
{
    const ContactCard card(uid, {FolderPath::parse(folder), name, number, 0});
    ContactFields fields(QString::fromUtf8(card.text()), region);
    fields.setNumber(0, number);
    return fields;
}

ContactFields::~ContactFields() = default;
ContactFields::ContactFields(ContactFields&&) noexcept = default;
ContactFields& ContactFields::operator=(ContactFields&&) noexcept = default;

VCard& ContactFields::card() const
{
    if (!m_card) {
        std::vector<VCard> cards = VCardReader::read(m_text.toUtf8());
        m_card = std::make_unique<VCard>(cards.empty() ? VCard() : std::move(cards.front()));
    }
    return *m_card;
}

void ContactFields::reread()
{
    ImportReport ignored;
    const Contact contact = VCardFormat::contact(card(), ignored);
    m_reading.region = m_region;
    m_reading.name = contact.name.chosen();
    m_reading.folder = contact.folder;
    m_folder = FolderPath::format(contact.folder);
    const NumberReader reader(m_region);
    m_reading.numbers.clear();
    for (const Contact::Phone& phone : contact.phones)
        m_reading.numbers.push_back({reader.read(phone.text).value, phone.kind});
}

QString ContactFields::uid() const
{
    const VCardProperty* uid = card().first(u"UID");
    return uid ? uid->text() : QString();
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

void ContactFields::setName(const QString& name)
{
    const QString value = VCardText::escaped(VCardText::printable(name));
    setFirst(card(), u"FN", value);
    // The whole name as the given name, as publish writes it: a phone that
    // builds the shown name from N shows it as typed.
    setFirst(card(), u"N", QStringLiteral(";%1;;;").arg(value));
    reread();
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
    size_t seen = 0;
    for (size_t i = 0; i < properties.size(); ++i) {
        if (properties[i].isValid() && properties[i].name() == u"TEL" && seen++ == index)
            return i;
    }
    return properties.size();
}

void ContactFields::setNumber(size_t index, qint64 digits)
{
    const size_t at = telAt(index);
    if (at == card().properties().size())
        return;
    VCardProperty& tel = card().properties()[at];
    tel.setValue(telValue(digits, tel.rawValue().trimmed().toLower().startsWith("tel:")));
    reread();
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
    reread();
}

void ContactFields::addNumber(qint64 digits)
{
    std::vector<VCardProperty>& properties = card().properties();
    const bool version4 = isVersion4(card());
    const QList<VCardProperty::Parameter> parameters =
        version4 ? QList<VCardProperty::Parameter>{{QStringLiteral("VALUE"), QStringLiteral("uri")},
                                                   {QStringLiteral("TYPE"), QStringLiteral("voice")}}
                 : QList<VCardProperty::Parameter>{{QStringLiteral("TYPE"), QStringLiteral("VOICE")}};
    // After the card's other numbers, where a person reading it looks.
    const size_t last = numbers().empty() ? properties.size() : telAt(numbers().size() - 1) + 1;
    properties.insert(properties.begin() + qsizetype(last),
                      VCardProperty(QString(), QStringLiteral("TEL"), parameters, telValue(digits, version4)));
    reread();
}

void ContactFields::setFolder(const QString& folder)
{
    const QStringList path = FolderPath::parse(folder);
    std::vector<VCardProperty>& properties = card().properties();
    const auto it = std::find_if(properties.begin(), properties.end(),
                                 [](const VCardProperty& p) { return p.isValid() && p.name() == u"CATEGORIES"; });
    QStringList values = it == properties.end() ? QStringList() : it->components(u',');
    // The value the folder was read from, the others (Google's groups, a
    // phone's own) left as they are.
    const auto was = std::find_if(values.begin(), values.end(), [&](const QString& v) {
        return !m_reading.folder.isEmpty() && FolderPath::parse(v) == m_reading.folder;
    });
    if (path.isEmpty() && was != values.end())
        values.erase(was);
    else if (!path.isEmpty() && was != values.end())
        *was = FolderPath::format(path);
    else if (!path.isEmpty())
        values.append(FolderPath::format(path));
    QStringList escaped;
    for (const QString& v : values)
        escaped.append(VCardText::escaped(VCardText::printable(v)));
    if (it != properties.end() && escaped.isEmpty())
        properties.erase(it);
    else if (it != properties.end())
        it->setValue(escaped.join(u','));
    else if (!escaped.isEmpty())
        properties.emplace_back(QString(), QStringLiteral("CATEGORIES"), QList<VCardProperty::Parameter>(),
                                escaped.join(u','));
    reread();
}

QByteArray ContactFields::text() const
{
    return card().toBytes();
}
