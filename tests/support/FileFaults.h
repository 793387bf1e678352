#pragma once

// File-system faults for the length of a guard: a folder that takes no new file, and a disk
// that fills up in the middle of a write.

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QFile>
#include <QString>

namespace tavelo::test {

// A folder no file can be created in, for the whole life of the guard. Root passes every
// permission check, so as root the guard also takes an ordinary user's identity for the
// file system until it ends.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& path) : m_path(path) {
        QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                          QFileDevice::ReadOther | QFileDevice::ExeOther);
        if (geteuid() == 0) {
            m_bSwitched = seteuid(kNobody) == 0;
        }
    }
    ~ReadOnlyFolder() {
        if (m_bSwitched) {
            [[maybe_unused]] const int r = seteuid(0);
        }
        QFile::setPermissions(
            m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    bool Holds() const { return geteuid() != 0; }

private:
    static constexpr uid_t kNobody = 65534;
    QString m_path;
    bool m_bSwitched = false;
};

// Files of this process cannot grow past `bytes` while the guard lives: a disk that fills up
// in the middle of a write, as the writer sees it.
class FullDisk {
public:
    explicit FullDisk(rlim_t bytes) {
        m_oldHandler = signal(SIGXFSZ, SIG_IGN);  // a failed write, not a killed process
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit small = m_old;
        small.rlim_cur = bytes;
        m_bSet = setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FullDisk() {
        setrlimit(RLIMIT_FSIZE, &m_old);
        signal(SIGXFSZ, m_oldHandler);
    }
    bool Holds() const { return m_bSet; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_bSet = false;
};

}  // namespace tavelo::test
