#pragma once

#include <cstdint>

namespace tavelo {

// A small generator whose sequence is fixed by its seed on every platform and library, so a
// desk scene of a given seed is the same picture everywhere the tests run.
class SceneRandom {
public:
    explicit SceneRandom(std::uint64_t seed) : m_state(seed * 0x9E3779B97F4A7C15ull + 1) {}

    std::uint32_t Next() {
        // splitmix64
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return static_cast<std::uint32_t>((z ^ (z >> 31)) >> 32);
    }
    // Uniform in [low, high).
    double Uniform(double low, double high) { return low + (high - low) * (Next() / 4294967296.0); }
    // Uniform in [low, high].
    int Int(int low, int high) {
        return low + static_cast<int>(Next() % static_cast<std::uint32_t>(high - low + 1));
    }
    bool Chance(double p) { return Uniform(0, 1) < p; }

private:
    std::uint64_t m_state;
};

}  // namespace tavelo
