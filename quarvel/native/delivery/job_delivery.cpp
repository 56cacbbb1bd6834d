#include "native/delivery/job_delivery.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <vector>

#include "native/delivery/staged_file.h"

namespace quarvel {

namespace {}  // namespace

std::filesystem::path NumberedJobPath(const std::filesystem::path& first, OutputFormat format,
                                      int job, int page) {
  std::string suffix;
  if (job > 1) suffix += "-" + std::to_string(job);
  if (page > 0) suffix += "-p" + std::to_string(page);
  if (suffix.empty()) return first;
  std::string name = first.filename().string();
  const size_t insert_at =
      HasExtensionOf(name, format) ? name.size() - InfoOf(format).extension.size() : name.size();
  name.insert(insert_at, suffix);
  return first.parent_path() / name;
}

FileDelivery::FileDelivery(std::filesystem::path first, OutputFormat format)
    : first_(std::move(first)), format_(format) {}

FileDelivery::~FileDelivery() {
  if (device_ >= 0) close(device_);
}

void FileDelivery::Protect(const std::filesystem::path& input, std::string_view what) {
  struct stat status;
  if (stat(input.c_str(), &status) == 0 && S_ISREG(status.st_mode)) {
    inputs_.push_back({status.st_dev, status.st_ino, std::string(what)});
  }
}

void FileDelivery::Protect(int fd, std::string_view what) {
  struct stat status;
  if (fstat(fd, &status) == 0 && S_ISREG(status.st_mode)) {
    inputs_.push_back({status.st_dev, status.st_ino, std::string(what)});
  }
}

std::string FileDelivery::InputAt(const std::filesystem::path& path) const {
  struct stat status;
  if (stat(path.c_str(), &status) != 0) return "";
  for (const Input& input : inputs_) {
    if (input.device == status.st_dev && input.inode == status.st_ino) {
      return "cannot write " + path.string() + ": it is " + input.what;
    }
  }
  return "";
}

std::string FileDelivery::Refusal() const {
  struct stat status;
  if (stat(first_.c_str(), &status) == 0 && S_ISDIR(status.st_mode)) {
    return "cannot write " + first_.string() + ": " + std::strerror(EISDIR);
  }
  return InputAt(first_);
}

std::string FileDelivery::NextTarget() const {
  return NumberedJobPath(first_, format_, jobs_ + 1, 0).string();
}

bool FileDelivery::ToDevice() const {
  struct stat status;
  return device_ >= 0 || (stat(first_.c_str(), &status) == 0 && !S_ISREG(status.st_mode) &&
                          !S_ISDIR(status.st_mode));
}

Status FileDelivery::WriteToDevice(std::string_view bytes) {
  if (device_ < 0) device_ = open(first_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  while (device_ >= 0 && !bytes.empty()) {
    const ssize_t written = write(device_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written < 0) break;
    bytes.remove_prefix(static_cast<size_t>(written));
  }
  if (device_ >= 0 && bytes.empty()) return Status::Ok();
  return Status::Error("cannot write " + first_.string() + ": " + std::strerror(errno));
}

Status FileDelivery::Deliver(std::string_view, int, std::span<const JobFile> files) {
  ++jobs_;
  if (ToDevice()) {
    for (const JobFile& file : files) {
      if (Status written = WriteToDevice(file.bytes); !written.ok()) return written;
    }
    return Status::Ok();
  }
  std::vector<std::unique_ptr<StagedFile>> staged;
  std::vector<StagedFile*> ready;
  for (const JobFile& file : files) {
    const std::filesystem::path path = NumberedJobPath(first_, format_, jobs_, file.page);
    if (std::string input = InputAt(path); !input.empty()) return Status::Error(std::move(input));
    staged.push_back(std::make_unique<StagedFile>(path));
    if (!staged.back()->Write(file.bytes) || !staged.back()->Finish()) {
      return Status::Error(staged.back()->failure());
    }
    ready.push_back(staged.back().get());
  }
  std::string failure = ReplaceTogether(ready);
  return failure.empty() ? Status::Ok() : Status::Error(std::move(failure));
}

// A job written into its file as it is made: staged beside the file it
// replaces, or written to the device.
class FileDelivery::Stream : public JobStream {
 public:
  // Staged at `path`, unless the jobs go to the device.
  Stream(FileDelivery& files, const std::filesystem::path& path, bool to_device) : files_(files) {
    if (!to_device) staged_.emplace(path);
  }

  Status Write(std::string_view bytes) override {
    if (!staged_) return files_.WriteToDevice(bytes);
    return staged_->Write(bytes) ? Status::Ok() : Status::Error(staged_->failure());
  }

  Status Finish(int) override {
    if (!staged_) return Status::Ok();
    if (!staged_->Finish()) return Status::Error(staged_->failure());
    StagedFile* const ready[] = {&*staged_};
    std::string failure = ReplaceTogether(ready);
    return failure.empty() ? Status::Ok() : Status::Error(std::move(failure));
  }

 private:
  FileDelivery& files_;
  std::optional<StagedFile> staged_;
};

Status FileDelivery::StartJob(std::string_view, int, std::unique_ptr<JobStream>* stream) {
  ++jobs_;
  const std::filesystem::path path = NumberedJobPath(first_, format_, jobs_, 0);
  const bool to_device = ToDevice();
  if (std::string input = InputAt(path); !to_device && !input.empty()) {
    return Status::Error(std::move(input));
  }
  *stream = std::make_unique<Stream>(*this, path, to_device);
  return Status::Ok();
}

namespace {

Status StandardOutputFailure() {
  return Status::Error("cannot write standard output: " + std::string(std::strerror(errno)));
}

// Writes `bytes` to standard output, unless it failed before.
Status WriteStandardOutput(std::string_view bytes) {
  if (std::ferror(stdout) || std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size()) {
    return StandardOutputFailure();
  }
  return Status::Ok();
}

Status FlushStandardOutput() {
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return Status::Ok();
  return StandardOutputFailure();
}

// A job written to standard output as it is made.
class StandardOutputStream : public JobStream {
 public:
  Status Write(std::string_view bytes) override { return WriteStandardOutput(bytes); }
  Status Finish(int) override { return FlushStandardOutput(); }
};

}  // namespace

Status StandardOutputDelivery::Deliver(std::string_view, int, std::span<const JobFile> files) {
  for (const JobFile& file : files) {
    if (Status written = WriteStandardOutput(file.bytes); !written.ok()) return written;
  }
  return FlushStandardOutput();
}

Status StandardOutputDelivery::StartJob(std::string_view, int, std::unique_ptr<JobStream>* stream) {
  *stream = std::make_unique<StandardOutputStream>();
  return Status::Ok();
}

}  // namespace quarvel
