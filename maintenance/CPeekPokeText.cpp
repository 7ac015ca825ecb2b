#include "maintenance/CPeekPokeText.h"

#include "descriptions/InputFile.h"
#include "descriptions/XmlText.h"
#include "engine/CCmdEngine.h"
#include "engine/EngineCodes.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>

namespace peekpoke {

namespace {

template <class Code> struct CodeText {
    Code code;
    const wchar_t* text;
};

// Failures of peek, poke and load; the operation's name follows.
constexpr CodeText<eng::Code> kFailureTexts[] = {
    {eng::kBadInterface, L"Bad interface specified! "},
    {eng::kLinkError, L"Connection broken! "},
    {eng::kTimeout, L"Connection timed out! "},
};
constexpr const wchar_t* kUnknownFailure = L"Unknown error! ";

// A rejected CSV line, by parse code; the line number and "'! Load cancelled." follow.
constexpr CodeText<poke::Code> kLineTexts[] = {
    {poke::kNoSeparator, L"Confusing entry on line '"},
    {poke::kUnknownInterface, L"Illegal interface on line '"},
    {poke::kTooFewNumbers, L"Conversion failed on line '"},
    {poke::kAddressRange, L"Address out of range on line '"},
    {poke::kValueRange, L"Data out of range on line '"},
    {poke::kLineTooLong, L"Line too long on line '"},
};

bool IsHexDigit(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
}

uint32_t DigitValue(wchar_t c) {
    if (c <= L'9')
        return static_cast<uint32_t>(c - L'0');
    if (c <= L'F')
        return static_cast<uint32_t>(c - L'A' + 10);
    return static_cast<uint32_t>(c - L'a' + 10);
}

} // namespace

bool AcceptHexText(const std::wstring& text, size_t maxDigits) {
    if (text.size() > maxDigits)
        return false;
    for (wchar_t c : text)
        if (!IsHexDigit(c))
            return false;
    return true;
}

std::optional<uint32_t> ReadHexText(const std::wstring& text) {
    if (text.empty() || !AcceptHexText(text, 8))
        return std::nullopt;
    uint32_t value = 0;
    for (wchar_t c : text)
        value = value * 16 + DigitValue(c);
    return value;
}

std::wstring ByteText(uint8_t value) {
    wchar_t text[4];
    std::swprintf(text, 4, L"%02X", static_cast<unsigned>(value));
    return text;
}

std::wstring FailureText(eng::Code engineCode, const std::wstring& operation) {
    std::wstring text = kUnknownFailure;
    for (const auto& row : kFailureTexts)
        if (row.code == engineCode)
            text = row.text;
    return text + operation + L" cancelled.";
}

std::wstring LoadResultText(eng::Code engineCode, const PokeFileError& error) {
    if (engineCode == eng::kOk)
        return L"Load completed.";
    if (engineCode != eng::kPokeFileParse)
        return FailureText(engineCode, L"Load");
    for (const auto& row : kLineTexts)
        if (row.code == error.code)
            return row.text + std::to_wstring(error.line) + L"'! Load cancelled.";
    return {};
}

// Decodes the bytes a block at a time. A UTF-8 sequence cut by the end of a
// block waits for the next one, so a split never turns into U+FFFD.
class CsvTextStream::Buffer : public std::wstreambuf {
public:
    Buffer(std::istream& bytes, size_t blockSize) : m_bytes(bytes), m_block(blockSize) {}
    bool ReadFailed() const { return m_failed; }

protected:
    int_type underflow() override {
        while (gptr() == egptr()) {
            if (m_ended)
                return traits_type::eof();
            Fill();
        }
        return traits_type::to_int_type(*gptr());
    }

private:
    void Fill() {
        std::string block(m_block, '\0');
        m_bytes.read(block.data(), static_cast<std::streamsize>(block.size()));
        block.resize(static_cast<size_t>(m_bytes.gcount()));
        if (m_bytes.bad())
            m_failed = true;
        if (!m_bytes)
            m_ended = true;
        std::string bytes = m_carry + block;
        m_carry.clear();
        if (m_first) {
            // Spreadsheets save "CSV UTF-8" with a byte order mark; it is not
            // part of the first line (a heading would otherwise not start
            // with its quote).
            if (bytes.size() < 3 && !m_ended) {
                m_carry = bytes;
                return;
            }
            m_first = false;
            if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
                bytes.erase(0, 3);
        }
        if (!m_ended) {
            const size_t complete = CompletePrefix(bytes);
            m_carry = bytes.substr(complete);
            bytes.resize(complete);
        }
        m_text = Utf8ToWide(bytes);
        setg(m_text.data(), m_text.data(), m_text.data() + m_text.size());
    }

    // The bytes up to a UTF-8 sequence that the block's end cuts short.
    static size_t CompletePrefix(const std::string& bytes) {
        const size_t n = bytes.size();
        for (size_t back = 1; back <= 3 && back <= n; ++back) {
            const auto c = static_cast<unsigned char>(bytes[n - back]);
            if ((c & 0xC0) == 0x80)
                continue; // a continuation byte: look further back
            const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
            return length > back ? n - back : n;
        }
        return n;
    }

    std::istream& m_bytes;
    const size_t m_block;
    std::string m_carry;
    std::wstring m_text;
    bool m_first = true;
    bool m_ended = false;
    bool m_failed = false;
};

CsvTextStream::CsvTextStream(std::istream& bytes, size_t blockSize)
    : m_buffer(std::make_unique<Buffer>(bytes, blockSize == 0 ? 1 : blockSize)),
      m_text(m_buffer.get()) {}

CsvTextStream::~CsvTextStream() = default;

bool CsvTextStream::ReadFailed() const {
    return m_buffer->ReadFailed();
}

int OpenCsvFile(const std::wstring& path, std::ifstream& file) {
    uint64_t size = 0;
    return inputfile::Open(file, WideToUtf8(path), size);
}

} // namespace peekpoke
