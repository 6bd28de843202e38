#pragma once

#include <QStringView>

#include <optional>

namespace store {

// What the directory takes as a telephone number, wherever one comes from:
// typed into the window, or read from a file by an import. Both use this rule,
// so every entry an import stores can be edited in the window again.
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
