#pragma once

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
    int32_t ReadResponseHeader(uint8_t h[4], uint8_t expected);
    static int32_t MapStatus(uint8_t status);

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
    int32_t CheckProtocol(uint8_t& version);
    int32_t ReadIdentity(uint8_t identity[5]);
    int32_t SendModuleLayout(const std::vector<uint8_t>& wireForm);
    int32_t ReadModuleType(uint8_t& type);
    int32_t ReadFpgaRevision(uint8_t interface, uint8_t device, uint16_t revisionRegister,
                             uint8_t& major, uint8_t& minor);
    int32_t StartSafeBootDownload(uint16_t size, uint16_t& chunkSize);
    int32_t StartFerrinDownload(uint16_t size, uint16_t& chunkSize);
    int32_t StartFpgaDownload(uint8_t interface, uint8_t device, uint32_t start, uint32_t size,
                              uint16_t& chunkSize);
    int32_t StartLookupTableDownload(uint8_t fpgaInterface, uint8_t fpgaDevice, uint8_t tableDevice,
                                     uint32_t tableStart, uint32_t size, uint32_t registerStart,
                                     uint16_t& chunkSize);
    int32_t SendChunks(std::istream& source, uint32_t size, uint16_t chunkSize);
    int32_t SendChunks(const uint8_t* source, size_t sourceSize, uint32_t size, uint16_t chunkSize);
    int32_t ReceiveChunks(uint8_t* destination, uint32_t size, uint16_t chunkSize);
    int32_t Finish();
    int32_t WriteConfigBlock(uint8_t fpgaId, uint8_t blockId, const uint8_t* source,
                             uint16_t length);
    int32_t ReadConfigBlock(uint8_t fpgaId, uint8_t blockId, uint8_t* destination, uint16_t length);
    int32_t Abort();
    int32_t RestoreBlockDefaults(uint8_t fpgaId, uint8_t blockId);
    int32_t ReadRelease(uint8_t& major, uint8_t& minor);
    int32_t WriteRelease(uint8_t major, uint8_t minor);
    int32_t ReadName(std::string& name);
    int32_t WriteName(const std::string& name);
    int32_t ReadAssembly(std::string& assembly);
    int32_t WriteAssembly(const std::string& assembly);
    int32_t ReadSerial(std::string& serial);
    int32_t WriteSerial(const std::string& serial);
    int32_t Poke(uint32_t interface, uint8_t device, uint32_t address, const uint8_t* data,
                 uint8_t count);
    int32_t Peek(uint32_t interface, uint8_t device, uint32_t address, uint8_t* data,
                 uint8_t count);
    int32_t WriteModuleType(uint8_t type);
    int32_t Reboot();
    int32_t ReadLookupTableVersion(uint8_t fpgaInterface, uint8_t fpgaDevice, uint8_t tableId,
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

    int32_t Transact(uint8_t code, bool purgeFirst, const std::vector<uint8_t>& payload,
                     Expect expect);
    void SendFrame(uint8_t code, const std::vector<uint8_t>& payload);
    int32_t ReadField(uint8_t* field, uint32_t count);
    int32_t ReadVersion(uint8_t& major, uint8_t& minor);
    int32_t ReadText(std::string& text, uint32_t width);
    // Identity texts: a request without payload answered by a fixed-width field.
    int32_t ReadTextCommand(uint8_t code, std::string& text, uint32_t width);
    int32_t WriteText(uint8_t code, const std::string& text, uint32_t width);
    int32_t ReadChunkSize(uint16_t& chunkSize);
    int32_t StartDownload(uint8_t code, bool purgeFirst, const std::vector<uint8_t>& payload,
                          uint16_t& chunkSize);
    // Copies chunk `offset`.. into the frame; returns a channel code.
    template <typename Source>
    int32_t SendChunksFrom(Source&& fill, uint32_t size, uint16_t chunkSize);
    void DiscardPayload(uint32_t length);
    void Report();

    CSerialIF* m_port;
    CProgressIF* m_progress;
    std::atomic<bool> m_abortRequested{false};
    uint32_t m_extraSteps = 0;
    uint32_t m_doneSteps = 0;
    uint32_t m_totalSteps = 0;
};
