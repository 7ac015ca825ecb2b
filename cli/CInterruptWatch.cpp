#include "cli/CInterruptWatch.h"

#include <atomic>
#include <csignal>

namespace {

// Watches nest: a parallel update watches for the whole run while each
// module's command watches its own download.
std::atomic<int> g_watching{0};
std::atomic<bool> g_interrupted{false};

static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs a lock-free count");

extern "C" void OnInterrupt(int sig) {
    if (g_watching.load() > 0) {
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
    // SIGHUP: the terminal closed or the remote session dropped; the run
    // stops as cleanly as after Ctrl-C.
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        // A signal the tool was started with ignored (a background job) stays ignored.
        struct sigaction previous {};
        if (sigaction(sig, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN)
            continue;
        sigaction(sig, &action, nullptr);
    }
}

CInterruptWatch::CInterruptWatch() {
    // Only the outermost watch starts afresh: a Ctrl-C that an enclosing watch
    // has taken must reach the inner ones too.
    if (g_watching.fetch_add(1) == 0)
        g_interrupted.store(false);
}

CInterruptWatch::~CInterruptWatch() {
    g_watching.fetch_sub(1);
}

bool CInterruptWatch::Interrupted() const {
    return g_interrupted.load();
}
