#pragma once

#include "frontend/ReleaseSelection.h"
#include "maintenance/KeptSetup.h"
#include "maintenance/UpdateCodes.h"
#include "maintenance/UpdateWorkerIF.h"

#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class CCmdEngine;
struct ModuleRecord;

// The number of components a release update will download, or an error code
// with its final message.
struct ComponentCount {
    upd::Code code = upd::kOk;
    int32_t count = 0;
    std::wstring finalMessage;
};

// Counts the components to update for the connected module: kNotConnected,
// kNoReleaseSelected without a release, kNoFpgaDefinition/kNoTableDefinition when the release names
// an FPGA or lookup table that the description lacks.
ComponentCount CountComponents(const CCmdEngine& engine, const AssemblyRecord* release,
                               const ModuleDescription& desired, bool force);

// The release update worker: Ferrin with reboot and reconnect, configuration,
// then every FPGA that needs it with its lookup tables. Runs on the worker
// thread and ends with UpdateWorkerIF::Finish.
class ReleaseUpdate {
public:
    ReleaseUpdate(UpdateWorkerIF& run, const ReleaseTarget& target, bool force);
    void Run();

private:
    bool UpdateFerrin();
    bool Configure();
    bool UpdateFpgas();
    // Every FPGA and table downloaded reports the release's version.
    bool CheckDownloaded();
    // Opens the file, posts the progress and result lines around the
    // download; returns the filtered code.
    upd::Code DownloadFile(const std::wstring& file,
                           const std::function<eng::Code(std::istream&, uint32_t)>& download);
    void Fail(upd::Code result, std::wstring message = {});
    // At the end of the run, failed or not: puts the kept setup back when a
    // download erased it, and notes what became of it.
    void SettleSetup();
    void PutSetupBack();

    UpdateWorkerIF& m_run;
    CCmdEngine& m_engine;
    const ReleaseTarget& m_target;
    const bool m_force;
    int32_t m_next = 1;  // number of the next component
    int32_t m_total = 0; // components counted
    bool m_ferrinDone = false;
    bool m_fpgaUpdated = false;
    bool m_tableUpdated = false;
    // A SafeBoot, Ferrin or FPGA download was started: the setup is erased.
    bool m_erased = false;
    KeptSetup m_kept;
    // (FPGA id, table id or none for the FPGA image) in download order.
    std::vector<std::pair<uint8_t, std::optional<uint8_t>>> m_downloaded;
};

// The texts of the release update that tests and front ends compare with.
std::wstring FpgaDefinitionMissingText(uint8_t fpgaId);
std::wstring TableDefinitionMissingText(uint8_t tableId);
