#include "posix/posix_host.h"

#include <gtest/gtest.h>

#include <string>

#include "testing/test_support.h"

namespace quarvel {
namespace {

struct CodePageCase {
  const char* code_page;
  std::string bytes;
  std::u16string text;
};

// Guards against text read in another code page than the one named, and
// against a byte-by-byte table used for a code page whose characters take
// more than one byte. Bytes that a code page leaves undefined stand for the
// characters of their own value. Each case converts into the string of the
// one before, whose longer text must not survive.
TEST(PosixHostTest, ReadsTextInTheCodePageItIsGiven) {
  const CodePageCase cases[] = {
      {kDefaultCodePage, "Na\xe8\xedt\xe1n\xed \x8a\x8e",
       u"Na\u010d\u00edt\u00e1n\u00ed \u0160\u017d"},
      {kDefaultCodePage, "\x81\x83", u"\u0081\u0083"},
      {"WINDOWS-1252", "\x80\x9f\xe9", u"\u20ac\u0178\u00e9"},
      {"CP437", "\xb3\xe1", u"\u2502\u00df"},
      {"UTF-8", "\xc4\x8d\xe2\x82\xac\xf0\x9f\x98\x80", u"\u010d\u20ac\U0001F600"},
      {"UTF-8",
       "a\xff"
       "b",
       u"a\u00ffb"},
      {"SHIFT_JIS", "\x82\xa0x", u"\u3042x"},
  };
  WideString wide = Wide(u"a longer text than any case gives");
  for (const CodePageCase& c : cases) {
    PosixHost host(c.code_page);
    host.ConvertAnsiText(c.bytes, &wide);
    EXPECT_EQ(wide, Wide(c.text)) << c.code_page << " " << c.bytes;
  }
}

}  // namespace
}  // namespace quarvel
