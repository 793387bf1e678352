#include "pages/ReaderWorker.h"

#include <QProcessEnvironment>
#include <algorithm>

namespace tavelo {
namespace {

// How long a worker may take to start and take its page before it is taken for hung; a busy
// machine can need far longer to start one than to read a page.
constexpr int kTakeMs = 120000;

}  // namespace

ReaderWorker::ReaderWorker(QString program, QStringList arguments, QObject* parent)
    : QObject(parent), m_program(std::move(program)), m_arguments(std::move(arguments)) {
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ReaderWorker::OnTimeout);
}

ReaderWorker::~ReaderWorker() {
    if (m_process) {
        m_process->disconnect(this);
        // A killed worker ends at once: the wait is for the kernel to report it, no longer.
        m_process->kill();
        m_process->waitForFinished(1000);
    }
}

qint64 ReaderWorker::ProcessId() const {
    return m_process ? m_process->processId() : 0;
}

void ReaderWorker::Start() {
    m_buffer.clear();
    m_process = new QProcess(this);
    // Debian's tesseract reads its OpenMP thread limit when the library loads, so it must be
    // in the worker's environment from the start; the worker reads one page on one core.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("OMP_THREAD_LIMIT"), QStringLiteral("1"));
    m_process->setProcessEnvironment(environment);
    m_process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    connect(m_process, &QProcess::readyReadStandardOutput, this, &ReaderWorker::OnOutput);
    connect(m_process, &QProcess::finished, this, &ReaderWorker::OnFinished);
    connect(m_process, &QProcess::errorOccurred, this, &ReaderWorker::OnError);
    connect(m_process, &QProcess::bytesWritten, this, &ReaderWorker::OnWritten);
    m_process->start(m_program, m_arguments);
}

void ReaderWorker::Read(const ReadRequest& request, int timeoutMs) {
    m_page = request.id;
    m_timeoutMs = timeoutMs;
    m_taken = false;
    // The page's time-out counts from when the worker has taken it, so a first page never
    // pays for the worker starting slowly.
    m_timer.start(std::max(timeoutMs, kTakeMs));
    if (!m_process) {
        Start();
    }
    if (m_process) {
        m_process->write(Frame(EncodeRequest(request)));
    }
}

void ReaderWorker::OnWritten() {
    if (m_page && !m_taken && m_process && m_process->bytesToWrite() == 0) {
        m_taken = true;
        m_timer.start(m_timeoutMs);
    }
}

void ReaderWorker::OnOutput() {
    m_buffer.append(m_process->readAllStandardOutput());
    QByteArray payload;
    for (;;) {
        const FrameState state = TakeFrame(m_buffer, &payload);
        if (state == FrameState::Incomplete) {
            return;
        }
        ReadReply reply;
        if (state == FrameState::Broken || !DecodeReply(payload, &reply) || !m_page ||
            reply.id != *m_page) {
            Fail(ReadStatus::Crashed);  // a worker out of step is no use for the next page
            return;
        }
        m_timer.stop();
        m_page.reset();
        Q_EMIT replied(reply);
    }
}

void ReaderWorker::Fail(ReadStatus status) {
    m_timer.stop();
    QProcess* process = std::exchange(m_process, nullptr);
    if (process) {
        process->disconnect(this);
        process->kill();
        // Reaped when it has ended, without waiting here.
        connect(process, &QProcess::finished, process, &QObject::deleteLater);
        if (process->state() == QProcess::NotRunning) {
            process->deleteLater();
        }
    }
    if (m_page) {
        ReadReply reply;
        reply.id = *std::exchange(m_page, std::nullopt);
        reply.status = status;
        // Always from the event loop, also when starting fails at once inside Read(): the
        // pool never sees a page answered before it has been sent.
        QMetaObject::invokeMethod(
            this, [this, reply] { Q_EMIT replied(reply); }, Qt::QueuedConnection);
    }
}

void ReaderWorker::OnFinished() {
    Fail(ReadStatus::Crashed);
}

void ReaderWorker::OnError(QProcess::ProcessError error) {
    if (error == QProcess::FailedToStart) {
        Fail(ReadStatus::NoWorker);
    } else if (error == QProcess::Crashed || error == QProcess::WriteError) {
        Fail(ReadStatus::Crashed);
    }
}

void ReaderWorker::OnTimeout() {
    Fail(ReadStatus::TimedOut);
}

}  // namespace tavelo
