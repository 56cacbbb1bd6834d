// The words of the document script as the checker describes them: every
// keyword with the place where it is recognised, the style words, and the
// lines that miss one of them narrowly.
#ifndef QUARVEL_CHECKER_SCRIPT_KEYWORDS_H_
#define QUARVEL_CHECKER_SCRIPT_KEYWORDS_H_

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quarvel {

struct ScriptKeyword {
  std::string_view word;
  // Where the keyword is recognised, as a phrase: "the top level".
  std::string_view where;
};

// Every keyword of the script, the prologue's words included.
std::span<const ScriptKeyword> AllKeywords();

// The four style words of a text block's style line.
std::span<const std::string_view> StyleWords();

// The keyword that `line` is exactly, or null.
const ScriptKeyword* FindKeyword(std::string_view line);

// True for the keywords of the top level, which the main loop acts on.
bool IsTopLevelKeyword(std::string_view line);

// A word that a line would be but for its letter case, leading or trailing
// blanks or tabs, or trailing carriage returns.
struct NearMiss {
  std::string_view word;
  // How the line differs, as a phrase: "its letter case and a trailing
  // carriage return".
  std::string difference;
};

// The word of `words` that `line` narrowly misses, if any. A line that is
// one of the words exactly misses none.
std::optional<NearMiss> FindNearMiss(std::string_view line,
                                     std::span<const std::string_view> words);

// The same over the keywords of AllKeywords().
std::optional<NearMiss> FindNearKeyword(std::string_view line);

}  // namespace quarvel

#endif  // QUARVEL_CHECKER_SCRIPT_KEYWORDS_H_
