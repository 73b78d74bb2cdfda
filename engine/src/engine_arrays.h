#pragma once
// Tables of the engine. Every table has lower bound 0 in each dimension and
// is re-created all zero (texts empty) by the routine that fills it.
// operator() is unchecked for the hot loops; At() checks and fails with a
// subscript error, as every access outside a table must.
#include <cstdint>
#include <new>
#include <string>
#include <vector>

#include "common/failure.h"
#include "common/uninitialized_allocator.h"

namespace quenby {

[[noreturn]] inline void FailSubscript(const char* table, int64_t i, int64_t upper) {
  common::Fail(common::FailureClass::Subscript, std::string(table) + "(" + std::to_string(i) +
                                                    ") lies outside 0 To " + std::to_string(upper));
}

template <class T>
class Array1 {
 public:
  // (0 To upper); upper below 0 is a subscript failure, as for a table whose
  // upper bound lies below its lower bound.
  void Redim(int64_t upper, const char* name = "table") {
    if (upper < 0) FailSubscript(name, upper, -1);
    v_.assign(static_cast<size_t>(upper) + 1, T{});
  }
  int64_t Upper() const { return static_cast<int64_t>(v_.size()) - 1; }
  bool Empty() const { return v_.empty(); }
  T& operator()(int64_t i) { return v_[static_cast<size_t>(i)]; }
  const T& operator()(int64_t i) const { return v_[static_cast<size_t>(i)]; }
  T& At(int64_t i, const char* name = "table") {
    if (i < 0 || i > Upper()) FailSubscript(name, i, Upper());
    return v_[static_cast<size_t>(i)];
  }
  const T& At(int64_t i, const char* name = "table") const {
    if (i < 0 || i > Upper()) FailSubscript(name, i, Upper());
    return v_[static_cast<size_t>(i)];
  }
  T* data() { return v_.data(); }
  const T* data() const { return v_.data(); }
  void Clear() { v_.clear(); v_.shrink_to_fit(); }

 private:
  std::vector<T> v_;
};

template <class T>
class Array2 {
 public:
  // (0 To upper1, 0 To upper2), row-major.
  void Redim(int64_t upper1, int64_t upper2, const char* name = "table") {
    if (upper1 < 0) FailSubscript(name, upper1, -1);
    if (upper2 < 0) FailSubscript(name, upper2, -1);
    n1_ = upper1 + 1;
    n2_ = upper2 + 1;
    v_.assign(static_cast<size_t>(n1_) * static_cast<size_t>(n2_), T{});
  }
  // The same for a table whose filler writes every cell (i, j), i and j from
  // 1, before anything reads it: only row 0 and column 0 are set to T{}, the
  // rest is left as the memory holds it, which spares a pass over a table
  // of many cases.
  void RedimForOverwrite(int64_t upper1, int64_t upper2, const char* name = "table") {
    if (upper1 < 0) FailSubscript(name, upper1, -1);
    if (upper2 < 0) FailSubscript(name, upper2, -1);
    n1_ = upper1 + 1;
    n2_ = upper2 + 1;
    v_.clear();
    v_.resize(static_cast<size_t>(n1_) * static_cast<size_t>(n2_));
    for (int64_t j = 0; j < n2_; ++j) v_[static_cast<size_t>(j)] = T{};
    for (int64_t i = 1; i < n1_; ++i) v_[static_cast<size_t>(i * n2_)] = T{};
  }
  int64_t Upper1() const { return n1_ - 1; }
  int64_t Upper2() const { return n2_ - 1; }
  T& operator()(int64_t i, int64_t j) { return v_[static_cast<size_t>(i * n2_ + j)]; }
  const T& operator()(int64_t i, int64_t j) const { return v_[static_cast<size_t>(i * n2_ + j)]; }
  T& At(int64_t i, int64_t j, const char* name = "table") {
    Check(i, j, name);
    return (*this)(i, j);
  }
  const T& At(int64_t i, int64_t j, const char* name = "table") const {
    Check(i, j, name);
    return (*this)(i, j);
  }
  T* Row(int64_t i) { return v_.data() + i * n2_; }
  const T* Row(int64_t i) const { return v_.data() + i * n2_; }
  T* data() { return v_.data(); }
  const T* data() const { return v_.data(); }
  void Clear() {
    v_.clear();
    v_.shrink_to_fit();
    n1_ = n2_ = 0;
  }

 private:
  void Check(int64_t i, int64_t j, const char* name) const {
    if (i < 0 || i > Upper1()) FailSubscript(name, i, Upper1());
    if (j < 0 || j > Upper2()) FailSubscript(name, j, Upper2());
  }
  std::vector<T, common::UninitializedAllocator<T>> v_;
  int64_t n1_ = 0, n2_ = 0;
};

// Fails with Subscript unless t holds cell (upper1, upper2), and so every
// cell of rows 0..upper1, columns 0..upper2: a loop that indexes without
// checks asks first. Without a reader the message reads
// "name(upper1, upper2) lies outside (0 To u1, 0 To u2)"; with one,
// "name is (0 To u1, 0 To u2) but <reader> reads it up to (upper1, upper2)".
[[noreturn]] inline void FailCells(const char* name, int64_t upper1, int64_t upper2, int64_t have1, int64_t have2,
                                   const std::string& reader) {
  std::string bounds = "(0 To ";
  bounds += std::to_string(have1);
  bounds += ", 0 To ";
  bounds += std::to_string(have2);
  bounds += ")";
  std::string cell = "(";
  cell += std::to_string(upper1);
  cell += ", ";
  cell += std::to_string(upper2);
  cell += ")";
  std::string message = name;
  if (reader.empty()) {
    message += cell;
    message += " lies outside ";
    message += bounds;
  } else {
    message += " is ";
    message += bounds;
    message += " but ";
    message += reader;
    message += " reads it up to ";
    message += cell;
  }
  common::Fail(common::FailureClass::Subscript, message);
}

template <class T>
void RequireCells(const Array2<T>& t, int64_t upper1, int64_t upper2, const char* name,
                  const std::string& reader = {}) {
  if (upper1 > t.Upper1() || upper2 > t.Upper2()) FailCells(name, upper1, upper2, t.Upper1(), t.Upper2(), reader);
}

}  // namespace quenby
