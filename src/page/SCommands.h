#pragma once
// Every undoable command of the page, for the windows and trackers that
// build them.
#include "page/SCom.h"          // SCom, SComEnd
#include "page/SComFigure.h"    // pose, animation, library files, part colours
#include "page/SComFlag.h"      // selection, visibility, frames, order, copy, duplicate
#include "page/SComFlagDel.h"   // cut, delete, group, ungroup, frame membership, paste
#include "page/SComInp.h"       // insertion from files and the clipboard
#include "page/SComInput2D.h"   // drawn shapes and their adjustments
#include "page/SComPlace.h"     // move, scale, turn, special handles, align, mirror, grid, page size
#include "page/SComSetProp.h"   // property values, shape data, conversion to a picture
#include "page/SComs.h"         // the undo stack
