// A file written whole or not at all.
#ifndef QUARVEL_NATIVE_DELIVERY_ATOMIC_FILE_H_
#define QUARVEL_NATIVE_DELIVERY_ATOMIC_FILE_H_

#include <filesystem>
#include <string_view>

namespace quarvel {

// A regular file that appears at its path only once it is complete. It is
// written as an unnamed file in the folder of its path (or, on a file system
// that cannot make unnamed files, or without /proc to name them by, under a
// hidden temporary name beside it), and Commit puts it in place, replacing
// whatever file was there. Until then the file that was there stays as it
// was, and a run that fails or is killed leaves nothing of the new one at
// the path (a killed run can leave the hidden file of the fallback).
//
// A path that names something other than a regular file, such as
// /dev/null or a named pipe, is written directly.
class AtomicFile {
 public:
  explicit AtomicFile(std::filesystem::path path);
  // Discards the file unless it was committed.
  ~AtomicFile();
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Appends `bytes`. Returns false once opening or writing failed; later
  // bytes are dropped.
  bool Write(std::string_view bytes);

  // Puts the complete file in place. Returns false when it is not, or when
  // it cannot be put there.
  bool Commit();

  // The system's error number of the first failure, 0 while there is none.
  int error() const { return error_; }

 private:
  void Open();
  bool Fail();
  bool LinkUnnamedFile();
  void Discard();

  std::filesystem::path path_;
  // The named temporary file, empty while the file is unnamed or direct.
  std::filesystem::path temp_;
  int fd_ = -1;
  bool unnamed_ = false;
  int error_ = 0;
};

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_DELIVERY_ATOMIC_FILE_H_
