#include "tools/formats/csvreader.h"

#include "tools/formats/formaterror.h"
#include "tools/formats/inputtext.h"

namespace {

// Only a field in quotes carries a record over lines; no real one is as long.
FormatError runsOn(int line)
{
    return FormatError(line, QStringLiteral("a quoted field opened on this line runs on for more than 1 MB, which "
                                            "no contact file has; is a closing quote missing?"));
}

} // namespace

CsvReader::CsvReader(InputText& input)
    : m_input(input)
{
}

bool CsvReader::read(Line& line)
{
    QByteArrayView bytes;
    if (!m_input.nextLine(bytes))
        return false;
    bool guessed = false;
    line = {InputText::decodeValue(bytes, QString(), &guessed), m_input.line()};
    if (guessed && !m_guessedFrom)
        m_guessedFrom = line.number;
    return true;
}

bool CsvReader::advance()
{
    if (m_ahead.empty()) {
        if (!read(m_line))
            return false;
    } else {
        m_line = std::move(m_ahead.front());
        m_ahead.pop_front();
    }
    m_pos = 0;
    return true;
}

QChar CsvReader::firstSeparator()
{
    int commas = 0, semicolons = 0, tabs = 0;
    bool inQuotes = false;
    qsizetype size = 0;
    // Blank lines before the first record are skipped, as next() skips them.
    for (Line line; (m_ahead.empty() || inQuotes) && read(line);) {
        if (m_ahead.empty() && (line.text.front() == u'\n' || line.text.front() == u'\r'))
            continue;
        for (const QChar c : line.text) {
            if (c == u'"') {
                inQuotes = !inQuotes;
            } else if (!inQuotes && c != u'\n' && c != u'\r') {
                commas += c == u',';
                semicolons += c == u';';
                tabs += c == u'\t';
            }
        }
        size += line.text.size();
        if (size > m_input.cap())
            throw runsOn(m_ahead.empty() ? line.number : m_ahead.front().number);
        m_ahead.push_back(std::move(line));
    }
    if (semicolons > commas && semicolons >= tabs)
        return u';';
    if (tabs > commas && tabs > semicolons)
        return u'\t';
    return u',';
}

bool CsvReader::next(Record& record)
{
    if (m_separator.isNull())
        m_separator = firstSeparator();
    for (;;) {
        if (m_pos >= m_line.text.size() && !advance())
            return false;
        if (atLineEnd()) { // a blank line
            m_pos = m_line.text.size();
            continue;
        }
        record = Record{{}, m_line.number, {}};
        m_recordSize = m_line.text.size();
        readRecord(record);
        return true;
    }
}

bool CsvReader::atLineEnd() const
{
    return m_pos >= m_line.text.size() || m_line.text[m_pos] == u'\n' || m_line.text[m_pos] == u'\r';
}

void CsvReader::readRecord(Record& record)
{
    for (;;) {
        record.fields.append(readField(record));
        if (atLineEnd()) {
            m_pos = m_line.text.size(); // the line end
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
    QString value;
    if (m_pos < m_line.text.size() && m_line.text[m_pos] == u'"') {
        qsizetype run = ++m_pos;
        for (;;) {
            const QStringView text(m_line.text);
            if (m_pos >= text.size()) {
                // The field goes on in the next line, line end and all.
                value += text.sliced(run);
                if (!advance()) {
                    problem(QStringLiteral("a quoted field opened here is never closed"));
                    return value;
                }
                m_recordSize += m_line.text.size();
                if (m_recordSize > m_input.cap())
                    throw runsOn(record.line);
                run = 0;
                continue;
            }
            if (text[m_pos] == u'"') {
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
            ++m_pos;
        }
        if (!atLineEnd() && m_line.text[m_pos] != m_separator)
            problem(QStringLiteral("text after the closing quote of a field"));
    }
    const qsizetype run = m_pos;
    while (!atLineEnd() && m_line.text[m_pos] != m_separator) {
        if (m_line.text[m_pos] == u'"')
            problem(QStringLiteral("a quote inside a field that does not start with one"));
        ++m_pos;
    }
    value += QStringView(m_line.text).sliced(run, m_pos - run);
    return value;
}
