#include "BackgroundReader.h"

#include "pages/PageReader.h"

namespace tavelo::cli {

BackgroundReader::BackgroundReader(QString languages) : m_languages(std::move(languages)) {
    m_reader = new PageReader();
    m_reader->moveToThread(&m_thread);
    // Runs on the reader's thread: the reply is filed where Take() looks for it.
    QObject::connect(
        m_reader, &PageReader::finished, m_reader,
        [this](const ReadReply& reply) {
            const auto it = m_pageOfRead.find(reply.id);
            if (it == m_pageOfRead.end()) {
                m_early[reply.id] = reply;  // answered before Read() returned its id
                return;
            }
            File(it->second, reply);
            m_pageOfRead.erase(it);
        },
        Qt::DirectConnection);
    m_thread.start();
}

BackgroundReader::~BackgroundReader() {
    // The workers belong to the reader's thread and are stopped there.
    QMetaObject::invokeMethod(
        m_reader, [this] { delete m_reader; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void BackgroundReader::Read(int page, const QByteArray& file, int pixelsPerInch, bool upright) {
    QMetaObject::invokeMethod(
        m_reader,
        [this, page, file, pixelsPerInch, upright] {
            const std::uint32_t id = m_reader->Read(file, pixelsPerInch, m_languages, upright);
            if (const auto early = m_early.find(id); early != m_early.end()) {
                File(page, early->second);
                m_early.erase(early);
            } else {
                m_pageOfRead[id] = page;
            }
        },
        Qt::QueuedConnection);
}

void BackgroundReader::File(int page, const ReadReply& reply) {
    {
        const std::lock_guard lock(m_mutex);
        m_replies[page] = reply;
    }
    m_came.notify_all();
}

ReadReply BackgroundReader::Take(int page) {
    std::unique_lock lock(m_mutex);
    m_came.wait(lock, [&] { return m_replies.count(page) != 0; });
    ReadReply reply = std::move(m_replies[page]);
    m_replies.erase(page);
    return reply;
}

const char* ReadFailureText(ReadStatus status) {
    switch (status) {
        case ReadStatus::Read:
            return "";
        case ReadStatus::BadPicture:
            return "the reader could not decode the picture";
        case ReadStatus::NoLanguage:
            return "a language's model is not installed";
        case ReadStatus::Failed:
            return "the reading engine gave up on it";
        case ReadStatus::Crashed:
            return "the reader stopped while reading it";
        case ReadStatus::TimedOut:
            return "reading it took too long";
        case ReadStatus::NoWorker:
            return "the reader (tavelo-reader) could not be started";
    }
    return "";
}

}  // namespace tavelo::cli
