#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

// The text layer shared by every vCard the tool writes or reads (2.1, 3.0
// and 4.0 agree on it): escaping values, folding long lines, and splitting a
// card's text back into its content lines.
class VCardText
{
public:
    struct Line
    {
        int number = 0; // the physical line it starts on, for messages
        QString group;
        QString name; // upper case, without the group
        QList<QPair<QString, QString>> params; // upper-case name, value
        QString value; // as written: still escaped

        QString param(const QString& key) const;
    };

    // A text value with backslashes, commas, semicolons and line breaks
    // escaped; a CRLF is one line break.
    static QString escaped(QStringView text);
    static QString unescaped(QStringView text);
    // Splits on `separator` where it is not escaped; the parts stay escaped.
    static QStringList split(QStringView text, QChar separator);

    // A content line with its CRLF, folded at 75 octets and never inside a
    // UTF-8 sequence.
    static QByteArray folded(const QString& line);

    // The logical lines of `text` with the physical line each starts on:
    // unfolded, blank lines left out.
    static QList<QPair<int, QString>> unfolded(const QString& text);
    // One logical line; a quoted-printable value is decoded. Throws
    // FormatError when it cannot be read.
    static Line parse(const QString& text, int number);
};
