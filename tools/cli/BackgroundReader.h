#pragma once

#include <QByteArray>
#include <QString>
#include <QThread>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>

#include "pages/ReaderProtocol.h"

namespace tavelo {
class PageReader;
}

namespace tavelo::cli {

// The pages library's pool of reading workers, run on a thread of its own so that the tool
// goes on capturing while pages are read: Read() hands a page over and returns at once, Take()
// waits for its reply. Needs a QCoreApplication.
class BackgroundReader {
public:
    explicit BackgroundReader(QString languages);
    ~BackgroundReader();
    BackgroundReader(const BackgroundReader&) = delete;
    BackgroundReader& operator=(const BackgroundReader&) = delete;

    // Page `page` (any number the caller keeps apart), its picture file's bytes; when
    // `upright`, a page lying on its side is read turned upright (ReadReply::turned).
    void Read(int page, const QByteArray& file, int pixelsPerInch, bool upright);
    // The reply for `page`, once it has come (a failed read is a reply too).
    ReadReply Take(int page);

private:
    void File(int page, const ReadReply& reply);

    QString m_languages;
    QThread m_thread;
    PageReader* m_reader = nullptr;  // lives on m_thread
    // Touched on m_thread only.
    std::map<std::uint32_t, int> m_pageOfRead;
    std::map<std::uint32_t, ReadReply> m_early;
    std::mutex m_mutex;
    std::condition_variable m_came;
    std::map<int, ReadReply> m_replies;
};

// Why a page was not read, in words; empty for a page read.
const char* ReadFailureText(ReadStatus status);

}  // namespace tavelo::cli
