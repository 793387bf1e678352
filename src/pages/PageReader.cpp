#include "pages/PageReader.h"

#include <QThread>

#include "pages/ReaderSetup.h"
#include "pages/ReaderWorker.h"

namespace tavelo {

PageReader::PageReader(QString program, int workers, QObject* parent)
    : QObject(parent), m_program(std::move(program)), m_capacity(std::max(1, workers)) {
    qRegisterMetaType<tavelo::ReadReply>();
}

PageReader::PageReader(QObject* parent)
    : PageReader(ReaderProgram(), QThread::idealThreadCount(), parent) {}

PageReader::~PageReader() = default;

std::uint32_t PageReader::Read(const QByteArray& picture, int pixelsPerInch,
                               const QString& languages, bool detectOrientation) {
    ReadRequest request;
    request.id = ++m_lastId == 0 ? ++m_lastId : m_lastId;
    request.picture = picture;
    request.pixelsPerInch = pixelsPerInch;
    request.languages = languages;
    request.detectOrientation = detectOrientation;
    m_queue.push_back(std::move(request));
    Dispatch();
    return m_lastId;
}

bool PageReader::Cancel(std::uint32_t page) {
    for (auto it = m_queue.begin(); it != m_queue.end(); ++it) {
        if (it->id == page) {
            m_queue.erase(it);
            return true;
        }
    }
    return false;
}

int PageReader::Pending() const {
    return int(m_queue.size()) + int(std::count_if(m_reading.begin(), m_reading.end(),
                                                   [](std::uint32_t p) { return p != 0; }));
}

qint64 PageReader::ProcessReading(std::uint32_t page) const {
    const qsizetype at = page == 0 ? -1 : m_reading.indexOf(page);
    return at < 0 ? 0 : m_workers[at]->ProcessId();
}

void PageReader::Dispatch() {
    while (!m_queue.empty()) {
        qsizetype idle = m_reading.indexOf(0u);
        if (idle < 0 && m_workers.size() < m_capacity) {
            auto* worker = new ReaderWorker(m_program, m_arguments, this);
            connect(worker, &ReaderWorker::replied, this,
                    [this, worker](const ReadReply& reply) { OnReplied(worker, reply); });
            m_workers.append(worker);
            m_reading.append(0);
            idle = m_workers.size() - 1;
        }
        if (idle < 0) {
            return;
        }
        ReadRequest request = std::move(m_queue.front());
        m_queue.pop_front();
        m_reading[idle] = request.id;
        m_workers[idle]->Read(request, m_timeoutMs);
        Q_EMIT started(request.id);
    }
}

void PageReader::OnReplied(ReaderWorker* worker, const ReadReply& reply) {
    const qsizetype at = m_workers.indexOf(worker);
    if (at >= 0) {
        m_reading[at] = 0;
    }
    // The next page goes out before the answer is handed on, so a slow receiver of the
    // signal never leaves a worker idle.
    Dispatch();
    Q_EMIT finished(reply);
}

}  // namespace tavelo
