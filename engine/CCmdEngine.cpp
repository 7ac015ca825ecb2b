#include "engine/CCmdEngine.h"

#include "descriptions/CAssembliesXML.h"
#include "descriptions/CModuleTypeXML.h"
#include "descriptions/CModuleTypes.h"
#include "descriptions/ModuleTypeNames.h"
#include "descriptions/ReleaseTable.h"
#include "descriptions/Sha256.h"
#include "engine/CAppIF.h"
#include "engine/CConfigBlockIF.h"
#include "engine/EngineCodes.h"

#include <algorithm>
#include <memory>

namespace {

constexpr uint32_t kMaxApplicationImage = 0xFFFF;

} // namespace

CCmdEngine::CCmdEngine(CSerialIF* port, CErrorReportIF* errorReport, CAppIF* app,
                       CModuleTypes* registry, ModuleTypeId initialModuleType)
    : m_errorReport(errorReport), m_app(app), m_channel(port, this), m_registry(registry) {
    if (m_registry)
        m_registry->Scan();
    SelectModuleType(initialModuleType, kNoVersion);
}

// ---- Register and block commands ------------------------------------------------------------

eng::Code CCmdEngine::Peek(uint32_t interface, uint8_t device, uint32_t address, uint8_t* value) {
    return TranslateChannelCode(m_channel.Peek(interface, device, address, value, 1),
                                Column::PeekPoke);
}

eng::Code CCmdEngine::Poke(uint32_t interface, uint8_t device, uint32_t address, uint8_t value) {
    return TranslateChannelCode(m_channel.Poke(interface, device, address, &value, 1),
                                Column::PeekPoke);
}

eng::Code CCmdEngine::LoadPokeFile(std::wistream& stream, PokeFileError& error) {
    uint32_t line = 0;
    for (;;) {
        uint32_t interface = 0;
        uint8_t device = 0;
        uint32_t address = 0;
        uint8_t value = 0;
        const poke::Code parsed = ParsePokeLine(stream, line, interface, device, address, value);
        if (poke::IsFailure(parsed)) {
            error = {parsed, line};
            return eng::kPokeFileParse;
        }
        if (parsed == poke::kEnd)
            return eng::kOk;
        if (const auto r = Poke(interface, device, address, value); r != eng::kOk)
            return r;
    }
}

eng::Code CCmdEngine::RebootModule() {
    return TranslateChannelCode(m_channel.Reboot(), Column::Reboot);
}

eng::Code CCmdEngine::WriteName(const std::string& text) {
    m_module.name = text;
    return TranslateChannelCode(m_channel.WriteName(text), Column::Standard);
}

eng::Code CCmdEngine::WriteAssembly(const std::string& text) {
    m_module.assembly = text;
    return TranslateChannelCode(m_channel.WriteAssembly(text), Column::Standard);
}

eng::Code CCmdEngine::WriteSerial(const std::string& text) {
    m_module.serial = text;
    return TranslateChannelCode(m_channel.WriteSerial(text), Column::Standard);
}

eng::Code CCmdEngine::ReadName(std::string& text) {
    return TranslateChannelCode(m_channel.ReadName(text), Column::Standard);
}

eng::Code CCmdEngine::WriteRelease(uint8_t major, uint8_t minor) {
    const auto r = m_channel.WriteRelease(major, minor);
    if (r == chan::kOk)
        m_module.release = {major, minor};
    return TranslateChannelCode(r, Column::Standard);
}

eng::Code CCmdEngine::SendModuleLayout() {
    std::vector<uint8_t> wire;
    SerializeModuleDescription(m_module, wire);
    return TranslateChannelCode(m_channel.SendModuleLayout(wire), Column::Standard);
}

void CCmdEngine::RestoreBlockDefaults(uint8_t fpgaId, uint8_t blockId) {
    CConfigBlockIF* block = AttachedBlock(fpgaId, blockId);
    if (!block)
        return;
    m_channel.RestoreBlockDefaults(fpgaId, blockId);
    MarkBlockRead(fpgaId, blockId, block, block->Read(m_channel) == chan::kOk);
}

void CCmdEngine::MarkBlockRead(uint8_t fpgaId, uint8_t blockId, const CConfigBlockIF* block,
                               bool read) {
    if (read)
        m_blocksRead.insert({fpgaId, blockId, block});
    else
        m_blocksRead.erase({fpgaId, blockId, block});
}

