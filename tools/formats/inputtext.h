#pragma once

#include <QByteArray>
#include <QString>

// The text of a file someone brings: UTF-8 with or without a byte-order
// mark, UTF-16 with one, or, when the bytes are not UTF-8, Windows-1252,
// which is what Outlook and older Windows programs write.
class InputText
{
public:
    QString text; // without the byte-order mark
    // 0 when the file was read in the encoding it declares or is valid in;
    // else the first line that is not UTF-8, read as Windows-1252.
    int guessedFrom = 0;

    static InputText decode(const QByteArray& data);
    // The bytes as UTF-8, for readers that take each value's character set
    // from the file itself: a UTF-16 file converted, a UTF-8 mark dropped,
    // any other bytes left as they are.
    static QByteArray utf8Bytes(const QByteArray& data);
    // One value's bytes: in `charset` when one is named and known, else as
    // UTF-8, else as Windows-1252, when `guessed` (if given) is set.
    static QString decodeValue(QByteArrayView bytes, const QString& charset, bool* guessed = nullptr);
};
