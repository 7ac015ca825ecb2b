#pragma once

#include "descriptions/ModuleTypeNames.h"

class CCmdEngine;

// When a Setup page's controls may be used (the condition E) and why not,
// for the Setup pages and for any other front end that changes a module's
// setup: both must refuse in the same cases and say the same.

// The reasons, in the order the page names them.
enum class SetupBlocker {
    None,
    UpdateInProgress,
    SafeBoot,
    ReleaseMismatch, // the update page's selected release is not the module's
    WrongType,       // the module is not of the page's type, or that type has no setup
    EntryUnverified, // no identity flag and the release table does not prove the release
};

inline constexpr const wchar_t* kSetupUpdateInProgressText =
    L"Update is in-process: controls are disabled!";
inline constexpr const wchar_t* kSetupSafeBootText =
    L"Module is running SafeBoot: controls are disabled!";
inline constexpr const wchar_t* kSetupReleaseMismatchText =
    L"Release Versions do not match: controls are disabled!";
inline constexpr const wchar_t* kSetupWrongTypeText =
    L"not proper form for module type: controls are disabled!";
// A module one release behind the selected one: what to do.
inline constexpr const wchar_t* kSetupOlderReleaseText =
    L"The module has an older release: run Update.";
// Without it a page greyed only because the release is not proved says nothing.
inline constexpr const wchar_t* kSetupEntryUnverifiedText =
    L"The module's firmware does not match its release: run Update.";

// The status line after "Factory Defaults" "Load" reset a connected module.
inline constexpr const wchar_t* kFactoryDefaultsLoadedText = L"Factory defaults loaded.";
// The results log's text when the block was not written (the page says nothing then).
inline constexpr const wchar_t* kFactoryDefaultsNotWrittenText =
    L"Factory defaults were not written to the module.";

// The first reason why the page of `pageType` is greyed out for the engine's
// module. releaseMatches and moduleEntryValid are the update page's answers
// for that module (CPageServicesIF::ReleaseMatches, ModuleEntryValid).
// withoutModule: option m and no module connected; the page then edits a
// setup of its type (forced by the type's flag) for a file, and there is
// no module release to match or prove.
SetupBlocker FirstSetupBlocker(const CCmdEngine& engine, ModuleTypeId pageType, bool releaseMatches,
                               bool moduleEntryValid, bool withoutModule = false);
// E: nothing blocks the page.
bool SetupControlsEnabled(const CCmdEngine& engine, ModuleTypeId pageType, bool releaseMatches,
                          bool moduleEntryValid, bool withoutModule = false);
// The status line that names a reason; empty for None. moduleOlder: the
// module's release is older than the selected one, so a mismatch says to
// run Update.
const wchar_t* SetupBlockerText(SetupBlocker blocker, bool moduleOlder = false);
