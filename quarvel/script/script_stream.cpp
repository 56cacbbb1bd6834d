#include "script/script_stream.h"

#include <bit>

#include "text/sse2.h"

namespace quarvel {

namespace {

constexpr size_t kBufferSize = 64 * 1024;
constexpr char kEndOfInput = '\x1a';

// Finds the first byte in [from, to) that the text-mode rules look at.
const char* FindControlByte(const char* from, const char* to) {
#if defined(QUARVEL_SSE2)
  // Sixteen bytes at a time while they last.
  const __m128i line_feed = _mm_set1_epi8('\n');
  const __m128i carriage_return = _mm_set1_epi8('\r');
  const __m128i end_of_input = _mm_set1_epi8(kEndOfInput);
  for (; to - from >= 16; from += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    const __m128i found = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(bytes, line_feed), _mm_cmpeq_epi8(bytes, carriage_return)),
        _mm_cmpeq_epi8(bytes, end_of_input));
    if (const int mask = _mm_movemask_epi8(found); mask != 0) {
      return from + std::countr_zero(static_cast<unsigned>(mask));
    }
  }
#endif
  while (from != to && *from != '\n' && *from != '\r' && *from != kEndOfInput) ++from;
  return from;
}

}  // namespace

ScriptStream::ScriptStream(std::unique_ptr<InputFile> file, ScriptListener* listener)
    : file_(std::move(file)),
      listener_(listener),
      buffer_(new char[kBufferSize]),
      fail_(file_ == nullptr) {}

void ScriptStream::Close() { file_.reset(); }

bool ScriptStream::Refill() {
  if (input_ended_ || file_ == nullptr) return false;
  const size_t count = file_->Read(buffer_.get(), kBufferSize);
  if (count == 0) {
    input_ended_ = true;
    return false;
  }
  next_ = buffer_.get();
  end_ = next_ + count;
  return true;
}

bool ScriptStream::ConsumeLineFeed() {
  if (next_ == end_ && !Refill()) return false;
  if (*next_ != '\n') return false;
  ++next_;
  return true;
}

bool ScriptStream::ReadLine(std::string* line) {
  if (!good()) {
    fail_ = true;
    return false;
  }
  line->clear();
  bool took_any = false;
  for (;;) {
    if (next_ == end_ && !Refill()) {
      eof_ = true;
      fail_ = !took_any;
      line_number_ += took_any ? 1 : 0;
      return took_any;
    }
    const char* stop = FindControlByte(next_, end_);
    line->append(next_, stop);
    took_any = took_any || stop != next_;
    next_ = stop;
    if (next_ == end_) continue;
    if (*next_ == kEndOfInput) {
      input_ended_ = true;
      next_ = end_;
      continue;
    }
    const bool line_feed = *next_ == '\n';
    ++next_;
    took_any = true;
    if (line_feed || ConsumeLineFeed()) {
      ++line_number_;
      return true;
    }
    line->push_back('\r');
  }
}

}  // namespace quarvel
