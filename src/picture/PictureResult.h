#pragma once

#include <cstdint>

namespace tavelo {

// Results of the imaging control's methods: 0 is success, anything else says what failed.
enum PictureResult : std::int16_t {
    PIC_OK = 0,
    PIC_BAD_ARGUMENT = 1,  // an argument out of its range
    PIC_NO_PICTURE = 2,    // the operation needs a picture and there is none
    PIC_MALFORMED = 3,     // the data is not a picture of a known kind
    PIC_TRUNCATED = 4,     // the data ends before the picture does
    PIC_TOO_LARGE = 5,     // the picture is past the size bounds
    PIC_UNSUPPORTED = 6,   // a well-formed picture of a kind we do not read or write
    PIC_NO_MEMORY = 7,     // the pixels could not be allocated
    PIC_FILE_OPEN = 8,     // the file cannot be opened
    PIC_FILE_WRITE = 9,    // writing or committing the file failed
};

}  // namespace tavelo
