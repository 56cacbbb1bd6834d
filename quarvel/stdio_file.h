// Files and standard output on the C runtime's buffered streams, as both
// hosts use them.
#ifndef QUARVEL_STDIO_FILE_H_
#define QUARVEL_STDIO_FILE_H_

#include <cstdio>
#include <memory>
#include <string_view>

#include "files.h"

namespace quarvel {

// Wraps an open stream, or returns null when `stream` is null. The file owns
// the stream and closes it when it is destroyed.
std::unique_ptr<InputFile> NewStdioInputFile(std::FILE* stream);
std::unique_ptr<OutputFile> NewStdioOutputFile(std::FILE* stream);

// Writes `message` to standard output as it stands and flushes it.
void WriteToStdout(std::string_view message);

}  // namespace quarvel

#endif  // QUARVEL_STDIO_FILE_H_
