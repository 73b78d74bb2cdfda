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

class KeptText {
 public:
  KeptText() = default;
  KeptText(const KeptText& other) { *this = other; }
  KeptText& operator=(const KeptText& other) {
    if (this != &other) {
      Reserve(other.size_);
      if (other.size_ > 0) std::memcpy(data_.get(), other.data_.get(), other.size_);
      size_ = other.size_;
    }
    return *this;
  }
  KeptText(KeptText&&) noexcept = default;
  KeptText& operator=(KeptText&&) noexcept = default;

  // Room for at least bytes; the text is dropped.
  void Reserve(size_t bytes) {
    size_ = 0;
    if (bytes > capacity_) {
      data_.reset(new char[bytes]);
      capacity_ = bytes;
    }
  }
  // Room for at least bytes, keeping the text.
  void Grow(size_t bytes) {
    if (bytes <= capacity_) return;
    std::unique_ptr<char[]> larger(new char[bytes]);
    if (size_ > 0) std::memcpy(larger.get(), data_.get(), size_);
    data_ = std::move(larger);
    capacity_ = bytes;
  }
  char* Data() { return data_.get(); }
  size_t Capacity() const { return capacity_; }
  void SetSize(size_t size) { size_ = size; }
  std::string_view View() const { return {data_.get(), size_}; }

 private:
  std::unique_ptr<char[]> data_;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

}  // namespace quenby
