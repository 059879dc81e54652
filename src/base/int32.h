// 32-bit integer arithmetic that wraps around like the target's machine arithmetic.
// Coordinates read from a coordinate code may lie anywhere in the 32-bit range, so sums and
// products of them must not be undefined behaviour.
#pragma once

#include <cstdint>

namespace dz {

constexpr std::int32_t Wrap(std::uint32_t v) {
  return static_cast<std::int32_t>(v);
}
constexpr std::int32_t Add32(std::int32_t a, std::int32_t b) {
  return Wrap(static_cast<std::uint32_t>(a) + static_cast<std::uint32_t>(b));
}
constexpr std::int32_t Sub32(std::int32_t a, std::int32_t b) {
  return Wrap(static_cast<std::uint32_t>(a) - static_cast<std::uint32_t>(b));
}
constexpr std::int32_t Mul32(std::int32_t a, std::int32_t b) {
  return Wrap(static_cast<std::uint32_t>(a) * static_cast<std::uint32_t>(b));
}
// Division truncating toward zero; INT32_MIN / −1 wraps to INT32_MIN instead of trapping.
constexpr std::int32_t Div32(std::int32_t a, std::int32_t b) {
  return (b == -1) ? Sub32(0, a) : a / b;
}

}  // namespace dz
