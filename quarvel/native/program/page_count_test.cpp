#include "native/program/page_count.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "testing/test_support.h"

namespace quarvel {
namespace {

// Guards against a count that is not the printer's: pages begun outside a
// document or inside another page counted, a document begun again taken
// for a new job, and against a first reading that leaves traces behind.
TEST(CountJobPages, CountsThePagesOfEachJobAndWritesNothing) {
  const struct {
    const char* script;
    std::vector<int> pages;
  } kCases[] = {
      {"beginDocument\nbeginPage\nendPage\nbeginPage\nendDocument\n", {2}},
      {"beginPage\nendPage\nbeginDocument\nbeginPage\nbeginPage\nendPage\nendDocument\n", {1}},
      {"beginDocument\nbeginDocument\nendDocument\nbeginDocument\nbeginPage\nendPage\n", {0, 1}},
      {"beginDocument\nbeginPage\nbeginHeaderTable\nbeginHeaderRows\nendHeaderTable\nendPage\n"
       "endDocument\n",
       {1}},
  };
  const ScopedTempDir folder;
  for (const auto& [script, pages] : kCases) {
    SCOPED_TRACE(script);
    WriteFileBytes("script.txt", std::string("x\n") + script);
    EXPECT_EQ(CountJobPages(TestHost(), "script.txt"), pages);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator("."), {}), 1);
  }
  // What cannot be read again as it was is not read.
  ASSERT_EQ(mkfifo("fifo", 0600), 0);
  EXPECT_EQ(CountJobPages(TestHost(), "fifo"), std::vector<int>{});
  EXPECT_EQ(CountJobPages(TestHost(), "-"), std::vector<int>{});
}

}  // namespace
}  // namespace quarvel
