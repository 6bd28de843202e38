#pragma once

#include <QByteArray>

// Quoted-printable text as vCard 2.1 writers produce it, decoded as far as it
// goes: an "=" that does not start a hexadecimal pair is kept as it stands,
// as mail readers do, rather than losing the rest of the value.
class QuotedPrintable
{
public:
    // `text` with its soft line breaks already joined.
    static QByteArray decode(QByteArrayView text);
};
