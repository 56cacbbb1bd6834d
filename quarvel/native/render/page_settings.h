// What the user chose for the printed pages.
#ifndef QUARVEL_NATIVE_RENDER_PAGE_SETTINGS_H_
#define QUARVEL_NATIVE_RENDER_PAGE_SETTINGS_H_

#include <cstdint>
#include <optional>

#include "native/job/print_job.h"
#include "native/raster/page_encoders.h"
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
  // How the raster formats encode their pages.
  RasterOptions raster = {};
  // When the jobs are made, in seconds since 1970 (UTC): their PDF files'
  // creation date.
  int64_t created = 0;
};

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_RENDER_PAGE_SETTINGS_H_
