#include "native/program/messages.h"

#include <cstdio>

namespace quarvel {

namespace {

bool quiet = false;
StatusLine* status_line = nullptr;

}  // namespace

void ReportError(std::string_view message) {
  if (status_line != nullptr) status_line->Clear();
  std::fprintf(stderr, "quarvel: %.*s\n", static_cast<int>(message.size()), message.data());
}

void ReportWarning(std::string_view message) {
  if (!quiet) ReportError(message);
}

void SetQuiet(bool is_quiet) { quiet = is_quiet; }

void SetStatusLine(StatusLine* line) { status_line = line; }

}  // namespace quarvel
