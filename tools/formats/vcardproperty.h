#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// One content line of a vCard (2.1, 3.0 or 4.0) as it was read: group, name,
// parameters and raw value apart, with the lines of the file it came from.
// The value is decoded when asked for; a property nothing changes is written
// back exactly as it stood, so that a card passed through keeps whatever this
// program does not know (photos, X- properties, Apple's labels).
class VCardProperty
{
public:
    struct Parameter
    {
        // Upper case. vCard 2.1's bare values are named by what they are:
        // "CELL" a TYPE, "QUOTED-PRINTABLE" an ENCODING, "UTF-8" a CHARSET.
        QString name;
        QString value; // as written, without enclosing quotes
        bool operator==(const Parameter&) const = default;
    };

    // A new property, written folded at 75 octets. `value` is vCard text,
    // escaped as its property wants (VCardText::escaped for plain text).
    VCardProperty(const QString& group, const QString& name, const QList<Parameter>& parameters,
                  const QString& value);

    // A logical line as read: unfolded, quoted-printable soft breaks joined.
    // `physical` holds its lines as they stood, each ended by CRLF.
    static VCardProperty read(const QByteArray& logical, int line, int lastLine, const QByteArray& physical);

    // A line without a name or a ':' is kept only to be written back.
    bool isValid() const { return !m_name.isEmpty(); }
    // The file's own line numbers, where it starts and ends; 0 when made here.
    int line() const { return m_line; }
    int lastLine() const { return m_lastLine; }
    const QString& group() const { return m_group; }
    const QString& name() const { return m_name; } // upper case
    const QList<Parameter>& parameters() const { return m_parameters; }
    // The first value of a parameter; empty when absent.
    QString parameter(QStringView name) const;
    // Every TYPE value in upper case: TYPE=a,b, TYPE repeated, bare types.
    QStringList types() const;
    // After unfolding, before any decoding.
    const QByteArray& rawValue() const { return m_raw; }

    // The value as text, still escaped: quoted-printable or base64 undone, in
    // its CHARSET, else UTF-8, else Windows-1252 (then `guessed` is set).
    QString value(bool* guessed = nullptr) const;
    // The value unescaped.
    QString text(bool* guessed = nullptr) const;
    // The value split where the property's structure splits it (';' in N
    // and ORG, ',' in CATEGORIES and NICKNAME), each part unescaped.
    QStringList components(QChar separator, bool* guessed = nullptr) const;

    // Changes, after which the property is written anew in UTF-8. `value` is
    // escaped vCard text; ENCODING and CHARSET no longer apply and go.
    void setValue(const QString& value);
    void setParameters(const QList<Parameter>& parameters);
    bool isChanged() const { return m_physical.isEmpty(); }

    // The property's lines, each ended by CRLF: as read while unchanged,
    // else folded at 75 octets.
    QByteArray toBytes() const;

private:
    VCardProperty() = default;

    int m_line = 0;
    int m_lastLine = 0;
    QString m_group;
    QString m_name;
    QList<Parameter> m_parameters;
    QByteArray m_raw;
    QByteArray m_physical;
};
