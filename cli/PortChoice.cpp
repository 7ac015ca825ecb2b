#include "cli/PortChoice.h"

#include "cli/CCliSession.h"
#include "cli/CConsole.h"
#include "cli/CInterruptWatch.h"
#include "cli/CTerminalDialogs.h"
#include "cli/ExitCodes.h"
#include "cli/TerminalText.h"
#include "descriptions/XmlText.h"
#include "frontend/ModuleDiscovery.h"
#include "link/PortNames.h"

#include <algorithm>

namespace cli {

namespace {

PortChoice NoPort(std::wstring error) {
    return {false, exitcode::kNoConnection, std::move(error)};
}

std::wstring PortList(const std::vector<uint16_t>& ports) {
    std::wstring text;
    for (size_t i = 0; i < ports.size(); ++i) {
        if (i > 0)
            text += i + 1 == ports.size() ? L" and " : L", ";
        text += L"COM" + std::to_wstring(ports[i]);
    }
    return text;
}

// The ports of the serials, in their order.
PortChoice FindSerials(const Arguments& args, CConsole& console, std::vector<uint16_t>& chosen) {
    CTerminalDialogs dialogs(console, AnswerPolicy{args.yes, args.force}, args.json);
    CCliSession session(args, console, dialogs);
    std::wstring error;
    if (!session.Start(error))
        return {false, exitcode::kFailed, error};
    // Ctrl-C stops at the next port: each silent one costs a probe's time-outs.
    const CInterruptWatch watch;
    const std::vector<discovery::ModuleSerial> found =
        discovery::ReadSerials(session.Engine(), session.Module().Port(), portnames::EnumeratePorts,
                               [&watch] { return watch.Interrupted(); });
    if (watch.Interrupted())
        return {false, exitcode::kInterrupted, L"Interrupted."};
    for (const std::wstring& serial : args.moduleSerials) {
        std::vector<uint16_t> at;
        for (const discovery::ModuleSerial& module : found) {
            const std::wstring reported = WidenText(module.serial);
            if (!module.serial.empty() && (reported == serial || SerialText(reported) == serial))
                at.push_back(module.port);
        }
        if (at.size() > 1)
            return NoPort(L"Serial '" + serial + L"' was found on " + PortList(at) +
                          L": choose one with --port.");
        if (at.empty())
            return NoPort(L"No module with serial '" + serial + L"' was found (" +
                          std::to_wstring(found.size()) + L" module" +
                          (found.size() == 1 ? L"" : L"s") +
                          L" answered). A module in SafeBoot reports no serial: give its --port.");
        chosen.push_back(at.front());
    }
    return {};
}

} // namespace

PortChoice ChoosePorts(Arguments& args, CConsole& console) {
    std::vector<uint16_t> chosen;
    for (const std::wstring& path : args.portPaths) {
        std::string why;
        const auto number = portnames::NumberOfDevice(WideToUtf8(path), &why);
        if (!number)
            return NoPort(L"'" + path + L"' cannot be used as a port: " + Utf8ToWide(why) + L".");
        chosen.push_back(*number);
    }
    if (!args.moduleSerials.empty())
        if (PortChoice serials = FindSerials(args, console, chosen); !serials.ok)
            return serials;
    if (!args.Parallel()) {
        if (!chosen.empty())
            args.port = chosen.front();
        return {};
    }
    for (const uint16_t port : chosen) {
        if (std::find(args.ports.begin(), args.ports.end(), port) != args.ports.end())
            return {false, exitcode::kUsage,
                    L"COM" + std::to_wstring(port) +
                        L" is chosen twice (by number, path or serial)"};
        args.ports.push_back(port);
    }
    return {};
}

} // namespace cli
