// The script checker as a language server (LSP 3.17): the editor's open
// scripts are checked as they change, and their findings published as
// diagnostics; hover tells what printing does with a line, the outline
// lists documents, pages and blocks, and completion, code actions and
// semantic tokens help to write them.
//
// Image paths that are relative are taken from the script's own folder, or
// from the folder that the client gives as initializationOptions.imageFolder.
#ifndef QUARVEL_LSP_LANGUAGE_SERVER_H_
#define QUARVEL_LSP_LANGUAGE_SERVER_H_

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "checker/checking_printer.h"
#include "checker/diagnostics.h"
#include "checker/script_checker.h"
#include "host.h"
#include "lsp/script_facts.h"
#include "lsp/text_document.h"

namespace quarvel {

class LanguageServer {
 public:
  // Checks with `host`'s code page and `probe`, as `options` say.
  // `version` is the program's, for serverInfo.
  LanguageServer(Host& host, ImageProbe probe, const CheckOptions& options, std::string version);

  // Handles one message from the client; returns the messages to send back,
  // in order: the response to a request, and the notifications it causes.
  // A request whose parameters are not of the protocol's types is answered
  // with an error; such a notification changes nothing.
  std::vector<nlohmann::json> Handle(const nlohmann::json& message);
  // The answer to a message whose body was no JSON.
  static nlohmann::json ParseError();

  // Whether the client sent "exit", and the status to exit with: 0 after a
  // "shutdown", 1 otherwise.
  bool exited() const { return exit_status_.has_value(); }
  int exit_status() const { return exit_status_.value_or(1); }

 private:
  struct OpenDocument {
    TextDocument text;
    std::vector<Finding> findings;
    // The facts of the text, gathered at the first request that needs them
    // after a change.
    std::optional<ScriptFacts> facts;
  };

  nlohmann::json Initialize(const nlohmann::json& params);
  nlohmann::json Hover(const nlohmann::json& params);
  nlohmann::json DocumentSymbols(const nlohmann::json& params);
  nlohmann::json Completion(const nlohmann::json& params);
  nlohmann::json CodeActions(const nlohmann::json& params);
  nlohmann::json SemanticTokens(const nlohmann::json& params);
  std::vector<nlohmann::json> HandleNotification(const std::string& method,
                                                 const nlohmann::json& params);
  // Handles a notification about the documents; returns the diagnostics
  // it publishes, if any.
  std::optional<nlohmann::json> DocumentChanged(std::string_view method,
                                                const nlohmann::json& params);
  nlohmann::json Request(std::string_view method, const nlohmann::json& params);

  OpenDocument* Find(const nlohmann::json& params);
  // Checks the document at `uri` and returns its publishDiagnostics.
  nlohmann::json Check(const std::string& uri, OpenDocument& document);
  class ScriptRun;
  // What printing does with each line of `document`, named in `params`.
  const ScriptFacts& FactsOf(const nlohmann::json& params, OpenDocument& document);

  Host& host_;
  const ImageProbe probe_;
  const CheckOptions options_;
  const std::string version_;
  PositionUnits units_ = PositionUnits::kUtf16;
  std::string image_folder_;
  bool initialized_ = false;
  bool shut_down_ = false;
  std::optional<int> exit_status_;
  std::map<std::string, OpenDocument> documents_;
};

// Serves the client on `in` and `out` until it sends "exit" or the input
// ends; returns the exit status: that of LanguageServer, or 1 when the
// input ends first or cannot be read as messages, which `program` then
// reports on `err`.
int RunLanguageServer(LanguageServer& server, std::FILE* in, std::FILE* out, std::FILE* err,
                      std::string_view program);

}  // namespace quarvel

#endif  // QUARVEL_LSP_LANGUAGE_SERVER_H_
