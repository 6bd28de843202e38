#pragma once

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
    struct Number
    {
        std::optional<qint64> digits; // as the directory stores it; none for sip:, an e-mail, "*21#"
        QString kind;                 // "mobile", "home", a label of the card's own; empty when none
    };

    // `region` as --region takes it (empty: none), for reading numbers and
    // writing them in the form that dials.
    ContactFields(const QString& text, const QString& region);
    // A new card, as the tool makes it for an entry.
    static ContactFields made(const QString& uid, const QString& name, qint64 number, const QString& folder,
                              const QString& region);
    ~ContactFields();
    ContactFields(ContactFields&&) noexcept;
    ContactFields& operator=(ContactFields&&) noexcept;

    QString uid() const;
    // FN; else N, ORG, the nickname or the e-mail address, as import makes a name.
    QString name() const;
    // Every TEL, in the card's order.
    std::vector<Number> numbers() const;
    // The first CATEGORIES value read as a folder path ("/Work/Sales"); "/"
    // when there is none.
    QString folder() const;
    // Nothing on the card but what the tool writes: removing its last
    // number leaves nothing a person put there.
    bool holdsNothingElse() const;

    void setName(const QString& name);
    void setNumber(size_t index, qint64 digits);
    void removeNumber(size_t index);
    void addNumber(qint64 digits);
    void setFolder(const QString& folder);

    QByteArray text() const;

private:
    ContactFields() = default;

    std::unique_ptr<VCard> m_card;
    QString m_region;
};
