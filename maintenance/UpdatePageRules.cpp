#include "maintenance/UpdatePageRules.h"

#include <iterator>

namespace {

using State = UpdatePageState;

struct Rule {
    UpdateControl control;
    bool (*allowed)(const State&);
};

// Writes to the module wait while a download owns the port; the engineering
// groups belong to options m and d.
constexpr Rule kRules[] = {
    {UpdateControl::HardwareGroup, [](const State& s) { return s.optionM; }},
    {UpdateControl::ModuleTypeGroup, [](const State& s) { return s.optionM; }},
    {UpdateControl::VersionsGroup, [](const State& s) { return s.optionM && !s.optionD; }},
    {UpdateControl::FirmwareUpdateGroup, [](const State& s) { return s.optionD; }},
    {UpdateControl::VersionGroup, [](const State& s) { return s.optionD; }},
    {UpdateControl::DownloadGroup, [](const State& s) { return s.optionD; }},
    // A SafeBoot download cannot be aborted.
    {UpdateControl::ManualAbortShown,
     [](const State& s) { return s.optionD && !s.safeBootChosen; }},
    {UpdateControl::NameEdit, [](const State& s) { return s.ferrin; }},
    {UpdateControl::NameEnter, [](const State& s) { return s.ferrin && !s.inProgress; }},
    {UpdateControl::SerialEdit, [](const State& s) { return s.ferrin; }},
    {UpdateControl::SerialEnter, [](const State& s) { return s.ferrin && !s.inProgress; }},
    {UpdateControl::AssemblyEnter, [](const State& s) { return !s.inProgress; }},
    {UpdateControl::SetModuleType, [](const State& s) { return !s.inProgress; }},
    {UpdateControl::FirmwareCombo, [](const State& s) { return !s.inProgress; }},
    {UpdateControl::FileCombo, [](const State& s) { return s.ferrin && !s.inProgress; }},
    {UpdateControl::Browse, [](const State& s) { return s.ferrin && !s.inProgress; }},
    {UpdateControl::ManualUpdate,
     [](const State& s) { return s.ferrin && !s.inProgress && !s.busy; }},
    {UpdateControl::ManualAbort, [](const State& s) { return s.busy; }},
    {UpdateControl::ReleaseUpdate, [](const State& s) { return !s.inProgress; }},
    {UpdateControl::KeepSetup, [](const State& s) { return !s.inProgress; }},
};

} // namespace

bool UpdateControlAllowed(UpdateControl control, const UpdatePageState& state) {
    for (const Rule& rule : kRules)
        if (rule.control == control)
            return rule.allowed(state);
    return false;
}
