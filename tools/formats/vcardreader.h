#pragma once

#include "tools/formats/vcard.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <vector>

// Cards from a file as leniently as the best readers take them: vCard 2.1,
// 3.0 and 4.0; lines ended by CRLF, LF, a lone CR or the CR CR LF some phones
// write; blank lines; folded lines and quoted-printable soft breaks; a card
// left open ends where the next begins or at the end of the file. Nothing in
// a file makes it unreadable: what is odd is said in `problems`. Time and
// memory grow with the size of the file, however its lines are folded.
class VCardReader
{
public:
    struct Problem
    {
        int line;
        QString text;
    };

    static std::vector<VCard> read(const QByteArray& data, QList<Problem>* problems = nullptr);
};
