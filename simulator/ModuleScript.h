#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// What a test scripts for a simulated module (replies) and reads back from it
// (requests and transfers).
namespace sim {

// One request frame as received (complete frame bytes, header included).
struct LoggedRequest {
    std::vector<uint8_t> bytes;
    std::chrono::steady_clock::time_point received; // when its first byte arrived
    uint8_t Code() const { return bytes.empty() ? 0 : bytes[0]; }
};

// One bulk transfer as the module saw it.
struct TransferRecord {
    enum class End { Open, Finished, Failed, Aborted, Replaced };
    uint8_t startCode = 0;             // 0x85, 0x86, 0x87, 0xA1, 0x8B or 0x8C
    std::vector<uint8_t> startPayload; // payload of the start request
    uint32_t size = 0;                 // bytes announced by the start request
    uint16_t chunkSize = 0;            // chunk size the module announced
    std::vector<uint8_t> data;         // bytes received (downloads) or sent (uploads)
    uint32_t chunks = 0;               // 0x88 or 0x89 frames accepted
    End end = End::Open;
};

// A scripted answer to one request (or to every request of a code). Unset fields
// keep the module's normal answer; several fields combine (for example pending
// frames followed by a cut answer).
struct Reply {
    // Requests of this code answered normally before this reply applies (one-shot
    // replies only): skip = 2 on 0x88 hits the third chunk.
    uint32_t skip = 0;

    // Send exactly these bytes instead of anything else (pending frames included).
    std::optional<std::vector<uint8_t>> raw;
    // Send nothing at all.
    bool silent = false;

    // Pending frames (status 0x02) sent before the final frame, each preceded by
    // pendingInterval; with payload and, when set, a length field of this value
    // (default 4 + payload size; 0 is allowed).
    uint32_t pendingFrames = 0;
    std::vector<uint8_t> pendingPayload;
    std::optional<uint16_t> pendingLength;
    std::chrono::milliseconds pendingInterval{0};

    // Pause before the first byte of the answer.
    std::chrono::milliseconds delay{0};

    // Changes to the final frame.
    std::optional<uint8_t> responseCode;         // e.g. a wrong code, or 0xFF
    std::optional<uint8_t> status;               // e.g. 0xF9
    std::optional<uint16_t> lengthField;         // length field written
    std::optional<std::vector<uint8_t>> payload; // payload instead of the normal one
    std::optional<size_t> cutAfter;              // send only the first k bytes
    std::vector<uint8_t> trailing;               // garbage after the final frame

    // Command-specific changes.
    std::optional<uint8_t> peekEcho;     // 0x9E: count echo (the n data bytes still follow)
    std::optional<uint16_t> chunkSize;   // start commands 0x85..0x87, 0xA1, 0x8B, 0x8C
    std::optional<uint16_t> uploadCount; // 0x89: count offered; that many bytes follow

    // Whether the command acts on the module. Default: it does, unless the answer
    // rejects it (response code 0xFF, or a status other than 0x00/0x02), in which
    // case a running transfer also ends.
    std::optional<bool> execute;

    // Take the port away (the module is "unplugged") before or after answering;
    // it comes back after returnAfter, or stays away until Plug().
    enum class Disconnect { No, InsteadOfAnswer, AfterAnswer };
    Disconnect disconnect = Disconnect::No;
    std::optional<std::chrono::milliseconds> returnAfter;

    // Shorthands.
    static Reply Silence();
    static Reply Raw(std::vector<uint8_t> bytes);
    static Reply Garbage(size_t count, uint8_t seed = 0x5A);
    static Reply Reject();               // 0xFF as response code, status 0xFF
    static Reply Status(uint8_t status); // the normal answer with this status
    static Reply WrongCode(uint8_t code);
    static Reply Cut(size_t bytes);
    static Reply Pending(uint32_t frames, std::vector<uint8_t> payload = {},
                         std::optional<uint16_t> lengthField = std::nullopt);
    static Reply ChunkSize(uint16_t size);
    static Reply UploadCount(uint16_t count);
    static Reply PeekEcho(uint8_t count);
    static Reply Unplug(Disconnect when = Disconnect::InsteadOfAnswer,
                        std::optional<std::chrono::milliseconds> back = std::nullopt);
    // Applies to the request after `count` requests of the code answered normally.
    Reply& After(uint32_t count) {
        skip = count;
        return *this;
    }
};

} // namespace sim
