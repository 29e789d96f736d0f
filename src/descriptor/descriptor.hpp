#pragma once

#include <cstdint>

namespace mervane {

// The parts of a packed descriptor code F*100000 + X*1000 + Y. Y is kept to 8 bits, as a
// message stores it, so a code whose Y part exceeds 255 reads modulo 256.
constexpr std::uint32_t descriptor_f(std::uint32_t code) {
  return code / 100000;
}
constexpr std::uint32_t descriptor_x(std::uint32_t code) {
  return code % 100000 / 1000;
}
constexpr std::uint8_t descriptor_y(std::uint32_t code) {
  return static_cast<std::uint8_t>(code % 1000);
}

// Class 31 elements (replication factors and other data description qualifiers) are exempt
// from associated fields and the missing-value rule.
constexpr bool is_class31(std::uint32_t code) {
  return descriptor_x(code) == 31;
}

// The pseudo-code that marks an associated field, in expansions and in decoded values.
inline constexpr std::uint32_t kAssociatedFieldCode = 999999;

// The Descriptor value of the Python API: three octets stored as given.
struct Descriptor {
  std::uint8_t f = 0;
  std::uint8_t x = 0;
  std::uint8_t y = 0;

  static constexpr Descriptor from_fxy(std::uint32_t code) {
    return {static_cast<std::uint8_t>(code / 100000 % 256),
            static_cast<std::uint8_t>(code % 100000 / 1000),
            static_cast<std::uint8_t>(code % 1000 % 256)};
  }
  constexpr std::uint32_t fxy() const { return f * 100000u + x * 1000u + y; }
};

}  // namespace mervane
