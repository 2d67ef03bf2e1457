#pragma once
// Private to the page renderer: what it asks of a page's container
// structure (groups and panel frames own the objects that follow them and
// name them in parentId).
#include <vector>

#include "page/SDoc.h"

namespace page::view_detail {

// The container an object names; null at the top or when it is missing.
SObj* ParentOf(const SDoc& doc, const SObj& object);
// For each list index, the index of the last object of its member range:
// the last object nested below it, or itself when it holds none.
std::vector<int> MemberRangeEnds(const SDoc& doc);
// The object when it is a panel frame, else its nearest container that is.
SObj* PanelFrameOf(const SDoc& doc, SObj& object);
// The selection mark of an object: 0 not selected; 1 selected, no group
// around it; 2 inside a selected outermost group; 3 inside an unselected one.
int SelectionMark(const SDoc& doc, const SObj& object);

}  // namespace page::view_detail
