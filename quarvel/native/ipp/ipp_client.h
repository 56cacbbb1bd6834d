// Requests to one printer, each on a connection of its own, with every wait
// bounded: connecting, each write and each response. Whatever goes wrong
// is told in one line that names the printer: "cannot print to P: REASON",
// or "no answer from P in N s".
#ifndef QUARVEL_NATIVE_IPP_IPP_CLIENT_H_
#define QUARVEL_NATIVE_IPP_IPP_CLIENT_H_

#include <cups/cups.h>

#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "handles/c_handle.h"
#include "native/ipp/printer_address.h"
#include "native/job/status.h"

namespace quarvel {

using IppHandle = CHandle<ipp_t, ippDelete>;
using HttpHandle = CHandle<http_t, httpClose>;
using CredentialsHandle = CHandle<cups_array_t, httpFreeCredentials>;

class IppClient {
 public:
  // Whether a signal held for the run (see interruption.h) ends the
  // client's waits: those of a job's requests, but not those of the
  // Cancel-Job that the signal calls for.
  enum class Signals { kHeeded, kIgnored };

  // Speaks to the printer at `address`; `timeout_seconds` bounds each wait.
  IppClient(PrinterAddress address, int timeout_seconds, Signals signals = Signals::kHeeded);

  const PrinterAddress& address() const { return address_; }

  // A request of `operation` to the printer, with the attributes that every
  // request carries.
  IppHandle NewRequest(ipp_op_t operation) const;

  // Sends `request` and reads the answer into `*response`. A printer that
  // answers busy is asked again after 1, 2, 4 ... seconds, for as long as
  // the timeout. Fails unless the printer answered HTTP 200 with a
  // successful IPP status.
  Status Call(ipp_t* request, IppHandle* response);

  // A request followed by a document of unknown length: Send sends the
  // request, Write each piece of the document, and Receive ends it and
  // reads the answer, as Call does, without asking again.
  Status Send(ipp_t* request);
  Status Write(std::string_view bytes);
  Status Receive(IppHandle* response);

  // Whether the last failure was the printer's being busy.
  bool busy() const { return busy_; }
  // The IPP status of the last answer; IPP_STATUS_OK before any.
  ipp_status_t last_status() const { return last_status_; }

  // "cannot print to P: REASON".
  Status Failure(std::string_view reason) const;

 private:
  // Whether a held signal ends what the client does.
  bool Interrupted() const;
  // Sleeps `seconds`, or less once interrupted.
  void Pause(int seconds) const;
  // The libcups timeout callback: 1 to wait on, 0 to give up.
  static int KeepWaiting(http_t* http, void* client);
  Status Connect();
  // Whether the printer's certificate is to be trusted, by the settings of
  // client.conf (ValidateCerts, TrustOnFirstUse, AllowExpiredCerts) and the
  // certificate kept from before; one trusted on first use is kept.
  Status CheckCertificate();
  // Starts the bound of the next wait.
  void StartWait();
  Status Exchange(ipp_t* request, IppHandle* response);
  // Why the connection failed, or gave no answer.
  Status ConnectionFailure() const;
  // "no answer from P in N s".
  Status NoAnswer() const;
  Status ReadAnswer(IppHandle* response);

  PrinterAddress address_;
  const int timeout_seconds_;
  const bool heeds_signals_;
  HttpHandle http_;
  std::chrono::steady_clock::time_point wait_started_;
  bool timed_out_ = false;
  bool busy_ = false;
  ipp_status_t last_status_ = IPP_STATUS_OK;
};

// The printer's text for `name` in `response`; empty when it has none.
std::string AttributeText(ipp_t* response, const char* name);
// Every text value of `name` in `response`, in order; none when it has none.
std::vector<std::string> AttributeStrings(ipp_t* response, const char* name);
// The integer or enum `name` in `response`; 0 when it has none.
int AttributeInteger(ipp_t* response, const char* name);

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_IPP_IPP_CLIENT_H_
