// The minimised main window's icon: centred with the division truncating toward zero.
#include "ui/icon_placement.h"

#include <gtest/gtest.h>

namespace quillet::ui {
namespace {

TEST(IconPlacementTest, CentresAndTruncatesTowardZero) {
  struct Case {
    int client, icon, offset;
  } cases[] = {
      {32, 32, 0},                // exactly the icon's size
      {35, 32, 2},                // (35 - 32 + 1) / 2
      {36, 32, 2},  {30, 32, 0},  // -1 / 2 truncates to 0, not -1
      {29, 32, -1}, {0, 32, -15},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CenteredIconOffset(c.client, c.icon), c.offset) << c.client << " " << c.icon;
  }
}

}  // namespace
}  // namespace quillet::ui
