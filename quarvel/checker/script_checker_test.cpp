#include "checker/script_checker.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <filesystem>
#include <string>
#include <vector>

#include "testing/test_support.h"

namespace quarvel {
namespace {

using Strings = std::vector<std::string>;
using namespace std::string_literals;

// Says that every image file but "missing.png" can be loaded.
std::string ProbeAllButMissing(const WideString& path) {
  return path == Wide(u"missing.png") ? "no such file" : "";
}

// The findings of the kinds in `options` about `script`, as "LINE: kind:
// MESSAGE".
Strings Check(const std::string& script, const CheckOptions& options) {
  WriteFileBytes("s.txt", script);
  Strings lines;
  CheckScript(TestHost(), ProbeAllButMissing, std::filesystem::path("s.txt").c_str(), options,
              [&lines](const Finding& finding) {
                lines.push_back(FormatFinding("s.txt", finding).substr(6));
              });
  return lines;
}

// The findings of every kind about `script` but that it prints nothing,
// which the smallest scripts that show a fault do.
Strings Check(const std::string& script) {
  CheckOptions options;
  options.warnings.Apply("-Wall");
  options.warnings.Enable(Warning::kPrintsNothing, false);
  return Check(script, options);
}

// A well-formed script with `body` on its one page; the body starts at line 5.
std::string OnPage(const std::string& body) {
  return "pageOrientation\nportrait\nbeginDocument\nbeginPage\n" + body + "endPage\nendDocument\n";
}

// A text block's opening and six value lines with `size` and `style`; its
// text starts 7 lines after "beginText".
std::string TextBlock(const std::string& size, const std::string& style) {
  return "beginText\nspare\n" + size + "\n" + style + "\nspare\n10\n700\n";
}

struct CheckCase {
  std::string script;
  Strings findings;
};

// One script per kind of finding, the smallest that shows it, and beside
// it a near neighbour that must not be reported.
const CheckCase kCheckCases[] = {
    // No prologue: the first line is swallowed, so no document starts.
    {"beginDocument\nbeginPage\nendPage\nendDocument\n",
     {"1: warning: the script has no orientation prologue: its first line, \"beginDocument\", is "
      "read as the prologue and not acted on [-Wprologue]",
      "2: warning: \"beginPage\" starts a page outside a document [-Wspooler]",
      "3: warning: \"endPage\" ends no page: none is open [-Wspooler]",
      "4: warning: \"endDocument\" ends no document: none is open [-Wspooler]"}},
    {"landscape\n",
     {"1: warning: \"landscape\" on the first line asks for nothing without "
      "\"pageOrientation\" before it [-Wprologue]"}},
    {"a title line\n", {}},
    {"pageOrientation\nLandscape\n",
     {"2: warning: \"Landscape\" after \"pageOrientation\" is neither \"landscape\" nor "
      "\"portrait\": no landscape is asked for (it would be \"landscape\" but for its letter "
      "case) [-Worientation]"}},
    {"pageOrientation\n\n",
     {"2: warning: an empty line after \"pageOrientation\" is neither "
      "\"landscape\" nor \"portrait\": no landscape is asked for "
      "[-Worientation]"}},
    {"pageOrientation\nlandscape\n", {}},
    // Near misses of keywords and style words.
    {OnPage("beginpage \n"),
     {"5: warning: \"beginpage \" is ignored at the top level: it would be the keyword "
      "\"beginPage\" but for its letter case and a trailing blank or tab [-Wnear-keyword]"}},
    {OnPage("\tendPage\r\r\n"),
     {"5: warning: \"\\tendPage\\r\" is ignored at the top level: it would be the keyword "
      "\"endPage\" but for a leading blank or tab and a trailing carriage return "
      "[-Wnear-keyword]"}},
    {OnPage(TextBlock("60", "Bold") + "Hi\nendText\n"),
     {"8: warning: the style line \"Bold\" of the text block opened at line 5 would be the style "
      "\"bold\" but for its letter case: the text is drawn in normal weight, upright "
      "[-Wnear-keyword]"}},
    {OnPage(TextBlock("60", "bolditalic") + "endpage\nendText\n"), {}},
    // Value lines without a number, or with more than a number.
    {OnPage(TextBlock("big", "bold") + "endText\n"),
     {"7: warning: the size line \"big\" of the text block opened at line 5 holds no number: size "
      "is taken as 60 [-Wmissing-number]"}},
    {OnPage(TextBlock("12abc", "bold") + "endText\n"),
     {"7: warning: the size line \"12abc\" of the text block opened at line 5 reads as 12: what "
      "follows the number is ignored [-Wmalformed-number]"}},
    {OnPage(TextBlock("2147483648", "bold") + "endText\n"),
     {"7: warning: the size line \"2147483648\" of the text block opened at line 5 lies outside "
      "the 32-bit range: size is taken as 60 [-Wmalformed-number]"}},
    {OnPage(TextBlock(" -12\t\r", "bold") + "endText\n"), {}},
    // Keywords taken by position.
    {OnPage("beginSimpleTable\nbeginCols\nendCols\n1\n2\n3\nendCols\nendSimpleTable\n"),
     {"7: warning: the keyword \"endCols\" is taken as the x1 line of a segment in the columns "
      "block opened at line 6 [-Wkeyword-as-value]"}},
    {OnPage("beginImage\nendPage\n0\n0\n1\n1\n"),
     {"6: warning: the keyword \"endPage\" is taken as the path line of the image element opened "
      "at line 5 [-Wkeyword-as-value]"}},
    // Keywords drawn as text.
    {OnPage(TextBlock("60", "normal") + "endPage\nendSimpleTable\nendText\n"),
     {"12: warning: \"endPage\" is a keyword of the top level, but in the text block opened at "
      "line 5 it is drawn as text [-Wkeyword-as-text]",
      "13: warning: \"endSimpleTable\" is a keyword of simple tables, but in the text block "
      "opened at line 5 it is drawn as text [-Wkeyword-as-text]"}},
    // Lines ignored where they stand.
    {OnPage("endText\nbeginSimpleTable\nbeginRow\n\nendSimpleTable\n"),
     {"5: warning: \"endText\" is a keyword of text blocks, ignored at the top level "
      "[-Wmisplaced]",
      "7: warning: \"beginRow\" is a keyword of rows blocks, ignored in the simple table opened "
      "at line 6 [-Wmisplaced]",
      "8: warning: an empty line is ignored in the simple table opened at line 6 [-Wmisplaced]"}},
    {OnPage("beginNoTextTable\nbeginCols\n1\nendCols\n" + TextBlock("60", "normal") +
            "Hi\nendText\nendNoTextTable\n"),
     {"9: warning: \"beginText\" inside the no-text table opened at line 5 acts as at the top "
      "level [-Wmisplaced]"}},
    {OnPage("beginNoTextTable\nbeginCols\n1\nendCols\nendNoTextTable\n"), {}},
    // Blocks that the end of the script cuts off.
    {"x\nbeginDocument\nbeginPage\nbeginSimpleTable\n" + TextBlock("60", "normal") +
         "Total\nendText \n",
     {"2: warning: the document started here is never ended: \"endDocument\" is missing, so the "
      "job is never completed [-Wspooler]",
      "3: warning: the page started here is never ended: \"endPage\" is missing [-Wspooler]",
      "4: warning: the simple table is cut off by the end of the script: no \"endSimpleTable\" "
      "follows [-Wunterminated]",
      "5: warning: the text block is cut off by the end of the script: no \"endText\" follows; "
      "line 13, \"endText \", would be it but for a trailing blank or tab [-Wunterminated]"}},
    {"pageOrientation\nportrait\nbeginDocument\nbeginPage\nbeginImage\nlogo.png\n1\n2\n",
     {"3: warning: the document started here is never ended: \"endDocument\" is missing, so the "
      "job is never completed [-Wspooler]",
      "4: warning: the page started here is never ended: \"endPage\" is missing [-Wspooler]",
      "5: warning: the image element is cut off by the end of the script before its path and four "
      "value lines [-Wunterminated]"}},
    // Printing calls out of order.
    {"x\nbeginPage\nbeginDocument\nbeginDocument\n" + TextBlock("60", "normal") +
         "a\nb\nendText\nendPage\nendDocument\n",
     {"2: warning: \"beginPage\" starts a page outside a document [-Wspooler]",
      "4: warning: \"beginDocument\" starts a document while the one started at line 3 is open "
      "[-Wspooler]",
      "12: warning: text is drawn outside an open page, where it goes nowhere [-Wspooler]",
      "15: warning: \"endPage\" ends no page: none is open [-Wspooler]"}},
    // Image files.
    {OnPage("beginImage\nmissing.png\n0\n0\n1\n1\nbeginImage\nlogo.png\n0\n0\n1\n1\n"),
     {"6: warning: the image file \"missing.png\" cannot be loaded: no such file [-Wimage]"}},
    // Traces written again.
    {OnPage("beginSimpleTable\nbeginRows\nendRows\nbeginRows\nendRows\nendSimpleTable\n"),
     {"8: note: this block truncates \"simnpldebug2.txt\" again: the trace of the block at line 6 "
      "is lost [-Wtraces]"}},
    // Drawings beyond what the native printer draws, and their largest
    // neighbours within it.
    {OnPage(TextBlock("-65536", "normal") + "big\nendText\n" + TextBlock("-65535", "normal") +
            "big\nendText\nbeginImage\nlogo.png\n0\n0\n1397986\n1\n"
            "beginImage\nlogo.png\n0\n0\n1397987\n1\n"),
     {"12: warning: text of size -65536 is beyond the 65535 device pixels that the native printer "
      "draws text at: it is left out [-Wrange]",
      "34: warning: the image's rectangle (at 600 dpi) lies beyond the 8388607 device pixels either "
      "way that the native printer draws: it is left out [-Wrange]"}},
};

// Guards against a finding that misnames what printing does with a line,
// names the wrong line, or reports a line that prints as it seems to.
TEST(ScriptCheckerTest, EachKindOfFaultIsFoundAndItsNeighbourIsNot) {
  ScopedTempDir temp_dir;
  for (const CheckCase& c : kCheckCases) EXPECT_EQ(Check(c.script), c.findings) << c.script;
}

struct WholeScriptCase {
  std::string script;
  bool code_page_is_utf8;
  Strings findings;
};

constexpr const char* kPrintsNoDocument =
    "1: warning: the script prints nothing: no \"beginDocument\" line begins a document "
    "[-Wprints-nothing]";
// The finding of a UTF-16 script, known by `why`, to be converted to
// `code_page`.
std::string Utf16Finding(const std::string& why, const std::string& code_page) {
  return "1: warning: the script is UTF-16 text (" + why +
         "), but scripts are read a byte at a time: no line of it is a keyword; convert it to "
         "the code page that it is read in (iconv -f UTF-16 -t " +
         code_page + ") [-Wencoding]";
}

// `ascii` in UTF-16LE.
std::string Utf16Le(std::string_view ascii) {
  std::string utf16;
  for (const char c : ascii) utf16 += std::string{c, '\0'};
  return utf16;
}

// What a script's bytes hold that its lines do not show, and whether the
// script prints at all, each beside a neighbour that must not be reported.
const WholeScriptCase kWholeScriptCases[] = {
    // Byte-order marks and UTF-16, said once for the whole script.
    {"\xEF\xBB\xBF" + OnPage("beginText\nspare\n60\nnormal\nspare\n10\n700\nHi\nendText\n"),
     false,
     {"1: warning: the script starts with a UTF-8 byte-order mark, which is read as part of this "
      "line: it is no \"pageOrientation\", and no landscape is asked for; save the script "
      "without the mark [-Wencoding]",
      "2: warning: \"portrait\" is a keyword of the orientation prologue, ignored at the top "
      "level [-Wmisplaced]"}},
    {"\xEF\xBB\xBF"
     "beginDocument\n",
     false,
     {"1: warning: the script starts with a UTF-8 byte-order mark, which is read as part of this "
      "line; save the script without the mark [-Wencoding]",
      "1: warning: the script has no orientation prologue: its first line, \"beginDocument\", is "
      "read as the prologue and not acted on [-Wprologue]",
      kPrintsNoDocument}},
    {"\xFF\xFE" + Utf16Le("pageOrientation\r\nportrait\r\nbeginDocument\r\n"),
     false,
     {Utf16Finding("it starts with a UTF-16 byte-order mark", "WINDOWS-1250"), kPrintsNoDocument}},
    {Utf16Le("pageOrientation\nportrait\nbeginDocument\n"),
     true,
     {Utf16Finding("a NUL byte stands beside each character", "UTF-8"), kPrintsNoDocument}},
    // UTF-8 text read in a single-byte code page, and its neighbours: text
    // read as UTF-8, and text in the code page. (Its bytes read alike in
    // Windows-1250 and Windows-1252.)
    {OnPage(TextBlock("60", "normal") + "Hi\n\u0104 20 \u00b0C \u2013 5 \u20ac\nendText\n"),
     false,
     {"13: warning: the script is UTF-8 text, read in a single-byte code page: "
      "\"\u0104 20 \u00b0C \u2013 5 \u20ac\" prints as \"\u00c4\u201e 20 \u00c2\u00b0C "
      "\u00e2\u20ac\u201c 5 \u00e2\u201a\u00ac\"; read it as UTF-8 (--encoding=UTF-8 natively; "
      "on Windows, when the system's code page is UTF-8) or save it in its code page "
      "[-Wencoding]"}},
    {OnPage(TextBlock("60", "normal") + "P\u0159\u00edli\u0161\nendText\n"), true, {}},
    {OnPage(TextBlock("60", "normal") + "P\xF8\xEDli\x9A \xC5\x99\nendText\n"), false, {}},
    // Carriage returns that end no line.
    {"pageOrientation\rportrait\rbeginDocument\r",
     false,
     {"1: warning: the script's lines end in carriage returns alone, which end no line: the whole "
      "script is read as this one line; end its lines in LF or CR LF [-Wline-ends]",
      kPrintsNoDocument}},
    {OnPage(TextBlock("60", "normal") + "a\rb\nc\r\r\nd\re\nendText\n"),
     false,
     {"12: warning: this line holds a carriage return without a line feed, which ends no line: "
      "what follows it is read as more of this line; 1 more line holds one too [-Wline-ends]"}},
    // NUL bytes, and a byte 0x1A that ends the script early, at the end
    // of what the stream reads at once, and at the end of the file.
    {OnPage(TextBlock("60", "normal") + "endText\0more\nHi\0\nendText\n"s),
     false,
     {"12: warning: this line holds a NUL byte, which is read as part of the line: it is no "
      "keyword, and its text or path ends at the NUL; 1 more line holds one too "
      "[-Wcontrol-char]"}},
    {"pageOrientation\nportrait\nbeginDocument\nbeginPage\n\x1A"
     "endPage\nendDocument\n",
     false,
     {"1: warning: the script prints nothing: no document that it begins is ended "
      "[-Wprints-nothing]",
      "3: warning: the document started here is never ended: \"endDocument\" is missing, so the "
      "job is never completed [-Wspooler]",
      "4: warning: the page started here is never ended: \"endPage\" is missing [-Wspooler]",
      "5: warning: a byte 0x1A (Ctrl-Z) ends the script here, as it ends a text file: nothing "
      "after it is read [-Wcontrol-char]"}},
    {std::string(65535, 'x') + "\x1A"
                               "beginDocument\n",
     false,
     {"1: warning: a byte 0x1A (Ctrl-Z) ends the script here, as it ends a text file: nothing "
      "after it is read [-Wcontrol-char]",
      kPrintsNoDocument}},
    {std::string(65535, 'x') + "\x1A", false, {kPrintsNoDocument}},
    {OnPage(TextBlock("60", "normal") + "Hi\nendText\n") + "\x1A", false, {}},
    // Scripts that print nothing but blank pages.
    {OnPage(""),
     false,
     {"1: warning: the script prints nothing: the documents that it ends have nothing drawn on "
      "their pages [-Wprints-nothing]"}},
};

// Guards against a trap in a script's bytes, or a script that prints
// nothing, that the check misses, reports once per line, or reports of a
// script that prints as it seems to.
TEST(ScriptCheckerTest, WholeScriptTrapsAreFoundOnce) {
  ScopedTempDir temp_dir;
  for (const WholeScriptCase& c : kWholeScriptCases) {
    CheckOptions options;
    options.code_page_is_utf8 = c.code_page_is_utf8;
    EXPECT_EQ(Check(c.script, options), c.findings) << c.script.substr(0, 100);
  }
}

// Guards against findings about scripts that print as they are written:
// the example invoice and the end-to-end cases without faults on purpose.
TEST(ScriptCheckerTest, WellFormedScriptsHaveNoFinding) {
  const std::filesystem::path source(QUARVEL_SOURCE_DIR);
  for (const char* script : {"examples/invoice.txt", "tests/e2e/cases/two_documents/script.txt"}) {
    Strings lines;
    EXPECT_TRUE(CheckScript(
        TestHost(), ProbeAllButMissing, (source / script).c_str(), CheckOptions(),
        [&](const Finding& finding) { lines.push_back(FormatFinding(script, finding)); }))
        << script;
    EXPECT_EQ(lines, Strings{}) << script;
  }
}

// Guards against a check that writes the traces it reads past, or prints
// anything but its findings.
TEST(ScriptCheckerTest, CheckingWritesNoFile) {
  ScopedTempDir temp_dir;
  WriteFileBytes("debug.txt", "kept");
  Check(OnPage("beginHeaderTable\nbeginHeaderRows\nendHeaderRows\nendHeaderTable\n"));
  EXPECT_EQ(ReadFileBytes("debug.txt"), "kept");
  EXPECT_FALSE(std::filesystem::exists("debug2.txt"));
}

// Writes `script`'s findings as CheckScripts does, and returns its exit
// status, what it wrote to standard output and to standard error.
struct CheckRun {
  int status;
  std::string out;
  std::string err;

