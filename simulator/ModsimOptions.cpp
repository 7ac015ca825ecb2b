#include "simulator/ModsimOptions.h"

#include <charconv>
#include <functional>
#include <map>
#include <set>

namespace sim {

namespace {

// Everything one module group of the command line says; turned into a ModuleConfig
// once the group is complete, so options may come in any order.
struct Group {
    Profile profile = Profile::Tarn;
    Version release{};
    bool releaseGivenHere = false; // else inherited, and dropped if the type lacks it
    std::optional<std::string> serial;
    std::optional<std::string> name;
    std::optional<std::string> assembly;
    std::optional<uint8_t> moduleType;
    std::optional<uint8_t> protocol;
    std::optional<RunningImage> running;
    uint16_t com = 0;
    std::string description = kInterconnectDescription;
    unsigned count = 1;
    Behaviour behaviour = [] {
        // Slow enough to watch: paced wire, an erase that moves the progress bar.
        Behaviour b;
        b.pacing = true;
        b.eraseFrames = 4;
        b.programFrames = 2;
        b.pendingInterval = std::chrono::milliseconds(100);
        b.rebootDelay = std::chrono::milliseconds(1500);
        return b;
    }();
};

bool ParseUnsigned(const std::string& text, unsigned long max, unsigned long& out) {
    int base = 10;
    std::string_view digits = text;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits.remove_prefix(2);
    }
    if (digits.empty())
        return false;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), out, base);
    return ec == std::errc() && end == digits.data() + digits.size() && out <= max;
}

bool ParseVersion(const std::string& text, Version& out) {
    const size_t dot = text.find('.');
    unsigned long major = 0, minor = 0;
    if (dot == std::string::npos || !ParseUnsigned(text.substr(0, dot), 255, major) ||
        !ParseUnsigned(text.substr(dot + 1), 255, minor))
        return false;
    out = Version{static_cast<uint8_t>(major), static_cast<uint8_t>(minor)};
    return true;
}

// "00001234" -> "00001235"; texts that are not all digits stay as they are.
std::string NextSerial(const std::string& serial) {
    std::string next = serial;
    if (next.empty() || next.find_first_not_of("0123456789") != std::string::npos)
        return next;
    for (size_t i = next.size(); i-- > 0;) {
        if (next[i] != '9') {
            ++next[i];
            return next;
        }
        next[i] = '0';
    }
    return next;
}

bool Build(const Group& group, std::vector<ModsimModule>& out, std::string& error) {
    const Version wanted =
        group.release == Version{} ? DefaultRelease(group.profile) : group.release;
    std::optional<ModuleConfig> made = MakeModule(group.profile, wanted);
    if (!made && !group.releaseGivenHere)
        made = MakeModule(group.profile, DefaultRelease(group.profile));
    if (!made) {
        error = std::string(ProfileName(group.profile)) + " has no release " +
                std::to_string(group.release.major) + "." + std::to_string(group.release.minor);
        return false;
    }
    std::string serial = group.serial ? *group.serial : TrimText(made->state.serial);
    for (unsigned i = 0; i < group.count; ++i) {
        ModsimModule module{group.profile, *made};
        ModuleState& s = module.config.state;
        s.serial = FixedText(serial, 8);
        if (group.name)
            s.name = FixedText(*group.name, 8);
        if (group.assembly)
            s.assembly = FixedText(*group.assembly, 9);
        if (group.moduleType)
            s.moduleType = *group.moduleType;
        if (group.protocol)
            s.protocolVersion = *group.protocol;
        if (group.running) {
            s.running = *group.running;
            // A module found in its boot loader has no Ferrin to start.
            s.ferrinValid = *group.running == RunningImage::Ferrin;
        }
        module.config.behaviour = group.behaviour;
        module.config.description = group.description;
        module.config.portNumber = group.com == 0 ? 0 : static_cast<uint16_t>(group.com + i);
        out.push_back(std::move(module));
        if (serial != BlankSerial())
            serial = NextSerial(serial);
    }
    return true;
}

} // namespace

