#include "checker/checking_host.h"

#include "text/byte_order.h"
#include "text/quoted_text.h"
#include "text/utf8.h"

namespace quarvel {

namespace {

// The script, its bytes shown to `bytes` as they are read.
class WatchedScript : public InputFile {
 public:
  WatchedScript(std::unique_ptr<InputFile> file, ScriptBytes& bytes)
      : file_(std::move(file)), bytes_(bytes) {}

  size_t Read(char* buffer, size_t size) override {
    const size_t count = file_->Read(buffer, size);
    const bool ended_before = bytes_.end_line() != 0;
    bytes_.Take(std::string_view(buffer, count));
    // A byte 0x1A that ends what was read may end the file, or not.
    if (!ended_before && bytes_.end_line() != 0 && !bytes_.text_after_end()) {
      char next;
      bytes_.set_text_after_end(file_->Read(&next, 1) != 0);
    }
    return count;
  }

 private:
  const std::unique_ptr<InputFile> file_;
  ScriptBytes& bytes_;
};

// "; 3 more lines hold one too", of the lines after the first of `lines`.
std::string MoreLines(const LinesHolding& lines) {
  if (lines.count < 2) return "";
  const size_t more = lines.count - 1;
  return "; " + std::to_string(more) + (more == 1 ? " more line holds" : " more lines hold") +
         " one too";
}

}  // namespace

std::unique_ptr<InputFile> CheckingHost::OpenScript(const PathChar* path) {
  errno = 0;
  std::unique_ptr<InputFile> script = HostWrapper::OpenScript(path);
  if (script == nullptr) {
    open_error_ = errno != 0 ? errno : ENOENT;
    return nullptr;
  }
  return std::make_unique<WatchedScript>(std::move(script), bytes_);
}

void CheckingHost::Finish() {
  if (LooksLikeUtf16(bytes_.start())) return ReportUtf16();
  ReportUtf8Text();
  ReportLineEnds();
  ReportControlChars();
}

void CheckingHost::ReportUtf16() {
  const std::string why = HasUtf16ByteOrderMark(bytes_.start())
                              ? "it starts with a UTF-16 byte-order mark"
                              : "a NUL byte stands beside each character";
  diagnostics_.Report(1, Warning::kEncoding,
                      "the script is UTF-16 text (" + why +
                          "), but scripts are read a byte at a time: no line of it is a keyword; "
                          "convert it to the code page that it is read in (iconv -f UTF-16 -t " +
                          (code_page_is_utf8_ ? "UTF-8" : "WINDOWS-1250") + ")");
}

void CheckingHost::ReportUtf8Text() {
  if (code_page_is_utf8_ || bytes_.utf8_line() == 0) return;
  const std::string text = bytes_.utf8_text();
  WideString printed;
  ConvertAnsiText(text.substr(0, text.find('\0')), &printed);
  diagnostics_.Report(bytes_.utf8_line(), Warning::kEncoding,
                      "the script is UTF-8 text, read in a single-byte code page: " +
                          QuoteForLog(FromUtf8(text)) + " prints as " + QuoteForLog(printed) +
                          "; read it as UTF-8 (--encoding=UTF-8 natively; on Windows, when "
                          "the system's code page is UTF-8) or save it in its code page");
}

void CheckingHost::ReportLineEnds() {
  const LinesHolding& lines = bytes_.lone_carriage_returns();
  if (lines.first == 0) return;
  if (!bytes_.has_line_feed()) {
    diagnostics_.Report(1, Warning::kLineEnds,
                        "the script's lines end in carriage returns alone, which end no line: "
                        "the whole script is read as this one line; end its lines in LF or CR LF");
    return;
  }
  diagnostics_.Report(lines.first, Warning::kLineEnds,
                      "this line holds a carriage return without a line feed, which ends no "
                      "line: what follows it is read as more of this line" +
                          MoreLines(lines));
}

void CheckingHost::ReportControlChars() {
  const LinesHolding& nul = bytes_.nul_bytes();
  if (nul.first != 0) {
    diagnostics_.Report(nul.first, Warning::kControlChar,
                        "this line holds a NUL byte, which is read as part of the line: it is no "
                        "keyword, and its text or path ends at the NUL" +
                            MoreLines(nul));
  }
  if (bytes_.end_line() != 0 && bytes_.text_after_end()) {
    diagnostics_.Report(bytes_.end_line(), Warning::kControlChar,
                        "a byte 0x1A (Ctrl-Z) ends the script here, as it ends a text file: "
                        "nothing after it is read");
  }
}

std::unique_ptr<OutputFile> CheckingHost::CreateTrace(const char* name) {
  const size_t line = diagnostics_.current_line();
  const auto [earlier, first] = traces_.insert({name, line});
  if (!first) {
    diagnostics_.Report(line, Warning::kTraces,
                        "this block truncates \"" + std::string(name) +
                            "\" again: the trace of the block at line " +
                            std::to_string(earlier->second) + " is lost");
    earlier->second = line;
  }
  return std::make_unique<DiscardedFile>();
}

}  // namespace quarvel
