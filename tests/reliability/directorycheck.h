#pragma once

#include "bookfile.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <vector>

// Reads a directory file the way a restarted program or a backup would: with
// a connection of its own, opened for each question and closed after, so a
// journal that a killed program left behind is rolled back by the engine
// first. Plain SQL only: the store is never checked with itself.
class DirectoryCheck
{
public:
    explicit DirectoryCheck(const QString& path);

    // "ok", or what the engine's integrity check found.
    QString integrity() const;
    // Every row, ordered by code.
    std::vector<BookFile::Row> rows() const;
    // Rows whose parent is neither 0 nor the code of a folder.
    std::vector<BookFile::Row> orphans() const;

private:
    template <class Read>
    void withConnection(Read&& read) const;

    QString m_path;
};

QByteArray fileBytes(const QString& path);
void writeFileBytes(const QString& path, const QByteArray& bytes);
// The names in a folder, sorted: shows a journal or a file left behind.
QStringList folderEntries(const QString& dir);
// A row printed for failure messages.
QString describe(const BookFile::Row& row);
QString describe(const std::vector<BookFile::Row>& rows);
