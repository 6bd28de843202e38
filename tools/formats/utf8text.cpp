#include "tools/formats/utf8text.h"

#include "tools/formats/formaterror.h"

#include <QByteArrayList>
#include <QStringDecoder>

QString Utf8Text::decode(const QByteArray& data)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(data);
    if (decoder.hasError()) {
        // Decoded again line by line, only to name the line in the message.
        int line = 1;
        for (const QByteArray& bytes : data.split('\n')) {
            QStringDecoder probe(QStringDecoder::Utf8);
            const QString ignored = probe(bytes);
            if (probe.hasError())
                break;
            ++line;
        }
        throw FormatError(line, QStringLiteral("the text is not UTF-8"));
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}
