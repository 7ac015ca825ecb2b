#pragma once

#include <cstdint>
#include <string>

// Results of the command channel (one level) and of the engine (the level the
// pages see). Failures are negative; 0 is success.
namespace chan {
constexpr int32_t kOk = 0;
constexpr int32_t kUnknownStatus = -1;
constexpr int32_t kRejected = -2;
constexpr int32_t kTimeout = -4;
constexpr int32_t kBadLength = -5;
constexpr int32_t kBadResponseCode = -6;
// The module announced a chunk size a data frame cannot carry: 0, or so large
// that the frame's 16-bit length field would wrap.
constexpr int32_t kBadChunkSize = -7;
constexpr int32_t kCountEchoMismatch = -8;
constexpr int32_t kOutOfMemory = -9;
constexpr int32_t kStreamFailed = -10;
constexpr int32_t kStreamShort = -11;
constexpr int32_t kCopyInvalid = -12;
constexpr int32_t kCopyOutOfRange = -13;
constexpr int32_t kUploadTooLong = -14;
constexpr int32_t kAborted = -15;
constexpr int32_t kBadInterface = -16;
constexpr int32_t kStatusFC = -17;
constexpr int32_t kStatusFB = -18;
constexpr int32_t kStatusFA = -19;
constexpr int32_t kStatusF9 = -20;
constexpr int32_t kStatusF8 = -21;
} // namespace chan

namespace eng {
constexpr int32_t kOk = 0;
constexpr int32_t kNotConnected = -7;
constexpr int32_t kTimeout = -10;
constexpr int32_t kUnknown = -11;
constexpr int32_t kFileAccess = -12;
constexpr int32_t kLinkError = -13;
constexpr int32_t kOutOfMemory = -14;
constexpr int32_t kAborted = -17;
constexpr int32_t kBadInterface = -18;
constexpr int32_t kJtagStatusFA = -19;
constexpr int32_t kPokeFileParse = -20;
constexpr int32_t kNotRunningFerrin = -22;
// A connect found another module than the one expected (a connect result,
// and the end of a release update whose module did not come back).
constexpr int32_t kWrongModule = -23;
constexpr int32_t kRebootUnknown = -24;
constexpr int32_t kJtagTdoMismatch = -25;
constexpr int32_t kBadJtagInstruction = -26;
// The SafeBoot and Ferrin start commands carry a 16-bit size; a larger image
// would be cut and flashed truncated, so it is refused before anything is sent.
constexpr int32_t kImageTooLarge = -27;
} // namespace eng

// Results of CCmdEngine::Connect (besides the engine codes of a failed read).
namespace conn {
constexpr int32_t kOk = 0;
constexpr int32_t kUnknownDevice = -1;
constexpr int32_t kProtocolMismatch = -2;
constexpr int32_t kBadTypeRead = -3;
constexpr int32_t kNoModuleType = -4;
constexpr int32_t kBadModuleType = -5;
constexpr int32_t kNoModuleInformation = -6;
constexpr int32_t kNotConnected = -7;
constexpr int32_t kBadFpgaVersion = -8;
constexpr int32_t kBadConfigData = -9;
constexpr int32_t kTypeSupportNotInstalled = -21;
constexpr int32_t kWrongModule = -23;
// A module of a supported type whose release has no type file here: its
// identity is known, its setup cannot be read.
constexpr int32_t kNoTypeFile = -24;
} // namespace conn

// How each engine operation turns a channel code into an engine code.
enum class Column { Standard, Download, FpgaDownload, PeekPoke, Reboot };

int32_t TranslateChannelCode(int32_t channelCode, Column column);

// The texts the update and lookup table pages show for engine codes; empty
// when a code has no text of its own.
std::wstring EngineCodeText(int32_t engineCode);

// Connection results of CCmdEngine::Connect and their texts.
std::wstring ConnectResultText(int32_t result);
