#include "CliProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>

using namespace std::chrono_literals;

std::ostream& operator<<(std::ostream& os, const CliResult& result) {
    return os << "exit " << result.exitCode << " signal " << result.signal
              << (result.timedOut ? " (timed out)" : "") << "\n--- stdout:\n"
              << result.out << "--- stderr:\n"
              << result.err;
}

CliChild::CliChild(const std::vector<std::string>& args) {
    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
        return;
    std::vector<std::string> storage{PELLWORTH_CLI};
    storage.insert(storage.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : storage)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const std::string directory = CliFixture::DataDirectory().string();

    m_pid = fork();
    if (m_pid == 0) {
        // Only async-signal-safe calls until exec.
        const int input = open("/dev/null", O_RDONLY);
        if (input < 0 || dup2(input, 0) < 0 || dup2(out[1], 1) < 0 || dup2(err[1], 2) < 0 ||
            chdir(directory.c_str()) != 0)
            _exit(126);
        // Whatever the test runner's shell did to SIGINT, the tool starts as
        // from an interactive shell.
        signal(SIGINT, SIG_DFL);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    m_out = out[0];
    m_err = err[0];
}

CliChild::~CliChild() {
    if (m_pid > 0) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    if (m_out >= 0)
        close(m_out);
    if (m_err >= 0)
        close(m_err);
}

CliResult CliChild::Finish(std::chrono::seconds limit) {
    CliResult result;
    if (m_pid <= 0)
        return result;
    const auto end = std::chrono::steady_clock::now() + limit;
    char buffer[4096];
    while (m_out >= 0 || m_err >= 0) {
        if (std::chrono::steady_clock::now() > end) {
            result.timedOut = true;
            kill(m_pid, SIGKILL);
            break;
        }
        pollfd fds[2] = {{m_out, POLLIN, 0}, {m_err, POLLIN, 0}};
        if (poll(fds, 2, 100) < 0 && errno != EINTR)
            break;
        for (int i = 0; i < 2; ++i) {
            int& fd = i == 0 ? m_out : m_err;
            if (fd < 0 || (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) == 0)
                continue;
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n > 0) {
                (i == 0 ? result.out : result.err).append(buffer, static_cast<size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                close(fd);
                fd = -1;
            }
        }
    }
    int status = 0;
    waitpid(m_pid, &status, 0);
    m_pid = -1;
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        result.signal = WTERMSIG(status);
    return result;
}

// ---- Fixture --------------------------------------------------------------------------------

fs::path CliFixture::DataDirectory() {
    const char* data = std::getenv("PELLWORTH_TEST_DATA");
    return data ? fs::path(data) : fs::current_path();
}

void CliFixture::SetUp() {
    char pattern[] = "/tmp/pellworth-cli-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    m_scratch = pattern;
    // Set before any module thread runs; the children inherit it.
    setenv("XDG_STATE_HOME", StateHome().c_str(), 1);
}

void CliFixture::TearDown() {
    m_modules.clear();
    std::error_code ignored;
    fs::remove_all(m_scratch, ignored);
}

sim::SimulatedModule&
CliFixture::StartModule(sim::Profile profile, sim::Version release,
                        const std::function<void(sim::ModuleConfig&)>& change) {
    auto config = sim::MakeModule(profile, release);
    EXPECT_TRUE(config.has_value());
    // Short delays: the run still waits its 4 s before reconnecting.
    config->behaviour.rebootDelay = 200ms;
    config->behaviour.pacing = false;
    if (change)
        change(*config);
    auto module = std::make_unique<sim::SimulatedModule>(*config);
    EXPECT_TRUE(module->Start()) << module->Error();
    m_modules.push_back(std::move(module));
    return *m_modules.back();
}

CliResult CliFixture::Cli(const std::vector<std::string>& args) {
    return CliChild(args).Finish();
}

void CliFixture::WriteScratch(const std::string& name, const std::string& bytes) const {
    std::ofstream(m_scratch / name, std::ios::binary | std::ios::trunc) << bytes;
}

std::vector<uint8_t> SetupBytes(const sim::SimulatedModule& module) {
    const sim::ModuleState state = module.State();
    const auto it = state.blocks.find(sim::BlockKey{0, 0});
    return it == state.blocks.end() ? std::vector<uint8_t>{} : it->second.data;
}

void SetSetupBytes(sim::SimulatedModule& module, const std::vector<uint8_t>& bytes) {
    module.UpdateState([&](sim::ModuleState& state) {
        state.blocks[sim::BlockKey{0, 0}].data = bytes;
    });
}
