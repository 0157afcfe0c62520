// Ending a batch cleanly on SIGINT, SIGTERM and SIGPIPE: the batch stops
// taking lines, lets the lines in flight finish, and exits with 128 plus
// the signal's number.
#pragma once

// Removes the temporary files of writes still in flight. The file-writing
// layer points it at its own cleanup; it must be async-signal-safe, since
// it also runs when a second signal ends the process at once. Null: there
// is nothing to clean.
extern void (*g_onSignalCleanup)() noexcept;

// Blocks the three signals in this thread and in every thread it starts
// later, and starts the thread that waits for them. Call once, before any
// other thread exists. Writes to a closed pipe then fail with EPIPE
// instead of ending the process.
void InstallInterruptHandling();

// 0, or the first signal that asked the batch to stop.
int InterruptSignal();

// A descriptor that becomes readable when a signal asked to stop, for
// waiting on input and on the signal at once; -1 without the handling.
int InterruptWaitDescriptor();

// Gives the descriptors 0, 1 and 2 that the caller left closed to
// /dev/null, so that no file the command opens takes their place and
// receives its messages.
void ReopenClosedStandardDescriptors();
