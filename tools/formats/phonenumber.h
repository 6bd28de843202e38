#pragma once

#include <QString>

#include <optional>

// Telephone numbers as people write them, and as the `tel` column holds them:
// a positive integer, with no formatting and no leading zeros.
class PhoneNumber
{
public:
    // The digits of `text`, in ASCII: digits of any script, with spaces,
    // dashes, dots and brackets between them and an optional leading "+",
    // which are dropped. Nothing when any other character is there, or no digit.
    static std::optional<QString> digits(QStringView text);
    // The value `tel` would hold for `text`: nothing unless its digits make a
    // number the window takes too (store::TelephoneNumber).
    static std::optional<qint64> value(QStringView text);
};
