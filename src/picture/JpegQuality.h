#pragma once

namespace tavelo {

// The Q factor (2..255, lower is better) as a JPEG quality (100..1, higher is better).
// Two straight pieces meeting at the default: Q 2..15 runs over quality 100..95, where
// users pick, and Q 15..255 over 95..1. Non-increasing; Q outside 2..255 is clamped.
int JpegQualityFromQFactor(int qFactor);

}  // namespace tavelo
