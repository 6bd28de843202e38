#pragma once

#include <QString>

namespace store {

// Keeps other copies of the program off a directory file for as long as it
// lives. Two copies on one file would hand out the same codes. The lock is
// advisory: readers such as a backup still read the file. Each platform has
// a source file of its own behind this header.
class FileLock
{
public:
    // Throws StoreError when another copy holds the file.
    explicit FileLock(const QString& fileName);
    ~FileLock();

    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

private:
    int m_fd = -1;
};

} // namespace store
