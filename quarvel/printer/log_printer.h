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
// Text is quoted as text/quoted_text.h says.
#ifndef QUARVEL_PRINTER_LOG_PRINTER_H_
#define QUARVEL_PRINTER_LOG_PRINTER_H_

#include <array>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "printer/printer.h"
#include "shared_types.h"

namespace quarvel {

// Where the lines of an operation log go.
class LineSink {
 public:
  virtual ~LineSink() = default;

  // Takes one line, with the line feed that ends it.
  virtual void WriteLine(std::string_view line) = 0;
};

// Writes each line to a stream, which it does not own.
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
  // Starts a line with `word`, with room for `numbers` numbers and
  // `more_bytes` bytes, and returns where the line goes on.
  char* StartLine(std::string_view word, size_t numbers, size_t more_bytes);
  // Writes each of `numbers` at `to`, after a blank, and returns the end of
  // what it wrote. The numbers in the same place of consecutive lines (most
  // of them: the x, the height and the style of the lines of a block) are
  // formatted once.
  char* WriteNumbers(std::initializer_list<int32_t> numbers, char* to);
  // Ends the line that ends at `end` and hands it to the sink.
  void EndLine(char* end);

  // A number as the last line in its place had it: a blank and its digits.
  struct FormattedNumber {
    int32_t value = 0;
    uint8_t length = 0;  // 0 until the place was first used
    char digits[12] = {};
  };

  LineSink& sink_;
  // The room for the line being written, kept to reuse its memory.
  std::string line_;
  // By place in the line; no line has more than five numbers.
  std::array<FormattedNumber, 5> last_numbers_;
};

}  // namespace quarvel

#endif  // QUARVEL_PRINTER_LOG_PRINTER_H_
