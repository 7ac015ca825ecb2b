#include "frontend/ReleaseSelection.h"

#include "descriptions/CModuleTypeXML.h"
#include "engine/CCmdEngine.h"
#include "engine/ModuleRecord.h"

bool IsModuleEntryValid(const ReleaseTable& table, const ModuleRecord& module) {
    const VersionNumber verified = VerifyRelease(table, module.IdentityView());
    return (verified.major != 0 && verified.major != 255) || verified.major != verified.minor;
}

namespace frontend {

void ReleaseSelection::SetWish(ReleaseWish wish, VersionNumber release) {
    m_wish = wish;
    m_wished = release;
}

void ReleaseSelection::FollowModule(const ModuleRecord& module, bool connected) {
    if (!HasSetupBlock(module.moduleType))
        return;
    m_type = module.moduleType;
    // A fixed field: what follows a zero byte is padding.
    const std::string board = module.assembly.substr(0, module.assembly.find('\0'));
    if (connected && !board.empty())
        m_board = board;
}

void ReleaseSelection::Refresh(CCmdEngine& engine) {
    m_table = ReleaseTable{};
    engine.LoadReleasesOfType(m_type, m_table);
    VersionNumber wanted = kNoVersion;
    if (m_wish == ReleaseWish::Exact) {
        wanted = m_wished;
    } else if (m_wish == ReleaseWish::Latest) {
        if (const AssemblyRecord* latest = FindLatest(m_table))
            wanted = latest->release;
    }
    m_selected = SelectAssembly(m_table, wanted, m_board);
    m_missing = m_wish != ReleaseWish::Proposed && !m_selected;
    m_desired = ModuleDescription{};
    if (m_selected) {
        CModuleTypeXML reader;
        LoadModuleDescription(m_desired, reader, m_selected->moduleTypeFile);
    }
}

bool ReleaseSelection::Matches(VersionNumber version) const {
    return m_selected && m_selected->release == version;
}

bool ReleaseSelection::EntryValid(const ModuleRecord& module) const {
    return IsModuleEntryValid(m_table, module);
}

VersionNumber ReleaseSelection::Installed(const ModuleRecord& module) const {
    return VerifyRelease(m_table, module.IdentityView());
}

VersionNumber ReleaseSelection::TableVersion(uint8_t fpgaId, uint8_t tableId) const {
    return m_selected ? m_selected->TableVersion(fpgaId, tableId) : kNoVersion;
}

} // namespace frontend
