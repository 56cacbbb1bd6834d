// The log printer: a stand-in for a real printer on systems without one. It
// writes the print job as an operation log, one line per operation:
//
//   dialog portrait | dialog landscape      the print dialog (always answered)
//   abortproc                               the abort procedure installed
//   startdoc "MyDoc" | startpage | endpage | enddoc
//   text X Y HEIGHT WEIGHT ITALIC "TEXT"    one text line at a device point
//   line X1 Y1 X2 Y2                        one segment between device points
//   image "PATH" X Y W H                    one image and its rectangle
//
// Text is quoted with C escapes (\\ \" \n \r \t, \xHH for the other control
// characters) and written as UTF-8.
#ifndef QUARVEL_PRINTER_LOG_PRINTER_H_
#define QUARVEL_PRINTER_LOG_PRINTER_H_

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

#include "printer/printer.h"
#include "shared_types.h"

namespace quarvel {

// Quotes `text` for the operation log.
std::string QuoteForLog(const WideString& text);

// Where the lines of an operation log go.
class LineSink {
 public:
  virtual ~LineSink() = default;

  // Takes one line, without its line end.
  virtual void WriteLine(std::string_view line) = 0;
};

// Writes each line and a line feed to a stream, which it does not own.
class StreamLineSink : public LineSink {
 public:
  explicit StreamLineSink(std::FILE* out) : out_(out) {}

  void WriteLine(std::string_view line) override;

 private:
  std::FILE* out_;
};

class LogPrinter : public Printer {
 public:
  // Writes the log to `sink`, which must outlive the printer.
  explicit LogPrinter(LineSink& sink) : sink_(sink) {}

  // Always answered with a printer, in the orientation asked for.
  DialogOutcome ChoosePrinter(Orientation orientation) override;
  bool InstallAbortProc() override;
  void StartDocument() override;
  void StartPage() override;
  void EndPage() override;
  void EndDocument() override;
  void OutputText(DevicePoint at, const FontSpec& font, const WideString& text) override;
  void DrawSegment(DevicePoint from, DevicePoint to) override;
  // Decodes nothing: the picture only remembers its path.
  std::unique_ptr<Picture> LoadPicture(const WideString& path) override;
  // Logs `picture`, which must be a PathPicture, by its path.
  void DrawPicture(Picture& picture, const ImageRect& rect) override;

  // The picture of this printer: the path it was loaded from.
  struct PathPicture : Picture {
    explicit PathPicture(WideString image_path) : path(std::move(image_path)) {}
    WideString path;
  };

 private:
  LineSink& sink_;
};

}  // namespace quarvel

#endif  // QUARVEL_PRINTER_LOG_PRINTER_H_
