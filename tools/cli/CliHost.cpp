#include "CliHost.h"

#include "ExitCodes.h"
#include "res/ErrorCode.h"
#include "res/Strings.h"

namespace tavelo::cli {

void CliHost::ReportError(int code) {
    const char* text = ErrorText(code);
    if (text == nullptr) {
        return;
    }
    EndProgress();
    std::fprintf(stderr, "tavelo-cli: %s\n", text);
}

void CliHost::ReportSaveFailure(const QString& path, const QString& reason) {
    EndProgress();
    const QByteArray where = path.toLocal8Bit();
    if (reason.isEmpty()) {
        std::fprintf(stderr, "tavelo-cli: %s %s\n", ErrorText(ERR_SAVE), where.constData());
    } else {
        std::fprintf(stderr, "tavelo-cli: %s %s: %s\n", ErrorText(ERR_SAVE), where.constData(),
                     reason.toLocal8Bit().constData());
    }
}

void CliHost::Tell(const QString& line) {
    EndProgress();
    std::fprintf(stderr, "tavelo-cli: %s\n", line.toLocal8Bit().constData());
}

int CliHost::Fail(LinkResult result) {
    Report(result);
    return ExitCode(result);
}

void CliHost::Report(LinkResult result) {
    switch (result) {
        case LinkResult::Done:
            return;
        case LinkResult::NotACommand:
            std::fprintf(stderr, "tavelo-cli: a command has at most %d characters\n",
                         PACKET_SIZE - 1);
            return;
        case LinkResult::NotSent: {
            const std::string hint = m_noCameraHint ? m_noCameraHint() : std::string();
            if (hint.empty()) {
                return ReportError(ERR_TRANSMIT);
            }
            EndProgress();
            std::fprintf(stderr, "tavelo-cli: %s %s\n", ErrorText(ERR_TRANSMIT), hint.c_str());
            return;
        }
        case LinkResult::ReplyPipeNotOpened:
            return ReportError(ERR_RECEIVE);
        case LinkResult::Refused:
            return ReportError(ERR_COMMUNICATE);
        case LinkResult::NoAnswer:
            std::fputs("tavelo-cli: the main unit did not answer\n", stderr);
            return;
        case LinkResult::NoPictureSize:
            std::fputs("tavelo-cli: the main unit named no picture size\n", stderr);
            return;
        case LinkResult::Incomplete:
            return ReportError(ERR_CAPTURE);
        case LinkResult::OutOfMemory:
            return ReportError(ERR_MEMORY);
    }
}

void CliHost::OutOfMemory() {
    ReportError(ERR_MEMORY);
}

void CliHost::TransferStarts(int, int height) {
    m_nHeight = height;
}

void CliHost::RowsReceived(int pos) {
    if (!m_bShowProgress || m_nHeight <= 0) {
        return;
    }
    // Redrawing every row would flood a slow terminal; 64 steps are smooth enough.
    if (pos != m_nHeight && pos % (m_nHeight / 64 + 1) != 0) {
        return;
    }
    constexpr int kWidth = 40;
    const int filled = pos * kWidth / m_nHeight;
    std::fprintf(stderr, "\rreceiving [%.*s%*s] %4d/%d rows", filled,
                 "########################################", kWidth - filled, "", pos, m_nHeight);
    std::fflush(stderr);
    m_bProgressShown = true;
}

void CliHost::EndProgress() {
    if (m_bProgressShown) {
        std::fputc('\n', stderr);
        m_bProgressShown = false;
    }
}

}  // namespace tavelo::cli
