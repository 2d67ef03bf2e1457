#pragma once
// Alignment of the selection: the page gathers the units to align (a
// selected object whose group is not selected, or a selected group standing
// for all its members) with their bounding boxes, a calculator writes an
// offset or a pair of scale factors into each record, and the page applies
// them (SDoc::AlignPositions, SDoc::AlignSizes).
#include <vector>

namespace page {

class SObj;

// One unit. Boxes are in page pixels (y grows downward). The results are
// an offset (dx, dy) for position alignment, or scale factors in x and y
// for size alignment; they start at 0.
struct SAlignInfo {
  SObj* object = nullptr;
  double minX = 0.0;
  double minY = 0.0;
  double maxX = 0.0;
  double maxY = 0.0;
  double dx = 0.0;
  double dy = 0.0;
};

class SAlignRect {
 public:
  SAlignRect() = default;
  SAlignRect(const SAlignRect&) = delete;
  SAlignRect& operator=(const SAlignRect&) = delete;
  virtual ~SAlignRect() = default;
  // Writes the result of every record it handles. The spacing calculators
  // sort the records by their centres and leave the first and last at 0.
  virtual void Compute(std::vector<SAlignInfo>& /*items*/) {}
};

// Position alignment: dx 0 and dy to the topmost top edge.
class SAlignUp : public SAlignRect {
 public:
  void Compute(std::vector<SAlignInfo>& items) override;
};
// dy to the mean of the vertical centres.
class SAlignUD : public SAlignRect {
 public:
  void Compute(std::vector<SAlignInfo>& items) override;
};
// dy to the lowest bottom edge.
class SAlignDown : public SAlignRect {
 public:
  void Compute(std::vector<SAlignInfo>& items) override;
};
// dx to the rightmost right edge.
class SAlignR : public SAlignRect {
 public:
  void Compute(std::vector<SAlignInfo>& items) override;
};
// dx to the mean of the horizontal centres.
class SAlignLR : public SAlignRect {
 public:
  void Compute(std::vector<SAlignInfo>& items) override;
};
// dx to the leftmost left edge.
class SAlignL : public SAlignRect {
 public:
  void Compute(std::vector<SAlignInfo>& items) override;
};
// Even spacing of the centres between the first and the last (three or
// more units).
class SAlignUDDist : public SAlignRect {
 public:
  void Compute(std::vector<SAlignInfo>& items) override;
};
class SAlignLRDist : public SAlignRect {
 public:
  void Compute(std::vector<SAlignInfo>& items) override;
};
// Even gaps between neighbours, the first and the last staying (three or
// more units).
class SAlignUDGap : public SAlignRect {
 public:
  void Compute(std::vector<SAlignInfo>& items) override;
};
class SAlignLRGap : public SAlignRect {
 public:
  void Compute(std::vector<SAlignInfo>& items) override;
};
// Size alignment: every unit as high as the highest (dx 1, dy the factor).
class SAlignHeight : public SAlignRect {
 public:
  void Compute(std::vector<SAlignInfo>& items) override;
};
// Every unit as wide as the widest (dx the factor, dy 1).
class SAlignWidth : public SAlignRect {
 public:
  void Compute(std::vector<SAlignInfo>& items) override;
};

}  // namespace page
