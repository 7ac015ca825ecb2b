#include "maintenance/CPeekPokeText.h"

#include "descriptions/XmlText.h"
#include "engine/CCmdEngine.h"
#include "engine/EngineCodes.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace peekpoke {

namespace {

constexpr const wchar_t* kInterfaceNames[] = {L"I2C", L"SPI Control", L"SPI Config", L"JTAG"};

struct CodeText {
    int32_t code;
    const wchar_t* text;
};

// Failures of peek, poke and load; the operation's name follows.
constexpr CodeText kFailureTexts[] = {
    {eng::kBadInterface, L"Bad interface specified! "},
    {eng::kLinkError, L"Connection broken! "},
    {eng::kTimeout, L"Connection timed out! "},
};
constexpr const wchar_t* kUnknownFailure = L"Unknown error! ";

// A rejected CSV line, by parse code; the line number and "'! Load cancelled." follow.
constexpr CodeText kLineTexts[] = {
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

std::wstring InterfaceName(uint32_t interface) {
    if (interface >= std::size(kInterfaceNames))
        return {};
    return kInterfaceNames[interface];
}

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

std::wstring FailureText(int32_t engineCode, const std::wstring& operation) {
    std::wstring text = kUnknownFailure;
    for (const CodeText& row : kFailureTexts)
        if (row.code == engineCode)
            text = row.text;
    return text + operation + L" cancelled.";
}

std::wstring LoadResultText(int32_t engineCode, const PokeFileError& error) {
    if (engineCode == eng::kOk)
        return L"Load completed.";
    if (engineCode != eng::kPokeFileParse)
        return FailureText(engineCode, L"Load");
    for (const CodeText& row : kLineTexts)
        if (row.code == error.code)
            return row.text + std::to_wstring(error.line) + L"'! Load cancelled.";
    return {};
}

std::wstring CsvText(const std::string& bytes) {
    // Spreadsheets save "CSV UTF-8" with a byte order mark; it is not part of
    // the first line (a heading would otherwise not start with its quote).
    constexpr char kBom[] = "\xEF\xBB\xBF";
    if (bytes.compare(0, 3, kBom) == 0)
        return Utf8ToWide(bytes.substr(3));
    return Utf8ToWide(bytes);
}

int ReadFileBytes(const std::wstring& path, std::string& bytes, FileOperation& failed) {
    const std::string name = WideToUtf8(path);
    errno = 0;
    std::ifstream file(name, std::ios::binary);
    if (!file.is_open()) {
        failed = FileOperation::Open;
        return errno != 0 ? errno : ENOENT;
    }
    // A directory opens, and then reads as an empty file: "Load completed."
    // for nothing at all.
    std::error_code ignored;
    if (std::filesystem::is_directory(name, ignored)) {
        failed = FileOperation::Read;
        return EISDIR;
    }
    std::ostringstream content;
    errno = 0;
    if (file.peek() != std::ifstream::traits_type::eof())
        content << file.rdbuf();
    if (file.bad()) {
        failed = FileOperation::Read;
        return errno != 0 ? errno : EIO;
    }
    bytes = content.str();
    return 0;
}

} // namespace peekpoke
