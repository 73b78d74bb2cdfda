#pragma once
// The generator's own random numbers: SplitMix64, so that a sample set is the
// same bytes on every machine and every library version (the standard
// distributions may differ between implementations).
#include <cstdint>
#include <utility>
#include <vector>

namespace samples {

class Prng {
 public:
  explicit Prng(uint64_t seed) : state_(seed) {}

  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

  // Uniform in [0, 1), 53 random bits.
  double Unit() { return static_cast<double>(Next() >> 11) * 0x1.0p-53; }
  double Uniform(double lo, double hi) { return lo + (hi - lo) * Unit(); }
  // Uniform in 0..n-1 (n > 0); the modulo bias is far below what matters here.
  int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }

  template <class T>
  void Shuffle(std::vector<T>& v) {
    for (size_t i = v.size(); i > 1; --i) std::swap(v[i - 1], v[static_cast<size_t>(Below(static_cast<int>(i)))]);
  }

 private:
  uint64_t state_;
};

}  // namespace samples
