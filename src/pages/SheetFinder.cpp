#include "pages/SheetFinder.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QTransform>

namespace tavelo {

struct SheetFinder::Job {
    int generation = 0;
    QString folder;
    PageRecord page;
    DocumentOptions options;
};

struct SheetFinder::Result {
    Job job;
    bool made = false;  // the page's picture could be read
    PageOutline outline;
    QImage thumbnail;
};

namespace {

// Pages being found at once: one thread, so that the camera's next capture keeps the other.
constexpr int kThreads = 1;

bool LooksFound(const PageOutline& outline) {
    return outline.state == OutlineState::Found || outline.state == OutlineState::NotFound;
}

}  // namespace

SheetFinder::SheetFinder(Sitting& sitting, QObject* parent)
    : QObject(parent), m_sitting(sitting), m_options(sitting.Options()) {
    m_pool.setMaxThreadCount(kThreads);
    connect(&sitting, &Sitting::pageAdded, this, [this](int row) {
        if (NeedsWork(row, false)) {
            Queue(row);
        }
    });
    connect(&sitting, &Sitting::pagesReset, this, [this] {
        ++m_nGeneration;
        m_pending.clear();
        QueueAll();
    });
    connect(&sitting, &Sitting::optionsChanged, this, [this] {
        const bool lookChanged = m_sitting.Options().look != m_options.look;
        m_options = m_sitting.Options();
        for (int row = 0; row < m_sitting.Count(); ++row) {
            if (NeedsWork(row, lookChanged)) {
                Queue(row);
            }
        }
    });
    QueueAll();
}

SheetFinder::~SheetFinder() {
    m_pool.clear();
    m_pool.waitForDone();
}

bool SheetFinder::WaitForIdle(int ms) {
    const QDeadlineTimer deadline(ms);
    while (!m_pending.isEmpty() && !deadline.hasExpired()) {
        QCoreApplication::processEvents();
        QThread::msleep(2);
    }
    QCoreApplication::processEvents();
    return m_pending.isEmpty();
}

QImage SheetFinder::ThumbnailOf(const QImage& page) {
    if (page.isNull()) {
        return {};
    }
    return page.scaled(PageStore::kThumbnailSize, PageStore::kThumbnailSize, Qt::KeepAspectRatio,
                       Qt::SmoothTransformation);
}

bool SheetFinder::NeedsWork(int row, bool lookChanged) const {
    const PageRecord& page = m_sitting.Page(row);
    const DocumentOptions& options = m_sitting.Options();
    if (options.findPage && page.outline.state == OutlineState::Unknown) {
        return true;
    }
    if (!options.findPage && LooksFound(page.outline)) {
        return true;
    }
    // Only pages that take the sitting's look and are straightened show it.
    return lookChanged && page.look < 0 && page.outline.state != OutlineState::Unknown;
}

void SheetFinder::QueueAll() {
    for (int row = 0; row < m_sitting.Count(); ++row) {
        if (NeedsWork(row, false)) {
            Queue(row);
        }
    }
}

void SheetFinder::Queue(int row) {
    Job job{m_nGeneration, m_sitting.Store().Folder(), m_sitting.Page(row), m_sitting.Options()};
    if (m_pending.contains(job.page.name)) {
        return;  // what it finds is checked against the page when it comes, and made again
    }
    m_pending.insert(job.page.name);
    m_pool.start([this, job] {
        Result result;
        result.job = job;
        const QImage picture = PageStore::PictureOf(job.folder, job.page, false);
        result.made = !picture.isNull();
        if (result.made) {
            result.outline = job.page.outline;
            if (job.options.findPage && result.outline.state == OutlineState::Unknown) {
                result.outline = OutlineFor(picture, true);
            } else if (!job.options.findPage && LooksFound(result.outline)) {
                result.outline = PageOutline();
            }
            const StraightPage page = DocumentPicture(
                picture, result.outline, LookOf(job.page.look, job.options.look), job.page.turns);
            result.thumbnail = ThumbnailOf(page.picture);
            result.made = !result.thumbnail.isNull();
        }
        QMetaObject::invokeMethod(
            this, [this, result] { Take(result); }, Qt::QueuedConnection);
    });
}

void SheetFinder::Take(const Result& result) {
    const Job& job = result.job;
    if (job.generation != m_nGeneration) {
        return;  // a page of a sitting set aside
    }
    m_pending.remove(job.page.name);
    const int row = m_sitting.RowOf(job.page.name);
    if (row < 0 || !result.made) {
        return;  // gone, or its picture cannot be read: its thumbnail stays as it is
    }
    const PageRecord& page = m_sitting.Page(row);
    const DocumentOptions& options = m_sitting.Options();
    if (page.outline != job.page.outline || page.look != job.page.look ||
        options.findPage != job.options.findPage || options.look != job.options.look) {
        // Edited or switched meanwhile: what was made is for a page that is no more. An
        // edit brought its own thumbnail; a switch may still want work.
        if (NeedsWork(row, options.look != job.options.look)) {
            Queue(row);
        }
        return;
    }
    // A turn meanwhile turned the thumbnail on disk; this one turns the same way.
    QImage thumbnail = result.thumbnail;
    if (const int steps = page.turns - job.page.turns; steps != 0) {
        thumbnail = thumbnail.transformed(QTransform().rotate(90.0 * steps));
    }
    if (!m_sitting.TakeOutline(row, result.outline, thumbnail)) {
        return;
    }
    if (job.page.outline.state == OutlineState::Unknown &&
        result.outline.state != OutlineState::Unknown) {
        Q_EMIT pageLooked(row, result.outline.state == OutlineState::Found);
    }
}

}  // namespace tavelo
