#include "tools/formats/inputtext.h"

#include <QStringDecoder>

namespace {

bool hasUtf16Mark(const QByteArray& data)
{
    return data.startsWith("\xFF\xFE") || data.startsWith("\xFE\xFF");
}

int firstLineNotUtf8(const QByteArray& data)
{
    int line = 1;
    for (qsizetype start = 0; start < data.size();) {
        qsizetype end = data.indexOf('\n', start);
        if (end < 0)
            end = data.size();
        QStringDecoder probe(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString ignored = probe(QByteArrayView(data).sliced(start, end - start));
        if (probe.hasError())
            return line;
        ++line;
        start = end + 1;
    }
    return line;
}

} // namespace

InputText InputText::decode(const QByteArray& data)
{
    if (hasUtf16Mark(data)) {
        QStringDecoder decoder(data.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        return {decoder(QByteArrayView(data).sliced(2)), 0};
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(data);
    if (!utf8.hasError()) {
        if (text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
        return {text, 0};
    }
    QStringDecoder windows("windows-1252");
    return {windows(data), firstLineNotUtf8(data)};
}

QByteArray InputText::utf8Bytes(const QByteArray& data)
{
    if (hasUtf16Mark(data))
        return decode(data).text.toUtf8();
    if (data.startsWith("\xEF\xBB\xBF"))
        return data.sliced(3);
    return data;
}

QString InputText::decodeValue(QByteArrayView bytes, const QString& charset, bool* guessed)
{
    if (!charset.isEmpty() && charset.compare(u"UTF-8", Qt::CaseInsensitive) != 0) {
        QStringDecoder named(charset.toLatin1().constData(), QStringDecoder::Flag::Stateless);
        if (named.isValid())
            return named(bytes);
    }
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    if (guessed)
        *guessed = true;
    QStringDecoder windows("windows-1252");
    return windows(bytes);
}
