// A printer that forwards every call to another one, for fakes that change
// only some of the calls.
#ifndef QUARVEL_TESTING_PRINTER_WRAPPER_H_
#define QUARVEL_TESTING_PRINTER_WRAPPER_H_

#include <memory>

#include "printer/printer.h"

namespace quarvel {

class PrinterWrapper : public Printer {
 public:
  // Forwards to `target`, which must outlive the wrapper.
  explicit PrinterWrapper(Printer& target) : target_(target) {}

  DialogOutcome ChoosePrinter(Orientation orientation) override {
    return target_.ChoosePrinter(orientation);
  }
  bool InstallAbortProc() override { return target_.InstallAbortProc(); }
  void StartDocument() override { target_.StartDocument(); }
  void StartPage() override { target_.StartPage(); }
  void EndPage() override { target_.EndPage(); }
  void EndDocument() override { target_.EndDocument(); }
  void OutputText(DevicePoint at, const FontSpec& font, const WideString& text) override {
    target_.OutputText(at, font, text);
  }
  void DrawSegment(DevicePoint from, DevicePoint to) override { target_.DrawSegment(from, to); }
  std::unique_ptr<Picture> LoadPicture(const WideString& path) override {
    return target_.LoadPicture(path);
  }
  void DrawPicture(Picture& picture, const ImageRect& rect) override {
    target_.DrawPicture(picture, rect);
  }

 private:
  Printer& target_;
};

}  // namespace quarvel

#endif  // QUARVEL_TESTING_PRINTER_WRAPPER_H_
