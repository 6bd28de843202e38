#include "store/telephonenumber.h"

namespace store {

std::optional<qint64> TelephoneNumber::value(QStringView digits)
{
    if (digits.isEmpty())
        return std::nullopt;
    qint64 number = 0;
    int significant = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        if (significant == 0 && c == u'0')
            continue;
        if (++significant > MaxDigits)
            return std::nullopt;
        number = number * 10 + (c.unicode() - u'0');
    }
    if (number == 0)
        return std::nullopt;
    return number;
}

} // namespace store
