#include "cli/CInterruptWatch.h"

#include <atomic>
#include <csignal>

namespace {

std::atomic<bool> g_watching{false};
std::atomic<bool> g_interrupted{false};

static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");

extern "C" void OnInterrupt(int sig) {
    if (g_watching.load()) {
        g_interrupted.store(true);
        return;
    }
    // No download is running: the default action, as without the tool's handler.
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

} // namespace

void CInterruptWatch::Install() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // Reads and writes go on after the handler; the port's waits see EINTR
    // and wait again.
    action.sa_flags = SA_RESTART;
    for (const int sig : {SIGINT, SIGTERM}) {
        // A signal the tool was started with ignored (a background job) stays ignored.
        struct sigaction previous {};
        if (sigaction(sig, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        sigaction(sig, &action, nullptr);
    }
}

CInterruptWatch::CInterruptWatch() {
    g_interrupted.store(false);
    g_watching.store(true);
}

CInterruptWatch::~CInterruptWatch() {
    g_watching.store(false);
}

bool CInterruptWatch::Interrupted() const {
    return g_interrupted.load();
}
