#pragma once
// Bytes of a file kept in memory for later reading. The storage grows
// without being cleared first (the bytes are read straight into it) and is
// reused by the next text that fits, so a file read again and again in one
// process touches no fresh memory.
#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

namespace quenby {

// Storage of at least `bytes`, uninitialised. Large storage comes in huge
// pages where the system has them: a fresh process then takes one fault per
// 2 MB instead of one per 4 kB.
char* AllocateKeptBytes(size_t bytes, size_t& granted);
void ReleaseKeptBytes(char* data, size_t granted);

class KeptText {
 public:
  KeptText() = default;
  ~KeptText() { ReleaseKeptBytes(data_, capacity_); }
  KeptText(const KeptText& other) { *this = other; }
  KeptText& operator=(const KeptText& other) {
    if (this != &other) {
      Reserve(other.size_);
      if (other.size_ > 0) std::memcpy(data_, other.data_, other.size_);
      size_ = other.size_;
    }
    return *this;
  }
  KeptText(KeptText&& other) noexcept { Swap(other); }
  KeptText& operator=(KeptText&& other) noexcept {
    Swap(other);
    return *this;
  }
  void Swap(KeptText& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
  }

  // Room for at least bytes; the text is dropped.
  void Reserve(size_t bytes) {
    size_ = 0;
    if (bytes > capacity_) {
      ReleaseKeptBytes(data_, capacity_);
      data_ = nullptr;
      capacity_ = 0;
      data_ = AllocateKeptBytes(bytes, capacity_);
    }
  }
  // Room for at least bytes, keeping the text.
  void Grow(size_t bytes) {
    if (bytes <= capacity_) return;
    size_t granted = 0;
    char* larger = AllocateKeptBytes(bytes, granted);
    if (size_ > 0) std::memcpy(larger, data_, size_);
    ReleaseKeptBytes(data_, capacity_);
    data_ = larger;
    capacity_ = granted;
  }
  char* Data() { return data_; }
  size_t Capacity() const { return capacity_; }
  void SetSize(size_t size) { size_ = size; }
  std::string_view View() const { return {data_, size_}; }

 private:
  char* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

}  // namespace quenby
