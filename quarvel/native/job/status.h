// The outcome of an operation that can fail: success, or one line that says
// what failed and why, to be shown to the user as it is ("cannot write
// out.pdf: No space left on device").
#ifndef QUARVEL_NATIVE_JOB_STATUS_H_
#define QUARVEL_NATIVE_JOB_STATUS_H_

#include <string>
#include <utility>

namespace quarvel {

class [[nodiscard]] Status {
 public:
  static Status Ok() { return Status(); }
  // A failure; `message` must not be empty.
  static Status Error(std::string message) { return Status(std::move(message)); }

  bool ok() const { return message_.empty(); }
  // Empty for success.
  const std::string& message() const { return message_; }

 private:
  Status() = default;
  explicit Status(std::string message) : message_(std::move(message)) {}

  std::string message_;
};

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_JOB_STATUS_H_
