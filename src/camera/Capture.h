#pragma once

#include "device/CameraLink.h"
#include "device/MemoryBlock.h"

namespace tavelo {

// The raw capture size the camera's capture mode and rotation give: 1280 x 768 (mode 2,
// rotation 0 or 2), 1024 x 1024 (2; 1 or 3), 1280 x 1024 (3; 0 or 2), 1024 x 1280 (3; 1 or 3).
// False for any other pair.
bool RawCaptureSize(int mode, int rotation, int& width, int& height);

// What the caller shows around the picture transfer; the rows' progress comes in between.
class CaptureHooks : public RowProgress {
public:
    virtual void TransferStarts(int width, int height) = 0;
    virtual void TransferEnded() = 0;

protected:
    ~CaptureHooks() = default;
};

// One still picture as the camera sent it.
struct CapturedRows {
    LinkResult result = LinkResult::NotSent;
    int mode = 0;      // the status reply's capture mode digit, as it came
    int rotation = 0;  // and its camera rotation digit
    int width = 0;     // the raw size, once the status named one
    int height = 0;
    MemoryBlock rows;  // height rows of 2 * width bytes, top row first; only when Done
};

// The capture exchange: "QS2  " and its reply, the raw size it names, "TR0  " and its
// acknowledgement, a zeroed block for the rows, then the rows. Stops at the first step that
// fails and says which; the hooks run only around a transfer that starts, and always both.
CapturedRows CaptureRows(CameraLink& link, CaptureHooks& hooks);

}  // namespace tavelo
