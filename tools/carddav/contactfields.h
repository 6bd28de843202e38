#pragma once

#include "tools/carddav/cardreading.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

class VCard;

// What sync reads of a card and changes on it: the name, the numbers with
// their kinds, the folder, the UID. Changes touch only those properties;
// every other line of the card (e-mail, photo, address, notes, unknown X-
// properties, groups, parameters) is written back as it was.
class ContactFields
{
public:
    using Number = CardReading::Number;

    // `region` as --region takes it (empty: none), for reading numbers and
    // writing them in the form that dials. Text that holds no card reads as
    // a card with nothing on it. With a reading of the same text in the same
    // region, the text is read only once something on it changes.
    ContactFields(const QString& text, const QString& region,
                  const std::optional<CardReading>& remembered = std::nullopt);
    // A new card, as the tool makes it for an entry.
    static ContactFields made(const QString& uid, const QString& name, qint64 number, const QString& folder,
                              const QString& region);
    ~ContactFields();
    ContactFields(ContactFields&&) noexcept;
    ContactFields& operator=(ContactFields&&) noexcept;

    QString uid() const;
    // FN; else N, ORG, the nickname or the e-mail address, as import makes a name.
    const QString& name() const { return m_reading.name; }
    // Every TEL, in the card's order.
    const std::vector<Number>& numbers() const { return m_reading.numbers; }
    // The first CATEGORIES value read as a folder path ("/Work/Sales"), as
    // import reads it; "/" when there is none.
    const QString& folder() const { return m_folder; }
    // Nothing on the card but what the tool writes: removing its last
    // number leaves nothing a person put there.
    bool holdsNothingElse() const;

    // FN, and N as the tool writes it: the whole name as the given name.
    void setName(const QString& name);
    // The TEL keeps its TYPE and its label.
    void setNumber(size_t index, qint64 digits);
    // The TEL goes, and with it what its group holds (Apple's label).
    void removeNumber(size_t index);
    void addNumber(qint64 digits);
    void setFolder(const QString& folder);

    QByteArray text() const;
    const CardReading& reading() const { return m_reading; }

private:
    // The card, read from the text when first needed.
    VCard& card() const;
    // What the getters give, read again after each change.
    void reread();
    QString telValue(qint64 digits, bool uri) const;
    // The index of the property, in the card's order, of its index-th TEL.
    size_t telAt(size_t index) const;

    QString m_text;
    mutable std::unique_ptr<VCard> m_card;
    QString m_region;
    CardReading m_reading;
    QString m_folder;
};
