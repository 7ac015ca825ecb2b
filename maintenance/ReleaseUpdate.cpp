#include "maintenance/ReleaseUpdate.h"

#include "descriptions/InputFile.h"
#include "descriptions/XmlText.h"
#include "engine/CCmdEngine.h"
#include "engine/EngineCodes.h"
#include "maintenance/UpdateTexts.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <optional>
#include <vector>

namespace {

std::vector<uint8_t> FpgaIds(const AssemblyRecord& release) {
    std::vector<uint8_t> ids;
    release.ListFpgaIds(ids);
    return ids;
}

// The tables the release names for an FPGA, ascending. These are the tables
// a release update downloads; the description must define each of them.
std::vector<uint8_t> TableIds(const AssemblyRecord& release, uint8_t fpgaId) {
    std::vector<uint8_t> ids;
    if (const auto it = release.fpgas.find(fpgaId); it != release.fpgas.end())
        for (const auto& [tableId, table] : it->second.lookupTables)
            ids.push_back(tableId);
    return ids;
}

// kNoFpgaDefinition/kNoTableDefinition when the description lacks an FPGA or table that the release
// names.
ComponentCount CheckDefinitions(const AssemblyRecord& release,
                                const ModuleDescription& description) {
    for (const uint8_t fpgaId : FpgaIds(release)) {
        const FpgaDescription* fpga = description.FindFpga(fpgaId);
        if (!fpga)
            return {upd::kNoFpgaDefinition, 0, FpgaDefinitionMissingText(fpgaId)};
        for (const uint8_t tableId : TableIds(release, fpgaId))
            if (!fpga->FindLookupTable(tableId))
                return {upd::kNoTableDefinition, 0, TableDefinitionMissingText(tableId)};
    }
    return {};
}

std::wstring SelectedText(const AssemblyRecord& release) {
    return ReleaseText(release.release);
}

} // namespace

std::wstring FpgaDefinitionMissingText(uint8_t fpgaId) {
    return L"The definition for FPGA id '" + std::to_wstring(fpgaId) +
           L"' does not exist; the update cannot continue!\nContact Varnet support for "
           L"assistance.";
}

std::wstring TableDefinitionMissingText(uint8_t tableId) {
    return L"The definition for LUT id '" + std::to_wstring(tableId) +
           L"' does not exist; the update cannot continue!\nContact Varnet support for "
           L"assistance.";
}

ComponentCount CountComponents(const CCmdEngine& engine, const AssemblyRecord* release,
                               const ModuleDescription& desired, bool force) {
    if (!engine.IsConnected())
        return {upd::kNotConnected, 0, {}};
    if (!release)
        return {upd::kNoReleaseSelected, 0, L"A Release Version must be selected!"};
    if (ComponentCount failed = CheckDefinitions(*release, desired); failed.code != upd::kOk)
        return failed;

    const ModuleRecord& module = engine.Module();
    const std::vector<uint8_t> ids = FpgaIds(*release);
    auto whole = [&](uint8_t fpgaId) {
        return 1 + static_cast<int32_t>(TableIds(*release, fpgaId).size());
    };
    // The count is of downloads: the status texts "Component n of m" end on
    // "m of m" (a module in SafeBoot gets no extra step that never comes).
    const bool safeBoot = module.runningImage == kRunningSafeBoot;
    int32_t count = 0;

    // A module in SafeBoot has no working application whatever Ferrin version
    // it reports: Ferrin goes as if forced.
    if (!(module.ferrin.version == release->ferrin.version) || force || safeBoot) {
        count += 1;
        for (const uint8_t id : ids)
            count += whole(id);
        return {upd::kOk, count, {}};
    }
    if (module.moduleType != desired.moduleType || IsNewer(module.release, release->release)) {
        for (const uint8_t id : ids)
            count += whole(id);
        return {upd::kOk, count, {}};
    }
    for (const uint8_t id : ids) {
        const FpgaDescription* fpga = module.FindFpga(id);
        if (!fpga || !(fpga->firmware.version == release->FpgaVersion(id))) {
            count += whole(id);
            continue;
        }
        for (const uint8_t tableId : TableIds(*release, id)) {
            const LookupTableDescription* table = fpga->FindLookupTable(tableId);
            if (!table || !(table->version == release->TableVersion(id, tableId)))
                ++count;
        }
    }
    return {upd::kOk, count, {}};
}

ReleaseUpdate::ReleaseUpdate(UpdateWorkerIF& run, const ReleaseTarget& target, bool force)
    : m_run(run), m_engine(run.Engine()), m_target(target), m_force(force) {}

void ReleaseUpdate::Fail(upd::Code result, std::wstring message) {
    SettleSetup();
    m_run.Finish(result, std::move(message));
}

