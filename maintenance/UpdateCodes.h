#pragma once

#include "descriptions/VersionNumber.h"
#include "engine/EngineCodes.h"

#include <cstdint>
#include <string>

// Components of an update (item data of the "Firmware" combo); FPGA ids are 0 and up.
constexpr int32_t kComponentFerrin = -1001;
constexpr int32_t kComponentSafeBoot = -1000;

// Run states.
constexpr int32_t kRunIdle = 0;
constexpr int32_t kRunManual = 1;
constexpr int32_t kRunRelease = 2;

// What an update run ends with: one of the engine's codes that the closing
// report knows (the engine's number, taken from it) or one of the run's own.
namespace upd {
enum class Code : int32_t {
    kOk = Number(eng::kOk),
    kNotConnected = Number(eng::kNotConnected),
    kTimeout = Number(eng::kTimeout),
    kUnknown = Number(eng::kUnknown),
    kFileAccess = Number(eng::kFileAccess),
    kLinkError = Number(eng::kLinkError),
    kOutOfMemory = Number(eng::kOutOfMemory),
    kAborted = Number(eng::kAborted),
    kJtagStatusFA = Number(eng::kJtagStatusFA),
    kNotRunningFerrin = Number(eng::kNotRunningFerrin),
    // The reconnect found another module.
    kWrongModule = Number(eng::kWrongModule),
    kJtagTdoMismatch = Number(eng::kJtagTdoMismatch),
    kBadJtagInstruction = Number(eng::kBadJtagInstruction),
    kImageTooLarge = Number(eng::kImageTooLarge),
    kNoReleaseSelected = -40,
    kNoFpgaDefinition = -42,
    kNoTableDefinition = -43,
    // A manual SafeBoot or Ferrin download without a release for the module type.
    kNoReleaseAvailable = -44,
    // The module keeps reporting another Ferrin version after every download.
    kFerrinNotAccepted = -45,
    // A downloaded FPGA image or table reports another version than the release's.
    kComponentMismatch = -46,
    // The module was to be rebooted by hand and did not go away and come back.
    kNotRebooted = -47,
    // The module to be rebooted by hand went away and did not come back in time.
    kNotBack = -48,
};
using enum Code;
} // namespace upd

// An engine code as a run's result: the codes the closing report knows keep
// their number, any other becomes kUnknown.
upd::Code FilterResult(eng::Code engineCode);
// The engine code a run's result came from; kUnknown for the run's own codes.
eng::Code EngineCodeOf(upd::Code result);
// Bar position 0..100 and the "%2.1f%%" text of a progress fraction.
int ProgressPosition(float fraction);
std::wstring ProgressPercentText(float fraction);
// The release run's status while it waits for a rebooted module:
// "Reconnecting (attempt 3 of 10)...".
std::wstring ReconnectingText(int32_t attempt, int32_t attempts);
// "%d.%d", or "Unknown" for no version.
std::wstring ReleaseText(const VersionNumber& release);
// What a manual download writes: "SafeBoot", "Ferrin" or "FPGA <id>".
std::wstring ComponentText(int32_t component);
