#pragma once

#include "maintenance/UpdateCodes.h"

#include <cstdint>
#include <optional>
#include <string>

// The Update tab's questions and outcomes that every front end shows as they
// are (a command-line tool also recognises the questions that force
// components). Their box caption is kAttentionCaption.
namespace updatetext {

// The manual download's confirmation: Ferrin, SafeBoot or an FPGA's firmware.
inline constexpr const wchar_t* kFerrinQuestion =
    L"Updating Ferrin erases the module configuration parameters.\nFPGA firmware may also need "
    L"to be updated.\nVersion number will update after rebooting module.\n\nAre you sure you "
    L"wish to do this?";
inline constexpr const wchar_t* kSafeBootQuestion =
    L"Updating SafeBoot erases Ferrin and the module configuration parameters.\nFPGA firmware "
    L"may also need to be updated.\nVersion number will update after rebooting module.\nNOTE: "
    L"This process cannot be aborted and must not be interrupted!.\n\nAre you sure you wish to "
    L"do this?";
inline constexpr const wchar_t* kFpgaQuestion =
    L"Updating the FPGA firmware erases the module configuration parameters.\nVersion number "
    L"will update after rebooting module.\n\nAre you sure you wish to do this?";
// The question for a component (kComponentFerrin, kComponentSafeBoot, an FPGA id).
const wchar_t* ManualUpdateQuestion(int32_t component);
// The status line when a confirmation was declined.
inline constexpr const wchar_t* kUpdateCancelled = L"Update was cancelled!";

// The release update's questions whose Yes forces every component.
inline constexpr const wchar_t* kDowngradeQuestionStart =
    L"Continuing with this update would actually downgrade the module";
std::wstring DowngradeQuestion(const std::wstring& installed, const std::wstring& selected);
inline constexpr const wchar_t* kForceAnywayQuestionStart =
    L"All components already updated to Release '";
std::wstring ForceAnywayQuestion(const std::wstring& selected);
// The status line when "force anyway" was declined: nothing failed.
inline constexpr const wchar_t* kNoUpdatesNeeded = L"No updates were needed.";

// The release update's confirmation dialog.
inline constexpr const wchar_t* kReleasePromptText =
    L"One or more components will be updated as needed.\nDo not disturb the selected module "
    L"until the update\nhas completed!";
inline constexpr const wchar_t* kReleasePromptForce = L"Force all components to be updated.";
inline constexpr const wchar_t* kReleasePromptQuestion = L"Proceed with the update?";

// The box that waits for the operator to reboot the module by hand; it ends
// with kManualRebootEnd.
std::wstring ManualRebootText();
inline constexpr const wchar_t* kManualRebootEnd = L"Press OK when this is done.";

// A downloaded FPGA image (no table id) or lookup table that reports another
// version than the release's: the run fails with this text.
std::wstring ComponentMismatchText(uint8_t fpgaId, std::optional<uint8_t> tableId,
                                   const std::wstring& expected, const std::wstring& reported);

// The module to be rebooted by hand did not go away and come back.
inline constexpr const wchar_t* kModuleNotRebooted =
    L"The module was not rebooted, so the update was stopped before Ferrin could be downloaded "
    L"again.";

// The module to be rebooted by hand went away and stayed away.
inline constexpr const wchar_t* kModuleDidNotComeBack =
    L"The module went away for its reboot and did not come back, so the update was stopped.";

// The caption of the box that closes a successful update.
inline constexpr const wchar_t* kUpdateSuccessfulCaption = L"Update Successful!";

} // namespace updatetext

// The text a failed run leaves on the main status line: the run's own message
// for the codes that carry one, else the engine's text of the code.
std::wstring FailureText(upd::Code result, const std::wstring& message);
