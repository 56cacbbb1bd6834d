#include "native/program/progress_line.h"

namespace quarvel {

namespace {

const char* Plural(int count) { return count == 1 ? "" : "s"; }

}  // namespace

ProgressLine::ProgressLine(std::FILE* out, bool shown, std::function<Clock::time_point()> now)
    : out_(out), shown_(shown), now_(std::move(now)), start_(now_()) {
  if (shown_) SetStatusLine(this);
}

ProgressLine::~ProgressLine() {
  Clear();
  if (shown_) SetStatusLine(nullptr);
}

void ProgressLine::PageRendered() {
  ++pages_;
  Update();
}

void ProgressLine::JobDelivered() {
  ++jobs_;
  Update();
}

void ProgressLine::PrinterState(std::string_view state) {
  printer_state_ = state;
  Update();
}

void ProgressLine::Clear() {
  if (!drawn_) return;
  std::fputs("\r\x1b[K", out_);
  std::fflush(out_);
  drawn_ = false;
}

void ProgressLine::Update() {
  const Clock::time_point now = now_();
  if (!shown_ || now - start_ < kProgressDelay) return;
  if (drawn_ && now - drawn_at_ < kProgressInterval) return;
  std::fprintf(out_, "\rquarvel: %d page%s rendered, %d job%s delivered%s%s\x1b[K", pages_,
               Plural(pages_), jobs_, Plural(jobs_), printer_state_.empty() ? "" : "; ",
               printer_state_.c_str());
  std::fflush(out_);
  drawn_ = true;
  drawn_at_ = now;
}

}  // namespace quarvel
