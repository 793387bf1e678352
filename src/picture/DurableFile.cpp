#include "picture/DurableFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QIODevice>
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

// Series saves of earlier versions named theirs ".series-" and six letters or digits.
constexpr char kSeriesPrefix[] = ".series-";

bool IsOurTemporaryName(const char* name) {
    if (std::strlen(name) != kNameLength ||
        (std::strncmp(name, kPrefix, kPrefixLength) != 0 &&
         std::strncmp(name, kSeriesPrefix, kPrefixLength) != 0)) {
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

int CreateTemporary(int folder, mode_t mode, char (&name)[16]) {
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

// A file system without hard links (FAT, exFAT, some network shares) refuses link() so.
bool LinksRefused(int error) {
    return error == EPERM || error == ENOTSUP || error == EOPNOTSUPP || error == EXDEV ||
           error == ENOSYS || error == EMLINK;
}

// Bytes gathered into chunks: a library that writes a few bytes at a time costs a system
// call per chunk, not per write.
constexpr std::size_t kChunk = 64 * 1024;

}  // namespace

// The temporary file as a device. A write that the file system refuses in part or whole
// marks the stream failed for good, whoever wrote it and whether or not they looked.
class DurableFile::Stream : public QIODevice {
public:
    explicit Stream(int fd) : m_fd(fd) { m_buffer.reserve(kChunk); }
    ~Stream() override { CloseFd(); }
    int Fd() const { return m_fd; }
    bool Failed() const { return m_bFailed; }
    bool Flush() {
        if (!m_bFailed && !m_buffer.isEmpty() &&
            !WriteAll(m_fd, m_buffer.constData(), static_cast<std::size_t>(m_buffer.size()))) {
            Fail();
        }
        m_buffer.clear();
        return !m_bFailed;
    }
    bool CloseFd() {
        const int fd = m_fd;
        m_fd = -1;
        return fd < 0 || ::close(fd) == 0;
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        if (m_bFailed || size < 0) {
            return -1;
        }
        if (m_buffer.size() + size > static_cast<qint64>(kChunk) && !Flush()) {
            return -1;
        }
        if (size >= static_cast<qint64>(kChunk)) {
            if (!WriteAll(m_fd, data, static_cast<std::size_t>(size))) {
                Fail();
                return -1;
            }
        } else {
            m_buffer.append(data, size);
        }
        return size;
    }

private:
    void Fail() {
        m_bFailed = true;
        setErrorString(QString::fromLocal8Bit(std::strerror(errno)));
    }

    int m_fd;
    bool m_bFailed = false;
    QByteArray m_buffer;
};

DurableFile::DurableFile(Durability durability) : m_durability(durability) {}

DurableFile::~DurableFile() {
    Discard();
    if (m_folder >= 0) {
        close(m_folder);
    }
}

void DurableFile::Discard() {
    if (m_stream) {
        m_stream->CloseFd();
        m_stream.reset();
        unlinkat(m_folder, m_temporary, 0);
    }
}

std::int16_t DurableFile::OpenTemporary(const QByteArray& folder, bool exists, unsigned mode) {
    m_folder = open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_folder < 0) {
        return PIC_FILE_OPEN;
    }
    RemoveLeftovers(m_folder);
    // A replaced file keeps its permissions; a new one gets the usual ones.
    const int fd = CreateTemporary(m_folder, exists ? 0600 : 0666, m_temporary);
    if (fd < 0) {
        return PIC_FILE_OPEN;
    }
    if (exists) {
        fchmod(fd, static_cast<mode_t>(mode) & 07777);
    }
    m_stream = std::make_unique<Stream>(fd);
    m_stream->open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    return PIC_OK;
}

std::int16_t DurableFile::OpenToReplace(const QString& path) {
    if (m_stream || m_folder >= 0) {
        return PIC_BAD_ARGUMENT;
    }
    QByteArray target = QFile::encodeName(path);
    struct stat st {};
    if (lstat(target.constData(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char* real = realpath(target.constData(), nullptr);
        if (real == nullptr) {
            return PIC_FILE_OPEN;
        }
        target = real;
        std::free(real);
    }
    bool exists = false;
    if (stat(target.constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            return PIC_FILE_OPEN;
        }
        exists = true;
    } else if (errno != ENOENT) {
        return PIC_FILE_OPEN;
    }
    const qsizetype slash = target.lastIndexOf('/');
    m_name = target.mid(slash + 1);
    if (m_name.isEmpty()) {
        return PIC_FILE_OPEN;
    }
    return OpenTemporary(slash < 0    ? QByteArray(".")
                         : slash == 0 ? QByteArray("/")
                                      : target.left(slash),
                         exists, st.st_mode);
}

std::int16_t DurableFile::OpenInFolder(const QString& folder) {
    if (m_stream || m_folder >= 0) {
        return PIC_BAD_ARGUMENT;
    }
    return OpenTemporary(QFile::encodeName(folder), false, 0);
}

QIODevice& DurableFile::Device() {
    static QIODevice* const none = [] {
        auto* device = new DurableFile::Stream(-1);  // refuses every write: never opened
        return device;
    }();
    return m_stream ? *m_stream : *none;
}

bool DurableFile::Write(const QByteArray& bytes) {
    return m_stream && m_stream->write(bytes) == bytes.size();
}

bool DurableFile::Finish() {
    if (!m_stream) {
        return false;
    }
    // Synced before the rename: a name never points at data that is not on the disk yet.
    const bool written =
        m_stream->Flush() && (m_durability == Durability::Process || fsync(m_stream->Fd()) == 0);
    return m_stream->CloseFd() && written;
}

std::int16_t DurableFile::Commit() {
    if (m_name.isEmpty() || !Finish()) {
        Discard();
        return PIC_FILE_WRITE;
    }
    // What may have been put at the name since the first look is not replaced either.
    struct stat st {};
    if (fstatat(m_folder, m_name.constData(), &st, 0) == 0 && !S_ISREG(st.st_mode)) {
        Discard();
        return PIC_FILE_OPEN;
    }
    if (renameat(m_folder, m_temporary, m_folder, m_name.constData()) != 0) {
        Discard();
        return PIC_FILE_WRITE;
    }
    m_stream.reset();
    // The rename itself is only lasting once the folder is on the disk too. Some file
    // systems cannot sync a folder at all; there the rename is as lasting as it gets.
    return m_durability == Durability::Process || fsync(m_folder) == 0 || errno == EINVAL
               ? PIC_OK
               : PIC_FILE_WRITE;
}

QString DurableFile::CommitAsNew(const std::function<QString(int)>& nameAt) {
    if (!Finish()) {
        Discard();
        return {};
    }
    bool links = true;
    for (int i = 0;; ++i) {
        const QString name = nameAt(i);
        const QByteArray encoded = QFile::encodeName(name);
        if (name.isEmpty() || encoded.contains('/')) {
            break;
        }
        // link() fails with EEXIST instead of replacing: the one step that claims a name.
        if (links) {
            if (linkat(m_folder, m_temporary, m_folder, encoded.constData(), 0) == 0) {
                Discard();  // the temporary name goes; the file stays under its new one
                return fsync(m_folder) == 0 || errno == EINVAL ? name : QString();
            }
            if (errno == EEXIST) {
                continue;
            }
            if (!LinksRefused(errno)) {
                break;
            }
            links = false;
        }
        // Without links the name is claimed by creating it, which fails on any entry there,
        // and the written file renamed over the claim, which is ours alone.
        const int claim = openat(m_folder, encoded.constData(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (claim < 0) {
            if (errno == EEXIST) {
                continue;
            }
            break;
        }
        close(claim);
        if (renameat(m_folder, m_temporary, m_folder, encoded.constData()) != 0) {
            unlinkat(m_folder, encoded.constData(), 0);
            break;
        }
        m_stream.reset();
        return fsync(m_folder) == 0 || errno == EINVAL ? name : QString();
    }
    Discard();
    return {};
}

std::int16_t WriteFileDurably(const QString& path, const QByteArray& bytes, Durability durability) {
    DurableFile file(durability);
    if (const std::int16_t opened = file.OpenToReplace(path); opened != PIC_OK) {
        return opened;
    }
    file.Write(bytes);  // a failed write fails the commit
    return file.Commit();
}

}  // namespace tavelo
