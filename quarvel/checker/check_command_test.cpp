#include "checker/check_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quarvel {
namespace {

using Strings = std::vector<std::string>;

struct ParseCase {
  Strings arguments;
  std::vector<size_t> scripts;
  bool traces;   // notes of the traces enabled
  bool spooler;  // findings of the spooler enabled
  bool help;
};

// Guards against options taken for scripts or the reverse, and -W options
// that do not reach the kinds or the group they name.
TEST(ParseCheckCommandTest, ReadsOptionsAndScriptsInAnyOrder) {
  const ParseCase cases[] = {
      {{"a.txt"}, {0}, false, true, false},
      {{"-Wtraces", "a.txt", "-Wno-spooler", "b.txt"}, {1, 3}, true, false, false},
      {{"a.txt", "--", "-Wtraces", "-"}, {0, 2, 3}, false, true, false},
      {{"--help"}, {}, false, true, true},
      {{"-Wno-traces", "-Wspooler", "a.txt"}, {2}, false, true, false},
      {{"-W", "traces", "a.txt"}, {2}, true, true, false},
      {{"-Wall", "a.txt"}, {1}, true, true, false},
      {{"-Wno-all", "a.txt"}, {1}, false, false, false},
      {{"-Wno-all", "-W", "spooler", "a.txt"}, {3}, false, true, false},
  };
  for (const ParseCase& c : cases) {
    const auto parsed = ParseCheckCommand(c.arguments);
    ASSERT_TRUE(std::holds_alternative<CheckCommand>(parsed)) << c.arguments[0];
    const CheckCommand& command = std::get<CheckCommand>(parsed);
    EXPECT_EQ(command.scripts, c.scripts) << c.arguments[0];
    EXPECT_EQ(command.warnings.Enabled(Warning::kTraces), c.traces) << c.arguments[0];
    EXPECT_EQ(command.warnings.Enabled(Warning::kSpooler), c.spooler) << c.arguments[0];
    EXPECT_EQ(command.help, c.help) << c.arguments[0];
  }
}

// Guards against a group that misses one of its kinds or takes another's.
TEST(WarningSetTest, GroupsChooseTheirKindsOnly) {
  const struct {
    const char* option;
    Warning kind;
    bool enabled;
  } cases[] = {
      {"-Wno-bytes", Warning::kEncoding, false},
      {"-Wno-bytes", Warning::kControlChar, false},
      {"-Wno-bytes", Warning::kPrintsNothing, true},
      {"-Wno-keywords", Warning::kMisplaced, false},
      {"-Wno-keywords", Warning::kNearKeyword, false},
      {"-Wno-keywords", Warning::kImage, true},
  };
  for (const auto& c : cases) {
    WarningSet set = WarningSet::Default();
    ASSERT_TRUE(set.Apply(c.option)) << c.option;
    EXPECT_EQ(set.Enabled(c.kind), c.enabled) << c.option << " " << WarningName(c.kind);
  }
}

// Guards against a wrong command line that is run instead of refused.
TEST(ParseCheckCommandTest, RefusesUnknownOptionsAndKindsAndNoScript) {
  const std::pair<Strings, std::string> cases[] = {
      {{"-x", "a.txt"}, "invalid option -- 'x'"},
      {{"--=traces", "a.txt"}, "unrecognized option '--=traces'"},
      {{"-Wnonsense", "a.txt"},
       "invalid argument 'nonsense' for '-W': expected a kind of finding, or no- and a kind, as "
       "--help lists them"},
      {{"-Wtraces"}, "missing SCRIPT operand"},
      {{}, "missing SCRIPT operand"},
      {{"--lsp", "a.txt"}, "--lsp takes no SCRIPT operand"},
  };
  for (const auto& [arguments, message] : cases) {
    const auto parsed = ParseCheckCommand(arguments);
    ASSERT_TRUE(std::holds_alternative<CheckCommandError>(parsed)) << message;
    EXPECT_EQ(std::get<CheckCommandError>(parsed).message, message);
  }
}

}  // namespace
}  // namespace quarvel
