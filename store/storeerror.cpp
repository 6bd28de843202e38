#include "store/storeerror.h"

#include <QSqlError>

namespace store {

namespace {

// The engine's primary result code for a file another connection has locked.
constexpr int EngineBusy = 5;

bool isBusy(const QSqlError& error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok && (code & 0xff) == EngineBusy;
}

} // namespace

StoreError::StoreError(const QString& message, bool busy)
    : std::runtime_error(message.toStdString())
    , m_message(message)
    , m_busy(busy)
{
}

StoreError StoreError::fromEngine(const QSqlError& error, const QString& fileName)
{
    return StoreError(engineMessage(error, fileName), isBusy(error));
}

QString StoreError::engineMessage(const QSqlError& error, const QString& fileName)
{
    if (isBusy(error))
        return busyMessage(fileName);
    // The driver adds words of its own ("Unable to fetch row"); the engine's
    // say what went wrong, and are what a user can look up.
    const QString engine = error.databaseText().trimmed();
    if (!engine.isEmpty())
        return engine;
    const QString driver = error.driverText().trimmed();
    return driver.isEmpty() ? error.text() : driver;
}

QString StoreError::busyMessage(const QString& fileName)
{
    return fileName + QStringLiteral(" is in use by another program; try again when it has finished");
}

} // namespace store
