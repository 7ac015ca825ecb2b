#include "setups/SetupPageRules.h"

#include "engine/CCmdEngine.h"

SetupBlocker FirstSetupBlocker(const CCmdEngine& engine, ModuleTypeId pageType, bool releaseMatches,
                               bool moduleEntryValid, bool withoutModule) {
    const ModuleRecord& module = engine.Module();
    if (engine.IsUpdateInProgress())
        return SetupBlocker::UpdateInProgress;
    if (module.runningImage == kRunningSafeBoot)
        return SetupBlocker::SafeBoot;
    if (!releaseMatches && !withoutModule)
        return SetupBlocker::ReleaseMismatch;
    if (module.moduleType != pageType || !HasSetupBlock(pageType))
        return SetupBlocker::WrongType;
    if (module.identityFlag == 0 && !moduleEntryValid && !withoutModule)
        return SetupBlocker::EntryUnverified;
    return SetupBlocker::None;
}

bool SetupControlsEnabled(const CCmdEngine& engine, ModuleTypeId pageType, bool releaseMatches,
                          bool moduleEntryValid, bool withoutModule) {
    return FirstSetupBlocker(engine, pageType, releaseMatches, moduleEntryValid, withoutModule) ==
           SetupBlocker::None;
}

const wchar_t* SetupBlockerText(SetupBlocker blocker, bool moduleOlder) {
    switch (blocker) {
    case SetupBlocker::UpdateInProgress:
        return kSetupUpdateInProgressText;
    case SetupBlocker::SafeBoot:
        return kSetupSafeBootText;
    case SetupBlocker::ReleaseMismatch:
        return moduleOlder ? kSetupOlderReleaseText : kSetupReleaseMismatchText;
    case SetupBlocker::WrongType:
        return kSetupWrongTypeText;
    case SetupBlocker::EntryUnverified:
        return kSetupEntryUnverifiedText;
    case SetupBlocker::None:
        break;
    }
    return L"";
}
