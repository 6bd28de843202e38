#include "tools/formats/vcard.h"

#include <QLocale>

std::vector<const VCardProperty*> VCard::all(QStringView name) const
{
    std::vector<const VCardProperty*> found;
    for (const VCardProperty& p : m_properties) {
        if (p.isValid() && p.name() == name)
            found.push_back(&p);
    }
    return found;
}

const VCardProperty* VCard::first(QStringView name) const
{
    for (const VCardProperty& p : m_properties) {
        if (p.isValid() && p.name() == name)
            return &p;
    }
    return nullptr;
}

QHash<QString, const VCardProperty*> VCard::byGroup(QStringView name) const
{
    QHash<QString, const VCardProperty*> found;
    for (const VCardProperty& p : m_properties) {
        if (!p.isValid() || p.name() != name || p.group().isEmpty())
            continue;
        const QString group = p.group().toLower();
        if (!found.contains(group))
            found.insert(group, &p);
    }
    return found;
}

void VCard::append(VCardProperty property)
{
    const bool number = property.isValid() && property.name() == u"TEL";
    ++(number ? m_numbersRead : m_othersRead);
    if (!overCap())
        m_properties.push_back(std::move(property));
}

std::optional<QString> VCard::overCap() const
{
    // The messages are English, their numbers too, whatever the locale.
    const QLocale english(QLocale::English);
    if (m_numbersRead > MaxNumbers)
        return QStringLiteral("more than %1 TEL lines, which no real card has").arg(english.toString(MaxNumbers));
    if (m_othersRead > MaxProperties)
        return QStringLiteral("more than %1 properties besides its numbers, which no real card has")
            .arg(english.toString(MaxProperties));
    return std::nullopt;
}

void VCard::add(const QString& name, const QString& value, const QList<VCardProperty::Parameter>& parameters)
{
    m_properties.emplace_back(QString(), name, parameters, value);
}

QByteArray VCard::toBytes() const
{
    QByteArray out = "BEGIN:VCARD\r\n";
    for (const VCardProperty& p : m_properties)
        out += p.toBytes();
    out += "END:VCARD\r\n";
    return out;
}
