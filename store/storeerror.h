#pragma once

#include <QString>

#include <stdexcept>

class QSqlError;

namespace store {

// A failure of the database engine, carrying the engine's own message so the
// window that catches it can show the user exactly what went wrong.
class StoreError : public std::runtime_error
{
public:
    explicit StoreError(const QString& message, bool busy = false);

    // The failure of an engine call on `fileName`, in the words shown to the
    // user: the engine's own, or, when another program holds the file for
    // longer than the engine waits, that it is in use.
    static StoreError fromEngine(const QSqlError& error, const QString& fileName);
    // What fromEngine says, for callers that report it in a sentence of their own.
    static QString engineMessage(const QSqlError& error, const QString& fileName);
    static QString busyMessage(const QString& fileName);

    QString message() const { return m_message; }
    // Another program holds the file: trying again later may succeed.
    bool busy() const { return m_busy; }

private:
    QString m_message;
    bool m_busy = false;
};

} // namespace store