void ReleaseUpdate::SettleSetup() {
    if (m_erased)
        PutSetupBack();
    else
        m_kept.NotErased();
    if (!m_kept.Note().empty())
        m_run.NoteSetup(m_kept.Note());
}

void ReleaseUpdate::PutSetupBack() {
    if (m_kept.Taken()) {
        // The page's block object is the GUI thread's: the write-back runs there.
        if (!m_run.OnGuiThread([this] { m_kept.Restore(m_engine); }))
            m_kept.NotRestored(L"the update was stopped before it could be written back.");
        return;
    }
    if (m_kept.Current() != KeptSetup::State::NotAsked)
        return;
    // Without keeping, a block the configure step did not write because it
    // was not read from this module is as the downloads left it.
    if (m_engine.LastConfigureWrites().skipped > 0)
        m_run.NoteSetup(L"The module's setup is as the update left it: it had not been read from "
                        L"this module, so it was not written back.");
}

void ReleaseUpdate::Run() {
    if (!m_engine.IsConnected())
        return Fail(upd::kNotConnected);
    const ComponentCount count =
        CountComponents(m_engine, &m_target.release, m_target.desired, m_force);
    if (count.code != upd::kOk)
        return Fail(count.code, count.finalMessage);
    m_total = count.count;

    m_kept.Take(m_engine, m_target.desired, m_target.keepSetup);
    if (!UpdateFerrin() || !Configure() || !UpdateFpgas() || !CheckDownloaded())
        return;
    SettleSetup();
    const std::wstring release = SelectedText(m_target.release);
    if (!m_ferrinDone && !m_fpgaUpdated && !m_tableUpdated)
        return m_run.Finish(upd::kOk,
                            L"All components already updated to Release '" + release + L"'.");
    m_run.Finish(upd::kOk, L"Update to Release '" + release + L"' completed successfully.");
}

upd::Code
ReleaseUpdate::DownloadFile(const std::wstring& file,
                            const std::function<eng::Code(std::istream&, uint32_t)>& download) {
    const std::wstring component = std::to_wstring(m_next) + L" of " + std::to_wstring(m_total);
    std::ifstream stream;
    uint32_t size = 0;
    // A file that went away or was emptied since the start checks is not sent.
    const bool opened = inputfile::OpenImage(stream, WideToUtf8(file), size) == 0;
    m_run.Post(L"Updating component " + component + L" ...");
    m_engine.NameNextImage(file);
    const eng::Code result =
        !opened ? eng::kFileAccess : m_run.Download([&] { return download(stream, size); });
    stream.close();
    if (result == eng::kOk)
        m_run.Post(L"Component " + component + L" updated successfully.");
    else
        m_run.PostFailure(L"Component " + component + L" updated unsuccessfully!");
    return FilterResult(result);
}

bool ReleaseUpdate::UpdateFerrin() {
    const ModuleRecord& module = m_engine.Module();
    const VersionNumber wanted = m_target.release.ferrin.version;
    int32_t tries = 0;
    // A module still in SafeBoot after a reboot did not start the image it was given.
    while (!(module.ferrin.version == wanted) || module.runningImage == kRunningSafeBoot ||
           (m_force && !m_ferrinDone)) {
        // A module that never takes the image would otherwise be updated for ever.
        if (tries == m_run.Timing().ferrinTries) {
            const std::wstring state =
                module.runningImage == kRunningSafeBoot
                    ? L"The module still runs SafeBoot"
                    : L"Ferrin is still at version " + ReleaseText(module.ferrin.version);
            std::wstring text = state + L" after " + std::to_wstring(tries) +
                                L" downloads of version " + ReleaseText(wanted) +
                                L"; the update was stopped.";
            Fail(upd::kFerrinNotAccepted, std::move(text));
            return false;
        }
        // The same Ferrin again is one more download than was counted.
        if (tries > 0)
            ++m_total;
        ++tries;
        m_erased = true;
        const upd::Code downloaded =
            DownloadFile(m_target.release.ferrin.fileName, [this](std::istream& s, uint32_t n) {
                return m_engine.DownloadFerrin(s, n);
            });
        if (downloaded != upd::kOk) {
            Fail(downloaded);
            return false;
        }
        ++m_next;
        m_ferrinDone = true;
        const std::string serial = module.serial;

        m_run.SetQuiet(true);
        m_run.Post(L"Rebooting the module...");
        const eng::Code rebooted = m_engine.RebootModule();
        GuiRequest request = GuiRequest::WaitAndReconnect;
        if (rebooted == eng::kRebootUnknown) {
            request = GuiRequest::ManualReboot;
        } else if (rebooted != eng::kOk) {
            m_run.PostFailure(L"Module rebooted unsuccessfully!");
            m_run.SetQuiet(false);
            Fail(FilterResult(rebooted));
            return false;
        }
        const upd::Code reconnected = m_run.Ask(request, serial);
        m_run.SetQuiet(false);
        if (reconnected != upd::kOk) {
            m_run.PostFailure(L"Unable to reconnect to the module!");
            Fail(reconnected);
            return false;
        }
        m_run.Post(L"Reconnected to the module.");
    }
    return true;
}

