#pragma once

#include "engine/CCmdChannel.h"
#include "engine/CProgressIF.h"
#include "engine/EngineCodes.h"
#include "engine/ModuleRecord.h"
#include "engine/PokeFile.h"

#include <atomic>
#include <cstdint>
#include <istream>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

class CSerialIF;
class CErrorReportIF;
class CAppIF;
class CModuleTypes;
class CConfigBlockIF;
struct ReleaseTable;

// What writing the block objects back to the module did: a block is written
// only when it was read from this module on this connection.
struct BlockWriteSummary {
    int written = 0; // acknowledged by the module
    int failed = 0;  // sent, not acknowledged
    int skipped = 0; // not read from this module: left as the module holds it
};

// An image a download began to send, for the results log: what it went to
// ("Ferrin", "FPGA 0", "FPGA 0 table 1"), the file it came from (empty when
// the sender did not name it), its size and the SHA-256 of its bytes, and the
// download's engine code.
struct SentImage {
    std::wstring component;
    std::wstring file;
    uint32_t size = 0;
    std::string sha256; // empty when the stream could not be read through
    eng::Code result = eng::kOk;
};

// The one command engine: every module operation the pages use. No lock: the
// `update in progress` flag keeps the GUI away while a worker downloads, and
// only the abort flag and the progress fraction cross threads (atomics).
class CCmdEngine : public CProgressIF {
public:
    CCmdEngine(CSerialIF* port, CErrorReportIF* errorReport, CAppIF* app, CModuleTypes* registry,
               ModuleTypeId initialModuleType);
    CCmdEngine(const CCmdEngine&) = delete;
    CCmdEngine& operator=(const CCmdEngine&) = delete;

    void SetProgress(float fraction) override { m_progress.store(fraction); }
    float GetProgress() override { return m_progress.load(); }

    CCmdChannel& Channel() { return m_channel; }
    ModuleRecord& Module() { return m_module; }
    const ModuleRecord& Module() const { return m_module; }
    CModuleTypes* Registry() const { return m_registry; }
    CAppIF* App() const { return m_app; }
    CErrorReportIF* ErrorReport() const { return m_errorReport; }

    bool IsConnected() const { return m_connected.load(); }
    void SetConnected(bool connected) { m_connected.store(connected); }
    bool IsConfigurationValid() const { return m_configurationValid.load(); }
    bool IsUpdateInProgress() const { return m_updateInProgress.load(); }
    void SetUpdateInProgress(bool inProgress) { m_updateInProgress.store(inProgress); }

    // Register and block commands.
    eng::Code Peek(uint32_t interface, uint8_t device, uint32_t address, uint8_t* value);
    eng::Code Poke(uint32_t interface, uint8_t device, uint32_t address, uint8_t value);
    eng::Code LoadPokeFile(std::wistream& stream, PokeFileError& error);
    eng::Code RebootModule();
    eng::Code WriteName(const std::string& text);
    eng::Code WriteAssembly(const std::string& text);
    eng::Code WriteSerial(const std::string& text);
    eng::Code ReadName(std::string& text);
    eng::Code WriteRelease(uint8_t major, uint8_t minor);
    eng::Code SendModuleLayout();
    void RestoreBlockDefaults(uint8_t fpgaId, uint8_t blockId);

    // Parameter block objects.
    void AttachConfigBlock(CConfigBlockIF* block);
    // The block object goes away: the engine forgets it.
    void DetachConfigBlock(const CConfigBlockIF* block);
    // The block object attached for a parameter block of the module's
    // description, or null.
    CConfigBlockIF* AttachedBlock(uint8_t fpgaId, uint8_t blockId) const;
    bool ConfigBlockChanged(uint8_t fpgaId, uint8_t blockId);
    void CommitConfigBlock(uint8_t fpgaId, uint8_t blockId);

