#pragma once
// SIGINT (Ctrl+C), SIGTERM and SIGHUP as a request to stop rather than an
// abrupt end: the handler only records the signal (a flag and a byte in a
// pipe, both safe in a handler), and the program winds down the normal way,
// switching the generator's output off first. Plain C++ without Qt, for the
// command-line programs and the calibrator alike.
namespace platform {

// Installs the handlers. A vanished reader of the program's output
// (SIGPIPE) no longer ends it either: the instruments must still be made
// safe.
void CatchInterrupts();
// The stop signals end the program at once again, as before CatchInterrupts.
void ReleaseInterrupts();

// The first stop signal received, 0 while none has come.
int InterruptSignal();
// Readable once a stop signal has come, for an event loop to watch; -1
// before CatchInterrupts.
int InterruptDescriptor();
// The exit status a shell expects after the signal: 128 + its number.
int InterruptExitStatus(int signal);
// "SIGINT", "SIGTERM", "SIGHUP".
const char* SignalName(int signal);

}  // namespace platform
