#include "simulator/SimulatedModule.h"

#include "link/PortDirectory.h"
#include "simulator/ModuleModel.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <map>
#include <mutex>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace sim {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

// ---------------------------------------------------------------------------
// Reply shorthands

Reply Reply::Silence() {
    Reply r;
    r.silent = true;
    return r;
}

Reply Reply::Raw(std::vector<uint8_t> bytes) {
    Reply r;
    r.raw = std::move(bytes);
    return r;
}

Reply Reply::Garbage(size_t count, uint8_t seed) {
    std::vector<uint8_t> bytes(count);
    uint32_t x = seed * 2654435761u + 1;
    for (uint8_t& b : bytes) {
        x = x * 1103515245u + 12345u;
        b = static_cast<uint8_t>(x >> 16);
    }
    return Raw(std::move(bytes));
}

Reply Reply::Reject() {
    Reply r;
    r.responseCode = 0xFF;
    r.status = 0xFF;
    r.payload = std::vector<uint8_t>{};
    return r;
}

Reply Reply::Status(uint8_t status) {
    Reply r;
    r.status = status;
    return r;
}

Reply Reply::WrongCode(uint8_t code) {
    Reply r;
    r.responseCode = code;
    return r;
}

Reply Reply::Cut(size_t bytes) {
    Reply r;
    r.cutAfter = bytes;
    return r;
}

Reply Reply::Pending(uint32_t frames, std::vector<uint8_t> payload,
                     std::optional<uint16_t> lengthField) {
    Reply r;
    r.pendingFrames = frames;
    r.pendingPayload = std::move(payload);
    r.pendingLength = lengthField;
    return r;
}

Reply Reply::ChunkSize(uint16_t size) {
    Reply r;
    r.chunkSize = size;
    return r;
}

Reply Reply::UploadCount(uint16_t count) {
    Reply r;
    r.uploadCount = count;
    return r;
}

Reply Reply::PeekEcho(uint8_t count) {
    Reply r;
    r.peekEcho = count;
    return r;
}

Reply Reply::Unplug(Disconnect when, std::optional<std::chrono::milliseconds> back) {
    Reply r;
    r.disconnect = when;
    r.returnAfter = back;
    return r;
}

// ---------------------------------------------------------------------------

struct SimulatedModule::Impl {
    enum class Control { Unplug, Plug, PowerCycle };

    // Shared with callers, under `mutex`.
    mutable std::mutex mutex;
    mutable std::condition_variable changed;
    ModuleConfig config;
    ModuleState state;
    Behaviour behaviour;
    ModuleModel model;
    std::map<uint8_t, std::deque<Reply>> queued;
    std::map<uint8_t, Reply> always;
    std::vector<LoggedRequest> log;
    size_t dropped = 0;
    bool running = false;
    bool present = false;
    bool stopRequested = false;
    fs::path device;
    std::string error;
    uint32_t boots = 0;
    std::deque<std::pair<Control, std::chrono::milliseconds>> controls;
    uint64_t controlsPosted = 0;
    uint64_t controlsDone = 0;

    int wakeFd = -1;
    std::thread thread;

    // Owned by the module thread while it runs.
    int master = -1;
    std::deque<uint8_t> rx;
    std::deque<Clock::time_point> rxTimes;
    Clock::time_point rxWireFree{};
    Clock::time_point lastRxByte{};
    std::deque<uint8_t> tx;
    std::deque<Clock::time_point> txDue;
    Clock::time_point txWireFree{};
    bool txBlocked = false;
    std::deque<PlanStep> plan;
    Clock::time_point planWaitUntil{};
    std::optional<Clock::time_point> comeBackAt;
    Clock::time_point hupUntil{};
    // A client had the slave side open at the last look.
    bool clientPresent = false;
    Clock::time_point nextExclusiveCheck{};

    explicit Impl(ModuleConfig c)
        : config(std::move(c)), state(config.state), behaviour(config.behaviour) {}

    void Wake() const {
        if (wakeFd >= 0) {
            const uint64_t one = 1;
            [[maybe_unused]] ssize_t n = write(wakeFd, &one, sizeof one);
        }
    }

