#include "simulator/ModuleModel.h"

#include <algorithm>
#include <string_view>

namespace sim {

namespace {

uint16_t Be16(const std::vector<uint8_t>& p, size_t at) {
    return static_cast<uint16_t>((p[at] << 8) | p[at + 1]);
}

uint32_t Be32(const std::vector<uint8_t>& p, size_t at) {
    return (uint32_t{p[at]} << 24) | (uint32_t{p[at + 1]} << 16) | (uint32_t{p[at + 2]} << 8) |
           uint32_t{p[at + 3]};
}

void PutBe16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

bool IsErrorStatus(uint8_t status) {
    return status != 0x00 && status != 0x02;
}

bool IsTransferCode(uint8_t code) {
    switch (code) {
    case 0x85:
    case 0x86:
    case 0x87:
    case 0xA1:
    case 0x8B:
    case 0x8C:
    case 0x88:
    case 0x89:
    case 0x8A:
        return true;
    default:
        return false;
    }
}

std::vector<uint8_t> TextBytes(const std::string& field, size_t size) {
    const std::string fixed = FixedText(field, size);
    return {fixed.begin(), fixed.end()};
}

} // namespace

std::vector<uint8_t> ResponseFrame(uint8_t code, uint8_t status,
                                   const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> frame;
    frame.reserve(payload.size() + 4);
    frame.push_back(code);
    PutBe16(frame, static_cast<uint16_t>(payload.size() + 4));
    frame.push_back(status);
    frame.insert(frame.end(), payload.begin(), payload.end());
    return frame;
}

uint32_t MaxRequestLength(uint8_t code) {
    if (code < 0x80 || code > 0xA2)
        return 0;
    switch (code) {
    case 0x82: // module layout: grows with the description
    case 0x88: // data chunk: up to the chunk size the module announced
        return 0xFFFF;
    case 0x9D: // poke: up to 255 data bytes
        return 10 + 255;
    default:
        return 64;
    }
}

std::optional<Version> SampleImageVersion(const std::vector<uint8_t>& image) {
    constexpr std::string_view kTag = "SAMPLE-IMAGE ";
    if (image.size() < kTag.size() || !std::equal(kTag.begin(), kTag.end(), image.begin()))
        return std::nullopt;
    size_t at = kTag.size();
    auto number = [&](uint8_t& out) {
        unsigned value = 0;
        size_t digits = 0;
        while (at < image.size() && image[at] >= '0' && image[at] <= '9' && digits < 4) {
            value = value * 10 + (image[at] - '0');
            ++at;
            ++digits;
        }
        if (digits == 0 || value > 255)
            return false;
        out = static_cast<uint8_t>(value);
        return true;
    };
    Version v;
    if (!number(v.major) || at >= image.size() || image[at++] != '.' || !number(v.minor))
        return std::nullopt;
    if (at < image.size() && image[at] == '\r')
        ++at;
    if (at >= image.size() || image[at] != '\n')
        return std::nullopt;
    return v;
}

// Request lengths are whole frames (header included); -1 where the payload says.
// The boot loader knows only identity, image downloads into flash and reboot.
const ModuleModel::Command ModuleModel::kCommands[] = {
    {0x80, 3, true, &ModuleModel::CheckProtocol},
    {0x81, 3, true, &ModuleModel::ReadIdentity},
    {0x82, -1, false, &ModuleModel::SendModuleLayout},
    {0x83, 3, false, &ModuleModel::ReadModuleType},
    {0x84, 7, false, &ModuleModel::ReadFpgaRevision},
    {0x85, 5, true, &ModuleModel::StartSafeBoot},
    {0x86, 5, true, &ModuleModel::StartFerrin},
    {0x87, 13, false, &ModuleModel::StartFpga},
    {0x88, -1, true, &ModuleModel::DataChunk},
    {0x89, 5, false, &ModuleModel::UploadChunk},
    {0x8A, 3, true, &ModuleModel::Finish},
    {0x8B, 7, false, &ModuleModel::WriteConfigBlock},
    {0x8C, 7, false, &ModuleModel::ReadConfigBlock},
    {0x91, 3, true, &ModuleModel::Abort},
    {0x92, 5, false, &ModuleModel::RestoreBlockDefaults},
    {0x95, 3, false, &ModuleModel::ReadRelease},
    {0x96, 5, false, &ModuleModel::WriteRelease},
    {0x97, 3, true, &ModuleModel::ReadName},
    {0x98, 11, false, &ModuleModel::WriteName},
    {0x99, 3, true, &ModuleModel::ReadAssembly},
    {0x9A, 12, false, &ModuleModel::WriteAssembly},
    {0x9B, 3, true, &ModuleModel::ReadSerial},
    {0x9C, 11, false, &ModuleModel::WriteSerial},
    {0x9D, -1, false, &ModuleModel::Poke},
    {0x9E, 10, false, &ModuleModel::Peek},
    {0x9F, 4, false, &ModuleModel::WriteModuleType},
    {0xA0, 3, true, &ModuleModel::Reboot},
    {0xA1, 18, false, &ModuleModel::StartLookupTable},
    {0xA2, 10, false, &ModuleModel::ReadLookupTableVersion},
};

const ModuleModel::Command* ModuleModel::FindCommand(uint8_t code) {
    for (const Command& c : kCommands)
        if (c.code == code)
            return &c;
    return nullptr;
}

ModuleModel::Outcome ModuleModel::Done(const Request& r, std::vector<uint8_t> payload) {
    return Outcome{static_cast<uint8_t>(r.code + 0x40), 0x00, std::move(payload), 0, false};
}

ModuleModel::Outcome ModuleModel::Reject() {
    return Outcome{0xFF, 0xFF, {}, 0, false};
}

ModuleModel::Outcome ModuleModel::Failed(const Request& r, uint8_t status) {
    return Outcome{static_cast<uint8_t>(r.code + 0x40), status, {}, 0, false};
}

Plan ModuleModel::Handle(const std::vector<uint8_t>& frame, const Reply* script, ModuleState& state,
                         const Behaviour& behaviour) {
    if (behaviour.mute)
        return {};
    const uint8_t code = frame.empty() ? 0 : frame[0];
    const std::vector<uint8_t> payload(frame.size() > 3 ? frame.begin() + 3 : frame.end(),
                                       frame.end());

    const bool scriptRejects = script && ((script->responseCode && *script->responseCode == 0xFF) ||
                                          (script->status && IsErrorStatus(*script->status)));
    const bool execute = script && script->execute ? *script->execute : !scriptRejects;

    Outcome out;
    const Command* command = FindCommand(code);
    if (!command || (state.running == RunningImage::SafeBoot && !command->inSafeBoot)) {
        out = Reject();
    } else {
        Request request{code, payload, script, state, behaviour, execute};
        if (command->requestLength >= 0 &&
            frame.size() != static_cast<size_t>(command->requestLength))
            out = Failed(request, 0xFD);
        else
            out = (this->*command->handler)(request);
    }
    if (scriptRejects && !execute && IsTransferCode(code))
        EndTransfer(TransferRecord::End::Failed);

    Plan plan;
    auto bytes = [&plan](std::vector<uint8_t> b) {
        plan.push_back(PlanStep{PlanStep::Kind::Bytes, std::move(b), {}, {}});
    };
    auto pause = [&plan](std::chrono::milliseconds d) {
        if (d.count() > 0)
            plan.push_back(PlanStep{PlanStep::Kind::Pause, {}, d, {}});
    };
    auto disconnect = [&plan, script] {
        plan.push_back(PlanStep{PlanStep::Kind::Disconnect, {}, {}, script->returnAfter});
    };

    if (script) {
        pause(script->delay);
        if (script->disconnect == Reply::Disconnect::InsteadOfAnswer) {
            disconnect();
            return plan;
        }
    }
    if (script && script->raw) {
        bytes(*script->raw);
    } else if (!(script && script->silent)) {
        const uint32_t pendingCount = out.pending + (script ? script->pendingFrames : 0);
        const auto interval = script && script->pendingInterval.count() > 0
                                  ? script->pendingInterval
                                  : behaviour.pendingInterval;
        const uint8_t pendingCode = static_cast<uint8_t>(code + 0x40);
        for (uint32_t i = 0; i < pendingCount; ++i) {
            std::vector<uint8_t> pending = ResponseFrame(
                pendingCode, 0x02, script ? script->pendingPayload : std::vector<uint8_t>{});
            if (script && script->pendingLength) {
                pending[1] = static_cast<uint8_t>(*script->pendingLength >> 8);
                pending[2] = static_cast<uint8_t>(*script->pendingLength);
            }
            pause(interval);
            bytes(std::move(pending));
        }
        const uint8_t finalCode = script && script->responseCode ? *script->responseCode : out.code;
        const uint8_t finalStatus = script && script->status ? *script->status : out.status;
        std::vector<uint8_t> final = ResponseFrame(
            finalCode, finalStatus, script && script->payload ? *script->payload : out.payload);
        if (script && script->lengthField) {
            final[1] = static_cast<uint8_t>(*script->lengthField >> 8);
            final[2] = static_cast<uint8_t>(*script->lengthField);
        }
        if (script && script->cutAfter && *script->cutAfter < final.size())
            final.resize(*script->cutAfter);
        if (script)
            final.insert(final.end(), script->trailing.begin(), script->trailing.end());
        bytes(std::move(final));
    }
    if (out.reboot && execute)
        plan.push_back(PlanStep{PlanStep::Kind::Reboot, {}, {}, behaviour.rebootDelay});
    if (script && script->disconnect == Reply::Disconnect::AfterAnswer)
        disconnect();
    return plan;
}

void ModuleModel::Boot(ModuleState& state) {
    EndTransfer(TransferRecord::End::Failed);
    if (state.stagedSafeBoot)
        state.safeBoot = *state.stagedSafeBoot;
    if (state.stagedFerrin)
        state.ferrin = *state.stagedFerrin;
    state.stagedSafeBoot.reset();
    state.stagedFerrin.reset();
    state.running = state.ferrinValid ? RunningImage::Ferrin : RunningImage::SafeBoot;
}

std::vector<TransferRecord> ModuleModel::Transfers() const {
    std::vector<TransferRecord> all = done_;
    if (active_)
        all.push_back(active_->record);
    return all;
}

void ModuleModel::ClearTransfers() {
    done_.clear();
}

void ModuleModel::EndTransfer(TransferRecord::End how) {
    if (!active_)
        return;
    active_->record.end = how;
    done_.push_back(std::move(active_->record));
    active_.reset();
}

uint16_t ModuleModel::ChunkFor(const Request& r, uint16_t normal) const {
    return r.script && r.script->chunkSize ? *r.script->chunkSize : normal;
}

ModuleModel::Outcome ModuleModel::StartTransfer(Request& r, Target target, uint32_t size,
                                                uint16_t chunk, uint32_t pending) {
    if (r.execute) {
        EndTransfer(TransferRecord::End::Replaced);
        Active a;
        a.target = target;
        a.chunkLimit = chunk;
        a.record.startCode = r.code;
        a.record.startPayload = r.payload;
        a.record.size = size;
        a.record.chunkSize = chunk;
        active_ = std::move(a);
    }
    std::vector<uint8_t> payload;
    PutBe16(payload, chunk);
    Outcome out = Done(r, std::move(payload));
    out.pending = pending;
    return out;
}

ModuleModel::Outcome ModuleModel::CheckProtocol(Request& r) {
    return Done(r, {r.state.protocolVersion});
}

ModuleModel::Outcome ModuleModel::ReadIdentity(Request& r) {
    const ModuleState& s = r.state;
    const uint8_t flags =
        static_cast<uint8_t>((s.identityFlag ? 0x80 : 0x00) | static_cast<uint8_t>(s.running));
    return Done(r, {s.safeBoot.major, s.safeBoot.minor, s.ferrin.major, s.ferrin.minor, flags});
}

ModuleModel::Outcome ModuleModel::SendModuleLayout(Request& r) {
    const std::vector<uint8_t>& p = r.payload;
    ModuleLayout layout;
    layout.raw = p;
    size_t at = 0;
    if (p.empty())
        return Failed(r, 0xFD);
    const unsigned fpgaCount = p[at++];
    for (unsigned f = 0; f < fpgaCount; ++f) {
        if (at + 4 > p.size())
            return Failed(r, 0xFD);
        LayoutFpga fpga;
        fpga.id = p[at];
        const unsigned blockCount = p[at + 1];
        fpga.interface = p[at + 2];
        fpga.device = p[at + 3];
        at += 4;
        for (unsigned b = 0; b < blockCount; ++b) {
            if (at + 5 > p.size())
                return Failed(r, 0xFD);
            fpga.blocks.push_back(LayoutBlock{p[at], Be16(p, at + 1), Be16(p, at + 3)});
            at += 5;
        }
        layout.fpgas.push_back(std::move(fpga));
    }
    if (at != p.size())
        return Failed(r, 0xFD);
    if (r.execute) {
        // Blocks the board did not have yet come into being, zero-filled.
        for (const LayoutFpga& fpga : layout.fpgas)
            for (const LayoutBlock& block : fpga.blocks) {
                auto [it, added] = r.state.blocks.try_emplace(BlockKey{fpga.id, block.id});
                if (added) {
                    it->second.data.assign(block.length, 0);
                    it->second.defaults.assign(block.length, 0);
                }
            }
        r.state.layout = std::move(layout);
    }
    return Done(r);
}

ModuleModel::Outcome ModuleModel::ReadModuleType(Request& r) {
    return Done(r, {r.state.moduleType});
}

ModuleModel::Outcome ModuleModel::ReadFpgaRevision(Request& r) {
    const uint8_t interface = r.payload[0];
    const uint8_t device = r.payload[1];
    const uint16_t reg = Be16(r.payload, 2);
    for (const SimFpga& f : r.state.fpgas)
        if (f.interface == interface && f.device == device && f.revisionRegister == reg)
            return Done(r, {f.revision.major, f.revision.minor});
    return Reject();
}

namespace {

// The flash erase of an application or FPGA download takes the configuration
// parameters with it.
void EraseSetup(bool execute, ModuleState& state, const Behaviour& behaviour) {
    if (!execute || !behaviour.eraseSetupOnDownload)
        return;
    for (auto& [key, block] : state.blocks)
        std::fill(block.data.begin(), block.data.end(), 0);
}

} // namespace

ModuleModel::Outcome ModuleModel::StartSafeBoot(Request& r) {
    Outcome out = StartTransfer(r, Target::SafeBoot, Be16(r.payload, 0),
                                ChunkFor(r, r.behaviour.chunkSize), r.behaviour.eraseFrames);
    EraseSetup(r.execute, r.state, r.behaviour);
    return out;
}

ModuleModel::Outcome ModuleModel::StartFerrin(Request& r) {
    Outcome out = StartTransfer(r, Target::Ferrin, Be16(r.payload, 0),
                                ChunkFor(r, r.behaviour.chunkSize), r.behaviour.eraseFrames);
    EraseSetup(r.execute, r.state, r.behaviour);
    return out;
}

ModuleModel::Outcome ModuleModel::StartFpga(Request& r) {
    const uint8_t interface = r.payload[0];
    const uint8_t device = r.payload[1];
    const uint32_t start = Be32(r.payload, 2);
    const uint32_t size = Be32(r.payload, 6);
    const auto& fpgas = r.state.fpgas;
    for (size_t i = 0; i < fpgas.size(); ++i) {
        const SimFpga& f = fpgas[i];
        if (f.firmwareInterface != interface || f.firmwareDevice != device ||
            f.firmwareStart != start)
            continue;
        Outcome out = StartTransfer(r, Target::Fpga, size, ChunkFor(r, r.behaviour.chunkSize),
                                    r.behaviour.eraseFrames);
        if (r.execute)
            active_->fpga = i;
        EraseSetup(r.execute, r.state, r.behaviour);
        return out;
    }
    return Reject();
}

ModuleModel::Outcome ModuleModel::StartLookupTable(Request& r) {
    const uint8_t interface = r.payload[0];
    const uint8_t device = r.payload[1];
    const uint8_t tableDevice = r.payload[2];
    const uint32_t tableStart = Be32(r.payload, 3);
    const uint32_t size = Be32(r.payload, 7);
    const uint32_t lutRegister = Be32(r.payload, 11);
    const auto& fpgas = r.state.fpgas;
    for (size_t i = 0; i < fpgas.size(); ++i) {
        const SimFpga& f = fpgas[i];
        if (f.interface != interface || f.device != device || f.lookupTableRegister != lutRegister)
            continue;
        for (size_t t = 0; t < f.tables.size(); ++t) {
            if (f.tables[t].device != tableDevice || f.tables[t].start != tableStart)
                continue;
            Outcome out = StartTransfer(r, Target::Table, size, ChunkFor(r, r.behaviour.chunkSize),
                                        r.behaviour.eraseFrames);
            if (r.execute) {
                active_->fpga = i;
                active_->table = t;
            }
            return out;
        }
    }
    return Reject();
}

ModuleModel::Outcome ModuleModel::DataChunk(Request& r) {
    if (!active_ || active_->target == Target::BlockRead)
        return Reject();
    const std::vector<uint8_t>& p = r.payload;
    TransferRecord& rec = active_->record;
    const bool bad = p.size() < 2 || p.size() != 2u + Be16(p, 0) ||
                     p.size() - 2 > active_->chunkLimit ||
                     rec.data.size() + p.size() - 2 > rec.size;
    if (bad) {
        if (r.execute)
            EndTransfer(TransferRecord::End::Failed);
        return Failed(r, 0xFD);
    }
    if (r.execute) {
        rec.data.insert(rec.data.end(), p.begin() + 2, p.end());
        ++rec.chunks;
    }
    return Done(r);
}

ModuleModel::Outcome ModuleModel::UploadChunk(Request& r) {
    if (!active_ || active_->target != Target::BlockRead)
        return Reject();
    Active& a = *active_;
    const uint16_t wanted = Be16(r.payload, 0);
    const uint32_t remaining = a.record.size - a.position;
    uint32_t count = std::min<uint32_t>({wanted, a.chunkLimit, remaining});
    if (r.script && r.script->uploadCount)
        count = *r.script->uploadCount;
    const SimBlock& block = r.state.blocks[a.block];
    std::vector<uint8_t> payload;
    PutBe16(payload, static_cast<uint16_t>(count));
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t at = a.position + i;
        payload.push_back(i < remaining && at < block.data.size() ? block.data[at] : 0);
    }
    if (r.execute) {
        const uint32_t taken = std::min(count, remaining);
        a.record.data.insert(a.record.data.end(), payload.begin() + 2, payload.begin() + 2 + taken);
        a.position += taken;
        ++a.record.chunks;
    }
    return Done(r, std::move(payload));
}

