#include "pages/SittingReader.h"

#include <QBuffer>
#include <QFutureWatcher>
#include <QPromise>
#include <QThread>
#include <memory>

#include "pages/DocumentPage.h"
#include "pages/PageReader.h"
#include "pages/PageText.h"
#include "pages/ReaderSetup.h"
#include "pages/Sitting.h"

namespace tavelo {
namespace {

// Pages made or sent ahead of the workers: enough that none waits for the next page, few
// enough that a long sitting is not held in memory as pictures.
constexpr int kAhead = 3;
constexpr int kStraightPpi = 200;

struct MadePage {
    QByteArray picture;
    int ppi = 0;
};

// The document page as the reader takes it: black and white losslessly, other looks as a
// JPEG of high quality (a fraction of the bytes to hand over, the same words read).
MadePage MakePage(const PageRecord& page, const QString& folder, PageLook look) {
    const StraightPage straight =
        DocumentPicture(PageStore::PictureOf(folder, page, false), page.outline, look, page.turns);
    MadePage made;
    if (straight.picture.isNull()) {
        return made;
    }
    QBuffer buffer(&made.picture);
    buffer.open(QIODevice::WriteOnly);
    const bool bilevel =
        page.outline.state != OutlineState::Unknown && look == PageLook::BlackWhite;
    if (!straight.picture.save(&buffer, bilevel ? "PNG" : "JPEG", bilevel ? -1 : 92)) {
        made.picture.clear();
    }
    made.ppi = page.outline.state == OutlineState::Unknown ? 0 : kStraightPpi;
    return made;
}

}  // namespace

QString ReadingLine(SittingReader::State state, int words) {
    switch (state) {
        case SittingReader::State::Idle:
            return {};
        case SittingReader::State::Waiting:
            return QStringLiteral("waiting");
        case SittingReader::State::BeingRead:
            return QStringLiteral("being read");
        case SittingReader::State::Read:
            return words == 1 ? QStringLiteral("read, 1 word")
                              : QStringLiteral("read, %1 words").arg(words);
        case SittingReader::State::Unreadable:
            return QStringLiteral("unreadable");
    }
    return {};
}

SittingReader::SittingReader(Sitting& sitting, PageReader& reader, QObject* parent)
    : QObject(parent), m_sitting(sitting), m_reader(reader) {
    m_bOrientation = CanDetectOrientation();
    // One page made at a time: the workers read slower than a page is made.
    m_pool.setMaxThreadCount(1);
    // Below the window's thread, which must never wait for the cores.
    m_pool.setThreadPriority(QThread::LowPriority);
    connect(&sitting, &Sitting::pageAdded, this, &SittingReader::Added);
    connect(&sitting, &Sitting::pageRemoved, this, &SittingReader::Removed);
    connect(&sitting, &Sitting::pageMoved, this, &SittingReader::Moved);
    connect(&sitting, &Sitting::pageChanged, this, &SittingReader::Changed);
    connect(&sitting, &Sitting::pagesReset, this, &SittingReader::Reset);
    connect(&sitting, &Sitting::optionsChanged, this, &SittingReader::OptionsChanged);
    connect(&reader, &PageReader::started, this, &SittingReader::Started);
    connect(&reader, &PageReader::finished, this, &SittingReader::Finished);
    m_bReadText = sitting.Options().readText;
    m_languages = sitting.Options().languages;
    Reset();
}

// The reader may be gone already (the two are let go together): what it still reads is
// answered to no one. A page being made is waited for.
SittingReader::~SittingReader() = default;

const SittingReader::Entry* SittingReader::EntryAt(int row) const {
    if (row < 0 || row >= m_sitting.Count()) {
        return nullptr;
    }
    const auto it = m_entries.constFind(m_sitting.Page(row).name);
    return it == m_entries.constEnd() ? nullptr : &*it;
}

SittingReader::State SittingReader::StateOf(int row) const {
    const Entry* e = EntryAt(row);
    return e ? e->state : State::Idle;
}

int SittingReader::Words(int row) const {
    const Entry* e = EntryAt(row);
    return e && e->state == State::Read ? e->words : 0;
}

QString SittingReader::Text(int row) const {
    const Entry* e = EntryAt(row);
    return e && e->state == State::Read ? e->text : QString();
}

QByteArray SittingReader::TextLayer(int row) const {
    const Entry* e = EntryAt(row);
    return e && e->state == State::Read ? e->textLayer : QByteArray();
}

int SittingReader::Underway(const std::vector<int>& rows) const {
    int count = 0;
    for (int row : rows) {
        const Entry* e = EntryAt(row);
        count += e && (e->queued || e->job != 0 || e->request != 0) ? 1 : 0;
    }
    return count;
}

qint64 SittingReader::ProcessReading(int row) const {
    const Entry* e = EntryAt(row);
    return e && e->request != 0 ? m_reader.ProcessReading(e->request) : 0;
}

void SittingReader::SetState(const QString& name, State state) {
    auto it = m_entries.find(name);
    if (it == m_entries.end() || it->state == state) {
        return;
    }
    it->state = state;
    const int row = m_sitting.RowOf(name);
    if (row >= 0) {
        Q_EMIT stateChanged(row);
    }
}

void SittingReader::Added(int row) {
    m_names.insert(m_names.begin() + row, m_sitting.Page(row).name);
    Take(row);
}

void SittingReader::Take(int row) {
    const PageRecord& page = m_sitting.Page(row);
    Entry& e = m_entries[page.name];
    e = Entry();
    e.turns = page.turns;
    PageText kept;
    if (DecodePageText(m_sitting.Store().PageText(row), &kept) &&
        kept.key == ReadingKey(page, m_languages)) {
        e.words = kept.words;
        e.text = kept.text;
        e.textLayer = kept.textLayer;
        e.key = kept.key;
        e.state = State::Read;
        Q_EMIT stateChanged(row);
        return;
    }
    Consider(page.name);
}

void SittingReader::Removed(int row) {
    if (row < 0 || row >= int(m_names.size())) {
        return;
    }
    const QString name = m_names[std::size_t(row)];
    m_names.erase(m_names.begin() + row);
    const auto it = m_entries.find(name);
    if (it != m_entries.end()) {
        Drop(*it);
        m_entries.erase(it);
    }
    Pump();
}

void SittingReader::Moved(int from, int to) {
    if (from < 0 || to < 0 || from >= int(m_names.size()) || to >= int(m_names.size())) {
        return;
    }
    const QString name = m_names[std::size_t(from)];
    m_names.erase(m_names.begin() + from);
    m_names.insert(m_names.begin() + to, name);
}

void SittingReader::Changed(int row) {
    if (row < 0 || row >= m_sitting.Count()) {
        return;
    }
    const PageRecord& page = m_sitting.Page(row);
    const auto it = m_entries.find(page.name);
    if (it == m_entries.end()) {
        return;
    }
    Entry& e = *it;
    if (page.turns != e.turns) {
        (m_turning == page.name ? e.autoTurned : e.userTurned) = true;
        e.turns = page.turns;
    }
    if (e.state == State::Read && e.key == ReadingKey(page, m_languages)) {
        return;  // nothing its text depends on has changed
    }
    Drop(e);
    e.state = State::Idle;
    Consider(page.name);
    Pump();
}

void SittingReader::Reset() {
    for (Entry& entry : m_entries) {
        Drop(entry);
    }
    m_entries.clear();
    m_names.clear();
    m_queue.clear();
    for (int row = 0; row < m_sitting.Count(); ++row) {
        m_names.push_back(m_sitting.Page(row).name);
        Take(row);
    }
}

void SittingReader::OptionsChanged() {
    const DocumentOptions& options = m_sitting.Options();
    const bool languages = options.languages != m_languages;
    m_bReadText = options.readText;
    m_languages = options.languages;
    for (int row = 0; row < m_sitting.Count(); ++row) {
        const PageRecord& page = m_sitting.Page(row);
        Entry& e = m_entries[page.name];
        if (!m_bReadText) {
            if (e.state != State::Read) {
                Drop(e);  // what was read stays until the page is read again
                SetState(page.name, State::Idle);
            }
            continue;
        }
        if ((e.state == State::Read && e.key == ReadingKey(page, m_languages)) ||
            (e.state == State::Unreadable && !languages)) {
            continue;
        }
        if (languages) {
            Drop(e);
        }
        // Also a page waiting for its sheet when the sheet is no longer looked for.
        Consider(page.name);
    }
    Pump();
}

void SittingReader::Consider(const QString& name) {
    const auto it = m_entries.find(name);
    const int row = m_sitting.RowOf(name);
    if (it == m_entries.end() || row < 0) {
        return;
    }
    Entry& e = *it;
    if (e.queued || e.job != 0 || e.request != 0) {
        return;  // on its way already
    }
    if (!m_bReadText || m_languages.isEmpty()) {
        SetState(name, State::Idle);
        return;
    }
    SetState(name, State::Waiting);
    const PageRecord& page = m_sitting.Page(row);
    if (m_sitting.Options().findPage && page.outline.state == OutlineState::Unknown) {
        return;  // read once its sheet is found
    }
    e.queued = true;
    m_queue.push_back(name);
    Pump();
}

void SittingReader::Drop(Entry& e) {
    e.queued = false;
    if (e.job != 0) {
        e.job = 0;  // made all the same, then let go
    }
    if (e.request != 0) {
        if (m_reader.Cancel(e.request)) {
            m_requests.remove(e.request);
            --m_nInFlight;
        } else {
            m_requests[e.request] = QString();  // its answer is let go when it comes
        }
        e.request = 0;
    }
}

void SittingReader::Pump() {
    while (m_nInFlight < kAhead && !m_queue.empty()) {
        const QString name = m_queue.front();
        m_queue.pop_front();
        const auto it = m_entries.find(name);
        if (it != m_entries.end() && it->queued) {
            it->queued = false;
            Prepare(name);
        }
    }
}

void SittingReader::Prepare(const QString& name) {
    const int row = m_sitting.RowOf(name);
    if (row < 0) {
        return;
    }
    Entry& e = m_entries[name];
    const PageRecord page = m_sitting.Page(row);
    const QString path = m_sitting.Store().Folder();
    const PageLook look = LookOf(page.look, m_sitting.Options().look);
    e.job = ++m_nLastJob;
    e.pendingKey = ReadingKey(page, m_languages);
    ++m_nInFlight;
    const quint64 job = e.job;

    auto promise = std::make_shared<QPromise<MadePage>>();
    auto* watcher = new QFutureWatcher<MadePage>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, name, job] {
        const MadePage made = watcher->future().resultCount() > 0 ? watcher->result() : MadePage();
        watcher->deleteLater();
        Prepared(name, job, made.picture, made.ppi);
    });
    watcher->setFuture(promise->future());
    promise->start();
    m_pool.start([promise, page, path, look] {
        promise->addResult(MakePage(page, path, look));
        promise->finish();
    });
}