    // Opens a new pty in raw mode and publishes it. Caller holds no lock.
    bool OpenPort(std::string& why) {
        const int m = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (m < 0) {
            why = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
            return false;
        }
        char name[128] = {};
        if (grantpt(m) != 0 || unlockpt(m) != 0 || ptsname_r(m, name, sizeof name) != 0) {
            why = std::string("cannot prepare the pseudo-terminal: ") + std::strerror(errno);
            close(m);
            return false;
        }
        // Raw mode set through the master holds for every later open of the slave:
        // no echo, no line discipline translating bytes.
        termios t{};
        if (tcgetattr(m, &t) == 0) {
            cfmakeraw(&t);
            cfsetispeed(&t, B38400);
            cfsetospeed(&t, B38400);
            tcsetattr(m, TCSANOW, &t);
        }
        fcntl(m, F_SETFL, fcntl(m, F_GETFL) | O_NONBLOCK);
        if (!portdir::Publish(config.portNumber, name, config.description)) {
            const std::string untrusted = portdir::Untrusted();
            why = "cannot publish COM" + std::to_string(config.portNumber) + " in " +
                  portdir::Directory().string() + (untrusted.empty() ? "" : ": " + untrusted);
            close(m);
            return false;
        }
        master = m;
        std::lock_guard lock(mutex);
        device = name;
        return true;
    }

