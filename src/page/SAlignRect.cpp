#include "page/SAlignRect.h"

#include <algorithm>

namespace page {
namespace {

// One axis of a record: its box edges and its result along that axis.
struct Axis {
  double SAlignInfo::*min;
  double SAlignInfo::*max;
  double SAlignInfo::*result;
  double SAlignInfo::*other;  // the result along the other axis
};

constexpr Axis kVertical{&SAlignInfo::minY, &SAlignInfo::maxY, &SAlignInfo::dy, &SAlignInfo::dx};
constexpr Axis kHorizontal{&SAlignInfo::minX, &SAlignInfo::maxX, &SAlignInfo::dx, &SAlignInfo::dy};

double Centre(const SAlignInfo& r, const Axis& a) { return (r.*a.min + r.*a.max) / 2.0; }

// Every record moves so that `edge(record)` becomes `target`.
template <typename Edge>
void AlignTo(std::vector<SAlignInfo>& items, const Axis& a, double target, Edge edge) {
  for (SAlignInfo& r : items) {
    r.*a.other = 0.0;
    r.*a.result = target - edge(r);
  }
}

void AlignMin(std::vector<SAlignInfo>& items, const Axis& a) {
  if (items.empty()) return;
  double target = items.front().*a.min;
  for (const SAlignInfo& r : items) target = std::min(target, r.*a.min);
  AlignTo(items, a, target, [&](const SAlignInfo& r) { return r.*a.min; });
}

void AlignMax(std::vector<SAlignInfo>& items, const Axis& a) {
  if (items.empty()) return;
  double target = items.front().*a.max;
  for (const SAlignInfo& r : items) target = std::max(target, r.*a.max);
  AlignTo(items, a, target, [&](const SAlignInfo& r) { return r.*a.max; });
}

void AlignCentre(std::vector<SAlignInfo>& items, const Axis& a) {
  if (items.empty()) return;
  double sum = 0.0;
  for (const SAlignInfo& r : items) sum += Centre(r, a);
  const double target = sum / static_cast<double>(items.size());
  AlignTo(items, a, target, [&](const SAlignInfo& r) { return Centre(r, a); });
}

// Ascending by the sum of the edges; equal sums keep their list order.
void SortAlong(std::vector<SAlignInfo>& items, const Axis& a) {
  std::stable_sort(items.begin(), items.end(), [&](const SAlignInfo& l, const SAlignInfo& r) {
    return l.*a.min + l.*a.max < r.*a.min + r.*a.max;
  });
}

void DistributeCentres(std::vector<SAlignInfo>& items, const Axis& a) {
  SortAlong(items, a);
  const std::size_t n = items.size();
  if (n < 3) return;
  const double first = Centre(items.front(), a);
  const double span = Centre(items.back(), a) - first;
  for (std::size_t k = 1; k + 1 < n; ++k) {
    SAlignInfo& r = items[k];
    r.*a.result = first + span * static_cast<double>(k) / static_cast<double>(n - 1) - Centre(r, a);
    r.*a.other = 0.0;
  }
}

void DistributeGaps(std::vector<SAlignInfo>& items, const Axis& a) {
  SortAlong(items, a);
  const std::size_t n = items.size();
  if (n < 3) return;
  double total = 0.0;
  for (std::size_t k = 0; k + 1 < n; ++k) total += items[k + 1].*a.min - items[k].*a.max;
  const double gap = total / static_cast<double>(n - 1);
  double pos = items.front().*a.max;
  for (std::size_t k = 1; k + 1 < n; ++k) {
    SAlignInfo& r = items[k];
    pos += gap;
    r.*a.result = pos - r.*a.min;
    r.*a.other = 0.0;
    pos += r.*a.max - r.*a.min;
  }
}

// Every unit grows to the largest extent along the axis; the other factor
// stays 1.
void MatchLargest(std::vector<SAlignInfo>& items, const Axis& a) {
  double largest = 0.0;
  for (const SAlignInfo& r : items) largest = std::max(largest, r.*a.max - r.*a.min);
  for (SAlignInfo& r : items) {
    r.*a.other = 1.0;
    r.*a.result = largest / (r.*a.max - r.*a.min);
  }
}

}  // namespace

void SAlignUp::Compute(std::vector<SAlignInfo>& items) { AlignMin(items, kVertical); }
void SAlignUD::Compute(std::vector<SAlignInfo>& items) { AlignCentre(items, kVertical); }
void SAlignDown::Compute(std::vector<SAlignInfo>& items) { AlignMax(items, kVertical); }
void SAlignR::Compute(std::vector<SAlignInfo>& items) { AlignMax(items, kHorizontal); }
void SAlignLR::Compute(std::vector<SAlignInfo>& items) { AlignCentre(items, kHorizontal); }
void SAlignL::Compute(std::vector<SAlignInfo>& items) { AlignMin(items, kHorizontal); }
void SAlignUDDist::Compute(std::vector<SAlignInfo>& items) { DistributeCentres(items, kVertical); }
void SAlignLRDist::Compute(std::vector<SAlignInfo>& items) { DistributeCentres(items, kHorizontal); }
void SAlignUDGap::Compute(std::vector<SAlignInfo>& items) { DistributeGaps(items, kVertical); }
void SAlignLRGap::Compute(std::vector<SAlignInfo>& items) { DistributeGaps(items, kHorizontal); }
void SAlignHeight::Compute(std::vector<SAlignInfo>& items) { MatchLargest(items, kVertical); }
void SAlignWidth::Compute(std::vector<SAlignInfo>& items) { MatchLargest(items, kHorizontal); }

}  // namespace page
