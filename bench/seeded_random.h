#pragma once

// A fixed pseudo-random sequence: the standard distributions may differ between library builds, so
// the same seed would not give the same library everywhere.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace tunvex::bench {

class SeededRandom {
  public:
    explicit SeededRandom(uint64_t seed) : state_(seed) {}

    // splitmix64
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Inclusive bounds.
    int Between(int low, int high) {
        return low + static_cast<int>(Next() % static_cast<uint64_t>(high - low + 1));
    }

    bool Percent(int chance) { return Between(0, 99) < chance; }

    std::string_view Pick(std::span<const std::string_view> choices) {
        return choices[static_cast<std::size_t>(Between(0, static_cast<int>(choices.size()) - 1))];
    }

  private:
    uint64_t state_;
};

}  // namespace tunvex::bench
