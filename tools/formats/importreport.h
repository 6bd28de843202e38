#pragma once

#include <QString>

#include <vector>

// What an import says about a file besides what it adds: each card, row or
// number left out and why, each number stored otherwise than written, and
// what was odd about the file itself, in the order they were found.
class ImportReport
{
public:
    enum class Kind {
        Skipped,  // could not be read, so not imported
        NoNumber, // a card or row without any number: nothing to import
        Changed,  // a number stored otherwise than written
        Note,     // about the file: an encoding guessed, a card left open
    };
    struct Item
    {
        Kind kind;
        int line;
        QString name; // the card's or row's, where it has one
        QString text;
    };

    // What the file was read as: "Google Contacts CSV", "vCard 2.1".
    QString source;
    // The region numbers were read for; empty for none.
    QString region;

    void add(Kind kind, int line, const QString& name, const QString& text);
    const std::vector<Item>& items() const { return m_items; }
    qsizetype count(Kind kind) const;

private:
    std::vector<Item> m_items;
};