    // A hang-up throws away what the host has not read yet, so a last answer (to
    // 0xA0, say) must reach the host before the port goes: wait, within reason,
    // until the slave side's input queue is empty.
    void LetHostReadTheRest() {
        pollfd p{master, POLLIN, 0};
        if (poll(&p, 1, 0) > 0 && (p.revents & POLLHUP))
            return; // nobody has the port open
        fs::path node;
        {
            std::lock_guard lock(mutex);
            node = device;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5)); // let the tty take it in
        const int slave = open(node.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (slave < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            return;
        }
        const auto deadline = Clock::now() + std::chrono::seconds(1);
        int unread = 0;
        while (Clock::now() < deadline && ioctl(slave, FIONREAD, &unread) == 0 && unread > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        close(slave);
    }

    // A USB serial port forgets TIOCEXCL on its last close; a pty keeps it
    // while its master lives, so a client killed while holding the port would
    // lock every other user out. The flag is cleared through a short open of
    // our own; where that is refused (not root), the port is made anew.
    // Called while nobody has the port open.
    void ReleaseExclusive() {
        fs::path node;
        {
            std::lock_guard lock(mutex);
            node = device;
        }
        if (node.empty())
            return;
        const int slave = open(node.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (slave >= 0) {
            int exclusive = 0;
            if (ioctl(slave, TIOCGEXCL, &exclusive) != 0 || exclusive != 0)
                ioctl(slave, TIOCNXCL);
            close(slave);
            return;
        }
        if (errno != EBUSY)
            return;
        // Refused: still exclusive, unless a client has opened it since.
        pollfd p{master, 0, 0};
        if (poll(&p, 1, 0) < 0 || (p.revents & POLLHUP) == 0)
            return;
        ClosePort(false);
        std::string why;
        if (!OpenPort(why)) {
            std::lock_guard lock(mutex);
            error = why;
            return;
        }
        std::lock_guard lock(mutex);
        present = true;
        changed.notify_all();
    }

    void ClosePort(bool drain) {
        if (master < 0)
            return;
        if (drain)
            LetHostReadTheRest();
        {
            std::lock_guard lock(mutex);
            present = false;
            device.clear();
        }
        portdir::Unpublish(config.portNumber);
        close(master);
        master = -1;
        clientPresent = false;
        rx.clear();
        rxTimes.clear();
        tx.clear();
        txDue.clear();
        txBlocked = false;
        plan.clear();
        std::lock_guard lock(mutex);
        changed.notify_all();
    }

    void GoAway(std::optional<std::chrono::milliseconds> back, bool drain) {
        ClosePort(drain);
        comeBackAt.reset();
        if (back)
            comeBackAt = Clock::now() + *back;
    }

    void ComeBack() {
        comeBackAt.reset();
        std::string why;
        if (!OpenPort(why)) {
            std::lock_guard lock(mutex);
            error = why;
            comeBackAt = Clock::now() + std::chrono::milliseconds(200); // try again
            return;
        }
        std::lock_guard lock(mutex);
        model.Boot(state);
        ++boots;
        present = true;
        changed.notify_all();
    }

    Clock::duration ByteTime() const {
        if (!behaviour.pacing || behaviour.baudRate == 0)
            return Clock::duration::zero();
        return std::chrono::duration_cast<Clock::duration>(
            std::chrono::nanoseconds(10'000'000'000LL / behaviour.baudRate));
    }

    void Enqueue(const std::vector<uint8_t>& bytes, Clock::time_point now, Clock::duration bt) {
        for (uint8_t b : bytes) {
            const Clock::time_point due = bt.count() > 0 ? std::max(txWireFree, now) + bt : now;
            txWireFree = due;
            tx.push_back(b);
            txDue.push_back(due);
        }
    }

    void WriteDue(Clock::time_point now) {
        if (master < 0 || txBlocked)
            return;
        std::vector<uint8_t> chunk;
        for (size_t i = 0; i < tx.size() && txDue[i] <= now; ++i)
            chunk.push_back(tx[i]);
        if (chunk.empty())
            return;
        const ssize_t n = write(master, chunk.data(), chunk.size());
        size_t written = 0;
        if (n > 0)
            written = static_cast<size_t>(n);
        else if (n < 0 && errno == EAGAIN)
            txBlocked = true;
        else if (n < 0 && errno != EINTR)
            written = chunk.size(); // nobody can take them: drop rather than stall
        if (n >= 0 && static_cast<size_t>(n) < chunk.size())
            txBlocked = true;
        tx.erase(tx.begin(), tx.begin() + static_cast<std::ptrdiff_t>(written));
        txDue.erase(txDue.begin(), txDue.begin() + static_cast<std::ptrdiff_t>(written));
    }

    // Plays the plan on while nothing is waiting to go out.
    void AdvancePlan(Clock::time_point now, Clock::duration bt) {
        while (tx.empty() && !plan.empty() && now >= planWaitUntil && master >= 0) {
            PlanStep step = std::move(plan.front());
            plan.pop_front();
            switch (step.kind) {
            case PlanStep::Kind::Pause:
                planWaitUntil = now + step.duration;
                break;
            case PlanStep::Kind::Bytes:
                Enqueue(step.bytes, now, bt);
                break;
            case PlanStep::Kind::Disconnect:
            case PlanStep::Kind::Reboot:
                GoAway(step.returnAfter, true);
                return;
            }
        }
    }

    void DropInput() {
        std::lock_guard lock(mutex);
        dropped += rx.size();
        rx.clear();
        rxTimes.clear();
    }

    const Reply* PickScript(uint8_t code, Reply& holder) {
        auto q = queued.find(code);
        if (q != queued.end() && !q->second.empty()) {
            if (q->second.front().skip == 0) {
                holder = std::move(q->second.front());
                q->second.pop_front();
                return &holder;
            }
            --q->second.front().skip;
        }
        const auto a = always.find(code);
        return a == always.end() ? nullptr : &a->second;
    }

    // Takes the next complete request if its wire time is over. Returns the time it
    // becomes ready when it is still on the wire.
    std::optional<Clock::time_point> ProcessInput(Clock::time_point now, Clock::duration bt) {
        if (rx.empty())
            return std::nullopt;
        const uint8_t code = rx[0];
        const uint32_t max = MaxRequestLength(code);
        if (max == 0) {
            DropInput();
            return std::nullopt;
        }
        if (rx.size() < 3)
            return std::nullopt;
        const uint32_t length = (uint32_t{rx[1]} << 8) | rx[2];
        if (length < 3 || length > max) {
            DropInput();
            return std::nullopt;
        }
        if (rx.size() < length)
            return std::nullopt;
        Clock::time_point ready = now;
        if (bt.count() > 0) {
            ready = std::max(rxTimes[0], rxWireFree) + bt * length;
            if (ready > now)
                return ready;
            rxWireFree = ready;
        }
        LoggedRequest entry;
        entry.bytes.assign(rx.begin(), rx.begin() + length);
        entry.received = rxTimes[0];
        rx.erase(rx.begin(), rx.begin() + length);
        rxTimes.erase(rxTimes.begin(), rxTimes.begin() + length);

        Plan answer;
        {
            std::lock_guard lock(mutex);
            log.push_back(entry);
            Reply holder;
            const Reply* script = PickScript(code, holder);
            answer = model.Handle(entry.bytes, script, state, behaviour);
            changed.notify_all();
        }
        planWaitUntil = now;
        for (PlanStep& step : answer)
            plan.push_back(std::move(step));
        return std::nullopt;
    }

    bool HasCompleteFrame() const {
        if (rx.size() < 3)
            return false;
        return rx.size() >= ((size_t{rx[1]} << 8) | rx[2]);
    }

    void ReadInput(Clock::time_point now) {
        uint8_t buffer[4096];
        for (;;) {
            const ssize_t n = read(master, buffer, sizeof buffer);
            if (n <= 0)
                break;
            rx.insert(rx.end(), buffer, buffer + n);
            rxTimes.insert(rxTimes.end(), static_cast<size_t>(n), now);
            lastRxByte = now;
        }
    }

    void HandleControls() {
        std::deque<std::pair<Control, std::chrono::milliseconds>> todo;
        {
            std::lock_guard lock(mutex);
            todo.swap(controls);
        }
        for (const auto& [control, away] : todo) {
            switch (control) {
            case Control::Unplug:
                GoAway(std::nullopt, false);
                break;
            case Control::Plug:
                if (master < 0)
                    ComeBack();
                break;
            case Control::PowerCycle:
                GoAway(away, false);
                break;
            }
        }
        if (!todo.empty()) {
            std::lock_guard lock(mutex);
            controlsDone += todo.size();
            changed.notify_all();
        }
    }

    // Hands a port change to the module thread and waits until it has been made.
    void Post(Control control, std::chrono::milliseconds away) {
        std::unique_lock lock(mutex);
        if (!running)
            return;
        controls.emplace_back(control, away);
        const uint64_t ticket = ++controlsPosted;
        lock.unlock();
        Wake();
        lock.lock();
        changed.wait_for(lock, std::chrono::seconds(5),
                         [this, ticket] { return controlsDone >= ticket || !running; });
    }

    void Run() {
        for (;;) {
            {
                std::lock_guard lock(mutex);
                if (stopRequested)
                    break;
            }
            HandleControls();
            Clock::time_point now = Clock::now();
            Clock::duration bt;
            std::chrono::milliseconds staleAfter;
            {
                std::lock_guard lock(mutex);
                bt = ByteTime();
                staleAfter = behaviour.interByteTimeout;
            }
            std::optional<Clock::time_point> wakeAt;
            auto wakeBy = [&wakeAt](Clock::time_point t) {
                if (!wakeAt || t < *wakeAt)
                    wakeAt = t;
            };

            if (master < 0) {
                if (comeBackAt && now >= *comeBackAt) {
                    ComeBack();
                    continue;
                }
                if (comeBackAt)
                    wakeBy(*comeBackAt);
            } else {
                WriteDue(now);
                AdvancePlan(now, bt);
                WriteDue(now);
                if (master >= 0 && tx.empty() && plan.empty()) {
                    const size_t before = rx.size();
                    if (auto ready = ProcessInput(now, bt))
                        wakeBy(*ready);
                    else if (rx.size() != before)
                        continue; // play the answer, or take the next request, at once
                }
                if (master < 0)
                    continue;
                if (!rx.empty() && !HasCompleteFrame()) {
                    if (now - lastRxByte >= staleAfter)
                        DropInput();
                    else
                        wakeBy(lastRxByte + staleAfter);
                }
                if (!tx.empty() && !txBlocked)
                    wakeBy(txDue.front());
                if (tx.empty() && !plan.empty())
                    wakeBy(planWaitUntil);
                if (now < hupUntil)
                    wakeBy(hupUntil);
                // A poll that times out without a hang-up shows a client came.
                if (!clientPresent)
                    wakeBy(now + std::chrono::milliseconds(10));
            }

            pollfd fds[2] = {{wakeFd, POLLIN, 0}, {-1, 0, 0}};
            nfds_t count = 1;
            if (master >= 0 && now >= hupUntil) {
                fds[1] = pollfd{master, static_cast<short>(POLLIN | (txBlocked ? POLLOUT : 0)), 0};
                count = 2;
            }
            timespec timeout{};
            timespec* timeoutPtr = nullptr;
            if (wakeAt) {
                const auto wait = std::max(Clock::duration::zero(), *wakeAt - now);
                const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(wait).count();
                timeout.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
                timeout.tv_nsec = static_cast<long>(ns % 1'000'000'000);
                timeoutPtr = &timeout;
            }
            const int ready = ppoll(fds, count, timeoutPtr, nullptr);
            if (ready == 0 && count == 2)
                clientPresent = true; // no hang-up: the slave side is open
            if (ready <= 0)
                continue;
            if (fds[0].revents & POLLIN) {
                uint64_t value = 0;
                [[maybe_unused]] ssize_t n = read(wakeFd, &value, sizeof value);
            }
            if (count == 2 && master >= 0) {
                now = Clock::now();
                if (fds[1].revents & POLLOUT)
                    txBlocked = false;
                if (fds[1].revents & POLLIN) {
                    clientPresent = true;
                    ReadInput(now);
                } else if (fds[1].revents & (POLLHUP | POLLERR)) {
                    // No slave side is open: the master reports hang-up until one is.
                    hupUntil = now + std::chrono::milliseconds(10);
                    // A client may come and go between two looks (one killed
                    // right after its open): the port is looked at now and
                    // then too, not only after a client was seen.
                    if (clientPresent || now >= nextExclusiveCheck) {
                        ReleaseExclusive();
                        nextExclusiveCheck = now + std::chrono::milliseconds(200);
                    }
                    clientPresent = false;
                } else if (fds[1].revents & POLLOUT) {
                    clientPresent = true;
                }
            }
        }
        ClosePort(false);
    }
};

// ---------------------------------------------------------------------------

SimulatedModule::SimulatedModule(ModuleConfig config)
    : impl_(std::make_unique<Impl>(std::move(config))) {}

SimulatedModule::~SimulatedModule() {
    Stop();
}

bool SimulatedModule::Start() {
    Impl& d = *impl_;
    {
        std::lock_guard lock(d.mutex);
        if (d.running)
            return true;
        d.error.clear();
        d.stopRequested = false;
    }
    if (d.config.portNumber == 0) {
        for (uint16_t n = 1; n != 0; ++n) {
            std::error_code ec;
            if (!fs::exists(fs::symlink_status(portdir::LinkPath(n), ec))) {
                d.config.portNumber = n;
                break;
            }
        }
    }
    d.wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    std::string why;
    if (d.wakeFd < 0 || !d.OpenPort(why)) {
        if (d.wakeFd < 0)
            why = std::string("cannot create an event: ") + std::strerror(errno);
        else
            close(d.wakeFd);
        d.wakeFd = -1;
        std::lock_guard lock(d.mutex);
        d.error = why;
        return false;
    }
    {
        std::lock_guard lock(d.mutex);
        d.running = true;
        d.present = true;
    }
    d.thread = std::thread([&d] { d.Run(); });
    return true;
}

void SimulatedModule::Stop() {
    Impl& d = *impl_;
    {
        std::lock_guard lock(d.mutex);
        if (!d.running)
            return;
        d.stopRequested = true;
    }
    d.Wake();
    if (d.thread.joinable())
        d.thread.join();
    close(d.wakeFd);
    d.wakeFd = -1;
    d.comeBackAt.reset();
    std::lock_guard lock(d.mutex);
    d.running = false;
    d.controlsDone = d.controlsPosted;
    d.controls.clear();
    d.changed.notify_all();
}

bool SimulatedModule::IsRunning() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->running;
}

std::string SimulatedModule::Error() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->error;
}

uint16_t SimulatedModule::PortNumber() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->config.portNumber;
}

fs::path SimulatedModule::DevicePath() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->device;
}

fs::path SimulatedModule::LinkPath() const {
    return portdir::LinkPath(PortNumber());
}

bool SimulatedModule::IsPresent() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->present;
}

