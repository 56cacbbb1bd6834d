#include "native/program/progress_line.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace quarvel {
namespace {

using Clock = ProgressLine::Clock;

// What was written to `file`.
std::string Contents(std::FILE* file) {
  std::fflush(file);
  std::rewind(file);
  std::string text;
  for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file))
    text.push_back(static_cast<char>(c));
  return text;
}

// Guards against a line on a run that is quick, quiet or not on a terminal,
// and against a line that stays behind or floods the terminal.
TEST(ProgressLineTest, ShowsSlowRunsOnlyAndClearsItself) {
  for (const bool shown : {false, true}) {
    std::FILE* out = std::tmpfile();
    Clock::time_point now{};
    {
      ProgressLine line(out, shown, [&now] { return now; });
      line.PageRendered();
      now += std::chrono::milliseconds(1100);
      line.PageRendered();
      now += std::chrono::milliseconds(10);
      line.JobDelivered();
      now += std::chrono::milliseconds(200);
      line.JobDelivered();
    }
    EXPECT_EQ(Contents(out), shown ? "\rquarvel: 2 pages rendered, 0 jobs delivered\x1b[K"
                                     "\rquarvel: 2 pages rendered, 2 jobs delivered\x1b[K\r\x1b[K"
                                   : "")
        << shown;
    std::fclose(out);
  }
}

}  // namespace
}  // namespace quarvel
