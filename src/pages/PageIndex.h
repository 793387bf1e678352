#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

#include "pages/PageCorners.h"

namespace tavelo {

// One page of the sitting: a capture (its raw rows, so Sharpness works on it as on a fresh
// capture) or a copy of a picture file that was opened.
struct PageRecord {
    QString name;     // file stem in the sitting's folder, "p" and six digits
    bool raw = true;  // a capture; else an opened file
    int width = 0;    // raw capture size and shape
    int height = 0;
    int mode = 0;
    int camRotation = 0;
    int sharpIndex = 3;  // the sharpness it was captured with
    QString suffix;      // an opened file's extension
    int turns = 0;       // quarter turns to the right made on this page, 0..3
    bool kept = false;   // saved, exported or printed at least once
    // The sheet in the page, in the pixels of the page as shown before its turns (a turn of
    // the page turns its document page and leaves the outline as it is), and the look its
    // document page takes (-1: the sitting's; else a PageLook).
    PageOutline outline;
    int look = -1;
};

// Bounds on what a sitting folder is read for, whatever it holds: a real list stays far
// below them (a page is a line of about forty bytes).
inline constexpr int kMaxPagesPerSitting = 20000;
inline constexpr qint64 kMaxListBytes = qint64{2} << 20;
inline constexpr int kMaxListLine = 256;

inline const QString kPageList = QStringLiteral("pages.txt");
inline const QString kRemovedFolder = QStringLiteral("removed");
// A page's text as read, kept beside it like its thumbnail: never a page of its own.
inline const QString kTextSuffix = QStringLiteral("text");

// What a sitting folder holds, read from the files present: the list gives the order and
// what a page is, but only pages whose files are there and whole count, and pages the list
// does not name (it may be cut short, empty or foreign) are taken from their files.
struct SittingContents {
    std::vector<PageRecord> pages;  // in the list's order, then unlisted ones by name
    QStringList unreadable;         // stems of pages whose files are there but unusable
    QStringList spareThumbnails;  // thumbnails and texts whose page has gone (a restore cut short)
    QStringList temporaries;      // files a write cut short left
    bool foreign = false;         // something else is in the folder
    int lastNumber = 0;           // the highest page number in use there
};

SittingContents ReadSitting(const QString& folder);
QByteArray FormatPageList(const std::vector<PageRecord>& pages);
QString DataSuffix(const PageRecord& page);
// The number of a page name ("p000012": 12), 0 when it is not one.
int PageNumber(const QString& name);

}  // namespace tavelo
