#include "CliHost.h"

#include "res/Strings.h"

namespace tavelo::cli {

int CliHost::ReportError(int code) {
    const char* text = ErrorText(code);
    if (text == nullptr) {
        return 0;
    }
    EndProgress();
    m_errors.push_back(code);
    std::fprintf(stderr, "tavelo-cli: %s\n", text);
    return 1;
}

void CliHost::SetProgressPos(int pos) {
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