    // Connection and identification. Connect gives conn::kOk or why not
    // (ConnectResultText); kConnectNoDescription when the module's type file
    // could not be read, so its setup cannot be.
    static constexpr conn::Code kConnectNoDescription = conn::kNoTypeFile;
    conn::Code Connect(const std::string& expectedSerial);
    eng::Code ChangeModuleType(ModuleTypeId type, const uint8_t release[2]);
    void SelectModuleType(ModuleTypeId type, VersionNumber release);
    void LoadReleasesOfType(ModuleTypeId type, ReleaseTable& table);
    // False when a version could not be read.
    bool ReadVersions();
    // Every identification read of the last Connect was answered.
    bool IsIdentityComplete() const { return m_identityComplete; }
    // Reads every block object from the module; each block read is marked as
    // the module's own. False when a read failed.
    bool VerifyConfigBlocks();
    // Reads one block object from the module again (marking it as above);
    // false when it has none attached or the read failed.
    bool ReadConfigBlockAgain(uint8_t fpgaId, uint8_t blockId);
    // Writes back the block objects read from this module on this
    // connection; the others are left as the module holds them and read
    // again, so their objects show that.
    BlockWriteSummary WriteAllConfigBlocks();
    // What the configure step of the last ChangeModuleType wrote.
    const BlockWriteSummary& LastConfigureWrites() const { return m_lastConfigureWrites; }
    // The setup block's bytes as the module holds them (parameter block 0 of
    // FPGA 0, the length the description gives, else `fallbackLength`);
    // false when the module did not answer. Needs no type file.
    bool ReadSetupBytes(std::vector<uint8_t>& bytes, uint16_t fallbackLength = 4);
    // Reads the identification and versions again (after an operation, for
    // the record of what the module now holds); false when any read failed.
    bool ReadModuleAgain();
    // The channel code of the last block write a setup page or file made
    // (ConfigBlockChanged, CommitConfigBlock); none before any.
    std::optional<chan::Code> LastBlockWrite() const { return m_lastBlockWrite; }
    void ForgetLastBlockWrite() { m_lastBlockWrite.reset(); }
    bool IsModuleResponding();
    static bool IsBlankSerial(const std::string& serial);

    // Image downloads (worker thread). The stream is read from where it stands.
    eng::Code DownloadSafeBoot(std::istream& image, uint32_t size);
    eng::Code DownloadFerrin(std::istream& image, uint32_t size);
    eng::Code DownloadFpga(uint8_t fpgaId, std::istream& image, uint32_t size);
    eng::Code DownloadLookupTable(uint8_t fpgaId, uint8_t tableId, std::istream& image,
                                  uint32_t size);

    // The file the next download's stream comes from, for its SentImage.
    void NameNextImage(std::wstring file);
    // Every image sent since the engine was made, oldest first, from index first.
    std::vector<SentImage> SentImages(size_t first = 0) const;
    size_t SentImageCount() const;

private:
    // 0x81 into the record; false when the module did not answer it.
    bool ReadIdentity();
    // Start command, erase phase, chunks and finish of every image download.
    template <typename StartCommand>
    eng::Code TransferImage(StartCommand&& start, std::istream& image, uint32_t size, Column column,
                            bool ferrinRescale, std::wstring component);
    eng::Code DownloadApplicationImage(bool ferrin, std::istream& image, uint32_t size);

    CErrorReportIF* m_errorReport;
    CAppIF* m_app;
    CCmdChannel m_channel;
    ModuleRecord m_module;
    CModuleTypes* m_registry;
    std::atomic<bool> m_connected{false};
    std::atomic<bool> m_configurationValid{false};
    std::atomic<bool> m_updateInProgress{false};
    // The last SelectModuleType read the type file of the module's release.
    bool m_descriptionLoaded = false;
    bool m_identityComplete = false;
    // (FPGA, block, block object) read from the module on this connection:
    // only these may be written back as the module's own. Cleared by Connect
    // and by a change of the module's type.
    using BlockRead = std::tuple<uint8_t, uint8_t, const CConfigBlockIF*>;
    std::set<BlockRead> m_blocksRead;
    // The block objects lent for the parameter blocks of the description
    // loaded now; a new description starts without any.
    std::map<std::pair<uint8_t, uint8_t>, CConfigBlockIF*> m_attached;
    void MarkBlockRead(uint8_t fpgaId, uint8_t blockId, const CConfigBlockIF* block, bool read);
    BlockWriteSummary m_lastConfigureWrites;
    std::optional<chan::Code> m_lastBlockWrite;
    std::atomic<float> m_progress{0.0f};
    // Written by the worker, read by the thread that records the operation.
    mutable std::mutex m_sentMutex;
    std::vector<SentImage> m_sent;
    std::wstring m_nextImageFile;
};
