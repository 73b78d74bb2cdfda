#pragma once
// An allocator whose containers leave new elements of a trivial type
// uninitialized when grown with resize(n): for tables whose every cell is
// written before it is read, the zero-fill would be a pass over the memory
// for nothing. assign(n, value) and resize(n, value) still set every cell.
#include <memory>
#include <new>
#include <type_traits>
#include <utility>

namespace common {

template <class T>
struct UninitializedAllocator : std::allocator<T> {
  template <class U>
  struct rebind {
    using other = UninitializedAllocator<U>;
  };
  UninitializedAllocator() noexcept = default;
  template <class U>
  UninitializedAllocator(const UninitializedAllocator<U>&) noexcept {}

  template <class U>
  void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
    ::new (static_cast<void*>(p)) U;  // default-, not value-initialized
  }
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

}  // namespace common
