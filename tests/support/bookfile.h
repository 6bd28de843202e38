#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

#include <vector>

// A directory file in a fresh temporary folder, built and inspected with
// plain SQL so that tests never check the store with the store itself. While
// it lives, the working directory is its folder, where the program looks for
// quorvelin.mdb.
class BookFile
{
public:
    struct Row
    {
        qint64 code;
        QString name;
        QVariant tel; // as stored: normally an integer
        qint64 parent;
        bool operator==(const Row&) const = default;
    };

    // Creates quorvelin.mdb with table `book`; `columns` lets a test spell the
    // four columns differently.
    explicit BookFile(const QString& columns = QStringLiteral(
                          "code integer primary key, name text, tel integer, parent integer"));
    // No file at all: for tests of a missing directory.
    struct NoFile {};
    explicit BookFile(NoFile);
    ~BookFile();

    BookFile(const BookFile&) = delete;
    BookFile& operator=(const BookFile&) = delete;

    QString dir() const { return m_dir.path(); }
    QString path() const;

    void add(qint64 code, const QString& name, const QVariant& tel, qint64 parent);
    void exec(const QString& sql);
    // Closes the connection (the next call opens it again): a file in WAL
    // mode keeps files beside it while one is open.
    void close();
    // The first column of the first row `sql` yields; null when it yields none.
    QVariant value(const QString& sql);

    // Every row, ordered by code.
    std::vector<Row> rows();
    std::vector<Row> rows(const QString& where);
    int count();

private:
    QSqlDatabase connection();

    QTemporaryDir m_dir;
    QString m_oldCwd;
    QString m_connectionName;
};
