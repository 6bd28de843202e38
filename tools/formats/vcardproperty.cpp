#include "tools/formats/vcardproperty.h"

#include "tools/formats/inputtext.h"
#include "tools/formats/quotedprintable.h"
#include "tools/formats/vcardtext.h"

namespace {

// Names and groups are letters, digits and dashes; anything else is no
// property but, say, a line of a note some writer forgot to fold.
bool isName(QStringView text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (!(c.isLetterOrNumber() && c.unicode() < 0x80) && c != u'-' && c != u'_')
            return false;
    }
    return true;
}

// Splits the part before the value at ';' outside double quotes, which are
// dropped.
QStringList headParts(const QString& head)
{
    QStringList parts{QString()};
    bool inQuotes = false;
    for (const QChar c : head) {
        if (c == u'"')
            inQuotes = !inQuotes;
        else if (c == u';' && !inQuotes)
            parts.append(QString());
        else
            parts.last() += c;
    }
    return parts;
}

// vCard 2.1 lets a parameter's value stand without its name where the value
// tells it: ";QUOTED-PRINTABLE" is an encoding, ";UTF-8" a character set,
// ";CELL" a type. Character sets are told by the shapes of their names, so
// that no lookup is made for each of a line's parameters.
QString bareName(const QString& value)
{
    const QString upper = value.toUpper();
    if (upper == u"QUOTED-PRINTABLE" || upper == u"BASE64" || upper == u"8BIT" || upper == u"7BIT")
        return QStringLiteral("ENCODING");
    static const QStringList charsets = {"UTF-", "ISO-", "WINDOWS-", "CP125", "US-ASCII", "SHIFT_JIS", "SHIFT-JIS",
                                         "BIG5", "GB2312", "GBK", "GB18030", "EUC-", "KOI8-", "MACINTOSH"};
    for (const QString& charset : charsets) {
        if (upper.startsWith(charset))
            return QStringLiteral("CHARSET");
    }
    return QStringLiteral("TYPE");
}

QString quotedIfNeeded(const QString& value)
{
    for (const QChar c : value) {
        if (c == u':' || c == u';' || c == u',')
            return u'"' + value + u'"';
    }
    return value;
}

} // namespace

VCardProperty::VCardProperty(const QString& group, const QString& name, const QList<Parameter>& parameters,
                             const QString& value)
    : m_group(group)
    , m_name(name.toUpper())
    , m_parameters(parameters)
    , m_raw(value.toUtf8())
{
}

VCardProperty VCardProperty::read(const QByteArray& logical, int line, int lastLine, const QByteArray& physical)
{
    VCardProperty property;
    property.m_line = line;
    property.m_lastLine = lastLine;
    property.m_physical = physical;
    qsizetype colon = -1;
    bool inQuotes = false;
    for (qsizetype i = 0; i < logical.size(); ++i) {
        if (logical[i] == '"') {
            inQuotes = !inQuotes;
        } else if (logical[i] == ':' && !inQuotes) {
            colon = i;
            break;
        }
    }
    if (colon < 0)
        return property;
    QStringList parts = headParts(InputText::decodeValue(QByteArrayView(logical).first(colon), QString()));
    QString name = parts.takeFirst().trimmed();
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString group = dot >= 0 ? name.left(dot) : QString();
    name = name.mid(dot + 1);
    if (!isName(name) || (dot >= 0 && !isName(group)))
        return property;
    property.m_group = group;
    property.m_name = name.toUpper();
    for (const QString& part : parts) {
        const qsizetype eq = part.indexOf(u'=');
        if (eq < 0)
            property.m_parameters.append({bareName(part.trimmed()), part.trimmed()});
        else
            property.m_parameters.append({part.left(eq).trimmed().toUpper(), part.mid(eq + 1).trimmed()});
    }
    property.m_raw = logical.mid(colon + 1);
    return property;
}

QString VCardProperty::parameter(QStringView name) const
{
    for (const Parameter& p : m_parameters) {
        if (p.name == name)
            return p.value;
    }
    return QString();
}

QStringList VCardProperty::types() const
{
    QStringList result;
    for (const Parameter& p : m_parameters) {
        if (p.name == u"TYPE") {
            for (const QString& one : p.value.split(u','))
                result.append(one.trimmed().toUpper());
        }
    }
    return result;
}

QString VCardProperty::value(bool* guessed) const
{
    const QString encoding = parameter(u"ENCODING").toUpper();
    QByteArray bytes = m_raw;
    if (encoding == u"QUOTED-PRINTABLE")
        bytes = QuotedPrintable::decode(bytes);
    else if (encoding == u"B" || encoding == u"BASE64")
        bytes = QByteArray::fromBase64(bytes);
    return InputText::decodeValue(bytes, parameter(u"CHARSET"), guessed);
}

QString VCardProperty::text(bool* guessed) const
{
    return VCardText::unescaped(value(guessed));
}

QStringList VCardProperty::components(QChar separator, bool* guessed) const
{
    QStringList parts = VCardText::split(value(guessed), separator);
    for (QString& part : parts)
        part = VCardText::unescaped(part);
    return parts;
}

void VCardProperty::setValue(const QString& value)
{
    m_raw = value.toUtf8();
    m_parameters.removeIf([](const Parameter& p) { return p.name == u"ENCODING" || p.name == u"CHARSET"; });
    m_physical.clear();
}

void VCardProperty::setParameters(const QList<Parameter>& parameters)
{
    m_parameters = parameters;
    m_physical.clear();
}

QByteArray VCardProperty::toBytes() const
{
    if (!m_physical.isEmpty())
        return m_physical;
    QString head = m_group.isEmpty() ? m_name : m_group + u'.' + m_name;
    for (const Parameter& p : m_parameters)
        head += u';' + p.name + u'=' + quotedIfNeeded(p.value);
    const QByteArray line = (head + u':').toUtf8() + m_raw;
    return VCardText::folded(QByteArrayView(line));
}
