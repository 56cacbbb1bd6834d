#include "lsp/language_server.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>

#include "lsp/json_rpc.h"
#include "text/utf8.h"

namespace quarvel {
namespace {

using nlohmann::json;

constexpr char kUri[] = "file:///scripts/letter.txt";

// Line numbers from 0, as the protocol counts them.
constexpr char kScript[] =
    "pageOrientation\n"  // 0
    "landscape\n"
    "beginDocument\n"
    "beginPage\n"
    "beginText\n"
    "\n"  // 5
    "60\n"
    "Bold\n"
    "\n"
    "10\n"
    "700\n"  // 10
    "Hello\n"
    "endtext\n"
    "endText\n"
    "beginImage\n"
    "missing.png\n"  // 15
    "435\n"
    "405x\n"
    "200\n"
    "67\n"
    "endPage\n"  // 20
    "endDocument\n";

std::string Probe(const WideString& path) {
  return ToUtf8(path) == "/scripts/missing.png" ? "no such file" : "";
}

json Request(int id, const char* method, json params) {
  return {{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", std::move(params)}};
}

json Notify(const char* method, json params) {
  return {{"jsonrpc", "2.0"}, {"method", method}, {"params", std::move(params)}};
}

json At(size_t line, size_t character = 0) {
  return {{"textDocument", {{"uri", kUri}}},
          {"position", {{"line", line}, {"character", character}}}};
}

class LanguageServerTest : public ::testing::Test {
 protected:
  LanguageServerTest() : host_(NewSystemHost()), server_(*host_, Probe, CheckOptions(), "1") {}

  // Initializes the server and opens the script; returns the diagnostics.
  json Open(const char* text = kScript, json capabilities = json::object()) {
    server_.Handle(Request(1, "initialize", {{"capabilities", std::move(capabilities)}}));
    return Only(
        Notify("textDocument/didOpen",
               {{"textDocument",
                 {{"uri", kUri}, {"languageId", "quarvel"}, {"version", 1}, {"text", text}}}}));
  }
  // The one message that the server answers `message` with.
  json Only(const json& message) {
    std::vector<json> replies = server_.Handle(message);
    EXPECT_EQ(replies.size(), 1u) << message;
    return replies.empty() ? json() : replies.front();
  }

  std::unique_ptr<Host> host_;
  LanguageServer server_;
};

// Each request on the open script, and a part of the answer.
struct Exchange {
  const char* request;
  json params;
  const char* pointer;
  json expected;
};

TEST_F(LanguageServerTest, AnswersEachRequestAsPrintingTakesTheLines) {
  const Exchange exchanges[] = {
      {"textDocument/hover", At(6), "/result/contents/value",
       "A value line: the font height of the block's lines, in printer pixels, taken as 60."},
      {"textDocument/hover", At(11), "/result/contents/value",
       "Text drawn with the top-left corner of its cell at (80, 800) device pixels, in Arial, "
       "cell height 60 px."},
      {"textDocument/hover", At(15), "/result/contents/value",
       "Image file `missing.png`, drawn 200 × 67 hundredths of an inch at (550, 50) from the "
       "page's top-left corner. It will not load: no such file."},
      {"textDocument/hover", At(12), "/result/contents/value",
       "Text drawn with the top-left corner of its cell at (80, 856) device pixels, in Arial, "
       "cell height 60 px."},
      {"textDocument/documentSymbol", At(0), "/result/0/children/0/children/1/detail",
       "lines 15-20"},
      {"textDocument/completion", At(13), "/result",
       json::parse(R"([{"kind":14,"label":"endText"}])")},
      {"textDocument/completion", At(7), "/result/3/label", "bolditalic"},
      {"textDocument/completion", At(20), "/result/2/label", "beginText"},
  };
  Open();
  int id = 2;
  for (const Exchange& exchange : exchanges) {
    const json reply = Only(Request(id++, exchange.request, exchange.params));
    EXPECT_EQ(reply.value(json::json_pointer(exchange.pointer), json()), exchange.expected)
        << exchange.request << " " << exchange.params << " answered " << reply;
  }
}

TEST_F(LanguageServerTest, PublishesTheCheckersFindingsOnTheirLines) {
  const json published = Open();
  EXPECT_EQ(published["method"], "textDocument/publishDiagnostics");
  // Each finding's line, its kind and the line of the block it names.
  std::vector<std::tuple<size_t, std::string, json>> found;
  for (const json& diagnostic : published["params"]["diagnostics"]) {
    EXPECT_EQ(diagnostic["severity"], 2);
    found.emplace_back(
        diagnostic["range"]["start"]["line"], diagnostic["code"],
        diagnostic.value("/relatedInformation/0/location/range/start/line"_json_pointer, json()));
  }
  const std::vector<std::tuple<size_t, std::string, json>> expected = {
      {7, "near-keyword", 4}, {15, "image", nullptr}, {17, "malformed-number", 14}};
  EXPECT_EQ(found, expected) << published;
}

TEST_F(LanguageServerTest, ColoursEachLineByHowItIsTaken) {
  Open();
  const json data = Only(Request(2, "textDocument/semanticTokens/full", At(0)))["result"]["data"];
  // keyword 0, number 1, style 2, text 3, path 4; a blank line has none.
  std::vector<std::pair<size_t, int>> types;
  size_t line = 0;
  for (size_t i = 0; i + 4 < data.size(); i += 5)
    types.emplace_back(line += size_t{data[i]}, data[i + 3]);
  const std::vector<std::pair<size_t, int>> expected = {
      {0, 0},  {1, 0},  {2, 0},  {3, 0},  {4, 0},  {6, 1},  {7, 2},  {9, 1},  {10, 1}, {11, 3},
      {12, 3}, {13, 0}, {14, 0}, {15, 4}, {16, 1}, {17, 1}, {18, 1}, {19, 1}, {20, 0}, {21, 0}};
  EXPECT_EQ(types, expected);
}

TEST_F(LanguageServerTest, FixesTheFindingsThatHaveOneObviousFix) {
  Open("beginDocument\nendDocument \n12abc\n");
  for (const auto& [line, text] : std::vector<std::pair<size_t, const char*>>{
           {0, "pageOrientation\nportrait\n"}, {1, "endDocument"}}) {
    const json reply = Only(Request(5, "textDocument/codeAction",
                                    {{"textDocument", {{"uri", kUri}}},
                                     {"range",
                                      {{"start", {{"line", line}, {"character", 0}}},
                                       {"end", {{"line", line}, {"character", 0}}}}}}));
    EXPECT_EQ(
        reply.value("/result/0/edit/changes/file:~1~1~1scripts~1letter.txt/0/newText"_json_pointer,
                    json()),
        text)
        << reply;
  }
}

TEST_F(LanguageServerTest, IncrementalChangesCountColumnsInUtf16) {
  // "Příliš 😀x" is 10 UTF-16 units; in bytes it is 14.
  Open(
      "pageOrientation\nportrait\nbeginDocument\nP\xc5\x99\xc3\xadli\xc5\xa1 "
      "\xf0\x9f\x98\x80xbeginPage\n"
      "beginText\n\n60\nnormal\n\n10\n700\nx\nendText\nendPage\nendDocument\n");
  const auto hover = [this] {
    return Only(Request(2, "textDocument/hover", At(3)))["result"]["contents"]["value"];
  };
  EXPECT_EQ(hover(), "Ignored: no keyword at this level.");
  const json published = Only(Notify(
      "textDocument/didChange",
      {{"textDocument", {{"uri", kUri}, {"version", 2}}},
       {"contentChanges",
        {{{"range",
           {{"start", {{"line", 3}, {"character", 0}}}, {"end", {{"line", 3}, {"character", 10}}}}},
          {"text", ""}}}}}));
  EXPECT_TRUE(published["params"]["diagnostics"].empty()) << published;
  EXPECT_EQ(hover(), "Starts a page.");
}

TEST_F(LanguageServerTest, FollowsTheLifecycle) {
  EXPECT_EQ(Only(Request(1, "textDocument/hover", At(0)))["error"]["code"], -32002);
  Open();
  EXPECT_EQ(Only(Request(2, "textDocument/rename", At(0)))["error"]["code"], -32601);
  // Parameters of the wrong types are refused, never followed.
  EXPECT_EQ(
      Only(Request(2, "textDocument/hover", {{"textDocument", {{"uri", 5}}}}))["error"]["code"],
      -32602);
  EXPECT_TRUE(server_
                  .Handle(Notify("textDocument/didChange", {{"textDocument", {{"uri", kUri}}},
                                                            {"contentChanges", {{{"range", 1}}}}}))
                  .empty());
  EXPECT_TRUE(Only(Request(3, "shutdown", nullptr)).contains("result"));
  EXPECT_TRUE(server_.Handle(Notify("exit", nullptr)).empty());
  EXPECT_TRUE(server_.exited());
  EXPECT_EQ(server_.exit_status(), 0);
}

TEST(JsonRpcTest, ReadsFramedMessagesAndRefusesBrokenFrames) {
  const struct {
    std::string input;
    size_t index;  // of the ReadResult's alternative
  } cases[] = {
      {"Content-Length: 2\r\n\r\n{}", 0},
      {"Content-Type: x\r\ncontent-length: 2\r\n\r\n[]", 0},
      {"", 1},
      {"Content-Length: 3\r\n\r\n{}", 2},
      {"Content-Type: x\r\n\r\n{}", 2},
      {"Content-Length: 99999999999\r\n\r\n", 2},
      {"Content-Length: 2\r\n\r\n{x", 3},
      {std::string(2000, 'x') + "\r\nContent-Length: 2\r\n\r\n{}", 2},
  };
  for (const auto& test : cases) {
    std::FILE* in = std::tmpfile();
    ASSERT_NE(in, nullptr);
    ASSERT_EQ(std::fwrite(test.input.data(), 1, test.input.size(), in), test.input.size());
    std::rewind(in);
    EXPECT_EQ(ReadMessage(in).index(), test.index) << test.input;
    EXPECT_EQ(std::fclose(in), 0);
  }
}

}  // namespace
}  // namespace quarvel
