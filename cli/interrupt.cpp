// The signals are blocked everywhere and taken by one thread of their own
// with sigwait: nothing then runs inside a signal handler, the waiting
// thread may use any function, and a write to a closed pipe only fails
// (the kernel directs that signal at the writing thread, which blocks it).
#include "cli/interrupt.h"

#include <atomic>
#include <csignal>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

#include "platform/io/safefile.h"

// The temporary files of the images being written go with the batch.
void (*g_onSignalCleanup)() noexcept = RemoveTemporaryFilesInFlight;

namespace {

std::atomic<int> g_signal{0};
int g_wake[2] = {-1, -1}; // read end: InterruptWaitDescriptor

sigset_t InterruptSignals()
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGPIPE);
    return set;
}

void WaitForSignals()
{
    const sigset_t set = InterruptSignals();
    for (;;) {
        int signal = 0;
        if (sigwait(&set, &signal) != 0) continue;
        int none = 0;
        if (g_signal.compare_exchange_strong(none, signal)) {
            // The first: stop taking lines, and wake a reader that waits
            // for input.
            const char byte = 1;
            [[maybe_unused]] const ssize_t n = write(g_wake[1], &byte, 1);
            continue;
        }
        // A second signal while the lines in flight finish: do not wait.
        if (g_onSignalCleanup) g_onSignalCleanup();
        _exit(128 + g_signal.load());
    }
}

} // namespace

void InstallInterruptHandling()
{
    if (g_wake[0] >= 0) return;
    if (pipe2(g_wake, O_CLOEXEC) != 0) return;
    const sigset_t set = InterruptSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::thread(WaitForSignals).detach();
}

int InterruptSignal() { return g_signal.load(); }

int InterruptWaitDescriptor() { return g_wake[0]; }

void ReopenClosedStandardDescriptors()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1) continue;
        const int null = open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
        if (null >= 0 && null != fd) {
            dup2(null, fd);
            close(null);
        }
    }
}
