// libFuzzer target: any bytes as an RT_MENU template. A menu that parses must be a proper tree
// (every popup level non-empty, reached once, from a shallower level, within the depth bound)
// and must read back the same when the tests' writer writes it in either format. Build and
// run with fuzz/run.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "scan/pe/menu_template.h"
#include "tests/pe/pe_writer.h"

namespace {

using namespace quillet::pe;

// The levels below `level` as writer nodes; `depth` counts the levels above, so that a broken
// tree cannot recurse without end.
std::vector<writer::MenuNode> Nodes(const Menu& menu, std::size_t level, std::size_t depth) {
  FUZZ_CHECK(depth < kMaxMenuDepth);
  std::vector<writer::MenuNode> nodes;
  for (const MenuItem& item : menu.levels[level].items) {
    writer::MenuNode node = writer::Item(item.text);
    if (item.submenu >= 0) {
      const auto sub = static_cast<std::size_t>(item.submenu);
      FUZZ_CHECK(sub > level && sub < menu.levels.size());
      node.popup = true;
      node.children = Nodes(menu, sub, depth + 1);
    }
    nodes.push_back(std::move(node));
  }
  return nodes;
}

void CheckShape(const Menu& menu) {
  FUZZ_CHECK(!menu.levels.empty());
  std::vector<int> parents(menu.levels.size(), 0);
  for (const MenuLevel& level : menu.levels) {
    FUZZ_CHECK(!level.items.empty());
    for (const MenuItem& item : level.items) {
      FUZZ_CHECK(item.text.find(u'\0') == std::u16string::npos);
      if (item.submenu < 0) continue;
      FUZZ_CHECK(static_cast<std::size_t>(item.submenu) < menu.levels.size());
      ++parents[static_cast<std::size_t>(item.submenu)];
    }
  }
  FUZZ_CHECK(parents[0] == 0);
  for (std::size_t i = 1; i < parents.size(); ++i) FUZZ_CHECK(parents[i] == 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Result<Menu> menu = ParseMenuTemplate(std::span<const uint8_t>(data, size));
  if (!menu) return 0;
  CheckShape(*menu);
  const std::vector<writer::MenuNode> top = Nodes(*menu, 0, 0);
  for (const std::vector<uint8_t>& bytes : {writer::ClassicMenu(top), writer::ExtendedMenu(top)}) {
    Result<Menu> again = ParseMenuTemplate(bytes);
    FUZZ_CHECK(again.ok());
    FUZZ_CHECK(*again == *menu);
  }
  return 0;
}
