#include "vcardformat.h"

#include "folderpath.h"
#include "phonenumber.h"
#include "utf8text.h"

#include <QStringDecoder>

#include <optional>

namespace {

QString escaped(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'\\' || c == u',' || c == u';') {
            out += u'\\';
            out += c;
        } else if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') {
            // a CRLF in a name is one line break; \n stands for either
        } else if (c == u'\n' || c == u'\r') {
            out += QStringLiteral("\\n");
        } else {
            out += c;
        }
    }
    return out;
}

// A content line folded at 75 octets, never inside a UTF-8 sequence.
QByteArray folded(const QString& line)
{
    const QByteArray bytes = line.toUtf8();
    QByteArray out;
    qsizetype start = 0;
    qsizetype room = 75;
    while (bytes.size() - start > room) {
        qsizetype end = start + room;
        while ((quint8(bytes[end]) & 0xC0) == 0x80) // a continuation byte
            --end;
        out += bytes.mid(start, end - start);
        out += "\r\n ";
        start = end;
        room = 74; // the leading blank counts
    }
    out += bytes.mid(start);
    out += "\r\n";
    return out;
}

struct Line
{
    int number = 0;
    QString group;
    QString name; // upper case, without the group
    QList<QPair<QString, QString>> params; // upper-case name, value
    QString value;

    QString param(const QString& key) const
    {
        for (const auto& [k, v] : params) {
            if (k == key)
                return v;
        }
        return QString();
    }
};

// Splits on `separator` where it is not escaped with a backslash.
QStringList splitEscaped(const QString& text, QChar separator)
{
    QStringList parts{QString()};
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size()) {
            parts.last() += text[i];
            parts.last() += text[++i];
        } else if (text[i] == separator) {
            parts.append(QString());
        } else {
            parts.last() += text[i];
        }
    }
    return parts;
}

QString unescaped(const QString& text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'\\' && i + 1 < text.size()) {
            const QChar next = text[++i];
            out += (next == u'n' || next == u'N') ? QChar(u'\n') : next;
        } else {
            out += text[i];
        }
    }
    return out;
}

QString decodeQuotedPrintable(const QString& value, const QString& charset, int line)
{
    QByteArray bytes;
    const QByteArray ascii = value.toUtf8();
    for (qsizetype i = 0; i < ascii.size(); ++i) {
        if (ascii[i] == '=' && i + 2 < ascii.size()) {
            bool ok = false;
            const int byte = ascii.mid(i + 1, 2).toInt(&ok, 16);
            if (!ok)
                throw FormatError(line, QStringLiteral("broken quoted-printable text"));
            bytes += char(byte);
            i += 2;
        } else if (ascii[i] == '=') {
            throw FormatError(line, QStringLiteral("broken quoted-printable text"));
        } else {
            bytes += ascii[i];
        }
    }
    const QString name = charset.isEmpty() ? QStringLiteral("UTF-8") : charset;
    QStringDecoder decoder(name.toLatin1().constData());
    if (!decoder.isValid())
        throw FormatError(line, QStringLiteral("unknown character set %1").arg(name));
    const QString text = decoder.decode(bytes);
    if (decoder.hasError())
        throw FormatError(line, QStringLiteral("the text is not %1").arg(name));
    return text;
}

// Splits a content line into group, name, parameters and value. Parameter
// values may be quoted, and a quoted one may hold ':' and ';'.
Line parse(const QString& text, int number)
{
    Line line;
    line.number = number;
    qsizetype colon = -1;
    bool inQuotes = false;
    QStringList head{QString()};
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'"') {
            inQuotes = !inQuotes;
        } else if (!inQuotes && c == u':') {
            colon = i;
            break;
        } else if (!inQuotes && c == u';') {
            head.append(QString());
            continue;
        }
        if (c != u'"')
            head.last() += c;
    }
    if (colon < 0)
        throw FormatError(number, QStringLiteral("a line without ':' inside a card"));
    line.value = text.mid(colon + 1);
    QString name = head.takeFirst().trimmed();
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot >= 0) {
        line.group = name.left(dot);
        name = name.mid(dot + 1);
    }
    line.name = name.toUpper();
    if (line.name.isEmpty())
        throw FormatError(number, QStringLiteral("a line without a property name"));
    for (const QString& p : head) {
        const qsizetype eq = p.indexOf(u'=');
        if (eq < 0) // vCard 2.1 writes bare types: TEL;CELL:...
            line.params.append({QStringLiteral("TYPE"), p.trimmed().toUpper()});
        else
            line.params.append({p.left(eq).trimmed().toUpper(), p.mid(eq + 1).trimmed()});
    }
    const QString encoding = line.param(QStringLiteral("ENCODING")).toUpper();
    if (encoding == u"QUOTED-PRINTABLE")
        line.value = decodeQuotedPrintable(line.value, line.param(QStringLiteral("CHARSET")), number);
    else if (!encoding.isEmpty() && encoding != u"8BIT" && encoding != u"7BIT")
        line.params.append({QStringLiteral("UNREADABLE"), encoding});
    return line;
}

struct Card
{
    int begin = 0;
    std::optional<QString> fn;
    std::optional<QString> n;
    std::optional<QString> categories;
    bool group = false;
    QList<Line> tels;
};

void requireReadable(const Line& line)
{
    const QString encoding = line.param(QStringLiteral("UNREADABLE"));
    if (!encoding.isEmpty())
        throw FormatError(line.number, QStringLiteral("%1 in encoding %2 cannot be read").arg(line.name, encoding));
}

