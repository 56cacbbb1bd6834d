#include "checker/script_checker.h"

#include <cerrno>
#include <cstring>

#include "checker/checking_host.h"
#include "checker/line_checker.h"
#include "print_document.h"

namespace quarvel {

namespace {

// "2 warnings and 1 note".
std::string CountPhrase(size_t warnings, size_t notes) {
  const auto count = [](size_t n, const char* one) {
    return std::to_string(n) + " " + one + (n == 1 ? "" : "s");
  };
  if (notes == 0) return count(warnings, "warning");
  if (warnings == 0) return count(notes, "note");
  return count(warnings, "warning") + " and " + count(notes, "note");
}

// Writes each finding about one script as it comes, and counts them.
class FindingWriter {
 public:
  FindingWriter(const ScriptArgument& script, std::FILE* out) : script_(script), out_(out) {}

  void Write(const Finding& finding) {
    ++(IsNote(finding.kind) ? notes_ : warnings_);
    std::fprintf(out_, "%s\n", FormatFinding(script_.shown, finding).c_str());
  }

  // Writes the summary line, when there were findings; returns whether
  // there were.
  bool Summarize(std::string_view program, std::FILE* err) const {
    if (warnings_ + notes_ == 0) return false;
    std::fflush(out_);
    std::fprintf(err, "%.*s: %s in %s\n", static_cast<int>(program.size()), program.data(),
                 CountPhrase(warnings_, notes_).c_str(), script_.shown.c_str());
    return true;
  }

 private:
  const ScriptArgument& script_;
  std::FILE* out_;
  size_t warnings_ = 0;
  size_t notes_ = 0;
};

}  // namespace

bool CheckScript(Host& host, const ImageProbe& probe, const PathChar* path,
                 const CheckOptions& options, const Diagnostics::Sink& sink) {
  Diagnostics diagnostics(options.warnings, sink);
  CheckingHost checking_host(host, diagnostics, options.code_page_is_utf8);
  CheckingPrinter printer(diagnostics, probe);
  LineChecker lines(diagnostics, host);
  PrintDocument(checking_host, printer, path, &lines);
  if (checking_host.open_error() != 0) {
    errno = checking_host.open_error();
    return false;
  }
  diagnostics.Hold();
  checking_host.Finish();
  lines.Finish();
  printer.Finish();
  diagnostics.Flush();
  return true;
}

int CheckScripts(Host& host, const ImageProbe& probe, const std::vector<ScriptArgument>& scripts,
                 const CheckOptions& options, std::string_view program, std::FILE* out,
                 std::FILE* err) {
  bool any_finding = false;
  bool unreadable = false;
  for (const ScriptArgument& script : scripts) {
    FindingWriter writer(script, out);
    const auto write = [&writer](const Finding& finding) { writer.Write(finding); };
    if (!CheckScript(host, probe, script.path.c_str(), options, write)) {
      std::fprintf(err, "%.*s: cannot open %s: %s\n", static_cast<int>(program.size()),
                   program.data(), script.shown.c_str(), std::strerror(errno));
      unreadable = true;
      continue;
    }
    any_finding = writer.Summarize(program, err) || any_finding;
  }
  if (unreadable) return 2;
  return any_finding ? 1 : 0;
}

}  // namespace quarvel
