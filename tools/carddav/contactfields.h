#pragma once

#include <QString>
#include <QStringList>

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
    // writing them in the form that dials. Text that holds no card reads as
    // a card with nothing on it.
    ContactFields(const QString& text, const QString& region);
    // A new card, as the tool makes it for an entry.
    static ContactFields made(const QString& uid, const QString& name, qint64 number, const QString& folder,
                              const QString& region);
    ~ContactFields();
    ContactFields(ContactFields&&) noexcept;
    ContactFields& operator=(ContactFields&&) noexcept;

    QString uid() const;
    // FN; else N, ORG, the nickname or the e-mail address, as import makes a name.
    const QString& name() const { return m_name; }
    // Every TEL, in the card's order.
    const std::vector<Number>& numbers() const { return m_numbers; }
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

private:
    // What the getters give, read again after each change.
    void reread();
    QString telValue(qint64 digits, bool uri) const;
    // The index of the property, in the card's order, of its index-th TEL.
    size_t telAt(size_t index) const;

    std::unique_ptr<VCard> m_card;
    QString m_region;
    QString m_name;
    std::vector<Number> m_numbers;
    QString m_folder;
    QStringList m_folderPath;
};
