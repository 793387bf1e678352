#pragma once

#include <QString>
#include <cstdio>
#include <functional>
#include <string>

#include "camera/Capture.h"
#include "device/CameraLink.h"
#include "picture/RawConversion.h"

namespace tavelo::cli {

// What the terminal shows: one line on stderr for a failure, in the words the application
// uses for it, and the transfer's progress as a bar there when stderr is a terminal.
class CliHost : public CaptureHooks, public MemoryShortage {
public:
    explicit CliHost(bool showProgress) : m_bShowProgress(showProgress) {}

    // What to add to "USB:Failed to transmit.": why no camera was reached (the tool asks only
    // once a command could not be sent).
    void SetNoCameraHint(std::function<std::string()> hint) { m_noCameraHint = std::move(hint); }
    // Prints the message of an error code of the frame's table.
    void ReportError(int code);
    // "Failed to save the image." with the file and, when known, why.
    void ReportSaveFailure(const QString& path, const QString& reason);
    // Prints "tavelo-cli: " and `line`, e.g. a page not found or not read.
    void Tell(const QString& line);
    // Prints the line a failed exchange gives; nothing for Done.
    void Report(LinkResult result);
    // Report, then the tool's exit code for the result (0 for Done).
    int Fail(LinkResult result);

    void TransferStarts(int width, int height) override;
    void RowsReceived(int rows) override;
    void TransferEnded() override { EndProgress(); }
    void OutOfMemory() override;

private:
    void EndProgress();

    std::function<std::string()> m_noCameraHint;
    bool m_bShowProgress;
    bool m_bProgressShown = false;
    int m_nHeight = 0;
};

}  // namespace tavelo::cli