bool SimulatedModule::WaitUntilPresent(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(impl_->mutex);
    return impl_->changed.wait_for(lock, timeout, [this] { return impl_->present; });
}

bool SimulatedModule::WaitUntilAway(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(impl_->mutex);
    return impl_->changed.wait_for(lock, timeout, [this] { return !impl_->present; });
}

void SimulatedModule::Unplug() {
    impl_->Post(Impl::Control::Unplug, {});
}

void SimulatedModule::Plug() {
    impl_->Post(Impl::Control::Plug, {});
}

void SimulatedModule::PowerCycle(std::chrono::milliseconds away) {
    impl_->Post(Impl::Control::PowerCycle, away);
}

uint32_t SimulatedModule::BootCount() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->boots;
}

void SimulatedModule::Script(uint8_t code, Reply reply) {
    std::lock_guard lock(impl_->mutex);
    impl_->queued[code].push_back(std::move(reply));
}

void SimulatedModule::ScriptAlways(uint8_t code, Reply reply) {
    std::lock_guard lock(impl_->mutex);
    impl_->always[code] = std::move(reply);
}

void SimulatedModule::ClearScripts() {
    std::lock_guard lock(impl_->mutex);
    impl_->queued.clear();
    impl_->always.clear();
}

size_t SimulatedModule::QueuedScripts(uint8_t code) const {
    std::lock_guard lock(impl_->mutex);
    const auto it = impl_->queued.find(code);
    return it == impl_->queued.end() ? 0 : it->second.size();
}

