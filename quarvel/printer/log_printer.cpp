#include "printer/log_printer.h"

#include <cstdint>

namespace quarvel {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void AppendUtf8(char32_t c, std::string* out) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | c >> 6));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | c >> 12));
    out->push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | c >> 18));
    out->push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

void AppendEscaped(char32_t c, std::string* out) {
  static const char kHex[] = "0123456789ABCDEF";
  switch (c) {
    case '\\': *out += "\\\\"; return;
    case '"': *out += "\\\""; return;
    case '\n': *out += "\\n"; return;
    case '\r': *out += "\\r"; return;
    case '\t': *out += "\\t"; return;
  }
  if (c < 0x20 || c == 0x7F) {
    *out += "\\x";
    out->push_back(kHex[c >> 4]);
    out->push_back(kHex[c & 0xF]);
    return;
  }
  AppendUtf8(c, out);
}

bool IsHighSurrogate(char32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// Decodes the code point at text[*at] and moves past it. A surrogate that is
// not part of a pair decodes as U+FFFD.
char32_t NextCodePoint(const WideString& text, size_t* at) {
  const char32_t unit = static_cast<char16_t>(text[(*at)++]);
  if (IsHighSurrogate(unit) && *at < text.size()) {
    const char32_t next = static_cast<char16_t>(text[*at]);
    if (IsLowSurrogate(next)) {
      ++*at;
      return 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
    }
  }
  return IsHighSurrogate(unit) || IsLowSurrogate(unit) ? kReplacement : unit;
}

std::string Join(std::initializer_list<std::string> words) {
  std::string line;
  for (const std::string& word : words) {
    if (!line.empty()) line += ' ';
    line += word;
  }
  return line;
}

std::string Number(int32_t value) { return std::to_string(value); }

}  // namespace

std::string QuoteForLog(const WideString& text) {
  std::string quoted = "\"";
  for (size_t at = 0; at < text.size();) AppendEscaped(NextCodePoint(text, &at), &quoted);
  quoted += '"';
  return quoted;
}

PrinterChoice LogPrinter::ChoosePrinter(const std::string& orientation) {
  Log(Join({"dialog", orientation}));
  return {.has_device_context = true};
}

bool LogPrinter::InstallAbortProc() {
  Log("abortproc");
  return true;
}

void LogPrinter::StartDocument() { Log("startdoc \"MyDoc\""); }
void LogPrinter::StartPage() { Log("startpage"); }
void LogPrinter::EndPage() { Log("endpage"); }
void LogPrinter::EndDocument() { Log("enddoc"); }

void LogPrinter::OutputText(DevicePoint at, const FontSpec& font, const WideString& text) {
  Log(Join({"text", Number(at.x), Number(at.y), Number(font.height), Number(font.weight),
            font.italic ? "1" : "0", QuoteForLog(text)}));
}

void LogPrinter::DrawSegment(DevicePoint from, DevicePoint to) {
  Log(Join({"line", Number(from.x), Number(from.y), Number(to.x), Number(to.y)}));
}

std::unique_ptr<Picture> LogPrinter::LoadPicture(const WideString& path) {
  return std::make_unique<PathPicture>(path);
}

void LogPrinter::DrawPicture(Picture& picture, const ImageRect& rect) {
  const auto& image = static_cast<const PathPicture&>(picture);
  Log(Join({"image", QuoteForLog(image.path), Number(rect.x), Number(rect.y), Number(rect.width),
            Number(rect.height)}));
}

void LogPrinter::Log(std::string_view line) {
  std::fwrite(line.data(), 1, line.size(), out_);
  std::fputc('\n', out_);
}

}  // namespace quarvel
