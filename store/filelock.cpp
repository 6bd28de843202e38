#include "store/filelock.h"

#include "store/storeerror.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace store {

FileLock::FileLock(const QString& fileName)
{
    // flock, not fcntl: the engine keeps fcntl locks of its own on the file,
    // and the two kinds do not interfere. Closing this descriptor would drop
    // the engine's fcntl locks too, so it must outlive the open database.
    m_fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0)
        throw StoreError(fileName + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno)));
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(m_fd);
        m_fd = -1;
        if (error == EWOULDBLOCK)
            throw StoreError(fileName + QStringLiteral(" is already open in another copy of Quorvelin."));
        throw StoreError(fileName + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error)));
    }
}

FileLock::~FileLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

} // namespace store
