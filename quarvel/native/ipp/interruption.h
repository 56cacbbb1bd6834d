// SIGINT and SIGTERM while a printer holds a job of the run: they are held
// until the job is cancelled, so that an interrupted run leaves no job
// behind; at any other time they end the run at once, as by default.
#ifndef QUARVEL_NATIVE_IPP_INTERRUPTION_H_
#define QUARVEL_NATIVE_IPP_INTERRUPTION_H_

namespace quarvel {

// Installs the handlers of SIGINT and SIGTERM.
void CatchInterruptions();

// While one lives, a printer holds a job of the run: the signals are held.
class JobInFlight {
 public:
  JobInFlight();
  ~JobInFlight();
  JobInFlight(const JobInFlight&) = delete;
  JobInFlight& operator=(const JobInFlight&) = delete;
};

// The signal held, 0 while none is.
int HeldInterruption();

// Nonzero once a signal is held: libcups' "cancel" flag of its waits.
int* InterruptionFlag();

// Ends the run as the held signal asks: exit status 128 plus its number.
[[noreturn]] void EndForInterruption();

}  // namespace quarvel

#endif  // QUARVEL_NATIVE_IPP_INTERRUPTION_H_