  friend bool operator==(const CheckRun&, const CheckRun&) = default;
};

CheckRun RunChecks(const Strings& names) {
  std::vector<ScriptArgument> scripts;
  for (const std::string& name : names) scripts.push_back({std::filesystem::path(name), name});
  WriteFileBytes("out.txt", "");
  WriteFileBytes("err.txt", "");
  std::FILE* out = std::fopen("out.txt", "wb");
  std::FILE* err = std::fopen("err.txt", "wb");
  const int status =
      CheckScripts(TestHost(), ProbeAllButMissing, scripts, CheckOptions(), "prog", out, err);
  std::fclose(out);
  std::fclose(err);
  return {status, ReadFileBytes("out.txt"), ReadFileBytes("err.txt")};
}

// Guards against the exit status and the summary lines of a run over
// several scripts.
TEST(CheckScriptsTest, ExitStatusAndSummaryTellWhatWasFound) {
  ScopedTempDir temp_dir;
  const std::string text = TextBlock("60", "normal") + "Hi\nendText\n";
  WriteFileBytes("clean.txt", OnPage(text));
  WriteFileBytes("faulty.txt", OnPage(text + "beginpage\nendText\n"));
  const std::string faulty_out =
      "faulty.txt:14: warning: \"beginpage\" is ignored at the top level: it would be the keyword "
      "\"beginPage\" but for its letter case [-Wnear-keyword]\n"
      "faulty.txt:15: warning: \"endText\" is a keyword of text blocks, ignored at the top level "
      "[-Wmisplaced]\n";
  const std::string faulty_err = "prog: 2 warnings in faulty.txt\n";
  EXPECT_EQ(RunChecks({"clean.txt"}), (CheckRun{0, "", ""}));
  EXPECT_EQ(RunChecks({"clean.txt", "faulty.txt"}), (CheckRun{1, faulty_out, faulty_err}));
  EXPECT_EQ(RunChecks({"faulty.txt", "missing.txt"}),
            (CheckRun{2, faulty_out,
                      faulty_err + "prog: cannot open missing.txt: No such file or directory\n"}));
}

}  // namespace
}  // namespace quarvel
