#pragma once

#include "tools/formats/vcard.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <functional>
#include <vector>

class InputText;

// Cards from a file as leniently as the best readers take them: vCard 2.1,
// 3.0 and 4.0; lines ended by CRLF, LF, a lone CR or the CR CR LF some phones
// write; blank lines; folded lines and quoted-printable soft breaks; a card
// left open ends where the next begins or at the end of the file. What is odd
// is said in `problems`, and a card over a cap is marked so (VCard::overCap).
// Time and memory grow with the size of the file, however its lines are
// folded; a file is read a card at a time.
class VCardReader
{
public:
    struct Problem
    {
        int line;
        QString text;
    };

    // Each card goes to `take` as it ends. Throws FormatError only at a line,
    // or a property folded over lines, longer than the input's cap.
    static void read(InputText& input, QList<Problem>* problems, const std::function<void(VCard&&)>& take);
    // Text already in memory, as a card a server sent: nothing makes it
    // unreadable.
    static std::vector<VCard> read(const QByteArray& data, QList<Problem>* problems = nullptr);
};
