#include "app/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <cerrno>

namespace tavelo {
namespace {

// Opens and locks `path`; the descriptor on success, -1 with errno otherwise.
int LockFile(const QByteArray& path, bool& held) {
    held = false;
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        return -1;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        held = errno == EWOULDBLOCK;
        const int saved = errno;
        ::close(fd);
        errno = saved;
        return -1;
    }
    return fd;
}

// True if nobody holds a lock on the file (it is left over from a copy that has ended).
bool IsStale(const QByteArray& path) {
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool free = ::flock(fd, LOCK_SH | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

}  // namespace

SingleInstance::~SingleInstance() {
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

SingleInstance::Outcome SingleInstance::Acquire(const QString& directory) {
    if (m_fd >= 0) {
        return Outcome::Acquired;
    }
    const QString dir = directory.isEmpty() ? QDir::tempPath() : directory;
    const QByteArray path = QFile::encodeName(QDir(dir).filePath(LockFileName()));
    bool held = false;
    m_fd = LockFile(path, held);
    if (m_fd >= 0) {
        return Outcome::Acquired;
    }
    if (held) {
        return Outcome::AlreadyRunning;
    }
    // Another user's copy left its lock file behind when it ended; that file cannot be taken
    // over, so this user's copies agree on a lock of their own instead of never starting.
    if ((errno == EACCES || errno == EPERM) && IsStale(path)) {
        const QByteArray own = path + '.' + QByteArray::number(static_cast<qulonglong>(::getuid()));
        m_fd = LockFile(own, held);
        if (m_fd >= 0) {
            return Outcome::Acquired;
        }
        if (held) {
            return Outcome::AlreadyRunning;
        }
    }
    return Outcome::Unavailable;
}

}  // namespace tavelo
