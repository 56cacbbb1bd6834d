#include "native/delivery/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>
#include <string>

namespace quarvel {

namespace {

constexpr int kLinkAttempts = 100;

std::filesystem::path FolderOf(const std::filesystem::path& path) {
  const std::filesystem::path folder = path.parent_path();
  return folder.empty() ? "." : folder;
}

// A hidden name beside `path` that is unlikely to be taken: ".NAME.XXXXXXXX".
std::filesystem::path TemporaryName(const std::filesystem::path& path) {
  static std::mt19937 random{std::random_device{}()};
  char suffix[16];
  std::snprintf(suffix, sizeof suffix, ".%08x", static_cast<unsigned>(random()));
  return FolderOf(path) / ("." + path.filename().string() + suffix);
}

// The path by which an open file is linked to a name.
std::string OpenFilePath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// Whether an unnamed file can be given a name: through /proc, which a
// chroot or container may lack.
bool CanNameOpenFiles() { return access("/proc/self/fd", X_OK) == 0; }

// The permissions of a new file: what the umask leaves of rw-rw-rw-.
mode_t NewFileMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

AtomicFile::AtomicFile(std::filesystem::path path) : path_(std::move(path)) { Open(); }

AtomicFile::~AtomicFile() { Discard(); }

void AtomicFile::Open() {
  struct stat status;
  if (stat(path_.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
    error_ = EISDIR;
    return;
  }
  if (stat(path_.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
    fd_ = open(path_.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd_ < 0) Fail();
    return;
  }
  if (CanNameOpenFiles()) {
    fd_ = open(FolderOf(path_).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      unnamed_ = true;
      return;
    }
    // File systems without unnamed files refuse them in one of these ways.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
      Fail();
      return;
    }
  }
  std::string temp = TemporaryName(path_).string() + "XXXXXX";
  fd_ = mkstemp(temp.data());
  if (fd_ < 0 || fchmod(fd_, NewFileMode()) != 0) {
    Fail();
    return;
  }
  temp_ = temp;
}

bool AtomicFile::Fail() {
  if (error_ == 0) error_ = errno;
  return false;
}

bool AtomicFile::Write(std::string_view bytes) {
  while (error_ == 0 && !bytes.empty()) {
    const ssize_t written = write(fd_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return Fail();
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return error_ == 0;
}

bool AtomicFile::LinkUnnamedFile() {
  const std::string open_file = OpenFilePath(fd_);
  for (int attempt = 0; attempt < kLinkAttempts; ++attempt) {
    const std::filesystem::path temp = TemporaryName(path_);
    if (linkat(AT_FDCWD, open_file.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      temp_ = temp;
      return true;
    }
    if (errno != EEXIST) return Fail();
  }
  return Fail();
}

bool AtomicFile::Commit() {
  const bool direct = !unnamed_ && temp_.empty();
  if (error_ != 0 || (!direct && fsync(fd_) != 0)) return Fail();
  if (unnamed_ && !LinkUnnamedFile()) return false;
  const int closed = close(fd_);
  fd_ = -1;
  if (closed != 0) return Fail();
  if (!temp_.empty() && std::rename(temp_.c_str(), path_.c_str()) != 0) return Fail();
  temp_.clear();
  return true;
}

void AtomicFile::Discard() {
  if (fd_ >= 0) close(fd_);
  if (!temp_.empty()) unlink(temp_.c_str());
}

}  // namespace quarvel
