#include "pages/PageStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdio>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTextStream>
#include <QTransform>

#include "camera/Capture.h"
#include "picture/CaptureLook.h"
#include "picture/PictureEngine.h"
#include "picture/RawConversion.h"
#include "picture/RawPicture.h"

namespace tavelo {
namespace {

const QString kIndex = QStringLiteral("pages.txt");
const QString kLock = QStringLiteral("lock");

// Conversions of stored pages report nothing: a page that cannot be rebuilt is skipped.
struct SilentErrors : MemoryShortage {
    void OutOfMemory() override {}
};

// The lock of a run folder; -1 when another process holds it (that run is alive).
int LockFolder(const QString& folder) {
    const int fd = ::open(QFile::encodeName(QDir(folder).filePath(kLock)).constData(),
                          O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return -1;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Written whole under a temporary name, then renamed: a killed run leaves the old file or
// the new one, never half of one. The disk is not waited for (what the kernel holds
// survives the process), which keeps a page's cost next to the capture's.
bool WriteFile(const QString& path, const char* data, qint64 size) {
    const QString temp = path + QStringLiteral(".part");
    QFile file(temp);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(data, size) != size ||
        !file.flush()) {
        file.remove();
        return false;
    }
    file.close();
    if (::rename(QFile::encodeName(temp).constData(), QFile::encodeName(path).constData()) != 0) {
        QFile::remove(temp);
        return false;
    }
    return true;
}

// A thumbnail from a whole picture: a cheap cut down to twice the size first, then a
// smooth step, which looks the same as one smooth step at a fraction of its cost.
QImage MakeThumbnail(const QImage& shown, int size) {
    const QImage rough =
        shown.scaled(2 * size, 2 * size, Qt::KeepAspectRatio, Qt::FastTransformation);
    return rough.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

}  // namespace

PageStore::~PageStore() {
    if (IsOpen()) {
        ::close(m_nLock);
    }
}

bool PageStore::Open(const QString& root, const QString& runId) {
    m_root = root;
    m_id = runId;
    m_pages.clear();
    if (IsOpen()) {
        ::close(m_nLock);
        m_nLock = -1;
    }
    m_folder = QDir(root).filePath(runId);
    if (!QDir().mkpath(m_folder)) {
        return false;
    }
    m_nLock = LockFolder(m_folder);
    return IsOpen() && WriteIndex();
}

QString PageStore::PathOf(const QString& name, const QString& suffix) const {
    return QDir(m_folder).filePath(name + QLatin1Char('.') + suffix);
}

QString PageStore::NewName() {
    for (;;) {
        const QString name = QStringLiteral("p%1").arg(m_nNextName++, 6, 10, QLatin1Char('0'));
        if (!QFile::exists(PathOf(name, QStringLiteral("png")))) {
            return name;
        }
    }
}

QString PageStore::DataPath(int index) const {
    const PageRecord& p = Page(index);
    return PathOf(p.name, p.raw ? QStringLiteral("raw") : p.suffix);
}

bool PageStore::AddRecord(const PageRecord& record, const QImage& shown) {
    // The thumbnail last but one and the list last: a run killed in between leaves files
    // that no list names, never a listed page without its data.
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) ||
        !MakeThumbnail(shown, kThumbnailSize).save(&buffer, "PNG") ||
        !WriteFile(PathOf(record.name, QStringLiteral("png")), png.constData(), png.size())) {
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
    page.name = NewName();
    return WriteFile(PathOf(page.name, QStringLiteral("raw")),
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
    if (page.suffix.isEmpty() || page.suffix == QLatin1String("raw") ||
        page.suffix == QLatin1String("png")) {
        page.suffix = QStringLiteral("pic");
    }
    return QFile::copy(path, PathOf(page.name, page.suffix)) && AddRecord(page, shown);
}

bool PageStore::Remove(int index) {
    if (index < 0 || index >= Count()) {
        return false;
    }
    const QString data = DataPath(index);
    const QString thumb = PathOf(Page(index).name, QStringLiteral("png"));
    const QDir removed(QDir(m_folder).filePath(QStringLiteral("removed")));
    QDir().mkpath(removed.path());
    m_pages.erase(m_pages.begin() + index);
    WriteIndex();
    QFile::rename(data, removed.filePath(QFileInfo(data).fileName()));
    QFile::rename(thumb, removed.filePath(QFileInfo(thumb).fileName()));
    return true;
}

bool PageStore::Reinsert(int index, const PageRecord& page) {
    if (index < 0 || index > Count()) {
        return false;
    }
    const QDir removed(QDir(m_folder).filePath(QStringLiteral("removed")));
    for (const QString& suffix :
         {page.raw ? QStringLiteral("raw") : page.suffix, QStringLiteral("png")}) {
        const QString name = page.name + QLatin1Char('.') + suffix;
        if (!QFile::rename(removed.filePath(name), PathOf(page.name, suffix))) {
            return false;
        }
    }
    m_pages.insert(m_pages.begin() + index, page);
    return WriteIndex();
}

bool PageStore::SetTurns(int index, int turns, const QImage& thumbnailSource) {
    if (index < 0 || index >= Count()) {
        return false;
    }
    PageRecord& p = m_pages[static_cast<std::size_t>(index)];
    QByteArray png;
    QBuffer buffer(&png);
    if (!buffer.open(QIODevice::WriteOnly) ||
        !MakeThumbnail(thumbnailSource, kThumbnailSize).save(&buffer, "PNG") ||
        !WriteFile(PathOf(p.name, QStringLiteral("png")), png.constData(), png.size())) {
        return false;
    }
    p.turns = turns & 3;
    return WriteIndex();
}

bool PageStore::SetKept(int index, bool kept) {
    if (index < 0 || index >= Count()) {
        return false;
    }
    m_pages[static_cast<std::size_t>(index)].kept = kept;
    return WriteIndex();
}

QStringList PageStore::LeftoverSittings(const QString& root) {
    QStringList runs = AbandonedRuns(root);
    runs.removeAll(QDir(root).filePath(QStringLiteral("discarded")));
    return runs;
}

PageStore::RestoreResult PageStore::Adopt(const QString& folder) {
    RestoreResult result;
    const int listed = PageCountOf(folder);
    result.taken = AdoptPages(folder);
    result.left = listed - result.taken;
    if (result.left > 0) {
        result.summary = QStringLiteral("%1 page(s) could not be restored.").arg(result.left);
    }
    return result;
}

bool PageStore::Discard() {
    if (!IsOpen()) {
        return false;
    }
    const QString discarded = QDir(m_root).filePath(QStringLiteral("discarded"));
    QDir(discarded).removeRecursively();
    ::close(m_nLock);
    m_nLock = -1;
    if (!QDir().rename(m_folder, discarded)) {
        return false;
    }
    return Open(m_root, m_id + QStringLiteral("-%1").arg(++m_nFresh));
}

PageStore::RestoreResult PageStore::UndoDiscard() {
    return Adopt(QDir(m_root).filePath(QStringLiteral("discarded")));
}

bool PageStore::Move(int from, int to) {
    if (from < 0 || from >= Count() || to < 0 || to >= Count() || from == to) {
        return false;
    }
    PageRecord page = m_pages[static_cast<std::size_t>(from)];
    m_pages.erase(m_pages.begin() + from);
    m_pages.insert(m_pages.begin() + to, page);
    return WriteIndex();
}

QImage PageStore::Thumbnail(int index) const {
    return QImage(PathOf(Page(index).name, QStringLiteral("png")));
}

MemoryBlock PageStore::LoadRaw(int index) const {
    const PageRecord& p = Page(index);
    QFile file(DataPath(index));
    const std::size_t size = 2u * static_cast<std::size_t>(p.width) * p.height;
    if (!p.raw || size == 0 || !file.open(QIODevice::ReadOnly) ||
        static_cast<std::size_t>(file.size()) != size) {
        return {};
    }
    MemoryBlock block = MemoryBlock::Allocate(size);
    if (block.IsNull() || file.read(reinterpret_cast<char*>(block.Data()),
                                    static_cast<qint64>(size)) != static_cast<qint64>(size)) {
        return {};
    }
    return block;
}

QImage PageStore::Picture(int index) const {
    PictureEngine engine;
    const PageRecord& p = Page(index);
    if (!p.raw) {
        return engine.LoadFile(DataPath(index), 0, 0, 1) == 0
                   ? engine.Image().transformed(QTransform().rotate(90 * p.turns))
                   : QImage();
    }
    SilentErrors silent;
    MemoryBlock raw = LoadRaw(index);
    const int amount =
        kSharpAmounts[IsSharpIndex(p.sharpIndex) ? p.sharpIndex : kDefaultSharpIndex];
    EngineTarget target(engine);
    const RawShape shape{p.width, p.height, p.mode, p.camRotation};
    return ShowRawCapture(target, raw, {}, shape, amount, silent) == RawPictureResult::Shown
               ? engine.Image().transformed(QTransform().rotate(90 * p.turns))
               : QImage();
}

bool PageStore::WriteIndex() const {
    QByteArray text;
    QTextStream out(&text);
    for (const PageRecord& p : m_pages) {
        out << p.name << '\t' << (p.raw ? "raw" : "file") << '\t' << p.width << '\t' << p.height
            << '\t' << p.mode << '\t' << p.camRotation << '\t' << p.sharpIndex << '\t'
            << (p.suffix.isEmpty() ? QStringLiteral("-") : p.suffix) << '\t' << p.turns << '\t'
            << int(p.kept) << '\n';
    }
    out.flush();
    return WriteFile(QDir(m_folder).filePath(kIndex), text.constData(), text.size());
}

std::vector<PageRecord> PageStore::ReadIndex(const QString& folder) {
    std::vector<PageRecord> pages;
    QFile file(QDir(folder).filePath(kIndex));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return pages;
    }
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QStringList f = in.readLine().split(QLatin1Char('\t'));
        if (f.size() < 8 || f[0].contains(QLatin1Char('/'))) {
            continue;
        }
        PageRecord p;
        p.name = f[0];
        p.raw = f[1] == QLatin1String("raw");
        p.width = f[2].toInt();
        p.height = f[3].toInt();
        p.mode = f[4].toInt();
        p.camRotation = f[5].toInt();
        p.sharpIndex = f[6].toInt();
        p.suffix = f[7] == QLatin1String("-") ? QString() : f[7];
        p.turns = f.value(8).toInt() & 3;
        p.kept = f.value(9).toInt() != 0;
        int w = 0, h = 0;
        if (p.raw &&
            (!RawCaptureSize(p.mode, p.camRotation, w, h) || w != p.width || h != p.height)) {
            continue;  // not a size a capture has: a damaged line
        }
        pages.push_back(p);
    }
    return pages;
}

QStringList PageStore::AbandonedRuns(const QString& root) {
    QStringList runs;
    const QDir dir(root);
    for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString folder = dir.filePath(name);
        const int lock = LockFolder(folder);
        if (lock < 0) {
            continue;  // a run that is still going
        }
        ::close(lock);
        if (PageCountOf(folder) > 0) {
            runs.append(folder);
        } else {
            Discard(folder);
        }
    }
    return runs;
}

int PageStore::PageCountOf(const QString& folder) {
    return static_cast<int>(ReadIndex(folder).size());
}

int PageStore::AdoptPages(const QString& folder) {
    if (!IsOpen() || QDir(folder) == QDir(m_folder)) {
        return 0;
    }
    const int lock = LockFolder(folder);
    if (lock < 0) {
        return 0;
    }
    int taken = 0;
    for (PageRecord p : ReadIndex(folder)) {
        const QString dataSuffix = p.raw ? QStringLiteral("raw") : p.suffix;
        const QString oldName = p.name;
        p.name = NewName();
        const QDir from(folder);
        if (!QFile::rename(from.filePath(oldName + QLatin1Char('.') + dataSuffix),
                           PathOf(p.name, dataSuffix)) ||
            !QFile::rename(from.filePath(oldName + QStringLiteral(".png")),
                           PathOf(p.name, QStringLiteral("png")))) {
            continue;
        }
        m_pages.push_back(p);
        ++taken;
    }
    WriteIndex();
    ::close(lock);
    Discard(folder);
    return taken;
}

void PageStore::Discard(const QString& folder) {
    QDir(folder).removeRecursively();
}

}  // namespace tavelo
