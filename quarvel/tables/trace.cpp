#include "tables/trace.h"

#include <string>

namespace quarvel {

Trace::Trace(Host& host, const char* name) : file_(host.CreateTrace(name)) {}

void Trace::WriteLine(std::string_view line) {
  if (file_ == nullptr) return;
  std::string entry(line);
  entry += "\r\n";
  if (!file_->Write(entry)) file_.reset();
}

}  // namespace quarvel
