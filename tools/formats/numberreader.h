#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Telephone numbers as people and contact files write them, read the way the
// field reads them (with libphonenumber) into what the `tel` column holds
// (store::TelephoneNumber), and stored numbers written back in international
// form. Every command of the tool that reads a written number reads it here.
//
// With a region, a number of that region is stored as its national number
// without the trunk prefix ("+49 (0)30 1234567", "0049 30 1234567" and
// "030 1234567" for DE all give 301234567, what typing "030 1234567" in the
// window gives), and a number of another country as country code and national
// number (+41 79 264 88 66 gives 41792648866). Without one, the same rules
// apply where the number tells its country itself (a leading +). Either way
// letters become digits (1-800-FLOWERS), and an extension, pause or wait is
// left out of the number. A bare run of ASCII digits that does not start with
// 0 is a stored number already, as this tool's own export writes it, and is
// kept as it stands. A text of more than MaxLength characters is no number.
class NumberReader
{
public:
    // `region`: ISO 3166 two letters, or empty for none.
    explicit NumberReader(const QString& region = QString());
    const QString& region() const { return m_region; }

    // Whether libphonenumber knows `code` as a region.
    static bool isRegion(const QString& code);
    // The territory of the locale that rules telephone numbers: LC_ALL, else
    // LC_TELEPHONE, else LANG ("de_DE.UTF-8" gives DE). Empty when the
    // variable that rules names none ("C.UTF-8") or none is set.
    static QString regionFromEnvironment();

    // The longest text read as a number, extension, pause and "tel:"
    // included: far more than any real number is written with, and short
    // enough that libphonenumber, whose reading of a text takes time growing
    // with the square of its length, never sees a hostile one.
    static constexpr qsizetype MaxLength = 64;

    struct Reading
    {
        // What `tel` holds; nothing when the text cannot be stored.
        std::optional<qint64> value;
        QString problem;   // why not, when there is no value
        QString number;    // the number as written, without "tel:", extension or pause
        QString extension; // "ext. 12", "pause 12", "wait 12": left out of the number
        // How the stored digits differ from those written, beyond formatting
        // and the trunk prefix: "letters read as digits", "(0) after the
        // country code left out". Empty when they do not.
        QStringList changes;
    };
    Reading read(QStringView text) const;

    // The digits of a number or part of one as typed, in ASCII and with any
    // leading zeros, to look for among stored numbers: digits of any script
    // with blanks, dashes, dots and brackets between them and a leading +,
    // which are dropped. Nothing when anything else is there, or no digit.
    static std::optional<QString> typedDigits(QStringView text);

    // Whether two numbers as written are one: read as the same stored
    // number, however formatted ("+49 30 1234567" and "030 1234567" for DE).
    bool same(QStringView a, QStringView b) const;

    // A stored number in international form: "+49 30 1234567" for 301234567
    // and region DE. A number that reads as a valid number of the region is
    // taken as one (leading zero dropped or not), else one that reads as a
    // valid number after a "+"; nothing when it reads as neither. Numbers of
    // another country are stored with their country code, national ones
    // without, so the two readings can both be valid (41792648866 is a
    // Swiss mobile and a German landline): the region's wins, as most numbers
    // people keep are their own country's.
    std::optional<QString> international(qint64 stored) const;
    // A stored number as people of the region read it on paper: taken as
    // international() takes it, then in the national format when it is a
    // number of the region ("030 1234567" for DE), else in the international
    // one ("+44 20 7946 0000"). The digits as stored without a region, or
    // when the number reads as no valid one.
    QString readable(qint64 stored) const;

private:
    QString m_region;
};
