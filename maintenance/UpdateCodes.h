#pragma once

#include "descriptions/VersionNumber.h"

#include <cstdint>
#include <string>

// Components of an update (item data of the "Firmware" combo); FPGA ids are 0 and up.
constexpr int32_t kComponentFerrin = -1001;
constexpr int32_t kComponentSafeBoot = -1000;

// Run states.
constexpr int32_t kRunIdle = 0;
constexpr int32_t kRunManual = 1;
constexpr int32_t kRunRelease = 2;

// Result codes of the update runs beside the engine's (engine/EngineCodes.h).
namespace upd {
constexpr int32_t kNoReleaseSelected = -40;
constexpr int32_t kNoFpgaDefinition = -42;
constexpr int32_t kNoTableDefinition = -43;
// A manual SafeBoot or Ferrin download without a release for the module type.
constexpr int32_t kNoReleaseAvailable = -44;
// The module keeps reporting another Ferrin version after every download.
constexpr int32_t kFerrinNotAccepted = -45;
// A downloaded FPGA image or table reports another version than the release's.
constexpr int32_t kComponentMismatch = -46;
// The module was to be rebooted by hand and did not go away and come back.
constexpr int32_t kNotRebooted = -47;
// The module to be rebooted by hand went away and did not come back in time.
constexpr int32_t kNotBack = -48;
} // namespace upd

// Engine codes the closing report knows pass; any other becomes -11.
int32_t FilterResult(int32_t engineCode);
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
