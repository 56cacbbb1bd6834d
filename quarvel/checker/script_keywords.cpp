#include "checker/script_keywords.h"

#include <algorithm>
#include <array>
#include <vector>

namespace quarvel {

namespace {

constexpr std::string_view kTopLevel = "the top level";

constexpr ScriptKeyword kKeywords[] = {
    {"pageOrientation", "the orientation prologue"},
    {"landscape", "the orientation prologue"},
    {"portrait", "the orientation prologue"},
    {"beginDocument", kTopLevel},
    {"beginPage", kTopLevel},
    {"beginText", "the top level and tables"},
    {"beginImage", kTopLevel},
    {"beginHeaderTable", kTopLevel},
    {"beginSimpleTable", kTopLevel},
    {"beginNoTextTable", kTopLevel},
    {"endPage", kTopLevel},
    {"endDocument", kTopLevel},
    {"endText", "text blocks"},
    {"beginCols", "simple tables"},
    {"beginRows", "simple tables"},
    {"endSimpleTable", "simple tables"},
    {"beginCol", "columns blocks"},
    {"endCols", "columns blocks"},
    {"beginRow", "rows blocks"},
    {"endRows", "rows blocks"},
    {"beginHeaderCols", "header tables"},
    {"beginHeaderRows", "header tables"},
    {"endHeaderTable", "header tables"},
    {"beginHeaderCol", "header-columns blocks"},
    {"endHeaderCols", "header-columns blocks"},
    {"beginHeaderRow", "header-rows blocks"},
    {"endHeaderRows", "header-rows blocks"},
    {"endNoTextTable", "no-text tables"},
};

constexpr size_t kLongestKeyword = 16;
static_assert(std::ranges::all_of(kKeywords, [](const ScriptKeyword& keyword) {
  return keyword.word.size() <= kLongestKeyword;
}));

constexpr std::string_view kStyleWords[] = {"normal", "bold", "italic", "bolditalic"};

std::vector<std::string_view> KeywordWords() {
  std::vector<std::string_view> words;
  for (const ScriptKeyword& keyword : kKeywords) words.push_back(keyword.word);
  return words;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                            [](char x, char y) { return Lower(x) == Lower(y); });
}

bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

// Joins phrases as a list: "a", "a and b", "a, b and c".
std::string JoinPhrases(const std::vector<std::string_view>& phrases) {
  std::string joined;
  for (size_t i = 0; i < phrases.size(); ++i) {
    if (i > 0) joined += i + 1 == phrases.size() ? " and " : ", ";
    joined += phrases[i];
  }
  return joined;
}

}  // namespace

std::span<const ScriptKeyword> AllKeywords() { return kKeywords; }

std::span<const std::string_view> StyleWords() { return kStyleWords; }

const ScriptKeyword* FindKeyword(std::string_view line) {
  // Most lines asked about are text, longer than any keyword.
  if (line.size() > kLongestKeyword) return nullptr;
  for (const ScriptKeyword& keyword : kKeywords) {
    if (keyword.word == line) return &keyword;
  }
  return nullptr;
}

bool IsTopLevelKeyword(std::string_view line) {
  const ScriptKeyword* keyword = FindKeyword(line);
  return keyword != nullptr && keyword->where.starts_with(kTopLevel);
}

std::optional<NearMiss> FindNearMiss(std::string_view line,
                                     std::span<const std::string_view> words) {
  std::string_view core = line;
  size_t leading = 0;
  while (leading < core.size() && IsBlankOrTab(core[leading])) ++leading;
  core.remove_prefix(leading);
  bool trailing_blank = false;
  bool trailing_return = false;
  while (!core.empty() && (IsBlankOrTab(core.back()) || core.back() == '\r')) {
    (core.back() == '\r' ? trailing_return : trailing_blank) = true;
    core.remove_suffix(1);
  }
  for (std::string_view word : words) {
    if (line == word || !EqualIgnoringCase(core, word)) continue;
    std::vector<std::string_view> differences;
    if (core != word) differences.push_back("its letter case");
    if (leading > 0) differences.push_back("a leading blank or tab");
    if (trailing_blank) differences.push_back("a trailing blank or tab");
    if (trailing_return) differences.push_back("a trailing carriage return");
    return NearMiss{word, JoinPhrases(differences)};
  }
  return std::nullopt;
}

std::optional<NearMiss> FindNearKeyword(std::string_view line) {
  static const std::vector<std::string_view> words = KeywordWords();
  return FindNearMiss(line, words);
}

}  // namespace quarvel
