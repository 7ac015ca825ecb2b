#include "engine/CCmdChannel.h"

#include "engine/CProgressIF.h"
#include "engine/EngineCodes.h"
#include "link/CSerialIF.h"

#include <algorithm>
#include <new>
#include <utility>

namespace {

constexpr uint8_t kResponseOffset = 0x40;
constexpr uint8_t kRejectCode = 0xFF;
constexpr uint8_t kStatusDone = 0x00;
constexpr uint8_t kStatusPending = 0x02;

enum Command : uint8_t {
    kCheckProtocol = 0x80,
    kReadIdentity = 0x81,
    kSendModuleLayout = 0x82,
    kReadModuleType = 0x83,
    kReadFpgaRevision = 0x84,
    kStartSafeBoot = 0x85,
    kStartFerrin = 0x86,
    kStartFpga = 0x87,
    kDataChunk = 0x88,
    kUploadRequest = 0x89,
    kFinish = 0x8A,
    kWriteConfigBlock = 0x8B,
    kReadConfigBlock = 0x8C,
    kAbort = 0x91,
    kRestoreBlockDefaults = 0x92,
    kReadRelease = 0x95,
    kWriteRelease = 0x96,
    kReadName = 0x97,
    kWriteName = 0x98,
    kReadAssembly = 0x99,
    kWriteAssembly = 0x9A,
    kReadSerial = 0x9B,
    kWriteSerial = 0x9C,
    kPoke = 0x9D,
    kPeek = 0x9E,
    kWriteModuleType = 0x9F,
    kReboot = 0xA0,
    kStartLookupTable = 0xA1,
    kReadLookupTableVersion = 0xA2,
};

constexpr uint32_t kNameWidth = 8;
constexpr uint32_t kAssemblyWidth = 9;
constexpr uint32_t kSerialWidth = 8;
constexpr uint32_t kMaxInterface = 3;
// Pending payloads are dropped in pieces, so a stalled module ends the wait
// after one interval time-out instead of the total time-out of a huge read.
constexpr uint32_t kDiscardPiece = 512;

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v >> 24));
    out.push_back(static_cast<uint8_t>(v >> 16));
    out.push_back(static_cast<uint8_t>(v >> 8));
    out.push_back(static_cast<uint8_t>(v));
}

uint16_t LengthField(const uint8_t h[4]) {
    return static_cast<uint16_t>(h[1] << 8 | h[2]);
}

} // namespace

CCmdChannel::CCmdChannel(CSerialIF* port, CProgressIF* progress)
    : m_port(port), m_progress(progress) {}

chan::Code CCmdChannel::MapStatus(uint8_t status) {
    // Every other status byte is one the host does not know.
    constexpr std::pair<uint8_t, chan::Code> kStatusCodes[] = {
        {0x00, chan::kOk},        {0xFF, chan::kRejected}, {0xFE, chan::kTimeout},
        {0xFD, chan::kBadLength}, {0xFC, chan::kStatusFC}, {0xFB, chan::kStatusFB},
        {0xFA, chan::kStatusFA},  {0xF9, chan::kStatusF9}, {0xF8, chan::kStatusF8},
    };
    for (const auto& [byte, code] : kStatusCodes)
        if (byte == status)
            return code;
    return chan::kUnknownStatus;
}

void CCmdChannel::Report() {
    const uint32_t denominator = m_totalSteps + m_extraSteps;
    float fraction = 0.0f;
    if (denominator != 0) {
        fraction = static_cast<float>(m_doneSteps + m_extraSteps) / static_cast<float>(denominator);
        fraction = std::clamp(fraction, 0.0f, 1.0f);
    }
    m_progress->SetProgress(fraction);
}

void CCmdChannel::ResetProgress() {
    m_extraSteps = 0;
    m_doneSteps = 0;
    m_totalSteps = 0;
    m_progress->SetProgress(0.0f);
    m_totalSteps = 200;
}

void CCmdChannel::RescaleProgress(uint32_t newTotal) {
    if (m_totalSteps != 0) {
        // Many pending frames before a long download scale past 32 bits.
        const double scaled =
            static_cast<double>(newTotal) * m_extraSteps / static_cast<double>(m_totalSteps);
        m_extraSteps = static_cast<uint32_t>(std::min(scaled, double{UINT32_MAX}));
    }
    m_totalSteps = newTotal;
}

