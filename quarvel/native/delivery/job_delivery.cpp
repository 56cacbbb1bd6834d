#include "native/delivery/job_delivery.h"

#include <cups/cups.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "handles/c_handle.h"
#include "native/delivery/staged_file.h"

namespace quarvel {

namespace {

using IppHandle = CHandle<ipp_t, ippDelete>;
using HttpHandle = CHandle<http_t, httpClose>;

constexpr int kConnectMilliseconds = 30000;

// Why the last request to CUPS or a printer failed.
std::string LastCupsError() {
  const char* reason = cupsLastErrorString();
  return reason != nullptr && *reason != '\0' ? reason : "unknown error";
}

Status PrintFailure(std::string_view printer, std::string_view reason) {
  return Status::Error("cannot print to " + std::string(printer) + ": " + std::string(reason));
}

size_t TotalSize(std::span<const JobFile> files) {
  size_t size = 0;
  for (const JobFile& file : files) size += file.bytes.size();
  return size;
}

// Sends the bytes of `files` as the data of the request under way on
// `http`, while the server asks for more.
http_status_t WriteRequestData(http_t* http, std::span<const JobFile> files) {
  http_status_t status = HTTP_STATUS_CONTINUE;
  for (const JobFile& file : files) {
    if (status != HTTP_STATUS_CONTINUE) break;
    status = cupsWriteRequestData(http, file.bytes.data(), file.bytes.size());
  }
  return status;
}

}  // namespace

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

Status FileDelivery::DeliverToDevice(std::span<const JobFile> files) {
  if (device_ < 0) device_ = open(first_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
  for (const JobFile& file : files) {
    std::string_view bytes = file.bytes;
    while (device_ >= 0 && !bytes.empty()) {
      const ssize_t written = write(device_, bytes.data(), bytes.size());
      if (written < 0 && errno == EINTR) continue;
      if (written < 0) break;
      bytes.remove_prefix(static_cast<size_t>(written));
    }
    if (device_ < 0 || !bytes.empty()) {
      return Status::Error("cannot write " + first_.string() + ": " + std::strerror(errno));
    }
  }
  return Status::Ok();
}

Status FileDelivery::Deliver(std::string_view, std::span<const JobFile> files) {
  ++jobs_;
  struct stat status;
  if (device_ >= 0 || (stat(first_.c_str(), &status) == 0 && !S_ISREG(status.st_mode) &&
                       !S_ISDIR(status.st_mode))) {
    return DeliverToDevice(files);
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

Status StandardOutputDelivery::Deliver(std::string_view, std::span<const JobFile> files) {
  for (const JobFile& file : files) {
    if (std::fwrite(file.bytes.data(), 1, file.bytes.size(), stdout) != file.bytes.size()) break;
  }
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return Status::Ok();
  return Status::Error("cannot write standard output: " + std::string(std::strerror(errno)));
}

bool CupsDelivery::QueueExists(const std::string& queue) {
  cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.c_str(), nullptr);
  cupsFreeDests(dest == nullptr ? 0 : 1, dest);
  return dest != nullptr;
}

Status CupsDelivery::Deliver(std::string_view job_name, std::span<const JobFile> files) {
  const std::string title(job_name);
  const std::string format(InfoOf(format_).mime_type);
  const int job = cupsCreateJob(CUPS_HTTP_DEFAULT, queue_.c_str(), title.c_str(), 0, nullptr);
  if (job <= 0) return PrintFailure(queue_, LastCupsError());
  const bool sent = cupsStartDocument(CUPS_HTTP_DEFAULT, queue_.c_str(), job, title.c_str(),
                                      format.c_str(), 1) == HTTP_STATUS_CONTINUE &&
                    WriteRequestData(CUPS_HTTP_DEFAULT, files) == HTTP_STATUS_CONTINUE &&
                    cupsFinishDocument(CUPS_HTTP_DEFAULT, queue_.c_str()) == IPP_STATUS_OK;
  if (sent) return Status::Ok();
  const std::string reason = LastCupsError();
  cupsCancelJob2(CUPS_HTTP_DEFAULT, queue_.c_str(), job, 0);
  return PrintFailure(queue_, reason);
}

bool IppDelivery::IsPrinterUri(std::string_view destination) {
  return destination.starts_with("ipp://") || destination.starts_with("ipps://");
}

Status IppDelivery::Deliver(std::string_view job_name, std::span<const JobFile> files) {
  char scheme[32], user[256], host[256], resource[1024];
  int port = 0;
  if (httpSeparateURI(HTTP_URI_CODING_ALL, uri_.c_str(), scheme, sizeof scheme, user, sizeof user,
                      host, sizeof host, &port, resource, sizeof resource) < HTTP_URI_STATUS_OK) {
    return PrintFailure(uri_, "not a printer URI");
  }
  const http_encryption_t encryption =
      std::string_view(scheme) == "ipps" ? HTTP_ENCRYPTION_ALWAYS : HTTP_ENCRYPTION_IF_REQUESTED;
  const HttpHandle http(
      httpConnect2(host, port, nullptr, AF_UNSPEC, encryption, 1, kConnectMilliseconds, nullptr));
  if (http == nullptr) return PrintFailure(uri_, std::strerror(errno));
  const IppHandle request(ippNewRequest(IPP_OP_PRINT_JOB));
  ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri_.c_str());
  ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
               cupsUser());
  ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "job-name", nullptr,
               std::string(job_name).c_str());
  ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_MIMETYPE, "document-format", nullptr,
               std::string(InfoOf(format_).mime_type).c_str());
  // The length is that of the whole message: the request and the document.
  if (cupsSendRequest(http.get(), request.get(), resource,
                      ippLength(request.get()) + TotalSize(files)) == HTTP_STATUS_CONTINUE) {
    WriteRequestData(http.get(), files);
  }
  const IppHandle response(cupsGetResponse(http.get(), resource));
  if (response != nullptr && cupsLastError() <= IPP_STATUS_OK_CONFLICTING) return Status::Ok();
  return PrintFailure(uri_, LastCupsError());
}

}  // namespace quarvel
