// The contract of the host seam, run against the system's host: the POSIX
// host natively and, in the Windows build, the Win32 host under a real Win32
// implementation.
#include "host.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "script/widen_text.h"
#include "testing/test_support.h"

namespace quarvel {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(InputFile& file) {
  std::string bytes;
  char buffer[7];
  while (size_t count = file.Read(buffer, sizeof buffer)) bytes.append(buffer, count);
  return bytes;
}

class HostTest : public ::testing::Test {
 protected:
  ScopedTempDir temp_dir_;
  const std::unique_ptr<Host> host_ = NewSystemHost();
};

// Guards against line ends translated by the file layer: the script rules
// see the file's own bytes.
TEST_F(HostTest, OpenScriptReadsTheFileByteForByte) {
  const std::string bytes("a\r\nb\rc\x1a\0\xff\n", 11);
  WriteFileBytes("script.txt", bytes);
  const auto file = host_->OpenScript(fs::path("script.txt").c_str());
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(ReadAll(*file), bytes);
}

TEST_F(HostTest, OpenScriptFailsForMissingFilesAndDirectories) {
  EXPECT_EQ(host_->OpenScript(fs::path("missing.txt").c_str()), nullptr);
  fs::create_directory("folder");
  EXPECT_EQ(host_->OpenScript(fs::path("folder").c_str()), nullptr);
}

// Guards against paths narrowed on their way to the system.
TEST_F(HostTest, OpenScriptTakesPathsBeyondASCII) {
  const fs::path path(u8"skript \u010d\u00ed\u017e\u4e2d.txt");
  WriteFileBytes(path, "beginPage\n");
  const auto file = host_->OpenScript(path.c_str());
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(ReadAll(*file), "beginPage\n");
}

// Guards against a script locked against the editor that still has it open.
TEST_F(HostTest, OpenScriptSharesTheFileWithAWriter) {
  std::ofstream writer("script.txt", std::ios::binary);
  writer << "beginPage\n" << std::flush;
  const auto file = host_->OpenScript(fs::path("script.txt").c_str());
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(ReadAll(*file), "beginPage\n");
}

// Guards against line end translation or lost buffers in traces.
TEST_F(HostTest, CreateTraceTruncatesAndWritesBytesAsTheyStand) {
  WriteFileBytes("debug.txt", "an older and longer trace\r\n");
  {
    const auto trace = host_->CreateTrace("debug.txt");
    ASSERT_NE(trace, nullptr);
    EXPECT_TRUE(trace->Write("a\r\n"));
    EXPECT_TRUE(trace->Write("b\n"));
  }
  EXPECT_EQ(ReadFileBytes("debug.txt"), "a\r\nb\n");
}

// Guards against a trace that other programs cannot read while a table is
// being printed.
TEST_F(HostTest, CreateTraceSharesTheFileWithReaders) {
  const auto trace = host_->CreateTrace("debug.txt");
  ASSERT_NE(trace, nullptr);
  std::ifstream reader("debug.txt", std::ios::binary);
  EXPECT_TRUE(reader.is_open());
}

TEST_F(HostTest, CreateTraceFailsWhenTheNameIsADirectory) {
  fs::create_directory("debug.txt");
  EXPECT_EQ(host_->CreateTrace("debug.txt"), nullptr);
}

// Writes one block of the trace `name`, checking that the trace is empty
// while the block runs and holds exactly `bytes` once it has ended.
void WriteTraceBlock(Host& host, const char* name, const std::string& bytes) {
  {
    const auto trace = host.CreateTrace(name);
    ASSERT_NE(trace, nullptr);
    EXPECT_EQ(ReadFileBytes(name), "") << "not truncated at the start of the block";
    EXPECT_TRUE(trace->Write(bytes));
  }
  EXPECT_EQ(ReadFileBytes(name), bytes) << "not exactly the block's lines at its end";
}

// Guards against a trace that keeps lines of an earlier, longer block, that
// a reader sees untruncated while a block runs, or that loses lines of a
// long block.
TEST_F(HostTest, EachBlockOfATraceStartsItEmptyAndLeavesExactlyItsLines) {
  WriteFileBytes("debug.txt", "an older and longer trace\r\n");
  WriteTraceBlock(*host_, "debug.txt", "first block\r\nof two lines\r\n");
  WriteTraceBlock(*host_, "debug.txt", "second\r\n");
  WriteTraceBlock(*host_, "debug.txt", std::string(300000, 'x'));
  WriteTraceBlock(*host_, "debug.txt", "");
}

// Guards against the next block of a trace going anywhere but to the file
// of its name in the current directory after another program removed or
// replaced that file.
TEST_F(HostTest, TraceRemovedOrReplacedBetweenBlocksIsWrittenAfresh) {
  WriteTraceBlock(*host_, "debug.txt", "first\r\n");
  fs::remove("debug.txt");
  WriteTraceBlock(*host_, "debug.txt", "second\r\n");
  WriteFileBytes("replacement.txt", "replacement");
  fs::rename("replacement.txt", "debug.txt");
  WriteTraceBlock(*host_, "debug.txt", "third\r\n");
  fs::remove("debug.txt");
  fs::create_directory("debug.txt");
  EXPECT_EQ(host_->CreateTrace("debug.txt"), nullptr);
}

// Guards against text that is cut, widened byte by byte wrongly, dropped
// for bytes the code page leaves undefined, or left with the end of a
// longer text converted into the same string before.
TEST_F(HostTest, ConvertAnsiTextGivesOneUnitPerByteOfASingleByteCodePage) {
  std::string every_byte;
  for (int byte = 1; byte < 256; ++byte) every_byte.push_back(static_cast<char>(byte));
  WideString wide;
  host_->ConvertAnsiText(every_byte, &wide);
  ASSERT_EQ(wide.size(), every_byte.size());
  for (WideChar unit : wide) EXPECT_NE(unit, 0);
  host_->ConvertAnsiText("Hello, world ~", &wide);
  EXPECT_EQ(wide, Wide(u"Hello, world ~"));
  host_->ConvertAnsiText("", &wide);
  EXPECT_EQ(wide, WideString());
}

// Guards against text handed to the drawing calls beyond its first NUL.
TEST_F(HostTest, WidenTextEndsAtTheFirstNul) {
  EXPECT_EQ(WidenText(*host_, std::string_view("ab\0cd", 5)), Wide(u"ab"));
  EXPECT_EQ(WidenText(*host_, std::string_view("\0cd", 3)), WideString());
}

}  // namespace
}  // namespace quarvel
