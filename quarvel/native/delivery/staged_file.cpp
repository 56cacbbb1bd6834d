#include "native/delivery/staged_file.h"

#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <set>
#include <string>

namespace quarvel {

namespace {

constexpr int kNameAttempts = 100;
// As many symbolic links as the system follows in one path.
constexpr int kMaxLinks = 40;

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

// The file that `path` names once its symbolic links are followed, when
// none exists yet: the shell's ">" makes it where the last link points.
std::filesystem::path DanglingTarget(std::filesystem::path path) {
  for (int link = 0; link < kMaxLinks; ++link) {
    char target[PATH_MAX];
    const ssize_t length = readlink(path.c_str(), target, sizeof target - 1);
    if (length < 0) return path;
    target[length] = '\0';
    const std::filesystem::path next(target);
    path = next.is_absolute() ? next : FolderOf(path) / next;
  }
  return path;
}

// The errors with which a folder refuses a new file, or a file its
// replacement.
bool IsRefusal(int error) { return error == EACCES || error == EPERM || error == EROFS; }

}  // namespace

StagedFile::StagedFile(std::filesystem::path path) : path_(std::move(path)) { Stage(); }

StagedFile::~StagedFile() {
  if (fd_ >= 0) close(fd_);
  if (!temp_.empty()) unlink(temp_.c_str());
}

bool StagedFile::Fail(int error) {
  if (failure_.empty()) failure_ = "cannot write " + path_.string() + ": " + std::strerror(error);
  return false;
}

bool StagedFile::FailToReplace(int error) {
  if (failure_.empty()) {
    failure_ = "cannot replace " + path_.string() + " whole: its folder refuses a new file (" +
               std::strerror(error) + "); 'quarvel -o - ... > " + path_.string() +
               "' writes it in place";
  }
  return false;
}

void StagedFile::Stage() {
  struct stat status;
  if (stat(path_.c_str(), &status) == 0) {
    if (S_ISDIR(status.st_mode)) return static_cast<void>(Fail(EISDIR));
    if (!S_ISREG(status.st_mode)) return static_cast<void>(Fail(EINVAL));
    // The shell's ">" would open it for writing: what it refuses is refused.
    const int writable = open(path_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (writable < 0) return static_cast<void>(Fail(errno));
    close(writable);
    char resolved[PATH_MAX];
    if (realpath(path_.c_str(), resolved) == nullptr) return static_cast<void>(Fail(errno));
    target_ = resolved;
    old_ = status;
  } else if (errno == ENOENT) {
    target_ = DanglingTarget(path_);
  } else {
    return static_cast<void>(Fail(errno));
  }
  const std::filesystem::path folder = FolderOf(target_);
  if (CanNameOpenFiles()) {
    fd_ = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd_ >= 0) {
      unnamed_ = true;
      return;
    }
    // File systems without unnamed files refuse them in one of these ways.
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
      if (old_ && IsRefusal(errno)) return static_cast<void>(FailToReplace(errno));
      return static_cast<void>(Fail(errno));
    }
  }
  std::string temp = TemporaryName(target_).string() + "XXXXXX";
  fd_ = mkstemp(temp.data());
  if (fd_ < 0) {
    if (old_ && IsRefusal(errno)) return static_cast<void>(FailToReplace(errno));
    return static_cast<void>(Fail(errno));
  }
  temp_ = temp;
  if (fchmod(fd_, NewFileMode()) != 0) Fail(errno);
}

bool StagedFile::Write(std::string_view bytes) {
  while (failure_.empty() && !bytes.empty()) {
    const ssize_t written = write(fd_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) return Fail(errno);
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  return failure_.empty();
}

void StagedFile::KeepOwnerAndMode() {
  if (!old_) return;
  // Only root may give a file away; anyone may keep a group of theirs. A
  // file that changes hands does not keep its set-ID bits.
  mode_t mode = old_->st_mode & 07777;
  if (fchown(fd_, old_->st_uid, old_->st_gid) != 0) {
    static_cast<void>(fchown(fd_, static_cast<uid_t>(-1), old_->st_gid));
    mode &= ~(S_ISUID | S_ISGID);
  }
  if (fchmod(fd_, mode) != 0) Fail(errno);
}

bool StagedFile::NameUnnamedFile() {
  const std::string open_file = OpenFilePath(fd_);
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::filesystem::path temp = TemporaryName(target_);
    if (linkat(AT_FDCWD, open_file.c_str(), AT_FDCWD, temp.c_str(), AT_SYMLINK_FOLLOW) == 0) {
      temp_ = temp;
      return true;
    }
    if (errno != EEXIST) return Fail(errno);
  }
  return Fail(EEXIST);
}

bool StagedFile::Finish() {
  if (!failure_.empty()) return false;
  KeepOwnerAndMode();
  if (!failure_.empty() || fsync(fd_) != 0) return Fail(errno);
  if (unnamed_ && !NameUnnamedFile()) return false;
  const int closed = close(fd_);
  fd_ = -1;
  return closed == 0 || Fail(errno);
}

bool StagedFile::KeepOld() {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::filesystem::path kept = TemporaryName(target_);
    if (link(target_.c_str(), kept.c_str()) == 0) {
      kept_ = kept;
      return true;
    }
    if (errno == EEXIST) continue;
    // Without a second name (a file system without hard links, or a file
    // of another user's), the old file is moved aside.
    if (rename(target_.c_str(), kept.c_str()) == 0) {
      kept_ = kept;
      moved_aside_ = true;
      return true;
    }
    return IsRefusal(errno) ? FailToReplace(errno) : Fail(errno);
  }
  return Fail(EEXIST);
}

bool StagedFile::Replace() {
  if (old_ && !KeepOld()) return false;
  if (rename(temp_.c_str(), target_.c_str()) != 0) {
    const int error = errno;
    Restore();
    return IsRefusal(error) ? FailToReplace(error) : Fail(error);
  }
  temp_.clear();
  replaced_ = true;
  return true;
}

void StagedFile::Restore() {
  if (replaced_ || moved_aside_) {
    // Over the new file, or back into the place it left.
    if (!kept_.empty())
      rename(kept_.c_str(), target_.c_str());
    else
      unlink(target_.c_str());
  } else {
    Forget();
  }
  kept_.clear();
  replaced_ = false;
  moved_aside_ = false;
}

void StagedFile::Forget() {
  if (!kept_.empty()) unlink(kept_.c_str());
  kept_.clear();
}

std::string ReplaceTogether(std::span<StagedFile* const> files) {
  for (size_t i = 0; i < files.size(); ++i) {
    if (!files[i]->Replace()) {
      for (size_t j = i; j-- > 0;) files[j]->Restore();
      return files[i]->failure();
    }
  }
  std::set<std::filesystem::path> folders;
  for (StagedFile* file : files) {
    file->Forget();
    folders.insert(FolderOf(file->target_));
  }
  for (const std::filesystem::path& folder : folders) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0 || fsync(fd) != 0) files.front()->Fail(errno);
    if (fd >= 0) close(fd);
  }
  return files.empty() ? "" : files.front()->failure();
}

}  // namespace quarvel