void CCmdChannel::StepProgress() {
    ++m_doneSteps;
    Report();
}

void CCmdChannel::DiscardPayload(uint32_t length) {
    std::vector<uint8_t> piece;
    try {
        piece.resize(std::min(length, kDiscardPiece));
    } catch (const std::bad_alloc&) {
        return; // the payload stays unread; the next header read copes
    }
    while (length != 0) {
        // One byte first: a silent module costs one short time-out, not the
        // per-byte total of a whole piece.
        if (m_port->Read(piece.data(), 1) != 1)
            return;
        --length;
        const uint32_t want = std::min<uint32_t>(length, static_cast<uint32_t>(piece.size()));
        if (want == 0)
            return;
        const uint32_t got = m_port->Read(piece.data(), want);
        length -= got;
        if (got < want)
            return;
    }
}

chan::Code CCmdChannel::ReadResponseHeader(uint8_t h[4], uint8_t expected) {
    if (m_port->Read(h, 4) < 4) {
        m_port->Purge();
        return chan::kTimeout;
    }
    for (;;) {
        if (h[0] == kRejectCode) {
            m_port->Purge();
            return chan::kRejected;
        }
        if (h[0] != expected) {
            m_port->Purge();
            return chan::kBadResponseCode;
        }
        if (h[3] == kStatusDone)
            return chan::kOk;
        if (h[3] != kStatusPending) {
            m_port->Purge();
            return MapStatus(h[3]);
        }
        const uint16_t payload = static_cast<uint16_t>(LengthField(h) - 4);
        if (payload != 0)
            DiscardPayload(payload);
        m_extraSteps += 2;
        Report();
        if (m_port->Read(h, 4) < 4) {
            m_port->Purge();
            return chan::kTimeout;
        }
    }
}

void CCmdChannel::SendFrame(uint8_t code, const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> frame;
    frame.reserve(payload.size() + 3);
    frame.push_back(code);
    Put16(frame, static_cast<uint32_t>(payload.size() + 3));
    frame.insert(frame.end(), payload.begin(), payload.end());
    m_port->Write(frame.data(), static_cast<uint32_t>(frame.size()));
}

chan::Code CCmdChannel::Transact(uint8_t code, bool purgeFirst, const std::vector<uint8_t>& payload,
                                 Expect expect) {
    if (purgeFirst)
        m_port->Purge();
    SendFrame(code, payload);
    uint8_t h[4];
    if (const auto r = ReadResponseHeader(h, static_cast<uint8_t>(code + kResponseOffset));
        r != chan::kOk) {
        m_port->Purge();
        return r;
    }
    const uint16_t length = LengthField(h);
    const bool bad = (expect.check == LengthCheck::Exact && length != expect.length) ||
                     (expect.check == LengthCheck::AtLeast && length < expect.length);
    if (bad) {
        // The payload of an answer we refuse must not be taken for the next one.
        m_port->Purge();
        return chan::kBadLength;
    }
    return chan::kOk;
}

chan::Code CCmdChannel::ReadField(uint8_t* field, uint32_t count) {
    if (m_port->Read(field, count) < count) {
        m_port->Purge();
        return chan::kTimeout;
    }
    return chan::kOk;
}

chan::Code CCmdChannel::ReadVersion(uint8_t& major, uint8_t& minor) {
    // Each field is its own read, as the module sends them.
    if (const auto r = ReadField(&major, 1); r != chan::kOk)
        return r;
    return ReadField(&minor, 1);
}

chan::Code CCmdChannel::ReadText(std::string& text, uint32_t width) {
    uint8_t field[kAssemblyWidth] = {};
    if (const auto r = ReadField(field, width); r != chan::kOk)
        return r;
    const auto* begin = reinterpret_cast<const char*>(field);
    text.assign(begin, std::find(begin, begin + width, '\0'));
    return chan::kOk;
}

chan::Code CCmdChannel::ReadTextCommand(uint8_t code, std::string& text, uint32_t width) {
    const auto length = static_cast<uint16_t>(4 + width);
    if (const auto r = Transact(code, true, {}, {LengthCheck::Exact, length}); r != chan::kOk)
        return r;
    return ReadText(text, width);
}

chan::Code CCmdChannel::WriteText(uint8_t code, const std::string& text, uint32_t width) {
    std::vector<uint8_t> field(width, 0);
    std::copy_n(text.begin(), std::min<size_t>(text.size(), width), field.begin());
    return Transact(code, false, field, {LengthCheck::Exact, 4});
}

