// Where the minimised main window draws its icon (portable, so it is tested natively).
#pragma once

namespace quillet::ui {

// The icon's offset along one axis of the client area: centred, rounding half up, and the
// division truncating toward zero, so an icon wider than the area still starts at 0 when it
// is at most one unit wider.
constexpr int CenteredIconOffset(int clientExtent, int iconExtent) {
  return (clientExtent - iconExtent + 1) / 2;
}

}  // namespace quillet::ui
