#include "cli/options.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quarvel {
namespace {

using Strings = std::vector<std::string>;

// The options seen, as "NAME=VALUE" in order.
struct Seen {
  Strings options;
  bool help = false;
};

std::optional<std::string_view> Note(std::string_view name, std::string_view value, Seen& seen) {
  if (value == "bad") return "a good value";
  seen.options.push_back(std::string(name) + "=" + std::string(value));
  return std::nullopt;
}

constexpr Option<Seen> kOptions[] = {
    {{'o', "output", "FILE", ""},
     [](std::string_view value, Seen& seen) { return Note("o", value, seen); }},
    {{'q', "quiet", "", ""},
     [](std::string_view value, Seen& seen) { return Note("q", value, seen); }},
    {{'W', "", "NAME", ""},
     [](std::string_view value, Seen& seen) { return Note("W", value, seen); }},
    {{'\0', "paper", "SIZE", ""},
     [](std::string_view value, Seen& seen) { return Note("paper", value, seen); }},
    {{'\0', "printer", "DEST", ""},
     [](std::string_view value, Seen& seen) { return Note("printer", value, seen); }},
    {{'h', "help", "", ""},
     [](std::string_view, Seen& seen) -> std::optional<std::string_view> {
       seen.help = true;
       return std::nullopt;
     }},
};

ParsedOptions Parse(const Strings& arguments, Seen& seen) {
  return ParseOptions(
      std::span<const Option<Seen>>(kOptions), arguments, seen,
      +[](const Seen& seen) { return seen.help; });
}

// Guards against the checkers and the printer reading one command line in
// different ways: the same rules hold in every program, on glibc's
// getopt_long and on mingw-w64's.
TEST(ParseOptionsTest, ReadsCommandLinesInTheGnuManner) {
  const struct {
    Strings arguments;
    Strings options;
    std::vector<size_t> operands;
  } kCases[] = {
      {{"-qo", "out.pdf", "s.txt"}, {"q=", "o=out.pdf"}, {2}},
      {{"-oout.pdf", "s.txt", "-q"}, {"o=out.pdf", "q="}, {1}},
      {{"-Wtraces", "-W", "no-spooler", "a", "b"}, {"W=traces", "W=no-spooler"}, {3, 4}},
      {{"--out=x", "--pa", "a5", "--pr=Q", "s"}, {"o=x", "paper=a5", "printer=Q"}, {4}},
      {{"a", "-", "--", "-q", "--output=y"}, {}, {0, 1, 3, 4}},
      {{"s", "--help", "--bogus"}, {}, {}},
  };
  for (const auto& c : kCases) {
    Seen seen;
    const ParsedOptions parsed = Parse(c.arguments, seen);
    ASSERT_TRUE(std::holds_alternative<std::vector<size_t>>(parsed))
        << testing::PrintToString(c.arguments) << ": " << std::get<std::string>(parsed);
    EXPECT_EQ(seen.options, c.options) << testing::PrintToString(c.arguments);
    if (!seen.help) {
      EXPECT_EQ(std::get<std::vector<size_t>>(parsed), c.operands);
    }
  }
}

// Guards against a wrong command line that runs, and against messages other
// than glibc's own.
TEST(ParseOptionsTest, RefusesWrongOptionsInGlibcsWords) {
  const std::pair<Strings, std::string> kCases[] = {
      {{"--bogus=1"}, "unrecognized option '--bogus=1'"},
      {{"--=quiet"}, "unrecognized option '--=quiet'"},
      {{"-qx"}, "invalid option -- 'x'"},
      {{"s", "-o"}, "option requires an argument -- 'o'"},
      {{"s", "--paper"}, "option '--paper' requires an argument"},
      {{"--quiet=yes"}, "option '--quiet' doesn't allow an argument"},
      {{"--p", "x"}, "option '--p' is ambiguous; possibilities: '--paper' '--printer'"},
      {{"-Wbad"}, "invalid argument 'bad' for '-W': expected a good value"},
      {{"--out", "bad"}, "invalid argument 'bad' for '--output': expected a good value"},
  };
  for (const auto& [arguments, message] : kCases) {
    Seen seen;
    const ParsedOptions parsed = Parse(arguments, seen);
    ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << message;
    EXPECT_EQ(std::get<std::string>(parsed), message);
  }
}

}  // namespace
}  // namespace quarvel
