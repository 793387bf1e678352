#pragma once

#include <cstdint>

#include "picture/BmpCodec.h"

namespace tavelo {

// Reads the JPEG file open as `fd` (at its start) into `out`: Format_RGB888, or for a grey
// picture Format_Indexed8 with a grey ramp unless `rgb` asks for colour. The frame header is
// checked against the picture bounds before anything is decoded; the decoder's working
// memory, its number of scans and what it reads are bounded; a picture that does not decode
// whole (data missing or corrupt) is refused. Returns a PictureResult code.
std::int16_t DecodeJpegFile(int fd, bool rgb, DecodedPicture& out);

}  // namespace tavelo