std::vector<LoggedRequest> SimulatedModule::Requests() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->log;
}

std::vector<uint8_t> SimulatedModule::RequestCodes() const {
    std::lock_guard lock(impl_->mutex);
    std::vector<uint8_t> codes;
    for (const LoggedRequest& r : impl_->log)
        codes.push_back(r.Code());
    return codes;
}

size_t SimulatedModule::RequestCount() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->log.size();
}

std::vector<TransferRecord> SimulatedModule::Transfers() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->model.Transfers();
}

void SimulatedModule::ClearLog() {
    std::lock_guard lock(impl_->mutex);
    impl_->log.clear();
    impl_->model.ClearTransfers();
    impl_->dropped = 0;
}

bool SimulatedModule::WaitForRequests(size_t count, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(impl_->mutex);
    return impl_->changed.wait_for(lock, timeout,
                                   [this, count] { return impl_->log.size() >= count; });
}

bool SimulatedModule::WaitForRequest(uint8_t code, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(impl_->mutex);
    return impl_->changed.wait_for(lock, timeout, [this, code] {
        return std::any_of(impl_->log.begin(), impl_->log.end(),
                           [code](const LoggedRequest& r) { return r.Code() == code; });
    });
}

size_t SimulatedModule::DroppedBytes() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->dropped;
}

