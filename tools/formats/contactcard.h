#pragma once

#include "tools/formats/flatrecord.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// One telephone entry as a vCard 3.0 card for an address book server, the
// version every CardDAV server and client reads: UID, FN and N from the name,
// TEL, and the folder path in CATEGORIES as export writes it (none for the
// top level).
class ContactCard
{
public:
    ContactCard(const QString& uid, const FlatRecord& entry);

    const QString& uid() const { return m_uid; }
    // Where the card is stored in its collection.
    QString fileName() const { return m_uid + QStringLiteral(".vcf"); }
    const FlatRecord& entry() const { return m_entry; }
    const QByteArray& text() const { return m_text; }

    // Whether `card`, as a server gives it back, says what text() says.
    // Servers store a card in their own way (Radicale reorders and refolds
    // it), so the properties are compared by what they mean; any property
    // added to it, by a phone say, makes it differ, and so does text that
    // holds no card.
    bool matches(const QString& card) const;

    // An entry as messages name it: "Nora Ellis" 5550111 in /Work/Sales.
    static QString label(const FlatRecord& entry);

private:
    QString m_uid;
    FlatRecord m_entry;
    QByteArray m_text;
    QStringList m_meaning;
};
