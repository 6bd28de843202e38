#include "tools/formats/vcardtext.h"

#include "tools/formats/formaterror.h"

#include <QStringDecoder>

namespace {

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

} // namespace

// Parameter values may be quoted, and a quoted one may hold ':' and ';'.
VCardText::Line VCardText::parse(const QString& text, int number)
{
    VCardText::Line line;
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

QString VCardText::Line::param(const QString& key) const
{
    for (const auto& [k, v] : params) {
        if (k == key)
            return v;
    }
    return QString();
}

QString VCardText::escaped(QStringView text)
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

QString VCardText::unescaped(QStringView text)
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

QStringList VCardText::split(QStringView text, QChar separator)
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

QByteArray VCardText::folded(const QString& line)
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

QList<QPair<int, QString>> VCardText::unfolded(const QString& text)
{
    // Unfold: a line starting with a blank continues the one before; in
    // quoted-printable text a line ending in '=' goes on in the next. The
    // text is read once, line end by line end (CRLF, LF or a lone CR), and
    // whether a line is quoted-printable is read once from its name and
    // parameters as they are completed: no continuation reads the line again.
    QList<QPair<int, QString>> logical;
    bool headRead = false;
    bool quotedPrintable = false;
    int number = 0;
    for (qsizetype start = 0; start <= text.size();) {
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\n' && text[end] != u'\r')
            ++end;
        const QStringView line = QStringView(text).sliced(start, end - start);
        ++number;
        start = end + (QStringView(text).sliced(end).startsWith(u"\r\n") ? 2 : 1);

        qsizetype added = 0; // where the text this line adds starts
        if (!logical.isEmpty() && !line.isEmpty() && (line[0] == u' ' || line[0] == u'\t')) {
            added = logical.last().second.size();
            logical.last().second += line.sliced(1);
        } else if (quotedPrintable && logical.last().second.endsWith(u'=')) {
            logical.last().second.chop(1);
            added = logical.last().second.size();
            logical.last().second += line;
        } else {
            logical.append({number, line.toString()});
            headRead = false;
            quotedPrintable = false;
        }
        if (!headRead) {
            const QString& built = logical.last().second;
            const qsizetype colon = built.indexOf(u':', added);
            if (colon >= 0) {
                headRead = true;
                quotedPrintable = QStringView(built).first(colon).contains(QStringLiteral("QUOTED-PRINTABLE"),
                                                                          Qt::CaseInsensitive);
            }
        }
    }
    logical.removeIf([](const QPair<int, QString>& line) { return line.second.trimmed().isEmpty(); });
    return logical;
}
