#pragma once

#include <cstdint>
#include <string>
#include <type_traits>

// Results of the command channel (one level), of the engine (the level the
// pages see) and of a connect. Each range is a type of its own, so a code of
// one range cannot be returned, compared or shown as one of another; the
// numbers are fixed (logged, shown, scripted against). Failures are
// negative; 0 is success.

// A code's number, as it is logged and shown.
template <class Code>
requires std::is_enum_v<Code>
constexpr int32_t Number(Code code) {
    return static_cast<int32_t>(code);
}

namespace chan {
enum class Code : int32_t {
    kOk = 0,
    kUnknownStatus = -1,
    kRejected = -2,
    kTimeout = -4,
    kBadLength = -5,
    kBadResponseCode = -6,
    // The module announced a chunk size a data frame cannot carry: 0, or so large
    // that the frame's 16-bit length field would wrap.
    kBadChunkSize = -7,
    kCountEchoMismatch = -8,
    kOutOfMemory = -9,
    kStreamFailed = -10,
    kStreamShort = -11,
    kCopyInvalid = -12,
    kCopyOutOfRange = -13,
    kUploadTooLong = -14,
    kAborted = -15,
    kBadInterface = -16,
    kStatusFC = -17,
    kStatusFB = -18,
    kStatusFA = -19,
    kStatusF9 = -20,
    kStatusF8 = -21,
};
using enum Code;
} // namespace chan

namespace eng {
enum class Code : int32_t {
    kOk = 0,
    // The module's identification could not be read again after its type was written.
    kNoModuleInformation = -6,
    kNotConnected = -7,
    kTimeout = -10,
    kUnknown = -11,
    kFileAccess = -12,
    kLinkError = -13,
    kOutOfMemory = -14,
    kAborted = -17,
    kBadInterface = -18,
    kJtagStatusFA = -19,
    kPokeFileParse = -20,
    kNotRunningFerrin = -22,
    // A connect found another module than the one expected (a connect result,
    // and the end of a release update whose module did not come back).
    kWrongModule = -23,
    kRebootUnknown = -24,
    kJtagTdoMismatch = -25,
    kBadJtagInstruction = -26,
    // The SafeBoot and Ferrin start commands carry a 16-bit size; a larger image
    // would be cut and flashed truncated, so it is refused before anything is sent.
    kImageTooLarge = -27,
};
using enum Code;
} // namespace eng

// Results of CCmdEngine::Connect.
namespace conn {
enum class Code : int32_t {
    kOk = 0,
    kUnknownDevice = -1,
    kProtocolMismatch = -2,
    kBadTypeRead = -3,
    kNoModuleType = -4,
    kBadModuleType = -5,
    kNoModuleInformation = -6,
    kNotConnected = -7,
    kBadFpgaVersion = -8,
    kBadConfigData = -9,
    // The module type's read failed: the engine's code for the failure.
    kTimeout = Number(eng::kTimeout),
    kUnknown = Number(eng::kUnknown),
    kLinkError = Number(eng::kLinkError),
    kOutOfMemory = Number(eng::kOutOfMemory),
    kTypeSupportNotInstalled = -21,
    kWrongModule = -23,
    // A module of a supported type whose release has no type file here: its
    // identity is known, its setup cannot be read.
    kNoTypeFile = -24,
};
using enum Code;
} // namespace conn

// How each engine operation turns a channel code into an engine code.
enum class Column { Standard, Download, FpgaDownload, PeekPoke, Reboot };

eng::Code TranslateChannelCode(chan::Code channelCode, Column column);

// The texts the update and lookup table pages show for engine codes; empty
// when a code has no text of its own.
std::wstring EngineCodeText(eng::Code engineCode);

// Connection results of CCmdEngine::Connect and their texts.
std::wstring ConnectResultText(conn::Code result);