ModuleState SimulatedModule::State() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->state;
}

void SimulatedModule::UpdateState(const std::function<void(ModuleState&)>& change) {
    std::lock_guard lock(impl_->mutex);
    change(impl_->state);
}

Behaviour SimulatedModule::GetBehaviour() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->behaviour;
}

void SimulatedModule::Configure(const std::function<void(Behaviour&)>& change) {
    {
        std::lock_guard lock(impl_->mutex);
        change(impl_->behaviour);
    }
    impl_->Wake();
}

// ---------------------------------------------------------------------------

ScopedPortDirectory::ScopedPortDirectory() {
    if (const char* old = std::getenv("PELLWORTH_PORT_DIR"))
        previous_ = old;
    std::string pattern = (fs::temp_directory_path() / "pellworth-ports-XXXXXX").string();
    if (mkdtemp(pattern.data()))
        path_ = pattern;
    else
        path_ = fs::temp_directory_path() / ("pellworth-ports-" + std::to_string(getpid()));
    std::error_code ec;
    fs::create_directories(path_, ec);
    setenv("PELLWORTH_PORT_DIR", path_.c_str(), 1);
}

ScopedPortDirectory::~ScopedPortDirectory() {
    if (previous_)
        setenv("PELLWORTH_PORT_DIR", previous_->c_str(), 1);
    else
        unsetenv("PELLWORTH_PORT_DIR");
    std::error_code ec;
    fs::remove_all(path_, ec);
}

} // namespace sim