ModuleModel::Outcome ModuleModel::Finish(Request& r) {
    if (!active_)
        return Reject();
    Active& a = *active_;
    const bool image = a.target == Target::SafeBoot || a.target == Target::Ferrin ||
                       a.target == Target::Fpga || a.target == Target::Table;
    if (a.target != Target::BlockRead && a.record.data.size() != a.record.size) {
        if (r.execute)
            EndTransfer(TransferRecord::End::Failed);
        return Failed(r, 0xFD);
    }
    if (r.execute) {
        ModuleState& s = r.state;
        const std::optional<Version> version = SampleImageVersion(a.record.data);
        switch (a.target) {
        case Target::SafeBoot:
            if (version)
                s.stagedSafeBoot = version;
            break;
        case Target::Ferrin:
            if (version)
                s.stagedFerrin = version;
            s.ferrinValid = true;
            break;
        case Target::Fpga:
            if (version && a.fpga < s.fpgas.size())
                s.fpgas[a.fpga].revision = *version;
            break;
        case Target::Table:
            if (version && a.fpga < s.fpgas.size() && a.table < s.fpgas[a.fpga].tables.size())
                s.fpgas[a.fpga].tables[a.table].version = *version;
            break;
        case Target::BlockWrite: {
            if (r.behaviour.dropBlockWrites)
                break;
            std::vector<uint8_t>& data = s.blocks[a.block].data;
            if (data.size() < a.record.data.size())
                data.resize(a.record.data.size());
            std::copy(a.record.data.begin(), a.record.data.end(), data.begin());
            break;
        }
        case Target::BlockRead:
        case Target::None:
            break;
        }
        EndTransfer(TransferRecord::End::Finished);
    }
    Outcome out = Done(r);
    out.pending = image ? r.behaviour.programFrames : 0;
    return out;
}