bool CCmdEngine::ReadConfigBlockAgain(uint8_t fpgaId, uint8_t blockId) {
    CConfigBlockIF* block = AttachedBlock(fpgaId, blockId);
    if (!block)
        return false;
    const bool read = block->Read(m_channel) == chan::kOk;
    MarkBlockRead(fpgaId, blockId, block, read);
    return read;
}

// ---- Parameter block objects ---------------------------------------------------------------

void CCmdEngine::AttachConfigBlock(CConfigBlockIF* block) {
    // Only for a parameter block the module's description has; the last one attached wins.
    if (block && m_module.FindParamBlock(block->FpgaId(), block->BlockId()))
        m_attached[{block->FpgaId(), block->BlockId()}] = block;
}

void CCmdEngine::DetachConfigBlock(const CConfigBlockIF* block) {
    std::erase_if(m_attached, [block](const auto& entry) { return entry.second == block; });
}

CConfigBlockIF* CCmdEngine::AttachedBlock(uint8_t fpgaId, uint8_t blockId) const {
    if (!m_module.FindParamBlock(fpgaId, blockId))
        return nullptr;
    const auto it = m_attached.find({fpgaId, blockId});
    return it == m_attached.end() ? nullptr : it->second;
}

bool CCmdEngine::ConfigBlockChanged(uint8_t fpgaId, uint8_t blockId) {
    if (!m_module.FindParamBlock(fpgaId, blockId))
        return false;
    if (CConfigBlockIF* block = AttachedBlock(fpgaId, blockId))
        m_lastBlockWrite = block->Write(m_channel);
    return true;
}

void CCmdEngine::CommitConfigBlock(uint8_t fpgaId, uint8_t blockId) {
    if (CConfigBlockIF* block = AttachedBlock(fpgaId, blockId))
        m_lastBlockWrite = block->Write(m_channel);
}

// ---- Connection and identification ---------------------------------------------------------

bool CCmdEngine::ReadIdentity() {
    uint8_t identity[5] = {};
    if (m_channel.ReadIdentity(identity) != chan::kOk)
        return false;
    m_module.safeBoot.version = {identity[0], identity[1]};
    m_module.ferrin.version = {identity[2], identity[3]};
    m_module.identityFlag = identity[4] >> 7;
    m_module.runningImage = identity[4] & 0x7F;
    return true;
}

bool CCmdEngine::IsBlankSerial(const std::string& serial) {
    return serial == std::string(8, '\xFF');
}

conn::Code CCmdEngine::Connect(const std::string& expectedSerial) {
    // Until this connect succeeds nothing is connected: a module that does not
    // answer must not pass for the one connected before.
    m_connected.store(false);
    uint8_t protocol = 0;
    if (m_channel.CheckProtocol(protocol) != chan::kOk)
        return conn::kUnknownDevice;
    if (protocol != 1)
        return conn::kProtocolMismatch;

    if (!ReadIdentity())
        return conn::kNoModuleInformation;

    m_configurationValid.store(false);
    m_connected.store(true);
    m_identityComplete = true;
    // The block objects may hold another module's setup until they are read.
    m_blocksRead.clear();

    if (m_module.runningImage != kRunningFerrin) {
        // Nothing is read from a module in SafeBoot: what the record still holds
        // belongs to the module connected before, and a reconnect after a
        // reboot must not wait for that module's serial.
        m_module.name.clear();
        m_module.assembly.clear();
        m_module.serial.clear();
        m_module.release = kNoVersion;
        m_module.moduleType = 0;
        SelectModuleType(0, kNoVersion);
        if (m_app)
            m_app->OnIdentityChanged();
        return conn::kOk;
    }

    // A read that fails leaves a connection the pages can use, but what it
    // should have read is not known: a script must be told.
    auto read = [this](chan::Code code) {
        m_identityComplete = m_identityComplete && code == chan::kOk;
    };
    std::string serial;
    read(m_channel.ReadSerial(serial));
    m_module.serial = serial;
    if (!expectedSerial.empty() && expectedSerial != serial && !IsBlankSerial(serial)) {
        m_connected.store(false);
        return conn::kWrongModule;
    }

    uint8_t release[2] = {0xFF, 0xFF};
    read(m_channel.ReadRelease(release[0], release[1]));
    m_module.release = {release[0], release[1]};

    std::string assembly;
    read(m_channel.ReadAssembly(assembly));
    m_module.assembly = assembly;

    uint8_t type = 0;
    switch (m_channel.ReadModuleType(type)) {
    case chan::kOk:
        break;
    case chan::kOutOfMemory:
        return conn::kOutOfMemory;
    case chan::kRejected:
    case chan::kBadLength:
    case chan::kBadResponseCode:
        return conn::kLinkError;
    case chan::kTimeout:
        return conn::kTimeout;
    default:
        return conn::kUnknown;
    }

    if (type != kModuleTypeUnknown) {
        ModuleTypeId moduleType = type;
        if (!m_registry || !m_registry->HasModuleType(moduleType)) {
            const bool optionAllows = m_app && (m_app->IsOptionM() || m_app->IsOptionD());
            if (!optionAllows) {
                m_connected.store(false);
                return moduleType >= 3 ? conn::kBadModuleType : conn::kTypeSupportNotInstalled;
            }
            moduleType = 0;
        }
        m_module.moduleType = moduleType;
        SelectModuleType(moduleType, m_module.release);
    }

    std::string name;
    read(m_channel.ReadName(name));
    m_module.name = name;

    m_identityComplete = ReadVersions() && m_identityComplete;
    // A module of a type the program supports has setup blocks; without its
    // type file there is no block to read, and "no block failed" would pass
    // factory values off as the module's setup. The update page still learns
    // the identity: an update is how such a module gets a release the
    // program has a type file for.
    if (m_module.moduleType != kModuleTypeUnknown && !m_descriptionLoaded) {
        if (m_app)
            m_app->OnIdentityChanged();
        return kConnectNoDescription;
    }
    if (!VerifyConfigBlocks())
        return conn::kBadConfigData;
    m_configurationValid.store(true);
    if (m_app)
        m_app->OnIdentityChanged();
    return conn::kOk;
}