bool ReleaseUpdate::Configure() {
    const ModuleRecord& module = m_engine.Module();
    bool need = module.moduleType != m_target.desired.moduleType;
    if (!m_ferrinDone) {
        for (const uint8_t id : FpgaIds(m_target.release)) {
            const FpgaDescription* fpga = module.FindFpga(id);
            if (!fpga || !(fpga->firmware.version == m_target.release.FpgaVersion(id))) {
                need = true;
                break;
            }
        }
    }
    if (!m_ferrinDone && !need && m_engine.IsConfigurationValid())
        return true;
    m_run.SetQuiet(true);
    m_run.Post(L"Configuring the module...");
    const upd::Code result = m_run.Ask(GuiRequest::Configure);
    m_run.SetQuiet(false);
    if (result == upd::kOk)
        m_run.Post(L"Module configured successfully.");
    else
        m_run.PostFailure(L"Module configured unsuccessfully!");
    if (result != upd::kOk) {
        Fail(result);
        return false;
    }
    return true;
}

bool ReleaseUpdate::CheckDownloaded() {
    // A download the module took without error may still hold another version
    // (an old image under a new name): success is what the module reports
    // afterwards, read back by the engine after each download. Ferrin was
    // checked after its reboot.
    const AssemblyRecord& release = m_target.release;
    for (const auto& [fpgaId, tableId] : m_downloaded) {
        VersionNumber expected = release.FpgaVersion(fpgaId);
        VersionNumber reported = kNoVersion;
        const FpgaDescription* fpga = m_engine.Module().FindFpga(fpgaId);
        if (fpga && !tableId)
            reported = fpga->firmware.version;
        if (tableId) {
            expected = release.TableVersion(fpgaId, *tableId);
            if (const LookupTableDescription* table =
                    fpga ? fpga->FindLookupTable(*tableId) : nullptr)
                reported = table->version;
        }
        if (reported == expected)
            continue;
        std::wstring text = updatetext::ComponentMismatchText(
            fpgaId, tableId, ReleaseText(expected), ReleaseText(reported));
        Fail(upd::kComponentMismatch, std::move(text));
        return false;
    }
    return true;
}

bool ReleaseUpdate::UpdateFpgas() {
    const AssemblyRecord& release = m_target.release;
    for (const uint8_t fpgaId : FpgaIds(release)) {
        if (m_run.Cancelled()) {
            Fail(upd::kAborted);
            return false;
        }
        const bool all = m_force || m_ferrinDone;
        FpgaDescription* fpga = m_engine.Module().FindFpga(fpgaId);
        if (!fpga) {
            Fail(upd::kNoFpgaDefinition, FpgaDefinitionMissingText(fpgaId));
            return false;
        }
        const bool fpgaNeeds = all || !(fpga->firmware.version == release.FpgaVersion(fpgaId));
        if (fpgaNeeds) {
            m_erased = true;
            const upd::Code result =
                DownloadFile(release.FpgaFile(fpgaId), [&](std::istream& s, uint32_t n) {
                    return m_engine.DownloadFpga(fpgaId, s, n);
                });
            if (result != upd::kOk) {
                Fail(result);
                return false;
            }
            ++m_next;
            m_fpgaUpdated = true;
            m_downloaded.emplace_back(fpgaId, std::nullopt);
        }
        // An updated FPGA brings all its tables with it, whatever their versions.
        for (const uint8_t tableId : TableIds(release, fpgaId)) {
            const LookupTableDescription* table = fpga->FindLookupTable(tableId);
            if (!table) {
                Fail(upd::kNoTableDefinition, TableDefinitionMissingText(tableId));
                return false;
            }
            if (!fpgaNeeds && table->version == release.TableVersion(fpgaId, tableId))
                continue;
            const upd::Code result =
                DownloadFile(release.TableFile(fpgaId, tableId), [&](std::istream& s, uint32_t n) {
                    return m_engine.DownloadLookupTable(fpgaId, tableId, s, n);
                });
            if (result != upd::kOk) {
                Fail(result);
                return false;
            }
            ++m_next;
            m_tableUpdated = true;
            m_downloaded.emplace_back(fpgaId, tableId);
        }
    }
    return true;
}
