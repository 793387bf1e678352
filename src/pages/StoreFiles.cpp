#include "pages/StoreFiles.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include <QFile>
#include <QFileInfo>

namespace tavelo {
namespace {

// Folders below a sitting: "removed" and nothing else; deeper ones are not ours.
constexpr int kMaxDepth = 4;

QByteArray Native(const QString& path) {
    return QFile::encodeName(path);
}

bool Mine(const struct stat& st) {
    return st.st_uid == ::geteuid();
}

bool LStat(const QString& path, struct stat& st) {
    return ::lstat(Native(path).constData(), &st) == 0;
}

// Reads the open regular file `fd` to its end and closes it.
ReadResult ReadAll(int fd, qint64 cap, QByteArray& bytes) {
    if (fd < 0) {
        return ReadResult::Refused;
    }
    struct stat st {};
    ReadResult result = ReadResult::Read;
    if (::fstat(fd, &st) != 0) {
        result = ReadResult::Refused;
    } else if (st.st_size > cap) {
        result = ReadResult::TooLarge;
    } else {
        // To the end, but never past the cap: the file may grow while it is read.
        bytes.resize(static_cast<qsizetype>(st.st_size) + 1);
        qsizetype got = 0;
        for (;;) {
            if (got == bytes.size()) {
                bytes.resize(std::min<qsizetype>(2 * got, static_cast<qsizetype>(cap) + 1));
            }
            const ssize_t n =
                ::read(fd, bytes.data() + got, static_cast<size_t>(bytes.size() - got));
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                result = n < 0 ? ReadResult::Refused : ReadResult::Read;
                break;
            }
            got += n;
            if (got > cap) {
                result = ReadResult::TooLarge;
                break;
            }
        }
        bytes.resize(result == ReadResult::Read ? got : 0);
    }
    ::close(fd);
    return result;
}

bool RemoveAt(int parent, const char* name, int depth) {
    struct stat st {};
    if (::fstatat(parent, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno == ENOENT;
    }
    if (!Mine(st)) {
        return false;
    }
    if (S_ISLNK(st.st_mode) || S_ISREG(st.st_mode)) {
        return ::unlinkat(parent, name, 0) == 0;
    }
    if (!S_ISDIR(st.st_mode) || depth > kMaxDepth) {
        return false;
    }
    const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat opened {};
    if (fd < 0 || ::fstat(fd, &opened) != 0 || opened.st_dev != st.st_dev ||
        opened.st_ino != st.st_ino) {
        if (fd >= 0) {
            ::close(fd);
        }
        return false;  // it changed under us: leave it
    }
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return false;
    }
    std::vector<QByteArray> names;
    while (const dirent* e = ::readdir(dir)) {
        if (qstrcmp(e->d_name, ".") != 0 && qstrcmp(e->d_name, "..") != 0) {
            names.emplace_back(e->d_name);
        }
    }
    bool all = true;
    for (const QByteArray& n : names) {
        all = RemoveAt(::dirfd(dir), n.constData(), depth + 1) && all;
    }
    ::closedir(dir);
    return all && ::unlinkat(parent, name, AT_REMOVEDIR) == 0;
}

}  // namespace

int OpenOwnFile(const QString& path) {
    const int fd =
        ::open(Native(path).constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !Mine(st) ||
        ((st.st_mode & 07777) != 0600 && ::fchmod(fd, 0600) != 0)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool IsOwnFile(const QString& path, qint64* size) {
    struct stat st {};
    if (!LStat(path, st) || !S_ISREG(st.st_mode) || !Mine(st)) {
        return false;
    }
    if (size != nullptr) {
        *size = st.st_size;
    }
    return true;
}

bool IsOwnFolder(const QString& path) {
    struct stat st {};
    return LStat(path, st) && S_ISDIR(st.st_mode) && Mine(st);
}

bool Exists(const QString& path) {
    struct stat st {};
    return LStat(path, st) || errno != ENOENT;
}

bool MakeOwnFolder(const QString& path) {
    if (::mkdir(Native(path).constData(), 0700) != 0 && errno != EEXIST) {
        return false;
    }
    // The mode is set whatever the umask, and tightened on a folder an older run made.
    return IsOwnFolder(path) && ::chmod(Native(path).constData(), 0700) == 0;
}

ReadResult ReadOwnFile(const QString& path, qint64 cap, QByteArray& bytes) {
    bytes.clear();
    if (!Exists(path)) {
        return ReadResult::Missing;
    }
    return ReadAll(OpenOwnFile(path), cap, bytes);
}

ReadResult ReadRegularFile(const QString& path, qint64 cap, QByteArray& bytes) {
    bytes.clear();
    const int fd = ::open(Native(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    struct stat st {};
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(fd);
        return ReadResult::Refused;
    }
    return fd < 0 ? ReadResult::Missing : ReadAll(fd, cap, bytes);
}

QStringList FolderEntries(const QString& path, int cap, bool* complete) {
    QStringList names;
    if (complete != nullptr) {
        *complete = false;
    }
    const int fd =
        ::open(Native(path).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0 || !Mine(st)) {
        if (fd >= 0) {
            ::close(fd);
        }
        return names;
    }
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return names;
    }
    bool more = false;
    while (const dirent* e = ::readdir(dir)) {
        if (qstrcmp(e->d_name, ".") == 0 || qstrcmp(e->d_name, "..") == 0) {
            continue;
        }
        if (names.size() >= cap) {
            more = true;
            break;
        }
        names.append(QFile::decodeName(e->d_name));
    }
    ::closedir(dir);
    if (complete != nullptr) {
        *complete = !more;
    }
    return names;
}

bool MoveOwnFile(const QString& from, const QString& to) {
    const int fd = OpenOwnFile(from);  // checks it and makes it 0600 on the way
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return ::renameat2(AT_FDCWD, Native(from).constData(), AT_FDCWD, Native(to).constData(),
                       RENAME_NOREPLACE) == 0;
}

bool RemoveTree(const QString& path) {
    const QFileInfo info(path);
    const int parent =
        ::open(Native(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (parent < 0) {
        return !Exists(path);
    }
    const bool gone = RemoveAt(parent, Native(info.fileName()).constData(), 0);
    ::close(parent);
    return gone;
}

int LockFolder(const QString& folder) {
    if (!IsOwnFolder(folder)) {
        return -1;
    }
    const QByteArray lock = Native(folder + QStringLiteral("/lock"));
    const int fd = ::open(lock.constData(),
                          O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0600);
    if (fd < 0) {
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !Mine(st) ||
        ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    ::fchmod(fd, 0600);
    return fd;
}

}  // namespace tavelo
