#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

// What a simulated module is and holds: its identity, its firmware versions, the
// hardware of its FPGAs, its parameter blocks and registers. Everything here is
// seen from the module's side of the wire.
namespace sim {

// The description a port carries; discovery looks for it.
inline constexpr const char* kInterconnectDescription = "Varnet USB Modules Interconnect";

struct Version {
    uint8_t major = 0;
    uint8_t minor = 0;
    bool operator==(const Version&) const = default;
};

// The image the module runs. The boot loader (SafeBoot) answers only 0x80, 0x81,
// the text reads 0x97, 0x99, 0x9B, the SafeBoot/Ferrin downloads (0x85, 0x86, 0x88,
// 0x8A, 0x91) and 0xA0; everything touching FPGAs, blocks, registers, the layout,
// the type or the identity writes is rejected with 0xFF until Ferrin runs.
enum class RunningImage : uint8_t { SafeBoot = 0, Ferrin = 1 };

// A lookup table held in an FPGA's memory.
struct SimLookupTable {
    uint8_t id = 0;
    uint8_t device = 0; // table device id (the 0xA1 "table device")
    uint32_t start = 0; // table start; the version is read back at start + 1 (0xA2)
    uint32_t length = 0;
    Version version;
};

// An FPGA as the board has it: where it sits, how its firmware is loaded, where its
// revision and lookup table register are.
struct SimFpga {
    uint8_t id = 0;
    uint8_t interface = 1; // 0 I2C, 1 SPI Control, 2 SPI Config, 3 JTAG
    uint8_t device = 0;
    uint8_t firmwareInterface = 2;
    uint8_t firmwareDevice = 0x66;
    uint32_t firmwareStart = 0x77;
    uint16_t revisionRegister = 0x55;
    uint32_t lookupTableRegister = 0x60;
    Version revision; // answered by 0x84
    std::vector<SimLookupTable> tables;
};

// A parameter block: its current bytes and the factory defaults 0x92 restores.
struct SimBlock {
    std::vector<uint8_t> data;
    std::vector<uint8_t> defaults;
};

// The layout the host sent with 0x82, as the module parsed it.
struct LayoutBlock {
    uint8_t id = 0;
    uint16_t start = 0;
    uint16_t length = 0;
    bool operator==(const LayoutBlock&) const = default;
};
struct LayoutFpga {
    uint8_t id = 0;
    uint8_t interface = 0;
    uint8_t device = 0;
    std::vector<LayoutBlock> blocks;
    bool operator==(const LayoutFpga&) const = default;
};
struct ModuleLayout {
    std::vector<uint8_t> raw; // the 0x82 payload exactly as received
    std::vector<LayoutFpga> fpgas;
};

// Key of a register: (interface, device, address).
using RegisterKey = std::tuple<uint8_t, uint8_t, uint32_t>;
// Key of a parameter block: (FPGA id, block id).
using BlockKey = std::pair<uint8_t, uint8_t>;

// Everything the module remembers; it survives reboots and port losses.
struct ModuleState {
    uint8_t protocolVersion = 1;
    Version safeBoot{1, 0};
    Version ferrin{1, 0};
    bool identityFlag = false;
    RunningImage running = RunningImage::Ferrin;
    // A reboot starts Ferrin when this is set, SafeBoot otherwise. A successful
    // Ferrin download sets it.
    bool ferrinValid = true;
    // Versions of SafeBoot/Ferrin images downloaded but not yet started: they become
    // the component versions at the next reboot.
    std::optional<Version> stagedSafeBoot;
    std::optional<Version> stagedFerrin;

    // Raw identity fields: exactly 8, 9 and 8 bytes (zero padded). SetText() pads or cuts.
    std::string name = std::string(8, '\0');
    std::string assembly = std::string(9, '\0');
    std::string serial = std::string(8, '\0');
    Version release;
    uint8_t moduleType = 0xFF; // 0xFF: none

    std::vector<SimFpga> fpgas;
    std::map<BlockKey, SimBlock> blocks;
    std::map<RegisterKey, uint8_t> registers; // unwritten registers read 0x00
    std::optional<ModuleLayout> layout;       // last layout received with 0x82
};

// Pads with zero bytes or cuts a text to a fixed-size identity field.
std::string FixedText(const std::string& text, size_t size);
// Eight 0xFF bytes: a serial of erased memory.
inline std::string BlankSerial() {
    return std::string(8, '\xFF');
}
// Text of a fixed field up to its first zero byte.
std::string TrimText(const std::string& field);

// How the module behaves; may be changed while it runs (SimulatedModule::Configure).
struct Behaviour {
    // Wire pacing at baudRate, 10 bit times per byte, in both directions.
    bool pacing = false;
    uint32_t baudRate = 38400;
    // Chunk size announced by the download starts 0x85, 0x86, 0x87, 0xA1.
    uint16_t chunkSize = 256;
    // Chunk size announced by the parameter block commands 0x8B and 0x8C.
    uint16_t blockChunkSize = 64;
    // Pending frames before a start command is answered ("flash erase").
    uint32_t eraseFrames = 0;
    // Pending frames before 0x8A of an image download is answered ("programming").
    uint32_t programFrames = 0;
    // Pause before each pending frame.
    std::chrono::milliseconds pendingInterval{0};
    // 0xA0 is rejected (0xFF) when false: the module cannot reboot itself.
    bool canReboot = true;
    // How long the port stays away during a reboot.
    std::chrono::milliseconds rebootDelay{300};
    // Requests are read and logged but never answered (a port without a module).
    bool mute = false;
    // A SafeBoot, Ferrin or FPGA download erases the configuration parameters
    // (every block back to zeros) as its flash is erased, as a module does.
    bool eraseSetupOnDownload = true;
    // A faulty module: block writes are acknowledged but not stored.
    bool dropBlockWrites = false;
    // A partly received request is dropped after this much silence.
    std::chrono::milliseconds interByteTimeout{500};
};

} // namespace sim
