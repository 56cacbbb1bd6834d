#include "lsp/language_server.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <functional>
#include <limits>

#include "checker/script_checker.h"
#include "checker/script_keywords.h"
#include "lsp/json_rpc.h"
#include "lsp/script_facts.h"
#include "text/utf8.h"

namespace quarvel {

using nlohmann::json;

namespace {

// JSON-RPC's and the protocol's error codes.
constexpr int kParseError = -32700;
constexpr int kInvalidRequest = -32600;
constexpr int kMethodNotFound = -32601;
constexpr int kInvalidParams = -32602;
constexpr int kServerNotInitialized = -32002;

// The protocol's numbers for what the server sends.
constexpr int kSeverityWarning = 2;
constexpr int kSeverityInformation = 3;
constexpr int kSyncIncremental = 2;
constexpr int kCompletionKeyword = 14;
constexpr int kCompletionEnumMember = 20;

// The semantic token types, by their index in the legend.
enum TokenType { kKeywordToken, kNumberToken, kStyleToken, kTextToken, kPathToken, kUnusedToken };
const char* const kTokenTypes[] = {"keyword", "number",   "enumMember",
                                   "string",  "variable", "comment"};

json ErrorResponse(const json& id, int code, std::string_view message) {
  return {{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}};
}

json Notification(std::string_view method, json params) {
  return {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
}

// ---- URIs and paths ----

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The path of a file: URI, percent-decoded ("file:///C:/a" gives "C:/a");
// empty for a URI of another scheme.
std::string PathOfUri(std::string_view uri) {
  constexpr std::string_view kScheme = "file://";
  if (!uri.starts_with(kScheme)) return {};
  uri.remove_prefix(kScheme.size());
  std::string path;
  for (size_t i = 0; i < uri.size(); ++i) {
    if (uri[i] == '%' && i + 2 < uri.size() && HexDigit(uri[i + 1]) >= 0 &&
        HexDigit(uri[i + 2]) >= 0) {
      path.push_back(static_cast<char>(HexDigit(uri[i + 1]) * 16 + HexDigit(uri[i + 2])));
      i += 2;
    } else {
      path.push_back(uri[i]);
    }
  }
  if (path.size() > 2 && path[0] == '/' && path[2] == ':') path.erase(0, 1);
  return path;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool IsRelative(const WideString& path) {
  if (path.empty()) return false;
  if (path[0] == '/' || path[0] == '\\') return false;
  return !(path.size() > 1 && path[1] == ':');
}

// ---- Ranges and positions ----

json PositionJson(size_t line, size_t character) {
  return {{"line", line}, {"character", character}};
}

json LineRange(const TextDocument& text, size_t index) {
  return {{"start", PositionJson(index, 0)}, {"end", PositionJson(index, text.Columns(index))}};
}

Position PositionOf(const json& position) {
  return {position.value("line", size_t{0}), position.value("character", size_t{0})};
}

// ---- Descriptions ----

const char* ValueDescription(ValueName value) {
  switch (value) {
    case ValueName::kSize: return "the font height of the block's lines, in printer pixels";
    case ValueName::kX: return "the x of every line of the block, in script units";
    case ValueName::kY: return "the y of the block's first line, in script units";
    case ValueName::kX1: return "the x of the segment's start, in script units";
    case ValueName::kY1: return "the y of the segment's start, in script units";
    case ValueName::kX2: return "the x of the segment's end, in script units";
    case ValueName::kY2: return "the y of the segment's end, in script units";
    case ValueName::kLeft: return "the image's left edge, in hundredths of an inch";
    case ValueName::kTop: return "the image's top edge, in hundredths of an inch";
    case ValueName::kWidth: return "the image's width, in hundredths of an inch";
    case ValueName::kHeight: return "the image's height, in hundredths of an inch";
  }
  return "a value";
}

const char* KeywordAction(std::string_view keyword) {
  if (keyword == "beginDocument") return "Starts the print job \"MyDoc\".";
  if (keyword == "beginPage") return "Starts a page.";
  if (keyword == "endPage") return "Ends the page.";
  if (keyword == "endDocument") return "Ends the print job, which is then printed.";
  return "A keyword, acted on here.";
}

std::string FontPhrase(const FontSpec& font) {
  std::string phrase =
      "Arial, " + std::string(font.height < 0 ? "character" : "cell") + " height " +
      std::to_string(font.height < 0 ? -int64_t{font.height} : font.height) + " px";
  if (font.weight >= 700) phrase += ", bold";
  if (font.italic) phrase += ", italic";
  return phrase;
}

std::string ImageHover(std::string_view path, const LineFact& fact) {
  std::string hover = "Image file `" + std::string(path) + "`";
  if (fact.image_rect) {
    const ImageRect& rect = *fact.image_rect;
    hover += ", drawn " + std::to_string(rect.width) + " × " + std::to_string(rect.height) +
             " hundredths of an inch at (" + std::to_string(rect.x) + ", " +
             std::to_string(rect.y) + ") from the page's top-left corner";
  }
  hover += fact.image_problem.empty() ? ". It loads."
                                      : ". It will not load: " + fact.image_problem + ".";
  return hover;
}

std::string TakenHover(std::string_view line, const LineFact& fact) {
  switch (fact.role) {
    case LineRole::kPrologue:
      return line == "pageOrientation"
                 ? "The orientation prologue: the next line chooses the orientation."
                 : "The script's first line, which is not \"pageOrientation\": the print "
                   "dialog opens in portrait.";
    case LineRole::kOrientation:
      return line == "landscape" ? "The orientation: landscape."
                                 : "The orientation line: anything but \"landscape\" means "
                                   "portrait.";
    case LineRole::kSpare: return "A spare line: read, and never interpreted.";
    case LineRole::kStyle:
      return "The style line: \"normal\", \"bold\", \"italic\" or \"bolditalic\"; any other "
             "line means normal.";
    case LineRole::kPath: return ImageHover(line, fact);
  }
  return {};
}

std::string HoverText(std::string_view line, const LineFact& fact) {
  switch (fact.use) {
    case LineUse::kUnread:
      return "Never read: the script ends before this line, at its end or at a 0x1A byte.";
    case LineUse::kKeyword:
      if (fact.opens) return std::string("Opens a ") + BlockName(*fact.opens) + ".";
      if (fact.closes) return std::string("Closes the ") + BlockName(*fact.closes) + ".";
      return KeywordAction(line);
    case LineUse::kIgnored: return "Ignored: no keyword at this level.";
    case LineUse::kText:
      if (!fact.drawn_at) return "A line of text, which is not drawn.";
      return "Text drawn with the top-left corner of its cell at (" +
             std::to_string(fact.drawn_at->x) + ", " + std::to_string(fact.drawn_at->y) +
             ") device pixels, in " + FontPhrase(fact.font) + ".";
    case LineUse::kTaken: return TakenHover(line, fact);
    case LineUse::kValue:
      return std::string("A value line: ") + ValueDescription(fact.value) + ", taken as " +
             std::to_string(fact.taken) + ".";
  }
  return {};
}

// ---- Completion ----

// Where the keywords that stand inside `block` are recognised, as
// ScriptKeyword::where names it.
std::string_view WhereInside(BlockKind block) {
  switch (block) {
    case BlockKind::kTextBlock: return "text blocks";
    case BlockKind::kImage: return "";
    case BlockKind::kSimpleTable: return "simple tables";
    case BlockKind::kColumns: return "columns blocks";
    case BlockKind::kRows: return "rows blocks";
    case BlockKind::kHeaderTable: return "header tables";
    case BlockKind::kHeaderColumns: return "header-columns blocks";
    case BlockKind::kHeaderRows: return "header-rows blocks";
    case BlockKind::kNoTextTable: return "no-text tables";
  }
  return "";
}

bool TakesTextBlocks(BlockKind block) {
  return block == BlockKind::kSimpleTable || block == BlockKind::kHeaderTable;
}

std::vector<std::string_view> KeywordsInside(const std::vector<BlockKind>& open) {
  std::vector<std::string_view> words;
  for (const ScriptKeyword& keyword : AllKeywords()) {
    const bool fits =
        open.empty() ? keyword.where.starts_with("the top level")
                     : keyword.where == WhereInside(open.back()) ||
                           (TakesTextBlocks(open.back()) && keyword.where.ends_with("and tables"));
    if (fits) words.push_back(keyword.word);
  }
  return words;
}

json CompletionItems(const std::vector<std::string_view>& words, int kind) {
  json items = json::array();
  for (std::string_view word : words) items.push_back({{"label", word}, {"kind", kind}});
  return items;
}

// ---- Code actions ----

// The line that mends `finding` about `line`, when there is one obvious.
std::optional<std::string> MendedLine(const Finding& finding, std::string_view line) {
  if (finding.kind == Warning::kNearKeyword) {
    std::optional<NearMiss> miss = FindNearKeyword(line);
    if (!miss) miss = FindNearMiss(line, StyleWords());
    if (miss) return std::string(miss->word);
  }
  if (finding.kind == Warning::kMalformedNumber) {
    size_t start = 0;
    while (start < line.size() && (line[start] == ' ' || line[start] == '\t')) ++start;
    int32_t number = 0;
    const auto [end, error] =
        std::from_chars(line.data() + start, line.data() + line.size(), number);
    if (error == std::errc() && end != line.data() + line.size()) return std::to_string(number);
  }
  return std::nullopt;
}

json QuickFix(const std::string& uri, std::string title, json range, std::string text,
              const json& diagnostic) {
  json edit = {{"range", std::move(range)}, {"newText", std::move(text)}};
  return {{"title", std::move(title)},
          {"kind", "quickfix"},
          {"diagnostics", json::array({diagnostic})},
          {"edit", {{"changes", {{uri, json::array({edit})}}}}}};
}

}  // namespace

// One run of the interpreter over an open document's text: its host reads
// the text as the script, and its probe takes relative image paths from the
// image folder and tries each file once.
class LanguageServer::ScriptRun {
 public:
  ScriptRun(LanguageServer& server, const std::string& uri, const OpenDocument& document)
      : host_(server.host_, document.text.text()),
        folder_(FromUtf8(server.image_folder_.empty() ? FolderOf(PathOfUri(uri))
                                                      : server.image_folder_)),
        probe_([this, &server](const WideString& path) {
          const WideString resolved = IsRelative(path) ? folder_ + path : path;
          auto [tried, is_new] = tried_.try_emplace(resolved);
          if (is_new) tried->second = server.probe_(resolved);
          return tried->second;
        }) {}

  Host& host() { return host_; }
  const ImageProbe& probe() const { return probe_; }
  static constexpr PathChar kPath[] = {'-', '\0'};

 private:
  class TextFile : public InputFile {
   public:
    explicit TextFile(std::string_view text) : rest_(text) {}
    size_t Read(char* buffer, size_t size) override {
      size = std::min(size, rest_.size());
      std::memcpy(buffer, rest_.data(), size);
      rest_.remove_prefix(size);
      return size;
    }

   private:
    std::string_view rest_;
  };
  class TextHost : public HostWrapper {
   public:
    TextHost(Host& target, std::string_view text) : HostWrapper(target), text_(text) {}
    std::unique_ptr<InputFile> OpenScript(const PathChar*) override {
      return std::make_unique<TextFile>(text_);
    }

   private:
    std::string_view text_;
  };

  TextHost host_;
  const WideString folder_;
  std::map<WideString, std::string> tried_;
  const ImageProbe probe_;
};

LanguageServer::LanguageServer(Host& host, ImageProbe probe, const CheckOptions& options,
                               std::string version)
    : host_(host), probe_(std::move(probe)), options_(options), version_(std::move(version)) {}

json LanguageServer::ParseError() { return ErrorResponse(nullptr, kParseError, "Parse error"); }

std::vector<json> LanguageServer::Handle(const json& message) {
  if (!message.is_object() || !message.contains("method") || !message["method"].is_string()) {
    if (message.is_object() && message.contains("id") && !message.contains("method")) return {};
    return {ErrorResponse(message.is_object() ? message.value("id", json()) : json(),
                          kInvalidRequest, "not a request or notification")};
  }
  const std::string method = message["method"];
  const json params = message.value("params", json::object());
  if (!message.contains("id")) return HandleNotification(method, params);
  const json& id = message["id"];
  if (!initialized_ && method != "initialize") {
    return {ErrorResponse(id, kServerNotInitialized, "the server is not initialized")};
  }
  if (shut_down_) return {ErrorResponse(id, kInvalidRequest, "the server is shut down")};
  try {
    json result = Request(method, params);
    if (result.is_discarded()) {
      return {ErrorResponse(id, kMethodNotFound, "no such method: " + method)};
    }
    return {{{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}}};
  } catch (const json::exception& error) {
    return {ErrorResponse(id, kInvalidParams, std::string("invalid params: ") + error.what())};
  }
}

std::vector<json> LanguageServer::HandleNotification(const std::string& method,
                                                     const json& params) {
  if (method == "exit") exit_status_ = shut_down_ ? 0 : 1;
  if (!initialized_ || shut_down_) return {};
  try {
    if (std::optional<json> published = DocumentChanged(method, params)) return {*published};
  } catch (const json::exception&) {
    // A notification has no answer: one that cannot be read changes nothing.
  }
  return {};
}

json LanguageServer::Request(std::string_view method, const json& params) {
  if (method == "initialize") return Initialize(params);
  if (method == "shutdown") {
    shut_down_ = true;
    return nullptr;
  }
  if (method == "textDocument/hover") return Hover(params);
  if (method == "textDocument/documentSymbol") return DocumentSymbols(params);
  if (method == "textDocument/completion") return Completion(params);
  if (method == "textDocument/codeAction") return CodeActions(params);
  if (method == "textDocument/semanticTokens/full") return SemanticTokens(params);
  return json(json::value_t::discarded);
}

json LanguageServer::Initialize(const json& params) {
  initialized_ = true;
  const json encodings =
      params.value("/capabilities/general/positionEncodings"_json_pointer, json::array());
  const bool utf8 = std::find(encodings.begin(), encodings.end(), "utf-8") != encodings.end();
  units_ = utf8 ? PositionUnits::kUtf8 : PositionUnits::kUtf16;
  const json options = params.value("initializationOptions", json::object());
  if (options.is_object() && options.value("imageFolder", json()).is_string()) {
    image_folder_ = options["imageFolder"];
    if (!image_folder_.empty() && image_folder_.back() != '/') image_folder_ += '/';
  }
  return {{"capabilities",
           {{"positionEncoding", utf8 ? "utf-8" : "utf-16"},
            {"textDocumentSync", {{"openClose", true}, {"change", kSyncIncremental}}},
            {"hoverProvider", true},
            {"documentSymbolProvider", true},
            {"completionProvider", json::object()},
            {"codeActionProvider", {{"codeActionKinds", {"quickfix"}}}},
            {"semanticTokensProvider",
             {{"legend", {{"tokenTypes", kTokenTypes}, {"tokenModifiers", json::array()}}},
              {"full", true}}}}},
          {"serverInfo", {{"name", "quarvel"}, {"version", version_}}}};
}

std::optional<json> LanguageServer::DocumentChanged(std::string_view method, const json& params) {
  const std::string uri = params.value("/textDocument/uri"_json_pointer, std::string());
  if (method == "textDocument/didOpen") {
    const std::string text = params.value("/textDocument/text"_json_pointer, std::string());
    auto [document, _] = documents_.insert_or_assign(
        uri, OpenDocument{TextDocument(text, units_), {}, std::nullopt});
    return Check(uri, document->second);
  }
  OpenDocument* document = Find(params);
  if (document == nullptr) return std::nullopt;
  if (method == "textDocument/didClose") {
    documents_.erase(uri);
    return Notification("textDocument/publishDiagnostics",
                        {{"uri", uri}, {"diagnostics", json::array()}});
  }
  if (method != "textDocument/didChange") return std::nullopt;
  for (const json& change : params.value("contentChanges", json::array())) {
    const std::string text = change.value("text", std::string());
    if (change.contains("range")) {
      document->text.Replace(
          {PositionOf(change.at("range").at("start")), PositionOf(change.at("range").at("end"))},
          text);
    } else {
      document->text = TextDocument(text, units_);
    }
  }
  return Check(uri, *document);
}

LanguageServer::OpenDocument* LanguageServer::Find(const json& params) {
  const auto found = documents_.find(params.value("/textDocument/uri"_json_pointer, std::string()));
  return found == documents_.end() ? nullptr : &found->second;
}

json LanguageServer::Check(const std::string& uri, OpenDocument& document) {
  ScriptRun run(*this, uri, document);
  document.findings.clear();
  document.facts.reset();
  CheckScript(run.host(), run.probe(), ScriptRun::kPath, options_,
              [&document](const Finding& finding) { document.findings.push_back(finding); });
  json diagnostics = json::array();
  for (const Finding& finding : document.findings) {
    const size_t index = finding.line > 0 ? finding.line - 1 : 0;
    json diagnostic = {{"range", LineRange(document.text, index)},
                       {"severity", IsNote(finding.kind) ? kSeverityInformation : kSeverityWarning},
                       {"code", WarningName(finding.kind)},
                       {"source", "quarvel"},
                       {"message", finding.message}};
    if (finding.related_line != 0) {
      const size_t related = finding.related_line - 1;
      diagnostic["relatedInformation"] = {
          {{"location", {{"uri", uri}, {"range", LineRange(document.text, related)}}},
           {"message", related < index ? "the block opened here"
                                       : "the line that narrowly misses closing the block"}}};
    }
    diagnostics.push_back(std::move(diagnostic));
  }
  return Notification("textDocument/publishDiagnostics",
                      {{"uri", uri}, {"diagnostics", std::move(diagnostics)}});
}

const ScriptFacts& LanguageServer::FactsOf(const json& params, OpenDocument& document) {
  if (!document.facts) {
    ScriptRun run(*this, params.at("textDocument").at("uri"), document);
    document.facts = GatherFacts(run.host(), run.probe(), ScriptRun::kPath);
  }
  return *document.facts;
}

json LanguageServer::Hover(const json& params) {
  OpenDocument* document = Find(params);
  if (document == nullptr) return nullptr;
  const size_t index = PositionOf(params.value("position", json::object())).line;
  const ScriptFacts& facts = FactsOf(params, *document);
  return {{"contents",
           {{"kind", "markdown"},
            {"value", HoverText(document->text.Line(index), facts.At(index + 1))}}},
          {"range", LineRange(document->text, index)}};
}

json LanguageServer::DocumentSymbols(const json& params) {
  OpenDocument* document = Find(params);
  if (document == nullptr) return nullptr;
  const ScriptFacts& facts = FactsOf(params, *document);
  const TextDocument& text = document->text;
  std::function<json(const std::vector<OutlinePart>&)> symbols =
      [&](const std::vector<OutlinePart>& parts) {
        json list = json::array();
        size_t pages = 0;
        size_t documents = 0;
        for (const OutlinePart& part : parts) {
          std::string name;
          int kind = 0;
          switch (part.kind) {
            case OutlinePart::Kind::kDocument:
              name = "document " + std::to_string(++documents);
              kind = 2;  // Module
              break;
            case OutlinePart::Kind::kPage:
              name = "page " + std::to_string(++pages);
              kind = 3;  // Namespace
              break;
            case OutlinePart::Kind::kBlock:
              name = BlockName(part.block);
              kind = part.block == BlockKind::kTextBlock ? 15
                     : part.block == BlockKind::kImage   ? 1
                                                         : 23;
              break;
          }
          list.push_back(
              {{"name", name},
               {"detail", "lines " + std::to_string(part.first) + "-" + std::to_string(part.last)},
               {"kind", kind},
               {"range",
                {{"start", PositionJson(part.first - 1, 0)},
                 {"end", PositionJson(part.last - 1, text.Columns(part.last - 1))}}},
               {"selectionRange", LineRange(text, part.first - 1)},
               {"children", symbols(part.parts)}});
        }
        return list;
      };
  return symbols(facts.outline);
}

json LanguageServer::Completion(const json& params) {
  OpenDocument* document = Find(params);
  if (document == nullptr) return nullptr;
  const size_t index = PositionOf(params.value("position", json::object())).line;
  const ScriptFacts& facts = FactsOf(params, *document);
  const LineFact& fact = facts.At(index + 1);
  if (fact.use == LineUse::kTaken && fact.role == LineRole::kStyle) {
    return CompletionItems({StyleWords().begin(), StyleWords().end()}, kCompletionEnumMember);
  }
  if (fact.use == LineUse::kTaken && fact.role == LineRole::kOrientation) {
    return CompletionItems({"landscape", "portrait"}, kCompletionKeyword);
  }
  if (index == 0) return CompletionItems({"pageOrientation"}, kCompletionKeyword);
  const std::vector<BlockKind> none;
  const size_t before = std::min(index, facts.open_after.size());
  const std::vector<BlockKind>& open = before == 0 ? none : facts.open_after[before - 1];
  return CompletionItems(KeywordsInside(open), kCompletionKeyword);
}

json LanguageServer::CodeActions(const json& params) {
  OpenDocument* document = Find(params);
  if (document == nullptr) return nullptr;
  const std::string uri = params.at("textDocument").at("uri");
  const size_t first = params.value("/range/start/line"_json_pointer, size_t{0});
  const size_t last = params.value("/range/end/line"_json_pointer, first);
  const TextDocument& text = document->text;
  json actions = json::array();
  for (const Finding& finding : document->findings) {
    const size_t index = finding.line > 0 ? finding.line - 1 : 0;
    if (index < first || index > last) continue;
    const json diagnostic = {{"range", LineRange(text, index)},
                             {"code", WarningName(finding.kind)},
                             {"message", finding.message}};
    if (finding.kind == Warning::kPrologue && text.Line(0) != "pageOrientation") {
      actions.push_back(QuickFix(uri, "Add the orientation prologue (portrait)",
                                 {{"start", PositionJson(0, 0)}, {"end", PositionJson(0, 0)}},
                                 "pageOrientation\nportrait\n", diagnostic));
    } else if (const std::optional<std::string> mended = MendedLine(finding, text.Line(index))) {
      actions.push_back(QuickFix(uri, "Replace the line by \"" + *mended + "\"",
                                 LineRange(text, index), *mended, diagnostic));
    }
  }
  return actions;
}

json LanguageServer::SemanticTokens(const json& params) {
  OpenDocument* document = Find(params);
  if (document == nullptr) return nullptr;
  const ScriptFacts& facts = FactsOf(params, *document);
  json data = json::array();
  size_t previous = 0;
  for (size_t index = 0; index < facts.lines.size(); ++index) {
    const LineFact& fact = facts.lines[index];
    const size_t length = document->text.Columns(index);
    if (length == 0 || fact.use == LineUse::kUnread) continue;
    TokenType type = kUnusedToken;
    switch (fact.use) {
      case LineUse::kKeyword: type = kKeywordToken; break;
      case LineUse::kText: type = kTextToken; break;
      case LineUse::kValue: type = kNumberToken; break;
      case LineUse::kTaken:
        type = fact.role == LineRole::kStyle                        ? kStyleToken
               : fact.role == LineRole::kPath                       ? kPathToken
               : fact.role == LineRole::kSpare                      ? kUnusedToken
               : FindKeyword(document->text.Line(index)) != nullptr ? kKeywordToken
                                                                    : kUnusedToken;
        break;
      default: break;
    }
    for (size_t value : {index - previous, size_t{0}, length, size_t{type}, size_t{0}}) {
      data.push_back(value);
    }
    previous = index;
  }
  return {{"data", std::move(data)}};
}

int RunLanguageServer(LanguageServer& server, std::FILE* in, std::FILE* out, std::FILE* err,
                      std::string_view program) {
  while (!server.exited()) {
    ReadResult read = ReadMessage(in);
    std::vector<json> replies;
    if (const auto* message = std::get_if<json>(&read)) {
      replies = server.Handle(*message);
    } else if (std::holds_alternative<UnparsableMessage>(read)) {
      replies.push_back(LanguageServer::ParseError());
    } else {
      if (const auto* error = std::get_if<FramingError>(&read)) {
        std::fprintf(err, "%.*s: --lsp: %s\n", static_cast<int>(program.size()), program.data(),
                     error->reason.c_str());
      }
      return 1;
    }
    for (const json& reply : replies) {
      if (!WriteMessage(out, reply)) {
        std::fprintf(err, "%.*s: --lsp: cannot write to standard output: %s\n",
                     static_cast<int>(program.size()), program.data(), std::strerror(errno));
        return 1;
      }
    }
  }
  return server.exit_status();
}

}  // namespace quarvel
