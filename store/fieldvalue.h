#pragma once

#include <QString>
#include <QVariant>

namespace store {

// Values as the directory means them, whatever column type holds them. A file
// converted from the Windows program's Jet database keeps numbers as reals
// (Jet had no wider whole number than a Double): 5550000000 arrives as
// 5550000000.0, and must be the whole number it is everywhere it is read.
class FieldValue
{
public:
    // A real that is a whole number in the range of a 64-bit integer as that
    // integer; every other value as stored. A real that is not whole (12.5)
    // stays a real, which is never a code.
    static QVariant normalized(const QVariant& value);
    // The value as text: numbers as plain digits, with a decimal point only
    // where there is a fraction, never in exponent form. Null is the empty text.
    static QString text(const QVariant& value);
};

} // namespace store