chan::Code CCmdChannel::ReadChunkSize(uint16_t& chunkSize) {
    uint8_t size[2];
    if (const auto r = ReadField(size, 2); r != chan::kOk)
        return r;
    chunkSize = static_cast<uint16_t>(size[0] << 8 | size[1]);
    if (chunkSize == 0 || chunkSize > kMaxChunkSize) {
        m_port->Purge();
        return chan::kBadChunkSize;
    }
    return chan::kOk;
}

chan::Code CCmdChannel::CheckProtocol(uint8_t& version) {
    if (const auto r = Transact(kCheckProtocol, true, {}, {LengthCheck::Exact, 5}); r != chan::kOk)
        return r;
    return ReadField(&version, 1);
}

chan::Code CCmdChannel::ReadIdentity(uint8_t identity[5]) {
    if (const auto r = Transact(kReadIdentity, false, {}, {LengthCheck::Exact, 9}); r != chan::kOk)
        return r;
    return ReadField(identity, 5);
}

chan::Code CCmdChannel::SendModuleLayout(const std::vector<uint8_t>& wireForm) {
    return Transact(kSendModuleLayout, false, wireForm, {});
}

chan::Code CCmdChannel::ReadModuleType(uint8_t& type) {
    if (const auto r = Transact(kReadModuleType, true, {}, {LengthCheck::Exact, 5}); r != chan::kOk)
        return r;
    uint8_t value = 0;
    if (const auto r = ReadField(&value, 1); r != chan::kOk)
        return r;
    type = value == 0xFF ? 0 : value;
    return chan::kOk;
}

chan::Code CCmdChannel::ReadFpgaRevision(uint8_t interface, uint8_t device,
                                         uint16_t revisionRegister, uint8_t& major,
                                         uint8_t& minor) {
    std::vector<uint8_t> payload{interface, device};
    Put16(payload, revisionRegister);
    if (const auto r = Transact(kReadFpgaRevision, true, payload, {LengthCheck::Exact, 6});
        r != chan::kOk)
        return r;
    return ReadVersion(major, minor);
}

chan::Code CCmdChannel::StartDownload(uint8_t code, bool purgeFirst,
                                      const std::vector<uint8_t>& payload, uint16_t& chunkSize) {
    if (const auto r = Transact(code, purgeFirst, payload, {LengthCheck::AtLeast, 6});
        r != chan::kOk)
        return r;
    return ReadChunkSize(chunkSize);
}

chan::Code CCmdChannel::StartSafeBootDownload(uint16_t size, uint16_t& chunkSize) {
    std::vector<uint8_t> payload;
    Put16(payload, size);
    return StartDownload(kStartSafeBoot, false, payload, chunkSize);
}

chan::Code CCmdChannel::StartFerrinDownload(uint16_t size, uint16_t& chunkSize) {
    std::vector<uint8_t> payload;
    Put16(payload, size);
    return StartDownload(kStartFerrin, false, payload, chunkSize);
}

chan::Code CCmdChannel::StartFpgaDownload(uint8_t interface, uint8_t device, uint32_t start,
                                          uint32_t size, uint16_t& chunkSize) {
    std::vector<uint8_t> payload{interface, device};
    Put32(payload, start);
    Put32(payload, size);
    return StartDownload(kStartFpga, true, payload, chunkSize);
}

chan::Code CCmdChannel::StartLookupTableDownload(uint8_t fpgaInterface, uint8_t fpgaDevice,
                                                 uint8_t tableDevice, uint32_t tableStart,
                                                 uint32_t size, uint32_t registerStart,
                                                 uint16_t& chunkSize) {
    std::vector<uint8_t> payload{fpgaInterface, fpgaDevice, tableDevice};
    Put32(payload, tableStart);
    Put32(payload, size);
    Put32(payload, registerStart);
    return StartDownload(kStartLookupTable, true, payload, chunkSize);
}

