#pragma once

#include <QString>
#include <QVariant>

#include <optional>

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

    // What a stored value stands for, read one way by the window, the tool
    // and the benchmark: the whole number the engine finds equal to it when
    // a statement binds that number. An integer is itself; a real is when it
    // is whole and within the integers; text only when written exactly as
    // the engine writes that number ("123", never "0123", "000" or "+5",
    // which no statement finds by the number); null, blobs and everything
    // else stand for no number.
    static std::optional<qint64> integer(const QVariant& value);
    // A code: a whole number above 0.
    static std::optional<qint64> code(const QVariant& value);
    // A record's folder: 0 for the top level, else a code.
    static std::optional<qint64> parent(const QVariant& value);
    // A `tel` that makes its record a folder.
    static bool isFolder(const QVariant& tel);
    // A `tel` that makes its record an entry with this number: any whole
    // number above 0, wider than a TelephoneNumber, since a file another
    // program wrote may hold a longer one and its record is an entry all the
    // same.
    static std::optional<qint64> number(const QVariant& tel);
};

} // namespace store