void CCmdEngine::SelectModuleType(ModuleTypeId type, VersionNumber release) {
    if (!m_registry || !m_registry->HasModuleType(type))
        return;
    ReleaseTable table;
    LoadReleasesOfType(type, table);
    m_descriptionLoaded = false;
    // Another type's block objects never hold what was read from this module.
    if (type != m_module.moduleType)
        m_blocksRead.clear();
    // The board's own record: its type file is the one that describes this module.
    if (const AssemblyRecord* record = FindModuleAssembly(table, release, m_module.assembly)) {
        std::unique_ptr<CModuleTypeXML> reader(m_app ? m_app->CreateModuleTypeReader() : nullptr);
        if (reader) {
            // The new description's blocks are lent again once the front end hears of it.
            m_attached.clear();
            m_descriptionLoaded = LoadModuleDescription(m_module, *reader, record->moduleTypeFile);
        }
    }
    // A type with a setup whose type file declares no setup block would show
    // and save a setup that was never read: as good as no type file.
    if (m_descriptionLoaded && HasSetupBlock(type) &&
        !m_module.FindParamBlock(kSetupFpgaId, kSetupBlockId))
        m_descriptionLoaded = false;
    m_module.moduleType = type;
    if (m_app)
        m_app->OnModuleChanged();
}

void CCmdEngine::LoadReleasesOfType(ModuleTypeId type, ReleaseTable& table) {
    if (!m_registry || !m_registry->HasModuleType(type))
        return;
    std::unique_ptr<CAssembliesXML> reader(m_app ? m_app->CreateAssembliesReader() : nullptr);
    if (!reader)
        return;
    if (!reader->Parse(L"", m_registry->GetTypeDirectory(type) + L"assembly.xml")) {
        std::wstring dropped;
        reader->TakeError(dropped);
    }
    LoadReleaseTable(table, *reader, m_registry->DataDirectory());
}

bool CCmdEngine::ReadVersions() {
    bool all = true;
    for (auto& [fpgaId, fpga] : m_module.fpgas) {
        const auto interface = static_cast<uint8_t>(fpga.interface);
        uint8_t major = 0;
        uint8_t minor = 0;
        if (m_channel.ReadFpgaRevision(interface, fpga.deviceId, fpga.firmware.revisionStart, major,
                                       minor) != chan::kOk)
            return false;
        fpga.firmware.version = {major, minor};
        for (auto& [tableId, table] : fpga.lookupTables) {
            if (m_channel.ReadLookupTableVersion(interface, fpga.deviceId, tableId, table.start + 1,
                                                 major, minor) == chan::kOk)
                table.version = {major, minor};
            else
                all = false;
        }
    }
    return all;
}

