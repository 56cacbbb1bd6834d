#include "printer/log_printer.h"
#include "text/quoted_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "testing/test_support.h"

namespace quarvel {
namespace {

struct QuoteCase {
  std::u16string text;
  std::string quoted;
};

// Guards against log lines that a control character, a quote or a non-ASCII
// character breaks or garbles.
TEST(QuoteForLogTest, EscapesControlsAndWritesUtf8) {
  const QuoteCase cases[] = {
      {u"", "\"\""},
      {u"plain text", "\"plain text\""},
      {u"a\\b\"c", "\"a\\\\b\\\"c\""},
      {u"\n\r\t", "\"\\n\\r\\t\""},
      {u"\x01\x1b\x1f\x7f", "\"\\x01\\x1B\\x1F\\x7F\""},
      {u"Na\u010d\u00edt\u00e1n\u00ed", "\"Na\xc4\x8d\xc3\xadt\xc3\xa1n\xc3\xad\""},
      {u"\u20ac\U0001F600", "\"\xe2\x82\xac\xf0\x9f\x98\x80\""},
      {u"\xd800x\xdc00", "\"\xef\xbf\xbdx\xef\xbf\xbd\""},
      // Runs longer than the copy of plain runs takes at once, ended by
      // each kind of character, and a pair of surrogates across their end.
      {u"0123456789abcdef\"0123456\\01234567\n", "\"0123456789abcdef\\\"0123456\\\\01234567\\n\""},
      {u"Na\u010d\u00edt\u00e1n\u00ed \u017e\u00e1dost o platbu",
       "\"Na\xc4\x8d\xc3\xadt\xc3\xa1n\xc3\xad \xc5\xbe\xc3\xa1"
       "dost o platbu\""},
      {u"0123456\U0001F600 \u20ac\x7f", "\"0123456\xf0\x9f\x98\x80 \xe2\x82\xac\\x7F\""},
      // A run of escapes and characters of two bytes, with none plain.
      {u"\x01\u00e9\\\"\n\u07ff\u0080\t", "\"\\x01\xc3\xa9\\\\\\\"\\n\xdf\xbf\xc2\x80\\t\""},
  };
  for (const QuoteCase& c : cases) EXPECT_EQ(QuoteForLog(Wide(c.text)), c.quoted) << c.quoted;
}

// Guards against the operation log's format, which dry runs are compared by.
TEST(LogPrinterTest, WritesOneLinePerOperation) {
  ScopedTempDir temp_dir;
  std::FILE* out = std::fopen("log.txt", "wb");
  ASSERT_NE(out, nullptr);
  {
    StreamLineSink sink(out);
    LogPrinter printer(sink);
    EXPECT_EQ(printer.ChoosePrinter(Orientation::kLandscape), DialogOutcome::kPrinterChosen);
    EXPECT_TRUE(printer.InstallAbortProc());
    printer.StartDocument();
    printer.StartPage();
    printer.OutputText({80, -800}, {-20, 700, true}, Wide(u"Hi \"you\""));
    printer.DrawSegment({1, 2}, {-3, 4});
    printer.DrawPicture(*printer.LoadPicture(Wide(u"C:\\pics\\a b.png")), {115, -355, 0, -1});
    printer.EndPage();
    printer.EndDocument();
  }
  std::fclose(out);
  EXPECT_EQ(ReadFileBytes("log.txt"),
            "dialog landscape\n"
            "abortproc\n"
            "startdoc \"MyDoc\"\n"
            "startpage\n"
            "text 80 -800 -20 700 1 \"Hi \\\"you\\\"\"\n"
            "line 1 2 -3 4\n"
            "image \"C:\\\\pics\\\\a b.png\" 115 -355 0 -1\n"
            "endpage\n"
            "enddoc\n");
}

}  // namespace
}  // namespace quarvel
