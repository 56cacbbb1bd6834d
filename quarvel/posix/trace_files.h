// The trace files of the POSIX host. A run writes the same few traces again
// and again, one block at a time, so each stays open between its blocks:
// a block costs three system calls (one to see that the name still names
// the open file, one to truncate it, one to write the block), and the file
// is never closed right after a truncation, which would make the file
// system write it back to the disk at once, stalling the run every block.
#ifndef QUARVEL_POSIX_TRACE_FILES_H_
#define QUARVEL_POSIX_TRACE_FILES_H_

#include <sys/types.h>

#include <map>
#include <memory>
#include <string>

#include "files.h"

namespace quarvel {

class TraceFiles {
 public:
  TraceFiles() = default;
  // Closes the files that are open between blocks.
  ~TraceFiles();
  TraceFiles(const TraceFiles&) = delete;
  TraceFiles& operator=(const TraceFiles&) = delete;

  // Truncates the trace `name` in the current directory, or creates it, and
  // returns a file that writes it from its start. What was written is in
  // the file once the returned file is destroyed, and before that whenever
  // much has gathered. Returns null when the file cannot be created. The
  // returned file must not outlive this object.
  std::unique_ptr<OutputFile> Create(const std::string& name);

  // A file that is open between blocks, and what it was when it was opened.
  struct OpenTrace {
    int descriptor = -1;
    dev_t device = 0;
    ino_t inode = 0;
  };

  // Takes `trace` back when its block ends.
  void Return(const std::string& name, OpenTrace trace);

 private:
  // The open file of `name` when the name still names it, truncated.
  bool Reuse(const std::string& name, OpenTrace* trace);

  std::map<std::string, OpenTrace> idle_;
};

}  // namespace quarvel

#endif  // QUARVEL_POSIX_TRACE_FILES_H_
