#pragma once
// Pages built for the renderer's tests, the export and print checks and
// the benchmark.
#include <memory>
#include <string>

#include "page/SDoc.h"
#include "page/SFigText.h"

namespace pagetest {

// A 160 × 120 page of shapes and a picture, without text (so it draws the
// same whatever fonts are installed): the golden image's page.
//
//   background 0xF0F8FF, border 2 pt in dark blue
//   1000 rectangle, yellow with a black 2-pixel line        (40, 30) 50 × 30
//   1001 oval, no fill, red line, turned 30°                (110, 35) 50 × 30
//   1002 line with arrows at both ends                      (80, 100) 120 × 10
//   1003 polygon (triangle), green fill, grey shadow        (35, 85) 40 × 40
//   1004 picture: a 16 × 16 gradient with a transparent corner (130, 85) 32 × 32
//   1005 panel frame (rectangle, blue line, no fill)        (80, 60) 60 × 40
//     1006 oval in the frame, filled magenta, reaching past it
std::unique_ptr<page::SDoc> MakeShapesPage();

// A 300 × 200 page holding Japanese text written across and in a column,
// a picture and shapes; the page `MakeShapesPage` would be, with text.
std::unique_ptr<page::SDoc> MakeJapanesePage();

// A 12 pt text shape in the default face ("ＭＳ Ｐゴシック", drawn with the
// installed Japanese face of its kind).
std::unique_ptr<page::SFigText> MakeText(const std::string& text, bool vertical);

// Adds an object of the shape at the centre (x, y) and size (w, h), in the
// container `parentId` (-1 the page); answers it.
page::SObj& AddShape(page::SDoc& doc, std::unique_ptr<page::SFig> fig, double x, double y, double w, double h,
                     int parentId = -1);

// Adds a text object of that shape; answers it.
page::SObj& AddText(page::SDoc& doc, const std::string& text, bool vertical, double x, double y, double w, double h);

}  // namespace pagetest
