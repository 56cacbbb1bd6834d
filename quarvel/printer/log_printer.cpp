#include "printer/log_printer.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <iterator>

#include "text/quoted_text.h"

namespace quarvel {

void StreamLineSink::WriteLine(std::string_view line) {
#if defined(__GLIBC__)
  // The log is written from one thread: the stream's lock is not needed.
  fwrite_unlocked(line.data(), 1, line.size(), out_);
#else
  std::fwrite(line.data(), 1, line.size(), out_);
#endif
}

DialogOutcome LogPrinter::ChoosePrinter(Orientation orientation) {
  sink_.WriteLine(orientation == Orientation::kLandscape ? "dialog landscape\n"
                                                         : "dialog portrait\n");
  return DialogOutcome::kPrinterChosen;
}

bool LogPrinter::InstallAbortProc() {
  sink_.WriteLine("abortproc\n");
  return true;
}

void LogPrinter::StartDocument() { sink_.WriteLine("startdoc \"MyDoc\"\n"); }
void LogPrinter::StartPage() { sink_.WriteLine("startpage\n"); }
void LogPrinter::EndPage() { sink_.WriteLine("endpage\n"); }
void LogPrinter::EndDocument() { sink_.WriteLine("enddoc\n"); }

void LogPrinter::OutputText(DevicePoint at, const FontSpec& font, const WideString& text) {
  char* to = StartLine("text", 5, MaxQuotedBytes(text.size()) + 1);
  to = WriteNumbers({at.x, at.y, font.height, font.weight, font.italic ? 1 : 0}, to);
  *to++ = ' ';
  EndLine(WriteQuotedForLog(text, to));
}

void LogPrinter::DrawSegment(DevicePoint from, DevicePoint to) {
  char* end = StartLine("line", 4, 0);
  EndLine(WriteNumbers({from.x, from.y, to.x, to.y}, end));
}

std::unique_ptr<Picture> LogPrinter::LoadPicture(const WideString& path) {
  return std::make_unique<PathPicture>(path);
}

void LogPrinter::DrawPicture(Picture& picture, const ImageRect& rect) {
  const auto& image = static_cast<const PathPicture&>(picture);
  char* to = StartLine("image ", 4, MaxQuotedBytes(image.path.size()));
  to = WriteQuotedForLog(image.path, to);
  EndLine(WriteNumbers({rect.x, rect.y, rect.width, rect.height}, to));
}

char* LogPrinter::StartLine(std::string_view word, size_t numbers, size_t more_bytes) {
  const size_t room = word.size() + numbers * sizeof(FormattedNumber::digits) + more_bytes + 1;
  if (line_.size() < room) line_.resize(room);
  return std::copy(word.begin(), word.end(), line_.data());
}

char* LogPrinter::WriteNumbers(std::initializer_list<int32_t> numbers, char* to) {
  FormattedNumber* last = last_numbers_.data();
  for (const int32_t number : numbers) {
    if (last->length == 0 || last->value != number) {
      last->value = number;
      last->digits[0] = ' ';
      const auto result = std::to_chars(last->digits + 1, std::end(last->digits), number);
      last->length = static_cast<uint8_t>(result.ptr - last->digits);
    }
    std::memcpy(to, last->digits, sizeof last->digits);
    to += last->length;
    ++last;
  }
  return to;
}

void LogPrinter::EndLine(char* end) {
  *end++ = '\n';
  sink_.WriteLine(std::string_view(line_.data(), end - line_.data()));
}

}  // namespace quarvel
