// Text as the operation log quotes it: between double quotes, with C escapes
// for the backslash, the quote and the control characters (\\ \" \n \r \t,
// \xHH for the others), and written as UTF-8. A log line is mostly quoted
// text, so this is written for speed: runs of plain ASCII are copied whole,
// and each other character below U+0800 comes from a table.
#ifndef QUARVEL_TEXT_QUOTED_TEXT_H_
#define QUARVEL_TEXT_QUOTED_TEXT_H_

#include <cstddef>
#include <string>

#include "shared_types.h"

namespace quarvel {

// The most bytes that WriteQuotedForLog writes for a text of `units` UTF-16
// units.
constexpr size_t MaxQuotedBytes(size_t units) { return 4 * units + 2; }

// Writes `text`, quoted for the log, at `to`, which has room for
// MaxQuotedBytes(text.size()) bytes, and returns the end of what it wrote.
char* WriteQuotedForLog(const WideString& text, char* to);

// Quotes `text` for the operation log.
std::string QuoteForLog(const WideString& text);

}  // namespace quarvel

#endif  // QUARVEL_TEXT_QUOTED_TEXT_H_
