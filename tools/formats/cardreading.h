#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// What sync reads of a card, with the numbers of one region: the UID, the
// name, the numbers with their kinds, the categories. Remembered beside the card's
// text, it spares reading every card again while the card is unchanged.
struct CardReading
{
    struct Number
    {
        std::optional<qint64> digits; // as the directory stores it; none for sip:, an e-mail, "*21#"
        QString kind;                 // "mobile", "home", a label of the card's own; empty when none
        QString text;                 // as the card writes it
        bool operator==(const Number&) const = default;
    };

    QString region;
    QString uid;
    QString name;
    std::vector<Number> numbers;
    QStringList categories; // every CATEGORIES value, in order
    // Why sync cannot take the card, which is then read as holding nothing:
    // more lines than VCard's caps, or a folder deeper than
    // FolderPath::MaxDepth. Empty for a card it can take.
    QString unfit;
    bool operator==(const CardReading&) const = default;
};
