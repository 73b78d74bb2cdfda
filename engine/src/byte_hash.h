#pragma once
// A cheap hash of a run of bytes fed in pieces of any size: the same bytes
// give the same value however they are split. It tells a section read again
// from its file from the one checked at loading (a file rewritten in place
// with the same size and time); it is no defence against a chosen change.
// Four lanes of 64-bit words, each with a running sum and a sum of running
// sums, so a changed, moved or swapped word changes the value; at memory
// speed, with no multiplication in the loop.
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace quenby {

class ByteHash {
 public:
  void Add(const char* data, size_t size) {
    if (size == 0) return;  // data may be null then
    total_ += size;
    if (held_ > 0) {
      const size_t take = size < kBlock - held_ ? size : kBlock - held_;
      std::memcpy(block_ + held_, data, take);
      held_ += take;
      data += take;
      size -= take;
      if (held_ < kBlock) return;
      Blocks(block_, 1);
      held_ = 0;
    }
    Blocks(data, size / kBlock);
    held_ = size % kBlock;
    std::memcpy(block_, data + size - held_, held_);
  }

  uint64_t Value() const {
    ByteHash last = *this;
    std::memset(last.block_ + held_, 0, kBlock - held_);
    last.Blocks(last.block_, 1);
    uint64_t h = total_;
    for (int j = 0; j < 4; ++j) h = Mix(h ^ Mix(last.sum_[j] + Mix(last.sums_[j])));
    return h;
  }

 private:
  static constexpr size_t kBlock = 32;

  void Blocks(const char* data, size_t count) {
    uint64_t s[4], t[4];
    for (int j = 0; j < 4; ++j) s[j] = sum_[j], t[j] = sums_[j];
    for (size_t i = 0; i < count; ++i, data += kBlock) {
      uint64_t w[4];
      std::memcpy(w, data, kBlock);
      for (int j = 0; j < 4; ++j) {
        s[j] += w[j];
        t[j] += s[j];
      }
    }
    for (int j = 0; j < 4; ++j) sum_[j] = s[j], sums_[j] = t[j];
  }
  // A bijective finaliser: every bit of the input reaches every bit.
  static uint64_t Mix(uint64_t x) {
    x ^= x >> 30;
    x *= 0xbf58476d1ce4e5b9u;
    x ^= x >> 27;
    x *= 0x94d049bb133111ebu;
    return x ^ (x >> 31);
  }

  uint64_t sum_[4] = {};
  uint64_t sums_[4] = {};
  uint64_t total_ = 0;
  char block_[kBlock] = {};
  size_t held_ = 0;
};

}  // namespace quenby
