#include "frontend/ModuleDiscovery.h"

#include "descriptions/XmlText.h"
#include "engine/CCmdChannel.h"
#include "engine/CCmdEngine.h"
#include "engine/EngineCodes.h"
#include "link/CUSBSerialPort.h"

#include <cwctype>

namespace discovery {

std::wstring ModuleEntryText(uint16_t portNumber, const std::string& name) {
    std::wstring entry = portnames::PortName(portNumber);
    if (!name.empty())
        entry += L" (" + WidenText(name) + L")";
    return entry;
}

std::optional<uint16_t> PortNumberOfEntry(const std::wstring& entry) {
    if (entry.rfind(L"COM", 0) != 0)
        return std::nullopt;
    size_t end = 3;
    while (end < entry.size() && std::iswdigit(static_cast<wint_t>(entry[end])))
        ++end;
    return portnames::ParsePortName(entry.substr(0, end));
}

namespace {

// Opens every module candidate in turn with the normal time-outs and hands
// the ones that answer to probe; the port's time-out choice is put back.
void ProbeCandidates(CCmdEngine& engine, CUSBSerialPort& port, const PortLister& lister,
                     const std::function<bool()>& stop, Result& result,
                     const std::function<void(const portnames::PortInfo&)>& probe) {
    // A probe must end even when the operator has switched time-outs off.
    const bool timeoutsWereEnabled = port.TimeoutsEnabled();
    port.EnableTimeouts();

    int listError = 0;
    const std::vector<portnames::PortInfo> ports = lister(&listError);
    if (listError != 0)
        result.errorText = L"Error '" + std::to_wstring(listError) + L"' getting list of ports!\n";
    // Ports found without the system's list (the port directory) are still
    // probed: they do not depend on it.
    for (const portnames::PortInfo& info : ports) {
        if (stop && stop())
            break;
        if (!portnames::IsModuleCandidate(info))
            continue;
        if (!port.Open(info.number)) {
            result.unopened.push_back(port.OpenFailureText());
            continue;
        }
        if (engine.IsModuleResponding())
            probe(info);
        port.Close();
    }

    if (timeoutsWereEnabled)
        port.EnableTimeouts();
    else
        port.DisableTimeouts();
}

} // namespace

Result DiscoverModules(CCmdEngine& engine, CUSBSerialPort& port, const PortLister& lister,
                       const std::function<bool()>& stop) {
    Result result;
    if (engine.IsConnected())
        return result;
    result.performed = true;
    ProbeCandidates(engine, port, lister, stop, result, [&](const portnames::PortInfo& info) {
        std::string name;
        if (engine.ReadName(name) != eng::kOk)
            name.clear();
        result.entries.push_back(ModuleEntryText(info.number, name));
        result.ports.push_back(info);
    });
    return result;
}

std::vector<ModuleSerial> ReadSerials(CCmdEngine& engine, CUSBSerialPort& port,
                                      const PortLister& lister, const std::function<bool()>& stop) {
    std::vector<ModuleSerial> found;
    if (engine.IsConnected())
        return found;
    Result ignored;
    ProbeCandidates(engine, port, lister, stop, ignored, [&](const portnames::PortInfo& info) {
        CCmdChannel& channel = engine.Channel();
        uint8_t protocol = 0;
        uint8_t identity[5] = {};
        std::string serial;
        if (channel.CheckProtocol(protocol) == chan::kOk &&
            channel.ReadIdentity(identity) == chan::kOk && (identity[4] & 0x7F) == kRunningFerrin &&
            channel.ReadSerial(serial) != chan::kOk)
            serial.clear();
        found.push_back({info.number, (identity[4] & 0x7F) == kRunningFerrin ? serial : ""});
    });
    return found;
}

std::wstring StatusText(const Result& result) {
    const size_t n = result.entries.size();
    if (n >= 1)
        return L"Found " + std::to_wstring(n) + L" module" + (n > 1 ? L"s." : L".");
    if (!result.errorText.empty())
        return result.errorText;
    std::wstring text = L"No appropriate devices were found!";
    if (!result.unopened.empty()) {
        text += L" " + result.unopened.front();
        if (result.unopened.size() > 1)
            text += L" (" + std::to_wstring(result.unopened.size() - 1) + L" more port" +
                    (result.unopened.size() > 2 ? L"s" : L"") + L" could not be opened.)";
    }
    return text;
}

} // namespace discovery