bool CCmdEngine::VerifyConfigBlocks() {
    for (const auto& [key, block] : m_attached) {
        if (!m_module.FindParamBlock(key.first, key.second))
            continue;
        const bool read = block->Read(m_channel) == chan::kOk;
        MarkBlockRead(key.first, key.second, block, read);
        if (!read)
            return false;
    }
    return true;
}

BlockWriteSummary CCmdEngine::WriteAllConfigBlocks() {
    BlockWriteSummary summary;
    for (const auto& [key, block] : m_attached) {
        const auto [fpgaId, blockId] = key;
        if (!m_module.FindParamBlock(fpgaId, blockId))
            continue;
        if (m_blocksRead.count({fpgaId, blockId, block}) == 0) {
            // Another module's setup, or factory values: never the
            // module's. Read what it holds, so the object shows that.
            ++summary.skipped;
            MarkBlockRead(fpgaId, blockId, block, block->Read(m_channel) == chan::kOk);
            continue;
        }
        if (block->Write(m_channel) == chan::kOk)
            ++summary.written;
        else
            ++summary.failed;
    }
    return summary;
}

bool CCmdEngine::ReadSetupBytes(std::vector<uint8_t>& bytes, uint16_t fallbackLength) {
    const ParamBlockDescription* block = m_module.FindParamBlock(kSetupFpgaId, kSetupBlockId);
    const uint16_t length = block && block->length ? block->length : fallbackLength;
    bytes.assign(length, 0);
    return m_channel.ReadConfigBlock(kSetupFpgaId, kSetupBlockId, bytes.data(), length) ==
           chan::kOk;
}

bool CCmdEngine::ReadModuleAgain() {
    if (!ReadIdentity())
        return false;
    if (m_module.runningImage != kRunningFerrin)
        return true;
    bool all = true;
    // What went unanswered keeps what the record held.
    auto text = [&all](chan::Code code, const std::string& read, std::string& field) {
        if (code == chan::kOk)
            field = read;
        all = all && code == chan::kOk;
    };
    std::string read;
    text(m_channel.ReadSerial(read), read, m_module.serial);
    text(m_channel.ReadAssembly(read), read, m_module.assembly);
    text(m_channel.ReadName(read), read, m_module.name);
    uint8_t release[2] = {0xFF, 0xFF};
    if (m_channel.ReadRelease(release[0], release[1]) == chan::kOk)
        m_module.release = {release[0], release[1]};
    else
        all = false;
    return ReadVersions() && all;
}

eng::Code CCmdEngine::ChangeModuleType(ModuleTypeId type, const uint8_t release[2]) {
    m_lastConfigureWrites = {};
    if (m_module.runningImage != kRunningFerrin)
        return eng::kNotRunningFerrin;
    if (const auto r = m_channel.WriteModuleType(static_cast<uint8_t>(type)); r != chan::kOk)
        return TranslateChannelCode(r, Column::Standard);
    WriteRelease(release[0], release[1]);
    if (type != m_module.moduleType)
        m_blocksRead.clear();
    m_module.moduleType = type;
    SelectModuleType(type, {release[0], release[1]});
    if (!ReadIdentity())
        return eng::kNoModuleInformation;
    SendModuleLayout();
    ReadVersions();
    m_lastConfigureWrites = WriteAllConfigBlocks();
    return eng::kOk;
}

bool CCmdEngine::IsModuleResponding() {
    if (m_connected.load())
        return true;
    uint8_t protocol = 0;
    const auto r = m_channel.CheckProtocol(protocol);
    return r == chan::kOk || r == chan::kRejected;
}

// ---- Image downloads -----------------------------------------------------------------------

template <typename StartCommand>
eng::Code CCmdEngine::TransferImage(StartCommand&& start, std::istream& image, uint32_t size,
                                    Column column, bool ferrinRescale, std::wstring component) {
    // Hashed from the stream that is sent, so the log names the bytes the
    // module got, whatever happens to the file afterwards.
    SentImage sent{
        std::move(component), {}, size, Sha256::OfStream(image, size).value_or(""), eng::kOk};
    {
        const std::lock_guard lock(m_sentMutex);
        sent.file = std::exchange(m_nextImageFile, {});
    }
    const auto transfer = [&]() -> eng::Code {
        m_channel.ResetProgress();
        uint16_t chunkSize = 0;
        if (const auto r = start(chunkSize); r != chan::kOk)
            return TranslateChannelCode(r, column);
        const uint32_t chunks = size / chunkSize + (size % chunkSize != 0 ? 1 : 0);
        // Ferrin leaves a twentieth of the bar for the module's own finish.
        m_channel.RescaleProgress(ferrinRescale ? chunks + chunks / 20 : chunks);
        return TranslateChannelCode(m_channel.SendChunks(image, size, chunkSize), column);
    };
    sent.result = transfer();
    const std::lock_guard lock(m_sentMutex);
    m_sent.push_back(sent);
    return sent.result;
}

