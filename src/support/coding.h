// Little-endian encoding of the 32-bit integers and IEEE single-precision
// reals that Header Array files hold. No other code does byte order itself.
#pragma once

#include <cstdint>
#include <cstring>

namespace modrask {

inline void EncodeFixed32(void* dst, uint32_t value) {
  auto* p = static_cast<unsigned char*>(dst);
  p[0] = static_cast<unsigned char>(value);
  p[1] = static_cast<unsigned char>(value >> 8);
  p[2] = static_cast<unsigned char>(value >> 16);
  p[3] = static_cast<unsigned char>(value >> 24);
}

inline uint32_t DecodeFixed32(const void* src) {
  const auto* p = static_cast<const unsigned char*>(src);
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

inline void EncodeInt32(void* dst, int32_t value) { EncodeFixed32(dst, static_cast<uint32_t>(value)); }
inline int32_t DecodeInt32(const void* src) { return static_cast<int32_t>(DecodeFixed32(src)); }

inline void EncodeFloat(void* dst, float value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  EncodeFixed32(dst, bits);
}

inline float DecodeFloat(const void* src) {
  const uint32_t bits = DecodeFixed32(src);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

// True on hosts whose memory order is the file order, so that runs of values
// can be moved with one memcpy instead of element by element.
inline constexpr bool kHostIsLittleEndian =
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    true;
#else
    false;
#endif

// Copies `count` 4-byte little-endian items from file bytes into host values.
inline void DecodeRun32(void* dst, const void* src, int64_t count) {
  if constexpr (kHostIsLittleEndian) {
    std::memcpy(dst, src, static_cast<size_t>(count) * 4);
  } else {
    auto* d = static_cast<uint32_t*>(dst);
    const auto* s = static_cast<const unsigned char*>(src);
    for (int64_t i = 0; i < count; ++i) d[i] = DecodeFixed32(s + 4 * i);
  }
}

// Copies `count` 4-byte host values into little-endian file bytes.
inline void EncodeRun32(void* dst, const void* src, int64_t count) {
  if constexpr (kHostIsLittleEndian) {
    std::memcpy(dst, src, static_cast<size_t>(count) * 4);
  } else {
    auto* d = static_cast<unsigned char*>(dst);
    const auto* s = static_cast<const uint32_t*>(src);
    for (int64_t i = 0; i < count; ++i) EncodeFixed32(d + 4 * i, s[i]);
  }
}

}  // namespace modrask
