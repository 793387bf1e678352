#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <cstdint>
#include <deque>

#include "pages/ReaderProtocol.h"

namespace tavelo {

class ReaderWorker;

// Reads pages in worker processes, never in the calling one: pages are queued and spread
// over a pool of workers, one per processor core by default, each page under a time-out.
// A page whose worker dies or times out is answered as unreadable and the worker replaced;
// the other pages go on. Nothing here waits: results arrive as signals on the caller's
// thread, in the order the pages finish.
class PageReader : public QObject {
    Q_OBJECT
public:
    // `program` is the worker executable, `workers` at least 1.
    PageReader(QString program, int workers, QObject* parent = nullptr);
    // The installed worker and one worker per core.
    explicit PageReader(QObject* parent = nullptr);
    ~PageReader() override;

    static constexpr int kDefaultTimeoutMs = 60000;
    void SetTimeout(int ms) { m_timeoutMs = ms; }
    // Passed to each worker started from now on, e.g. {"--tessdata", folder}.
    void SetWorkerArguments(const QStringList& arguments) { m_arguments = arguments; }

    // Queues a page; returns its id (never 0), by which the signals name it.
    std::uint32_t Read(const QByteArray& picture, int pixelsPerInch, const QString& languages,
                       bool detectOrientation = false);
    // Takes a page off the queue before it is sent; false when it is already being read.
    bool Cancel(std::uint32_t page);
    // Pages queued or being read.
    int Pending() const;
    // The process reading `page`, 0 when it is not being read.
    qint64 ProcessReading(std::uint32_t page) const;

Q_SIGNALS:
    void started(std::uint32_t page);
    // Once for every page read, failed or not cancelled.
    void finished(const tavelo::ReadReply& reply);

private:
    void Dispatch();
    void OnReplied(ReaderWorker* worker, const ReadReply& reply);

    QString m_program;
    QStringList m_arguments;
    int m_timeoutMs = kDefaultTimeoutMs;
    std::uint32_t m_lastId = 0;
    std::deque<ReadRequest> m_queue;
    QList<ReaderWorker*> m_workers;
    QList<std::uint32_t> m_reading;  // the page of each worker, 0 when idle
    int m_capacity = 1;
};

}  // namespace tavelo
