#include "lsp/json_rpc.h"

#include <charconv>
#include <optional>
#include <string_view>

namespace quarvel {

namespace {

constexpr std::string_view kLengthHeader = "content-length:";

// The longest header line read; a longer one is a framing error.
constexpr size_t kMaxHeaderLine = 1024;

// Reads one header line, without its CR LF, keeping at most one byte more
// than kMaxHeaderLine of it; nullopt at the end of input.
std::optional<std::string> ReadHeaderLine(std::FILE* in) {
  std::string line;
  for (int c = std::fgetc(in); c != EOF; c = std::fgetc(in)) {
    if (c == '\n') {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      return line;
    }
    if (line.size() <= kMaxHeaderLine) line.push_back(static_cast<char>(c));
  }
  if (line.empty()) return std::nullopt;
  return line;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i) {
    const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] + 32) : text[i];
    if (c != prefix[i]) return false;
  }
  return true;
}

// The length that a Content-Length header line gives, or nullopt.
std::optional<size_t> ContentLength(std::string_view line) {
  std::string_view value = line.substr(kLengthHeader.size());
  while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
  size_t length = 0;
  const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), length);
  if (error != std::errc() || end != value.data() + value.size()) return std::nullopt;
  return length;
}

}  // namespace

ReadResult ReadMessage(std::FILE* in) {
  std::optional<size_t> length;
  bool any_header = false;
  for (;;) {
    const std::optional<std::string> line = ReadHeaderLine(in);
    if (!line) {
      if (any_header) return FramingError{"the input ends inside a message's header"};
      return EndOfMessages{};
    }
    if (line->empty()) break;
    if (line->size() > kMaxHeaderLine) return FramingError{"a header line of over 1024 bytes"};
    any_header = true;
    if (StartsWithIgnoringCase(*line, kLengthHeader)) {
      length = ContentLength(*line);
      if (!length) return FramingError{"a Content-Length header without a length"};
    }
  }
  if (!length) return FramingError{"a message without a Content-Length header"};
  if (*length > kMaxMessageBytes) return FramingError{"a message of over 64 MiB"};
  std::string body(*length, '\0');
  if (std::fread(body.data(), 1, body.size(), in) != body.size()) {
    return FramingError{"the input ends inside a message"};
  }
  nlohmann::json message = nlohmann::json::parse(body, nullptr, false);
  if (message.is_discarded()) return UnparsableMessage{};
  return message;
}

bool WriteMessage(std::FILE* out, const nlohmann::json& message) {
  const std::string body = message.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
  return std::fprintf(out, "Content-Length: %zu\r\n\r\n", body.size()) > 0 &&
         std::fwrite(body.data(), 1, body.size(), out) == body.size() && std::fflush(out) == 0;
}

}  // namespace quarvel
