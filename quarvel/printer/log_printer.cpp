#include "printer/log_printer.h"

#include <cstdint>

#include "printer/utf8.h"

namespace quarvel {

namespace {

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

void StreamLineSink::WriteLine(std::string_view line) {
  std::fwrite(line.data(), 1, line.size(), out_);
  std::fputc('\n', out_);
}

DialogOutcome LogPrinter::ChoosePrinter(Orientation orientation) {
  sink_.WriteLine(orientation == Orientation::kLandscape ? "dialog landscape" : "dialog portrait");
  return DialogOutcome::kPrinterChosen;
}

bool LogPrinter::InstallAbortProc() {
  sink_.WriteLine("abortproc");
  return true;
}

void LogPrinter::StartDocument() { sink_.WriteLine("startdoc \"MyDoc\""); }
void LogPrinter::StartPage() { sink_.WriteLine("startpage"); }
void LogPrinter::EndPage() { sink_.WriteLine("endpage"); }
void LogPrinter::EndDocument() { sink_.WriteLine("enddoc"); }

void LogPrinter::OutputText(DevicePoint at, const FontSpec& font, const WideString& text) {
  sink_.WriteLine(Join({"text", Number(at.x), Number(at.y), Number(font.height),
                        Number(font.weight), font.italic ? "1" : "0", QuoteForLog(text)}));
}

void LogPrinter::DrawSegment(DevicePoint from, DevicePoint to) {
  sink_.WriteLine(Join({"line", Number(from.x), Number(from.y), Number(to.x), Number(to.y)}));
}

std::unique_ptr<Picture> LogPrinter::LoadPicture(const WideString& path) {
  return std::make_unique<PathPicture>(path);
}

void LogPrinter::DrawPicture(Picture& picture, const ImageRect& rect) {
  const auto& image = static_cast<const PathPicture&>(picture);
  sink_.WriteLine(Join({"image", QuoteForLog(image.path), Number(rect.x), Number(rect.y),
                        Number(rect.width), Number(rect.height)}));
}

}  // namespace quarvel
