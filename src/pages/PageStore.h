#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <vector>

#include "device/MemoryBlock.h"

namespace tavelo {

// One page of the sitting: a capture (its raw rows, so Sharpness works on it as on a fresh
// capture) or a copy of a picture file that was opened.
struct PageRecord {
    QString name;     // file stem in the run folder
    bool raw = true;  // a capture; else an opened file
    int width = 0;    // raw capture size and shape
    int height = 0;
    int mode = 0;
    int camRotation = 0;
    int sharpIndex = 3;  // the sharpness it was captured with
    QString suffix;      // an opened file's extension
    int turns = 0;       // quarter turns to the right made on this page, 0..3
    bool kept = false;   // saved, exported or printed at least once
};

// The pages of this run, kept on disk in a folder of their own under the cache folder, with
// a small thumbnail each; only the list is in memory. The folder is locked while the run
// lives and removed when it ends normally; a folder left behind by a run that was killed is
// found by the next run and its pages can be taken over.
class PageStore {
public:
    static constexpr int kThumbnailSize = 96;

    PageStore() = default;
    ~PageStore();  // a normal end: the run's folder goes
    PageStore(const PageStore&) = delete;
    PageStore& operator=(const PageStore&) = delete;

    // Makes and locks the folder `runId` under `root`.
    bool Open(const QString& root, const QString& runId);
    bool IsOpen() const { return m_nLock >= 0; }
    QString Folder() const { return m_folder; }

    int Count() const { return static_cast<int>(m_pages.size()); }
    const PageRecord& Page(int index) const { return m_pages[static_cast<std::size_t>(index)]; }

    // A capture's raw rows (bottom-first) and what it looks like shown.
    bool AddCapture(const MemoryBlock& raw, const PageRecord& record, const QImage& shown);
    // A copy of an opened picture file.
    bool AddFile(const QString& path, const QImage& shown);
    bool Remove(int index);
    bool Reinsert(int index, const PageRecord& page);
    bool Move(int from, int to);
    bool SetTurns(int index, int turns, const QImage& thumbnailSource);
    bool SetKept(int index, bool kept);

    QImage Thumbnail(int index) const;
    QString DataPath(int index) const;
    MemoryBlock LoadRaw(int index) const;  // null when the file is gone or short
    // The page's picture as it was shown when it was taken: rebuilt from the raw rows with
    // the page's sharpness, or the opened file. Null on failure.
    QImage Picture(int index) const;

    // Folders under `root` of runs that ended without removing theirs and that hold pages.
    static QStringList AbandonedRuns(const QString& root);
    // Number of pages in an abandoned folder.
    static int PageCountOf(const QString& folder);
    // Moves the pages of an abandoned folder to the end of this run and removes the folder;
    // the number of pages taken over.
    int AdoptPages(const QString& folder);
    static void Discard(const QString& folder);

    static QStringList LeftoverSittings(const QString& root);
    struct RestoreResult {
        int taken = 0;
        int left = 0;
        QString summary;
    };
    RestoreResult Adopt(const QString& folder);
    bool Discard();
    RestoreResult UndoDiscard();

private:
    bool WriteIndex() const;
    bool AddRecord(const PageRecord& record, const QImage& shown);
    QString NewName();
    QString PathOf(const QString& name, const QString& suffix) const;
    static std::vector<PageRecord> ReadIndex(const QString& folder);

    QString m_folder;
    QString m_root;
    QString m_id;
    int m_nFresh = 0;
    int m_nLock = -1;
    int m_nNextName = 1;
    std::vector<PageRecord> m_pages;
};

}  // namespace tavelo
