#include "camera/Capture.h"

#include "camera/CommandSet.h"

namespace tavelo {

bool RawCaptureSize(int mode, int rotation, int& width, int& height) {
    if ((mode != 2 && mode != 3) || rotation < 0 || rotation > 3) {
        return false;
    }
    const bool upright = rotation % 2 == 0;
    width = upright ? 1280 : 1024;
    if (mode == 2) {
        height = upright ? 768 : 1024;
    } else {
        height = upright ? 1024 : 1280;
    }
    return true;
}

CapturedRows CaptureRows(CameraLink& link, CaptureHooks& hooks) {
    CapturedRows c;
    StatusReply status;
    c.result = QueryStatus(link, cmd::QUERY_GROUP2, status);
    const StatusGroup2 group = DecodeGroup2(status);
    c.mode = group.captureMode;
    c.rotation = group.rotation;
    if (c.result != LinkResult::Done) {
        return c;
    }
    if (!RawCaptureSize(c.mode, c.rotation, c.width, c.height)) {
        c.result = LinkResult::NoPictureSize;
        return c;
    }
    c.result = SendAndConfirm(link, cmd::TRANSFER);
    if (c.result != LinkResult::Done) {
        return c;
    }
    c.rows = MemoryBlock::Allocate(2u * static_cast<std::size_t>(c.width) *
                                   static_cast<std::size_t>(c.height));
    if (c.rows.IsNull()) {
        c.result = LinkResult::OutOfMemory;
        return c;
    }
    hooks.TransferStarts(c.width, c.height);
    c.result = link.ReadImage(c.rows, c.width, c.height, &hooks);
    hooks.TransferEnded();
    if (c.result != LinkResult::Done) {
        c.rows.Free();
    }
    return c;
}

}  // namespace tavelo