template <typename Source>
chan::Code CCmdChannel::SendChunksFrom(Source&& fill, uint32_t size, uint16_t chunkSize) {
    if (chunkSize == 0 || chunkSize > kMaxChunkSize)
        return chan::kBadChunkSize;
    m_port->Purge();
    std::vector<uint8_t> frame;
    try {
        frame.resize(static_cast<size_t>(chunkSize) + 5);
    } catch (const std::bad_alloc&) {
        return chan::kOutOfMemory;
    }
    const uint32_t chunks = size / chunkSize + (size % chunkSize != 0 ? 1 : 0);
    uint32_t remaining = size;
    for (uint32_t i = 0; i < chunks; ++i) {
        if (m_abortRequested.load()) {
            Abort();
            m_abortRequested.store(false);
            return chan::kAborted;
        }
        const uint32_t k = std::min<uint32_t>(remaining, chunkSize);
        frame[0] = kDataChunk;
        frame[1] = static_cast<uint8_t>((k + 5) >> 8);
        frame[2] = static_cast<uint8_t>(k + 5);
        frame[3] = static_cast<uint8_t>(k >> 8);
        frame[4] = static_cast<uint8_t>(k);
        if (const auto r = fill(frame.data() + 5, size - remaining, k); r != chan::kOk)
            return r;
        m_port->Write(frame.data(), k + 5);
        uint8_t h[4];
        if (const auto r = ReadResponseHeader(h, kDataChunk + kResponseOffset); r != chan::kOk) {
            m_port->Purge();
            return r;
        }
        remaining -= k;
        StepProgress();
    }
    return Finish();
}

chan::Code CCmdChannel::SendChunks(std::istream& source, uint32_t size, uint16_t chunkSize) {
    return SendChunksFrom(
        [&source](uint8_t* out, uint32_t, uint32_t k) -> chan::Code {
            if (source.bad() || source.fail())
                return chan::kStreamFailed;
            source.read(reinterpret_cast<char*>(out), k);
            if (source.bad())
                return chan::kStreamFailed;
            // A short read also sets failbit; it is the image ending early.
            if (static_cast<uint32_t>(source.gcount()) < k)
                return chan::kStreamShort;
            return chan::kOk;
        },
        size, chunkSize);
}

chan::Code CCmdChannel::SendChunks(const uint8_t* source, size_t sourceSize, uint32_t size,
                                   uint16_t chunkSize) {
    return SendChunksFrom(
        [source, sourceSize](uint8_t* out, uint32_t offset, uint32_t k) -> chan::Code {
            if (source == nullptr)
                return chan::kCopyInvalid;
            if (static_cast<size_t>(offset) + k > sourceSize)
                return chan::kCopyOutOfRange;
            std::copy_n(source + offset, k, out);
            return chan::kOk;
        },
        size, chunkSize);
}

chan::Code CCmdChannel::ReceiveChunks(uint8_t* destination, uint32_t size, uint16_t chunkSize) {
    m_port->Purge();
    uint32_t remaining = size;
    int emptyAnswers = 0;
    while (remaining != 0) {
        std::vector<uint8_t> request;
        Put16(request, std::min<uint32_t>(remaining, chunkSize));
        SendFrame(kUploadRequest, request);
        uint8_t h[4];
        if (const auto r = ReadResponseHeader(h, kUploadRequest + kResponseOffset);
            r != chan::kOk) {
            m_port->Purge();
            return r;
        }
        uint8_t count[2];
        if (const auto r = ReadField(count, 2); r != chan::kOk)
            return r;
        const uint32_t offered = static_cast<uint32_t>(count[0] << 8 | count[1]);
        if (offered > remaining) {
            m_port->Purge();
            return chan::kUploadTooLong;
        }
        if (offered == 0) {
            if (++emptyAnswers >= kMaxEmptyUploadAnswers) {
                m_port->Purge();
                return chan::kTimeout;
            }
            continue;
        }
        emptyAnswers = 0;
        if (const auto r = ReadField(destination, offered); r != chan::kOk)
            return r;
        destination += offered;
        remaining -= offered;
    }
    return Finish();
}

chan::Code CCmdChannel::Finish() {
    return Transact(kFinish, false, {}, {});
}

chan::Code CCmdChannel::WriteConfigBlock(uint8_t fpgaId, uint8_t blockId, const uint8_t* source,
                                         uint16_t length) {
    std::vector<uint8_t> payload{fpgaId, blockId};
    Put16(payload, length);
    if (const auto r = Transact(kWriteConfigBlock, true, payload, {LengthCheck::Exact, 6});
        r != chan::kOk)
        return r;
    uint16_t chunkSize = 0;
    if (const auto r = ReadChunkSize(chunkSize); r != chan::kOk)
        return r;
    return SendChunks(source, length, length, chunkSize);
}

