// The native printer: renders the print job in the page geometry of a
// Windows printer device context (see page_geometry.h) in every format it
// is asked for, as one PDF or PostScript document per job or one SVG or PNG
// file per page, and hands each finished job to a JobDelivery. PDF is
// written by the project's own writer (pdf_canvas.h), the other formats by
// cairo (cairo_canvas.h).
//
// It behaves like a spooler: page calls outside a document and drawing
// outside a page are dropped, a second "start" while a document or page is
// open is dropped, ending a document ends its open page, and a document that
// is never ended is never delivered.
//
// A job whose pages cannot be made (memory that runs out, a page that cairo
// cannot make) fails: it is not delivered, what it holds is freed at once,
// and the rest of it is not drawn. A text line is held a piece at a time
// while it is drawn, and the pieces of a long line that lie wholly off the
// sheet are left out, so that a line costs memory and output by what of it
// can be seen.
#ifndef QUARVEL_NATIVE_RENDER_RENDERING_PRINTER_H_
#define QUARVEL_NATIVE_RENDER_RENDERING_PRINTER_H_

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "native/job/print_job.h"
#include "native/render/arial_faces.h"
#include "native/render/page_canvas.h"
#include "native/render/page_ink.h"
#include "native/render/page_settings.h"
#include "native/render/text_layout.h"
#include "printer/printer.h"
#include "shared_types.h"

namespace quarvel {

// Hears what becomes of the pages and jobs of a run; by default, hears
// nothing.
class PrintEvents {
 public:
  virtual ~PrintEvents() = default;

  virtual void PageRendered() {}
  virtual void JobDelivered() {}
  // A job that was not delivered: `why` names its file or printer and the
  // reason, in one line.
  virtual void JobFailed(std::string_view /*why*/) {}
  // What the user should hear of that does not fail the job: an image that
  // is not drawn.
  virtual void Warn(std::string_view /*message*/) {}
  // The image file at `path` is read for the job.
  virtual void ImageRead(std::string_view /*path*/) {}
};

class RenderingPrinter : public Printer {
 public:
  // Prints with `settings`, delivering jobs to `delivery` and telling
  // `events` of each page and job; both must outlive the printer.
  RenderingPrinter(const PageSettings& settings, JobDelivery& delivery, PrintEvents& events);
  ~RenderingPrinter() override;
  RenderingPrinter(const RenderingPrinter&) = delete;
  RenderingPrinter& operator=(const RenderingPrinter&) = delete;

  // Always answered with this printer, in the orientation chosen in the
  // settings, else in the one asked for.
  DialogOutcome ChoosePrinter(Orientation orientation) override;
  bool InstallAbortProc() override { return true; }
  void StartDocument() override;
  void StartPage() override;
  void EndPage() override;
  void EndDocument() override;
  // Black text on an opaque white cell as wide as the text's advance.
  void OutputText(DevicePoint at, const FontSpec& font, const WideString& text) override;
  // One device pixel wide, black.
  void DrawSegment(DevicePoint from, DevicePoint to) override;
  // Decodes the image file at once (see image_file.h); a file that cannot be
  // decoded gives a picture that draws nothing, and one that is too large is
  // reported, once per path.
  std::unique_ptr<Picture> LoadPicture(const WideString& path) override;
  void DrawPicture(Picture& picture, const ImageRect& rect) override;

  // False once a job could not be delivered.
  bool all_delivered() const { return all_delivered_; }

  // Takes the page count of each job to come, in order, as a first reading
  // of the script found them; a streamed job tells its count before its
  // pages are drawn, and a job beyond them tells none.
  void ExpectJobs(std::vector<int> pages) { expected_pages_ = std::move(pages); }

  // The pieces in which a text line is laid out and drawn, in UTF-16 units.
  static constexpr size_t kTextPiece = 4096;

 private:
  // Runs `draw` on the job's canvas, unless the job failed; memory that runs
  // out, or a canvas that cannot make what it is given, fails the job.
  template <typename Draw>
  void Guarded(Draw draw);
  // Begins the job in a streamed format: its stream, and a canvas that
  // writes to it; on failure, neither.
  void StartStream();
  // Fails the job being rendered for `reason`, and frees its pages.
  void FailJob(std::string_view reason);
  // Draws `text`, whose whole line has the advance and ink laid out in
  // run_ when it is one piece, piece by piece from `origin`; pieces off
  // the sheet are left out.
  void DrawTextPieces(const ArialFace& face, double em, const WideString& text,
                      TextLayout::Pen origin, bool as_outlines);
  // Lays out the line `text` from `origin` piece by piece for its advance
  // and ink; the last piece stays in run_.
  void MeasureText(const ArialFace& face, double em, const WideString& text, TextLayout::Pen origin,
                   double* advance, std::optional<InkBox>* ink);
  // Whether the PDF canvas can embed `face`; asked once a face.
  bool Embeddable(const ArialFace& face);
  // Whether text of `face` at `em` is drawn as its glyphs' outlines: where
  // a raster keeps a bitmap of each glyph that is too large, and in PDF
  // where a face cannot be embedded.
  bool AsOutlines(const ArialFace& face, double em);
  // The layout of text on the pages, made once the orientation is known.
  TextLayout& Layout();

  PageSettings settings_;
  std::vector<int> expected_pages_;
  size_t jobs_started_ = 0;
  JobDelivery& delivery_;
  PrintEvents& events_;
  ArialFaces faces_;
  std::optional<TextLayout> text_layout_;
  // What was drawn on the current page, when its white cells may be left
  // out where they cover nothing: on pages that are white, all but SVG's.
  PageInk ink_;
  const bool white_page_;
  // The line being drawn, kept to reuse its memory.
  GlyphRun run_;
  std::map<const ArialFace*, bool> embeddable_;
  // The pages of the job being rendered; null once the job failed. A job in
  // a streamed format is written to its stream as its pages end.
  class WatchedStream;
  std::unique_ptr<WatchedStream> stream_;
  std::unique_ptr<PageCanvas> canvas_;
  bool document_open_ = false;
  bool page_open_ = false;
  // The pages of the job begun so far, and why it failed, if it did.
  int pages_ = 0;
  std::optional<std::string> failure_;
  bool all_delivered_ = true;
  std::set<std::string> reported_images_;
};

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_RENDER_RENDERING_PRINTER_H_
