#pragma once

#include <QString>

#include <stdexcept>

// An input file that cannot be read as a whole: nothing of it is stored.
class FormatError : public std::runtime_error
{
public:
    FormatError(int line, const QString& message)
        : std::runtime_error(message.toStdString()), m_line(line), m_message(message)
    {
    }
    int line() const { return m_line; }
    QString message() const { return m_message; }

private:
    int m_line;
    QString m_message;
};