ModuleModel::Outcome ModuleModel::WriteConfigBlock(Request& r) {
    const BlockKey key{r.payload[0], r.payload[1]};
    const uint16_t length = Be16(r.payload, 2);
    const auto it = r.state.blocks.find(key);
    if (it == r.state.blocks.end() || length > it->second.data.size())
        return Reject();
    Outcome out =
        StartTransfer(r, Target::BlockWrite, length, ChunkFor(r, r.behaviour.blockChunkSize), 0);
    if (r.execute)
        active_->block = key;
    return out;
}

ModuleModel::Outcome ModuleModel::ReadConfigBlock(Request& r) {
    const BlockKey key{r.payload[0], r.payload[1]};
    const uint16_t length = Be16(r.payload, 2);
    const auto it = r.state.blocks.find(key);
    if (it == r.state.blocks.end() || length > it->second.data.size())
        return Reject();
    Outcome out =
        StartTransfer(r, Target::BlockRead, length, ChunkFor(r, r.behaviour.blockChunkSize), 0);
    if (r.execute)
        active_->block = key;
    return out;
}

ModuleModel::Outcome ModuleModel::Abort(Request& r) {
    if (r.execute)
        EndTransfer(TransferRecord::End::Aborted);
    return Done(r);
}

ModuleModel::Outcome ModuleModel::RestoreBlockDefaults(Request& r) {
    const auto it = r.state.blocks.find(BlockKey{r.payload[0], r.payload[1]});
    if (it == r.state.blocks.end())
        return Reject();
    if (r.execute)
        it->second.data = it->second.defaults;
    return Done(r);
}

