#pragma once

#include <QString>
#include <QStringList>

#include <stdexcept>

// One folder or entry as the text formats carry it: by the names of the
// folders above it rather than by codes, which mean nothing in another file.
struct FlatRecord
{
    QStringList path; // folder names from the top level down; empty at the top
    QString name;
    qint64 tel = 0;   // 0 for a folder
    int line = 0;     // where an imported record starts in its file, for messages

    bool isFolder() const { return tel == 0; }
    // The line is where a record was read, not part of what it is.
    bool operator==(const FlatRecord& other) const
    {
        return path == other.path && name == other.name && tel == other.tel;
    }
};

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
