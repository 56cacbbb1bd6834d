#include "tables/trace.h"

namespace quarvel {

Trace::Trace(Host& host, const char* name) : file_(host.CreateTrace(name)) {}

void Trace::WriteLine(std::string_view line) {
  if (file_ == nullptr) return;
  if (!file_->Write(line) || !file_->Write("\r\n")) file_.reset();
}

}  // namespace quarvel
