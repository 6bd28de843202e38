#pragma once

#include "tools/formats/cardreading.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

class VCard;

// What sync reads of a card and changes on it: the name, the numbers with
// their kinds, the folder, the UID. Changes touch only those properties;
// every other line of the card (e-mail, photo, address, notes, unknown X-
// properties, groups, parameters, categories of the phone's own) is written
// back as it was.
//
// Folders are read within a scope: the name of the folder a sync is limited
// to (its top), or empty for the whole directory. The card's folder is its
// first CATEGORIES value that is no address book's own group and, under a
// scope, lies inside it; a card without one is at the top of the scope.
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
    // A card known by its reading alone, its text not kept: read as it
    // reads, in `region` (its numbers read again from their texts where
    // the reading's region is another), and changed only once its text is
    // given.
    static ContactFields remembered(const CardReading& reading, const QString& region);
    // A new card, as the tool makes it for an entry, in vCard `version`
    // ("3.0", which every server and client reads, or "4.0"): UID; FN, and N
    // with the whole name as the given name, as it may be a person's, a
    // company's or a help desk's, so that a phone building the shown name
    // from N shows it as typed; TEL in the form that dials; CATEGORIES with
    // the folder, none for the top level, which a phone would show as a
    // group named "/".
    static ContactFields made(const QString& uid, const QString& name, qint64 number, const QStringList& folder,
                              const QString& region, const QString& version = QStringLiteral("3.0"));
    ~ContactFields();
    ContactFields(ContactFields&&) noexcept;
    ContactFields& operator=(ContactFields&&) noexcept;

    const QString& uid() const { return reading().uid; }
    // FN; else N, ORG, the nickname or the e-mail address, as import makes a name.
    const QString& name() const { return reading().name; }
    // Every TEL, in the card's order.
    const std::vector<Number>& numbers() const { return reading().numbers; }
    QStringList folder(const QString& scope = QString()) const;
    // Nothing on the card but what the tool writes: removing its last
    // number leaves nothing a person put there.
    bool holdsNothingElse() const;

    // What tells each number from the card's others, by TEL index: its
    // kind, as import marks it (EntryMaker::marks). Empty for a TEL that
    // holds no number, and for a card's only number.
    std::vector<QString> marks() const;
    // The names of the entries for its numbers, by TEL index, as import
    // names them: the card's name with the number's mark; a card without a
    // name names each entry by its own number, with its mark.
    std::vector<QString> entryNames() const;
    // The name of an entry for one of several numbers as a card takes it:
    // the contact's name, and the number's mark where the name ends in one
    // ("Carmen Ruiz (boat)"). `mark`: the one the number has now, which may
    // itself hold brackets; empty for a number new to the card.
    struct EntryName
    {
        QString contact;
        std::optional<QString> mark;
    };
    static EntryName splitEntryName(const QString& entryName, const QString& mark = QString());

    // FN, and N: split as before where the new name splits the same way
    // (the same number of words in each part), else the whole name as the
    // given name, as publish writes it.
    void setName(const QString& name);
    // The TEL keeps its TYPE and its label.
    void setNumber(size_t index, qint64 digits);
    // The TEL's kind: a known one ("mobile", "home", "work", "fax", "pager",
    // "main") as its TYPE, "other" as none, any other as a label of its own
    // (item1.X-ABLabel, which Apple's and Android's clients read).
    void setKind(size_t index, const QString& kind);
    // The TEL goes, and with it what its group holds (Apple's label).
    void removeNumber(size_t index);
    void addNumber(qint64 digits);
    // The one CATEGORIES value that places the card becomes `folder`, or
    // goes for the top; the others are kept. No value is ever "/".
    void setFolder(const QStringList& folder, const QString& scope = QString());

    QByteArray text() const;
    const CardReading& reading() const;
    // The reading is the one it was given, the text unread.
    bool remembered() const { return m_remembered; }
    // The text is there to change: false for a card known by its reading.
    bool hasText() const { return m_hasText; }

private:
    // The card, read from the text when first needed.
    VCard& card() const;
    // FN and N as the tool writes them for `name`.
    void writeName(const QString& name);
    // What the getters give is read again when next asked for, after
    // however many changes: a reading takes time growing with the card,
    // and a sync may change every one of ten thousand numbers on it.
    // `sameLines`: no property came or went, so the TELs are where they were.
    void changed(bool sameLines = false);
    void read() const;
    QString telValue(qint64 digits, bool uri) const;
    // The index of the property, in the card's order, of its index-th TEL.
    size_t telAt(size_t index) const;

    QString m_text;
    mutable std::unique_ptr<VCard> m_card;
    QString m_region;
    mutable CardReading m_reading;
    mutable bool m_stale = false;
    bool m_edited = false; // the card holds changes its text does not
    mutable std::vector<size_t> m_tels; // telAt()'s answers, until a property comes or goes
    bool m_remembered = false;
    bool m_hasText = true;
};