ModuleModel::Outcome ModuleModel::ReadRelease(Request& r) {
    return Done(r, {r.state.release.major, r.state.release.minor});
}

ModuleModel::Outcome ModuleModel::WriteRelease(Request& r) {
    if (r.execute)
        r.state.release = Version{r.payload[0], r.payload[1]};
    return Done(r);
}

// The identity texts are kept raw: a write stores what came, a read pads or cuts it.
ModuleModel::Outcome ModuleModel::ReadText(Request& r, std::string ModuleState::*field,
                                           size_t width) {
    return Done(r, TextBytes(r.state.*field, width));
}

ModuleModel::Outcome ModuleModel::WriteText(Request& r, std::string ModuleState::*field) {
    if (r.execute)
        (r.state.*field).assign(r.payload.begin(), r.payload.end());
    return Done(r);
}

ModuleModel::Outcome ModuleModel::ReadName(Request& r) {
    return ReadText(r, &ModuleState::name, 8);
}
ModuleModel::Outcome ModuleModel::WriteName(Request& r) {
    return WriteText(r, &ModuleState::name);
}
ModuleModel::Outcome ModuleModel::ReadAssembly(Request& r) {
    return ReadText(r, &ModuleState::assembly, 9);
}
ModuleModel::Outcome ModuleModel::WriteAssembly(Request& r) {
    return WriteText(r, &ModuleState::assembly);
}
ModuleModel::Outcome ModuleModel::ReadSerial(Request& r) {
    return ReadText(r, &ModuleState::serial, 8);
}
ModuleModel::Outcome ModuleModel::WriteSerial(Request& r) {
    return WriteText(r, &ModuleState::serial);
}

