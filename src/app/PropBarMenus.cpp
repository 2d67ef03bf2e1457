#include "app/PropBarMenus.h"

#include <initializer_list>

namespace app {
namespace {

// Items numbered from `first`; a null text is a separator.
std::vector<MenuEntry> Numbered(int first, std::initializer_list<const char*> texts) {
  std::vector<MenuEntry> entries;
  int command = first;
  for (const char* text : texts) {
    if (text == nullptr)
      entries.push_back(MenuEntry{0, {}});
    else
      entries.push_back(MenuEntry{command++, text});
  }
  return entries;
}

}  // namespace

std::vector<MenuEntry> LineStyleMenu() {
  return Numbered(kLineStyleFirst,
                  {"等幅", nullptr, "縦太", "横太", "右太", "左太", "格子", nullptr, "点線", "破線", "鎖線"});
}

std::vector<MenuEntry> ArrowMenu() { return Numbered(kArrowFirst, {"なし", "終点", "始点", "両端"}); }

std::vector<MenuEntry> EdgeQualityMenu() { return Numbered(kEdgeQualityFirst, {"普通", "ややきれい", "きれい"}); }

std::vector<MenuEntry> ShadingMenu() { return Numbered(kShadingFirst, {"なめらか", "３階調", "２階調", "べた塗り"}); }

}  // namespace app
