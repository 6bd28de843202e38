#include "tools/formats/phonenumber.h"

#include "store/telephonenumber.h"

namespace {

bool isDash(QChar c)
{
    // Hyphen, the Unicode dashes, and the minus sign that word processors put
    // in place of a typed hyphen.
    return c == u'-' || (c.unicode() >= 0x2010 && c.unicode() <= 0x2015) || c.unicode() == 0x2212;
}

bool isFormatting(QChar c)
{
    return c.isSpace() || isDash(c) || c == u'.' || c == u'(' || c == u')' || c == u'['
           || c == u']';
}

} // namespace

std::optional<QString> PhoneNumber::digits(QStringView text)
{
    QString result;
    bool leading = true; // only blanks seen so far: a "+" may still come
    for (const QChar c : text) {
        if (c.isDigit()) {
            result += QChar(u'0' + c.digitValue());
            leading = false;
        } else if (c == u'+' && leading) {
            leading = false;
        } else if (isFormatting(c)) {
            if (!c.isSpace())
                leading = false;
        } else {
            return std::nullopt;
        }
    }
    if (result.isEmpty())
        return std::nullopt;
    return result;
}

std::optional<qint64> PhoneNumber::value(QStringView text)
{
    const auto found = digits(text);
    if (!found)
        return std::nullopt;
    return store::TelephoneNumber::value(*found);
}
