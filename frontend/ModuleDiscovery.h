#pragma once

#include "link/PortNames.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class CCmdEngine;
class CUSBSerialPort;

// Finding the attached modules: every serial port whose device description
// names the module interconnect is opened, probed and asked for the module's
// name. No widgets: the main dialog shows the result, and a command-line tool
// could print it.
namespace discovery {

// The combo entry of a module: "COM<n> (<name>)", or "COM<n>" when the name
// is empty. The name is 8-bit module text, shown one byte per character.
std::wstring ModuleEntryText(uint16_t portNumber, const std::string& name);
// The port number an entry starts with ("COM<n>", anything may follow);
// none when the entry does not start that way or names port 0.
std::optional<uint16_t> PortNumberOfEntry(const std::wstring& entry);

struct Result {
    // False when nothing was done because a module is connected.
    bool performed = false;
    std::vector<std::wstring> entries;
    // The port of each entry, in the same order (its node, USB location...).
    std::vector<portnames::PortInfo> ports;
    // Why no list could be had ("Error '<n>' getting list of ports!\n"); empty otherwise.
    std::wstring errorText;
    // Why each candidate port that could not be opened was not (a user
    // without access to the modules' ports must not hear "no devices").
    std::vector<std::wstring> unopened;
};

// The ports to look at, with the system error number of a list that could
// not be read (0 otherwise). Tests replace it.
using PortLister = std::function<std::vector<portnames::PortInfo>(int* listError)>;

// Runs one discovery. Refuses while the engine is connected. The probes use
// the normal time-outs whatever the port's choice is; the choice is back in
// force afterwards. The port is closed at the end. Once stop() holds (an
// interrupt) no further port is probed.
Result DiscoverModules(CCmdEngine& engine, CUSBSerialPort& port,
                       const PortLister& lister = portnames::EnumeratePorts,
                       const std::function<bool()>& stop = {});

// A module that answered and the serial it reports; a module in SafeBoot
// reports none (empty), nor does one whose serial read went unanswered.
struct ModuleSerial {
    uint16_t port = 0;
    std::string serial;
};
// Every module candidate that answers, with its serial: a connect's first
// reads (protocol, identity, serial) on each port, probed as DiscoverModules
// probes. Nothing else is read or written.
std::vector<ModuleSerial> ReadSerials(CCmdEngine& engine, CUSBSerialPort& port,
                                      const PortLister& lister = portnames::EnumeratePorts,
                                      const std::function<bool()>& stop = {});

// The status line after a discovery: "Found N module." / "Found N modules.",
// else the error text, else "No appropriate devices were found!" followed by
// why the first candidate port could not be opened, if one could not.
std::wstring StatusText(const Result& result);

inline constexpr const wchar_t* kLookingText = L"Looking for modules...";
inline constexpr const wchar_t* kConnectedText = L"Cannot discover while currently connected!";

} // namespace discovery
