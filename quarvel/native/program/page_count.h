// The pages of a script's jobs, found by a first reading of the script, so
// that a job streamed page by page can tell its page count before its pages
// are drawn: to the printer (job-impressions) and in a raster stream's
// header.
#ifndef QUARVEL_NATIVE_PROGRAM_PAGE_COUNT_H_
#define QUARVEL_NATIVE_PROGRAM_PAGE_COUNT_H_

#include <string>
#include <vector>

#include "host.h"

namespace quarvel {

// The page count of each document that the script at `path` prints, in
// order, as the printer makes its pages: a page begun within an open
// document and outside another page. The script is read through `host`,
// and nothing is written: no trace, no standard output, no image read.
// Empty when the script is standard input ("-") or not a regular file,
// which a second reading would not find as it was.
std::vector<int> CountJobPages(Host& host, const std::string& path);

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_PROGRAM_PAGE_COUNT_H_
