#pragma once

#include <QImage>
#include <QString>
#include <QStringList>
#include <vector>

#include "device/MemoryBlock.h"
#include "pages/PageIndex.h"

namespace tavelo {

// The pages of a sitting, kept on disk in a folder of their own under the cache folder,
// with a small thumbnail each; only the list is in memory. The folder is locked while the
// run lives and stays when it ends, normally or not: the next run takes its pages in. A
// sitting goes only when the user discards it, and the last one discarded stays as
// "discarded" until the next discard. Nothing found under the folder is trusted (see
// StoreFiles.h and ReadSitting); nothing that could not be read back is removed.
class PageStore {
public:
    static constexpr int kThumbnailSize = 96;

    PageStore() = default;
    ~PageStore();  // unlocks; the sitting stays on disk
    PageStore(const PageStore&) = delete;
    PageStore& operator=(const PageStore&) = delete;

    // Makes and locks the sitting folder `id` under `root` (folders 0700, files 0600); a
    // folder there already is read back.
    bool Open(const QString& root, const QString& id);
    bool IsOpen() const { return m_nLock >= 0; }
    QString Folder() const { return m_folder; }

    int Count() const { return static_cast<int>(m_pages.size()); }
    const PageRecord& Page(int index) const { return m_pages[static_cast<std::size_t>(index)]; }

    // A capture's raw rows (bottom-first) and what it looks like shown.
    bool AddCapture(const MemoryBlock& raw, const PageRecord& record, const QImage& shown);
    // A copy of an opened picture file.
    bool AddFile(const QString& path, const QImage& shown);
    // The page's files go to the sitting's "removed" folder, so that Reinsert brings them
    // back (as `page`, which is what Page(index) was, at `index`).
    bool Remove(int index);
    bool Reinsert(int index, const PageRecord& page);
    bool Move(int from, int to);
    // Quarter turns to the right (any number, kept as 0..3); the thumbnail is made again from
    // `thumbnailSource`, the page as it is shown now, when there is one. These and Remove,
    // Reinsert, Move and Discard change nothing when they fail.
    bool SetTurns(int index, int turns, const QImage& thumbnailSource);
    // The sheet found or placed in the page and the page's own look (-1: the sitting's); the
    // thumbnail is made again from `thumbnailSource` when there is one.
    bool SetOutline(int index, const PageOutline& outline, int look, const QImage& thumbnailSource);
    // Whether the page was saved, exported or printed (New Document asks only about others).
    bool SetKept(int index, bool kept);

    // The page's text as read (what SittingReader keeps, opaque here), in a file beside the
    // page that goes wherever the page goes; empty bytes remove it. Read back bounded, empty
    // when there is none or it is not a file of ours.
    static constexpr qint64 kMaxPageTextBytes = qint64{4} << 20;
    bool SetPageText(int index, const QByteArray& bytes);
    QByteArray PageText(int index) const;

    // At most kThumbnailSize a side, however large the file claims to be; null without one.
    QImage Thumbnail(int index) const;
    QString DataPath(int index) const;
    MemoryBlock LoadRaw(int index) const;  // null when the file is gone or short
    // The page as shown: rebuilt from the raw rows with the page's sharpness, or the opened
    // file, with the page's turns (or without them: the picture its outline is placed on).
    // Null on failure.
    QImage Picture(int index, bool turned = true) const;
    // The same for `page` of the sitting folder `folder`, reading files only: a worker thread
    // may call it with a copy of the record while the store changes.
    static QImage PictureOf(const QString& folder, const PageRecord& page, bool turned);

    // Sitting folders under `root` left by earlier runs (ended normally or not), oldest
    // first: real folders of this user's, not locked by a live run, not the discarded one
    // nor one kept because it could not be read back whole. At most kMaxLeftovers.
    static constexpr int kMaxLeftovers = 1000;
    static QStringList LeftoverSittings(const QString& root);

    struct RestoreResult {
        int taken = 0;    // pages now at the end of this sitting
        int left = 0;     // pages whose files are there but could not be read back
        QString summary;  // one line for the user naming what was not restored; empty if all was
    };
    // Moves the pages of `folder` to the end of this sitting and removes what is left of it,
    // unless something could not be read back: then the folder stays, renamed so that it is
    // not offered again. Interrupted at any point, nothing is lost: this sitting's list names
    // the pages before they move, and the other's keeps naming those that have not.
    RestoreResult Adopt(const QString& folder);

    // New Document: this sitting becomes root/"discarded" (the one discarded before goes)
    // and an empty one is opened in its place. UndoDiscard takes the discarded pages back.
    bool Discard();
    RestoreResult UndoDiscard();

    // Tests: the next restore stops after this many changes on disk, as if killed; -1 never.
    static void StopRestoreAfterForTest(int steps);

private:
    bool WriteIndex() const;
    bool WriteThumbnail(const QString& name, const QImage& shown) const;
    bool AddRecord(const PageRecord& record, const QImage& shown);
    QString NewName();
    QString PathOf(const QString& name, const QString& suffix) const;
    static QString DataPathOf(const QString& folder, const PageRecord& page);
    static MemoryBlock LoadRawOf(const QString& folder, const PageRecord& page);
    RestoreResult Restore(const QString& folder);

    QString m_root;
    QString m_id;
    QString m_folder;
    int m_nLock = -1;
    int m_nNextName = 1;
    std::vector<PageRecord> m_pages;
};

}  // namespace tavelo
