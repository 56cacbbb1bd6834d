#include "posix/trace_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace quarvel {

namespace {

// Writes gather up to this size before they go to the file.
constexpr size_t kGatheredBytes = 64 * 1024;

// Writes all of `bytes` at `offset`; returns false when the file takes them
// not all.
bool WriteAt(int descriptor, std::string_view bytes, off_t offset) {
  while (!bytes.empty()) {
    const ssize_t written = pwrite(descriptor, bytes.data(), bytes.size(), offset);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    bytes.remove_prefix(written);
    offset += written;
  }
  return true;
}

class TraceFile : public OutputFile {
 public:
  TraceFile(TraceFiles& owner, std::string name, TraceFiles::OpenTrace trace)
      : owner_(owner), name_(std::move(name)), trace_(trace) {}
  ~TraceFile() override {
    Flush();
    owner_.Return(name_, trace_);
  }
  TraceFile(const TraceFile&) = delete;
  TraceFile& operator=(const TraceFile&) = delete;

  bool Write(std::string_view bytes) override {
    if (failed_) return false;
    gathered_ += bytes;
    return gathered_.size() < kGatheredBytes || Flush();
  }

 private:
  bool Flush() {
    if (failed_ || gathered_.empty()) return !failed_;
    failed_ = !WriteAt(trace_.descriptor, gathered_, offset_);
    offset_ += static_cast<off_t>(gathered_.size());
    gathered_.clear();
    return !failed_;
  }

  TraceFiles& owner_;
  const std::string name_;
  const TraceFiles::OpenTrace trace_;
  std::string gathered_;
  off_t offset_ = 0;
  bool failed_ = false;
};

}  // namespace

TraceFiles::~TraceFiles() {
  for (const auto& [name, trace] : idle_) close(trace.descriptor);
}

std::unique_ptr<OutputFile> TraceFiles::Create(const std::string& name) {
  OpenTrace trace;
  if (!Reuse(name, &trace)) {
    trace.descriptor = open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    struct stat status;
    if (trace.descriptor < 0) return nullptr;
    if (fstat(trace.descriptor, &status) != 0) {
      close(trace.descriptor);
      return nullptr;
    }
    trace.device = status.st_dev;
    trace.inode = status.st_ino;
  }
  return std::make_unique<TraceFile>(*this, name, trace);
}

void TraceFiles::Return(const std::string& name, OpenTrace trace) {
  const auto [slot, empty] = idle_.insert({name, trace});
  if (empty) return;
  close(slot->second.descriptor);
  slot->second = trace;
}

bool TraceFiles::Reuse(const std::string& name, OpenTrace* trace) {
  const auto idle = idle_.find(name);
  if (idle == idle_.end()) return false;
  *trace = idle->second;
  idle_.erase(idle);
  struct stat status;
  if (fstatat(AT_FDCWD, name.c_str(), &status, 0) == 0 && status.st_dev == trace->device &&
      status.st_ino == trace->inode && ftruncate(trace->descriptor, 0) == 0) {
    return true;
  }
  close(trace->descriptor);
  return false;
}

}  // namespace quarvel
