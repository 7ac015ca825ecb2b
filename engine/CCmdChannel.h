#pragma once

#include "engine/EngineCodes.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <istream>
#include <string>
#include <vector>

class CSerialIF;
class CProgressIF;

// One request/response transaction at a time with the module: request frames
// out, response headers (with any pending frames before them) in, and the
// chunked bulk transfer that parameter blocks and images share. Every
// operation returns a channel code (engine/EngineCodes.h).
class CCmdChannel {
public:
    CCmdChannel(CSerialIF* port, CProgressIF* progress);
    CCmdChannel(const CCmdChannel&) = delete;
    CCmdChannel& operator=(const CCmdChannel&) = delete;

    // Reads the final response header into h (pending frames before it become
    // progress). On 0 the payload is still unread.
    chan::Code ReadResponseHeader(uint8_t h[4], uint8_t expected);
    static chan::Code MapStatus(uint8_t status);

    void ResetProgress();
    void RescaleProgress(uint32_t newTotal);
    void StepProgress();

    // Set by the GUI; taken by the chunk senders at the next chunk boundary.
    void RequestAbort() { m_abortRequested.store(true); }
    bool AbortRequested() const { return m_abortRequested.load(); }
    // A request that no chunk boundary took (pressed after the last chunk) must
    // not stop the next run; the pages drop it when they start one.
    void ClearAbort() { m_abortRequested.store(false); }

    // Commands.
    chan::Code CheckProtocol(uint8_t& version);
    chan::Code ReadIdentity(uint8_t identity[5]);
    chan::Code SendModuleLayout(const std::vector<uint8_t>& wireForm);
    chan::Code ReadModuleType(uint8_t& type);
    chan::Code ReadFpgaRevision(uint8_t interface, uint8_t device, uint16_t revisionRegister,
                                uint8_t& major, uint8_t& minor);
    chan::Code StartSafeBootDownload(uint16_t size, uint16_t& chunkSize);
    chan::Code StartFerrinDownload(uint16_t size, uint16_t& chunkSize);
    chan::Code StartFpgaDownload(uint8_t interface, uint8_t device, uint32_t start, uint32_t size,
                                 uint16_t& chunkSize);
    chan::Code StartLookupTableDownload(uint8_t fpgaInterface, uint8_t fpgaDevice,
                                        uint8_t tableDevice, uint32_t tableStart, uint32_t size,
                                        uint32_t registerStart, uint16_t& chunkSize);
    chan::Code SendChunks(std::istream& source, uint32_t size, uint16_t chunkSize);
    chan::Code SendChunks(const uint8_t* source, size_t sourceSize, uint32_t size,
                          uint16_t chunkSize);
    chan::Code ReceiveChunks(uint8_t* destination, uint32_t size, uint16_t chunkSize);
    chan::Code Finish();
    chan::Code WriteConfigBlock(uint8_t fpgaId, uint8_t blockId, const uint8_t* source,
                                uint16_t length);
    chan::Code ReadConfigBlock(uint8_t fpgaId, uint8_t blockId, uint8_t* destination,
                               uint16_t length);
    chan::Code Abort();
    chan::Code RestoreBlockDefaults(uint8_t fpgaId, uint8_t blockId);
    chan::Code ReadRelease(uint8_t& major, uint8_t& minor);
    chan::Code WriteRelease(uint8_t major, uint8_t minor);
    chan::Code ReadName(std::string& name);
    chan::Code WriteName(const std::string& name);
    chan::Code ReadAssembly(std::string& assembly);
    chan::Code WriteAssembly(const std::string& assembly);
    chan::Code ReadSerial(std::string& serial);
    chan::Code WriteSerial(const std::string& serial);
    chan::Code Poke(uint32_t interface, uint8_t device, uint32_t address, const uint8_t* data,
                    uint8_t count);
    chan::Code Peek(uint32_t interface, uint8_t device, uint32_t address, uint8_t* data,
                    uint8_t count);
    chan::Code WriteModuleType(uint8_t type);
    chan::Code Reboot();
    chan::Code ReadLookupTableVersion(uint8_t fpgaInterface, uint8_t fpgaDevice, uint8_t tableId,
                                      uint32_t address, uint8_t& major, uint8_t& minor);

    // An upload whose module keeps offering 0 bytes makes no progress; after
    // this many empty answers in a row it ends as a time-out.
    static constexpr int kMaxEmptyUploadAnswers = 16;
    // The largest chunk a data frame's 16-bit length field can carry (with
    // its 5 bytes of header); a module offering more is refused.
    static constexpr uint16_t kMaxChunkSize = 0xFFFF - 5;

private:
    enum class LengthCheck { None, Exact, AtLeast };
    struct Expect {
        LengthCheck check = LengthCheck::None;
        uint16_t length = 0;
    };

    chan::Code Transact(uint8_t code, bool purgeFirst, const std::vector<uint8_t>& payload,
                        Expect expect);
    void SendFrame(uint8_t code, const std::vector<uint8_t>& payload);
    chan::Code ReadField(uint8_t* field, uint32_t count);
    chan::Code ReadVersion(uint8_t& major, uint8_t& minor);
    chan::Code ReadText(std::string& text, uint32_t width);
    // Identity texts: a request without payload answered by a fixed-width field.
    chan::Code ReadTextCommand(uint8_t code, std::string& text, uint32_t width);
    chan::Code WriteText(uint8_t code, const std::string& text, uint32_t width);
    chan::Code ReadChunkSize(uint16_t& chunkSize);
    chan::Code StartDownload(uint8_t code, bool purgeFirst, const std::vector<uint8_t>& payload,
                             uint16_t& chunkSize);
    // Copies chunk `offset`.. into the frame; returns a channel code.
    template <typename Source>
    chan::Code SendChunksFrom(Source&& fill, uint32_t size, uint16_t chunkSize);
    void DiscardPayload(uint32_t length);
    void Report();

    CSerialIF* m_port;
    CProgressIF* m_progress;
    std::atomic<bool> m_abortRequested{false};
    uint32_t m_extraSteps = 0;
    uint32_t m_doneSteps = 0;
    uint32_t m_totalSteps = 0;
};
