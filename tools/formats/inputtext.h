#pragma once

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

#include <optional>

class QIODevice;

// The text of a file someone brings, read a line at a time, so that memory
// holds a line rather than the file: UTF-8 with or without a byte-order mark,
// UTF-16 with one (given as UTF-8), and any other bytes as they stand, for the
// readers to take each line's or value's character set from the file itself.
// A line ends at LF, CRLF, a lone CR, or the CR CR LF some phones write.
//
// No contact file has a line of more than 1 MB, nor a field of more (a CSV
// row that quotes carry over several lines, a vCard property folded over
// several): at one the reading ends with a FormatError, so that an endless
// input (/dev/zero, a pipe that never ends) ends with a message instead of
// filling memory. The readers check their fields against cap().
class InputText
{
public:
    static constexpr qsizetype MaxLength = 1024 * 1024; // "1 MB" in messages

    // `cap`: MaxLength for a file; text already in memory, as a card a
    // server sent, is read whole with no cap (std::numeric_limits' max).
    explicit InputText(QIODevice& device, qsizetype cap = MaxLength);

    // The next line with its line end as written (none on a last line that
    // has none), valid until the next call; false at the end of the input.
    bool nextLine(QByteArrayView& line);
    // The number of the line nextLine() gave last, from 1.
    int line() const { return m_line; }
    qsizetype cap() const { return m_cap; }

    // One value's bytes: in `charset` when one is named and known, else as
    // UTF-8, else as Windows-1252, when `guessed` (if given) is set.
    static QString decodeValue(QByteArrayView bytes, const QString& charset, bool* guessed = nullptr);

private:
    // Appends what the device gives next to the buffer; false at its end.
    bool fill();
    // The line from m_start to `end`.
    bool give(qsizetype end, QByteArrayView& line);

    QIODevice& m_device;
    const qsizetype m_cap;
    QByteArray m_buffer; // UTF-8, from m_start on not yet given
    qsizetype m_start = 0;
    qsizetype m_scanned = 0; // where the search for the next line end goes on
    bool m_begun = false;    // the byte-order mark looked for
    bool m_ended = false;
    std::optional<QStringDecoder> m_utf16;
    QString m_halfPair; // of UTF-16, until the next piece
    int m_line = 0;
};
