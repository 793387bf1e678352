#pragma once

#include <QString>
#include <functional>
#include <memory>

class QLocalServer;

namespace tavelo {

// One running copy per user, and word of another user's copy.
//
// The user's own lock is a file in a folder only that user can write to ($XDG_RUNTIME_DIR,
// else a private folder of the user's in the temporary folder, else the user's cache folder),
// locked with flock for as long as the process lives: the kernel drops the lock when the
// process ends, however it ends. Beside it a local socket lets a second copy bring the first
// to the front.
//
// The shared lock, `Tavelo(ZEV).lock` in the temporary folder, only tells users apart: each
// copy holds it locked, so a lock held there while the user's own lock is free belongs to
// another user's copy. Whatever else is found at that name (a FIFO, a folder, a link, a file
// nobody holds) is not taken for a running copy and never opened in a way that could block,
// follow a link or create a file elsewhere.
class SingleInstance {
public:
    enum class Outcome {
        Acquired,        // this is the user's only copy
        AlreadyRunning,  // the user's own copy holds the lock: end silently
        Unavailable,     // another user's copy runs: "Another user is using Tavelo."
    };

    SingleInstance();
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Tries to take both locks, the shared one in `sharedDir` (default: the temporary folder,
    // which is also where the user's private folder is made when it is needed).
    Outcome Acquire(const QString& sharedDir = QString());

    // After Acquired: calls `onRequest` whenever a second copy asks this one to come forward.
    bool Listen(std::function<void()> onRequest);
    // After AlreadyRunning: asks the running copy to come forward; false if it did not hear.
    bool AskRunningCopy() const;

    static QString LockFileName() { return QStringLiteral("Tavelo(ZEV).lock"); }
    // The user's own lock and socket, once Acquire has chosen their folder.
    QString UserLockPath() const;
    QString SocketPath() const;

private:
    int m_userFd = -1;
    int m_sharedFd = -1;
    QString m_userDir;
    std::unique_ptr<QLocalServer> m_server;
};

}  // namespace tavelo
