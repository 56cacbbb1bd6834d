#include "checker/diagnostics.h"

#include <algorithm>
#include <span>

namespace quarvel {

namespace {

struct WarningInfo {
  Warning kind;
  std::string_view name;
  bool note;
};

constexpr WarningInfo kWarningInfo[] = {
    {Warning::kPrologue, "prologue", false},
    {Warning::kOrientation, "orientation", false},
    {Warning::kNearKeyword, "near-keyword", false},
    {Warning::kMissingNumber, "missing-number", false},
    {Warning::kMalformedNumber, "malformed-number", false},
    {Warning::kKeywordAsValue, "keyword-as-value", false},
    {Warning::kKeywordAsText, "keyword-as-text", false},
    {Warning::kMisplaced, "misplaced", false},
    {Warning::kUnterminated, "unterminated", false},
    {Warning::kSpooler, "spooler", false},
    {Warning::kImage, "image", false},
    {Warning::kTraces, "traces", true},
    {Warning::kRange, "range", false},
    {Warning::kEncoding, "encoding", false},
    {Warning::kLineEnds, "line-ends", false},
    {Warning::kControlChar, "control-char", false},
    {Warning::kPrintsNothing, "prints-nothing", false},
};
static_assert(std::size(kWarningInfo) == kWarningKinds);

// The groups besides kAllWarnings, each of kinds that one habit of writing
// scripts brings about.
struct WarningGroup {
  std::string_view name;
  std::string_view phrase;
  std::span<const Warning> kinds;
};

constexpr Warning kByteKinds[] = {Warning::kEncoding, Warning::kLineEnds, Warning::kControlChar};
constexpr Warning kKeywordKinds[] = {Warning::kNearKeyword, Warning::kKeywordAsValue,
                                     Warning::kKeywordAsText, Warning::kMisplaced};
constexpr WarningGroup kWarningGroups[] = {
    {"bytes", "encoding, line-ends and control-char", kByteKinds},
    {"keywords", "near-keyword, keyword-as-value, keyword-as-text and misplaced", kKeywordKinds},
};

const WarningInfo& InfoOf(Warning kind) { return kWarningInfo[static_cast<size_t>(kind)]; }

}  // namespace

std::string_view WarningName(Warning kind) { return InfoOf(kind).name; }

std::optional<Warning> WarningNamed(std::string_view name) {
  for (const WarningInfo& info : kWarningInfo) {
    if (info.name == name) return info.kind;
  }
  return std::nullopt;
}

bool IsNote(Warning kind) { return InfoOf(kind).note; }

std::string WarningKindsHelp() {
  std::string kinds = "Kinds of finding, each reported unless it is a note:";
  for (const WarningInfo& info : kWarningInfo) {
    kinds += "\n  ";
    kinds += info.name;
    if (info.note) kinds += " (a note, reported only with -W" + std::string(info.name) + ")";
  }
  kinds += "\nGroups of kinds:\n  " + std::string(kAllWarnings) +
           " (every kind above, the notes included)";
  for (const WarningGroup& group : kWarningGroups) {
    kinds += "\n  " + std::string(group.name) + " (" + std::string(group.phrase) + ")";
  }
  return kinds + "\n";
}

WarningSet WarningSet::Default() {
  WarningSet set;
  for (const WarningInfo& info : kWarningInfo) set.Enable(info.kind, !info.note);
  return set;
}

bool WarningSet::Apply(std::string_view option) {
  if (!option.starts_with("-W")) return false;
  option.remove_prefix(2);
  const bool enable = !option.starts_with("no-");
  if (!enable) option.remove_prefix(3);
  if (option == kAllWarnings) {
    for (const WarningInfo& info : kWarningInfo) Enable(info.kind, enable);
    return true;
  }
  for (const WarningGroup& group : kWarningGroups) {
    if (option != group.name) continue;
    for (const Warning kind : group.kinds) Enable(kind, enable);
    return true;
  }
  const std::optional<Warning> kind = WarningNamed(option);
  if (!kind) return false;
  Enable(*kind, enable);
  return true;
}

std::string FormatFinding(std::string_view path, const Finding& finding) {
  std::string line(path);
  line += ':' + std::to_string(finding.line) + (IsNote(finding.kind) ? ": note: " : ": warning: ");
  line += finding.message;
  line += " [-W";
  line += WarningName(finding.kind);
  line += ']';
  return line;
}

void Diagnostics::Report(size_t line, Warning kind, std::string message, size_t related_line) {
  if (!enabled_.Enabled(kind)) return;
  Finding finding{line, kind, std::move(message), related_line};
  if (holding_) {
    held_.push_back(std::move(finding));
  } else {
    sink_(finding);
  }
}

void Diagnostics::Flush() {
  std::stable_sort(held_.begin(), held_.end(),
                   [](const Finding& a, const Finding& b) { return a.line < b.line; });
  for (const Finding& finding : held_) sink_(finding);
  held_.clear();
  holding_ = false;
}

}  // namespace quarvel
