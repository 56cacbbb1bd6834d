// What the native printer draws the pages of one job on, and how the job's
// files are made of them. User space is device pixels, with the origin at
// the sheet's top-left corner and y growing downward.
#ifndef QUARVEL_NATIVE_PAGE_CANVAS_H_
#define QUARVEL_NATIVE_PAGE_CANVAS_H_

#include <cairo.h>

#include <vector>

#include "native/arial_faces.h"
#include "native/job_delivery.h"
#include "native/page_ink.h"
#include "native/text_layout.h"
#include "shared_types.h"

namespace quarvel {

// Where an image is drawn: its top-left corner and its size, which is
// negative where the image is mirrored.
struct ImagePlace {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
};

class PageCanvas {
 public:
  virtual ~PageCanvas() = default;

  // A context whose transformation and font options are those that text is
  // drawn with, for laying text out. It is valid while a page is open.
  virtual cairo_t* layout_context() = 0;

  virtual void StartPage() = 0;
  virtual void EndPage() = 0;
  // Ends the job, whose pages have all ended, and returns its files.
  virtual std::vector<JobFile> Finish() = 0;

  // The drawing calls, each made while a page is open.
  // Fills `box` with white.
  virtual void FillWhite(const InkBox& box) = 0;
  // Draws `run`, laid out with `font` of `face`, in black; as the glyphs'
  // outlines filled when `as_outlines` is true.
  virtual void DrawText(const ArialFace& face, const KeptFont& font, const GlyphRun& run,
                        bool as_outlines) = 0;
  // Draws a black line one pixel wide with square caps through the centres
  // of the pixels `from` and `to`.
  virtual void DrawSegment(DevicePoint from, DevicePoint to) = 0;
  // Draws `image`, an ARGB32 image surface, smoothed, scaled into `place`.
  virtual void DrawImage(cairo_surface_t* image, const ImagePlace& place) = 0;
};

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_PAGE_CANVAS_H_
