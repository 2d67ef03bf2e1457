#pragma once
// The popups of the property bars' menu buttons. The bars store the chosen
// item's position (from 1, separators counted), so the order is fixed.
#include <vector>

#include "app/ControlLogic.h"

namespace app {

// Command numbers of the items, in menu order.
enum PropMenuCommand : int {
  kLineStyleFirst = 34100,  // "等幅" ... "鎖線" (separators have none)
  kArrowFirst = 34120,      // "なし", "終点", "始点", "両端"
  kEdgeQualityFirst = 34130,  // "普通", "ややきれい", "きれい"
  kShadingFirst = 34140,    // "なめらか", "３階調", "２階調", "べた塗り"
};

std::vector<MenuEntry> LineStyleMenu();
std::vector<MenuEntry> ArrowMenu();
std::vector<MenuEntry> EdgeQualityMenu();
std::vector<MenuEntry> ShadingMenu();

}  // namespace app
