#include "native/job_delivery.h"

#include <cups/cups.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "native/atomic_file.h"
#include "native/messages.h"

namespace quarvel {

namespace {

constexpr OutputFormatInfo kFormats[] = {
    {"pdf", ".pdf", "application/pdf", false},
    {"ps", ".ps", "application/postscript", false},
    {"svg", ".svg", "image/svg+xml", true},
    {"png", ".png", "image/png", true},
};

constexpr int kConnectMilliseconds = 30000;

bool EndsWithIgnoringCase(std::string_view text, std::string_view ending) {
  return text.size() > ending.size() &&
         std::equal(ending.begin(), ending.end(), text.end() - ending.size(),
                    [](char a, char b) { return std::tolower(a) == std::tolower(b); });
}

bool ReportPrintFailure(std::string_view printer, std::string_view reason) {
  ReportError("cannot print to " + std::string(printer) + ": " + std::string(reason));
  return false;
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

struct IppRequestDeleter {
  void operator()(ipp_t* ipp) const { ippDelete(ipp); }
};
struct HttpDeleter {
  void operator()(http_t* http) const { httpClose(http); }
};

}  // namespace

const OutputFormatInfo& InfoOf(OutputFormat format) { return kFormats[static_cast<int>(format)]; }

std::optional<OutputFormat> FormatOfPath(std::string_view path) {
  for (const OutputFormat format : kOutputFormats) {
    if (EndsWithIgnoringCase(path, InfoOf(format).extension)) return format;
  }
  return std::nullopt;
}

std::filesystem::path NumberedJobPath(const std::filesystem::path& first, OutputFormat format,
                                      int job, int page) {
  std::string suffix;
  if (job > 1) suffix += "-" + std::to_string(job);
  if (page > 0) suffix += "-p" + std::to_string(page);
  if (suffix.empty()) return first;
  std::string name = first.filename().string();
  const std::string_view extension = InfoOf(format).extension;
  const size_t insert_at =
      EndsWithIgnoringCase(name, extension) ? name.size() - extension.size() : name.size();
  name.insert(insert_at, suffix);
  return first.parent_path() / name;
}

bool FileDelivery::Deliver(std::string_view, std::span<const JobFile> files) {
  ++jobs_;
  std::vector<std::unique_ptr<AtomicFile>> written;
  for (const JobFile& file : files) {
    written.push_back(
        std::make_unique<AtomicFile>(NumberedJobPath(first_, format_, jobs_, file.page)));
    if (!written.back()->Write(file.bytes)) return ReportWriteFailure(file, *written.back());
  }
  for (size_t i = 0; i < written.size(); ++i) {
    if (!written[i]->Commit()) return ReportWriteFailure(files[i], *written[i]);
  }
  return true;
}

bool FileDelivery::ReportWriteFailure(const JobFile& file, const AtomicFile& written) const {
  ReportError("cannot write " + NumberedJobPath(first_, format_, jobs_, file.page).string() + ": " +
              std::strerror(written.error()));
  return false;
}

bool StandardOutputDelivery::Deliver(std::string_view, std::span<const JobFile> files) {
  for (const JobFile& file : files) std::fwrite(file.bytes.data(), 1, file.bytes.size(), stdout);
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return true;
  ReportError("cannot write standard output: " + std::string(std::strerror(errno)));
  return false;
}

bool CupsDelivery::QueueExists(const std::string& queue) {
  cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.c_str(), nullptr);
  cupsFreeDests(dest == nullptr ? 0 : 1, dest);
  return dest != nullptr;
}

bool CupsDelivery::Deliver(std::string_view job_name, std::span<const JobFile> files) {
  const std::string title(job_name);
  const std::string format(InfoOf(format_).mime_type);
  const int job = cupsCreateJob(CUPS_HTTP_DEFAULT, queue_.c_str(), title.c_str(), 0, nullptr);
  if (job <= 0) return ReportPrintFailure(queue_, cupsLastErrorString());
  const bool sent = cupsStartDocument(CUPS_HTTP_DEFAULT, queue_.c_str(), job, title.c_str(),
                                      format.c_str(), 1) == HTTP_STATUS_CONTINUE &&
                    WriteRequestData(CUPS_HTTP_DEFAULT, files) == HTTP_STATUS_CONTINUE &&
                    cupsFinishDocument(CUPS_HTTP_DEFAULT, queue_.c_str()) == IPP_STATUS_OK;
  if (sent) return true;
  const std::string reason = cupsLastErrorString();
  cupsCancelJob2(CUPS_HTTP_DEFAULT, queue_.c_str(), job, 0);
  return ReportPrintFailure(queue_, reason);
}

bool IppDelivery::IsPrinterUri(std::string_view destination) {
  return destination.starts_with("ipp://") || destination.starts_with("ipps://");
}

bool IppDelivery::Deliver(std::string_view job_name, std::span<const JobFile> files) {
  char scheme[32], user[256], host[256], resource[1024];
  int port = 0;
  if (httpSeparateURI(HTTP_URI_CODING_ALL, uri_.c_str(), scheme, sizeof scheme, user, sizeof user,
                      host, sizeof host, &port, resource, sizeof resource) < HTTP_URI_STATUS_OK) {
    return ReportPrintFailure(uri_, "not a printer URI");
  }
  const http_encryption_t encryption =
      std::string_view(scheme) == "ipps" ? HTTP_ENCRYPTION_ALWAYS : HTTP_ENCRYPTION_IF_REQUESTED;
  const std::unique_ptr<http_t, HttpDeleter> http(
      httpConnect2(host, port, nullptr, AF_UNSPEC, encryption, 1, kConnectMilliseconds, nullptr));
  if (http == nullptr) return ReportPrintFailure(uri_, std::strerror(errno));
  const std::unique_ptr<ipp_t, IppRequestDeleter> request(ippNewRequest(IPP_OP_PRINT_JOB));
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
  const std::unique_ptr<ipp_t, IppRequestDeleter> response(cupsGetResponse(http.get(), resource));
  if (response != nullptr && cupsLastError() <= IPP_STATUS_OK_CONFLICTING) return true;
  return ReportPrintFailure(uri_, cupsLastErrorString());
}

}  // namespace quarvel
