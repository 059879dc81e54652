// What the page hands to dz_pointer. make_page.py writes the page's tables of them
// (dozero.PointerEvent and dozero.HeldButton in ids.js) from these enums: keep one
// enumerator a line.
#pragma once

namespace dz::web {

// The event, dz_pointer's first argument.
enum PointerEvent {
  kLeftDown = 0,
  kMove = 1,
  kLeftUp = 2,
  kRightDown = 3,
  kRightUp = 4,
};

// The buttons held, as bits of its second.
enum HeldButton {
  kLeft = 1,
  kRight = 2,
};

}  // namespace dz::web
