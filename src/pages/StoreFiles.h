#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace tavelo {

// What the page store does with what it finds under its folder, trusting none of it: only
// real folders and regular files of this user are read, moved or removed; a link is never
// followed, a FIFO or device never opened for reading; every read is bounded.

// A regular file of this user, opened without following a link or waiting on a FIFO, its
// mode made 0600; -1 for anything else. The caller closes it.
int OpenOwnFile(const QString& path);
// A regular file (size when `size` is given) or a folder of this user, the name itself, not
// what a link points to.
bool IsOwnFile(const QString& path, qint64* size = nullptr);
bool IsOwnFolder(const QString& path);
bool Exists(const QString& path);  // anything at all by that name, a dangling link too

// Makes the folder (or takes the one there if it is a real one of this user's), mode 0700.
bool MakeOwnFolder(const QString& path);

enum class ReadResult { Read, Missing, TooLarge, Refused };
// The whole of a file of this user, refused past `cap` bytes without reading it.
ReadResult ReadOwnFile(const QString& path, qint64 cap, QByteArray& bytes);

// The whole of a regular file of anyone's (a picture the user opened), link followed, never
// a FIFO or device; refused past `cap` bytes.
ReadResult ReadRegularFile(const QString& path, qint64 cap, QByteArray& bytes);

// Names in a real folder of this user, at most `cap` of them; `complete` says whether there
// were more.
QStringList FolderEntries(const QString& path, int cap, bool* complete = nullptr);

// Renames a regular file of this user, never over something that is there already.
bool MoveOwnFile(const QString& from, const QString& to);

// Removes the file, link or folder `path` and what it holds without going through any link:
// a link is removed, never what it points to. Things not of this user's, FIFOs and devices
// stay (and so do the folders around them). True when nothing is left at `path`.
bool RemoveTree(const QString& path);

// Locks the sitting folder for this process; -1 when a live run holds it (or it cannot be
// locked). Closing the descriptor unlocks.
int LockFolder(const QString& folder);

}  // namespace tavelo