std::string ModsimHelp() {
    return std::string(kModsimUsageLine) + R"(

Starts simulated modules on pseudo-terminals and publishes each as COM<n> in the
port directory, where discovery finds them. Runs until SIGINT or SIGTERM, then
removes its entries.

Module options (each --next starts another module that inherits them, with the
COM number and serial number counted up):
  --type tarn|orlan6|none   board and module type (default tarn)
  --release M.N             release the module carries (default: the one before
                            the latest, so one update brings it current;
                            TARN 1.0, 1.1; ORLAN6 2.0, 2.1)
  --com N                   COM number (default: the first free one)
  --serial TEXT|blank       serial number, 8 characters (blank: eight 0xFF bytes)
  --name TEXT               module name, 8 characters
  --assembly TEXT           board assembly, 9 characters
  --module-type N           module type byte reported (255: none)
  --running safeboot|ferrin image the module runs (safeboot: no valid Ferrin)
  --protocol N              protocol version reported (default 1)
  --pacing on|off           38400 baud wire pacing (default on)
  --chunk-size N            chunk size for image downloads (default 256)
  --block-chunk-size N      chunk size for parameter blocks (default 64)
  --erase-frames N          pending frames before a download starts (default 4)
  --program-frames N        pending frames before a download finishes (default 2)
  --pending-interval MS     pause before each pending frame (default 100)
  --reboot-delay MS         time the port is away during a reboot (default 1500)
  --no-reboot               the module cannot reboot itself (rejects 0xA0)
  --keep-setup-on-download  downloads leave the setup alone (a module erases it)
  --description TEXT        port description (default "Varnet USB Modules Interconnect")
  --count N                 start N such modules
  --next                    describe the next module

General options:
  --port-dir DIR            port directory (sets PELLWORTH_PORT_DIR)
  -h, --help                this text
  --version                 print the version and exit
)";
}

