#pragma once

// What the raw-capture benchmarks share: a capture-sized block of noisy 4:2:2 rows (every
// byte value occurs, so no conversion path is favoured by flat input) and a memory shortage
// that stays silent, since a benchmark has no frame to show a message in.

#include <cstdint>

#include "device/MemoryBlock.h"
#include "picture/RawConversion.h"

namespace tavelo::bench {

struct NoErrors : MemoryShortage {
    void OutOfMemory() override {}
};

// 2 x width x height bytes from a fixed linear congruential sequence: the same rows every run.
inline MemoryBlock NoisyRaw(int width, int height, std::uint32_t seed) {
    MemoryBlock raw = MemoryBlock::Allocate(2u * width * height);
    for (std::size_t i = 0; i < raw.Size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        raw.Data()[i] = static_cast<std::uint8_t>(seed >> 24);
    }
    return raw;
}

}  // namespace tavelo::bench
