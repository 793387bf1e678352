#include "picture/DurableFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <random>

#include "picture/PictureResult.h"

namespace tavelo {

namespace {

// ".tavelo-" and six letters or digits: 14 bytes, so that next to a target of any legal
// name there is room for it.
constexpr char kPrefix[] = ".tavelo-";
constexpr std::size_t kPrefixLength = sizeof kPrefix - 1;
constexpr std::size_t kNameLength = kPrefixLength + 6;
// A save writes for milliseconds; a temporary file untouched this long is no save's any more.
constexpr time_t kLeftAfterSeconds = 60;

class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0) {
            close(m_fd);
        }
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int Get() const { return m_fd; }
    bool Close() {
        const int fd = m_fd;
        m_fd = -1;
        return close(fd) == 0;
    }

private:
    int m_fd;
};

bool IsOurTemporaryName(const char* name) {
    if (std::strlen(name) != kNameLength || std::strncmp(name, kPrefix, kPrefixLength) != 0) {
        return false;
    }
    for (std::size_t i = kPrefixLength; i < kNameLength; ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (!(c >= '0' && c <= '9') && !(c >= 'A' && c <= 'Z') && !(c >= 'a' && c <= 'z')) {
            return false;
        }
    }
    return true;
}

// Removes what a save killed between creating its temporary file and renaming it left:
// our name, our user's, a regular file, and not written to for a while.
void RemoveLeftovers(int folder) {
    const int fd = dup(folder);
    DIR* dir = fd >= 0 ? fdopendir(fd) : nullptr;
    if (dir == nullptr) {
        if (fd >= 0) {
            close(fd);
        }
        return;
    }
    const time_t now = time(nullptr);
    while (const dirent* entry = readdir(dir)) {
        struct stat st {};
        if (IsOurTemporaryName(entry->d_name) &&
            fstatat(folder, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
            st.st_uid == geteuid() && now - st.st_mtime > kLeftAfterSeconds) {
            unlinkat(folder, entry->d_name, 0);
        }
    }
    closedir(dir);
}

int CreateTemporary(int folder, mode_t mode, char (&name)[kNameLength + 1]) {
    static constexpr char kChars[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device random;
    std::memcpy(name, kPrefix, kPrefixLength);
    name[kNameLength] = '\0';
    for (int attempt = 0; attempt < 100; ++attempt) {
        for (std::size_t i = kPrefixLength; i < kNameLength; ++i) {
            name[i] = kChars[random() % (sizeof kChars - 1)];
        }
        const int fd =
            openat(folder, name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

bool WriteAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;  // a full disk, or a file-size limit (its signal ignored)
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::int16_t WriteFileDurably(const QString& path, const QByteArray& bytes, WriteFailure* why) {
    // What stopped the write, from errno as the failed step left it.
    const auto failed = [why](std::int16_t code, bool notRegularFile = false) {
        if (why != nullptr) {
            why->error = notRegularFile ? 0 : errno;
            why->notRegularFile = notRegularFile;
        }
        return code;
    };
    QByteArray target = QFile::encodeName(path);
    struct stat st {};
    if (lstat(target.constData(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char* real = realpath(target.constData(), nullptr);
        if (real == nullptr) {
            return failed(PIC_FILE_OPEN);
        }
        target = real;
        std::free(real);
    }
    bool exists = false;
    if (stat(target.constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            return failed(PIC_FILE_OPEN, true);
        }
        exists = true;
    } else if (errno != ENOENT) {
        return failed(PIC_FILE_OPEN);
    }
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folderPath = slash < 0    ? QByteArray(".")
                                  : slash == 0 ? QByteArray("/")
                                               : target.left(slash);
    const QByteArray name = target.mid(slash + 1);
    if (name.isEmpty()) {
        return failed(PIC_FILE_OPEN, true);
    }
    Fd folder(open(folderPath.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.Get() < 0) {
        return failed(PIC_FILE_OPEN);
    }
    RemoveLeftovers(folder.Get());
    char temporary[kNameLength + 1];
    // A replaced file keeps its permissions; a new one gets the usual ones.
    Fd file(CreateTemporary(folder.Get(), exists ? 0600 : 0666, temporary));
    if (file.Get() < 0) {
        return failed(PIC_FILE_OPEN);
    }
    if (exists) {
        fchmod(file.Get(), st.st_mode & 07777);
    }
    // Synced before the rename: a name never points at data that is not on the disk yet.
    const bool written =
        WriteAll(file.Get(), bytes.constData(), static_cast<std::size_t>(bytes.size())) &&
        fsync(file.Get()) == 0;
    const int writeError = errno;
    if (!file.Close() || !written) {
        if (!written) {
            errno = writeError;
        }
        const std::int16_t code = failed(PIC_FILE_WRITE);
        unlinkat(folder.Get(), temporary, 0);
        return code;
    }
    // What may have been put at the name since the first look is not replaced either.
    if (fstatat(folder.Get(), name.constData(), &st, 0) == 0 && !S_ISREG(st.st_mode)) {
        unlinkat(folder.Get(), temporary, 0);
        return failed(PIC_FILE_OPEN, true);
    }
    if (renameat(folder.Get(), temporary, folder.Get(), name.constData()) != 0) {
        const std::int16_t code = failed(PIC_FILE_WRITE);
        unlinkat(folder.Get(), temporary, 0);
        return code;
    }
    // The rename itself is only lasting once the folder is on the disk too. Some file
    // systems cannot sync a folder at all; there the rename is as lasting as it gets.
    if (fsync(folder.Get()) == 0 || errno == EINVAL) {
        return PIC_OK;
    }
    return failed(PIC_FILE_WRITE);
}

QString WriteFailureText(const WriteFailure& why) {
    if (why.notRegularFile) {
        return QStringLiteral("not a regular file");
    }
    switch (why.error) {
        case ENOENT:
        case ENOTDIR:
            return QStringLiteral("no such folder");
        case EACCES:
        case EPERM:
            return QStringLiteral("permission denied");
        case EROFS:
            return QStringLiteral("read-only file system");
        case ENOSPC:
        case EDQUOT:
            return QStringLiteral("disk full");
        case EFBIG:
            return QStringLiteral("file-size limit");
        default:
            return QString::fromLocal8Bit(std::strerror(why.error));
    }
}

}  // namespace tavelo