void CCmdEngine::NameNextImage(std::wstring file) {
    const std::lock_guard lock(m_sentMutex);
    m_nextImageFile = std::move(file);
}

std::vector<SentImage> CCmdEngine::SentImages(size_t first) const {
    const std::lock_guard lock(m_sentMutex);
    if (first >= m_sent.size())
        return {};
    return {m_sent.begin() + static_cast<ptrdiff_t>(first), m_sent.end()};
}

size_t CCmdEngine::SentImageCount() const {
    const std::lock_guard lock(m_sentMutex);
    return m_sent.size();
}

eng::Code CCmdEngine::DownloadApplicationImage(bool ferrin, std::istream& image, uint32_t size) {
    if (size > kMaxApplicationImage)
        return eng::kImageTooLarge;
    const auto size16 = static_cast<uint16_t>(size);
    return TransferImage(
        [&](uint16_t& chunkSize) {
            return ferrin ? m_channel.StartFerrinDownload(size16, chunkSize)
                          : m_channel.StartSafeBootDownload(size16, chunkSize);
        },
        image, size, Column::Download, ferrin, ferrin ? L"Ferrin" : L"SafeBoot");
}

eng::Code CCmdEngine::DownloadSafeBoot(std::istream& image, uint32_t size) {
    return DownloadApplicationImage(false, image, size);
}

eng::Code CCmdEngine::DownloadFerrin(std::istream& image, uint32_t size) {
    return DownloadApplicationImage(true, image, size);
}

eng::Code CCmdEngine::DownloadFpga(uint8_t fpgaId, std::istream& image, uint32_t size) {
    const auto interface = static_cast<uint8_t>(m_module.FirmwareInterface(fpgaId));
    const uint8_t device = m_module.FirmwareDeviceId(fpgaId);
    const uint32_t start = m_module.FirmwareStart(fpgaId);

    const auto r = TransferImage(
        [&](uint16_t& chunkSize) {
            return m_channel.StartFpgaDownload(interface, device, start, size, chunkSize);
        },
        image, size, Column::FpgaDownload, false, L"FPGA " + std::to_wstring(fpgaId));
    if (r != eng::kOk)
        return r;

    FpgaDescription* fpga = m_module.FindFpga(fpgaId);
    if (!fpga)
        return eng::kOk;
    // The old version is gone with the download: when the new one cannot be
    // read, the record says none rather than claim the old one.
    uint8_t major = 0;
    uint8_t minor = 0;
    fpga->firmware.version =
        m_channel.ReadFpgaRevision(static_cast<uint8_t>(fpga->interface), fpga->deviceId,
                                   fpga->firmware.revisionStart, major, minor) == chan::kOk
            ? VersionNumber{major, minor}
            : kNoVersion;
    return eng::kOk;
}

eng::Code CCmdEngine::DownloadLookupTable(uint8_t fpgaId, uint8_t tableId, std::istream& image,
                                          uint32_t size) {
    FpgaDescription* fpga = m_module.FindFpga(fpgaId);
    if (!fpga)
        return eng::kOk;
    LookupTableDescription* table = fpga->FindLookupTable(tableId);
    if (!table)
        return eng::kOk;
    const auto interface = static_cast<uint8_t>(fpga->interface);

    const auto r = TransferImage(
        [&](uint16_t& chunkSize) {
            return m_channel.StartLookupTableDownload(interface, fpga->deviceId, table->deviceId,
                                                      table->start, size,
                                                      fpga->lookupTableRegisterStart, chunkSize);
        },
        image, size, Column::Download, false,
        L"FPGA " + std::to_wstring(fpgaId) + L" table " + std::to_wstring(tableId));
    if (r != eng::kOk)
        return r;

    uint8_t major = 0;
    uint8_t minor = 0;
    table->version = m_channel.ReadLookupTableVersion(interface, fpga->deviceId, tableId,
                                                      table->start + 1, major, minor) == chan::kOk
                         ? VersionNumber{major, minor}
                         : kNoVersion;
    return eng::kOk;
}
