#pragma once

#include "engine/CConfigBlockIF.h"

#include <cstdint>
#include <memory>
#include <string>

class CCmdEngine;
struct ModuleDescription;

// The module's own setup, kept across a release update whose downloads erase
// it: read into a block object of the module's type before the first
// download, written back through that object after the last one, read back
// and compared. Needs no type file for the module's release: the setup is
// always parameter block 0 of FPGA 0.
class KeptSetup {
public:
    enum class State {
        NotAsked,   // keeping was turned off
        NotKept,    // could not be taken or put back; Note() says why
        Taken,      // read, not yet written back
        Kept,       // written back and read back the same, or never erased
        Unverified, // written back, the read-back went unanswered
    };

    // Worker thread, before the first download. `desired` is the release's
    // description of the module.
    void Take(CCmdEngine& engine, const ModuleDescription& desired, bool wanted);
    // GUI thread, after the last download: writes the setup back, reads it
    // back and compares; then re-reads the block object the setup page lends
    // the engine, so the page shows what the module holds. Returns State.
    State Restore(CCmdEngine& engine);
    // Nothing erased the setup (no SafeBoot, Ferrin or FPGA download was started).
    void NotErased();
    // The run stopped before the setup could be written back.
    void NotRestored(const std::wstring& why);

    State Current() const { return m_state; }
    bool Taken() const { return m_state == State::Taken; }
    // The sentence for the run's final text; empty when nothing is to be said.
    const std::wstring& Note() const { return m_note; }
    // What was read before the first download (empty when nothing was).
    const std::vector<uint8_t>& Bytes() const { return m_bytes; }

private:
    void NotKept(const std::wstring& why);

    State m_state = State::NotAsked;
    std::unique_ptr<CConfigBlockIF> m_block;
    std::vector<uint8_t> m_bytes;
    std::wstring m_note;
};
