// A printer that is always chosen and draws nothing: for measuring the
// interpreter without the cost of any output, and the base of printers that
// only watch some of its calls.
#ifndef QUARVEL_PRINTER_DISCARDING_PRINTER_H_
#define QUARVEL_PRINTER_DISCARDING_PRINTER_H_

#include <memory>

#include "printer/printer.h"

namespace quarvel {

class DiscardingPrinter : public Printer {
 public:
  DialogOutcome ChoosePrinter(Orientation) override { return DialogOutcome::kPrinterChosen; }
  bool InstallAbortProc() override { return true; }
  void StartDocument() override {}
  void StartPage() override {}
  void EndPage() override {}
  void EndDocument() override {}
  void OutputText(DevicePoint, const FontSpec&, const WideString&) override {}
  void DrawSegment(DevicePoint, DevicePoint) override {}
  std::unique_ptr<Picture> LoadPicture(const WideString&) override {
    return std::make_unique<Picture>();
  }
  void DrawPicture(Picture&, const ImageRect&) override {}
};

}  // namespace quarvel

#endif  // QUARVEL_PRINTER_DISCARDING_PRINTER_H_