QString nameOf(const Card& card)
{
    if (card.fn)
        return unescaped(*card.fn);
    if (card.n) {
        // family;given;additional;prefix;suffix, shown as people write a name
        const QStringList parts = splitEscaped(*card.n, u';');
        QStringList shown;
        for (const int i : {3, 1, 2, 0, 4}) {
            if (i < parts.size() && !parts[i].trimmed().isEmpty())
                shown.append(unescaped(parts[i]).trimmed());
        }
        if (!shown.isEmpty())
            return shown.join(u' ');
    }
    throw FormatError(card.begin, QStringLiteral("a card without a name (FN or N)"));
}

qint64 telOf(const Line& line)
{
    QString value = line.value.trimmed();
    if (value.startsWith(QStringLiteral("tel:"), Qt::CaseInsensitive)) {
        value = value.mid(4);
        value = value.left(value.indexOf(u';') < 0 ? value.size() : value.indexOf(u';'));
    }
    const auto number = PhoneNumber::value(value);
    if (!number)
        throw FormatError(line.number,
                          QStringLiteral("\"%1\" is not a telephone number (digits, with spaces, dashes, dots, "
                                         "brackets or a leading + between them)")
                              .arg(line.value));
    return *number;
}

void finish(const Card& card, std::vector<FlatRecord>& records, QStringList* warnings)
{
    const QString name = nameOf(card);
    QStringList path;
    if (card.categories)
        path = FolderPath::parse(unescaped(splitEscaped(*card.categories, u',').first()));
    if (card.group) {
        records.push_back({path, name, 0, card.begin});
        return;
    }
    if (card.tels.isEmpty()) {
        if (warnings)
            warnings->append(QStringLiteral("line %1: \"%2\" has no telephone number; skipped")
                                 .arg(card.begin)
                                 .arg(name));
        return;
    }
    for (const Line& tel : card.tels)
        records.push_back({path, name, telOf(tel), tel.number});
}

} // namespace

QByteArray VCardFormat::write(const std::vector<FlatRecord>& records)
{
    QByteArray out;
    for (const FlatRecord& r : records) {
        out += "BEGIN:VCARD\r\nVERSION:4.0\r\n";
        if (r.isFolder())
            out += "KIND:group\r\n";
        out += folded(QStringLiteral("FN:") + escaped(r.name));
        if (!r.isFolder())
            out += folded(QStringLiteral("TEL;VALUE=text:%1").arg(r.tel));
        out += folded(QStringLiteral("CATEGORIES:") + escaped(FolderPath::format(r.path)));
        out += "END:VCARD\r\n";
    }
    return out;
}

std::vector<FlatRecord> VCardFormat::read(const QByteArray& data, QStringList* warnings)
{
    QString text = Utf8Text::decode(data);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(u'\r', u'\n');
    const QStringList physical = text.split(u'\n');

    // Unfold: a line starting with a blank continues the one before; in
    // quoted-printable text a line ending in '=' goes on in the next.
    QList<QPair<int, QString>> logical;
    for (int i = 0; i < physical.size(); ++i) {
        const QString& line = physical[i];
        const bool softBreak = !logical.isEmpty() && logical.last().second.endsWith(u'=')
                               && logical.last().second.section(u':', 0, 0).contains(
                                   QStringLiteral("QUOTED-PRINTABLE"), Qt::CaseInsensitive);
        if (!logical.isEmpty() && !line.isEmpty() && (line[0] == u' ' || line[0] == u'\t')) {
            logical.last().second += line.mid(1);
        } else if (softBreak) {
            logical.last().second.chop(1);
            logical.last().second += line;
        } else {
            logical.append({i + 1, line});
        }
    }

    std::vector<FlatRecord> records;
    std::optional<Card> card;
    for (const auto& [number, content] : logical) {
        if (content.trimmed().isEmpty())
            continue;
        const Line line = parse(content, number);
        const bool begin = line.name == u"BEGIN" && line.value.trimmed().compare(u"VCARD", Qt::CaseInsensitive) == 0;
        const bool end = line.name == u"END" && line.value.trimmed().compare(u"VCARD", Qt::CaseInsensitive) == 0;
        if (!card) {
            if (!begin)
                throw FormatError(number, QStringLiteral("a line outside BEGIN:VCARD ... END:VCARD"));
            card = Card{number, {}, {}, {}, false, {}};
            continue;
        }
        if (begin)
            throw FormatError(number, QStringLiteral("BEGIN:VCARD inside the card that began on line %1")
                                          .arg(card->begin));
        if (end) {
            finish(*card, records, warnings);
            card.reset();
            continue;
        }
        if (line.name == u"FN" && !card->fn) {
            requireReadable(line);
            card->fn = line.value;
        } else if (line.name == u"N" && !card->n) {
            requireReadable(line);
            card->n = line.value;
        } else if (line.name == u"CATEGORIES" && !card->categories) {
            requireReadable(line);
            card->categories = line.value;
        } else if (line.name == u"KIND") {
            card->group = line.value.trimmed().compare(u"group", Qt::CaseInsensitive) == 0;
        } else if (line.name == u"TEL") {
            requireReadable(line);
            card->tels.append(line);
        }
    }
    if (card)
        throw FormatError(card->begin, QStringLiteral("the card that begins here has no END:VCARD"));
    return records;
}
