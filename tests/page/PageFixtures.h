#pragma once
// Pages built by hand for the stream and file tests.
#include <memory>

#include "page/SDoc.h"

namespace pagetest {

// Every 2D shape, a group and nested panel frames, with values that differ
// from the defaults:
//
//   1000 rectangle, selected, labelled "枠A", turned
//   1001 group                         (hidden container)
//     1002 oval                          in 1001
//     1003 line, arrows at both ends     in 1001
//   1004 panel frame (rectangle)        clips its members
//     1005 polyline (open, editable)     in 1004
//     1006 panel frame (oval), 0x20      in 1004, keeps no mask
//       1007 rectangle                   in 1006
//   1008 plain vector shape (type 3)
//
// Grid, page size and resolution differ from a new page's too.
std::unique_ptr<page::SDoc> MakeEveryShapePage();

}  // namespace pagetest
