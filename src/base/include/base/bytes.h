#pragma once

#include <bit>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace tarnwick {

// Little-endian fields; the caller has checked that the bytes exist.
inline uint32_t ReadU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline int32_t ReadI32(const uint8_t* p) {
  return static_cast<int32_t>(ReadU32(p));
}
inline uint16_t ReadU16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}
inline float ReadF32(const uint8_t* p) {
  return std::bit_cast<float>(ReadU32(p));
}

inline void WriteI32(uint8_t* p, int32_t value) {
  const auto v = static_cast<uint32_t>(value);
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

// An allocator whose new elements are left as they are, for buffers that are filled right after
// they grow: a file read into one is not first filled with zeros.
template <class T>
struct UninitializedAllocator : std::allocator<T> {
  template <class U>
  struct rebind {
    using other = UninitializedAllocator<U>;
  };
  UninitializedAllocator() = default;
  template <class U>
  UninitializedAllocator(const UninitializedAllocator<U>&) {}
  template <class U, class... Args>
  void construct(U* p, Args&&... args) {
    if constexpr (sizeof...(Args) == 0) {
      ::new (static_cast<void*>(p)) U;
    } else {
      ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
  }
};

// The bytes of a file: a map's as loaded and saved, a cache item's as extracted. Bytes(n) and
// resize(n) leave the new bytes undefined; say Bytes(n, 0) for zeros.
using Bytes = std::vector<uint8_t, UninitializedAllocator<uint8_t>>;

}  // namespace tarnwick
