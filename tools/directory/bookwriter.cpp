#include "tools/directory/bookwriter.h"

#include "store/database.h"
#include "store/statements.h"
#include "store/storeerror.h"
#include "store/transaction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

BookWriter::BookWriter(const QString& path)
    : m_path(path)
{
}

bool BookWriter::create(const std::vector<SampleBook::Row>& rows)
{
    const QFileInfo info(m_path);
    // A dangling link counts as existing: following it would create a file
    // somewhere the user did not name.
    if (info.exists() || info.isSymLink()) {
        m_error = QStringLiteral("%1 already exists; it was left untouched.").arg(m_path);
        return false;
    }
    if (!QDir().mkpath(info.absolutePath())) {
        m_error = QStringLiteral("cannot create the folder %1.").arg(info.absolutePath());
        return false;
    }
    // Claiming the name with an exclusive create closes the gap between the
    // check above and the engine's open: a file that appeared meanwhile makes
    // this fail instead of being opened. The engine takes an empty file as an
    // empty database.
    QFile claim(m_path);
    if (!claim.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        m_error = QStringLiteral("cannot create %1: %2.").arg(m_path, claim.errorString());
        return false;
    }
    claim.close();

    try {
        store::Database database(m_path);
        store::Transaction transaction(database);
        for (const QString& sql : store::Statements::Schema())
            database.execute(sql);
        for (const SampleBook::Row& row : rows)
            database.execute(store::Statements::Insert(row.code, row.name, row.tel, row.parent));
        // Committed with a full sync, as the program's own commands are: the
        // new file is complete on disk when this ends, or absent.
        transaction.Commit();
    } catch (const store::StoreError& error) {
        m_error = QStringLiteral("cannot write %1: %2").arg(m_path, error.message());
        // Both files are ours: the name was free before the claim.
        QFile::remove(m_path + QStringLiteral("-journal"));
        QFile::remove(m_path);
        return false;
    }
    return true;
}
