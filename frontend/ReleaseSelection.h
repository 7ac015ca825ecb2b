#pragma once

#include "descriptions/ModuleDescription.h"
#include "descriptions/ModuleTypeNames.h"
#include "descriptions/ReleaseTable.h"

#include <string>

class CCmdEngine;
struct ModuleRecord;

// "Module entry valid": the module provably runs a release of the table (its
// verified release is neither 0.0 nor 255.255). The Setup pages need it when
// the module shows no identity flag.
bool IsModuleEntryValid(const ReleaseTable& table, const ModuleRecord& module);

namespace frontend {

// Which release the selection proposes for the module.
enum class ReleaseWish { Proposed, Latest, Exact };

// The release a module is brought to: the release table of a module type,
// the record chosen for a board from it and that record's module
// description. The session keeps one; the Update page shows and changes it.
class ReleaseSelection {
public:
    // The wish the choice follows (pellworth-cli's --release and --latest).
    void SetWish(ReleaseWish wish, VersionNumber release = kNoVersion);
    void SetType(ModuleTypeId type) { m_type = type; }
    void SetBoard(const std::string& board) { m_board = board; }
    // The module's own type and (connected) board when it reports a type: a
    // module in SafeBoot reports none, and the earlier choice stays so its
    // release is still known.
    void FollowModule(const ModuleRecord& module, bool connected);
    // Reads the type's release table again and chooses from it.
    void Refresh(CCmdEngine& engine);

    ModuleTypeId Type() const { return m_type; }
    const std::string& Board() const { return m_board; }
    const ReleaseTable& Table() const { return m_table; }
    // The chosen record, or null (valid until the next Refresh).
    const AssemblyRecord* Selected() const { return m_selected; }
    // A wished release that the table has not for this board.
    bool WishMissing() const { return m_missing; }
    const ModuleDescription& Desired() const { return m_desired; }
    bool Matches(VersionNumber version) const;
    // The module provably runs a release of the table.
    bool EntryValid(const ModuleRecord& module) const;
    // The module's release verified against the table (255.255 when it does not match).
    VersionNumber Installed(const ModuleRecord& module) const;
    // The chosen record's version of a lookup table (255.255 without one).
    VersionNumber TableVersion(uint8_t fpgaId, uint8_t tableId) const;

private:
    ReleaseWish m_wish = ReleaseWish::Proposed;
    VersionNumber m_wished = kNoVersion;
    ModuleTypeId m_type = kModuleTypeUnknown;
    std::string m_board;
    ReleaseTable m_table;
    const AssemblyRecord* m_selected = nullptr;
    bool m_missing = false;
    ModuleDescription m_desired;
};

} // namespace frontend
