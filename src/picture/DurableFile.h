#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>

namespace tavelo {

// Why a write failed: the system's error of the step that failed, or a name that is there
// but no regular file.
struct WriteFailure {
    int error = 0;
    bool notRegularFile = false;
};

// Writes `bytes` to `path` so that the file is either its old self or the whole new one,
// even after a kill or a power cut: into a temporary file of a short fixed-length name in
// the same folder, synced, renamed over the target, and the folder synced after. A name
// that is there but is no regular file (a device, a FIFO, a folder, or a link to one) is
// refused and left alone; a link to a regular file has that file replaced. Temporary files
// of ours that a killed save left in the folder go first. Returns PIC_OK, PIC_FILE_OPEN
// when the file cannot be made, or PIC_FILE_WRITE when writing or renaming fails; `why`,
// when given, then says what stopped it.
std::int16_t WriteFileDurably(const QString& path, const QByteArray& bytes,
                              WriteFailure* why = nullptr);

// The failure in a few words for a person: "no such folder", "permission denied", "disk
// full", "file-size limit", "not a regular file", else the system's own text.
QString WriteFailureText(const WriteFailure& why);

}  // namespace tavelo