ModuleModel::Outcome ModuleModel::Poke(Request& r) {
    const std::vector<uint8_t>& p = r.payload;
    if (p.size() < 7)
        return Failed(r, 0xFD);
    if (p[0] > 3)
        return Reject();
    const unsigned count = p[6];
    if (p.size() != 7u + count)
        return Failed(r, 0xFD);
    if (r.execute) {
        const uint32_t address = Be32(p, 2);
        for (unsigned i = 0; i < count; ++i)
            r.state.registers[RegisterKey{p[0], p[1], address + i}] = p[7 + i];
    }
    return Done(r);
}

ModuleModel::Outcome ModuleModel::Peek(Request& r) {
    const std::vector<uint8_t>& p = r.payload;
    if (p[0] > 3)
        return Reject();
    const unsigned count = p[6];
    const uint32_t address = Be32(p, 2);
    std::vector<uint8_t> payload;
    payload.push_back(r.script && r.script->peekEcho ? *r.script->peekEcho
                                                     : static_cast<uint8_t>(count));
    for (unsigned i = 0; i < count; ++i) {
        const auto it = r.state.registers.find(RegisterKey{p[0], p[1], address + i});
        payload.push_back(it == r.state.registers.end() ? 0 : it->second);
    }
    return Done(r, std::move(payload));
}

ModuleModel::Outcome ModuleModel::WriteModuleType(Request& r) {
    if (r.execute)
        r.state.moduleType = r.payload[0];
    return Done(r);
}

ModuleModel::Outcome ModuleModel::Reboot(Request& r) {
    if (!r.behaviour.canReboot)
        return Reject();
    Outcome out = Done(r);
    out.reboot = true;
    return out;
}

ModuleModel::Outcome ModuleModel::ReadLookupTableVersion(Request& r) {
    const uint8_t interface = r.payload[0];
    const uint8_t device = r.payload[1];
    const uint8_t tableId = r.payload[2];
    const uint32_t startPlusOne = Be32(r.payload, 3);
    for (const SimFpga& f : r.state.fpgas) {
        if (f.interface != interface || f.device != device)
            continue;
        for (const SimLookupTable& t : f.tables)
            if (t.id == tableId && t.start + 1 == startPlusOne)
                return Done(r, {t.version.major, t.version.minor});
    }
    return Reject();
}

} // namespace sim
