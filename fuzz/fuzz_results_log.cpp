// The results log as `pellworth-cli log` reads it: any file content (torn,
// edited, lines past the record limit), now and then a folder, FIFO, device
// or nothing in its place, and the --serial and --since filters the input
// chooses, through the tool's own argument parser.

#include "FuzzSupport.h"

#include "cli/CConsole.h"
#include "cli/CliArguments.h"
#include "cli/LogCommand.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace {

// Texts are dropped; the JSON array goes to standard output, which the
// target sends to /dev/null once.
class QuietConsole : public CConsole {
public:
    QuietConsole() : CConsole(false) {}
    void Out(const std::wstring&) override {}
    void Err(const std::wstring&) override {}
};

bool SilenceStandardOutput() {
    const int null = open("/dev/null", O_WRONLY);
    return null >= 0 && dup2(null, 1) >= 0 && close(null) == 0;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool silent = SilenceStandardOutput();
    (void)silent;
    fuzz::DataProvider input(data, size);
    std::vector<std::string> args{"--log", (fuzz::Scratch() / "results.jsonl").string()};
    if (input.Bool())
        args.push_back("--json");
    args.push_back("log");
    if (input.Bool())
        args.insert(args.end(), {"--serial", input.String(12)});
    if (input.Bool()) {
        // Mostly well-formed dates, so the filter itself runs.
        static const char* const kDates[] = {"2026-12-06", "2026-12-06T17:45:53Z", "2026-02-30",
                                             "1970-01-01T00:00:00Z"};
        args.insert(args.end(), {"--since", input.Bool() ? input.Pick(kDates) : input.String(24)});
    }
    const cli::ParseResult parsed = cli::ParseArguments(args);
    // Now and then the log is no regular file: nothing may block or be read.
    const std::filesystem::path log = fuzz::Scratch() / "results.jsonl";
    std::error_code ec;
    std::filesystem::remove_all(log, ec);
    switch (input.InRange(0, 15)) {
    case 0: std::filesystem::create_directory(log, ec); break;
    case 1: mkfifo(log.c_str(), 0600); break;
    case 2: std::filesystem::create_symlink("/dev/zero", log, ec); break;
    case 3: break; // no log yet
    default: fuzz::WriteScratch("results.jsonl", input.Rest()); break;
    }
    if (parsed.ok) {
        QuietConsole console;
        cli::RunLog(parsed.arguments, console);
    }
    return 0;
}