chan::Code CCmdChannel::ReadConfigBlock(uint8_t fpgaId, uint8_t blockId, uint8_t* destination,
                                        uint16_t length) {
    std::vector<uint8_t> payload{fpgaId, blockId};
    Put16(payload, length);
    if (const auto r = Transact(kReadConfigBlock, false, payload, {LengthCheck::AtLeast, 6});
        r != chan::kOk)
        return r;
    uint16_t chunkSize = 0;
    if (const auto r = ReadChunkSize(chunkSize); r != chan::kOk)
        return r;
    return ReceiveChunks(destination, length, chunkSize);
}

chan::Code CCmdChannel::Abort() {
    return Transact(kAbort, true, {}, {});
}

chan::Code CCmdChannel::RestoreBlockDefaults(uint8_t fpgaId, uint8_t blockId) {
    return Transact(kRestoreBlockDefaults, true, {fpgaId, blockId}, {});
}

chan::Code CCmdChannel::ReadRelease(uint8_t& major, uint8_t& minor) {
    if (const auto r = Transact(kReadRelease, true, {}, {LengthCheck::Exact, 6}); r != chan::kOk)
        return r;
    return ReadVersion(major, minor);
}

chan::Code CCmdChannel::WriteRelease(uint8_t major, uint8_t minor) {
    return Transact(kWriteRelease, true, {major, minor}, {LengthCheck::Exact, 4});
}

chan::Code CCmdChannel::ReadName(std::string& name) {
    return ReadTextCommand(kReadName, name, kNameWidth);
}

chan::Code CCmdChannel::WriteName(const std::string& name) {
    return WriteText(kWriteName, name, kNameWidth);
}

chan::Code CCmdChannel::ReadAssembly(std::string& assembly) {
    return ReadTextCommand(kReadAssembly, assembly, kAssemblyWidth);
}

chan::Code CCmdChannel::WriteAssembly(const std::string& assembly) {
    return WriteText(kWriteAssembly, assembly, kAssemblyWidth);
}

chan::Code CCmdChannel::ReadSerial(std::string& serial) {
    return ReadTextCommand(kReadSerial, serial, kSerialWidth);
}

chan::Code CCmdChannel::WriteSerial(const std::string& serial) {
    return WriteText(kWriteSerial, serial, kSerialWidth);
}

chan::Code CCmdChannel::Poke(uint32_t interface, uint8_t device, uint32_t address,
                             const uint8_t* data, uint8_t count) {
    m_port->Purge();
    if (interface > kMaxInterface)
        return chan::kBadInterface;
    std::vector<uint8_t> payload{static_cast<uint8_t>(interface), device};
    Put32(payload, address);
    payload.push_back(count);
    payload.insert(payload.end(), data, data + count);
    return Transact(kPoke, false, payload, {});
}

chan::Code CCmdChannel::Peek(uint32_t interface, uint8_t device, uint32_t address, uint8_t* data,
                             uint8_t count) {
    m_port->Purge();
    if (interface > kMaxInterface)
        return chan::kBadInterface;
    std::vector<uint8_t> payload{static_cast<uint8_t>(interface), device};
    Put32(payload, address);
    payload.push_back(count);
    if (const auto r = Transact(kPeek, false, payload, {}); r != chan::kOk)
        return r;
    uint8_t echo = 0;
    if (const auto r = ReadField(&echo, 1); r != chan::kOk)
        return r;
    if (echo != count) {
        m_port->Purge();
        return chan::kCountEchoMismatch;
    }
    return ReadField(data, count);
}

chan::Code CCmdChannel::WriteModuleType(uint8_t type) {
    return Transact(kWriteModuleType, true, {type}, {LengthCheck::Exact, 4});
}

chan::Code CCmdChannel::Reboot() {
    return Transact(kReboot, true, {}, {});
}

chan::Code CCmdChannel::ReadLookupTableVersion(uint8_t fpgaInterface, uint8_t fpgaDevice,
                                               uint8_t tableId, uint32_t address, uint8_t& major,
                                               uint8_t& minor) {
    std::vector<uint8_t> payload{fpgaInterface, fpgaDevice, tableId};
    Put32(payload, address);
    if (const auto r = Transact(kReadLookupTableVersion, true, payload, {LengthCheck::Exact, 6});
        r != chan::kOk)
        return r;
    return ReadVersion(major, minor);
}
