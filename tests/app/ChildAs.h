#pragma once

#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QString>
#include <functional>

#include "app/SingleInstance.h"

namespace tavelo::test {

// Runs `body` in a child process as user and group `uid` (a bare number needs no account),
// with no runtime folder and a cache folder of its own in `shared`. The child answers with
// the body's result, 0..254, and stays, holding whatever it opened, until it is killed.
// `result` is -1 when the child failed or did not answer within five seconds.
class ChildAs {
public:
    ChildAs(uid_t uid, const QString& shared, const std::function<int()>& body) {
        int fds[2];
        if (::pipe(fds) != 0) {
            return;
        }
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(fds[0]);
            const QByteArray cache =
                QFile::encodeName(QStringLiteral("%1/cache-%2").arg(shared).arg(uid));
            ::unsetenv("XDG_RUNTIME_DIR");
            ::setenv("XDG_CACHE_HOME", cache.constData(), 1);
            int answer = -1;
            if (::setgroups(0, nullptr) == 0 && ::setresgid(uid, uid, uid) == 0 &&
                ::setresuid(uid, uid, uid) == 0) {
                answer = body();
            }
            const unsigned char byte = answer < 0 || answer > 254 ? 255 : answer;
            if (::write(fds[1], &byte, 1) != 1) {
                ::_exit(1);
            }
            for (;;) {
                ::pause();
            }
        }
        ::close(fds[1]);
        pollfd ready{fds[0], POLLIN, 0};
        unsigned char byte = 255;
        if (m_pid > 0 && ::poll(&ready, 1, 5000) == 1 && ::read(fds[0], &byte, 1) == 1 &&
            byte != 255) {
            result = byte;
        }
        ::close(fds[0]);
    }
    ~ChildAs() { Kill(); }
    ChildAs(const ChildAs&) = delete;
    ChildAs& operator=(const ChildAs&) = delete;

    // Ends the child at once, as a crash would.
    void Kill() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }

    // A copy of the program taking its locks in the child; they are kept until it ends.
    static SingleInstance::Outcome Copy(const QString& shared) {
        static SingleInstance instance;
        return instance.Acquire(shared);
    }

    int result = -1;

private:
    pid_t m_pid = -1;
};

}  // namespace tavelo::test
