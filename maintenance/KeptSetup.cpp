#include "maintenance/KeptSetup.h"

#include "descriptions/ModuleDescription.h"
#include "engine/CCmdEngine.h"
#include "engine/EngineCodes.h"
#include "setups/SetupBlocks.h"

namespace {

constexpr const wchar_t* kKept = L"The module's setup was kept.";
constexpr const wchar_t* kNotKeptStart = L"Setup not kept: ";

} // namespace

void KeptSetup::NotKept(const std::wstring& why) {
    m_state = State::NotKept;
    m_note = kNotKeptStart + why;
}

void KeptSetup::Take(CCmdEngine& engine, const ModuleDescription& desired, bool wanted) {
    m_block.reset();
    m_bytes.clear();
    m_note.clear();
    m_state = State::NotAsked;
    if (!wanted)
        return;
    const ModuleRecord& module = engine.Module();
    if (module.runningImage != kRunningFerrin)
        return NotKept(L"the module started in SafeBoot, so its setup could not be read.");
    if (!HasSetupBlock(module.moduleType))
        return NotKept(L"the module has no setup of a known type.");
    if (desired.moduleType != module.moduleType)
        return NotKept(L"the update changes the module's type from " +
                       ModuleTypeName(module.moduleType) + L" to " +
                       ModuleTypeName(desired.moduleType) + L".");
    const FpgaDescription* fpga = desired.FindFpga(kSetupFpgaId);
    if (!fpga || fpga->paramBlocks.find(kSetupBlockId) == fpga->paramBlocks.end())
        return NotKept(L"the release's type file has no setup block.");
    m_block = MakeSetupBlock(module.moduleType);
    if (!m_block || m_block->Read(engine.Channel()) != chan::kOk) {
        m_block.reset();
        return NotKept(L"the module did not answer when its setup was read.");
    }
    m_bytes = m_block->Encoded();
    m_state = State::Taken;
}

void KeptSetup::NotErased() {
    if (m_state != State::Taken)
        return;
    m_state = State::Kept;
    m_note = kKept;
}

void KeptSetup::NotRestored(const std::wstring& why) {
    if (m_state == State::Taken)
        NotKept(why);
}

KeptSetup::State KeptSetup::Restore(CCmdEngine& engine) {
    if (m_state != State::Taken)
        return m_state;
    if (!engine.IsConnected()) {
        NotKept(L"the module was not connected to write it back.");
        return m_state;
    }
    CCmdChannel& channel = engine.Channel();
    if (m_block->Write(channel) != chan::kOk) {
        NotKept(L"the module did not take the setup when it was written back.");
        return m_state;
    }
    std::unique_ptr<CConfigBlockIF> readBack = MakeSetupBlock(engine.Module().moduleType);
    if (!readBack || readBack->Read(channel) != chan::kOk) {
        m_state = State::Unverified;
        m_note = L"The module's setup was written back, but the module did not answer when it was "
                 L"read back: whether it kept it is not known.";
    } else if (readBack->Encoded() != m_block->Encoded()) {
        NotKept(L"the module did not keep the setup that was written back to it.");
    } else {
        m_state = State::Kept;
        m_note = kKept;
    }
    // The setup page's block object shows what the module now holds.
    engine.ReadConfigBlockAgain(kSetupFpgaId, kSetupBlockId);
    return m_state;
}
