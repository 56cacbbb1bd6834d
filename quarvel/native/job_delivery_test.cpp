#include "native/job_delivery.h"

#include <gtest/gtest.h>

#include "testing/test_support.h"

namespace quarvel {
namespace {

struct PathCase {
  const char* first;
  int job;
  const char* expected;
};

// Guards against later jobs of a run overwriting the first one's file.
TEST(NumberedJobPathTest, NumbersLaterJobsBeforeThePdfEnding) {
  const PathCase cases[] = {
      {"MyDoc.pdf", 1, "MyDoc.pdf"},     {"MyDoc.pdf", 2, "MyDoc-2.pdf"},
      {"MyDoc.pdf", 10, "MyDoc-10.pdf"}, {"out/job.v1.pdf", 3, "out/job.v1-3.pdf"},
      {"/tmp/print", 2, "/tmp/print-2"}, {"a.PDF", 2, "a.PDF-2"},
  };
  for (const PathCase& c : cases) {
    EXPECT_EQ(NumberedJobPath(c.first, c.job), std::filesystem::path(c.expected)) << c.expected;
  }
}

TEST(FileDeliveryTest, WritesEachJobToItsOwnFile) {
  ScopedTempDir temp_dir;
  FileDelivery delivery("MyDoc.pdf");
  delivery.Deliver("MyDoc", "first");
  delivery.Deliver("MyDoc", "second");
  EXPECT_EQ(ReadFileBytes("MyDoc.pdf"), "first");
  EXPECT_EQ(ReadFileBytes("MyDoc-2.pdf"), "second");
}

}  // namespace
}  // namespace quarvel
