#include "app/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <cerrno>

namespace tavelo {
namespace {

// Opens never follow a link at the last step, never wait for a FIFO's other end, and are
// not inherited by programs started from here.
constexpr int kSafeOpen = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

// A folder that only this user can change: a real folder (not a link), owned by the user,
// with no write permission for anyone else.
bool IsPrivateFolder(const QString& dir) {
    struct stat st {};
    return !dir.isEmpty() && ::lstat(Native(dir).constData(), &st) == 0 && S_ISDIR(st.st_mode) &&
           st.st_uid == ::geteuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// `dir`, made private to the user if it does not exist yet; empty if it cannot be.
QString PrivateFolder(const QString& dir) {
    if (::mkdir(Native(dir).constData(), 0700) != 0 && errno != EEXIST) {
        return {};
    }
    return IsPrivateFolder(dir) ? dir : QString();
}

QString UserFolderIn(const QString& parent) {
    return QDir(parent).filePath(QStringLiteral("Tavelo(ZEV)-%1").arg(::geteuid()));
}

QString UserFolder(const QString& temp) {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (IsPrivateFolder(runtime)) {
        return runtime;
    }
    QString dir = PrivateFolder(UserFolderIn(temp));
    if (dir.isEmpty()) {
        // Someone else took the name in the temporary folder: the user's own cache instead.
        const QString cache =
            QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
        if (!cache.isEmpty() && QDir().mkpath(cache)) {
            dir = PrivateFolder(UserFolderIn(cache));
        }
    }
    return dir;
}

// The descriptor of a regular file at `path`, or -1. Anything else found there is closed at
// once without reading from it.
int OpenRegular(const QByteArray& path, int flags, mode_t mode = 0) {
    const int fd = ::open(path.constData(), flags | kSafeOpen, mode);
    if (fd < 0) {
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

enum class Lock { Taken, Held, Failed };

Lock TryLock(int fd) {
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        return Lock::Taken;
    }
    return errno == EWOULDBLOCK ? Lock::Held : Lock::Failed;
}

void Close(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

}  // namespace

SingleInstance::SingleInstance() = default;

SingleInstance::~SingleInstance() {
    if (m_server) {
        m_server->close();  // removes the socket file before the lock that guards it goes
    }
    Close(m_sharedFd);
    Close(m_userFd);
}

SingleInstance::Outcome SingleInstance::Acquire(const QString& sharedDir) {
    if (m_userFd >= 0) {
        return Outcome::Acquired;
    }
    const QString temp = sharedDir.isEmpty() ? QDir::tempPath() : sharedDir;
    m_userDir = UserFolder(temp);

    // The user's own copies first: a second one ends silently whoever else runs.
    if (!m_userDir.isEmpty()) {
        m_userFd = OpenRegular(Native(UserLockPath()), O_RDWR | O_CREAT, 0600);
    }
    if (m_userFd >= 0) {
        const Lock own = TryLock(m_userFd);
        if (own == Lock::Held) {
            Close(m_userFd);
            return Outcome::AlreadyRunning;
        }
        if (own == Lock::Failed) {
            Close(m_userFd);  // a folder without locks: nothing to agree on, as below
        }
    }

    // Then the shared name, to hear of other users. A file made here is readable by all so
    // that their copies can try its lock; one that is there already is only opened.
    const QByteArray shared = Native(QDir(temp).filePath(LockFileName()));
    m_sharedFd = OpenRegular(shared, O_RDONLY | O_CREAT | O_EXCL, 0644);
    if (m_sharedFd >= 0) {
        ::fchmod(m_sharedFd, 0644);
    } else if (errno == EEXIST) {
        m_sharedFd = OpenRegular(shared, O_RDONLY);
    }
    if (m_sharedFd >= 0) {
        const Lock other = TryLock(m_sharedFd);
        if (other == Lock::Held && m_userFd >= 0) {
            // Our own lock is free, so the holder is not one of this user's copies.
            Close(m_sharedFd);
            Close(m_userFd);
            return Outcome::Unavailable;
        }
        if (other != Lock::Taken) {
            Close(m_sharedFd);
        }
    }
    // Without a usable lock of its own (no private folder, no locks there) the program still
    // starts: one copy too many is better than none at all.
    return Outcome::Acquired;
}

QString SingleInstance::UserLockPath() const {
    return m_userDir.isEmpty() ? QString() : QDir(m_userDir).filePath(LockFileName());
}

QString SingleInstance::SocketPath() const {
    return m_userDir.isEmpty() ? QString()
                               : QDir(m_userDir).filePath(QStringLiteral("Tavelo(ZEV).socket"));
}

bool SingleInstance::Listen(std::function<void()> onRequest) {
    if (m_userFd < 0 || m_server) {
        return false;
    }
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // The lock is ours, so a socket left at the name is a crashed copy's.
    QLocalServer::removeServer(SocketPath());
    QObject::connect(m_server.get(), &QLocalServer::newConnection, m_server.get(),
                     [server = m_server.get(), onRequest = std::move(onRequest)] {
                         while (QLocalSocket* socket = server->nextPendingConnection()) {
                             // The connection itself is the request; nothing is read from it.
                             socket->disconnectFromServer();
                             socket->deleteLater();
                             onRequest();
                         }
                     });
    return m_server->listen(SocketPath());
}

bool SingleInstance::AskRunningCopy() const {
    if (m_userDir.isEmpty()) {
        return false;
    }
    QLocalSocket socket;
    socket.connectToServer(SocketPath());
    if (!socket.waitForConnected(1000)) {
        return false;
    }
    socket.disconnectFromServer();
    return true;
}

}  // namespace tavelo
