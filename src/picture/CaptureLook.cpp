#include "picture/CaptureLook.h"

namespace tavelo {

bool ShownCaptureSize(int mode, int camRotation, int& width, int& height) {
    if (mode != 2) {
        return false;
    }
    const bool upright = camRotation % 2 == 0;
    width = upright ? 960 : 768;
    height = upright ? 768 : 960;
    return true;
}

}  // namespace tavelo
