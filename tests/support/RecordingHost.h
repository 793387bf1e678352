#pragma once

#include <vector>

#include "device/LinkHost.h"

namespace tavelo::test {

// Stands in for the main frame and its view, and remembers everything the link asked of it.
class RecordingHost : public LinkHost {
public:
    int ReportError(int code) override {
        errors.push_back(code);
        return 1;
    }
    bool IsNotReady() const override { return notReady; }
    int PictureWidth() const override { return width; }
    int PictureHeight() const override { return height; }
    void CloseRemote() override { ++closeRemoteCalls; }
    void SetProgressPos(int pos) override { progress.push_back(pos); }

    bool notReady = false;
    int width = 1280;
    int height = 1024;
    std::vector<int> errors;
    int closeRemoteCalls = 0;
    std::vector<int> progress;
};

}  // namespace tavelo::test
