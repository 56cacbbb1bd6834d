// The framing of the language server protocol's JSON-RPC messages on a byte
// stream: each message a header of "Content-Length: N" (and any other
// header lines, ignored), an empty line, and N bytes of JSON.
#ifndef QUARVEL_LSP_JSON_RPC_H_
#define QUARVEL_LSP_JSON_RPC_H_

#include <cstdio>
#include <string>
#include <variant>

#include <nlohmann/json.hpp>

namespace quarvel {

// The input ended cleanly, between two messages.
struct EndOfMessages {};

// The input cannot be read as framed messages; says why in a few words.
struct FramingError {
  std::string reason;
};

// A message whose body is no JSON, which the server answers with a parse
// error and then reads on.
struct UnparsableMessage {};

using ReadResult = std::variant<nlohmann::json, EndOfMessages, FramingError, UnparsableMessage>;

// Bodies beyond this size are refused as a framing error, before any memory
// is taken for them.
inline constexpr size_t kMaxMessageBytes = size_t{64} << 20;

// Reads the next message from `in`.
ReadResult ReadMessage(std::FILE* in);

// Writes `message` to `out`, framed, and flushes it. Returns false when the
// write fails.
bool WriteMessage(std::FILE* out, const nlohmann::json& message);

}  // namespace quarvel

#endif  // QUARVEL_LSP_JSON_RPC_H_
