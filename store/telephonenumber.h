#pragma once

#include <QStringView>

#include <optional>

namespace store {

// What the directory takes as a telephone number, wherever one comes from:
// typed into the window, or read by the tool from a file, an address book or
// a damaged record. All of them use this rule, so every entry the tool stores
// can be edited in the window again. Reading what a file already holds is
// wider (FieldValue::number): a longer number another program wrote is kept.
class TelephoneNumber
{
public:
    // The widest number kept exactly for every value of that many digits.
    static constexpr int MaxDigits = 18;

    // The value of plain ASCII digits that make a number above 0 with at most
    // MaxDigits digits once leading zeros are dropped ("0012" is 12). Nothing
    // for anything else: empty, signed, spaced, zero or too long.
    static std::optional<qint64> value(QStringView digits);
};

} // namespace store
