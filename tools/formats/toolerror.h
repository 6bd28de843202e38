#pragma once

#include <QString>

#include <stdexcept>

// Any other failure of a command, with the text to show the user.
class ToolError : public std::runtime_error
{
public:
    explicit ToolError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    QString message() const { return m_message; }

private:
    QString m_message;
};
