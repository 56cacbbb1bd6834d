#include "print_document.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "testing/recording_printer.h"
#include "testing/test_support.h"

namespace quarvel {
namespace {

using Strings = std::vector<std::string>;

const Strings kBlankPage = {"startpage", "endpage"};

class PrintDocumentTest : public ::testing::Test {
 protected:
  Strings Run(std::string_view script) { return RunScript(printer_, script); }

  ScopedTempDir temp_dir_;
  RecordingPrinter printer_;
};

// Guards against the fixed order of a run and the spooler calls of a
// well-formed script.
TEST_F(PrintDocumentTest, WellFormedScriptBecomesOneJob) {
  EXPECT_EQ(Run(Lines({"pageOrientation", "landscape", "beginDocument", "beginPage", "endPage",
                       "beginPage", "endPage", "endDocument"})),
            Concat(StartUp("landscape"), {"startdoc \"MyDoc\"", "startpage", "endpage", "startpage",
                                          "endpage", "enddoc"}));
}

// Guards against an orientation prologue that is matched loosely.
TEST_F(PrintDocumentTest, OnlyAnExactLandscapeLineAsksForLandscape) {
  for (const char* second : {"portrait", "", "Landscape", "landscape ", "landscape\r\r"}) {
    RecordingPrinter printer;
    EXPECT_EQ(RunScript(printer, Lines({"pageOrientation", second, "beginDocument"})),
              Concat(StartUp("portrait"), {"startdoc \"MyDoc\""}))
        << "second line \"" << second << "\"";
  }
}

// Guards against dispatching the first line of a script without prologue.
TEST_F(PrintDocumentTest, FirstLineIsConsumedByThePrologue) {
  EXPECT_EQ(Run(Lines({"beginDocument", "beginPage", "endPage", "endDocument"})),
            Concat(StartUp(), {"startpage", "endpage", "enddoc"}));
}

TEST_F(PrintDocumentTest, LandscapeWithoutPrologueKeywordIsConsumedAlone) {
  EXPECT_EQ(Run(Lines({"landscape", "beginPage"})), Concat(StartUp(), {"startpage"}));
}

TEST_F(PrintDocumentTest, EmptyScriptShowsTheDialogAndPrintsNothing) {
  EXPECT_EQ(Run(""), StartUp());
}

// Guards against the message being written before a printer was chosen, or
// without one.
TEST_F(PrintDocumentTest, MissingScriptIsReportedOnlyAfterAPrinterWasChosen) {
  RecordingHost host(printer_.log());
  PrintDocument(host, printer_, std::filesystem::path("missing.txt").c_str());
  EXPECT_EQ(printer_.operations(), Concat(StartUp(), {"stdout \"Unable to open file\""}));

  RecordingPrinter cancelled(DialogOutcome::kCancelled);
  RecordingHost cancelled_host(cancelled.log());
  PrintDocument(cancelled_host, cancelled, std::filesystem::path("missing.txt").c_str());
  EXPECT_EQ(cancelled.operations(), StartUp());
}

// Guards against printing after a cancelled or failed dialog; a failed
// dialog ends the run before the abort procedure is tried.
TEST_F(PrintDocumentTest, NoPrinterMeansNoJob) {
  const std::string script = Lines({"beginDocument", "beginDocument", "beginPage"});
  RecordingPrinter cancelled(DialogOutcome::kCancelled);
  EXPECT_EQ(RunScript(cancelled, script), StartUp());

  RecordingPrinter failed(DialogOutcome::kDialogFailed);
  EXPECT_EQ(RunScript(failed, script), Strings{"dialog portrait"});
}

// Guards against keywords recognised loosely, and block closers or prologue
// words acted on at top level.
TEST_F(PrintDocumentTest, IgnoresEveryOtherTopLevelLine) {
  EXPECT_EQ(Run(Lines({"", "beginPage ", "beginpage", "\tbeginPage", "beginPage\r\r", "endText",
                       "endSimpleTable", "endHeaderTable", "endNoTextTable", "pageOrientation",
                       "landscape", "portrait", "endRows", "beginRow", "42"})),
            StartUp());
}

TEST_F(PrintDocumentTest, CarriageReturnLineFeedScriptReadsAlike) {
  EXPECT_EQ(Run("pageOrientation\r\nlandscape\r\nbeginDocument\r\nbeginPage\r\n"),
            Concat(StartUp("landscape"), {"startdoc \"MyDoc\"", "startpage"}));
}

// Guards against dropping a last line that has no line feed.
TEST_F(PrintDocumentTest, LastLineWithoutLineFeedIsDispatched) {
  EXPECT_EQ(Run("x\nbeginDocument\nendDocument"),
            Concat(StartUp(), {"startdoc \"MyDoc\"", "enddoc"}));
}

// Guards against the interpreter stopping at "endDocument", or adding calls
// the script does not make.
TEST_F(PrintDocumentTest, KeywordsActInScriptOrderWithoutState) {
  EXPECT_EQ(Run(Lines({"x", "beginPage", "endDocument", "beginDocument", "beginPage", "endDocument",
                       "beginDocument", "beginDocument", "beginPage"})),
            Concat(StartUp(), {"startpage", "enddoc", "startdoc \"MyDoc\"", "startpage", "enddoc",
                               "startdoc \"MyDoc\"", "startdoc \"MyDoc\"", "startpage"}));
}

TEST_F(PrintDocumentTest, ControlZEndsTheScript) {
  EXPECT_EQ(Run("x\nbeginPage\n\x1a(ignored)\nendPage\n"), Concat(StartUp(), {"startpage"}));
}

// Guards against a no-text table that swallows its lines: they come back to
// the main loop, where top-level keywords act.
TEST_F(PrintDocumentTest, NoTextTableLinesAreTopLevelLines) {
  EXPECT_EQ(
      Run("x\nbeginPage\n"
          "beginNoTextTable\n"
          "beginCols\n1\n2\n3\n4\nendCols\n"
          "beginRows\nbeginRow\nendRows\n"
          "beginText\n\n60\nbold\n\n10\n700\nCell\nendText\n"
          "endPage\n"
          "endNoTextTable\n"
          "beginPage\n"),
      Concat(StartUp(), {"startpage", "text 80 800 60 700 0 \"Cell\"", "endpage", "startpage"}));
}

// Guards against an image kept beyond its element.
TEST_F(PrintDocumentTest, ImageIsReleasedBeforeTheNextLineActs) {
  EXPECT_EQ(Run(Lines({"x", "beginImage", "logo.png", "1", "2", "3", "4", "beginPage"})),
            Concat(StartUp(), {"load \"logo.png\"", "image \"logo.png\" 116 -353 3 4",
                               "dispose \"logo.png\"", "startpage"}));
}

}  // namespace
}  // namespace quarvel
