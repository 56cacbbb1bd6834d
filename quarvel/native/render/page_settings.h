// What the user chose for the printed pages.
#ifndef QUARVEL_NATIVE_RENDER_PAGE_SETTINGS_H_
#define QUARVEL_NATIVE_RENDER_PAGE_SETTINGS_H_

#include <optional>

#include "native/job/print_job.h"
#include "native/render/page_geometry.h"
#include "printer/printer.h"

namespace quarvel {

struct PageSettings {
  // The resolution and the paper; the orientation comes from the dialog.
  Device device;
  // The orientation chosen in the print dialog; none keeps the one that the
  // script asks for.
  std::optional<Orientation> orientation;
  OutputFormat format = OutputFormat::kPdf;
};

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_RENDER_PAGE_SETTINGS_H_
