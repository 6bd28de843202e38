#include "tools/formats/vcard.h"

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

const VCardProperty* VCard::inGroup(const QString& group, QStringView name) const
{
    for (const VCardProperty& p : m_properties) {
        if (p.isValid() && p.name() == name && p.group().compare(group, Qt::CaseInsensitive) == 0)
            return &p;
    }
    return nullptr;
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
