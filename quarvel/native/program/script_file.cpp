#include "native/program/script_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace quarvel {

ScriptFile::~ScriptFile() { close(fd_); }

bool ScriptFile::CountLines(const char* bytes, size_t size) {
  if (const void* end_of_file = std::memchr(bytes, 0x1A, size)) {
    size = static_cast<size_t>(static_cast<const char*>(end_of_file) - bytes);
    past_end_ = true;
  }
  for (const char* end = bytes + size;;) {
    const auto* line_end = static_cast<const char*>(std::memchr(bytes, '\n', end - bytes));
    line_bytes_ += static_cast<size_t>((line_end != nullptr ? line_end : end) - bytes);
    if (line_bytes_ > kMaxLineBytes) {
      reading_.long_line = line_;
      return false;
    }
    if (line_end == nullptr) return true;
    ++line_;
    line_bytes_ = 0;
    bytes = line_end + 1;
  }
}

size_t ScriptFile::Read(char* buffer, size_t size) {
  if (ended_) return 0;
  ssize_t read_bytes;
  do {
    read_bytes = read(fd_, buffer, size);
  } while (read_bytes < 0 && errno == EINTR);
  if (read_bytes < 0) reading_.error = errno;
  if (read_bytes <= 0) {
    ended_ = true;
    return 0;
  }
  const auto got = static_cast<size_t>(read_bytes);
  reading_.start.append(buffer, std::min(got, kStartBytes - reading_.start.size()));
  if (!past_end_ && !CountLines(buffer, got)) {
    ended_ = true;
    return 0;
  }
  return got;
}

std::unique_ptr<InputFile> ScriptHost::OpenScript(const PathChar* path) {
  reading_ = {};
  open_error_ = 0;
  const int fd =
      std::strcmp(path, "-") == 0 ? dup(STDIN_FILENO) : open(path, O_RDONLY | O_NOCTTY | O_CLOEXEC);
  struct stat status;
  if (fd >= 0 && fstat(fd, &status) == 0 && S_ISDIR(status.st_mode) && std::strcmp(path, "-")) {
    close(fd);
    errno = EISDIR;
  } else if (fd >= 0) {
    return std::make_unique<ScriptFile>(fd, reading_);
  }
  open_error_ = errno;
  return nullptr;
}

void ScriptHost::WriteStandardOutput(std::string_view message) {
  if (!output_on_stdout_) return HostWrapper::WriteStandardOutput(message);
  std::fprintf(stderr, "%.*s\n", static_cast<int>(message.size()), message.data());
}

}  // namespace quarvel
