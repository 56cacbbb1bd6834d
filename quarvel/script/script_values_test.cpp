#include "script/script_values.h"

#include <gtest/gtest.h>

#include <climits>
#include <locale>
#include <random>
#include <sstream>
#include <string>

namespace quarvel {
namespace {

constexpr int32_t kUntouched = 12345;

int32_t ReadIntOr(std::string_view line, int32_t start) {
  int32_t value = start;
  ReadInt(line, &value);
  return value;
}

// What a classic-locale string stream reading an int makes of `line`, the
// target kept when the read fails.
int32_t ReadWithStringStream(const std::string& line, int32_t start) {
  std::istringstream stream(line);
  stream.imbue(std::locale::classic());
  int32_t value = 0;
  stream >> std::dec >> value;
  return stream.fail() ? start : value;
}

struct NumberCase {
  const char* line;
  int32_t expected;
};

// Guards against numbers that are misread or targets that a line without a
// number overwrites.
const NumberCase kNumberCases[] = {
    {"  42", 42},
    {"42  ", 42},
    {"42abc", 42},
    {"+42", 42},
    {"-7", -7},
    {"007", 7},
    {"\t\v\f\r\n 5", 5},
    {"42\r", 42},
    {"0x1F", 0},
    {"1,000", 1},
    {"3.9", 3},
    {"0000000000000000000000042", 42},
    {"2147483647", INT32_MAX},
    {"-2147483648", INT32_MIN},
    {"", kUntouched},
    {"   ", kUntouched},
    {"abc", kUntouched},
    {"-", kUntouched},
    {"+", kUntouched},
    {"- 7", kUntouched},
    {"+-5", kUntouched},
    {"--5", kUntouched},
    {"2147483648", kUntouched},
    {"-2147483649", kUntouched},
    {"99999999999", kUntouched},
    {"99999999999999999999999999999", kUntouched},
};

TEST(ReadIntTest, ReadsTheNumberTheLineBeginsWithOrLeavesTheTarget) {
  for (const NumberCase& c : kNumberCases) {
    EXPECT_EQ(ReadIntOr(c.line, kUntouched), c.expected) << "line \"" << c.line << "\"";
  }
}

// Guards against a hand-written reader drifting from the string stream that
// defines what a number is.
TEST(ReadIntTest, AgreesWithAStringStream) {
  for (const NumberCase& c : kNumberCases) {
    EXPECT_EQ(ReadIntOr(c.line, kUntouched), ReadWithStringStream(c.line, kUntouched)) << c.line;
  }
  std::mt19937 random(7);
  const std::string alphabet = "0123456789+- \t\rx.9";
  for (int round = 0; round < 20000; ++round) {
    std::string line(random() % 14, ' ');
    for (char& c : line) c = alphabet[random() % alphabet.size()];
    ASSERT_EQ(ReadIntOr(line, kUntouched), ReadWithStringStream(line, kUntouched))
        << "line \"" << line << "\"";
  }
}

struct KeywordCase {
  std::string line;
  bool equal;
};

// Guards against keywords recognised after trimming or folding.
TEST(IsKeywordTest, MatchesTheWholeLineExactly) {
  const KeywordCase cases[] = {
      {"beginPage", true},
      {"beginPage ", false},
      {"beginpage", false},
      {"\tbeginPage", false},
      {"beginPage\r", false},
      {"beginPag", false},
      {"beginPages", false},
      {"", false},
      {std::string("beginPage\0", 10), false},
  };
  for (const KeywordCase& c : cases) {
    EXPECT_EQ(IsKeyword(c.line, "beginPage"), c.equal) << "line \"" << c.line << "\"";
  }
}

struct PointCase {
  int32_t x, y;
  DevicePoint expected;
};

// Guards against a wrong page mapping, and against overflow that traps or is
// undefined instead of wrapping.
TEST(ToDevicePointTest, MapsScriptUnitsToDevicePixels) {
  const PointCase cases[] = {
      {0, 800, {0, 0}},
      {0, 0, {0, 6400}},
      {100, 700, {800, 800}},
      {0, 900, {0, -800}},
      {-5, 801, {-40, -8}},
      {INT32_MAX, 800, {-8, 0}},
      {INT32_MIN, INT32_MIN, {0, 6400}},
      {268435456, 800, {INT32_MIN, 0}},
  };
  for (const PointCase& c : cases) {
    EXPECT_EQ(ToDevicePoint(c.x, c.y), c.expected) << c.x << ", " << c.y;
  }
}

}  // namespace
}  // namespace quarvel
