// Where something has been drawn on the current page. A text line is drawn
// on an opaque white cell, which blanks out what was drawn under it before;
// where nothing was drawn, on a page that is white, the cell changes
// nothing, and the printer leaves it out. Most cells of a document cover
// nothing, since each line lies below the one before.
#ifndef QUARVEL_NATIVE_RENDER_PAGE_INK_H_
#define QUARVEL_NATIVE_RENDER_PAGE_INK_H_

#include <cstddef>
#include <vector>

namespace quarvel {

// A rectangle in device pixels; left <= right and top <= bottom.
struct InkBox {
  double left = 0;
  double top = 0;
  double right = 0;
  double bottom = 0;

  // The box of the two corners (x1, y1) and (x2, y2), in any order.
  static InkBox Spanning(double x1, double y1, double x2, double y2);
  // This box grown by `margin` on every side.
  InkBox Grown(double margin) const;
  // This box moved by (dx, dy).
  InkBox Moved(double dx, double dy) const;
  // The smallest box that holds this one and `other`.
  InkBox Including(const InkBox& other) const;
  // Whether this box and `other` overlap by more than their edges.
  bool Overlaps(const InkBox& other) const;
};

class PageInk {
 public:
  // Beyond this many boxes a page is taken as covered everywhere, which
  // keeps each question short on a page of very many drawings.
  static constexpr size_t kMaxBoxes = 1024;

  // Forgets what was drawn: a new page starts.
  void Clear();

  // Notes that something was drawn inside `box`.
  void Add(const InkBox& box);

  // Whether anything drawn so far may lie inside `box`: true when a box
  // noted overlaps it by more than its edge.
  bool Touches(const InkBox& box) const;

 private:
  std::vector<InkBox> boxes_;
  bool full_ = false;
};

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_RENDER_PAGE_INK_H_
