#include "tools/formats/contactcard.h"

#include "tools/formats/folderpath.h"
#include "tools/formats/vcardreader.h"
#include "tools/formats/vcardtext.h"

namespace {

// Each property of a card as one string that stays the same however a
// server writes it: no group, parameters in upper case and in order, the
// value unescaped and split where the property's structure splits it.
QStringList meaning(const QByteArray& card)
{
    QStringList result;
    for (const VCard& read : VCardReader::read(card)) {
        for (const VCardProperty& property : read.properties()) {
            // What a server may add or rewrite without changing the contact.
            static const QStringList framing = {QStringLiteral("VERSION"), QStringLiteral("PRODID"),
                                                QStringLiteral("REV")};
            if (framing.contains(property.name()))
                continue;
            QStringList params;
            for (const VCardProperty::Parameter& p : property.parameters()) {
                for (const QString& one : p.value.split(u','))
                    params.append(p.name + u'=' + one.toUpper());
            }
            params.sort();
            const QString value = property.name() == u"N"            ? property.components(u';').join(QChar(0x1F))
                                  : property.name() == u"CATEGORIES" ? property.components(u',').join(QChar(0x1F))
                                                                     : property.text();
            result.append(property.name() + u';' + params.join(u';') + u':' + value);
        }
    }
    result.sort();
    return result;
}

} // namespace

ContactCard::ContactCard(const QString& uid, const FlatRecord& entry)
    : m_uid(uid)
    , m_entry(entry)
{
    const QString name = VCardText::escaped(VCardText::printable(entry.name));
    m_text = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    m_text += VCardText::folded(QStringLiteral("UID:") + VCardText::escaped(uid));
    m_text += VCardText::folded(QStringLiteral("FN:") + name);
    // The whole name as the given name: it may be a person's, a company's or
    // a help desk's, and a phone that builds the shown name from N shows it
    // as it was typed, in whichever order it puts names.
    m_text += VCardText::folded(QStringLiteral("N:;%1;;;").arg(name));
    m_text += VCardText::folded(QStringLiteral("TEL;TYPE=VOICE:%1").arg(entry.tel));
    // The top level is no group: a phone would show one named "/".
    if (!entry.path.isEmpty())
        m_text += VCardText::folded(QStringLiteral("CATEGORIES:")
                                    + VCardText::escaped(VCardText::printable(FolderPath::format(entry.path))));
    m_text += "END:VCARD\r\n";
    m_meaning = meaning(m_text);
}

bool ContactCard::matches(const QString& card) const
{
    return meaning(card.toUtf8()) == m_meaning;
}

QString ContactCard::label(const FlatRecord& entry)
{
    // One arg() for all three: a name may hold "%2" itself.
    return QStringLiteral("\"%1\" %2 in %3")
        .arg(entry.name.simplified(), QString::number(entry.tel), FolderPath::format(entry.path).simplified());
}
