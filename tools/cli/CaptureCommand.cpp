#include "CaptureCommand.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "ExitCodes.h"
#include "PageRun.h"
#include "camera/Capture.h"
#include "picture/PictureEngine.h"
#include "picture/RawConversion.h"
#include "picture/RawPicture.h"
#include "res/ErrorCode.h"

namespace tavelo::cli {
namespace {

void Pause(double seconds) {
    if (seconds > 0) {
        std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    }
}

// The capture exchange, the flip, the conversion, and the look the application gives a
// fresh capture (the mode-2 resize, the sharpen amount of the sharpness position).
int CaptureOne(DeviceLink& link, CliHost& host, const CaptureOptions& o, PictureEngine& picture) {
    CapturedRows captured = CaptureRows(link, host);
    if (captured.result == LinkResult::NoPictureSize) {
        std::fprintf(stderr, "tavelo-cli: no picture size for capture mode %d, rotation %d\n",
                     captured.mode, captured.rotation);
        return EXIT_UNKNOWN_STATUS;
    }
    if (captured.result != LinkResult::Done) {
        return host.Fail(captured.result);
    }
    const RawShape shape{captured.width, captured.height, captured.mode, captured.rotation};
    MemoryBlock raw;
    EngineTarget target(picture);
    switch (ShowRawCapture(target, raw, std::move(captured.rows), shape,
                           kSharpAmounts[o.sharpIndex], host)) {
        case RawPictureResult::Shown:
            break;
        case RawPictureResult::NoRows:
        case RawPictureResult::FlipFailed:
        case RawPictureResult::BitmapFailed:
            return EXIT_MEMORY;  // told once already, where it was told at all
        case RawPictureResult::LoadFailed:
        case RawPictureResult::NotFinished:
            host.ReportError(ERR_MEMORY);  // our own bitmap fails only for want of memory
            return EXIT_MEMORY;
    }
    return EXIT_OK;
}

}  // namespace

int CaptureCommand(DeviceLink& link, CliHost& host, const CaptureOptions& options) {
    // Each picture is captured when the writer asks for it, after the pause.
    return WritePages(
        [&](int index, SourcePicture& shown) {
            if (index > 0) {
                Pause(options.intervalSeconds);
            }
            return CaptureOne(link, host, options, shown.picture);
        },
        options, host);
}

}  // namespace tavelo::cli