void SittingReader::Prepared(const QString& name, quint64 job, const QByteArray& picture, int ppi) {
    --m_nInFlight;
    const auto it = m_entries.find(name);
    if (it == m_entries.end() || it->job != job) {
        Pump();  // called off meanwhile
        return;
    }
    Entry& e = *it;
    e.job = 0;
    if (picture.isEmpty()) {
        SetState(name, State::Unreadable);
        if (const int row = m_sitting.RowOf(name); row >= 0) {
            Q_EMIT pageUnreadable(row);
        }
        Pump();
        return;
    }
    ++m_nInFlight;
    // A worker free takes the page at once, and says so before Read returns.
    m_nStartedNow = 0;
    e.request = m_reader.Read(picture, ppi, m_languages, m_bOrientation);
    m_requests.insert(e.request, name);
    if (m_nStartedNow == e.request) {
        SetState(name, State::BeingRead);
    }
}

void SittingReader::Started(std::uint32_t request) {
    m_nStartedNow = request;
    const QString name = m_requests.value(request);
    if (!name.isEmpty()) {
        SetState(name, State::BeingRead);
    }
}

void SittingReader::Finished(const ReadReply& reply) {
    const auto taken = m_requests.find(reply.id);
    if (taken == m_requests.end()) {
        return;  // not one of this reader's pages
    }
    const QString name = *taken;
    m_requests.erase(taken);
    --m_nInFlight;
    const auto it = m_entries.find(name);
    const int row = name.isEmpty() ? -1 : m_sitting.RowOf(name);
    if (it == m_entries.end() || it->request != reply.id || row < 0) {
        Pump();
        return;
    }
    Entry& e = *it;
    e.request = 0;
    if (reply.status != ReadStatus::Read) {
        SetState(name, State::Unreadable);
        Q_EMIT pageUnreadable(row);
        Pump();
        return;
    }
    const int steps = (reply.orientation / 90) % 4;
    if (reply.turned && steps != 0 && !e.userTurned && !e.autoTurned) {
        // Turned upright as the user would turn it; the change reads it again, upright.
        m_turning = name;
        const bool turned = m_sitting.TurnPage(row, steps == 3 ? -1 : steps);
        m_turning.clear();
        if (turned) {
            Pump();
            return;
        }
    }
    e.words = int(reply.words.size());
    e.text = reply.text;
    // Words found on the page turned upright lie elsewhere on the page as it is kept.
    e.textLayer = reply.turned && steps != 0 ? QByteArray() : reply.textLayer;
    e.key = e.pendingKey;
    m_sitting.SetPageText(row, EncodePageText({e.key, e.words, e.text, e.textLayer}));
    SetState(name, State::Read);
    Pump();
}

}  // namespace tavelo
