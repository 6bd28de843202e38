#include "store/transaction.h"

#include "store/database.h"

#include <QString>

namespace store {

Transaction::Transaction(Database& database)
    : m_database(database)
{
    // Immediate: the write lock is taken now, so a command never finds out
    // half way through that it cannot write.
    m_database.execute(QStringLiteral("begin immediate"));
}

Transaction::~Transaction()
{
    if (!m_open)
        return;
    try {
        m_database.execute(QStringLiteral("rollback"));
    } catch (...) {
        // Nothing more can be done: the engine rolls back an unfinished
        // transaction itself when the file is next opened.
    }
}

void Transaction::Commit()
{
    m_database.execute(QStringLiteral("commit"));
    m_open = false;
}

} // namespace store
