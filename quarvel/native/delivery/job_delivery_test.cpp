#include "native/delivery/job_delivery.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <thread>
#include <vector>

#include "native/delivery/staged_file.h"
#include "testing/test_support.h"

namespace quarvel {
namespace {

struct PathCase {
  const char* first;
  OutputFormat format;
  int job;
  int page;
  const char* expected;
};

// Guards against later jobs or pages of a run overwriting the first one's
// file, and against names that a script cannot predict.
TEST(NumberedJobPathTest, NumbersJobsAndPagesBeforeTheFormatsEnding) {
  const PathCase cases[] = {
      {"MyDoc.pdf", OutputFormat::kPdf, 1, 0, "MyDoc.pdf"},
      {"MyDoc.pdf", OutputFormat::kPdf, 2, 0, "MyDoc-2.pdf"},
      {"MyDoc.pdf", OutputFormat::kPdf, 10, 0, "MyDoc-10.pdf"},
      {"out/job.v1.pdf", OutputFormat::kPdf, 3, 0, "out/job.v1-3.pdf"},
      {"/tmp/print", OutputFormat::kPdf, 2, 0, "/tmp/print-2"},
      {"a.PDF", OutputFormat::kPdf, 2, 0, "a-2.PDF"},
      {"a.pdf", OutputFormat::kPostScript, 2, 0, "a.pdf-2"},
      {"MyDoc.png", OutputFormat::kPng, 1, 1, "MyDoc-p1.png"},
      {"MyDoc.png", OutputFormat::kPng, 1, 12, "MyDoc-p12.png"},
      {"MyDoc.png", OutputFormat::kPng, 2, 1, "MyDoc-2-p1.png"},
      {"pages/x.svg", OutputFormat::kSvg, 3, 2, "pages/x-3-p2.svg"},
  };
  for (const PathCase& c : cases) {
    EXPECT_EQ(NumberedJobPath(c.first, c.format, c.job, c.page), std::filesystem::path(c.expected))
        << c.expected;
  }
}

std::vector<std::string> FolderEntries() {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(".")) {
    names.push_back(entry.path().filename());
  }
  std::sort(names.begin(), names.end());
  return names;
}

TEST(FileDeliveryTest, WritesEachJobAndPageToItsOwnFile) {
  ScopedTempDir temp_dir;
  FileDelivery pdf("MyDoc.pdf", OutputFormat::kPdf);
  EXPECT_TRUE(pdf.Deliver("MyDoc", 1, std::vector<JobFile>{{0, "first"}}).ok());
  EXPECT_EQ(pdf.NextTarget(), "MyDoc-2.pdf");
  EXPECT_TRUE(pdf.Deliver("MyDoc", 1, std::vector<JobFile>{{0, "second"}}).ok());
  FileDelivery png("p.png", OutputFormat::kPng);
  EXPECT_TRUE(png.Deliver("MyDoc", 1, std::vector<JobFile>{{1, "one"}, {2, "two"}}).ok());
  EXPECT_EQ(ReadFileBytes("MyDoc.pdf"), "first");
  EXPECT_EQ(ReadFileBytes("MyDoc-2.pdf"), "second");
  EXPECT_EQ(ReadFileBytes("p-p2.png"), "two");
  EXPECT_EQ(FolderEntries(),
            (std::vector<std::string>{"MyDoc-2.pdf", "MyDoc.pdf", "p-p1.png", "p-p2.png"}));
}

// Guards against a job delivered in part: a page that cannot be written
// keeps every page of its job out, and is named with the reason.
TEST(FileDeliveryTest, AJobWithAPageThatCannotBeWrittenLeavesNothing) {
  ScopedTempDir temp_dir;
  std::filesystem::create_directory("p-p2.png");
  FileDelivery png("p.png", OutputFormat::kPng);
  EXPECT_EQ(
      png.Deliver("MyDoc", 1, std::vector<JobFile>{{1, "one"}, {2, "two"}, {3, "three"}}).message(),
      "cannot write p-p2.png: Is a directory");
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"p-p2.png"});
}

// Guards against a failed write destroying the file that was there, or
// leaving a temporary file behind; the file size limit stands in for a full
// disk.
TEST(StagedFileTest, AFailedWriteKeepsTheOldFileAndLeavesNoOther) {
  ScopedTempDir temp_dir;
  WriteFileBytes("job.pdf", "old");
  {
    StagedFile abandoned("job.pdf");
    EXPECT_TRUE(abandoned.Write("new") && abandoned.Finish());
  }
  rlimit previous;
  getrlimit(RLIMIT_FSIZE, &previous);
  const rlimit small = {1000, previous.rlim_max};
  const auto previous_handler = std::signal(SIGXFSZ, SIG_IGN);
  setrlimit(RLIMIT_FSIZE, &small);
  StagedFile full("job.pdf");
  const bool written = full.Write(std::string(2000, 'x'));
  setrlimit(RLIMIT_FSIZE, &previous);
  std::signal(SIGXFSZ, previous_handler);
  EXPECT_FALSE(written);
  EXPECT_FALSE(full.Finish());
  EXPECT_EQ(full.failure(), "cannot write job.pdf: File too large");
  EXPECT_EQ(ReadFileBytes("job.pdf"), "old");
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"job.pdf"});
  StagedFile replacing("job.pdf");
  StagedFile* const files[] = {&replacing};
  EXPECT_TRUE(replacing.Write("new") && replacing.Finish());
  EXPECT_EQ(ReplaceTogether(files), "");
  EXPECT_EQ(ReadFileBytes("job.pdf"), "new");
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"job.pdf"});
}

// Guards against a device or a pipe replaced by a regular file, or given
// files beside it (/dev/null-2, /dev/null-p1 as root): it takes every job
// and every page, in order.
TEST(FileDeliveryTest, ADeviceTakesEveryJobAndPage) {
  ScopedTempDir temp_dir;
  ASSERT_EQ(mkfifo("pages.png", 0600), 0);
  std::string read;
  std::thread reader([&read] { read = ReadFileBytes("pages.png"); });
  {
    FileDelivery pipe("pages.png", OutputFormat::kPng);
    EXPECT_TRUE(pipe.Deliver("MyDoc", 1, std::vector<JobFile>{{1, "one "}, {2, "two "}}).ok());
    EXPECT_TRUE(pipe.Deliver("MyDoc", 1, std::vector<JobFile>{{1, "three"}}).ok());
  }
  reader.join();
  EXPECT_EQ(read, "one two three");
  EXPECT_EQ(FolderEntries(), std::vector<std::string>{"pages.png"});
}

}  // namespace
}  // namespace quarvel
