#pragma once

#include "tools/formats/vcardproperty.h"

#include <QByteArray>
#include <QHash>

#include <optional>
#include <vector>

// One card as read, every content line kept in order (VERSION among them),
// so that a program can change what it knows and write the card back with
// everything else on it as it was.
class VCard
{
public:
    explicit VCard(int line = 0)
        : m_line(line)
    {
    }

    // The line of its BEGIN:VCARD; 0 for a card made here.
    int line() const { return m_line; }

    std::vector<VCardProperty>& properties() { return m_properties; }
    const std::vector<VCardProperty>& properties() const { return m_properties; }
    // Readable properties of that (upper-case) name, in the card's order.
    std::vector<const VCardProperty*> all(QStringView name) const;
    const VCardProperty* first(QStringView name) const;
    // The first readable property of that name in each group, by the group
    // in lower case (groups are compared without regard to case): Apple's
    // item1.X-ABLabel beside item1.TEL, for each TEL without a search of
    // the card.
    QHash<QString, const VCardProperty*> byGroup(QStringView name) const;

    // Caps no real card comes near (a phone's fullest card holds some dozens
    // of lines), so that a hostile one costs no more than its file's size.
    static constexpr qsizetype MaxNumbers = 10'000;    // TEL lines
    static constexpr qsizetype MaxProperties = 10'000; // besides the TEL lines
    // A property as a file gives it, after the others. Once the card is over
    // a cap, no more are kept.
    void append(VCardProperty property);
    // The cap a card read is over, in words ("more than 10,000 TEL lines");
    // nothing when it is within them. Such a card is unreadable: its
    // properties past the cap are not kept, so it must be neither read as
    // a contact nor written back. Import leaves it out whole; sync takes it
    // as a card it cannot read.
    std::optional<QString> overCap() const;

    // A new property after the others; `value` is vCard text, escaped as its
    // property wants (VCardText::escaped for plain text).
    void add(const QString& name, const QString& value, const QList<VCardProperty::Parameter>& parameters = {});

    // BEGIN:VCARD, the properties, END:VCARD, each line ended by CRLF: the
    // one way any card the tool makes or changes becomes text.
    QByteArray toBytes() const;

private:
    int m_line;
    std::vector<VCardProperty> m_properties;
    qsizetype m_numbersRead = 0;
    qsizetype m_othersRead = 0;
};
