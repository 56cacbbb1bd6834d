// The findings of the script checker: each names a line of the script, the
// kind of fault and what printing does there. The kinds have short names
// for the command line's -WNAME and -Wno-NAME.
#ifndef QUARVEL_CHECKER_DIAGNOSTICS_H_
#define QUARVEL_CHECKER_DIAGNOSTICS_H_

#include <bitset>
#include <functional>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel {

enum class Warning : uint8_t {
  kPrologue,         // no orientation prologue
  kOrientation,      // a second prologue line that asks for no orientation
  kNearKeyword,      // a line that would be a keyword but for case or blanks
  kMissingNumber,    // a value line that holds no number
  kMalformedNumber,  // a number with more after it, or out of range
  kKeywordAsValue,   // a keyword taken by position as a value or spare line
  kKeywordAsText,    // a keyword drawn as text
  kMisplaced,        // a line ignored at its level
  kUnterminated,     // a block that the end of the script cuts off
  kSpooler,          // document and page calls out of order
  kImage,            // an image file that cannot be loaded
  kTraces,           // a trace truncated again, its earlier content lost
  kRange,            // a drawing beyond what the native printer draws
  kEncoding,         // a byte-order mark, UTF-16, or UTF-8 read in a single-byte code page
  kLineEnds,         // carriage returns without line feeds, which end no line
  kControlChar,      // a NUL byte in a line, or a byte 0x1A that ends the script early
  kPrintsNothing,    // a script that completes no job with anything on it
};

inline constexpr size_t kWarningKinds = 17;

// The name of the group of every kind, the notes included, for -Wall and
// -Wno-all. The other groups are listed by WarningKindsHelp().
inline constexpr std::string_view kAllWarnings = "all";

// The name of `kind`, as -W takes it.
std::string_view WarningName(Warning kind);

// The kind named `name`, if any.
std::optional<Warning> WarningNamed(std::string_view name);

// Whether a kind is a note (reported as "note:"), rather than a warning.
bool IsNote(Warning kind);

// The kinds of finding by name, for a program's --help.
std::string WarningKindsHelp();

// The kinds that a check reports.
class WarningSet {
 public:
  // Every kind but the notes, as a check without options reports.
  static WarningSet Default();

  void Enable(Warning kind, bool enabled) { kinds_.set(static_cast<size_t>(kind), enabled); }
  bool Enabled(Warning kind) const { return kinds_.test(static_cast<size_t>(kind)); }

  // Applies one option: -WNAME enables, -Wno-NAME disables, the kind or
  // the group (kAllWarnings, "bytes", "keywords") NAME. Returns false, changing nothing, for any
  // other argument.
  bool Apply(std::string_view option);

 private:
  std::bitset<kWarningKinds> kinds_;
};

struct Finding {
  size_t line = 0;
  Warning kind = Warning::kPrologue;
  std::string message;
  // Another line that the message names, where the block that the finding
  // concerns was opened, or, for a block cut off, the line that narrowly
  // misses closing it; 0 when none.
  size_t related_line = 0;

  friend bool operator==(const Finding&, const Finding&) = default;
};

// Formats `finding` about the script `path` as one line, without a line
// end: "PATH:LINE: warning: MESSAGE [-WNAME]" ("note:" for the notes).
std::string FormatFinding(std::string_view path, const Finding& finding);

// Passes on the findings of the kinds in a set as they are made, and knows
// the line that the interpreter took last, which the findings about
// printing calls name.
class Diagnostics {
 public:
  using Sink = std::function<void(const Finding&)>;

  // Passes the findings to `sink`.
  Diagnostics(const WarningSet& enabled, Sink sink) : enabled_(enabled), sink_(std::move(sink)) {}

  // Passes on the finding when its kind is enabled.
  void Report(size_t line, Warning kind, std::string message, size_t related_line = 0);
  // Reports about the line taken last.
  void ReportHere(Warning kind, std::string message) {
    Report(current_line_, kind, std::move(message));
  }

  size_t current_line() const { return current_line_; }
  void set_current_line(size_t line) { current_line_ = line; }

  // Holds the findings from now on, to pass them on in line order at Flush:
  // for the findings about the end of the script, which name the lines
  // where blocks, pages and documents were opened.
  void Hold() { holding_ = true; }
  void Flush();

 private:
  const WarningSet enabled_;
  const Sink sink_;
  bool holding_ = false;
  std::vector<Finding> held_;
  size_t current_line_ = 0;
};

}  // namespace quarvel

#endif  // QUARVEL_CHECKER_DIAGNOSTICS_H_
