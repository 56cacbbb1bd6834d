#include "native/pdf/pdf_file.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <regex>
#include <string>

namespace quarvel {
namespace {

// Guards against numbers that a reader cannot parse (exponents, "-0",
// "nan"), or that lose the precision of a device pixel or of the page's
// scale.
TEST(PdfFileTest, NumbersAreDecimalsOfAtMostThreePlaces) {
  const struct {
    double value;
    const char* written;
    int decimals = 3;
  } kCases[] = {
      {0, "0"},
      {-0.0004, "0"},
      {12, "12"},
      {-2.25, "-2.25"},
      {0.05, "0.05"},
      {1234.5678, "1234.568"},
      {-0.0006, "-0.001"},
      {1e12, "1000000000"},
      {-std::numeric_limits<double>::infinity(), "-1000000000"},
      {std::nan(""), "0"},
      {72.0 / 254, "0.283464567", 9},
      {-0.12, "-0.12", 9},
  };
  for (const auto& c : kCases) {
    std::string out;
    AppendNumber(c.value, &out, c.decimals);
    EXPECT_EQ(out, c.written) << c.value;
  }
}

// Guards against a cross-reference table whose offsets miss their objects,
// which makes a reader rebuild the file or refuse it, and against streams
// whose length is not that of their data.
TEST(PdfFileTest, CrossReferencesAndLengthsMatchTheObjects) {
  PdfFile file;
  const int root = file.NewObject();
  const int info = file.NewObject();
  const int data = file.NewObject();
  file.WriteStream(data, "", "BT (a) Tj ET", false);
  file.WriteObject(info, "<</Title (x)>>");
  file.WriteObject(root, "<</Type /Catalog>>");
  const std::string pdf = file.Finish(root, info);

  std::smatch table;
  ASSERT_TRUE(std::regex_search(pdf, table, std::regex(R"(startxref\n(\d+)\n%%EOF\n$)")));
  const size_t xref = std::stoul(table[1]);
  ASSERT_EQ(pdf.compare(xref, 12, "xref\n0 4\n000"), 0);
  for (int number = 1; number <= 3; ++number) {
    const size_t offset = std::stoul(pdf.substr(xref + 9 + 20 * number, 10));
    const std::string start = std::to_string(number) + " 0 obj\n";
    EXPECT_EQ(pdf.compare(offset, start.size(), start), 0) << number;
  }
  EXPECT_NE(pdf.find("<< /Length 12>>\nstream\nBT (a) Tj ET\nendstream"), std::string::npos);
  EXPECT_NE(pdf.find("/Root 1 0 R /Info 2 0 R"), std::string::npos);
}

}  // namespace
}  // namespace quarvel
