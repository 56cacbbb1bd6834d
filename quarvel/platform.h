// The platform seam: every service of the operating system that the program
// uses, gathered in one interface. The script rules, the grammars of all
// blocks and the coordinate arithmetic are portable code that reaches the
// system through this interface only.
//
// Implementations: the Win32 printer (Windows), the log printer (a stand-in
// that writes the print job as text, for development on other systems) and
// the recording printer of the tests. The file and text services are the
// host's own and are shared by all of them (see host.h).
#ifndef QUARVEL_PLATFORM_H_
#define QUARVEL_PLATFORM_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "files.h"
#include "script/script_values.h"
#include "script/widen_text.h"

namespace quarvel {

// A path in the host's own form: UTF-16 on Windows, bytes elsewhere.
#ifdef _WIN32
using PathChar = wchar_t;
#else
using PathChar = char;
#endif

// What the print dialog gave back.
struct PrinterChoice {
  // A printer was chosen, and its device context is ready for the job.
  bool has_device_context = false;
  // No printer was chosen because the dialog itself failed (as opposed to
  // the user cancelling it).
  bool dialog_failed = false;
};

// The font of one text line, as the font mapper takes it.
struct FontSpec {
  // Positive: cell height; negative: character height; zero: default size.
  int32_t height = 0;
  // 400 (normal) or 700 (bold).
  int32_t weight = 400;
  bool italic = false;

  friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

// The destination of an image on the drawing surface, in the surface's own
// units (hundredths of an inch on a printer), y growing downward.
struct ImageRect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;

  friend bool operator==(const ImageRect&, const ImageRect&) = default;
};

// An image loaded from a file. Whether loading succeeded is the
// implementation's business: drawing an image that failed to load draws
// nothing. Destroying the object releases the image and its file.
class Picture {
 public:
  virtual ~Picture() = default;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // --- Files and text -------------------------------------------------------

  // Opens the script at `path` for reading, with sharing open to other
  // readers and writers. A relative path is taken from the current
  // directory. Returns null when the file cannot be opened for reading.
  virtual std::unique_ptr<InputFile> OpenScript(const PathChar* path) = 0;

  // Creates the trace file `name` in the current directory, or truncates it
  // if it exists, for buffered writing with sharing open to other readers
  // and writers. Returns null when the file cannot be created.
  virtual std::unique_ptr<OutputFile> CreateTrace(const char* name) = 0;

  // Converts `text`, bytes in the system ANSI code page without a NUL, to
  // UTF-16. Bytes that are invalid in the code page are converted all the
  // same; the conversion never fails.
  virtual WideString ConvertAnsiText(std::string_view text) = 0;

  // Writes `message` to standard output as it stands, without a line end.
  virtual void WriteStandardOutput(std::string_view message) = 0;

  // --- Printing ------------------------------------------------------------
  // Results of the printing calls are never examined, except where a
  // function returns one.

  // Starts the graphics library that loads and draws images. Called once,
  // first of all.
  virtual void StartGraphics() = 0;

  // Shows the print dialog with `orientation` ("portrait" or "landscape")
  // preselected, and keeps the chosen printer's device context for the rest
  // of the run.
  virtual PrinterChoice ChoosePrinter(const std::string& orientation) = 0;

  // Creates the drawing surface for images on the device context. Called
  // once, right after ChoosePrinter, whatever it returned.
  virtual void CreateDrawingSurface() = 0;

  // Installs the abort procedure, which keeps the thread's messages flowing
  // while the spooler works. Returns false when it cannot be installed,
  // which is always the case without a device context.
  virtual bool InstallAbortProc() = 0;

  // Starts a spooler document named "MyDoc".
  virtual void StartDocument() = 0;
  virtual void StartPage() = 0;
  virtual void EndPage() = 0;
  virtual void EndDocument() = 0;

  // Draws `text` in Arial with `font`, the top-left corner of its cell at
  // `at`, black on an opaque white background. The font is created for this
  // one call and deleted after it.
  virtual void OutputText(DevicePoint at, const FontSpec& font, const WideString& text) = 0;

  // Draws one straight segment from `from` to `to` with the default pen.
  virtual void DrawSegment(DevicePoint from, DevicePoint to) = 0;

  // Loads the image file at `path` (never null, even when the file cannot be
  // loaded).
  virtual std::unique_ptr<Picture> LoadPicture(const WideString& path) = 0;

  // Draws `picture`, which this platform loaded, scaled into `rect` on the
  // drawing surface.
  virtual void DrawPicture(Picture& picture, const ImageRect& rect) = 0;
};

}  // namespace quarvel

#endif  // QUARVEL_PLATFORM_H_
