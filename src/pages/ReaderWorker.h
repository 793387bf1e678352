#pragma once

#include <QByteArray>
#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QTimer>
#include <cstdint>
#include <optional>

#include "pages/ReaderProtocol.h"

namespace tavelo {

// One reading worker process and the page it reads. Everything is asynchronous: the request
// goes into the process's input, the reply arrives through the event loop. A worker that
// dies, stops answering within the time-out or answers nonsense is killed, its page answered
// as failed, and a new process started for the next page.
class ReaderWorker : public QObject {
    Q_OBJECT
public:
    ReaderWorker(QString program, QStringList arguments, QObject* parent = nullptr);
    ~ReaderWorker() override;

    bool Busy() const { return m_page.has_value(); }
    // The process reading or waiting to read, 0 when none runs.
    qint64 ProcessId() const;
    // Sends the page; the worker must not be busy. The page fails when the worker has not
    // answered within `timeoutMs` of taking all of it, or is too long in taking it.
    void Read(const ReadRequest& request, int timeoutMs);

Q_SIGNALS:
    // Exactly once for each page sent, with the worker's reply or the failure.
    void replied(const tavelo::ReadReply& reply);

private:
    void Start();
    void OnWritten();
    void OnOutput();
    void OnFinished();
    void OnError(QProcess::ProcessError error);
    void OnTimeout();
    void Fail(ReadStatus status);

    QString m_program;
    QStringList m_arguments;
    QProcess* m_process = nullptr;
    QTimer m_timer;
    QByteArray m_buffer;
    std::optional<std::uint32_t> m_page;
    int m_timeoutMs = 0;
    bool m_taken = false;  // the whole of m_page is in the worker's input
};

}  // namespace tavelo
