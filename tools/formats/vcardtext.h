#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The text layer shared by every vCard the tool writes or reads (2.1, 3.0
// and 4.0 agree on it): escaping values and folding long lines. Reading a
// card's lines is VCardReader's.
class VCardText
{
public:
    // A text value with backslashes, commas, semicolons and line breaks
    // escaped; a CRLF is one line break.
    static QString escaped(QStringView text);
    static QString unescaped(QStringView text);
    // Text a card sent to a server can carry: a card travels inside
    // WebDAV's XML, which cannot hold control characters (a server sends
    // them back in an answer no XML reader accepts), and vCard text allows
    // none but the tab. Line breaks have their escape; the others show as
    // the replacement character rather than vanish unseen.
    static QString printable(QStringView text);
    // Splits on `separator` where it is not escaped; the parts stay escaped.
    static QStringList split(QStringView text, QChar separator);

    // A content line with its CRLF, folded at 75 octets and never inside a
    // UTF-8 sequence.
    static QByteArray folded(const QString& line);
    static QByteArray folded(QByteArrayView line);
};
