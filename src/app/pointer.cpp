// Placeholder: replaced by the real implementation.
#include "app/pointer.h"

namespace dz {
void OnLeftButtonDown(std::uint32_t) {}
void OnMouseMove(std::uint32_t, std::uint32_t) {}
void OnLeftButtonUp(std::uint32_t) {}
void OnRightButtonDown() {}
void OnRightButtonUp() {}
}  // namespace dz
