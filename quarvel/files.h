// The byte streams through which the program reads its script and writes its
// traces. The host opens them (see host.h); the portable code reads and
// writes through these interfaces only.
#ifndef QUARVEL_FILES_H_
#define QUARVEL_FILES_H_

#include <cstddef>
#include <string_view>

namespace quarvel {

// A file opened for reading from its start to its end, byte for byte.
class InputFile {
 public:
  virtual ~InputFile() = default;

  // Reads up to `size` bytes into `buffer` and returns how many were read.
  // Returns 0 once the end of the file is reached, and also when reading
  // fails; the file yields nothing further after that.
  virtual size_t Read(char* buffer, size_t size) = 0;
};

// A file opened for writing through a buffer. Destroying it flushes the
// buffer and closes the file.
class OutputFile {
 public:
  virtual ~OutputFile() = default;

  // Appends `bytes` exactly as they stand (no line end translation). Returns
  // false when the bytes could not be buffered or written.
  virtual bool Write(std::string_view bytes) = 0;
};

// A file that takes every write and keeps nothing.
class DiscardedFile : public OutputFile {
 public:
  bool Write(std::string_view) override { return true; }
};

}  // namespace quarvel

#endif  // QUARVEL_FILES_H_
