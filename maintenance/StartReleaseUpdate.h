#pragma once

#include "descriptions/ModuleDescription.h"
#include "descriptions/ReleaseTable.h"

class UpdateRun;

// The "Update" button of the "Release Update" group after the controls were
// read: the checks, the questions and the confirmation, then the run. False
// when the update was refused or declined (the reason is on the status line or
// was shown in a box). `installed` is the release the page shows as installed.
bool StartReleaseUpdate(UpdateRun& run, const AssemblyRecord* release,
                        const ModuleDescription& desired, VersionNumber installed);
