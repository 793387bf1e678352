#pragma once

#include <cstdio>
#include <vector>

#include "device/LinkHost.h"

namespace tavelo::cli {

// The link's host for a terminal: messages go to stderr, the transfer's progress is drawn as
// a bar there when stderr is a terminal.
class CliHost : public LinkHost {
public:
    explicit CliHost(bool showProgress) : m_bShowProgress(showProgress) {}

    int ReportError(int code) override;
    bool IsNotReady() const override { return false; }
    int PictureWidth() const override { return m_nWidth; }
    int PictureHeight() const override { return m_nHeight; }
    void CloseRemote() override {}
    void SetProgressPos(int pos) override;

    void SetPictureSize(int width, int height) {
        m_nWidth = width;
        m_nHeight = height;
    }
    void EndProgress();
    const std::vector<int>& Errors() const { return m_errors; }

private:
    bool m_bShowProgress;
    bool m_bProgressShown = false;
    int m_nWidth = 0;
    int m_nHeight = 0;
    std::vector<int> m_errors;
};

}  // namespace tavelo::cli
