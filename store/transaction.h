#pragma once

namespace store {

class Database;

// All of a command's writes or none of them: rolled back unless committed.
class Transaction
{
public:
    explicit Transaction(Database& database); // throws StoreError
    ~Transaction();

    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;

    void Commit(); // throws StoreError; the writes are then on disk

private:
    Database& m_database;
    bool m_open = true;
};

} // namespace store
