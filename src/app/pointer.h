// The mouse on the board: select, drag, drop, measure.
#pragma once

#include <cstdint>

namespace dz {

// Button flags of a mouse message.
constexpr std::uint32_t kLeftButton = 1;
constexpr std::uint32_t kRightButton = 2;

// lParam carries x in its low 16 bits and y in its high 16 bits, both unsigned.
void OnLeftButtonDown(std::uint32_t lParam);
void OnMouseMove(std::uint32_t buttons, std::uint32_t lParam);
void OnLeftButtonUp(std::uint32_t lParam);
void OnRightButtonDown();
void OnRightButtonUp();

}  // namespace dz
