#pragma once

#include <QString>

namespace tavelo {

// One running copy per machine: a lock file in the system's temporary folder, locked with
// flock for as long as the process lives (the kernel drops the lock when it ends).
class SingleInstance {
public:
    enum class Outcome {
        Acquired,        // this is the only copy
        AlreadyRunning,  // another copy holds the lock: end silently
        Unavailable,     // the lock exists but cannot be opened: "Another user is using Tavelo."
    };

    SingleInstance() = default;
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Tries to take the lock in `directory` (default: the system temporary folder).
    Outcome Acquire(const QString& directory = QString());

    static QString LockFileName() { return QStringLiteral("Tavelo(ZEV).lock"); }

private:
    int m_fd = -1;
};

}  // namespace tavelo
