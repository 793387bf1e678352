#pragma once

#include <memory>
#include <vector>

#include "device/DeviceLink.h"

namespace tavelo::test {

// Short enough that waiting out a silent camera costs a test little (a wait under emulation
// is a busy loop).
inline constexpr int kRigTimeoutMs = 60;

// The rows a transfer reported, in order.
struct RecordedProgress : RowProgress {
    void RowsReceived(int rows) override { positions.push_back(rows); }
    std::vector<int> positions;
};

// A device link over a backend, and what its picture transfers reported.
struct LinkRig {
    explicit LinkRig(DeviceBackend& backend, int timeoutMs = kRigTimeoutMs)
        : link(backend, timeoutMs) {}

    LinkResult ReadImage(MemoryBlock& block, int width, int height) {
        return link.ReadImage(block, width, height, &progress);
    }

    DeviceLink link;
    RecordedProgress progress;
};

}  // namespace tavelo::test
