#include "tools/formats/numberreader.h"

#include "store/telephonenumber.h"

#include <phonenumbers/phonenumberutil.h>

#include <QRegularExpression>

#include <algorithm>

namespace {

using i18n::phonenumbers::PhoneNumberUtil;
using LibraryNumber = i18n::phonenumbers::PhoneNumber;

PhoneNumberUtil& library()
{
    return *PhoneNumberUtil::GetInstance();
}

QString digitsOf(const QString& text)
{
    std::string s = text.toStdString();
    library().ConvertAlphaCharactersInNumber(&s);
    library().NormalizeDigitsOnly(&s);
    return QString::fromStdString(s);
}

QString withoutLeadingZeros(const QString& digits)
{
    qsizetype i = 0;
    while (i < digits.size() && digits[i] == u'0')
        ++i;
    return digits.mid(i);
}

QString nationalPrefix(const std::string& region)
{
    std::string prefix;
    library().GetNddPrefixForRegion(region, true, &prefix);
    return QString::fromStdString(prefix);
}

bool isDash(QChar c)
{
    // Hyphen, the Unicode dashes, and the minus sign that word processors put
    // in place of a typed hyphen.
    return c == u'-' || (c.unicode() >= 0x2010 && c.unicode() <= 0x2015) || c.unicode() == 0x2212;
}

bool isLetter(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

bool hasLetters(QStringView text)
{
    return std::any_of(text.begin(), text.end(), isLetter);
}

// The digits of a number as a person writes it, in ASCII: digits of any
// script, blanks, a leading + and dashes, dots and brackets between them.
// `keypad` takes what a number to dial may hold besides, without a digit for
// it: "/", and letters once three digits have come, as on a keypad
// ("1-800-FLOWERS"), so that a word in the field is no number. Nothing when
// anything else is there, or no digit.
std::optional<QString> scanDigits(QStringView text, bool keypad)
{
    QString digits;
    bool leading = true; // only blanks so far: a + may still come
    for (const QChar c : text) {
        if (c.isDigit()) {
            digits += QChar(u'0' + c.digitValue());
            leading = false;
        } else if (c == u'+' && leading) {
            leading = false;
        } else if (c.isSpace()) {
        } else if (isDash(c) || c == u'.' || c == u'(' || c == u')' || c == u'[' || c == u']'
                   || (keypad && c == u'/')) {
            leading = false;
        } else if (!(keypad && isLetter(c) && digits.size() >= 3)) {
            return std::nullopt;
        }
    }
    if (digits.isEmpty())
        return std::nullopt;
    return digits;
}

// An extension, pause or wait at the end of a number, which the directory
// cannot store.
struct Tail
{
    QString number;
    QString extension;
};

Tail splitTail(const QString& text)
{
    static const QRegularExpression extension(
        QStringLiteral(R"(^(.*?\d.*?)[\s,;]*(?:e?xt(?:ension|n)?\.?|x|#)\s*[:.=]?\s*(\d+)\s*#?\s*$)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression pause(QStringLiteral(R"(^(.*?\d)\s*([pPwW,;][0-9pPwW,;*#]*)$)"));
    if (const auto m = extension.match(text); m.hasMatch())
        return {m.captured(1).trimmed(), QStringLiteral("ext. ") + m.captured(2)};
    if (const auto m = pause.match(text); m.hasMatch()) {
        QString rest = m.captured(2);
        const bool wait = rest.front().toLower() == u'w' || rest.front() == u';';
        while (!rest.isEmpty() && QStringLiteral("pPwW,;").contains(rest.front()))
            rest.remove(0, 1);
        return {m.captured(1).trimmed(), (wait ? QStringLiteral("wait ") : QStringLiteral("pause ")) + rest};
    }
    return {text, QString()};
}

// A tel: URI (RFC 3966) as vCard 4.0 writes numbers: the number, then
// parameters such as ;ext=102.
Tail splitUri(const QString& text)
{
    const QStringList parts = text.mid(4).split(u';');
    Tail tail{parts.first().trimmed(), QString()};
    for (const QString& parameter : parts.mid(1)) {
        if (parameter.startsWith(QStringLiteral("ext="), Qt::CaseInsensitive))
            tail.extension = QStringLiteral("ext. ") + parameter.mid(4).trimmed();
    }
    return tail;
}

// Why libphonenumber read a number written with a + as none of any country.
QString unreadable(std::optional<PhoneNumberUtil::ErrorType> error, const QString& digits)
{
    switch (error.value_or(PhoneNumberUtil::NOT_A_NUMBER)) {
    case PhoneNumberUtil::INVALID_COUNTRY_CODE_ERROR:
        return digits.startsWith(u'0') ? QStringLiteral("no country code starts with 0")
                                       : QStringLiteral("no country has the code it starts with");
    case PhoneNumberUtil::TOO_SHORT_NSN:
    case PhoneNumberUtil::TOO_SHORT_AFTER_IDD:
        return QStringLiteral("too short after its country code");
    case PhoneNumberUtil::TOO_LONG_NSN:
        return QStringLiteral("too long after its country code");
    default:
        return QStringLiteral("libphonenumber reads no number in it");
    }
}

bool isNoNumber(const QString& text)
{
    static const QRegularExpression scheme(QStringLiteral(R"(^[A-Za-z][A-Za-z0-9+.\-]*:)"));
    return text.contains(u'@') || text.contains(u'*') || text.contains(u'#') || scheme.match(text).hasMatch();
}

// A stored number read as a valid one: as a number of `region` (leading
// zero dropped or not), else after a "+". The region's reading comes first,
// as most numbers people keep are their own country's. Read into `number`,
// never copied: a copy of libphonenumber's number is protobuf's code, which
// a build without inlining would have to link.
bool validNumber(qint64 stored, const QString& region, LibraryNumber& number)
{
    const std::string digits = QString::number(stored).toStdString();
    std::vector<std::pair<std::string, std::string>> readings; // text, region
    if (!region.isEmpty()) {
        readings.push_back({digits, region.toStdString()});
        readings.push_back({"0" + digits, region.toStdString()});
    }
    readings.push_back({"+" + digits, "ZZ"});
    for (const auto& [text, from] : readings) {
        if (library().Parse(text, from, &number) == PhoneNumberUtil::NO_PARSING_ERROR && library().IsValidNumber(number))
            return true;
    }
    return false;
}

} // namespace

NumberReader::NumberReader(const QString& region)
    : m_region(region.toUpper())
{
}

bool NumberReader::isRegion(const QString& code)
{
    return code.size() == 2 && library().GetCountryCodeForRegion(code.toUpper().toStdString()) != 0;
}

QString NumberReader::regionFromEnvironment()
{
    for (const char* variable : {"LC_ALL", "LC_TELEPHONE", "LANG"}) {
        const QString locale = qEnvironmentVariable(variable);
        if (locale.isEmpty())
            continue;
        // language_TERRITORY.codeset@modifier
        const QString territory = locale.section(u'_', 1).section(u'.', 0, 0).section(u'@', 0, 0).toUpper();
        return isRegion(territory) ? territory : QString();
    }
    return QString();
}

std::optional<QString> NumberReader::typedDigits(QStringView text)
{
    return scanDigits(text, false);
}

NumberReader::Reading NumberReader::read(QStringView text) const
{
    Reading reading;
    const QStringView trimmed = text.trimmed();
    if (trimmed.size() > MaxLength) {
        reading.problem = QStringLiteral("\"%1...\" is no telephone number: %2 characters, where one has at most %3")
                              .arg(trimmed.first(20).toString(), QString::number(trimmed.size()),
                                   QString::number(MaxLength));
        return reading;
    }
    const QString written = trimmed.toString();
    const Tail tail = written.startsWith(QStringLiteral("tel:"), Qt::CaseInsensitive) ? splitUri(written)
                                                                                         : splitTail(written);
    reading.number = tail.number;
    reading.extension = tail.extension;
    const QString& number = tail.number;
    if (number.isEmpty()) {
        reading.problem = QStringLiteral("the number is empty");
        return reading;
    }
    const auto notANumber = [&] {
        reading.problem = QStringLiteral("\"%1\" is not a telephone number").arg(written);
        return reading;
    };
    if (isNoNumber(number))
        return notANumber();

    // A stored number as this tool and spreadsheets write it.
    static const QRegularExpression bare(QStringLiteral("^[1-9][0-9]*$"));
    QString stored;
    bool parsed = false;
    bool own = false; // of the region, stored without its country code
    QString national;
    LibraryNumber found;
    std::optional<PhoneNumberUtil::ErrorType> refused; // why libphonenumber read no number, where it tried
    const std::string region = m_region.isEmpty() ? std::string("ZZ") : m_region.toStdString();
    if (bare.match(number).hasMatch()) {
        stored = number;
    } else if ((!m_region.isEmpty() || number.startsWith(u'+'))
               && (refused = library().ParseAndKeepRawInput(number.toStdString(), region, &found))
                      == PhoneNumberUtil::NO_PARSING_ERROR) {
        parsed = true;
        std::string significant;
        library().GetNationalSignificantNumber(found, &significant);
        national = QString::fromStdString(significant);
        own = !m_region.isEmpty() && found.country_code() == library().GetCountryCodeForRegion(region);
        stored = (own ? QString() : QString::number(found.country_code())) + national;
        if (found.has_extension() && reading.extension.isEmpty())
            reading.extension = QStringLiteral("ext. ") + QString::fromStdString(found.extension());
    } else if (scanDigits(number, true)) {
        stored = digitsOf(number);
    } else {
        return notANumber();
    }
    reading.value = store::TelephoneNumber::value(stored);
    if (!reading.value) {
        if (hasLetters(number) || withoutLeadingZeros(stored).isEmpty())
            return notANumber();
        reading.problem = QStringLiteral("\"%1\" has more than %2 digits").arg(written, QString::number(store::TelephoneNumber::MaxDigits));
        return reading;
    }

    if (hasLetters(number))
        reading.changes.append(QStringLiteral("letters read as digits"));
    const QString writtenDigits = digitsOf(number);
    const QString storedDigits = QString::number(*reading.value);
    if (!parsed && number.startsWith(u'+')) {
        // Marked international, yet no country's: the digits are kept as the
        // store takes them, and the report says the mark is gone.
        const qsizetype zeros = writtenDigits.size() - withoutLeadingZeros(writtenDigits).size();
        reading.changes.append(QStringLiteral("read as no country's number (%1), the +%2 left out")
                                   .arg(unreadable(refused, writtenDigits),
                                        zeros ? QStringLiteral(" and the leading %1").arg(writtenDigits.left(zeros))
                                              : QString()));
        return reading;
    }
    const QString trunk = m_region.isEmpty() ? QString() : nationalPrefix(region);
    // Written with its country code, the number's first digits are no trunk
    // prefix, even where they look like one (+1 for US).
    const bool international = parsed && (found.country_code_source() == LibraryNumber::FROM_NUMBER_WITH_PLUS_SIGN
                                          || found.country_code_source() == LibraryNumber::FROM_NUMBER_WITH_IDD);
    // The digits a person typing the number into the window gets, or those
    // after the trunk prefix.
    if (withoutLeadingZeros(writtenDigits) == storedDigits
        || (!international && !trunk.isEmpty() && writtenDigits.startsWith(trunk)
            && withoutLeadingZeros(writtenDigits.mid(trunk.size())) == storedDigits))
        return reading;

    QStringList how;
    if (parsed && found.country_code_source() != LibraryNumber::FROM_DEFAULT_COUNTRY
        && writtenDigits.endsWith(national)) {
        // Written as [international prefix] country code [(0)] national number.
        const QString code = QString::number(found.country_code());
        std::string countryRegion;
        library().GetRegionCodeForCountryCode(found.country_code(), &countryRegion);
        const QString zero = nationalPrefix(countryRegion);
        QString head = writtenDigits.chopped(national.size());
        const bool bracketed = !zero.isEmpty() && head.endsWith(code + zero);
        if (bracketed)
            head.chop(zero.size());
        const QString prefix = head.endsWith(code) ? head.chopped(code.size()) : QString();
        if (own) {
            how.append((prefix.isEmpty() ? QString() : QStringLiteral("international prefix %1 and ").arg(prefix))
                       + QStringLiteral("country code %1 left out, a number of %2").arg(code, m_region));
        } else if (!withoutLeadingZeros(prefix).isEmpty()) {
            how.append(QStringLiteral("international prefix %1 left out").arg(prefix));
        }
        if (bracketed)
            how.append(QStringLiteral("(%1) after the country code left out").arg(zero));
    }
    if (how.isEmpty())
        how.append(m_region.isEmpty() ? QStringLiteral("digits read as %1").arg(storedDigits)
                                      : QStringLiteral("read by the numbering plan of %1").arg(m_region));
    reading.changes.append(how);
    return reading;
}

bool NumberReader::same(QStringView a, QStringView b) const
{
    if (a == b)
        return true;
    const std::optional<qint64> first = read(a).value;
    return first && first == read(b).value;
}

std::optional<QString> NumberReader::international(qint64 stored) const
{
    LibraryNumber number;
    if (!validNumber(stored, m_region, number))
        return std::nullopt;
    std::string formatted;
    library().Format(number, PhoneNumberUtil::INTERNATIONAL, &formatted);
    return QString::fromStdString(formatted);
}

QString NumberReader::readable(qint64 stored) const
{
    LibraryNumber number;
    if (m_region.isEmpty() || !validNumber(stored, m_region, number))
        return QString::number(stored);
    const bool own = number.country_code() == library().GetCountryCodeForRegion(m_region.toStdString());
    std::string formatted;
    library().Format(number, own ? PhoneNumberUtil::NATIONAL : PhoneNumberUtil::INTERNATIONAL, &formatted);
    return QString::fromStdString(formatted);
}
