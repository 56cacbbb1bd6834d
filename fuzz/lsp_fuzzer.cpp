// The language server fuzzer: the fuzzer's bytes as the text of an open
// script, which the server checks, then every request it answers, about
// lines and columns that the bytes choose, and an edit of a range that
// they choose too.
//
//   bash scripts/fuzz.sh 60 lsp_fuzzer
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "lsp/language_server.h"

namespace quarvel {
namespace {

using nlohmann::json;

constexpr char kUri[] = "file:///fuzz/script.txt";
constexpr size_t kLinesAsked = 4;

json Message(const char* method, json params, int id = 0) {
  json message = {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
  if (id != 0) message["id"] = id;
  return message;
}

json Position(size_t line, size_t character) { return {{"line", line}, {"character", character}}; }

void Serve(const std::string& text) {
  static const std::unique_ptr<Host> host = NewSystemHost();
  LanguageServer server(
      *host, [](const WideString&) { return std::string("no such file"); }, CheckOptions(), "fuzz");
  server.Handle(Message("initialize", {{"capabilities", json::object()}}, 1));
  server.Handle(Message("textDocument/didOpen",
                        {{"textDocument", {{"uri", kUri}, {"version", 1}, {"text", text}}}}));
  const json document = {{"uri", kUri}};
  const size_t column = text.empty() ? 0 : static_cast<unsigned char>(text[0]) % 8;
  for (size_t asked = 0; asked < kLinesAsked; ++asked) {
    const size_t line =
        text.size() > asked + 2 ? static_cast<unsigned char>(text[asked + 2]) % 32 : asked;
    const json at = {{"textDocument", document}, {"position", Position(line, column)}};
    server.Handle(Message("textDocument/hover", at, 2));
    server.Handle(Message("textDocument/completion", at, 3));
    server.Handle(
        Message("textDocument/codeAction",
                {{"textDocument", document},
                 {"range", {{"start", Position(line, 0)}, {"end", Position(line, column)}}}},
                4));
  }
  server.Handle(Message("textDocument/documentSymbol", {{"textDocument", document}}, 5));
  server.Handle(Message("textDocument/semanticTokens/full", {{"textDocument", document}}, 6));
  const size_t from = text.size() > 1 ? static_cast<unsigned char>(text[1]) % 16 : 0;
  server.Handle(Message(
      "textDocument/didChange",
      {{"textDocument", document},
       {"contentChanges",
        {{{"range", {{"start", Position(from, column)}, {"end", Position(from + column, 0)}}},
          {"text", "endText\n\xc5\x99"}}}}}));
  server.Handle(Message("textDocument/semanticTokens/full", {{"textDocument", document}}, 7));
}

}  // namespace
}  // namespace quarvel

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quarvel::Serve(std::string(reinterpret_cast<const char*>(data), size));
  return 0;
}
