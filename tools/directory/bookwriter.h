#pragma once

#include "tools/directory/samplebook.h"

#include <QString>

#include <vector>

// Writes a brand-new directory file. A file that already exists is never
// opened, not even to read it: the user's directory must not be touched.
class BookWriter
{
public:
    explicit BookWriter(const QString& path);

    // Creates the file with an empty `book` table and its index and adds
    // `rows`, all in one transaction. On failure no file is left behind and
    // errorString() says why.
    bool create(const std::vector<SampleBook::Row>& rows);
    QString errorString() const { return m_error; }

private:
    QString m_path;
    QString m_error;
};