std::optional<ModsimOptions> ParseModsimArgs(const std::vector<std::string>& args,
                                             std::string& error) {
    ModsimOptions options;
    Group group;
    std::vector<Group> groups;

    using Setter = std::function<bool(const std::string&)>;
    auto number = [](unsigned long max, auto assign) {
        return Setter([max, assign](const std::string& v) {
            unsigned long n = 0;
            if (!ParseUnsigned(v, max, n))
                return false;
            assign(n);
            return true;
        });
    };
    auto millis = [&number](std::chrono::milliseconds& target) {
        return number(3'600'000,
                      [&target](unsigned long n) { target = std::chrono::milliseconds(n); });
    };
    const std::map<std::string, Setter> withValue = {
        {"--type",
         [&group](const std::string& v) {
             const auto p = ProfileFromName(v);
             if (p)
                 group.profile = *p;
             return p.has_value();
         }},
        {"--release",
         [&group](const std::string& v) {
             group.releaseGivenHere = true;
             return ParseVersion(v, group.release);
         }},
        {"--com",
         number(65535, [&group](unsigned long n) { group.com = static_cast<uint16_t>(n); })},
        {"--serial",
         [&group](const std::string& v) {
             group.serial = v == "blank" ? BlankSerial() : v;
             return true;
         }},
        {"--name",
         [&group](const std::string& v) {
             group.name = v;
             return true;
         }},
        {"--assembly",
         [&group](const std::string& v) {
             group.assembly = v;
             return true;
         }},
        {"--module-type",
         number(255, [&group](unsigned long n) { group.moduleType = static_cast<uint8_t>(n); })},
        {"--protocol",
         number(255, [&group](unsigned long n) { group.protocol = static_cast<uint8_t>(n); })},
        {"--running",
         [&group](const std::string& v) {
             if (v == "safeboot")
                 group.running = RunningImage::SafeBoot;
             else if (v == "ferrin")
                 group.running = RunningImage::Ferrin;
             else
                 return false;
             return true;
         }},
        {"--pacing",
         [&group](const std::string& v) {
             if (v != "on" && v != "off")
                 return false;
             group.behaviour.pacing = v == "on";
             return true;
         }},
        {"--chunk-size", number(65535,
                                [&group](unsigned long n) {
                                    group.behaviour.chunkSize = static_cast<uint16_t>(n);
                                })},
        {"--block-chunk-size", number(65535,
                                      [&group](unsigned long n) {
                                          group.behaviour.blockChunkSize = static_cast<uint16_t>(n);
                                      })},
        {"--erase-frames", number(100000,
                                  [&group](unsigned long n) {
                                      group.behaviour.eraseFrames = static_cast<uint32_t>(n);
                                  })},
        {"--program-frames", number(100000,
                                    [&group](unsigned long n) {
                                        group.behaviour.programFrames = static_cast<uint32_t>(n);
                                    })},
        {"--pending-interval", millis(group.behaviour.pendingInterval)},
        {"--reboot-delay", millis(group.behaviour.rebootDelay)},
        {"--description",
         [&group](const std::string& v) {
             group.description = v;
             return !v.empty();
         }},
        {"--count",
         [&group](const std::string& v) {
             unsigned long n = 0;
             if (!ParseUnsigned(v, 64, n) || n == 0)
                 return false;
             group.count = static_cast<unsigned>(n);
             return true;
         }},
        {"--port-dir",
         [&options](const std::string& v) {
             options.portDirectory = v;
             return !v.empty();
         }},
    };

    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            options.help = true;
            return options;
        }
        if (arg == "--version") {
            options.version = true;
            return options;
        }
        if (arg == "--no-reboot") {
            group.behaviour.canReboot = false;
            continue;
        }
        if (arg == "--keep-setup-on-download") {
            group.behaviour.eraseSetupOnDownload = false;
            continue;
        }
        if (arg == "--next") {
            groups.push_back(group);
            // The next module follows on: next COM number, next serial number.
            const unsigned used = group.count;
            if (group.com != 0)
                group.com = static_cast<uint16_t>(group.com + used);
            if (group.serial && *group.serial != BlankSerial())
                for (unsigned k = 0; k < used; ++k)
                    group.serial = NextSerial(*group.serial);
            else if (!group.serial) {
                std::string s = "00001234";
                for (unsigned k = 0; k < used; ++k)
                    s = NextSerial(s);
                group.serial = s;
            }
            group.count = 1;
            group.releaseGivenHere = false;
            continue;
        }
        const auto it = withValue.find(arg);
        if (it == withValue.end()) {
            error = "unknown option '" + arg + "'";
            return std::nullopt;
        }
        if (i + 1 >= args.size()) {
            error = "option " + arg + " needs a value";
            return std::nullopt;
        }
        const std::string& value = args[++i];
        if (!it->second(value)) {
            error = "bad value '" + value + "' for " + arg;
            return std::nullopt;
        }
    }
    groups.push_back(group);
    for (const Group& s : groups)
        if (!Build(s, options.modules, error))
            return std::nullopt;
    // Two modules on one number would both answer as COM<n>, and a reboot
    // would bring back whichever published last.
    std::set<uint16_t> numbers;
    for (const ModsimModule& m : options.modules) {
        const uint16_t n = m.config.portNumber;
        if (n != 0 && !numbers.insert(n).second) {
            error = "COM" + std::to_string(n) + " is given to two modules";
            return std::nullopt;
        }
    }
    return options;
}

void AssignPortNumbers(std::vector<ModsimModule>& modules,
                       const std::function<bool(uint16_t)>& inUse) {
    std::set<uint16_t> taken;
    for (const ModsimModule& m : modules)
        if (m.config.portNumber != 0)
            taken.insert(m.config.portNumber);
    uint16_t next = 1;
    for (ModsimModule& m : modules) {
        if (m.config.portNumber != 0)
            continue;
        while (next != 0 && (taken.contains(next) || inUse(next)))
            ++next;
        if (next == 0)
            return; // every number taken: Start reports it
        m.config.portNumber = next;
        taken.insert(next);
    }
}

} // namespace sim
