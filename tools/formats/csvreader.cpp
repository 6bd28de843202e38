#include "tools/formats/csvreader.h"

CsvReader::CsvReader(const QString& text, QChar separator)
    : m_text(text)
    , m_separator(separator)
{
}

QChar CsvReader::separatorOf(const QString& text)
{
    int commas = 0, semicolons = 0, tabs = 0;
    bool inQuotes = false;
    bool started = false; // blank lines before the first are skipped, as next() skips them
    for (const QChar c : text) {
        if (c == u'"') {
            inQuotes = !inQuotes;
        } else if (!inQuotes && (c == u'\n' || c == u'\r')) {
            if (started)
                break;
        } else if (!inQuotes) {
            commas += c == u',';
            semicolons += c == u';';
            tabs += c == u'\t';
        }
        started = started || (c != u'\n' && c != u'\r');
    }
    if (semicolons > commas && semicolons >= tabs)
        return u';';
    if (tabs > commas && tabs > semicolons)
        return u'\t';
    return u',';
}

bool CsvReader::next(Record& record)
{
    while (m_pos < m_text.size()) {
        record = Record{{}, m_line, {}};
        if (atLineEnd()) { // a blank line
            skipLineEnd();
            continue;
        }
        readRecord(record);
        return true;
    }
    return false;
}

bool CsvReader::atLineEnd() const
{
    return m_text[m_pos] == u'\n' || m_text[m_pos] == u'\r';
}

void CsvReader::skipLineEnd()
{
    if (m_text[m_pos] == u'\r' && m_pos + 1 < m_text.size() && m_text[m_pos + 1] == u'\n')
        ++m_pos;
    ++m_pos;
    ++m_line;
}

void CsvReader::readRecord(Record& record)
{
    for (;;) {
        record.fields.append(readField(record));
        if (m_pos >= m_text.size())
            return;
        if (atLineEnd()) {
            skipLineEnd();
            return;
        }
        ++m_pos; // the separator
    }
}

QString CsvReader::readField(Record& record)
{
    const auto problem = [&](const QString& text) {
        if (record.problem.isEmpty())
            record.problem = text;
    };
    // Text is taken a run at a time, up to the next quote or the field's end.
    const QStringView text(m_text);
    QString value;
    if (m_pos < text.size() && text[m_pos] == u'"') {
        qsizetype run = ++m_pos;
        for (;;) {
            if (m_pos >= text.size()) {
                value += text.sliced(run);
                problem(QStringLiteral("a quoted field opened here is never closed"));
                return value;
            }
            const QChar c = text[m_pos];
            if (c == u'"') {
                value += text.sliced(run, m_pos - run);
                if (m_pos + 1 < text.size() && text[m_pos + 1] == u'"') {
                    value += u'"';
                    m_pos += 2;
                    run = m_pos;
                    continue;
                }
                ++m_pos;
                break;
            }
            if (c == u'\n' || (c == u'\r' && !(m_pos + 1 < text.size() && text[m_pos + 1] == u'\n')))
                ++m_line;
            ++m_pos;
        }
        if (m_pos < text.size() && text[m_pos] != m_separator && !atLineEnd())
            problem(QStringLiteral("text after the closing quote of a field"));
    }
    const qsizetype run = m_pos;
    while (m_pos < text.size() && text[m_pos] != m_separator && !atLineEnd()) {
        if (text[m_pos] == u'"')
            problem(QStringLiteral("a quote inside a field that does not start with one"));
        ++m_pos;
    }
    value += text.sliced(run, m_pos - run);
    return value;
}
