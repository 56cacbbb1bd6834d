#include "native/ipp/ipp_client.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cctype>
#include <algorithm>
#include <cstring>
#include <thread>

#include "native/ipp/interruption.h"

namespace quarvel {

namespace {

// How often a wait looks at the clock and for a signal.
constexpr double kPollSeconds = 0.25;
// The pieces in which a document is written, each a wait of its own.
constexpr size_t kWritePiece = 64 * 1024;

bool IsBusy(ipp_status_t status) {
  return status == IPP_STATUS_ERROR_BUSY || status == IPP_STATUS_ERROR_SERVICE_UNAVAILABLE;
}

// The system's reason for `error`, beginning in lower case as the rest of
// a message does.
std::string ErrnoText(int error) {
  std::string text = std::strerror(error);
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

// The attributes that the printer said it does not support, as
// "NAME=VALUE, ...".
std::string UnsupportedAttributes(ipp_t* response) {
  std::string names;
  for (ipp_attribute_t* attribute = ippFirstAttribute(response); attribute != nullptr;
       attribute = ippNextAttribute(response)) {
    if (ippGetGroupTag(attribute) != IPP_TAG_UNSUPPORTED_GROUP ||
        ippGetName(attribute) == nullptr) {
      continue;
    }
    char value[256];
    ippAttributeString(attribute, value, sizeof value);
    if (!names.empty()) names += ", ";
    names += std::string(ippGetName(attribute)) + "=" + value;
  }
  return names;
}

// Why no address of `address` takes a connection, as the system says it: a
// connection attempted again, bounded by `milliseconds`, since libcups
// keeps no reason of its own ("host is down" for a refused connection).
int ConnectError(const PrinterAddress& address, int milliseconds) {
  http_addrlist_t* const list =
      httpAddrGetList(address.host.c_str(), AF_UNSPEC, std::to_string(address.port).c_str());
  int error = EHOSTUNREACH;
  for (http_addrlist_t* at = list; at != nullptr; at = at->next) {
    const int fd = socket(at->addr.addr.sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
      error = errno;
      continue;
    }
    if (connect(fd, &at->addr.addr, static_cast<socklen_t>(httpAddrLength(&at->addr))) == 0) {
      error = 0;
    } else if (errno != EINPROGRESS) {
      error = errno;
    } else if (pollfd waiting = {fd, POLLOUT, 0}; poll(&waiting, 1, milliseconds) <= 0) {
      error = ETIMEDOUT;
    } else {
      socklen_t length = sizeof error;
      if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
    }
    // A probe that wrote nothing: closing it cannot lose anything.
    close(fd);
    if (error == 0) break;
  }
  httpAddrFreeList(list);
  return error;
}

}  // namespace

std::string AttributeText(ipp_t* response, const char* name) {
  ipp_attribute_t* attribute = ippFindAttribute(response, name, IPP_TAG_ZERO);
  const char* text = attribute != nullptr ? ippGetString(attribute, 0, nullptr) : nullptr;
  return text != nullptr ? text : "";
}

std::vector<std::string> AttributeStrings(ipp_t* response, const char* name) {
  std::vector<std::string> values;
  ipp_attribute_t* attribute = ippFindAttribute(response, name, IPP_TAG_ZERO);
  for (int i = 0; i < ippGetCount(attribute); ++i) {
    if (const char* value = ippGetString(attribute, i, nullptr)) values.emplace_back(value);
  }
  return values;
}

int AttributeInteger(ipp_t* response, const char* name) {
  ipp_attribute_t* attribute = ippFindAttribute(response, name, IPP_TAG_ZERO);
  return attribute != nullptr ? ippGetInteger(attribute, 0) : 0;
}

IppClient::IppClient(PrinterAddress address, int timeout_seconds, Signals signals)
    : address_(std::move(address)),
      timeout_seconds_(timeout_seconds),
      heeds_signals_(signals == Signals::kHeeded) {}

bool IppClient::Interrupted() const { return heeds_signals_ && HeldInterruption() != 0; }

void IppClient::Pause(int seconds) const {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (!Interrupted() && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

IppHandle IppClient::NewRequest(ipp_op_t operation) const {
  IppHandle request(ippNewRequest(operation));
  ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
               address_.uri.c_str());
  ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
               cupsUser());
  return request;
}

Status IppClient::Failure(std::string_view reason) const {
  return Status::Error("cannot print to " + address_.name + ": " + std::string(reason));
}

int IppClient::KeepWaiting(http_t*, void* data) {
  auto* client = static_cast<IppClient*>(data);
  if (client->Interrupted()) return 0;
  if (std::chrono::steady_clock::now() - client->wait_started_ <
      std::chrono::seconds(client->timeout_seconds_)) {
    return 1;
  }
  client->timed_out_ = true;
  return 0;
}

void IppClient::StartWait() {
  wait_started_ = std::chrono::steady_clock::now();
  timed_out_ = false;
}

Status IppClient::Connect() {
  busy_ = false;
  last_status_ = IPP_STATUS_OK;
  http_.reset(httpConnect2(
      address_.host.c_str(), address_.port, nullptr, AF_UNSPEC,
      address_.encrypted ? HTTP_ENCRYPTION_ALWAYS : HTTP_ENCRYPTION_IF_REQUESTED, 1, 0, nullptr));
  if (http_ == nullptr) return Failure("host " + address_.host + " not found");
  httpSetTimeout(http_.get(), kPollSeconds, KeepWaiting, this);
  StartWait();
  if (httpReconnect2(http_.get(), timeout_seconds_ * 1000,
                     heeds_signals_ ? InterruptionFlag() : nullptr) == 0) {
    return address_.encrypted ? CheckCertificate() : Status::Ok();
  }
  if (address_.encrypted && cupsLastError() == IPP_STATUS_ERROR_CUPS_PKI) {
    const char* reason = cupsLastErrorString();
    return Failure(std::string("TLS failure: ") +
                   (reason != nullptr && *reason != '\0' ? reason : "no secure connection"));
  }
  if (Interrupted()) return Failure("interrupted");
  if (httpError(http_.get()) == ETIMEDOUT) return NoAnswer();
  constexpr int kProbeMilliseconds = 1000;
  const int error = ConnectError(address_, kProbeMilliseconds);
  if (error == ETIMEDOUT) return NoAnswer();
  const std::string reason = error != 0 ? ErrnoText(error) : "the connection was closed";
  if (!address_.cups_queue) return Failure(reason);
  return Failure("no CUPS server at " + address_.host + " (" + reason + ")");
}

Status IppClient::CheckCertificate() {
  cups_array_t* credentials = nullptr;
  if (httpCopyCredentials(http_.get(), &credentials) != 0 || credentials == nullptr) {
    return Failure("TLS failure: the printer showed no certificate");
  }
  const CredentialsHandle presented(credentials);
  const char* host = address_.host.c_str();
  const http_trust_t trust = httpCredentialsGetTrust(presented.get(), host);
  if (trust != HTTP_TRUST_OK && trust != HTTP_TRUST_RENEWED) {
    static constexpr const char* kDistrust[] = {
        "", "is not valid", "changed since it was trusted", "has expired", "", "is not trusted"};
    const char* reason = cupsLastErrorString();
    return Failure(std::string("TLS failure: the printer's certificate ") + kDistrust[trust] +
                   (reason != nullptr && *reason != '\0' ? std::string(" (") + reason + ")" : ""));
  }
  // Trusted on first use, or renewed: kept, to be known again next time.
  cups_array_t* kept = nullptr;
  const bool known = httpLoadCredentials(nullptr, &kept, host) == 0;
  const CredentialsHandle kept_handle(kept);
  if (!known) httpSaveCredentials(nullptr, presented.get(), host);
  return Status::Ok();
}

Status IppClient::NoAnswer() const {
  return Status::Error("no answer from " + address_.name + " in " +
                       std::to_string(timeout_seconds_) + " s");
}

Status IppClient::ConnectionFailure() const {
  if (Interrupted()) return Failure("interrupted");
  if (timed_out_) return NoAnswer();
  const int error = http_ != nullptr ? httpError(http_.get()) : 0;
  if (error == 0 || error == EPIPE || error == ECONNRESET) {
    return Failure("the connection was closed");
  }
  return Failure(ErrnoText(error));
}

Status IppClient::Call(ipp_t* request, IppHandle* response) {
  int waited = 0;
  for (int pause = 1;; pause *= 2) {
    Status status = Exchange(request, response);
    if (status.ok() || !busy_ || Interrupted()) return status;
    if (waited >= timeout_seconds_) {
      return Status::Error(status.message() + " (still busy after " + std::to_string(waited) +
                           " s)");
    }
    pause = std::min(pause, timeout_seconds_ - waited);
    Pause(pause);
    waited += pause;
  }
}

Status IppClient::Exchange(ipp_t* request, IppHandle* response) {
  if (Status connected = Connect(); !connected.ok()) return connected;
  StartWait();
  // The answer tells what became of the request, whether it was sent or not.
  cupsSendRequest(http_.get(), request, address_.resource.c_str(), ippLength(request));
  return ReadAnswer(response);
}

Status IppClient::Send(ipp_t* request) {
  if (Status connected = Connect(); !connected.ok()) return connected;
  StartWait();
  if (cupsSendRequest(http_.get(), request, address_.resource.c_str(), CUPS_LENGTH_VARIABLE) !=
      HTTP_STATUS_CONTINUE) {
    IppHandle response;
    return ReadAnswer(&response);
  }
  return Status::Ok();
}

Status IppClient::Write(std::string_view bytes) {
  while (!bytes.empty()) {
    if (Interrupted()) return Failure("interrupted");
    const std::string_view piece = bytes.substr(0, kWritePiece);
    StartWait();
    if (cupsWriteRequestData(http_.get(), piece.data(), piece.size()) != HTTP_STATUS_CONTINUE) {
      IppHandle response;
      const Status answer = ReadAnswer(&response);
      return answer.ok() ? Failure("the printer ended the upload early") : answer;
    }
    bytes.remove_prefix(piece.size());
  }
  return Status::Ok();
}

Status IppClient::Receive(IppHandle* response) { return ReadAnswer(response); }

Status IppClient::ReadAnswer(IppHandle* response) {
  StartWait();
  response->reset(cupsGetResponse(http_.get(), address_.resource.c_str()));
  const http_status_t http_status = httpGetStatus(http_.get());
  if (*response == nullptr) {
    // 100 Continue is the status that the request was sent with, left in
    // place when the connection ended before any answer.
    if (http_status > HTTP_STATUS_CONTINUE && http_status != HTTP_STATUS_OK) {
      busy_ = http_status == HTTP_STATUS_SERVICE_UNAVAILABLE;
      return Failure("HTTP " + std::to_string(http_status) + " " + httpStatus(http_status));
    }
    return ConnectionFailure();
  }
  last_status_ = ippGetStatusCode(response->get());
  if (last_status_ <= IPP_STATUS_OK_EVENTS_COMPLETE) return Status::Ok();
  busy_ = IsBusy(last_status_);
  std::string reason = ippErrorString(last_status_);
  if (const std::string message = AttributeText(response->get(), "status-message");
      !message.empty()) {
    reason += ": " + message;
  }
  if (const std::string refused = UnsupportedAttributes(response->get()); !refused.empty()) {
    reason += " (not supported: " + refused + ")";
  }
  return Failure(reason);
}

}  // namespace quarvel
