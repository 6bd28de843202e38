#include "store/telephonenumber.h"

#include "store/statements.h"

namespace store {

namespace {

// The largest value of MaxDigits digits.
constexpr qint64 largest()
{
    qint64 n = 0;
    for (int i = 0; i < TelephoneNumber::MaxDigits; ++i)
        n = n * 10 + 9;
    return n;
}

} // namespace

std::optional<qint64> TelephoneNumber::value(QStringView digits)
{
    // Read as the column stores any integer, then narrowed: some numbers of
    // MaxDigits + 1 digits fit the column, but not all of them.
    const auto number = Statements::integer(digits);
    if (!number || *number <= 0 || *number > largest())
        return std::nullopt;
    return number;
}

} // namespace store
