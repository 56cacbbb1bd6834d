// The progress of a run: the line that shows it on a terminal.
#ifndef QUARVEL_NATIVE_PROGRAM_PROGRESS_LINE_H_
#define QUARVEL_NATIVE_PROGRAM_PROGRESS_LINE_H_

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "native/program/messages.h"

namespace quarvel {

// One line that counts the pages rendered and the jobs delivered, drawn
// again in place as they change ("quarvel: 12 pages rendered, 1 job
// delivered"), but only once the run has taken longer than kProgressDelay,
// at most every kProgressInterval, and only when it is shown at all: on a
// terminal, in a run that is not quiet. Messages clear it first, and it is
// cleared when the object is destroyed.
class ProgressLine : public StatusLine {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr Clock::duration kProgressDelay = std::chrono::seconds(1);
  static constexpr Clock::duration kProgressInterval = std::chrono::milliseconds(100);

  // Draws on `out` when `shown`, reading the time from `now`. Becomes the
  // status line of the messages while it lives.
  ProgressLine(std::FILE* out, bool shown, std::function<Clock::time_point()> now = Clock::now);
  ~ProgressLine() override;
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // Counts a page rendered, or a job delivered.
  void PageRendered();
  void JobDelivered();
  // Shows what a printer says of the job that is waited for.
  void PrinterState(std::string_view state);
  void Clear() override;

 private:
  void Update();

  std::FILE* out_;
  bool shown_;
  std::function<Clock::time_point()> now_;
  Clock::time_point start_;
  Clock::time_point drawn_at_;
  bool drawn_ = false;
  int pages_ = 0;
  int jobs_ = 0;
  std::string printer_state_;
};

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_PROGRAM_PROGRESS_LINE_H_
