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

#include "host.h"

namespace quarvel {

// Quotes `text` for the operation log.
std::string QuoteForLog(const WideString& text);

class LogPrinter : public Host {
 public:
  // Writes the log to `out`, which the printer does not own.
  explicit LogPrinter(std::FILE* out) : out_(out) {}

  void StartGraphics() override {}
  PrinterChoice ChoosePrinter(const std::string& orientation) override;
  void CreateDrawingSurface() override {}
  bool InstallAbortProc() override;
  void StartDocument() override;
  void StartPage() override;
  void EndPage() override;
  void EndDocument() override;
  void OutputText(DevicePoint at, const FontSpec& font, const WideString& text) override;
  void DrawSegment(DevicePoint from, DevicePoint to) override;
  // Decodes nothing: the picture only remembers its path.
  std::unique_ptr<Picture> LoadPicture(const WideString& path) override;
  void DrawPicture(Picture& picture, const ImageRect& rect) override;

  // The picture of this printer.
  struct PathPicture : Picture {
    explicit PathPicture(WideString image_path) : path(std::move(image_path)) {}
    WideString path;
  };

 protected:
  // Writes one line of the log.
  virtual void Log(std::string_view line);

 private:
  std::FILE* out_ = nullptr;
};

}  // namespace quarvel

#endif  // QUARVEL_PRINTER_LOG_PRINTER_H_
