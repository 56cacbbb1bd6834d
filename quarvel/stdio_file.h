// Files on the C runtime's buffered streams.
#ifndef QUARVEL_STDIO_FILE_H_
#define QUARVEL_STDIO_FILE_H_

#include <cstdio>
#include <memory>

#include "files.h"

namespace quarvel {

// Wraps an open stream, or returns null when `stream` is null. The file owns
// the stream and closes it when it is destroyed.
std::unique_ptr<InputFile> NewStdioInputFile(std::FILE* stream);
std::unique_ptr<OutputFile> NewStdioOutputFile(std::FILE* stream);

}  // namespace quarvel

#endif  // QUARVEL_STDIO_FILE_H_
