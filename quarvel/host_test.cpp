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

// Guards against text that is cut, widened byte by byte wrongly, or dropped
// for bytes the code page leaves undefined.
TEST_F(HostTest, ConvertAnsiTextGivesOneUnitPerByteOfASingleByteCodePage) {
  EXPECT_EQ(host_->ConvertAnsiText(""), WideString());
  const WideString ascii = host_->ConvertAnsiText("Hello, world ~");
  EXPECT_EQ(ascii, Wide(u"Hello, world ~"));
  std::string every_byte;
  for (int byte = 1; byte < 256; ++byte) every_byte.push_back(static_cast<char>(byte));
  const WideString wide = host_->ConvertAnsiText(every_byte);
  ASSERT_EQ(wide.size(), every_byte.size());
  for (WideChar unit : wide) EXPECT_NE(unit, 0);
}

#ifndef _WIN32
// Without QUARVEL_CODEPAGE the native host reads Windows-1250, the code
// page of Central European scripts.
TEST_F(HostTest, NativeHostReadsWindows1250) {
  EXPECT_EQ(host_->ConvertAnsiText("Na\xe8\xedt\xe1n\xed \x8a\x8e"),
            Wide(u"Na\u010d\u00edt\u00e1n\u00ed \u0160\u017d"));
  EXPECT_EQ(host_->ConvertAnsiText("\x81\x83"), Wide(u"\u0081\u0083"));
}
#endif

// Guards against text handed to the drawing calls beyond its first NUL.
TEST_F(HostTest, WidenTextEndsAtTheFirstNul) {
  EXPECT_EQ(WidenText(*host_, std::string_view("ab\0cd", 5)), Wide(u"ab"));
  EXPECT_EQ(WidenText(*host_, std::string_view("\0cd", 3)), WideString());
}

}  // namespace
}  // namespace quarvel
