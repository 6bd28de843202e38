#pragma once

#include <QString>

#include <stdexcept>

namespace store {

// A failure of the database engine, carrying the engine's own message so the
// window that catches it can show the user exactly what went wrong.
class StoreError : public std::runtime_error
{
public:
    explicit StoreError(const QString& message);

    QString message() const { return m_message; }

private:
    QString m_message;
};

} // namespace store
