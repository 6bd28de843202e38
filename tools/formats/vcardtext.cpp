#include "tools/formats/vcardtext.h"

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

QString VCardText::printable(QStringView text)
{
    QString out = text.toString();
    for (qsizetype i = 0; i < out.size(); ++i) {
        const char16_t u = out[i].unicode();
        // A carriage return is a line break only as the first half of CRLF.
        const bool lineBreak = u == u'\n' || (u == u'\r' && i + 1 < out.size() && out[i + 1] == u'\n');
        const bool control = (u < 0x20 && u != u'\t' && !lineBreak) || u == 0x7F;
        if (control || u == 0xFFFE || u == 0xFFFF)
            out[i] = QChar(QChar::ReplacementCharacter);
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
    return folded(QByteArrayView(line.toUtf8()));
}

QByteArray VCardText::folded(QByteArrayView bytes)
{
    QByteArray out;
    qsizetype start = 0;
    qsizetype room = 75;
    while (bytes.size() - start > room) {
        qsizetype end = start + room;
        while (end > start && (quint8(bytes[end]) & 0xC0) == 0x80) // a continuation byte
            --end;
        if (end == start) // no UTF-8 at all: a value kept in its own character set
            end = start + room;
        out += bytes.sliced(start, end - start);
        out += "\r\n ";
        start = end;
        room = 74; // the leading blank counts
    }
    out += bytes.sliced(start);
    out += "\r\n";
    return out;
}
