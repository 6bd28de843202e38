#pragma once

#include <QByteArray>
#include <QString>

// The text of an input file, which must be UTF-8.
class Utf8Text
{
public:
    // Without a leading byte-order mark. Throws FormatError naming the first
    // line that is not UTF-8.
    static QString decode(const QByteArray& data);
};
