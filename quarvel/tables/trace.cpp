#include "tables/trace.h"

#include <string>

namespace quarvel {

Trace::Trace(Platform& platform, const char* name) : file_(platform.CreateTrace(name)) {}

void Trace::WriteLine(std::string_view line) {
  if (file_ == nullptr) return;
  std::string entry(line);
  entry += "\r\n";
  if (!file_->Write(entry)) file_.reset();
}

}  // namespace quarvel
