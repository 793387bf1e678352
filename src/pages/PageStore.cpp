#include "pages/PageStore.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QRegularExpression>
#include <QTransform>

#include "camera/Capture.h"
#include "pages/StoreFiles.h"
#include "picture/CaptureLook.h"
#include "picture/DurableFile.h"
#include "picture/ImageLimits.h"
#include "picture/PictureEngine.h"
#include "picture/PictureResult.h"
#include "picture/RawConversion.h"
#include "picture/RawPicture.h"

namespace tavelo {
namespace {

const QString kDiscarded = QStringLiteral("discarded");
// A folder a restore could not take whole is renamed so; it is not offered again.
const QString kKeptPrefix = QStringLiteral("unrestored-");
const QString kThumb = QStringLiteral("png");
// Thumbnails are small; a file claiming more is not one of ours and is not decoded.
constexpr qint64 kMaxThumbnailBytes = 1 << 20;
constexpr int kMaxThumbnailSide = 4 * PageStore::kThumbnailSize;

// The changes on disk a restore may still make before a test's stop; -1 when not stopping.
int g_restoreSteps = -1;
bool Step() {
    if (g_restoreSteps < 0) {
        return true;
    }
    if (g_restoreSteps == 0) {
        g_restoreSteps = -1;  // stopped once, as a killed run is
        return false;
    }
    --g_restoreSteps;
    return true;
}

QImage Turned(const QImage& image, int turns) {
    return turns == 0 || image.isNull() ? image
                                        : image.transformed(QTransform().rotate(90 * turns));
}

// Renames a folder beside itself to `prefix` and its name, numbered if taken; its new path,
// empty when it could not be moved.
QString PutAside(const QString& path, const QString& prefix) {
    const QFileInfo info(path);
    for (int n = 1; n <= 100; ++n) {
        QString name = prefix + info.fileName();
        if (n > 1) {
            name += QLatin1Char('-') + QString::number(n);
        }
        const QString to = info.dir().filePath(name);
        if (::renameat2(AT_FDCWD, QFile::encodeName(path).constData(), AT_FDCWD,
                        QFile::encodeName(to).constData(), RENAME_NOREPLACE) == 0) {
            return to;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    return {};
}

// Conversions of stored pages report nothing: a page that cannot be rebuilt is skipped.
struct SilentErrors : MemoryShortage {
    void OutOfMemory() override {}
};

// Written whole by the durable writer: a killed run leaves the old file or the new one,
// never half of one. The disk is not waited for (what the kernel holds survives the
// process), which keeps a page's cost next to the capture's. Only a free name or a file of
// ours is written, never through a link, and the file is made 0600 whatever the umask (the
// folder, 0700, keeps others out meanwhile).
bool WriteFile(const QString& path, const char* data, qint64 size) {
    if (Exists(path) && !IsOwnFile(path)) {
        return false;
    }
    if (WriteFileDurably(path, QByteArray::fromRawData(data, size), Durability::Process) !=
        PIC_OK) {
        return false;
    }
    const int fd = OpenOwnFile(path);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

// A thumbnail from a whole picture: a cheap cut down to twice the size first, then a
// smooth step, which looks the same as one smooth step at a fraction of its cost.
QImage MakeThumbnail(const QImage& shown, int size) {
    const QImage rough =
        shown.scaled(2 * size, 2 * size, Qt::KeepAspectRatio, Qt::FastTransformation);
    return rough.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// The one line a restore that could not take everything says.
QString NotRestored(int pages, const QString& where) {
    return QStringLiteral("%1 page(s) could not be restored; their files are kept in %2")
        .arg(pages)
        .arg(QDir::toNativeSeparators(where));
}

}  // namespace

void PageStore::StopRestoreAfterForTest(int steps) {
    g_restoreSteps = steps;
}

PageStore::~PageStore() {
    if (IsOpen()) {
        ::close(m_nLock);
    }
}

bool PageStore::Open(const QString& root, const QString& id) {
    if (IsOpen() || id.isEmpty() || id.contains(QLatin1Char('/')) ||
        id.startsWith(QLatin1Char('.')) || id == kDiscarded || id.startsWith(kKeptPrefix)) {
        return false;
    }
    m_root = QDir::cleanPath(QDir(root).absolutePath());
    m_id = id;
    m_folder = m_root + QLatin1Char('/') + id;
    if (!QDir().mkpath(QFileInfo(m_root).absolutePath()) || !MakeOwnFolder(m_root) ||
        !MakeOwnFolder(m_folder)) {
        return false;
    }
    m_nLock = LockFolder(m_folder);
    if (!IsOpen()) {
        return false;
    }
    const SittingContents found = ReadSitting(m_folder);
    m_pages = found.pages;
    // Names go on from the sitting discarded before: no page is mistaken for another.
    m_nNextName = std::max(m_nNextName, found.lastNumber + 1);
    return WriteIndex();
}

QString PageStore::PathOf(const QString& name, const QString& suffix) const {
    return m_folder + QLatin1Char('/') + name + QLatin1Char('.') + suffix;
}

QString PageStore::NewName() {
    // A few tries: names taken by something planted are passed over, but a folder that has
    // gone (or become a file) must not keep the search going.
    for (int tries = 0; tries < 100 && m_nNextName <= 999999; ++tries) {
        const QString name = QStringLiteral("p%1").arg(m_nNextName++, 6, 10, QLatin1Char('0'));
        if (!Exists(PathOf(name, kThumb)) && !Exists(PathOf(name, QStringLiteral("raw"))) &&
            !Exists(PathOf(name, kTextSuffix))) {
            return name;
        }
    }
    return {};
}

QString PageStore::DataPath(int index) const {
    return PathOf(Page(index).name, DataSuffix(Page(index)));
}

bool PageStore::WriteThumbnail(const QString& name, const QImage& shown) const {
    QByteArray png;
    QBuffer buffer(&png);
    return buffer.open(QIODevice::WriteOnly) &&
           MakeThumbnail(shown, kThumbnailSize).save(&buffer, "PNG") &&
           WriteFile(PathOf(name, kThumb), png.constData(), png.size());
}

bool PageStore::AddRecord(const PageRecord& record, const QImage& shown) {
    // The thumbnail last but one and the list last: a run killed in between leaves the
    // page's files unlisted, and the next run finds them.
    if (!WriteThumbnail(record.name, Turned(shown, record.turns))) {
        return false;
    }
    m_pages.push_back(record);
    if (!WriteIndex()) {
        m_pages.pop_back();
        return false;
    }
    return true;
}

bool PageStore::AddCapture(const MemoryBlock& raw, const PageRecord& record, const QImage& shown) {
    if (!IsOpen() || raw.IsNull()) {
        return false;
    }
    PageRecord page = record;
    page.raw = true;
    page.suffix.clear();
    page.turns = 0;
    page.name = NewName();
    return !page.name.isEmpty() &&
           WriteFile(PathOf(page.name, QStringLiteral("raw")),
                     reinterpret_cast<const char*>(raw.Data()), static_cast<qint64>(raw.Size())) &&
           AddRecord(page, shown);
}

bool PageStore::AddFile(const QString& path, const QImage& shown) {
    if (!IsOpen()) {
        return false;
    }
    PageRecord page;
    page.raw = false;
    page.name = NewName();
    page.suffix = QFileInfo(path).suffix().toLower();
    static const QRegularExpression plain(QStringLiteral("^[a-z0-9]{1,8}$"));
    if (!plain.match(page.suffix).hasMatch() || page.suffix == QLatin1String("raw") ||
        page.suffix == kThumb || page.suffix == kTextSuffix) {
        page.suffix = QStringLiteral("pic");
    }
    QByteArray bytes;
    return !page.name.isEmpty() &&
           ReadRegularFile(path, kMaxFileBytes, bytes) == ReadResult::Read &&
           WriteFile(PathOf(page.name, page.suffix), bytes.constData(), bytes.size()) &&
           AddRecord(page, shown);
}

bool PageStore::Remove(int index) {
    if (index < 0 || index >= Count()) {
        return false;
    }
    const PageRecord page = Page(index);
    m_pages.erase(m_pages.begin() + index);
    if (!WriteIndex()) {
        m_pages.insert(m_pages.begin() + index, page);
        return false;
    }
    // The files go after the list: a run killed in between finds them and brings the page
    // back rather than losing it.
    const QString removed = m_folder + QLatin1Char('/') + kRemovedFolder + QLatin1Char('/');
    if (MakeOwnFolder(removed)) {
        for (const QString& suffix : {DataSuffix(page), kThumb, kTextSuffix}) {
            const QString file = page.name + QLatin1Char('.') + suffix;
            MoveOwnFile(PathOf(page.name, suffix), removed + file);
        }
    }
    return true;
}

bool PageStore::Reinsert(int index, const PageRecord& page) {
    if (!IsOpen() || index < 0 || index > Count() || PageNumber(page.name) == 0) {
        return false;
    }
    for (const PageRecord& p : m_pages) {
        if (p.name == page.name) {
            return false;
        }
    }
    const QString removed = m_folder + QLatin1Char('/') + kRemovedFolder + QLatin1Char('/');
    for (const QString& suffix : {DataSuffix(page), kThumb, kTextSuffix}) {
        const QString file = page.name + QLatin1Char('.') + suffix;
        if (IsOwnFile(removed + file)) {
            MoveOwnFile(removed + file, PathOf(page.name, suffix));
        }
    }
    if (!IsOwnFile(PathOf(page.name, DataSuffix(page)))) {
        return false;
    }
    m_pages.insert(m_pages.begin() + index, page);
    if (!WriteIndex()) {
        m_pages.erase(m_pages.begin() + index);
        return false;
    }
    return true;
}

bool PageStore::Move(int from, int to) {
    if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to) {
        return false;
    }
    const std::vector<PageRecord> before = m_pages;
    PageRecord page = m_pages[static_cast<std::size_t>(from)];
    m_pages.erase(m_pages.begin() + from);
    m_pages.insert(m_pages.begin() + to, page);
    if (!WriteIndex()) {
        m_pages = before;
        return false;
    }
    return true;
}

bool PageStore::SetTurns(int index, int turns, const QImage& thumbnailSource) {
    if (index < 0 || index >= Count()) {
        return false;
    }
    PageRecord& page = m_pages[static_cast<std::size_t>(index)];
    const int before = page.turns;
    page.turns = ((turns % 4) + 4) % 4;
    if (!WriteIndex()) {
        page.turns = before;
        return false;
    }
    if (!thumbnailSource.isNull() && !WriteThumbnail(page.name, thumbnailSource)) {
        page.turns = before;
        WriteIndex();
        return false;
    }
    return true;
}

bool PageStore::SetOutline(int index, const PageOutline& outline, int look,
                           const QImage& thumbnailSource) {
    if (index < 0 || index >= Count()) {
        return false;
    }
    PageRecord& page = m_pages[static_cast<std::size_t>(index)];
    const PageRecord before = page;
    page.outline = outline;
    page.look = look;
    if (!WriteIndex()) {
        page = before;
        return false;
    }
    if (!thumbnailSource.isNull() && !WriteThumbnail(page.name, thumbnailSource)) {
        page = before;
        WriteIndex();
        return false;
    }
    return true;
}

bool PageStore::SetKept(int index, bool kept) {
    if (index < 0 || index >= Count()) {
        return false;
    }
    PageRecord& page = m_pages[static_cast<std::size_t>(index)];
    const bool before = page.kept;
    page.kept = kept;
    if (!WriteIndex()) {
        page.kept = before;
        return false;
    }
    return true;
}

bool PageStore::SetPageText(int index, const QByteArray& bytes) {
    if (index < 0 || index >= Count() || bytes.size() > kMaxPageTextBytes) {
        return false;
    }
    const QString path = PathOf(Page(index).name, kTextSuffix);
    if (bytes.isEmpty()) {
        return RemoveTree(path) || !IsOwnFile(path);
    }
    return WriteFile(path, bytes.constData(), bytes.size());
}

QByteArray PageStore::PageText(int index) const {
    QByteArray bytes;
    if (index < 0 || index >= Count() ||
        ReadOwnFile(PathOf(Page(index).name, kTextSuffix), kMaxPageTextBytes, bytes) !=
            ReadResult::Read) {
        return {};
    }
    return bytes;
}

QImage PageStore::Thumbnail(int index) const {
    QFile file;
    const int fd = OpenOwnFile(PathOf(Page(index).name, kThumb));
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0) {
            ::close(fd);
        }
        return {};
    }
    if (file.size() > kMaxThumbnailBytes) {
        return {};
    }
    // Decoded at the size shown, never at the size a planted file claims.
    QImageReader reader(&file, "png");
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > kMaxThumbnailSide || size.height() > kMaxThumbnailSide) {
        return {};
    }
    if (size.width() > kThumbnailSize || size.height() > kThumbnailSize) {
        reader.setScaledSize(size.scaled(kThumbnailSize, kThumbnailSize, Qt::KeepAspectRatio));
    }
    return reader.read();
}

MemoryBlock PageStore::LoadRaw(int index) const {
    return LoadRawOf(m_folder, Page(index));
}

MemoryBlock PageStore::LoadRawOf(const QString& folder, const PageRecord& p) {
    const std::size_t size = 2u * static_cast<std::size_t>(p.width) * p.height;
    QFile file;
    const int fd = p.raw ? OpenOwnFile(DataPathOf(folder, p)) : -1;
    if (fd < 0 || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        if (fd >= 0) {
            ::close(fd);
        }
        return {};
    }
    if (size == 0 || static_cast<std::size_t>(file.size()) != size) {
        return {};
    }
    MemoryBlock block = MemoryBlock::Allocate(size);
    if (block.IsNull() || file.read(reinterpret_cast<char*>(block.Data()),
                                    static_cast<qint64>(size)) != static_cast<qint64>(size)) {
        return {};
    }
    return block;
}

QImage PageStore::Picture(int index, bool turned) const {
    return PictureOf(m_folder, Page(index), turned);
}

QString PageStore::DataPathOf(const QString& folder, const PageRecord& page) {
    return folder + QLatin1Char('/') + page.name + QLatin1Char('.') + DataSuffix(page);
}

QImage PageStore::PictureOf(const QString& folder, const PageRecord& p, bool turned) {
    PictureEngine engine;
    const int turns = turned ? p.turns : 0;
    const QString path = DataPathOf(folder, p);
    if (!p.raw) {
        return IsOwnFile(path) && engine.LoadFile(path, 0, 0, 1) == 0
                   ? Turned(engine.Image(), turns)
                   : QImage();
    }
    SilentErrors silent;
    MemoryBlock raw = LoadRawOf(folder, p);
    const int amount =
        kSharpAmounts[IsSharpIndex(p.sharpIndex) ? p.sharpIndex : kDefaultSharpIndex];
    EngineTarget target(engine);
    const RawShape shape{p.width, p.height, p.mode, p.camRotation};
    return ShowRawCapture(target, raw, {}, shape, amount, silent) == RawPictureResult::Shown
               ? Turned(engine.Image(), turns)
               : QImage();
}

bool PageStore::WriteIndex() const {
    const QByteArray text = FormatPageList(m_pages);
    return WriteFile(m_folder + QLatin1Char('/') + kPageList, text.constData(), text.size());
}

QStringList PageStore::LeftoverSittings(const QString& root) {
    const QString top = QDir::cleanPath(QDir(root).absolutePath());
    if (!IsOwnFolder(top)) {
        return {};
    }
    QStringList names = FolderEntries(top, 4 * kMaxLeftovers + 16);
    names.sort();  // run names begin with their start time: oldest first
    QStringList sittings;
    for (const QString& name : names) {
        const QString folder = top + QLatin1Char('/') + name;
        if (sittings.size() >= kMaxLeftovers || name == kDiscarded ||
            name.startsWith(kKeptPrefix) || !IsOwnFolder(folder)) {
            continue;
        }
        const int lock = LockFolder(folder);
        if (lock >= 0) {  // else a run that is still going
            ::close(lock);
            sittings.append(folder);
        }
    }
    return sittings;
}

PageStore::RestoreResult PageStore::Adopt(const QString& folder) {
    const QString from = QDir::cleanPath(QDir(folder).absolutePath());
    if (!IsOpen() || from == m_folder || !IsOwnFolder(from)) {
        return {};
    }
    const int lock = LockFolder(from);
    if (lock < 0) {
        return {};
    }
    const RestoreResult result = Restore(from);
    ::close(lock);
    return result;
}

PageStore::RestoreResult PageStore::Restore(const QString& from) {
    RestoreResult result;
    const SittingContents found = ReadSitting(from);
    const std::vector<PageRecord> before = m_pages;
    std::vector<PageRecord> incoming;
    for (PageRecord p : found.pages) {
        p.name = NewName();
        if (p.name.isEmpty()) {
            return result;  // no name to give: nothing moved, all offered again next time
        }
        incoming.push_back(p);
    }
    QStringList kept = found.unreadable;
    std::vector<PageRecord> taken;
    // This sitting names the pages before they move and the other keeps naming them until
    // it goes: a run killed at any point finds every page in one list or the other.
    m_pages.insert(m_pages.end(), incoming.begin(), incoming.end());
    if (!incoming.empty() && !Step()) {
        return result;
    }
    if (!incoming.empty() && !WriteIndex()) {
        m_pages = before;  // nothing moved: all of it is offered again at the next start
        result.left = static_cast<int>(found.pages.size() + kept.size());
        result.summary = NotRestored(result.left, from);
        return result;
    }
    const QString source = from + QLatin1Char('/');
    for (std::size_t i = 0; i < incoming.size(); ++i) {
        const PageRecord& p = found.pages[i];
        const PageRecord& q = incoming[i];
        if (!Step()) {
            return result;
        }
        if (!MoveOwnFile(source + p.name + QLatin1Char('.') + DataSuffix(p),
                         PathOf(q.name, DataSuffix(q)))) {
            kept.append(p.name);
            continue;
        }
        if (!Step()) {
            return result;
        }
        MoveOwnFile(source + p.name + QLatin1Char('.') + kThumb, PathOf(q.name, kThumb));
        MoveOwnFile(source + p.name + QLatin1Char('.') + kTextSuffix, PathOf(q.name, kTextSuffix));
        taken.push_back(q);
    }
    m_pages = before;
    m_pages.insert(m_pages.end(), taken.begin(), taken.end());
    if (taken.size() != incoming.size() && (!Step() || !WriteIndex())) {
        return result;
    }
    result.taken = static_cast<int>(taken.size());
    result.left = static_cast<int>(kept.size());

    // What is left of the folder goes when it held only the store's own files; else it
    // stays, put aside, and nothing in it is removed.
    bool gone = false;
    if (kept.isEmpty() && !found.foreign) {
        QStringList names = found.spareThumbnails + found.temporaries;
        for (const PageRecord& p : found.pages) {
            names.append(p.name + QLatin1Char('.') + kThumb);  // one whose move failed
            names.append(p.name + QLatin1Char('.') + kTextSuffix);
        }
        names << kPageList << kRemovedFolder << QStringLiteral("lock");
        for (const QString& name : names) {
            if (!Step()) {
                return result;
            }
            RemoveTree(source + name);
        }
        if (!Step()) {
            return result;
        }
        gone = ::rmdir(QFile::encodeName(from).constData()) == 0;
    }
    if (!gone) {
        const QString aside = Step() ? PutAside(from, kKeptPrefix) : QString();
        if (result.left > 0) {
            result.summary = NotRestored(result.left, aside.isEmpty() ? from : aside);
        }
    }
    return result;
}

bool PageStore::Discard() {
    if (!IsOpen()) {
        return false;
    }
    const QString discarded = m_root + QLatin1Char('/') + kDiscarded;
    // The one discarded before goes now, never through a link; what cannot go is put aside.
    if (!RemoveTree(discarded) && PutAside(discarded, kKeptPrefix).isEmpty()) {
        return false;
    }
    // Renamed while still locked, so that no starting run takes it for a leftover.
    if (::rename(QFile::encodeName(m_folder).constData(),
                 QFile::encodeName(discarded).constData()) != 0) {
        return false;
    }
    ::close(m_nLock);
    m_nLock = -1;
    m_pages.clear();
    if (Open(m_root, m_id)) {
        return true;
    }
    // No fresh sitting: the discarded one comes back as it was.
    ::rename(QFile::encodeName(discarded).constData(), QFile::encodeName(m_folder).constData());
    Open(m_root, m_id);
    return false;
}

PageStore::RestoreResult PageStore::UndoDiscard() {
    return Adopt(m_root + QLatin1Char('/') + kDiscarded);
}

}  // namespace tavelo
