// The files of a job, each written whole beside the file it replaces and
// put in place together with the others, or none of them.
//
// A file keeps what the shell's ">" keeps of the file it replaces: its
// permission bits, its group, and its owner where the runner may set it (as
// root); a symbolic link's target is replaced, not the link. A file that
// ">" could not write (read-only, or another user's) is refused with the
// same reason, and so is a file in a folder in which no new file may be
// made, since it cannot be replaced whole there ("quarvel -o - > FILE"
// writes it in place). A file with other hard links is replaced by a new
// file: its other names keep the old contents, as with mv.
#ifndef QUARVEL_NATIVE_DELIVERY_STAGED_FILE_H_
#define QUARVEL_NATIVE_DELIVERY_STAGED_FILE_H_

#include <sys/stat.h>

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quarvel {

class StagedFile {
 public:
  // Stages the file named `path`, a regular file or none yet (what names
  // anything else is not staged: see failure()). The new file is written
  // as an unnamed file in the folder of the file it replaces (or, on a file
  // system that cannot make unnamed files, or without /proc to name them
  // by, under a hidden temporary name there).
  explicit StagedFile(std::filesystem::path path);
  // Discards the new file unless it was put in place.
  ~StagedFile();
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  // Appends `bytes`. Returns false once staging or writing failed; later
  // bytes are dropped.
  bool Write(std::string_view bytes);

  // Completes the new file: its mode and owner, its data on disk, a name in
  // its folder. Returns false when it is not complete.
  bool Finish();

  // Why the file could not be staged, written or put in place: one line
  // naming its path ("cannot write out.pdf: Permission denied"); empty
  // while nothing failed.
  const std::string& failure() const { return failure_; }

 private:
  friend std::string ReplaceTogether(std::span<StagedFile* const> files);

  void Stage();
  bool Fail(int error);
  bool FailToReplace(int error);
  bool NameUnnamedFile();
  void KeepOwnerAndMode();
  // Keeps the old file aside, under a hidden name beside it.
  bool KeepOld();
  // Puts the finished file in place, keeping the old one aside.
  bool Replace();
  // Takes the new file back and puts the old one back in place.
  void Restore();
  // Drops the old file kept aside.
  void Forget();

  const std::filesystem::path path_;
  // The file that is replaced or made: `path_`, or the file that its
  // symbolic links lead to.
  std::filesystem::path target_;
  // The old file, when there is one.
  std::optional<struct stat> old_;
  // The new file's temporary name, empty while it is unnamed; and the old
  // file's while it is kept aside.
  std::filesystem::path temp_;
  std::filesystem::path kept_;
  int fd_ = -1;
  bool unnamed_ = false;
  bool replaced_ = false;
  // Whether the old file was moved aside, not given a second name.
  bool moved_aside_ = false;
  std::string failure_;
};

// Puts every file of `files`, each finished, in place: each replaces the
// file at its target, and once all did, their folders are synced. When one
// cannot be put in place, those put in place before it are taken back and
// the old files restored, so that none of them is changed. Returns why
// they could not all be put in place, as failure() says it; empty when they
// were.
std::string ReplaceTogether(std::span<StagedFile* const> files);

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_DELIVERY_STAGED_FILE_H_
