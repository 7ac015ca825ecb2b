#pragma once

#include "simulator/ModuleScript.h"
#include "simulator/ModuleState.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <vector>

// The module's firmware: takes one complete request frame and decides what the
// module does and sends back. No I/O here; the port side plays the plan out.
namespace sim {

struct PlanStep {
    enum class Kind { Pause, Bytes, Disconnect, Reboot };
    Kind kind = Kind::Bytes;
    std::vector<uint8_t> bytes;
    std::chrono::milliseconds duration{0};                // Pause
    std::optional<std::chrono::milliseconds> returnAfter; // Disconnect; Reboot uses it too
};
using Plan = std::vector<PlanStep>;

// Response frame from the module's side: code, length (header included), status, payload.
std::vector<uint8_t> ResponseFrame(uint8_t code, uint8_t status,
                                   const std::vector<uint8_t>& payload = {});

// Longest request frame accepted for a command code; 0 for a byte that cannot start
// a request. Longer length fields count as absurd and make the reader resynchronise.
uint32_t MaxRequestLength(uint8_t code);

// Version named by an image's first line "SAMPLE-IMAGE <major>.<minor>\n", if any.
std::optional<Version> SampleImageVersion(const std::vector<uint8_t>& image);

class ModuleModel {
public:
    // Handles one request frame (header included). `script` may be null.
    Plan Handle(const std::vector<uint8_t>& frame, const Reply* script, ModuleState& state,
                const Behaviour& behaviour);
    // The module starts again: staged images run, any transfer is dropped.
    void Boot(ModuleState& state);
    // Transfers seen so far (the open one last).
    std::vector<TransferRecord> Transfers() const;
    void ClearTransfers();

private:
    enum class Target { None, SafeBoot, Ferrin, Fpga, Table, BlockWrite, BlockRead };
    struct Active {
        Target target = Target::None;
        size_t fpga = 0;  // index into state.fpgas
        size_t table = 0; // index into that FPGA's tables
        BlockKey block{};
        uint16_t chunkLimit = 0;
        uint32_t position = 0; // bytes uploaded so far
        TransferRecord record;
    };
    struct Outcome {
        uint8_t code = 0;
        uint8_t status = 0;
        std::vector<uint8_t> payload;
        uint32_t pending = 0;
        bool reboot = false;
    };
    struct Request {
        uint8_t code;
        const std::vector<uint8_t>& payload;
        const Reply* script;
        ModuleState& state;
        const Behaviour& behaviour;
        bool execute;
    };
    using Handler = Outcome (ModuleModel::*)(Request&);
    struct Command {
        uint8_t code;
        int requestLength; // whole frame; -1 when it depends on the payload
        bool inSafeBoot;   // the boot loader knows it
        Handler handler;
    };
    static const Command* FindCommand(uint8_t code);
    static const Command kCommands[];

    static Outcome Done(const Request& r, std::vector<uint8_t> payload = {});
    static Outcome Reject();
    static Outcome Failed(const Request& r, uint8_t status);

    void EndTransfer(TransferRecord::End how);
    Outcome StartTransfer(Request& r, Target target, uint32_t size, uint16_t chunk,
                          uint32_t pending);
    uint16_t ChunkFor(const Request& r, uint16_t normal) const;

    Outcome CheckProtocol(Request& r);
    Outcome ReadIdentity(Request& r);
    Outcome SendModuleLayout(Request& r);
    Outcome ReadModuleType(Request& r);
    Outcome ReadFpgaRevision(Request& r);
    Outcome StartSafeBoot(Request& r);
    Outcome StartFerrin(Request& r);
    Outcome StartFpga(Request& r);
    Outcome DataChunk(Request& r);
    Outcome UploadChunk(Request& r);
    Outcome Finish(Request& r);
    Outcome WriteConfigBlock(Request& r);
    Outcome ReadConfigBlock(Request& r);
    Outcome Abort(Request& r);
    Outcome RestoreBlockDefaults(Request& r);
    Outcome ReadRelease(Request& r);
    Outcome WriteRelease(Request& r);
    Outcome ReadText(Request& r, std::string ModuleState::*field, size_t width);
    Outcome WriteText(Request& r, std::string ModuleState::*field);
    Outcome ReadName(Request& r);
    Outcome WriteName(Request& r);
    Outcome ReadAssembly(Request& r);
    Outcome WriteAssembly(Request& r);
    Outcome ReadSerial(Request& r);
    Outcome WriteSerial(Request& r);
    Outcome Poke(Request& r);
    Outcome Peek(Request& r);
    Outcome WriteModuleType(Request& r);
    Outcome Reboot(Request& r);
    Outcome StartLookupTable(Request& r);
    Outcome ReadLookupTableVersion(Request& r);

    std::optional<Active> active_;
    std::vector<TransferRecord> done_;
};

} // namespace sim
