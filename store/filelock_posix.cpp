#include "store/filelock.h"

#include "store/storeerror.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace store {

namespace {

// The first byte past the 512 the engine locks at 1 GiB: the engine's locks
// and this one never meet. It lies in the page the engine never fills with
// data whenever pages are 1 KiB or more (4 KiB unless set otherwise), so on
// file systems whose locks bar reading and writing (SMB) no data lies under it.
constexpr off_t LockByte = 0x40000000 + 512;

QString systemError(const QString& fileName, int error)
{
    return fileName + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

FileLock::FileLock(const QString& fileName)
{
    // A lock of the open file, not of the process (as flock is, and unlike a
    // plain fcntl lock, which the engine's closing of any descriptor of its
    // own would drop). It is a byte-range lock, which works on NFS as it
    // does on a local disk; flock there is emulated as a lock of the whole
    // file, which the server would hold against the engine's own locks.
    //
    // A write lock needs a descriptor open for writing. Where the file can
    // only be read, a read lock still keeps out every copy that could write;
    // that start is refused as unwritable later, with the engine's words.
    const QByteArray path = QFile::encodeName(fileName);
    short type = F_WRLCK;
    m_fd = ::open(path.constData(), O_RDWR | O_CLOEXEC);
    if (m_fd < 0 && (errno == EACCES || errno == EROFS || errno == EPERM)) {
        type = F_RDLCK;
        m_fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    }
    if (m_fd < 0)
        throw StoreError(systemError(fileName, errno));
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = LockByte;
    lock.l_len = 1;
    if (::fcntl(m_fd, F_OFD_SETLK, &lock) != 0) {
        const int error = errno;
        ::close(m_fd);
        m_fd = -1;
        if (error == EAGAIN || error == EACCES)
            throw StoreError(fileName + QStringLiteral(" is already open in another copy of Quorvelin."), true);
        throw StoreError(systemError(fileName, error));
    }
}

FileLock::~FileLock()
{
    // Closing a descriptor drops the engine's own fcntl locks on the file
    // too, which is why the lock outlives the open database.
    if (m_fd >= 0)
        ::close(m_fd);
}

} // namespace store
