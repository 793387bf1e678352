#include "picture/JpegQuality.h"

#include <algorithm>

namespace tavelo {

namespace {
constexpr int kBestQ = 2;
constexpr int kDefaultQ = 15;
constexpr int kWorstQ = 255;
constexpr int kBestQuality = 100;
constexpr int kDefaultQuality = 95;
constexpr int kWorstQuality = 1;

// Linear from (q0, v0) to (q1, v1), rounded to nearest.
int Interpolate(int q, int q0, int v0, int q1, int v1) {
    const int span = q1 - q0;
    return v0 + ((v1 - v0) * (q - q0) * 2 + (v1 >= v0 ? span : -span)) / (2 * span);
}
}  // namespace

int JpegQualityFromQFactor(int qFactor) {
    const int q = std::clamp(qFactor, kBestQ, kWorstQ);
    if (q <= kDefaultQ) {
        return Interpolate(q, kBestQ, kBestQuality, kDefaultQ, kDefaultQuality);
    }
    return Interpolate(q, kDefaultQ, kDefaultQuality, kWorstQ, kWorstQuality);
}

}  // namespace tavelo
