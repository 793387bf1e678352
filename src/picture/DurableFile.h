#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class QIODevice;

namespace tavelo {

// Whether a written file waits for the disk: `Disk` survives a power cut too; `Process`
// survives a kill of the process (what the kernel holds is kept), without the wait.
enum class Durability { Disk, Process };

// The one writer of every file Tavelo makes. The new contents go into a temporary file of a
// short fixed-length name in the target's folder; only a file written whole takes the name,
// so a name holds its old file or the whole new one, never a part. A write that fails at any
// byte (a full disk, a file-size limit) fails the file: the commit refuses and the temporary
// file goes. Temporary files of ours that a killed writer left in the folder, untouched for
// a minute, go first. Every step returns a PictureResult code.
class DurableFile {
public:
    explicit DurableFile(Durability durability = Durability::Disk);
    ~DurableFile();  // not committed: the temporary file goes, the target stays as it was
    DurableFile(const DurableFile&) = delete;
    DurableFile& operator=(const DurableFile&) = delete;

    // To replace `path`. A name that is there but is no regular file (a device, a FIFO, a
    // folder, or a link to one) is refused and left alone; a link to a regular file has
    // that file replaced. PIC_OK, or PIC_FILE_OPEN when the file cannot be made.
    std::int16_t OpenToReplace(const QString& path);
    // To make a new file in `folder` under a name CommitAsNew chooses.
    std::int16_t OpenInFolder(const QString& folder);

    // Where the contents go (open for writing): once a write fails, every later one fails.
    QIODevice& Device();
    bool Write(const QByteArray& bytes);

    // The file synced, renamed over the target, the folder synced. PIC_OK; PIC_FILE_OPEN
    // when the name has meanwhile become something else than a regular file; PIC_FILE_WRITE
    // when a write, the sync or the rename failed.
    std::int16_t Commit();
    // The file synced and given the first name `nameAt(0)`, `nameAt(1)`, ... (an empty name
    // ends the search) that nothing in the folder holds, never replacing anything: by a hard
    // link, or where the file system has none (FAT, exFAT) by claiming the name with an
    // exclusive creation and renaming over that empty claim. The name taken, or empty.
    QString CommitAsNew(const std::function<QString(int)>& nameAt);

private:
    class Stream;
    std::int16_t OpenTemporary(const QByteArray& folder, bool exists, unsigned mode);
    bool Finish();  // the last bytes written, synced and closed; false on any failure
    void Discard();

    Durability m_durability;
    int m_folder = -1;
    QByteArray m_name;  // the target's name in the folder
    char m_temporary[16] = {};
    std::unique_ptr<Stream> m_stream;
};

// `bytes` written to `path` through a DurableFile.
std::int16_t WriteFileDurably(const QString& path, const QByteArray& bytes,
                              Durability durability = Durability::Disk);

}  // namespace tavelo
