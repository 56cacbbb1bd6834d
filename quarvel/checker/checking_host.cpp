#include "checker/checking_host.h"

namespace quarvel {

namespace {

class DiscardedFile : public OutputFile {
 public:
  bool Write(std::string_view) override { return true; }
};

}  // namespace

std::unique_ptr<InputFile> CheckingHost::OpenScript(const PathChar* path) {
  errno = 0;
  std::unique_ptr<InputFile> script = HostWrapper::OpenScript(path);
  if (script == nullptr) open_error_ = errno != 0 ? errno : ENOENT;
  return script;
}

std::unique_ptr<OutputFile> CheckingHost::CreateTrace(const char* name) {
  const size_t line = diagnostics_.current_line();
  const auto [earlier, first] = traces_.insert({name, line});
  if (!first) {
    diagnostics_.Report(line, Warning::kTraces,
                        "this block truncates \"" + std::string(name) +
                            "\" again: the trace of the block at line " +
                            std::to_string(earlier->second) + " is lost");
    earlier->second = line;
  }
  return std::make_unique<DiscardedFile>();
}

}  // namespace quarvel
