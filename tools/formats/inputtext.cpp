#include "tools/formats/inputtext.h"

#include "tools/formats/formaterror.h"

#include <QIODevice>

#include <algorithm>
#include <utility>

namespace {

// What is asked of the device at a time.
constexpr qsizetype Piece = 64 * 1024;

bool isLineEnd(char c)
{
    return c == '\n' || c == '\r';
}

} // namespace

InputText::InputText(QIODevice& device, qsizetype cap)
    : m_device(device)
    , m_cap(cap)
{
}

bool InputText::nextLine(QByteArrayView& line)
{
    for (;;) {
        const char* const data = m_buffer.constData();
        const qsizetype size = m_buffer.size();
        const qsizetype at = std::find_if(data + m_scanned, data + size, isLineEnd) - data;
        if (at - m_start > m_cap)
            throw FormatError(m_line + 1, QStringLiteral("a line longer than 1 MB, which no contact file has"));
        if (at == size) {
            m_scanned = size;
            if (fill())
                continue;
            if (m_start == m_buffer.size())
                return false;
            return give(m_buffer.size(), line); // the last line, without a line end
        }
        if (data[at] == '\r' && !m_ended && (at + 1 == size || (at + 2 == size && data[at + 1] == '\r'))) {
            // Whether a CR ends the line alone is told by what follows it.
            m_scanned = at;
            fill();
            continue;
        }
        if (data[at] == '\r' && at + 1 < size && data[at + 1] == '\n')
            return give(at + 2, line);
        if (data[at] == '\r' && at + 2 < size && data[at + 1] == '\r' && data[at + 2] == '\n')
            return give(at + 3, line); // CR CR LF, one line end
        return give(at + 1, line);
    }
}

bool InputText::give(qsizetype end, QByteArrayView& line)
{
    line = QByteArrayView(m_buffer).sliced(m_start, end - m_start);
    m_start = m_scanned = end;
    ++m_line;
    return true;
}

bool InputText::fill()
{
    if (m_ended)
        return false;
    // What was given goes; the line being read stays, moved once.
    if (m_start > 0) {
        m_buffer.remove(0, m_start);
        m_scanned -= m_start;
        m_start = 0;
    }
    QByteArray piece(Piece, Qt::Uninitialized);
    const qint64 read = m_device.read(piece.data(), Piece);
    m_ended = read <= 0;
    piece.truncate(std::max<qint64>(read, 0));
    if (!m_begun) {
        // The byte-order mark is told by the first three bytes, which a
        // slow pipe may give one at a time.
        m_buffer += piece;
        if (m_buffer.size() < 3 && !m_ended)
            return true;
        m_begun = true;
        piece = std::exchange(m_buffer, QByteArray());
        if (piece.startsWith("\xFF\xFE") || piece.startsWith("\xFE\xFF")) {
            m_utf16.emplace(piece.startsWith("\xFF\xFE") ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
            piece.remove(0, 2);
        } else if (piece.startsWith("\xEF\xBB\xBF")) {
            piece.remove(0, 3);
        }
    }
    if (!m_utf16) {
        m_buffer += piece;
        return !m_ended || !piece.isEmpty();
    }
    // The first half of a pair waits for its second, which the next piece
    // may bring: UTF-8 has no halves.
    QString text = m_halfPair + m_utf16->decode(piece);
    m_halfPair.clear();
    if (!m_ended && !text.isEmpty() && text.back().isHighSurrogate()) {
        m_halfPair = text.back();
        text.chop(1);
    }
    m_buffer += text.toUtf8();
    return !m_ended || !text.isEmpty();
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
