#include "script/script_stream.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testing/test_support.h"

namespace quarvel {
namespace {

// Reads every line the stream gives until it reports the input exhausted.
std::vector<std::string> AllLines(ScriptStream& script) {
  std::vector<std::string> lines;
  std::string line;
  while (ReadLine(script, &line)) lines.push_back(line);
  return lines;
}

struct LinesCase {
  std::string bytes;
  std::vector<std::string> lines;
};

using Strings = std::vector<std::string>;

const LinesCase kLinesCases[] = {
    {"a\r\nb\n", {"a", "b"}},
    {"a\rb\n", {"a\rb"}},
    {"x\r\r\n", {"x\r"}},
    {"a\r", {"a\r"}},
    {"a\r\x1a(b)\n", {"a\r"}},
    {"last", {"last"}},
    {"one\n\ntwo\n", {"one", "", "two"}},
    {"\r\n\r\n", {"", ""}},
    {"\n", {""}},
    {"", {}},
    {std::string("a\0b\n", 4), {std::string("a\0b", 3)}},
    {"1\n2\n3\n4\n5\n\x1a(6)\n7\n", {"1", "2", "3", "4", "5"}},
    {"1\n2\x1a", {"1", "2"}},
    {"\x1a(1)\n", {}},
    {"\xe8\x9a\xff\n", {"\xe8\x9a\xff"}},
};

// Guards against line end rules that depend on where a read of the file
// happens to end: every case is read whole and one byte at a time.
TEST(ScriptStreamTest, AppliesTextModeLineEndsWhateverTheReadSize) {
  for (const LinesCase& c : kLinesCases) {
    for (size_t chunk : {size_t{1}, size_t{2}, size_t{3}, size_t{1} << 16}) {
      const auto script = ScriptFromBytes(c.bytes, chunk);
      EXPECT_EQ(AllLines(*script), c.lines) << "bytes \"" << c.bytes << "\", chunk " << chunk;
    }
  }
}

// Guards against the flags that the main loop's end test relies on.
TEST(ScriptStreamTest, LastLineWithoutLineFeedSetsEndOfFileButNotFailure) {
  const auto script = ScriptFromBytes("a\nb");
  std::string line;
  ASSERT_TRUE(ReadLine(*script, &line));
  EXPECT_TRUE(script->good());
  ASSERT_TRUE(ReadLine(*script, &line));
  EXPECT_EQ(line, "b");
  EXPECT_TRUE(script->eof());
  EXPECT_FALSE(script->fail());
}

TEST(ScriptStreamTest, TrailingLineFeedYieldsOneEmptyFailingRead) {
  const auto script = ScriptFromBytes("a\n");
  std::string line;
  ASSERT_TRUE(ReadLine(*script, &line));
  EXPECT_FALSE(script->eof());
  EXPECT_FALSE(ReadLine(*script, &line));
  EXPECT_EQ(line, "");
  EXPECT_TRUE(script->eof());
  EXPECT_TRUE(script->fail());
}

// Guards against a read after the end overwriting what the caller holds.
TEST(ScriptStreamTest, ReadsAfterTheEndLeaveTheTargetAsItWas) {
  const auto script = ScriptFromBytes("only");
  std::string line;
  ASSERT_TRUE(ReadLine(*script, &line));
  EXPECT_FALSE(ReadLine(*script, &line));
  EXPECT_EQ(line, "only");
  EXPECT_TRUE(script->fail());
}

TEST(ScriptStreamTest, StreamWithoutFileFailsFromTheStart) {
  ScriptStream script(nullptr);
  EXPECT_FALSE(script.is_open());
  EXPECT_TRUE(script.fail());
  std::string line = "kept";
  EXPECT_FALSE(ReadLine(script, &line));
  EXPECT_EQ(line, "kept");
}

// Guards against memory or time that grows with anything but the line.
TEST(ScriptStreamTest, ReadsALineLongerThanTheBuffer) {
  const std::string long_line(300000, 'x');
  const auto script = ScriptFromBytes(long_line + "\r\nnext\n", 4096);
  EXPECT_EQ(AllLines(*script), (Strings{long_line, "next"}));
}

}  // namespace
}  // namespace quarvel
