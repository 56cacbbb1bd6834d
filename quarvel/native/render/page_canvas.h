// What the native printer draws the pages of one job on, and what a job's
// files are made of. User space is device pixels, with the origin at the
// sheet's top-left corner and y growing downward.
#ifndef QUARVEL_NATIVE_RENDER_PAGE_CANVAS_H_
#define QUARVEL_NATIVE_RENDER_PAGE_CANVAS_H_

#include <memory>
#include <vector>

#include "native/images/image_file.h"
#include "native/job/print_job.h"
#include "native/job/status.h"
#include "native/render/arial_faces.h"
#include "native/render/page_ink.h"
#include "native/render/text_layout.h"
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

  virtual void StartPage() = 0;
  virtual void EndPage() = 0;
  // Ends the job, whose pages have all ended, and gives its files. Once a
  // page or a drawing could not be made (a surface that cannot be made,
  // memory that ran out, a file that could not be written), the job has no
  // files, and the status says why.
  virtual Status Finish(std::vector<JobFile>* files) = 0;
  // Ok while every page and drawing so far could be made; then why not, as
  // Finish will say it.
  virtual Status status() const = 0;

  // The drawing calls, each made while a page is open.
  // Fills `box` with white.
  virtual void FillWhite(const InkBox& box) = 0;
  // Draws `run`, laid out in `face` at the size `em`, in black; as the
  // glyphs' outlines filled when `as_outlines` is true.
  virtual void DrawText(const ArialFace& face, double em, const GlyphRun& run,
                        bool as_outlines) = 0;
  // Draws a black line one pixel wide with square caps through the centres
  // of the pixels `from` and `to`.
  virtual void DrawSegment(DevicePoint from, DevicePoint to) = 0;
  // Draws `image`, smoothed, scaled into `place`.
  virtual void DrawImage(const std::shared_ptr<const DecodedImage>& image,
                         const ImagePlace& place) = 0;
};

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_RENDER_PAGE_CANVAS_H_
