#include "native/render/page_ink.h"

#include <algorithm>

namespace quarvel {

InkBox InkBox::Spanning(double x1, double y1, double x2, double y2) {
  return {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

InkBox InkBox::Grown(double margin) const {
  return {left - margin, top - margin, right + margin, bottom + margin};
}

InkBox InkBox::Moved(double dx, double dy) const {
  return {left + dx, top + dy, right + dx, bottom + dy};
}

InkBox InkBox::Including(const InkBox& other) const {
  return {std::min(left, other.left), std::min(top, other.top), std::max(right, other.right),
          std::max(bottom, other.bottom)};
}

bool InkBox::Overlaps(const InkBox& other) const {
  return other.left < right && left < other.right && other.top < bottom && top < other.bottom;
}

void PageInk::Clear() {
  boxes_.clear();
  full_ = false;
}

void PageInk::Add(const InkBox& box) {
  if (boxes_.size() == kMaxBoxes) {
    full_ = true;
    return;
  }
  boxes_.push_back(box);
}

bool PageInk::Touches(const InkBox& box) const {
  if (full_) return true;
  return std::any_of(boxes_.begin(), boxes_.end(),
                     [&box](const InkBox& ink) { return ink.Overlaps(box); });
}

}  // namespace quarvel
