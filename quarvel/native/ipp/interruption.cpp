#include "native/ipp/interruption.h"

#include <signal.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace quarvel {

namespace {

std::atomic<int> jobs_in_flight{0};
volatile sig_atomic_t held_signal = 0;
// libcups reads an int; it is set where held_signal is.
int interruption_flag = 0;

void OnInterruption(int signal_number) {
  if (jobs_in_flight.load() == 0) {
    ::signal(signal_number, SIG_DFL);
    ::raise(signal_number);
    return;
  }
  held_signal = signal_number;
  interruption_flag = 1;
}

}  // namespace

void CatchInterruptions() {
  struct sigaction action = {};
  action.sa_handler = OnInterruption;
  sigemptyset(&action.sa_mask);
  // No SA_RESTART: a wait on a printer ends, to see the signal.
  for (const int signal_number : {SIGINT, SIGTERM}) sigaction(signal_number, &action, nullptr);
}

JobInFlight::JobInFlight() { ++jobs_in_flight; }

JobInFlight::~JobInFlight() { --jobs_in_flight; }

int HeldInterruption() { return held_signal; }

int* InterruptionFlag() { return &interruption_flag; }

void EndForInterruption() {
  // The messages are out; a stream that cannot take them has no one left
  // to be told so.
  std::fflush(stderr);
  std::_Exit(128 + held_signal);
}

}  // namespace quarvel
